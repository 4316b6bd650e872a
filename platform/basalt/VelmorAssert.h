// The assertion reporter.
//
// Library code reports an internal inconsistency with ProcessAssertFailure_G
// (file, line and the text of the failed expression) and then carries on; a
// report never stops the program. Each report goes to the installed handler
// (by default one line on standard error) and is counted. Reports are
// skipped while IgnoreAllAsserts_G is set, and a site can be silenced on its
// own through its per-site flag: VELMOR_ASSERT keeps one per use, and a
// handler silences a site by answering kIgnoreSite.
//
// Ownership: the reporter is process-wide and lives in this shared library,
// so a host and every library it loads share one handler and one count.
// Thread-safety: reports may come from any thread; the handler is called
// without any lock held, possibly from several threads at once.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/basalt/BasaltExport.h"

// While true, no assertion is reported or counted.
BASALT_EXPORT extern std::atomic<bool> IgnoreAllAsserts_G;

struct AssertReport {
  std::string mFile;
  int mLine = 0;
  std::string mExpression;
};

// What the reporter does after the handler has seen a report.
enum class AssertAction {
  kContinue,    // report this site again next time
  kIgnoreSite,  // set the site's flag: this site is not reported again
  kIgnoreAll    // set IgnoreAllAsserts_G
};

using AssertFailureHandler = std::function<AssertAction(const AssertReport&)>;

// Reports a failed assertion unless IgnoreAllAsserts_G or *siteFlag is set,
// then returns. `siteFlag` may be null for a site without a flag. Null texts
// are reported as empty.
BASALT_EXPORT void ProcessAssertFailure_G(const char* file, int line, const char* expression,
                                          bool* siteFlag = nullptr);

// Installs the handler and returns the one it replaces. An empty function
// installs the default handler, which writes
//   "Assertion failed: <expression> (<file>:<line>)"
// as one line to standard error.
BASALT_EXPORT AssertFailureHandler SetAssertFailureHandler(AssertFailureHandler handler);

// Number of reports made since the start or the last reset.
BASALT_EXPORT long GetAssertReportCount();
BASALT_EXPORT void ResetAssertReportCount();

// Collects the reports made while it lives instead of passing them to the
// handler it replaces, which it puts back on destruction. Meant for hosts and
// tests that check what was reported. Not for use from several threads.
class BASALT_EXPORT AssertReportRecorder {
 public:
  AssertReportRecorder();
  ~AssertReportRecorder();
  AssertReportRecorder(const AssertReportRecorder&) = delete;
  AssertReportRecorder& operator=(const AssertReportRecorder&) = delete;

  const std::vector<AssertReport>& GetReports() const { return *mReports; }
  int GetCount() const { return static_cast<int>(mReports->size()); }
  // True when a report with exactly this expression text was made.
  bool HasReport(const std::string& expression) const;

 private:
  // Shared with the installed handler, which outlives nothing of this object
  // but may be copied by a concurrent reporter.
  std::shared_ptr<std::vector<AssertReport>> mReports;
  AssertFailureHandler mPrevious;
};

// Checks `expr` at this site and reports it when false; the site has its own
// flag, so a handler can silence it.
#define VELMOR_ASSERT(expr)                                                        \
  do {                                                                             \
    static bool velmorAssertSiteFlag_ = false;                                     \
    if (!(expr)) {                                                                 \
      ::ProcessAssertFailure_G(__FILE__, __LINE__, #expr, &velmorAssertSiteFlag_); \
    }                                                                              \
  } while (false)

// Reports `text` as failed at the given file and line, with this site's own
// flag; for sites whose report names a fixed place rather than the source
// position.
#define VELMOR_REPORT_AT(file, line, text)                              \
  do {                                                                  \
    static bool velmorAssertSiteFlag_ = false;                          \
    ::ProcessAssertFailure_G(file, line, text, &velmorAssertSiteFlag_); \
  } while (false)
