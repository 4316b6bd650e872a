// Makes the portable fixture files of this platform:
//
//   make_portable_files <folder>
//
// run once on each platform (under wine for Windows) to fill
// tests/data/portable/<platform>/; the files are committed, not made by the
// build, so that every platform's tests read what another platform wrote.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "tests/tools/ravelin/PortableFiles.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_portable_files <folder>\n");
    return 2;
  }
  try {
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);
    for (const char* name :
         {ravelin_tool_test::kPortableVenue, ravelin_tool_test::kPortableConfiguration,
          ravelin_tool_test::kPortableDesign}) {
      std::filesystem::remove(folder / name);
    }
    ravelin_tool_test::MakePortableFiles(folder.string(),
                                         RAVELIN_TEST_DATA_DIR "/portable/client.ini");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_portable_files: %s\n", e.what());
    return 1;
  }
  return 0;
}
