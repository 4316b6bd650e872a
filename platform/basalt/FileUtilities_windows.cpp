// CFileUtilities on Windows, through FindFirstFileW and FindNextFileW.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/basalt/FileUtilities.h"

namespace {

// Closes a search on every path out.
class CFindHandle {
 public:
  explicit CFindHandle(HANDLE handle) : mHandle(handle) {}
  ~CFindHandle() {
    if (mHandle != INVALID_HANDLE_VALUE) {
      ::FindClose(mHandle);
    }
  }
  CFindHandle(const CFindHandle&) = delete;
  CFindHandle& operator=(const CFindHandle&) = delete;
  HANDLE Get() const { return mHandle; }
  bool IsValid() const { return mHandle != INVALID_HANDLE_VALUE; }

 private:
  HANDLE mHandle;
};

// Folders and devices are not files; a link to a file is one.
bool IsFile(const WIN32_FIND_DATAW& data) {
  return (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace

CFileUtilities::CFileUtilities() = default;

CFileUtilities::~CFileUtilities() = default;

int CFileUtilities::SimpleFind(std::vector<LongFileName>* found, const AString& folder,
                               const AString& pattern) {
  if (!found) {
    return -1;
  }
  AString prefix = folder;
  if (!prefix.empty() && prefix.back() != L'/' && prefix.back() != L'\\') {
    prefix +=
        prefix.find(L'/') != AString::npos && prefix.find(L'\\') == AString::npos ? L'/' : L'\\';
  }
  // The system's own wildcards differ from ours ("*.htm" also finds ".html"
  // through short names), so ask for every entry and match here.
  const AString query = (prefix.empty() ? AString(L".\\") : prefix) + L"*";
  WIN32_FIND_DATAW data{};
  CFindHandle search(
      ::FindFirstFileExW(query.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (!search.IsValid()) {
    // An empty folder still holds "." and "..", so only a folder that cannot
    // be read ends here, unless the system says plainly there is nothing.
    return ::GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : -1;
  }
  // Windows matches file names ignoring case; so do we.
  const AString foldedPattern = pattern.ToLower();
  std::vector<AString> names;
  do {
    if (!IsFile(data)) {
      continue;
    }
    const AString name(data.cFileName);
    if (name.ToLower().Match(foldedPattern)) {
      names.push_back(name);
    }
  } while (::FindNextFileW(search.Get(), &data));
  if (::GetLastError() != ERROR_NO_MORE_FILES) {
    return -1;
  }
  std::sort(names.begin(), names.end());
  for (const AString& name : names) {
    found->emplace_back(prefix + name);
  }
  return static_cast<int>(names.size());
}
