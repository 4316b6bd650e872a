// ToolError: a failure the ravelin tool reports as one line on standard error
// before it exits with a non-zero code. Commands throw it (or let the
// libraries' own exception types through, which main also turns into one
// line) and check their inputs before they change anything on disk.
#pragma once

#include <stdexcept>
#include <string>

namespace ravelin_tool {

class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace ravelin_tool
