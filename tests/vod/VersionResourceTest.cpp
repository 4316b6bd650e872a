// The resources of the server DLL, compiled from its resource script: the embedded type library
// and the version information that hosts and registration tools read.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "vod/RavelinTypeLibrary.h"

namespace vod {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Resource {
  std::string mType;  // "#16" for an ordinal type, else the name
  std::string mName;
  std::uint16_t mLanguage = 0;
  Bytes mData;
};

std::uint16_t Word(const Bytes& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

std::uint32_t Dword(const Bytes& bytes, std::size_t at) {
  return Word(bytes, at) | (static_cast<std::uint32_t>(Word(bytes, at + 2)) << 16);
}

// A NUL-terminated UTF-16 text of ASCII characters; `at` moves past the terminator.
std::string Text16(const Bytes& bytes, std::size_t& at) {
  std::string text;
  for (std::uint16_t c = Word(bytes, at); c != 0; c = Word(bytes, at)) {
    text += static_cast<char>(c);
    at += 2;
  }
  at += 2;
  return text;
}

std::string TypeOrName(const Bytes& bytes, std::size_t& at) {
  if (Word(bytes, at) == 0xFFFF) {
    const std::uint16_t ordinal = Word(bytes, at + 2);
    at += 4;
    return "#" + std::to_string(ordinal);
  }
  return Text16(bytes, at);
}

std::size_t Align4(std::size_t at) {
  return (at + 3) & ~std::size_t{3};
}

// The entries of a compiled .res file (the first, empty entry is the file's signature).
std::vector<Resource> ReadResources(const Bytes& file) {
  std::vector<Resource> resources;
  for (std::size_t at = 0; at + 32 <= file.size();) {
    const std::uint32_t dataSize = Dword(file, at);
    const std::uint32_t headerSize = Dword(file, at + 4);
    std::size_t field = at + 8;
    Resource resource;
    resource.mType = TypeOrName(file, field);
    resource.mName = TypeOrName(file, field);
    field = Align4(field);
    resource.mLanguage = Word(file, field + 6);
    const std::size_t data = at + headerSize;
    resource.mData.assign(file.begin() + static_cast<std::ptrdiff_t>(data),
                          file.begin() + static_cast<std::ptrdiff_t>(data + dataSize));
    if (dataSize > 0) {
      resources.push_back(std::move(resource));
    }
    at = Align4(data + dataSize);
  }
  return resources;
}

// The String values of a VS_VERSIONINFO tree, keyed by their path ("StringFileInfo/080404B0/
// FileVersion"), and the Translation pairs.
void ReadVersionNode(const Bytes& bytes, std::size_t at, const std::string& parent,
                     std::map<std::string, std::string>& values) {
  const std::uint16_t length = Word(bytes, at);
  const std::uint16_t valueLength = Word(bytes, at + 2);
  const std::uint16_t type = Word(bytes, at + 4);
  std::size_t field = at + 6;
  const std::string key = Text16(bytes, field);
  const std::string path = parent.empty() ? key : parent + "/" + key;
  field = Align4(field);
  if (type == 1) {
    std::size_t text = field;
    values[path] = valueLength > 0 ? Text16(bytes, text) : "";
    field += valueLength * 2u;
  } else if (key == "Translation") {
    values[path] =
        std::to_string(Word(bytes, field)) + "," + std::to_string(Word(bytes, field + 2));
    field += valueLength;
  } else {
    field += valueLength;
  }
  for (field = Align4(field); field < at + length; field = Align4(field + Word(bytes, field))) {
    ReadVersionNode(bytes, field, path, values);
  }
}

// The numeric file and product versions of a VS_VERSIONINFO tree (its VS_FIXEDFILEINFO), as
// "major.minor.build.revision".
std::pair<std::string, std::string> FixedVersions(const Bytes& bytes) {
  std::size_t field = 6;
  Text16(bytes, field);
  field = Align4(field);
  if (Word(bytes, 2) < 52 || Dword(bytes, field) != 0xFEEF04BDu) {
    return {};
  }
  auto version = [&](std::size_t at) {
    const std::uint32_t high = Dword(bytes, at);
    const std::uint32_t low = Dword(bytes, at + 4);
    return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." +
           std::to_string(low >> 16) + "." + std::to_string(low & 0xFFFF);
  };
  return {version(field + 8), version(field + 16)};
}

#ifdef RAVELIN_VOD_RES
constexpr const char* kCompiledResources = RAVELIN_VOD_RES;
#else
constexpr const char* kCompiledResources = "";
#endif

TEST(VersionResourceTest, ServerCarriesItsTypeLibraryAndVersionInformation) {
  if (*kCompiledResources == '\0') {
    GTEST_SKIP() << "no resource compiler: the resource script was not compiled";
  }
  std::ifstream in(kCompiledResources, std::ios::binary);
  ASSERT_TRUE(in) << kCompiledResources;
  const Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::vector<Resource> resources = ReadResources(file);

  const Resource* typeLibrary = nullptr;
  const Resource* version = nullptr;
  for (const Resource& resource : resources) {
    if (resource.mType == "TYPELIB" && resource.mName == "#1") {
      typeLibrary = &resource;
    } else if (resource.mType == "#16" && resource.mName == "#1") {
      version = &resource;
    }
  }
  ASSERT_TRUE(typeLibrary) << "type library resource TYPELIB 1";
  const auto embedded = GetRavelinTypeLibrary();
  EXPECT_EQ(typeLibrary->mData, Bytes(embedded.begin(), embedded.end()));

  ASSERT_TRUE(version) << "version resource";
  std::map<std::string, std::string> values;
  ReadVersionNode(version->mData, 0, "", values);
  const std::string strings = "VS_VERSION_INFO/StringFileInfo/080404B0/";
  EXPECT_EQ(values[strings + "FileVersion"], "1.00");
  EXPECT_EQ(values[strings + "ProductVersion"], "1.00");
  EXPECT_EQ(values[strings + "ProductName"], "Ravelin");
  EXPECT_EQ(values[strings + "InternalName"], "Ravelin");
  EXPECT_EQ(values.count(strings + "OLESelfRegister"), 1u);
  // Chinese (PRC) with the Unicode code page.
  EXPECT_EQ(values["VS_VERSION_INFO/VarFileInfo/Translation"], "2052,1200");
  // Installers compare the numeric versions, which follow the project's.
  const auto [fileVersion, productVersion] = FixedVersions(version->mData);
  EXPECT_EQ(fileVersion, std::string(RAVELIN_PROJECT_VERSION) + ".0");
  EXPECT_EQ(productVersion, std::string(RAVELIN_PROJECT_VERSION) + ".0");
}

}  // namespace
}  // namespace vod
