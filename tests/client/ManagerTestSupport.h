// Helpers of the manager and resource tests: a scratch client folder holding
// a configuration file and copies of the test modules, and a recorder of the
// message boxes shown meanwhile.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/MessageBox.h"

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

struct ShownBox {
  void* owner;
  std::u16string text;
  std::u16string caption;
  unsigned buttons;
};

// Records every message box shown during its lifetime instead of showing it.
class CBoxRecorder {
 public:
  CBoxRecorder();
  const std::vector<ShownBox>& Boxes() const { return *mBoxes; }

 private:
  std::shared_ptr<std::vector<ShownBox>> mBoxes;
  win32::ScopedMessageBoxHandler mHandler;
};

}  // namespace managertest
