#include "client/QvConfig.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/FileIo.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/ProfileReader.h"
#include "platform/win32/TextConvert.h"

namespace {

using KeyTable = std::map<std::u16string, std::u16string>;

// The profile reader's buffer sizes: the names of one text get 2047
// characters, the lines of one section 61439.
constexpr unsigned long kSectionNamesBufferSize = 2048;
constexpr unsigned long kSectionLinesBufferSize = 61440;

constexpr std::uint32_t kStreamHeaderSize = 12;
constexpr std::uint32_t kStreamMagic = 260;
constexpr std::size_t kRecordFieldsSize = 12;

std::uint32_t ReadUint32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void AppendUint32(std::string& out, std::uint32_t value) {
  char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                   static_cast<char>((value >> 16) & 0xFF),
                   static_cast<char>((value >> 24) & 0xFF)};
  out.append(bytes, 4);
}

// Each code unit as four lowercase hex digits, each digit a UTF-16LE unit.
void AppendHexText(std::string& out, const std::u16string& text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::size_t at = out.size();
  out.resize(at + text.size() * 8);
  char* p = out.data() + at;
  for (char16_t unit : text) {
    p[0] = kDigits[(unit >> 12) & 0xF];
    p[1] = 0;
    p[2] = kDigits[(unit >> 8) & 0xF];
    p[3] = 0;
    p[4] = kDigits[(unit >> 4) & 0xF];
    p[5] = 0;
    p[6] = kDigits[unit & 0xF];
    p[7] = 0;
    p += 8;
  }
}

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') {
    return c - u'0';
  }
  if (c >= u'a' && c <= u'f') {
    return c - u'a' + 10;
  }
  if (c >= u'A' && c <= u'F') {
    return c - u'A' + 10;
  }
  return -1;
}

bool IsCSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Reads four units on their own the way wcstol(..., 16) would: leading white
// space, a sign, an optional 0x, then hex digits up to the first other
// character. The low 16 bits of the number are the code unit.
char16_t ParseHexGroup(const char16_t* g) {
  int d0 = HexDigitValue(g[0]);
  int d1 = HexDigitValue(g[1]);
  int d2 = HexDigitValue(g[2]);
  int d3 = HexDigitValue(g[3]);
  if ((d0 | d1 | d2 | d3) >= 0) {
    return static_cast<char16_t>((d0 << 12) | (d1 << 8) | (d2 << 4) | d3);
  }
  int i = 0;
  while (i < 4 && IsCSpace(g[i])) {
    ++i;
  }
  bool negative = false;
  if (i < 4 && (g[i] == u'+' || g[i] == u'-')) {
    negative = g[i] == u'-';
    ++i;
  }
  if (i + 2 < 4 && g[i] == u'0' && (g[i + 1] == u'x' || g[i + 1] == u'X') &&
      HexDigitValue(g[i + 2]) >= 0) {
    i += 2;
  }
  std::uint32_t value = 0;
  while (i < 4 && HexDigitValue(g[i]) >= 0) {
    value = value * 16 + static_cast<std::uint32_t>(HexDigitValue(g[i]));
    ++i;
  }
  if (negative) {
    value = 0u - value;
  }
  return static_cast<char16_t>(value & 0xFFFF);
}

// Decodes a stored text of units code units (UTF-16LE) at p.
std::u16string DecodeStoredText(const unsigned char* p, std::size_t units) {
  std::u16string raw(units, u'\0');
  for (std::size_t i = 0; i < units; ++i) {
    char16_t unit = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    if (unit == 0) {
      raw.resize(i);
      break;
    }
    raw[i] = unit;
  }
  if (raw.size() % 4 != 0) {
    // Not hex text at all: taken as it stands.
    return raw;
  }
  std::u16string decoded(raw.size() / 4, u'\0');
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    decoded[i] = ParseHexGroup(raw.data() + 4 * i);
  }
  return decoded;
}

bool EndsWithQve(const wchar_t* path) {
  std::size_t length = std::wcslen(path);
  if (length < 3) {
    return false;
  }
  const wchar_t* tail = path + length - 3;
  auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? c + (L'a' - L'A') : c; };
  return lower(tail[0]) == L'q' && lower(tail[1]) == L'v' && lower(tail[2]) == L'e';
}

