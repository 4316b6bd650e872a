// Helpers of the manager and resource tests: a scratch client folder holding
// a configuration file and copies of the test modules (message boxes are
// caught by BoxRecorder.h).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "BoxRecorder.h"

namespace managertest {

// A fresh folder under the system's temporary folder, removed with its
// content when the object goes.
class CClientDir {
 public:
  CClientDir();
  ~CClientDir();
  CClientDir(const CClientDir&) = delete;
  CClientDir& operator=(const CClientDir&) = delete;

  const std::filesystem::path& Path() const { return mPath; }
  std::wstring Wide() const { return mPath.wstring(); }
  void WriteFile(const std::string& name, const std::string& bytes) const;
  // Copies a built module into the folder under `name`.
  void AddModule(const char* builtPath, const std::string& name) const;

 private:
  std::filesystem::path mPath;
};

}  // namespace managertest
