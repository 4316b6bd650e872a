// ProgressBar: a one-line progress bar on standard error for long work.
//
// The bar draws only when standard error is a terminal, so output piped to a
// file or another program stays clean. It is fed percentages (0 to 100) from
// the libraries' progress events or from the tool's own counts, redraws only
// when the shown percentage changes, and clears its line when finished or
// destroyed. Not thread-safe: feed it from the thread that owns it.
#pragma once

#include <cstdio>
#include <string>

namespace ravelin_tool {

class ProgressBar {
 public:
  // `label` is shown before the bar. `enabled` overrides the terminal test
  // (tests use it); by default the bar draws only on a terminal.
  explicit ProgressBar(std::string label);
  ProgressBar(std::string label, bool enabled, std::FILE* out);
  ~ProgressBar();

  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void SetPercent(long percent);
  void SetCount(long long done, long long total);
  void Finish();

  bool IsEnabled() const { return mEnabled; }
  long GetPercent() const { return mPercent; }

 private:
  void Draw();

  std::string mLabel;
  bool mEnabled;
  std::FILE* mOut;
  long mPercent = -1;
  bool mFinished = false;
};

}  // namespace ravelin_tool
