#include "platform/basalt/VelmorMessage.h"

#include <gtest/gtest.h>

#include "platform/basalt/MessageCatalogue.h"
#include "platform/basalt/VelmorAssert.h"

namespace {

class VelmorMessageTest : public ::testing::Test {
 protected:
  void SetUp() override { Handler()->ClearMessages(); }
  void TearDown() override { Handler()->ClearMessages(); }
  static VelmorMessageHandler* Handler() { return GetGlobalIMessageManager().GetMessageHandler(); }
  static VelmorMessage Make(int messageID) {
    return VelmorMessage(kErrorMessage, 0, messageID, 57, 6, MessageManagerStrings::kNullStr,
                         MessageManagerStrings::kNullStr, false);
  }
};

TEST_F(VelmorMessageTest, KeepsFieldsAndSetsArgumentsByIndex) {
  VelmorMessage message(kFatalMessage, 2, 61600, 0, 6, L"before", L"after", true);
  message.AddArg(2, L"third");
  message.AddArg(0, L"first");
  EXPECT_EQ(message.GetSeverity(), kFatalMessage);
  EXPECT_EQ(message.GetCategory(), 2);
  EXPECT_EQ(message.GetMessageID(), 61600);
  EXPECT_EQ(message.GetHelpID(), 0);
  EXPECT_EQ(message.GetModuleID(), 6);
  EXPECT_EQ(message.GetPrefixText(), L"before");
  EXPECT_EQ(message.GetSuffixText(), L"after");
  EXPECT_TRUE(message.GetNeedsAcknowledge());
  ASSERT_EQ(message.GetArgCount(), 3);
  EXPECT_EQ(message.GetArg(0), L"first");
  EXPECT_EQ(message.GetArg(1), L"");
  EXPECT_EQ(message.GetArg(2), L"third");
  EXPECT_EQ(message.GetArg(7), L"");
  message.AddArg(0, L"replaced");
  EXPECT_EQ(message.GetArg(0), L"replaced");
  EXPECT_EQ(message.GetArgCount(), 3);
}

TEST_F(VelmorMessageTest, NegativeArgumentIndexIsReportedAndIgnored) {
  AssertReportRecorder recorder;
  VelmorMessage message = Make(1);
  message.AddArg(-1, L"x");
  EXPECT_EQ(message.GetArgCount(), 0);
  EXPECT_EQ(recorder.GetCount(), 1);
}

TEST_F(VelmorMessageTest, GlobalManagerQueuesInOrderAndHostCanClear) {
  IMessageManager& manager = GetGlobalIMessageManager();
  EXPECT_EQ(&manager, &GetGlobalIMessageManager());
  manager.AddMessage(Make(24689));
  manager.AddMessage(Make(24690));
  const std::vector<VelmorMessage> messages = Handler()->GetMessages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].GetMessageID(), 24689);
  EXPECT_EQ(messages[1].GetMessageID(), 24690);
  const std::vector<PostedMessage> posted = Handler()->GetPostedMessages();
  EXPECT_EQ(posted[1].mSerial, posted[0].mSerial + 1);
  Handler()->ClearMessages();
  EXPECT_EQ(Handler()->GetMessageCount(), 0);
}

TEST_F(VelmorMessageTest, ListenerSeesEveryMessageAndMayReadTheQueue) {
  std::vector<int> seen;
  int queueSizeSeen = -1;
  VelmorMessageHandler::Listener previous =
      Handler()->SetListener([&](const VelmorMessage& message) {
        seen.push_back(message.GetMessageID());
        queueSizeSeen = Handler()->GetMessageCount();
      });
  GetGlobalIMessageManager().AddMessage(Make(24701));
  Handler()->SetListener(previous);
  GetGlobalIMessageManager().AddMessage(Make(24693));
  EXPECT_EQ(seen, std::vector<int>{24701});
  EXPECT_EQ(queueSizeSeen, 1);
}

TEST_F(VelmorMessageTest, RestorerDropsOnlyWhatWasPostedWhileItLived) {
  IMessageManager& manager = GetGlobalIMessageManager();
  manager.AddMessage(Make(1));
  {
    MessageQueueRestorer outer(manager.GetMessageHandler());
    manager.AddMessage(Make(2));
    {
      MessageQueueRestorer inner(manager.GetMessageHandler());
      manager.AddMessage(Make(3));
      EXPECT_EQ(Handler()->GetMessageCount(), 3);
    }
    ASSERT_EQ(Handler()->GetMessageCount(), 2);
    EXPECT_EQ(Handler()->GetMessages()[1].GetMessageID(), 2);
  }
  ASSERT_EQ(Handler()->GetMessageCount(), 1);
  EXPECT_EQ(Handler()->GetMessages()[0].GetMessageID(), 1);
  manager.AddMessage(Make(4));
  EXPECT_EQ(Handler()->GetMessageCount(), 2);
}

