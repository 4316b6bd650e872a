// IProgressMonitor: how long work tells its progress and learns that the
// user wants it stopped.
//
// Ownership: the caller of the work owns the monitor and keeps it alive for
// the work's duration. Thread-safety: left to the implementation;
// BasicProgressMonitor is safe to read from another thread and to abort from
// another thread.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"

class BASALT_EXPORT IProgressMonitor {
 public:
  virtual ~IProgressMonitor();
  // The position reached, in units the caller chose for the whole work.
  virtual void SetProgress(int position) = 0;
  // What is being done now.
  virtual void SetMessage(const AString& message) = 0;
  // True once the user asked to stop; the work should end soon after.
  virtual bool IsAborted() const = 0;
};

// A monitor that remembers what it was told; hosts show it, and call Abort
// to stop the work.
class BASALT_EXPORT BasicProgressMonitor : public IProgressMonitor {
 public:
  void SetProgress(int position) override;
  void SetMessage(const AString& message) override;
  bool IsAborted() const override { return mAborted.load(); }

  void Abort() { mAborted.store(true); }
  int GetProgress() const { return mProgress.load(); }
  AString GetMessage() const;

 private:
  std::atomic<int> mProgress{0};
  std::atomic<bool> mAborted{false};
  mutable std::mutex mMutex;
  AString mMessage;
};
