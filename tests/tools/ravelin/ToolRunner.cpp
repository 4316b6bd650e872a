#include "tests/tools/ravelin/ToolRunner.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

#include "tests/TempFolder.h"

namespace ravelin_tool_test {

ScratchDir::ScratchDir() : mPath(ravelin_test::MakeTempFolder("ravelin-tool-")) {}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(mPath, ec);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

int CountLines(const std::string& text) {
  int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  if (!text.empty() && text.back() != '\n') {
    ++lines;
  }
  return lines;
}

}  // namespace ravelin_tool_test
