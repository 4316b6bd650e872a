#include "platform/basalt/VelmorAssert.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

std::atomic<bool> IgnoreAllAsserts_G{false};

namespace {

AssertAction WriteToStandardError(const AssertReport& report) {
  // One line per report, whatever the texts hold.
  std::string expression = report.mExpression;
  std::replace(expression.begin(), expression.end(), '\n', ' ');
  std::replace(expression.begin(), expression.end(), '\r', ' ');
  std::fprintf(stderr, "Assertion failed: %s (%s:%d)\n", expression.c_str(), report.mFile.c_str(),
               report.mLine);
  std::fflush(stderr);
  return AssertAction::kContinue;
}

struct Reporter {
  std::mutex mMutex;
  AssertFailureHandler mHandler = WriteToStandardError;
  std::atomic<long> mCount{0};
};

Reporter& GetReporter() {
  // Never destroyed: assertions may be reported during static destruction.
  static Reporter* const reporter = new Reporter;
  return *reporter;
}

}  // namespace

void ProcessAssertFailure_G(const char* file, int line, const char* expression, bool* siteFlag) {
  if (IgnoreAllAsserts_G.load() || (siteFlag && *siteFlag)) {
    return;
  }
  Reporter& reporter = GetReporter();
  reporter.mCount.fetch_add(1);
  AssertFailureHandler handler;
  {
    std::lock_guard<std::mutex> lock(reporter.mMutex);
    handler = reporter.mHandler;
  }
  const AssertReport report{file ? file : "", line, expression ? expression : ""};
  // The handler runs unlocked: it may show a dialog, report again or
  // replace itself.
  const AssertAction action = handler ? handler(report) : WriteToStandardError(report);
  if (action == AssertAction::kIgnoreSite && siteFlag) {
    *siteFlag = true;
  } else if (action == AssertAction::kIgnoreAll) {
    IgnoreAllAsserts_G.store(true);
  }
}

AssertFailureHandler SetAssertFailureHandler(AssertFailureHandler handler) {
  if (!handler) {
    handler = WriteToStandardError;
  }
  Reporter& reporter = GetReporter();
  std::lock_guard<std::mutex> lock(reporter.mMutex);
  std::swap(reporter.mHandler, handler);
  return handler;
}

long GetAssertReportCount() {
  return GetReporter().mCount.load();
}

void ResetAssertReportCount() {
  GetReporter().mCount.store(0);
}

AssertReportRecorder::AssertReportRecorder()
    : mReports(std::make_shared<std::vector<AssertReport>>()) {
  std::shared_ptr<std::vector<AssertReport>> reports = mReports;
  mPrevious = SetAssertFailureHandler([reports](const AssertReport& report) {
    reports->push_back(report);
    return AssertAction::kContinue;
  });
}

AssertReportRecorder::~AssertReportRecorder() {
  SetAssertFailureHandler(std::move(mPrevious));
}

bool AssertReportRecorder::HasReport(const std::string& expression) const {
  return std::any_of(mReports->begin(), mReports->end(),
                     [&](const AssertReport& report) { return report.mExpression == expression; });
}
