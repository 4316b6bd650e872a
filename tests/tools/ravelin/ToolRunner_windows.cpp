// RunTool on Windows: CreateProcessW with the output in temporary files, the
// arguments quoted as the C runtime splits a command line.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/RetriedStart_windows.h"
#include "tests/TempFolder.h"
#include "tests/tools/ravelin/ToolRunner.h"

namespace ravelin_tool_test {

namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) {
    return {};
  }
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

// One argument as CommandLineToArgvW and the C runtime read it back: quoted,
// with backslashes doubled only before a quote.
std::wstring Quote(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  quoted += L'"';
  return quoted;
}

HANDLE InheritableFile(const std::filesystem::path& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Read in text mode, as the tool wrote it: its line ends come back as '\n'.
std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// One run of the tool; false when the child could not be started at all (the reason in
// mErr), which is not the tool's answer.
bool RunToolOnce(const std::vector<std::string>& args, ToolResult& result) {
  // Output goes to files rather than pipes so a chatty child can never block.
  const std::filesystem::path folder = ravelin_test::MakeTempFolder("ravelin-run-");
  const std::filesystem::path outPath = folder / "out";
  const std::filesystem::path errPath = folder / "err";
  std::wstring commandLine = Quote(Wide(RAVELIN_TOOL_PATH));
  for (const std::string& argument : args) {
    commandLine += L' ' + Quote(Wide(argument));
  }

  bool started = false;
  DWORD startError = 0;
  HANDLE out = InheritableFile(outPath, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = InheritableFile(errPath, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE in = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  if (out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
      CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &startup, &process)) {
    started = true;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.mExitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    startError = GetLastError();
  }
  for (HANDLE handle : {out, err, in}) {
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
    }
  }
  result.mOut = Slurp(outPath);
  result.mErr = Slurp(errPath);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  if (!started) {
    result.mStartError = startError;
    result.mErr += "the tool could not be started: system error " + std::to_string(startError);
  }
  return started;
}

}  // namespace

ToolResult RunTool(const std::vector<std::string>& args) {
  // Under an emulator, starting a process now and then fails while another test process
  // starts; a start that did not happen is tried again (and counted), never a run that did.
  ToolResult result;
  for (int attempt = 1; attempt <= 3; ++attempt) {
    result = ToolResult{};
    if (RunToolOnce(args, result)) {
      break;
    }
    if (attempt < 3) {
      ravelin_test::NoteRetriedStart("ravelin", result.mStartError, attempt);
      Sleep(200);
    }
  }
  return result;
}

}  // namespace ravelin_tool_test
