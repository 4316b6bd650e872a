#include "platform/basalt/LongFileName.h"

#include <cwctype>

namespace {

bool IsSeparator(wchar_t ch) {
  return ch == L'/' || ch == L'\\';
}

bool IsAsciiLetter(wchar_t ch) {
  return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
}

enum RootKind {
  kNoRoot,         // "a/b"
  kDriveRelative,  // "C:a"
  kDriveRoot,      // "C:/a"
  kCurrentRoot,    // "/a"
  kNetworkRoot     // "\\server\share\a"
};

// A path split into its root and its names, as Windows reads it.
struct ParsedPath {
  RootKind mKind = kNoRoot;
  std::size_t mRootLength = 0;  // characters of the text the root takes
  std::vector<AString> mNames;
};

ParsedPath Parse(const AString& text) {
  ParsedPath parsed;
  const std::size_t n = text.size();
  if (n >= 2 && text[1] == L':' && IsAsciiLetter(text[0])) {
    const bool rooted = n >= 3 && IsSeparator(text[2]);
    parsed.mKind = rooted ? kDriveRoot : kDriveRelative;
    parsed.mRootLength = rooted ? 3 : 2;
  } else if (n >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
    // The root of a network path is the share: "\\server\share".
    parsed.mKind = kNetworkRoot;
    std::size_t pos = 2;
    for (int part = 0; part < 2 && pos < n; ++part) {
      while (pos < n && !IsSeparator(text[pos])) {
        ++pos;
      }
      if (part == 0 && pos < n) {
        ++pos;
      }
    }
    parsed.mRootLength = pos;
  } else if (n >= 1 && IsSeparator(text[0])) {
    parsed.mKind = kCurrentRoot;
    parsed.mRootLength = 1;
  }
  std::size_t start = parsed.mRootLength;
  while (start < n) {
    std::size_t stop = start;
    while (stop < n && !IsSeparator(text[stop])) {
      ++stop;
    }
    if (stop > start) {
      parsed.mNames.emplace_back(text.substr(start, stop - start));
    }
    start = stop + 1;
  }
  return parsed;
}

bool HasDotNames(const ParsedPath& parsed) {
  for (const AString& name : parsed.mNames) {
    if (name == L"." || name == L"..") {
      return true;
    }
  }
  return false;
}

// Drops "." names and takes ".." back against the name before it. Above a
// root ".." stays where it is: nothing is above "C:/", while "C:.." and
// "../a" still mean something.
std::vector<AString> CollapseNames(const ParsedPath& parsed) {
  const bool hasFixedRoot =
      parsed.mKind == kDriveRoot || parsed.mKind == kCurrentRoot || parsed.mKind == kNetworkRoot;
  std::vector<AString> names;
  for (const AString& name : parsed.mNames) {
    if (name == L".") {
      continue;
    }
    if (name == L"..") {
      if (!names.empty() && names.back() != L"..") {
        names.pop_back();
      } else if (!hasFixedRoot) {
        names.push_back(name);
      }
      continue;
    }
    names.push_back(name);
  }
  return names;
}

wchar_t PreferredSeparator(const AString& text) {
  return text.find(L'\\') != AString::npos && text.find(L'/') == AString::npos ? L'\\' : L'/';
}

// The root as written, followed by the names joined with `separator`.
AString Rebuild(const AString& text, const ParsedPath& parsed, const std::vector<AString>& names,
                wchar_t separator) {
  AString result(text.substr(0, parsed.mRootLength));
  bool needSeparator =
      parsed.mKind == kNetworkRoot && !result.empty() && !IsSeparator(result.back());
  for (const AString& name : names) {
    if (needSeparator) {
      result += separator;
    }
    result += name;
    needSeparator = true;
  }
  return result;
}

bool IsWindowsStyle(const AString& text, const ParsedPath& parsed) {
  return parsed.mKind == kDriveRelative || parsed.mKind == kDriveRoot ||
         parsed.mKind == kNetworkRoot || text.find(L'\\') != AString::npos;
}

AString Normalize(const AString& text, const ParsedPath& parsed) {
  AString root;
  switch (parsed.mKind) {
    case kNoRoot:
      break;
    case kDriveRelative:
      root = AString(1, static_cast<wchar_t>(std::towupper(text[0]))) + L":";
      break;
    case kDriveRoot:
      root = AString(1, static_cast<wchar_t>(std::towupper(text[0]))) + L":/";
      break;
    case kCurrentRoot:
      root = L"/";
      break;
    case kNetworkRoot:
      root = L"//";
      for (std::size_t i = 2; i < parsed.mRootLength; ++i) {
        root += IsSeparator(text[i]) ? L'/' : text[i];
      }
      break;
  }
  AString result = root;
  bool needSeparator = parsed.mKind == kNetworkRoot;
  for (const AString& name : CollapseNames(parsed)) {
    if (needSeparator) {
      result += L'/';
    }
    result += name;
    needSeparator = true;
  }
  return result;
}

// Where the extension's dot sits in a file name; npos when it has none. "",
// "." and ".." have none, nor has a name whose only dot leads it (".profile").
std::size_t ExtensionDot(const AString& name) {
  if (name.find_first_not_of(L'.') == AString::npos) {
    return AString::npos;
  }
  const std::size_t dot = name.rfind(L'.');
  return dot == 0 ? AString::npos : dot;
}

}  // namespace

