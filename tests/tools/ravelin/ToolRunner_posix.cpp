// RunTool on POSIX systems: posix_spawn with the output in temporary files.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/tools/ravelin/ToolRunner.h"

extern char** environ;

namespace ravelin_tool_test {

namespace {

std::string Slurp(int fd) {
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) {
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace

ToolResult RunTool(const std::vector<std::string>& args) {
  // Output goes to files rather than pipes so a chatty child can never block.
  char outName[] = "/tmp/ravelin-out-XXXXXX";
  char errName[] = "/tmp/ravelin-err-XXXXXX";
  const int outFd = mkstemp(outName);
  const int errFd = mkstemp(errName);
  std::vector<std::string> argv{RAVELIN_TOOL_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> raw;
  for (auto& a : argv) {
    raw.push_back(a.data());
  }
  raw.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  ToolResult result;
  if (posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    result.mExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  lseek(outFd, 0, SEEK_SET);
  lseek(errFd, 0, SEEK_SET);
  result.mOut = Slurp(outFd);
  result.mErr = Slurp(errFd);
  close(outFd);
  close(errFd);
  unlink(outName);
  unlink(errName);
  return result;
}

}  // namespace ravelin_tool_test
