#include "QvConfigTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace qvtest {

CScratchDir::CScratchDir() {
  // A fresh name each try; creating the folder is what claims it.
  std::random_device seed;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate =
        std::filesystem::temp_directory_path() / ("qvconfig-test-" + std::to_string(seed()));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      mPath = candidate;
      return;
    }
  }
  ADD_FAILURE() << "cannot create a scratch folder";
}

CScratchDir::~CScratchDir() {
  std::error_code ignored;
  std::filesystem::permissions(mPath, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(mPath, ignored);
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

CStreamBuilder& CStreamBuilder::Uint32(unsigned value) {
  for (int i = 0; i < 4; ++i) {
    mBytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
  return *this;
}

CStreamBuilder& CStreamBuilder::Units(const std::u16string& text) {
  for (char16_t unit : text) {
    mBytes.push_back(static_cast<char>(unit & 0xFF));
    mBytes.push_back(static_cast<char>(unit >> 8));
  }
  return *this;
}

CStreamBuilder& CStreamBuilder::Header(unsigned sections) {
  return Uint32(12).Uint32(sections).Uint32(260);
}

CStreamBuilder& CStreamBuilder::Section(const std::u16string& name, unsigned keys) {
  std::u16string hex = Hex(name);
  return Uint32(12 + 2 * static_cast<unsigned>(hex.size()))
      .Uint32(keys)
      .Uint32(static_cast<unsigned>(hex.size()))
      .Units(hex);
}

CStreamBuilder& CStreamBuilder::Key(const std::u16string& key, const std::u16string& value) {
  std::u16string k = Hex(key);
  std::u16string v = Hex(value);
  return Uint32(12 + 2 * static_cast<unsigned>(k.size() + v.size()))
      .Uint32(static_cast<unsigned>(k.size()))
      .Uint32(static_cast<unsigned>(v.size()))
      .Units(k)
      .Units(v);
}

std::u16string Hex(const std::u16string& text) {
  std::u16string out;
  for (char16_t unit : text) {
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(unit));
    out.append(digits, digits + 4);
  }
  return out;
}

std::wstring Render(const CQvConfig& config) {
  std::wstring out;
  EXPECT_EQ(1, config.ReadDataToString(out));
  return out;
}

std::wstring Value(const CQvConfig& config, const wchar_t* section, const wchar_t* key) {
  wchar_t* value = nullptr;
  unsigned long length = config.GetKeyVar(section, key, &value);
  if (length == CQvConfig::kNotFound) {
    EXPECT_EQ(nullptr, value);
    return L"<none>";
  }
  std::wstring result(value);
  EXPECT_EQ(result.size(), length);
  delete[] value;
  return result;
}

}  // namespace qvtest