LongFileName::LongFileName(const AString& path) : mPath(path) {}

bool LongFileName::operator==(const LongFileName& other) const {
  const ParsedPath mine = Parse(mPath);
  const ParsedPath theirs = Parse(other.mPath);
  const AString a = Normalize(mPath, mine);
  const AString b = Normalize(other.mPath, theirs);
  if (IsWindowsStyle(mPath, mine) || IsWindowsStyle(other.mPath, theirs)) {
    return a.CompareNoCase(b) == 0;
  }
  return a == b;
}

AString LongFileName::Name() const {
  const ParsedPath parsed = Parse(mPath);
  return parsed.mNames.empty() ? AString() : parsed.mNames.back();
}

AString LongFileName::NameWOExt() const {
  const AString name = Name();
  const std::size_t dot = ExtensionDot(name);
  return dot == AString::npos ? name : AString(name.substr(0, dot));
}

AString LongFileName::Extension() const {
  const AString name = Name();
  const std::size_t dot = ExtensionDot(name);
  return dot == AString::npos ? AString() : AString(name.substr(dot + 1));
}

void LongFileName::Reset(const AString& name, const AString& directory) {
  if (Parse(name).mKind != kNoRoot) {
    mPath = name;
    return;
  }
  const wchar_t separator = PreferredSeparator(directory);
  AString joined = directory;
  if (!joined.empty() && !IsSeparator(joined.back()) &&
      !(Parse(joined).mKind == kDriveRelative && joined.size() == 2)) {
    joined += separator;
  }
  joined += name;
  const ParsedPath parsed = Parse(joined);
  mPath = HasDotNames(parsed) ? Rebuild(joined, parsed, CollapseNames(parsed), separator) : joined;
}

bool LongFileName::IsAbsolute() const {
  const RootKind kind = Parse(mPath).mKind;
  return kind == kDriveRoot || kind == kNetworkRoot;
}

bool LongFileName::IsRoot() const {
  return Parse(mPath).mNames.empty();
}

AString LongFileName::GetNormalizedPath() const {
  return Normalize(mPath, Parse(mPath));
}

LongFileName LFN_GetContainingDirectory(const LongFileName& file) {
  AString text = file.FilePath();
  ParsedPath parsed = Parse(text);
  if (HasDotNames(parsed)) {
    text = Rebuild(text, parsed, CollapseNames(parsed), PreferredSeparator(text));
    parsed = Parse(text);
  }
  if (parsed.mNames.empty() || (parsed.mNames.back() == L".." && parsed.mKind != kDriveRoot)) {
    // A root, or a relative path that only climbs: nothing to take away.
    return LongFileName(text);
  }
  std::size_t end = text.size();
  while (end > parsed.mRootLength && IsSeparator(text[end - 1])) {
    --end;
  }
  while (end > parsed.mRootLength && !IsSeparator(text[end - 1])) {
    --end;
  }
  while (end > parsed.mRootLength && IsSeparator(text[end - 1])) {
    --end;
  }
  return LongFileName(AString(text.substr(0, end)));
}
