#include "ManagerTestSupport.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>

namespace managertest {

CClientDir::CClientDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ravelin-client-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a scratch folder");
  }
  mPath = pattern;
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
