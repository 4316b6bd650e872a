// A host outside the tree: includes headers by their repository paths and
// links the three libraries through the installed package.
#include <cstdio>

#include "platform/basalt/AString.h"

int main() {
  AString name(L"Setup1");
  if (name.CompareNoCase(AString(L"SETUP1")) != 0) {
    std::puts("AString comparison failed");
    return 1;
  }
  std::puts("consumer ok");
  return 0;
}
