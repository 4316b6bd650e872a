#include <windows.h>

#include <shellapi.h>

#include "tools/ravelin/Arguments.h"

namespace ravelin_tool {

namespace {

std::string Utf8(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) {
    return {};
  }
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  text.pop_back();  // the terminator WideCharToMultiByte counted
  return text;
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    // Without the wide form, the narrow one is still better than nothing.
    return std::vector<std::string>(argv, argv + argc);
  }
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    arguments.push_back(Utf8(wide[i]));
  }
  LocalFree(wide);
  return arguments;
}

}  // namespace ravelin_tool
