// Helpers shared by the fuzz targets: a check that stops the run loudly (so
// that libFuzzer and the replay test both record the input as a finding), and
// a scratch folder for targets that write files.
//
// The scratch folder is made once per process and removed when it exits.
// Fuzz targets run on one thread; nothing here takes a lock.
#pragma once

#include <filesystem>

namespace fuzz {

// Reports what failed and aborts when condition is false.
void Require(bool condition, const char* what);

// A folder of this process's own, made on first use.
const std::filesystem::path& ScratchFolder();

}  // namespace fuzz
