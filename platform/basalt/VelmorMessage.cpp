#include "platform/basalt/VelmorMessage.h"

#include <algorithm>

#include "platform/basalt/VelmorAssert.h"

const AString MessageManagerStrings::kNullStr;

VelmorMessage::VelmorMessage()
    : VelmorMessage(kInfoMessage, 0, 0, 0, 0, AString(), AString(), false) {}

VelmorMessage::VelmorMessage(MessageSeverity severity, int category, int messageID, int helpID,
                             int moduleID, const AString& prefixText, const AString& suffixText,
                             bool needsAcknowledge)
    : mSeverity(severity),
      mCategory(category),
      mMessageID(messageID),
      mHelpID(helpID),
      mModuleID(moduleID),
      mPrefixText(prefixText),
      mSuffixText(suffixText),
      mNeedsAcknowledge(needsAcknowledge) {}

void VelmorMessage::AddArg(int index, const AString& value) {
  if (index < 0) {
    VELMOR_ASSERT(index >= 0);
    return;
  }
  const auto slot = static_cast<std::size_t>(index);
  if (slot >= mArgs.size()) {
    mArgs.resize(slot + 1);
  }
  mArgs[slot] = value;
}

AString VelmorMessage::GetArg(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= mArgs.size()) {
    return AString();
  }
  return mArgs[static_cast<std::size_t>(index)];
}

void VelmorMessageHandler::HandleMessage(const VelmorMessage& message) {
  Listener listener;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mQueue.push_back(PostedMessage{mNextSerial++, message});
    listener = mListener;
  }
  // Called unlocked so that the listener may read or clear the queue.
  if (listener) {
    listener(message);
  }
}

std::vector<VelmorMessage> VelmorMessageHandler::GetMessages() const {
  std::lock_guard<std::mutex> lock(mMutex);
  std::vector<VelmorMessage> messages;
  messages.reserve(mQueue.size());
  for (const PostedMessage& posted : mQueue) {
    messages.push_back(posted.mMessage);
  }
  return messages;
}

std::vector<PostedMessage> VelmorMessageHandler::GetPostedMessages() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mQueue;
}

int VelmorMessageHandler::GetMessageCount() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return static_cast<int>(mQueue.size());
}

void VelmorMessageHandler::ClearMessages() {
  std::lock_guard<std::mutex> lock(mMutex);
  mQueue.clear();
}

std::uint64_t VelmorMessageHandler::GetNextSerial() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mNextSerial;
}

void VelmorMessageHandler::DiscardMessagesFrom(std::uint64_t serial) {
  std::lock_guard<std::mutex> lock(mMutex);
  // Serials grow along the queue, so the messages to drop form its tail.
  const auto first = std::find_if(mQueue.begin(), mQueue.end(),
                                  [serial](const PostedMessage& m) { return m.mSerial >= serial; });
  mQueue.erase(first, mQueue.end());
}

VelmorMessageHandler::Listener VelmorMessageHandler::SetListener(Listener listener) {
  std::lock_guard<std::mutex> lock(mMutex);
  std::swap(mListener, listener);
  return listener;
}

namespace {

class GlobalMessageManager : public IMessageManager {
 public:
  void AddMessage(const VelmorMessage& message) override { mHandler.HandleMessage(message); }
  VelmorMessageHandler* GetMessageHandler() override { return &mHandler; }

 private:
  VelmorMessageHandler mHandler;
};

}  // namespace

IMessageManager& GetGlobalIMessageManager() {
  // Never destroyed: libraries may still post while other static objects of
  // the process are being torn down.
  static GlobalMessageManager* const manager = new GlobalMessageManager;
  return *manager;
}

MessageQueueRestorer::MessageQueueRestorer(VelmorMessageHandler* handler)
    : mHandler(handler), mFirstSerial(handler ? handler->GetNextSerial() : 0) {}

MessageQueueRestorer::~MessageQueueRestorer() {
  if (mHandler) {
    mHandler->DiscardMessagesFrom(mFirstSerial);
  }
}
