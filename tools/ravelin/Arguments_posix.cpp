#include "tools/ravelin/Arguments.h"

namespace ravelin_tool {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace ravelin_tool
