#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/TestRunner.h"

namespace ravelin_test {
namespace {

// A death test's child runs one test, whose statement ends the process itself; it stays on the
// main thread, so that nothing else is running when it does.
bool IsDeathTestChild() {
  const char* line = GetCommandLineA();
  return line != nullptr && std::strstr(line, "--gtest_internal_run_death_test") != nullptr;
}

// Waits, up to `milliseconds` in all, for every other thread of this process to end: the
// watchers GoogleTest started for the thread that ran the tests, which end soon after it.
// Returns how many threads were still running.
int WaitForOtherThreads(DWORD milliseconds) {
  const DWORD deadline = GetTickCount() + milliseconds;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    return 0;
  }
  std::vector<DWORD> others;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId() &&
        entry.th32ThreadID != GetCurrentThreadId()) {
      others.push_back(entry.th32ThreadID);
    }
    entry.dwSize = sizeof(entry);
  }
  CloseHandle(snapshot);
  int running = 0;
  for (DWORD id : others) {
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
    if (thread == nullptr) {
      continue;  // ended since the snapshot
    }
    const DWORD now = GetTickCount();
    const DWORD left = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
    if (WaitForSingleObject(thread, left) != WAIT_OBJECT_0) {
      ++running;
    }
    CloseHandle(thread);
  }
  return running;
}

}  // namespace

int RunAllTests() {
  if (IsDeathTestChild()) {
    return RUN_ALL_TESTS();
  }
  int result = 1;
  std::thread tests([&result] { result = RUN_ALL_TESTS(); });
  tests.join();
  if (const int running = WaitForOtherThreads(10000); running > 0) {
    std::fprintf(stderr, "%d thread(s) still running at the end of the tests\n", running);
  }
  return result;
}

}  // namespace ravelin_test
