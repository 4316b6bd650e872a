// Work spread over child processes, for the tests of many hosts writing to one server store at
// once. POSIX only (fork): the server tests run on Linux.
//
// Thread-safety: call from the test's own thread; the children start from a copy of it.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace vod::test {

// Runs `work(i)` for i in [0, count) in as many child processes at once and waits for them all;
// each child's result is its exit status, and a status other than 0 fails the test. Children still
// running after `limit` are killed and the test fails (fatally: wrap the call in
// ASSERT_NO_FATAL_FAILURE to stop there).
inline void RunChildren(int count, std::chrono::seconds limit,
                        const std::function<int(int)>& work) {
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // No destructors and no sanitizer exit work of the parent's objects in the child.
      _exit(work(i));
    }
    children.push_back(pid);
  }
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (pid_t child : children) {
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        for (pid_t other : children) {
          kill(other, SIGKILL);
        }
        FAIL() << "the children did not finish in time";
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "child " << child << " ended with status " << status;
  }
}

}  // namespace vod::test
