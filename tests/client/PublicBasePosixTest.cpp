// Text resources converted to the code page of the C library's locale, which
// only POSIX lets the ANSI code page follow.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "ManagerTestSupport.h"
#include "PublicBaseTestSupport.h"

namespace {

using clienttest::CLocaleRestorer;
using clienttest::PublicBaseTest;

TEST_F(PublicBaseTest, Utf8LocaleKeepsTheText) {
  CLocaleRestorer restore;
  ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  EXPECT_EQ(win32::GetCodeSetName(win32::kCpAcp), "UTF-8");
  const Text text = Read(L"GREETING", L"TEXT");
  EXPECT_EQ(text.bytes, "Grüße aus Köln, Ωmega");
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
