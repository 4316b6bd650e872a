// The in-memory profile reader against the system's own reader, on every INI
// vector of the configuration store: what GetPrivateProfileSectionNamesW and
// GetPrivateProfileSectionW give for the file must be what CProfileText gives
// for its bytes, with the buffer sizes the store uses.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/ProfileReader.h"

namespace {

// The store's buffer sizes, in characters.
constexpr unsigned long kNamesSize = 2048;
constexpr unsigned long kLinesSize = 61440;

std::vector<std::filesystem::path> Vectors() {
  std::vector<std::filesystem::path> found;
  const std::filesystem::path folder = std::filesystem::path(RAVELIN_TEST_DATA_DIR) / "ini-reader";
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".ini") {
      found.push_back(std::filesystem::absolute(entry.path()));
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool HasMark(const std::string& bytes) {
  return bytes.rfind("\xEF\xBB\xBF", 0) == 0 || bytes.rfind("\xFF\xFE", 0) == 0 ||
         bytes.rfind("\xFE\xFF", 0) == 0;
}

// The text as the system reads it, written as UTF-8 for our reader.
std::string AsTheSystemReadsIt(const std::string& bytes) {
  if (HasMark(bytes) || bytes.empty()) {
    return bytes;
  }
  const int length = static_cast<int>(bytes.size());
  const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), wideLength);
  const int utf8Length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), utf8Length, nullptr,
                        nullptr);
  return utf8;
}

// The strings a reader stored: `count` characters of consecutive
// zero-terminated strings.
std::vector<std::u16string> Strings(const char16_t* buffer, unsigned long count) {
  std::vector<std::u16string> strings;
  std::u16string current;
  for (unsigned long i = 0; i < count; ++i) {
    if (buffer[i] == u'\0') {
      strings.push_back(current);
      current.clear();
    } else {
      current.push_back(buffer[i]);
    }
  }
  if (!current.empty()) {
    strings.push_back(current);  // cut off by the buffer's end
  }
  return strings;
}

TEST(ProfileReaderWindowsTest, EveryVectorReadsAsTheSystemReadsIt) {
  const std::vector<std::filesystem::path> vectors = Vectors();
  ASSERT_FALSE(vectors.empty());
  for (const std::filesystem::path& path : vectors) {
    SCOPED_TRACE(path.filename().string());
    const std::string bytes = AsTheSystemReadsIt(Bytes(path));
    const win32::CProfileText ours(bytes.data(), bytes.size());
    const std::wstring file = path.wstring();

    std::vector<wchar_t> systemNames(kNamesSize, L'\0');
    const DWORD systemCount =
        ::GetPrivateProfileSectionNamesW(systemNames.data(), kNamesSize - 1, file.c_str());
    std::vector<char16_t> ourNames(kNamesSize, u'\0');
    const unsigned long ourCount = ours.GetSectionNames(ourNames.data(), kNamesSize - 1);
    const std::vector<std::u16string> names =
        Strings(reinterpret_cast<const char16_t*>(systemNames.data()), systemCount);
    EXPECT_EQ(names, Strings(ourNames.data(), ourCount));
    EXPECT_EQ(systemCount, ourCount);

    std::vector<wchar_t> systemLines(kLinesSize, L'\0');
    std::vector<char16_t> ourLines(kLinesSize, u'\0');
    for (const std::u16string& name : names) {
      SCOPED_TRACE(std::string(name.begin(), name.end()));
      const std::wstring wideName(name.begin(), name.end());
      const DWORD systemLineCount = ::GetPrivateProfileSectionW(
          wideName.c_str(), systemLines.data(), kLinesSize - 1, file.c_str());
      const unsigned long ourLineCount =
          ours.GetSection(name.c_str(), ourLines.data(), kLinesSize - 1);
      EXPECT_EQ(Strings(reinterpret_cast<const char16_t*>(systemLines.data()), systemLineCount),
                Strings(ourLines.data(), ourLineCount));
      EXPECT_EQ(systemLineCount, ourLineCount);
    }
  }
}

}  // namespace
