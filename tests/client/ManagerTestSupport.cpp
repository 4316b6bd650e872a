#include "ManagerTestSupport.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace managertest {

CClientDir::CClientDir() {
  // A fresh name each try; creating the folder is what claims it.
  std::random_device seed;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate =
        std::filesystem::temp_directory_path() / ("ravelin-client-" + std::to_string(seed()));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      mPath = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a scratch folder");
}

CClientDir::~CClientDir() {
  std::error_code error;
  std::filesystem::remove_all(mPath, error);
}

void CClientDir::WriteFile(const std::string& name, const std::string& bytes) const {
  std::ofstream out(mPath / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + name);
  }
}

void CClientDir::AddModule(const char* builtPath, const std::string& name) const {
  std::filesystem::copy_file(builtPath, mPath / name,
                             std::filesystem::copy_options::overwrite_existing);
}

}  // namespace managertest
