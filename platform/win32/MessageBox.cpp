// Handler bookkeeping shared by every platform; the platform's own box is
// ShowPlatformMessageBox in MessageBox_<platform>.cpp.
#include "platform/win32/MessageBox.h"

#include <mutex>
#include <utility>

#include "platform/win32/MessageBoxPlatform.h"

namespace win32 {
namespace {

std::mutex& HandlerMutex() {
  static std::mutex mutex;
  return mutex;
}

MessageBoxHandler& CurrentHandler() {
  static MessageBoxHandler handler;
  return handler;
}

}  // namespace

int ShowMessageBox(void* owner, const std::u16string& text, const std::u16string& caption,
                   unsigned buttons) {
  MessageBoxHandler handler;
  {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    handler = CurrentHandler();
  }
  if (handler) {
    return handler(owner, text, caption, buttons);
  }
  return ShowPlatformMessageBox(owner, text, caption, buttons);
}

MessageBoxHandler InstallMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard<std::mutex> lock(HandlerMutex());
  return std::exchange(CurrentHandler(), std::move(handler));
}

void RemoveMessageBoxHandler() {
  InstallMessageBoxHandler(nullptr);
}

int DefaultMessageBoxResult(unsigned buttons) {
  static constexpr int kButtons[][3] = {
      {kIdOk, kIdOk, kIdOk},                  // kMbOk
      {kIdOk, kIdCancel, kIdCancel},          // kMbOkCancel
      {kIdAbort, kIdRetry, kIdIgnore},        // kMbAbortRetryIgnore
      {kIdYes, kIdNo, kIdCancel},             // kMbYesNoCancel
      {kIdYes, kIdNo, kIdNo},                 // kMbYesNo
      {kIdRetry, kIdCancel, kIdCancel},       // kMbRetryCancel
      {kIdCancel, kIdTryAgain, kIdContinue},  // kMbCancelTryContinue
  };
  unsigned type = buttons & kMbTypeMask;
  if (type > kMbCancelTryContinue) {
    type = kMbOk;
  }
  unsigned which = (buttons & kMbDefButtonMask) >> 8;
  if (which > 2) {
    which = 0;
  }
  return kButtons[type][which];
}

ScopedMessageBoxHandler::ScopedMessageBoxHandler(MessageBoxHandler handler)
    : mPrevious(InstallMessageBoxHandler(std::move(handler))) {}

ScopedMessageBoxHandler::~ScopedMessageBoxHandler() {
  InstallMessageBoxHandler(std::move(mPrevious));
}

}  // namespace win32
