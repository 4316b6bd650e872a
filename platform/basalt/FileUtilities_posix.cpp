// CFileUtilities on POSIX systems, through std::filesystem.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/basalt/FileUtilities.h"

CFileUtilities::CFileUtilities() = default;

CFileUtilities::~CFileUtilities() = default;

int CFileUtilities::SimpleFind(std::vector<LongFileName>* found, const AString& folder,
                               const AString& pattern) {
  if (!found) {
    return -1;
  }
  const std::filesystem::path directory(folder.empty() ? std::string(".") : folder.ToUtf8());
  std::error_code error;
  std::filesystem::directory_iterator walk(directory, error);
  if (error) {
    return -1;
  }
  // Windows matches file names ignoring case; so do we.
  const AString foldedPattern = pattern.ToLower();
  std::vector<AString> names;
  for (const std::filesystem::directory_iterator end; walk != end; walk.increment(error)) {
    if (error) {
      break;
    }
    std::error_code typeError;
    if (!walk->is_regular_file(typeError)) {
      continue;
    }
    const std::string raw = walk->path().filename().string();
    const AString name = AString::FromUtf8(raw);
    // A name that is not UTF-8 could not be opened again from its text.
    if (name.ToUtf8() != raw) {
      continue;
    }
    if (name.ToLower().Match(foldedPattern)) {
      names.push_back(name);
    }
  }
  if (error) {
    return -1;
  }
  std::sort(names.begin(), names.end());
  AString prefix = folder;
  if (!prefix.empty() && prefix.back() != L'/' && prefix.back() != L'\\') {
    prefix +=
        prefix.find(L'\\') != AString::npos && prefix.find(L'/') == AString::npos ? L'\\' : L'/';
  }
  for (const AString& name : names) {
    found->emplace_back(prefix + name);
  }
  return static_cast<int>(names.size());
}