// Adds name to an ordered table unless it is there already (the first one
// stays); makeValue runs only when it is added. Saved streams list names in
// order, so trying the end first makes each insert constant time.
template <typename Table, typename MakeValue>
void EmplaceFirst(Table& table, std::u16string name, MakeValue makeValue) {
  auto hint = table.end();
  if (!table.empty() && !(std::prev(hint)->first < name)) {
    hint = table.lower_bound(name);
  }
  if (hint == table.end() || hint->first != name) {
    table.emplace_hint(hint, std::move(name), makeValue());
  }
}

// Visits the zero-terminated strings of a reader buffer that lie within the
// stored characters.
template <typename Visit>
void ForEachString(const char16_t* buffer, unsigned long stored, Visit visit) {
  const char16_t* p = buffer;
  const char16_t* end = buffer + stored;
  while (p < end) {
    const char16_t* zero = std::find(p, end, u'\0');
    if (zero == end) {
      // Only strings whose zero lies within what was stored count.
      break;
    }
    visit(std::u16string_view(p, static_cast<std::size_t>(zero - p)));
    p = zero + 1;
  }
}

}  // namespace

struct CQvConfig::SectionTable {
  std::map<std::u16string, KeyTable> sections;
};

// Defined here as well so that the library exports it: a Windows DLL exports
// only the static data it emits, and callers that take its address (or bind
// a reference to it) import it from the library.
constexpr unsigned long CQvConfig::kNotFound;

CQvConfig::CQvConfig() = default;

CQvConfig::~CQvConfig() {
  Close();
}

