// Starting child processes from Windows tests. Under wine, a process start now and then fails
// outright (CreateProcessW returns FALSE) while other test processes start; such a start is
// tried again, at most three times in all, and never a run that did start. Every retry is said
// on standard error and, under wine, added to the leg's retry log ($WINEPREFIX/
// wine-run-retries.log, which cmake/toolchains/wine-run.sh keeps too and the test script
// reports at the end of the leg), so that no retry goes unseen.
//
// Thread-safety: the log is appended a line at a time; callers may start processes from
// several threads.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace ravelin_test {

// Notes one start of `what` that did not happen and is about to be tried again.
inline void NoteRetriedStart(const std::string& what, unsigned long error, int attempt) {
  std::fprintf(stderr, "%s did not start (system error %lu, start %d of 3); starting it again\n",
               what.c_str(), error, attempt);
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix == nullptr || prefix[0] != '/') {
    return;
  }
  // Wine shows the machine's files on drive Z:.
  std::string log = std::string("Z:") + prefix + "/wine-run-retries.log";
  for (char& c : log) {
    if (c == '/') {
      c = '\\';
    }
  }
  if (FILE* file = std::fopen(log.c_str(), "a")) {
    std::fprintf(file, "%s did not start (system error %lu, start %d of 3)\n", what.c_str(), error,
                 attempt);
    std::fclose(file);
  }
}

// Calls `start` (which returns whether the process started, with GetLastError set when not)
// up to three times. False when the third start failed too; GetLastError then has its reason.
template <class Start>
bool StartRetrying(const std::string& what, Start&& start) {
  for (int attempt = 1;; ++attempt) {
    if (start()) {
      return true;
    }
    const DWORD error = GetLastError();
    if (attempt == 3) {
      SetLastError(error);
      return false;
    }
    NoteRetriedStart(what, error, attempt);
    Sleep(200);
  }
}

}  // namespace ravelin_test
