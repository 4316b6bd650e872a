// How the test programs run their tests: every program's main (TestMain.cpp, or its own) calls
// RunAllTests after InitGoogleTest instead of RUN_ALL_TESTS, so that each platform can run them
// the way its processes need.
//
// On Windows GoogleTest keeps its per-thread values (the SCOPED_TRACE stack, the reporter of
// a thread's results) with a watcher thread per thread that made one, which waits for that thread
// to end. A watcher of the main thread would still be waiting when the program ends, and 32-bit
// wine now and then crashes in its own code (SIGSEGV, no Windows exception) when a process ends
// beside a thread blocked in a wait. So there the tests run on a thread of their own, whose
// watcher ends with it, and the program ends alone.
//
// Thread-safety: call once, from main.
#pragma once

namespace ravelin_test {

// Runs every selected test, as RUN_ALL_TESTS does; returns its result.
int RunAllTests();

}  // namespace ravelin_test
