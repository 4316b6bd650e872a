#include "tools/ravelin/ProgressBar.h"

#include <unistd.h>

#include <algorithm>

namespace ravelin_tool {

namespace {
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(std::string label)
    : ProgressBar(std::move(label), isatty(STDERR_FILENO) == 1, stderr) {}

ProgressBar::ProgressBar(std::string label, bool enabled, std::FILE* out)
    : mLabel(std::move(label)), mEnabled(enabled), mOut(out) {}

ProgressBar::~ProgressBar() {
  Finish();
}

void ProgressBar::SetPercent(long percent) {
  percent = std::clamp(percent, 0L, 100L);
  if (percent == mPercent || mFinished) {
    return;
  }
  mPercent = percent;
  Draw();
}

void ProgressBar::SetCount(long long done, long long total) {
  if (total <= 0) {
    return;
  }
  SetPercent(static_cast<long>(done * 100 / total));
}

void ProgressBar::Finish() {
  if (mFinished) {
    return;
  }
  mFinished = true;
  if (mEnabled && mPercent >= 0) {
    std::fprintf(mOut, "\r\033[2K");
    std::fflush(mOut);
  }
}

void ProgressBar::Draw() {
  if (!mEnabled) {
    return;
  }
  const int filled = static_cast<int>(mPercent * kBarWidth / 100);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kBarWidth - filled), '.');
  std::fprintf(mOut, "\r%s [%s] %3ld%%", mLabel.c_str(), bar.c_str(), mPercent);
  std::fflush(mOut);
}

}  // namespace ravelin_tool
