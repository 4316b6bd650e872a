// File helpers of the ravelin tool: text conversion at the command-line
// boundary (arguments and output are UTF-8, the libraries take wide text) and
// writing a whole file so that a failure leaves what was there untouched.
#pragma once

#include <string>

namespace ravelin_tool {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

// True when `path` ends in `suffix`, ignoring ASCII letter case.
bool EndsWithNoCase(const std::string& path, const std::string& suffix);

// Replaces `path` with `bytes` all or nothing (through the platform's file
// replacement, as the configuration store saves). Throws ToolError on failure.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

// Throws ToolError unless `path` names an existing regular file.
void RequireFile(const std::string& path);

}  // namespace ravelin_tool