TEST_F(VelmorMessageTest, RestorerDoesNotBringBackClearedMessages) {
  IMessageManager& manager = GetGlobalIMessageManager();
  manager.AddMessage(Make(1));
  {
    MessageQueueRestorer restorer(manager.GetMessageHandler());
    Handler()->ClearMessages();
    manager.AddMessage(Make(2));
  }
  EXPECT_EQ(Handler()->GetMessageCount(), 0);
  MessageQueueRestorer nothing(nullptr);
}

TEST(MessageCatalogueTest, LibraryNumbersHaveTextsWithArgumentsFilledIn) {
  for (int id : {24689, 24690, 24691, 24693, 24694, 24701, 61600,
                 MessageCatalogue::kEvaluationErrorMessage}) {
    EXPECT_TRUE(MessageCatalogue::HasMessageText(id)) << id;
  }
  VelmorMessage invalid(kErrorMessage, 0, 24691, 57, 6, MessageManagerStrings::kNullStr,
                        MessageManagerStrings::kNullStr, false);
  invalid.AddArg(0, L" Setup1");
  invalid.AddArg(1, L"The name begins or ends with a blank.");
  EXPECT_EQ(MessageCatalogue::GetMessageText(invalid),
            L"\" Setup1\" is not a valid solve setup name. The name begins or ends with a blank.");

  VelmorMessage project(kFatalMessage, 2, 61600, 0, 6, MessageManagerStrings::kNullStr,
                        MessageManagerStrings::kNullStr, false);
  project.AddArg(0, L"C:/a*b.prj");
  EXPECT_NE(MessageCatalogue::GetMessageText(project).find(L"\"C:/a*b.prj\""), AString::npos);
}

TEST(MessageCatalogueTest, OptionalPartsDropWhenTheirArgumentIsMissing) {
  VelmorMessage withName(kErrorMessage, 0, 24690, 56, 6, L"", L"", false);
  withName.AddArg(0, L"Setup1");
  EXPECT_EQ(MessageCatalogue::GetMessageText(withName),
            L"Solve setup names must be unique: \"Setup1\" is already used.");
  VelmorMessage withoutName(kErrorMessage, 0, 24690, 56, 6, L"", L"", false);
  EXPECT_EQ(MessageCatalogue::GetMessageText(withoutName), L"Solve setup names must be unique.");
}

TEST(MessageCatalogueTest, FormatHandlesEscapesNestingAndMalformedTemplates) {
  const std::vector<AString> args{L"a", L"b"};
  EXPECT_EQ(MessageCatalogue::FormatMessageText(L"{0}-{1}", args), L"a-b");
  EXPECT_EQ(MessageCatalogue::FormatMessageText(L"[[{{x}}]]", args), L"[{x}]");
  EXPECT_EQ(MessageCatalogue::FormatMessageText(L"x[ {0}[ {5}] {1}]", args), L"x a b");
  EXPECT_EQ(MessageCatalogue::FormatMessageText(L"{5}|{", args), L"|{");
  EXPECT_EQ(MessageCatalogue::FormatMessageText(L"{99999999999999999999}", args), L"");
  EXPECT_EQ(MessageCatalogue::FormatMessageText(L"open[ {0}", args), L"open a");
  EXPECT_EQ(MessageCatalogue::FormatMessageText(L"close] {x}", args), L"close] {x}");
}

TEST(MessageCatalogueTest, HostNumbersAndUnknownNumbers) {
  VelmorMessage host(kWarningMessage, 0, 777001, 0, 6, L"Design1:", L"", false);
  host.AddArg(0, L"Setup1");
  host.AddArg(1, L"x");
  EXPECT_EQ(MessageCatalogue::GetMessageText(host), L"Design1: Message 777001: Setup1, x");
  MessageCatalogue::RegisterMessageText(777001, L"Setup {0} needs {1}.");
  EXPECT_EQ(MessageCatalogue::GetMessageText(host), L"Design1: Setup Setup1 needs x.");
  EXPECT_EQ(MessageCatalogue::GetMessageTemplate(777002), L"");
}

}  // namespace
