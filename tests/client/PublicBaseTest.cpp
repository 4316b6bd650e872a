// Text resources read through CPublicBase from a module built with embedded
// resources, converted to the ANSI code page of the moment.
#include "client/PublicBase.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "ManagerTestSupport.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "platform/win32/Resource.h"

namespace {

class CTextUser : public CPublicBase {
 public:
  void Reserved1() override {}
  void Reserved2() override {}
  void Reserved3() override {}
  void Reserved4() override {}
  void Reserved5() override {}
  void Reserved6() override {}
  void Reserved7() override {}
  void Reserved8() override {}
  void Reserved9() override {}
  void Reserved10() override {}
};

// Puts the C library's LC_CTYPE locale back after a test changed it.
class CLocaleRestorer {
 public:
  CLocaleRestorer() : mSaved(std::setlocale(LC_CTYPE, nullptr)) {}
  ~CLocaleRestorer() { std::setlocale(LC_CTYPE, mSaved.c_str()); }

 private:
  std::string mSaved;
};

class PublicBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mModule.Reset(win32::LoadModule(TEST_RESOURCE_MODULE_W));
    ASSERT_NE(mModule.Get(), nullptr);
    mUser.SetResourceHandle(mModule.Get());
  }

  // The text handed out, including everything up to the buffer's end.
  struct Text {
    unsigned long result = 0;
    std::string bytes;  // without the final zero byte
    bool zeroAfter = false;
  };

  Text Read(const wchar_t* name, const wchar_t* type) {
    unsigned char* out = nullptr;
    Text text;
    text.result = mUser.GetResourceHandle(&out, name, type);
    if (text.result != 0) {
      std::unique_ptr<unsigned char[]> owned(out);
      const auto* chars = reinterpret_cast<const char*>(out);
      text.bytes.assign(chars, std::strlen(chars));
      // The result counts the terminator; one more zero byte follows it.
      text.zeroAfter = out[text.result - 1] == 0 && out[text.result] == 0;
    } else {
      EXPECT_EQ(out, nullptr);
    }
    return text;
  }

  win32::ScopedModule mModule;
  CTextUser mUser;
};

TEST_F(PublicBaseTest, NothingBeforeAModuleIsSetOrWithNullArguments) {
  CTextUser fresh;
  unsigned char* out = nullptr;
  EXPECT_EQ(fresh.GetResourceModule(), nullptr);
  EXPECT_EQ(fresh.GetResourceHandle(&out, L"GREETING", L"TEXT"), 0u);
  EXPECT_EQ(fresh.SetResourceHandle(nullptr), 1);
  EXPECT_EQ(fresh.GetResourceHandle(&out, L"GREETING", L"TEXT"), 0u);
  EXPECT_EQ(out, nullptr);

  EXPECT_EQ(mUser.GetResourceHandle(nullptr, L"GREETING", L"TEXT"), 0u);
  EXPECT_EQ(mUser.GetResourceHandle(&out, nullptr, L"TEXT"), 0u);
  EXPECT_EQ(mUser.GetResourceHandle(&out, L"GREETING", nullptr), 0u);
  EXPECT_EQ(out, nullptr);
}

TEST_F(PublicBaseTest, MissingAndEmptyResourcesFail) {
  win32::ScopedAnsiCodeSet utf8("UTF-8");
  EXPECT_EQ(Read(L"NOSUCH", L"TEXT").result, 0u);
  EXPECT_EQ(Read(L"GREETING", L"OTHER").result, 0u);
  EXPECT_EQ(Read(L"EMPTY", L"TEXT").result, 0u);
}

TEST_F(PublicBaseTest, Utf8LocaleKeepsTheText) {
  CLocaleRestorer restore;
  ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  EXPECT_EQ(win32::GetCodeSetName(win32::kCpAcp), "UTF-8");
  const Text text = Read(L"GREETING", L"TEXT");
  EXPECT_EQ(text.bytes, "Grüße aus Köln, Ωmega");
  EXPECT_EQ(text.result, text.bytes.size() + 1);
  EXPECT_TRUE(text.zeroAfter);
}

TEST_F(PublicBaseTest, NamesIgnoreCaseAndIdentifiersWork) {
  win32::ScopedAnsiCodeSet utf8("UTF-8");
  EXPECT_EQ(Read(L"greeting", L"text").bytes, "Grüße aus Köln, Ωmega");
  EXPECT_EQ(Read(L"LATIN", L"TEXT").bytes, "Zoë");
  EXPECT_EQ(Read(win32::MakeIntResource(101), win32::MakeIntResource(win32::kRtRcData)).bytes,
            "Grüße aus Köln, Ωmega");
  EXPECT_EQ(Read(L"#101", L"#10").bytes, "Grüße aus Köln, Ωmega");
  EXPECT_EQ(Read(win32::MakeIntResource(102), win32::MakeIntResource(win32::kRtRcData)).result, 0u);
  // The text name "101" is not the identifier 101.
  EXPECT_EQ(Read(L"GREETING", win32::MakeIntResource(win32::kRtRcData)).result, 0u);
}

TEST_F(PublicBaseTest, TextStopsAtTheFirstZeroByte) {
  win32::ScopedAnsiCodeSet utf8("UTF-8");
  const Text text = Read(L"ZEROINSIDE", L"TEXT");
  EXPECT_EQ(text.bytes, "before");
  EXPECT_EQ(text.result, 7u);
}

TEST_F(PublicBaseTest, SingleByteCodePageReplacesWhatItLacks) {
  win32::ScopedAnsiCodeSet latin1("ISO-8859-1");
  const Text text = Read(L"GREETING", L"TEXT");
  EXPECT_EQ(text.bytes,
            "Gr\xFC\xDF"
            "e aus K\xF6ln, ?mega");
  EXPECT_EQ(text.result, text.bytes.size() + 1);
  EXPECT_TRUE(text.zeroAfter);
}

// The same through a real locale of that code page, generated for the test.
TEST_F(PublicBaseTest, SingleByteLocaleReplacesWhatItLacks) {
  managertest::CClientDir dir;
  const std::string command = "localedef -i de_DE -f ISO-8859-1 " + dir.Path().string() +
                              "/de_DE.ISO-8859-1 >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) {
    GTEST_SKIP() << "localedef cannot make a de_DE.ISO-8859-1 locale here";
  }
  CLocaleRestorer restore;
  ::setenv("LOCPATH", dir.Path().c_str(), 1);
  const char* set = std::setlocale(LC_CTYPE, "de_DE.ISO-8859-1");
  ::unsetenv("LOCPATH");
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(win32::GetCodeSetName(win32::kCpAcp), "ISO-8859-1");
  EXPECT_EQ(Read(L"GREETING", L"TEXT").bytes,
            "Gr\xFC\xDF"
            "e aus K\xF6ln, ?mega");
  EXPECT_EQ(Read(L"LATIN", L"TEXT").bytes, "Zo\xEB");
}

}  // namespace
