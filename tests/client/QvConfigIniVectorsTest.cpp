// Every recorded profile-reader case, loaded through OpeniniStream (and once
// through OpenFile) and rendered back with ReadDataToString.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "QvConfigTestSupport.h"
#include "client/QvConfig.h"
#include "platform/win32/TextConvert.h"

namespace {

struct Expected {
  std::wstring rendered;
  int boxes = -1;
};

// Reads a JSON string literal starting at the opening quote.
std::string JsonString(const std::string& json, std::size_t at) {
  std::string out;
  for (std::size_t i = at + 1; i < json.size(); ++i) {
    char c = json[i];
    if (c == '"') {
      return out;
    }
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    char e = json[++i];
    switch (e) {
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'b':
        out.push_back('\b');
        break;
      case 'f':
        out.push_back('\f');
        break;
      case 'u': {
        char32_t cp = std::stoul(json.substr(i + 1, 4), nullptr, 16);
        i += 4;
        if (cp >= 0xD800 && cp <= 0xDBFF && json.compare(i + 1, 2, "\\u") == 0) {
          char32_t low = std::stoul(json.substr(i + 3, 4), nullptr, 16);
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          i += 6;
        }
        std::u16string units;
        if (cp >= 0x10000) {
          units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
          units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
          units.push_back(static_cast<char16_t>(cp));
        }
        out += win32::Utf16ToUtf8(units);
        break;
      }
      default:
        out.push_back(e);
        break;
    }
  }
  ADD_FAILURE() << "unterminated JSON string";
  return out;
}

Expected ReadExpected(const std::filesystem::path& path) {
  std::string json = qvtest::ReadFile(path);
  Expected expected;
  std::size_t key = json.find("\"rendered\"");
  EXPECT_NE(std::string::npos, key) << path;
  std::size_t quote = json.find('"', json.find(':', key));
  expected.rendered = win32::Utf16ToWide(win32::Utf8ToUtf16(JsonString(json, quote)));
  std::size_t boxes = json.find("\"duplicate_section_message_boxes\"");
  EXPECT_NE(std::string::npos, boxes) << path;
  expected.boxes = std::stoi(json.substr(json.find(':', boxes) + 1));
  return expected;
}

TEST(QvConfigIniVectorsTest, EveryRecordedCaseRendersAsRecorded) {
  std::filesystem::path dir = std::filesystem::path(RAVELIN_TEST_DATA_DIR) / "ini-reader";
  int cases = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".ini") {
      continue;
    }
    ++cases;
    SCOPED_TRACE(entry.path().filename().string());
    std::filesystem::path expectedPath = entry.path();
    expectedPath.replace_extension(".expected.json");
    Expected expected = ReadExpected(expectedPath);
    std::string text = qvtest::ReadFile(entry.path());

    CQvConfig config;
    clienttest::CBoxRecorder boxes;
    ASSERT_EQ(1, config.OpeniniStream(text.data(), static_cast<unsigned long>(text.size())));
    std::wstring rendered = L"(before)";
    ASSERT_EQ(1, config.ReadDataToString(rendered));
    EXPECT_EQ(L"(before)" + expected.rendered, rendered);
    EXPECT_EQ(static_cast<std::size_t>(expected.boxes), boxes.Boxes().size());
    for (const clienttest::ShownBox& box : boxes.Boxes()) {
      EXPECT_EQ(nullptr, box.owner);
      EXPECT_EQ(u"", box.text);
      EXPECT_EQ(u"", box.caption);
      EXPECT_EQ(win32::kMbOk, box.buttons);
    }

    // The same bytes read from the file take the same way, except that an
    // empty file is not loaded at all.
    CQvConfig fromFile;
    int opened = fromFile.OpenFile(entry.path().wstring().c_str());
    if (text.empty()) {
      EXPECT_EQ(0, opened);
    } else {
      EXPECT_EQ(1, opened);
      EXPECT_EQ(expected.rendered, qvtest::Render(fromFile));
    }
  }
  EXPECT_EQ(22, cases);
}

}  // namespace
