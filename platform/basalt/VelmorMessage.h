// VelmorMessage and the process-wide message manager.
//
// A VelmorMessage is a numbered user message (severity, four integers, two
// texts, a flag and numbered arguments) that library code posts for the user
// to see. Messages are posted to the one message manager of the process,
// GetGlobalIMessageManager(), which lives in this shared library so that a
// host and every library it loads post into the same queue. The host reads
// the queue through the manager's handler (GetMessageHandler), clears it, or
// installs a listener that is told of every message as it is posted; the
// catalogue (MessageCatalogue.h) turns a message into a readable text.
//
// Ownership: messages are values; the queue keeps copies. The manager and its
// handler are owned by the library and live for the whole process.
// Thread-safety: VelmorMessage is a plain value (not synchronised). The
// manager and handler are safe to use from several threads at once.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"

// How serious a message is. The numbers are stored in messages and must not
// change.
enum MessageSeverity {
  kInfoMessage = 0,     // for information only
  kErrorMessage = 1,    // something the user must correct
  kWarningMessage = 2,  // the work goes on, the user should look
  kFatalMessage = 3     // the work cannot go on as asked
};

class BASALT_EXPORT VelmorMessage {
 public:
  VelmorMessage();
  // `category` groups messages for display (0 general, 2 file-system),
  // `messageID` selects the catalogue text, `helpID` the help topic (0 none),
  // `moduleID` the module that posted it. The two texts are shown before and
  // after the catalogue text; MessageManagerStrings::kNullStr for none.
  // `needsAcknowledge` asks the host to show the message until the user
  // confirms it rather than only listing it.
  VelmorMessage(MessageSeverity severity, int category, int messageID, int helpID, int moduleID,
                const AString& prefixText, const AString& suffixText, bool needsAcknowledge);

  // Sets argument `index` (0 based), growing the list with empty arguments
  // when needed. A negative index is an assertion report and is ignored.
  void AddArg(int index, const AString& value);

  MessageSeverity GetSeverity() const { return mSeverity; }
  int GetCategory() const { return mCategory; }
  int GetMessageID() const { return mMessageID; }
  int GetHelpID() const { return mHelpID; }
  int GetModuleID() const { return mModuleID; }
  const AString& GetPrefixText() const { return mPrefixText; }
  const AString& GetSuffixText() const { return mSuffixText; }
  bool GetNeedsAcknowledge() const { return mNeedsAcknowledge; }
  const std::vector<AString>& GetArgs() const { return mArgs; }
  // The argument, or an empty text when it was never set.
  AString GetArg(int index) const;
  int GetArgCount() const { return static_cast<int>(mArgs.size()); }

  bool operator==(const VelmorMessage& other) const = default;

 private:
  MessageSeverity mSeverity;
  int mCategory;
  int mMessageID;
  int mHelpID;
  int mModuleID;
  AString mPrefixText;
  AString mSuffixText;
  bool mNeedsAcknowledge;
  std::vector<AString> mArgs;
};

struct BASALT_EXPORT MessageManagerStrings {
  // The "no text" value for the two texts of a message.
  static const AString kNullStr;
};

// A posted message together with its place in the posting order.
struct PostedMessage {
  std::uint64_t mSerial;  // increases by one with every message posted
  VelmorMessage mMessage;
};

// The queue of posted messages. One exists per process (the global manager's);
// hosts may make their own for tests of their own. The queue keeps every
// message until the host clears it (or a MessageQueueRestorer takes it out).
class BASALT_EXPORT VelmorMessageHandler {
 public:
  using Listener = std::function<void(const VelmorMessage&)>;

  VelmorMessageHandler() = default;
  VelmorMessageHandler(const VelmorMessageHandler&) = delete;
  VelmorMessageHandler& operator=(const VelmorMessageHandler&) = delete;

  // Appends a copy of the message and then tells the listener, if any. The
  // listener runs on the posting thread without the queue locked, so it may
  // read the queue.
  void HandleMessage(const VelmorMessage& message);

  // The messages now in the queue, oldest first.
  std::vector<VelmorMessage> GetMessages() const;
  std::vector<PostedMessage> GetPostedMessages() const;
  int GetMessageCount() const;
  void ClearMessages();

  // The serial the next posted message will get.
  std::uint64_t GetNextSerial() const;
  // Removes every message whose serial is `serial` or later.
  void DiscardMessagesFrom(std::uint64_t serial);

  // Installs the listener and returns the one it replaces; an empty function
  // removes it.
  Listener SetListener(Listener listener);

 private:
  mutable std::mutex mMutex;
  std::vector<PostedMessage> mQueue;
  std::uint64_t mNextSerial = 0;
  Listener mListener;
};

class BASALT_EXPORT IMessageManager {
 public:
  virtual ~IMessageManager() = default;
  virtual void AddMessage(const VelmorMessage& message) = 0;
  // The handler that keeps the posted messages; never null.
  virtual VelmorMessageHandler* GetMessageHandler() = 0;
};

// The process-wide message manager.
BASALT_EXPORT IMessageManager& GetGlobalIMessageManager();

// Scoped silence for the message queue. While a restorer lives, messages are
// posted as usual (listeners see them); when it is destroyed, every message
// posted to its handler since it was made is taken out of the queue again, so
// the queue is back to what it held before (less anything the host cleared in
// between). Use it around work whose complaints are expected and of no
// interest to the user. Restorers nest. A null handler makes it do nothing.
// The queue is shared by the process: messages other threads post to the
// same handler while the restorer lives are taken out as well.
class BASALT_EXPORT MessageQueueRestorer {
 public:
  explicit MessageQueueRestorer(VelmorMessageHandler* handler);
  ~MessageQueueRestorer();
  MessageQueueRestorer(const MessageQueueRestorer&) = delete;
  MessageQueueRestorer& operator=(const MessageQueueRestorer&) = delete;

 private:
  VelmorMessageHandler* mHandler;
  std::uint64_t mFirstSerial;
};
