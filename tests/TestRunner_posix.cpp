#include <gtest/gtest.h>

#include "tests/TestRunner.h"

namespace ravelin_test {

int RunAllTests() {
  return RUN_ALL_TESTS();
}

}  // namespace ravelin_test
