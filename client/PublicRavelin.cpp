#include "client/PublicRavelin.h"

#include <memory>
#include <string>

#include "client/QvConfig.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Module.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/TextConvert.h"

namespace {

constexpr char kCreateManagerEntry[] = "CreateManager";
constexpr char16_t kMessageCaption[] = u"Mimo";

// Ends an object that will never reach the host, the way UnPublicManager
// would, so that it does not outlive the module that holds its code.
void DiscardManager(CPublicRavelin* manager) noexcept {
  try {
    manager->Shutdown();
  } catch (...) {
  }
  try {
    manager->Release();
  } catch (...) {
  }
}

// `module` receives the module's load as soon as there is one; on success the
// load has moved on to the object.
CPublicRavelin* CreateManagerObject(const wchar_t* directory, const wchar_t* fileName,
                                    const wchar_t* section, std::uint32_t passThrough1,
                                    win32::WindowHandle owner, std::uint32_t passThrough2,
                                    win32::ScopedModule& module) {
  const std::wstring folder(directory);
  if (folder.empty()) {
    return nullptr;
  }
  const wchar_t separator = win32::GetPathSeparator();

  std::wstring configPath = folder;
  if (configPath.back() != separator) {
    configPath += separator;
  }
  configPath += fileName;

  CQvConfig config;
  // A file that cannot be opened has been reported by the store itself; the
  // lookup below then finds nothing.
  config.OpenFile(configPath.c_str());

  wchar_t* rawValue = nullptr;
  if (config.GetKeyVar(section, L"patch", &rawValue) == CQvConfig::kNotFound) {
    config.Close();
    return nullptr;
  }
  std::unique_ptr<wchar_t[]> value(rawValue);

  // One separator always, also after a directory that ends in one.
  std::wstring modulePath = folder;
  modulePath += separator;
  modulePath += value.get();
  module.Reset(win32::LoadModule(modulePath.c_str()));
  value.reset();
  if (module.Get() == nullptr) {
    // The loader's own words: on Windows the system's text for GetLastError,
    // as GetLastErrText gives it, elsewhere what the loader said.
    const std::wstring text = win32::GetLastModuleErrorText();
    win32::ShowMessageBox(owner, win32::WideToUtf16(text.c_str(), text.size()), kMessageCaption,
                          win32::kMbOk);
    return nullptr;
  }

  auto create = reinterpret_cast<CreateManagerFunction>(
      win32::GetModuleEntry(module.Get(), kCreateManagerEntry));
  if (create == nullptr) {
    return nullptr;
  }
  CPublicRavelin* manager = create(directory, passThrough1, passThrough2);
  if (manager == nullptr) {
    return nullptr;
  }
  try {
    manager->SetModule(module.Get());
    manager->SetSection(section);
    manager->SetOwner(owner);
    manager->Update();
  } catch (...) {
    DiscardManager(manager);
    throw;
  }
  // The load now travels with the object until UnPublicManager.
  module.Detach();
  return manager;
}

}  // namespace

CPublicRavelin::~CPublicRavelin() = default;

std::wstring CPublicRavelin::GetLastErrText(std::uint32_t code) {
  return win32::FormatSystemMessage(code);
}

extern "C" {

CPublicRavelin* CreatePublicManager(const wchar_t* directory, const wchar_t* fileName,
                                    const wchar_t* section, std::uint32_t passThrough1,
                                    win32::WindowHandle owner, std::uint32_t passThrough2) {
  if (directory == nullptr || fileName == nullptr) {
    return nullptr;
  }
  // Outlives the handler below: an exception thrown by the manager module may
  // need that module's code to be destroyed, so the module goes only after it.
  win32::ScopedModule module;
  try {
    return CreateManagerObject(directory, fileName, section, passThrough1, owner, passThrough2,
                               module);
  } catch (...) {
    return nullptr;
  }
}

void UnPublicManager(CPublicRavelin* manager) {
  if (manager == nullptr) {
    return;
  }
  // Taken first: after Release the object is gone.
  const win32::ModuleHandle module = manager->GetModule();
  // Release runs even when Shutdown fails, and the module is unloaded even when
  // either fails: the host has given the object up either way.
  DiscardManager(manager);
  if (module != nullptr) {
    win32::UnloadModule(module);
  }
}

int TranslateMimoMessage(void* message, CPublicRavelin* manager) {
  if (message == nullptr || manager == nullptr) {
    return 0;
  }
  try {
    return manager->HandleMessage(message);
  } catch (...) {
    return 0;
  }
}

int UpDataManager(CPublicRavelin* manager) {
  if (manager == nullptr) {
    return 0;
  }
  try {
    return manager->Update();
  } catch (...) {
    return 0;
  }
}

}  // extern "C"
