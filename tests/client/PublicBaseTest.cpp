// Text resources read through CPublicBase from a module built with embedded
// resources, converted to the ANSI code page of the moment.
#include "client/PublicBase.h"

#include <gtest/gtest.h>

#include <string>

#include "PublicBaseTestSupport.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "platform/win32/Resource.h"

namespace {

using clienttest::CTextUser;
using clienttest::PublicBaseTest;

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

}  // namespace
