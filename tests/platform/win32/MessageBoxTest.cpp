#include "platform/win32/MessageBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SeenBox {
  void* owner;
  std::u16string text;
  std::u16string caption;
  unsigned buttons;
};

TEST(MessageBoxTest, InstalledHandlerSeesEverythingAndAnswers) {
  std::vector<SeenBox> seen;
  win32::ScopedMessageBoxHandler scoped(
      [&](void* owner, const std::u16string& text, const std::u16string& caption, unsigned b) {
        seen.push_back({owner, text, caption, b});
        return win32::kIdNo;
      });
  int ownerToken = 0;
  EXPECT_EQ(win32::kIdNo, win32::ShowMessageBox(&ownerToken, u"Datei fehlt \u00e4\U0001F600",
                                                u"Mimo", win32::kMbYesNo | win32::kMbIconError));
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(&ownerToken, seen[0].owner);
  EXPECT_EQ(u"Datei fehlt \u00e4\U0001F600", seen[0].text);
  EXPECT_EQ(u"Mimo", seen[0].caption);
  EXPECT_EQ(win32::kMbYesNo | win32::kMbIconError, seen[0].buttons);
}

TEST(MessageBoxTest, ScopedHandlersNestAndRemovalLeavesNone) {
  int outer = 0;
  int inner = 0;
  {
    win32::ScopedMessageBoxHandler a(
        [&](void*, const std::u16string&, const std::u16string&, unsigned) { return ++outer; });
    {
      win32::ScopedMessageBoxHandler b(
          [&](void*, const std::u16string&, const std::u16string&, unsigned) { return ++inner; });
      win32::ShowMessageBox(nullptr, u"x", u"", 0);
    }
    win32::ShowMessageBox(nullptr, u"x", u"", 0);
  }
  EXPECT_EQ(1, outer);
  EXPECT_EQ(1, inner);

  // Both scopes ended: no handler is left, the platform's box is back.
  auto previous = win32::InstallMessageBoxHandler(
      [](void*, const std::u16string&, const std::u16string&, unsigned) { return 7; });
  EXPECT_FALSE(previous);
  EXPECT_EQ(7, win32::ShowMessageBox(nullptr, u"", u"", 0));
  win32::RemoveMessageBoxHandler();
  EXPECT_FALSE(win32::InstallMessageBoxHandler(nullptr));
}

TEST(MessageBoxTest, HandlerMayShowAnotherBox) {
  int calls = 0;
  win32::ScopedMessageBoxHandler scoped(
      [&](void* owner, const std::u16string& text, const std::u16string&, unsigned) {
        ++calls;
        if (text == u"outer") {
          return win32::ShowMessageBox(owner, u"inner", u"", 0);
        }
        return win32::kIdRetry;
      });
  EXPECT_EQ(win32::kIdRetry, win32::ShowMessageBox(nullptr, u"outer", u"", 0));
  EXPECT_EQ(2, calls);
}

TEST(MessageBoxTest, DefaultResultFollowsButtonSetAndDefaultButton) {
  EXPECT_EQ(win32::kIdOk, win32::DefaultMessageBoxResult(win32::kMbOk));
  EXPECT_EQ(win32::kIdCancel,
            win32::DefaultMessageBoxResult(win32::kMbOkCancel | win32::kMbDefButton2));
  EXPECT_EQ(win32::kIdIgnore,
            win32::DefaultMessageBoxResult(win32::kMbAbortRetryIgnore | win32::kMbDefButton3));
  EXPECT_EQ(win32::kIdYes, win32::DefaultMessageBoxResult(win32::kMbYesNo | 0x30));
  EXPECT_EQ(win32::kIdContinue,
            win32::DefaultMessageBoxResult(win32::kMbCancelTryContinue | win32::kMbDefButton3));
  // Unknown sets behave like a plain OK box.
  EXPECT_EQ(win32::kIdOk, win32::DefaultMessageBoxResult(0xE));
}

}  // namespace
