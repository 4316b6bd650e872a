#include "platform/basalt/ProgressMonitor.h"

IProgressMonitor::~IProgressMonitor() = default;

void BasicProgressMonitor::SetProgress(int position) {
  mProgress.store(position);
}

void BasicProgressMonitor::SetMessage(const AString& message) {
  std::lock_guard<std::mutex> lock(mMutex);
  mMessage = message;
}

AString BasicProgressMonitor::GetMessage() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mMessage;
}