int CQvConfig::OpenFile(const wchar_t* path) {
  if (path == nullptr) {
    return 0;
  }
  try {
    std::u16string target = win32::WideToUtf16(path);
    std::string bytes;
    win32::SystemError error;
    switch (win32::ReadWholeFile(target, bytes, error)) {
      case win32::FileReadStatus::kOk:
        break;
      case win32::FileReadStatus::kOpenFailed:
        // The user sees the system's own number, nothing else.
        win32::ShowMessageBox(nullptr, win32::Utf8ToUtf16(std::to_string(error.number)), u"",
                              win32::kMbOk);
        return 0;
      case win32::FileReadStatus::kEmpty:
      case win32::FileReadStatus::kReadFailed:
        return 0;
    }
    if (EndsWithQve(path)) {
      OpenQuveStream(bytes.data(), static_cast<unsigned long>(bytes.size()));
    } else {
      OpeniniStream(bytes.data(), static_cast<unsigned long>(bytes.size()));
    }
    mPath = std::move(target);
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int CQvConfig::OpeniniStream(const char* data, unsigned long length) {
  if (data == nullptr) {
    length = 0;
  }
  try {
    win32::CProfileText text(data == nullptr ? "" : data, length);
    auto table = std::make_unique<SectionTable>();

    std::vector<char16_t> names(kSectionNamesBufferSize, u'\0');
    unsigned long namesStored = text.GetSectionNames(names.data(), kSectionNamesBufferSize - 1);
    std::vector<char16_t> lines(kSectionLinesBufferSize, u'\0');
    int duplicates = 0;

    ForEachString(names.data(), namesStored, [&](std::u16string_view nameView) {
      std::u16string name(nameView);
      KeyTable keys;
      unsigned long stored =
          text.GetSection(name.c_str(), lines.data(), kSectionLinesBufferSize - 1);
      // Two characters or fewer is at most one one-character line, which
      // cannot hold both a key and its "=".
      if (stored > 2) {
        ForEachString(lines.data(), stored, [&](std::u16string_view line) {
          std::size_t eq = line.find(u'=');
          if (eq == std::u16string_view::npos) {
            keys.emplace(std::u16string(), std::u16string(line));
          } else {
            keys.emplace(std::u16string(line.substr(0, eq)), std::u16string(line.substr(eq + 1)));
          }
        });
      }
      if (!table->sections.emplace(std::move(name), std::move(keys)).second) {
        ++duplicates;
      }
    });
    mSections = std::move(table);
    // Shown after the table is in place, so that a host handler looking at the
    // store sees the loaded content; one box per repeated section.
    for (int i = 0; i < duplicates; ++i) {
      win32::ShowMessageBox(nullptr, u"", u"", win32::kMbOk);
    }
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int CQvConfig::OpenQuveStream(const char* data, unsigned long length) {
  if (data == nullptr || length < kStreamHeaderSize) {
    return 0;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  const std::size_t total = length;
  std::uint32_t sectionCount = ReadUint32(bytes + 4);
  if (sectionCount == 0) {
    return 0;
  }
  // Every record takes at least its fixed fields, so a count that cannot fit
  // is refused before any work is done.
  if (sectionCount > (total - kStreamHeaderSize) / kRecordFieldsSize) {
    return 0;
  }
  try {
    auto table = std::make_unique<SectionTable>();
    std::size_t pos = kStreamHeaderSize;
    // Reads one record's fixed fields and checks that the record lies within
    // the stream and can hold those fields; a smaller size would make the
    // next record overlap this one's fields (and allow endless loops over
    // one record).
    auto readRecord = [&](std::uint32_t& size, std::uint32_t& first, std::uint32_t& second) {
      if (total - pos < kRecordFieldsSize) {
        return false;
      }
      size = ReadUint32(bytes + pos);
      first = ReadUint32(bytes + pos + 4);
      second = ReadUint32(bytes + pos + 8);
      return size >= kRecordFieldsSize && size <= total - pos;
    };
    for (std::uint32_t s = 0; s < sectionCount; ++s) {
      std::uint32_t size = 0;
      std::uint32_t keyCount = 0;
      std::uint32_t nameUnits = 0;
      if (!readRecord(size, keyCount, nameUnits)) {
        return 0;
      }
      if (2ull * nameUnits > total - pos - kRecordFieldsSize) {
        return 0;
      }
      std::u16string name = DecodeStoredText(bytes + pos + kRecordFieldsSize, nameUnits);
      pos += size;
      if (keyCount > (total - pos) / kRecordFieldsSize) {
        return 0;
      }
      KeyTable keys;
      for (std::uint32_t k = 0; k < keyCount; ++k) {
        std::uint32_t recordSize = 0;
        std::uint32_t keyUnits = 0;
        std::uint32_t valueUnits = 0;
        if (!readRecord(recordSize, keyUnits, valueUnits)) {
          return 0;
        }
        if (2ull * keyUnits + 2ull * valueUnits > total - pos - kRecordFieldsSize) {
          return 0;
        }
        const unsigned char* text = bytes + pos + kRecordFieldsSize;
        EmplaceFirst(keys, DecodeStoredText(text, keyUnits),
                     [&] { return DecodeStoredText(text + 2ull * keyUnits, valueUnits); });
        pos += recordSize;
      }
      EmplaceFirst(table->sections, std::move(name), [&] { return std::move(keys); });
    }
    mSections = std::move(table);
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int CQvConfig::Close() {
  mSections.reset();
  mPath.reset();
  return 1;
}

unsigned long CQvConfig::GetKeyVar(const wchar_t* section, const wchar_t* key,
                                   wchar_t** value) const {
  if (section == nullptr || key == nullptr || value == nullptr) {
    return kNotFound;
  }
  if (!mSections || mSections->sections.empty()) {
    return kNotFound;
  }
  auto foundSection = mSections->sections.find(win32::WideToUtf16(section));
  if (foundSection == mSections->sections.end()) {
    return kNotFound;
  }
  auto foundKey = foundSection->second.find(win32::WideToUtf16(key));
  if (foundKey == foundSection->second.end()) {
    return kNotFound;
  }
  std::wstring wide = win32::Utf16ToWide(foundKey->second);
  auto* copy = new wchar_t[wide.size() + 1];
  std::copy(wide.begin(), wide.end(), copy);
  copy[wide.size()] = 0;
  *value = copy;
  return static_cast<unsigned long>(wide.size());
}

int CQvConfig::SetKeyVar(const wchar_t* section, const wchar_t* key, wchar_t* value) {
  if (section == nullptr || key == nullptr || value == nullptr) {
    return 0;
  }
  if (!mSections || mSections->sections.empty()) {
    return 0;
  }
  auto foundSection = mSections->sections.find(win32::WideToUtf16(section));
  if (foundSection == mSections->sections.end()) {
    return 0;
  }
  auto foundKey = foundSection->second.find(win32::WideToUtf16(key));
  if (foundKey == foundSection->second.end()) {
    return 0;
  }
  foundKey->second = win32::WideToUtf16(value);
  return 1;
}

int CQvConfig::Save(CONFIGTYPE /*type*/, const wchar_t* path) const {
  if (!mSections || mSections->sections.empty()) {
    return 0;
  }
  std::u16string target;
  if (path != nullptr) {
    target = win32::WideToUtf16(path);
  } else if (mPath) {
    target = *mPath;
  } else {
    return 0;
  }
  try {
    const auto& sections = mSections->sections;
    std::size_t size = kStreamHeaderSize;
    for (const auto& [name, keys] : sections) {
      size += kRecordFieldsSize + 8 * name.size();
      for (const auto& [key, value] : keys) {
        size += kRecordFieldsSize + 8 * (key.size() + value.size());
      }
    }
    // Every field is 32 bits wide; a table too large for them cannot be
    // written faithfully.
    if (size > 0xFFFFFFFFull) {
      return 0;
    }
    std::string stream;
    stream.reserve(size);
    AppendUint32(stream, kStreamHeaderSize);
    AppendUint32(stream, static_cast<std::uint32_t>(sections.size()));
    AppendUint32(stream, kStreamMagic);
    for (const auto& [name, keys] : sections) {
      AppendUint32(stream, static_cast<std::uint32_t>(kRecordFieldsSize + 8 * name.size()));
      AppendUint32(stream, static_cast<std::uint32_t>(keys.size()));
      AppendUint32(stream, static_cast<std::uint32_t>(4 * name.size()));
      AppendHexText(stream, name);
      for (const auto& [key, value] : keys) {
        AppendUint32(stream, static_cast<std::uint32_t>(kRecordFieldsSize +
                                                        8 * (key.size() + value.size())));
        AppendUint32(stream, static_cast<std::uint32_t>(4 * key.size()));
        AppendUint32(stream, static_cast<std::uint32_t>(4 * value.size()));
        AppendHexText(stream, key);
        AppendHexText(stream, value);
      }
    }
    win32::SystemError error;
    return win32::ReplaceFileContents(target, stream.data(), stream.size(), error) ? 1 : 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int CQvConfig::ReadDataToString(std::wstring& out) const {
  if (!mSections) {
    return 0;
  }
  // Each string is formatted as a C string, so it ends at a zero unit (only
  // a stream can bring one in).
  auto visible = [](const std::u16string& text) {
    return std::u16string_view(text).substr(0, text.find(u'\0'));
  };
  // Room for everything is made first (code units are never fewer than the
  // wchar_t they become), so that out is either fully extended or, when
  // memory runs out, left as it was.
  std::size_t needed = 0;
  for (const auto& [name, keys] : mSections->sections) {
    needed += name.size() + 4;
    for (const auto& [key, value] : keys) {
      needed += key.size() + value.size() + 3;
    }
  }
  try {
    out.reserve(out.size() + needed);
  } catch (const std::exception&) {
    return 0;
  }
  for (const auto& [name, keys] : mSections->sections) {
    out += L'[';
    win32::AppendUtf16AsWide(visible(name), out);
    out += L"]\r\n";
    for (const auto& [key, value] : keys) {
      win32::AppendUtf16AsWide(visible(key), out);
      out += L'=';
      win32::AppendUtf16AsWide(visible(value), out);
      out += L"\r\n";
    }
  }
  return 1;
}

unsigned long CQvConfig::FormatData(wchar_t* /*text*/, unsigned char** /*data*/) {
  return 0;
}

// Defined here as well, so that the library exports them: a Windows program
// that binds a reference to one of these constants imports it from the DLL.
constexpr unsigned long CQvConfig::kNotFound;
