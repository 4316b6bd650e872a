// The main of the test programs that need no set-up of their own.
#include <gtest/gtest.h>

#include "tests/TestRunner.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return ravelin_test::RunAllTests();
}
