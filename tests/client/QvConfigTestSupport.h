// Helpers shared by the configuration store tests: scratch folders, file
// access and packed-stream building (message boxes are caught by
// BoxRecorder.h).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "BoxRecorder.h"
#include "client/QvConfig.h"

namespace qvtest {

// A fresh folder under the system's temporary folder, removed with its
// content when the object goes.
class CScratchDir {
 public:
  CScratchDir();
  ~CScratchDir();
  CScratchDir(const CScratchDir&) = delete;
  CScratchDir& operator=(const CScratchDir&) = delete;
  const std::filesystem::path& Path() const { return mPath; }
  std::filesystem::path operator/(const std::string& name) const { return mPath / name; }

 private:
  std::filesystem::path mPath;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Builds packed streams byte by byte, independently of the store's writer.
class CStreamBuilder {
 public:
  CStreamBuilder& Uint32(unsigned value);
  // Stores text as UTF-16LE units as they are (callers pass hex or literal).
  CStreamBuilder& Units(const std::u16string& text);
  CStreamBuilder& Header(unsigned sections);
  // A section or key record of hex text produced from the given plain text.
  CStreamBuilder& Section(const std::u16string& name, unsigned keys);
  CStreamBuilder& Key(const std::u16string& key, const std::u16string& value);
  const std::string& Bytes() const { return mBytes; }

 private:
  std::string mBytes;
};

std::u16string Hex(const std::u16string& text);

// The table rendered as INI text.
std::wstring Render(const CQvConfig& config);

// The value of a key, or "<none>" when GetKeyVar finds nothing.
std::wstring Value(const CQvConfig& config, const wchar_t* section, const wchar_t* key);

}  // namespace qvtest
