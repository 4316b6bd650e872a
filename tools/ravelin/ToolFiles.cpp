#include "tools/ravelin/ToolFiles.h"

#include <cstring>
#include <filesystem>

#include "platform/basalt/AString.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/TextConvert.h"
#include "tools/ravelin/ToolError.h"

namespace ravelin_tool {

std::wstring Widen(const std::string& utf8) {
  return AString::FromUtf8(utf8);
}

std::string Narrow(const std::wstring& wide) {
  return AString(wide).ToUtf8();
}

bool EndsWithNoCase(const std::string& path, const std::string& suffix) {
  if (path.size() < suffix.size()) {
    return false;
  }
  return strncasecmp(path.c_str() + path.size() - suffix.size(), suffix.c_str(), suffix.size()) ==
         0;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
  win32::SystemError error;
  if (!win32::ReplaceFileContents(win32::Utf8ToUtf16(path), bytes.data(), bytes.size(), error)) {
    const std::wstring reason = win32::FormatSystemMessage(error.number);
    throw ToolError(path + ": cannot write: " +
                    win32::Utf16ToUtf8(win32::WideToUtf16(reason.c_str(), reason.size())));
  }
}

void RequireFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    throw ToolError(path + ": no such file");
  }
}

}  // namespace ravelin_tool
