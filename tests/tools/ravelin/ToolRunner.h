// Runs the built ravelin executable for end-to-end tests and captures its
// exit code, standard output and standard error; plus a scratch folder that
// removes itself.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ravelin_tool_test {

struct ToolResult {
  int mExitCode = -1;
  std::string mOut;
  std::string mErr;
  // The system's reason when the tool could not be started at all (Windows only), else 0.
  unsigned long mStartError = 0;
};

ToolResult RunTool(const std::vector<std::string>& args);

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string Path(const std::string& name) const { return (mPath / name).string(); }

 private:
  std::filesystem::path mPath;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Number of lines in `text` (a last line without a line end counts).
int CountLines(const std::string& text);

}  // namespace ravelin_tool_test
