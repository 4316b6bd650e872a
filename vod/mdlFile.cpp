#include "vod/mdlFile.h"

#include <exception>

namespace vod {

namespace {

bool ReadText(const automation::Variant& value, std::string& text) {
  try {
    text = value.ToString();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

std::string File_ExtName(const automation::Variant& strFileName) {
  std::string name;
  if (!ReadText(strFileName, name)) {
    return {};
  }
  // "." is one byte in UTF-8 and never part of a longer sequence, so the byte search walks the
  // characters from the end as well as a character loop would.
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) {
    return name;
  }
  return name.substr(dot + 1);
}

std::string File_TitleName(const automation::Variant& strFileName) {
  std::string name;
  if (!ReadText(strFileName, name)) {
    return {};
  }
  const std::string extension = File_ExtName(strFileName);
  // The first occurrence, not the last dot: a title that contains its own extension text is
  // cut there, which callers of the original rule rely on.
  const std::size_t position = automation::TextFind(name, extension);
  if (position < 2) {
    return {};  // Left$ with a negative length fails, and the failure is ignored
  }
  return automation::TextLeft(name, position - 2);
}

}  // namespace vod
