#include "fuzz/ConfigFuzzSupport.h"

#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/win32/MessageBox.h"

namespace fuzz {
namespace {

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

void SilenceMessageBoxes() {
  static const bool installed = [] {
    win32::InstallMessageBoxHandler(
        [](void*, const std::u16string&, const std::u16string&, unsigned) { return win32::kIdOk; });
    return true;
  }();
  (void)installed;
}

void CheckSaveRoundTrip(const CQvConfig& config) {
  std::wstring text;
  Require(config.ReadDataToString(text) == 1, "a loaded table does not render");

  const std::filesystem::path first = ScratchFolder() / "first.qve";
  const std::filesystem::path second = ScratchFolder() / "second.qve";
  std::filesystem::remove(first);
  std::filesystem::remove(second);
  int saved = config.Save(CQvConfig::CONFIGTYPE_QVE, first.wstring().c_str());
  if (text.empty()) {
    // Nothing to save: no section at all.
    Require(saved == 0, "an empty table was saved");
    Require(!std::filesystem::exists(first), "saving an empty table made a file");
    return;
  }
  Require(saved == 1, "a loaded table does not save");

  CQvConfig reloaded;
  Require(reloaded.OpenFile(first.wstring().c_str()) == 1, "a saved file does not open");
  std::wstring reloadedText;
  Require(reloaded.ReadDataToString(reloadedText) == 1, "a reloaded table does not render");
  Require(reloadedText == text, "a saved table reloads differently");
  Require(reloaded.Save(CQvConfig::CONFIGTYPE_INI, second.wstring().c_str()) == 1,
          "a reloaded table does not save");
  Require(ReadBytes(first) == ReadBytes(second), "saving a reloaded table gives other bytes");
}

}  // namespace fuzz
