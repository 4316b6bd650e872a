// Message boxes: the one way the client shows a failure to its user.
//
// ShowMessageBox passes owner, text, caption and button flags to the installed
// handler, or to the platform's own box when none is installed (on POSIX: one
// line on standard error, since there is no window system to ask). Hosts and
// tests install a handler to show the box their own way or to observe it.
//
// The owner is an opaque window handle that is only passed on, never touched.
// An empty caption asks for the platform's default caption ("Error").
//
// Thread-safety: installing, removing and showing may happen on any thread.
// The handler is called on the showing thread without any lock held, so it may
// show further boxes or install another handler.
#pragma once

#include <functional>
#include <string>

#include "platform/win32/Win32Export.h"

namespace win32 {

// Button sets and default-button flags, with the values Win32 gives them.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbOkCancel = 0x1;
inline constexpr unsigned kMbAbortRetryIgnore = 0x2;
inline constexpr unsigned kMbYesNoCancel = 0x3;
inline constexpr unsigned kMbYesNo = 0x4;
inline constexpr unsigned kMbRetryCancel = 0x5;
inline constexpr unsigned kMbCancelTryContinue = 0x6;
inline constexpr unsigned kMbTypeMask = 0xF;
inline constexpr unsigned kMbIconError = 0x10;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconWarning = 0x30;
inline constexpr unsigned kMbIconInformation = 0x40;
inline constexpr unsigned kMbDefButton1 = 0x000;
inline constexpr unsigned kMbDefButton2 = 0x100;
inline constexpr unsigned kMbDefButton3 = 0x200;
inline constexpr unsigned kMbDefButtonMask = 0xF00;

// Results: the button that closed the box.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr int kIdTryAgain = 10;
inline constexpr int kIdContinue = 11;

// Returns the id of the button chosen (kIdOk, kIdYes, ...).
using MessageBoxHandler = std::function<int(void* owner, const std::u16string& text,
                                            const std::u16string& caption, unsigned buttons)>;

WIN32SEAM_EXPORT int ShowMessageBox(void* owner, const std::u16string& text,
                                    const std::u16string& caption, unsigned buttons);

// Replaces the handler and returns the one it replaces (empty when the platform
// box was in use). Installing an empty handler is the same as removing it.
WIN32SEAM_EXPORT MessageBoxHandler InstallMessageBoxHandler(MessageBoxHandler handler);
// Returns to the platform's own box.
WIN32SEAM_EXPORT void RemoveMessageBoxHandler();

// The button a box without a user in front of it answers with: the default
// button of the set (kMbDefButton2/3 pick the second or third).
WIN32SEAM_EXPORT int DefaultMessageBoxResult(unsigned buttons);

// Installs a handler for its lifetime and puts the previous one back after.
class WIN32SEAM_EXPORT ScopedMessageBoxHandler {
 public:
  explicit ScopedMessageBoxHandler(MessageBoxHandler handler);
  ~ScopedMessageBoxHandler();
  ScopedMessageBoxHandler(const ScopedMessageBoxHandler&) = delete;
  ScopedMessageBoxHandler& operator=(const ScopedMessageBoxHandler&) = delete;

 private:
  MessageBoxHandler mPrevious;
};

}  // namespace win32
