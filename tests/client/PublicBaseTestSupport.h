// The fixture of the CPublicBase tests: a user of the class reading text
// resources out of the test resource module, and a guard for the C library's
// locale. Shared by the tests every platform runs and the POSIX-only ones.
//
// Each fixture owns one load of the module; used on the test's thread.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <memory>
#include <string>

#include "client/PublicBase.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "platform/win32/Resource.h"

namespace clienttest {

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

}  // namespace clienttest
