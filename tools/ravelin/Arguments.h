// Utf8Arguments: the tool's command-line arguments in UTF-8 on every platform,
// since room names, passwords and file names may be any text.
//
// On POSIX systems they are argv's bytes as given. On Windows argv is in the
// ANSI code page, which cannot hold every character, so the arguments are
// taken again from the UTF-16 command line. The result is the caller's; call
// from main's thread.
#pragma once

#include <string>
#include <vector>

namespace ravelin_tool {

std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace ravelin_tool
