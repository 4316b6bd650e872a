// Portable: the reader is plain text processing and serves every platform.
#include "platform/win32/ProfileReader.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/casefold/CaseFold.h"
#include "platform/win32/TextConvert.h"

namespace win32 {

struct CProfileText::Parsed {
  // A section's lines are kept as the span of text between its header and
  // the next one and are only split when asked for: most sections of a long
  // text are never asked for, as the name list is limited.
  struct Section {
    std::size_t nameBegin;
    std::size_t nameLength;
    std::size_t bodyBegin;
    std::size_t bodyEnd;
  };

  std::u16string text;
  std::vector<Section> sections;
  // Upper-cased name (the tree's case-blind form) to the first section of that name.
  std::unordered_map<std::u16string, std::size_t> index;

  // Every name that differs from another only in case gets the lines of the
  // same section; what was written for a section is kept so that such
  // names do not scan its lines again (a long run of comment lines would
  // otherwise be scanned once per name).
  struct Written {
    unsigned long size;
    unsigned long result;
    std::u16string chars;
  };
  std::mutex writtenMutex;
  std::unordered_map<std::size_t, Written> written;
};

namespace {

bool IsProfileSpace(char16_t c) {
  if (c <= 0x20) {
    // ^Z counts as white space: old editors ended files with it.
    return c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0x1A;
  }
  if (c < 0x85) {
    return false;
  }
  return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
         c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Narrows [begin, end) of t to leave out white space at either end.
void TrimProfileSpace(const char16_t* t, std::size_t& begin, std::size_t& end) {
  while (begin < end && IsProfileSpace(t[begin])) {
    ++begin;
  }
  while (end > begin && IsProfileSpace(t[end - 1])) {
    --end;
  }
}

// A string ends at its first NUL, as the C strings of the profile API do.
std::size_t CutAtNul(const char16_t* p, std::size_t length) {
  const char16_t* end = std::find(p, p + length, u'\0');
  return static_cast<std::size_t>(end - p);
}

// Finds the end of the line starting at pos and moves pos past its line end
// (CR, LF or CR LF).
std::size_t NextLine(const char16_t* t, std::size_t n, std::size_t& pos) {
  std::size_t end = pos;
  while (end < n && t[end] != u'\n' && t[end] != u'\r') {
    ++end;
  }
  pos = end + 1;
  if (end + 1 < n && t[end] == u'\r' && t[end + 1] == u'\n') {
    pos = end + 2;
  }
  return end;
}

struct Line {
  std::size_t keyBegin;
  std::size_t keyLength;
  std::size_t valueBegin;
  std::size_t valueLength;
  bool hasValue;
};

// Splits an ordinary line into key and value; false for lines the reader
// never returns (blank lines, comments, headers).
bool ParseLine(const char16_t* t, std::size_t start, std::size_t end, Line& line) {
  TrimProfileSpace(t, start, end);
  if (start == end) {
    return false;
  }
  line = Line{start, 0, 0, 0, false};
  const char16_t* eq = std::find(t + start, t + end, u'=');
  std::size_t keyEnd = end;
  if (eq != t + end) {
    keyEnd = static_cast<std::size_t>(eq - t);
    std::size_t valueBegin = keyEnd + 1;
    while (valueBegin < end && IsProfileSpace(t[valueBegin])) {
      ++valueBegin;
    }
    while (keyEnd > start && IsProfileSpace(t[keyEnd - 1])) {
      --keyEnd;
    }
    line.hasValue = true;
    line.valueBegin = valueBegin;
    line.valueLength = CutAtNul(t + valueBegin, end - valueBegin);
  }
  line.keyLength = CutAtNul(t + start, keyEnd - start);
  if (line.keyLength == 0 && !line.hasValue) {
    return false;
  }
  return t[start] != u';';
}

void DecodeText(const char* data, std::size_t length, std::u16string& out) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  if (length >= 2 &&
      ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
    bool little = bytes[0] == 0xFF;
    // A final odd byte cannot form a unit and is dropped.
    std::size_t units = (length - 2) / 2;
    out.resize(units);
    for (std::size_t i = 0; i < units; ++i) {
      unsigned char a = bytes[2 + 2 * i];
      unsigned char b = bytes[3 + 2 * i];
      out[i] = little ? static_cast<char16_t>(a | (b << 8)) : static_cast<char16_t>((a << 8) | b);
    }
    return;
  }
  if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    data += 3;
    length -= 3;
  }
  AppendUtf8AsUtf16(data, length, out);
}

}  // namespace

char16_t FoldCase(char16_t c) {
  return casefold::FoldUnit(c);
}

CProfileText::CProfileText(const char* data, std::size_t length) : mParsed(new Parsed) {
  Parsed& p = *mParsed;
  DecodeText(data, length, p.text);
  const char16_t* t = p.text.data();
  const std::size_t n = p.text.size();

  // Lines before the first header land in this unnamed, never listed section.
  p.sections.push_back({0, 0, 0, 0});
  std::size_t pos = 0;
  while (pos < n) {
    std::size_t lineBegin = pos;
    std::size_t end = NextLine(t, n, pos);
    std::size_t start = lineBegin;
    TrimProfileSpace(t, start, end);
    if (start == end || t[start] != u'[') {
      continue;
    }
    std::size_t close = end;
    while (close > start && t[close - 1] != u']') {
      --close;
    }
    if (close <= start + 1) {
      // "[" without "]" is no header but an ordinary line.
      continue;
    }
    std::size_t nameBegin = start + 1;
    std::size_t nameEnd = close - 1;
    TrimProfileSpace(t, nameBegin, nameEnd);
    std::size_t nameLength = CutAtNul(t + nameBegin, nameEnd - nameBegin);
    p.sections.back().bodyEnd = lineBegin;
    p.sections.push_back({nameBegin, nameLength, pos, n});
    if (nameLength > 0) {
      p.index.emplace(casefold::Upper(std::u16string_view(t + nameBegin, nameLength)),
                      p.sections.size() - 1);
    }
  }
  p.sections.back().bodyEnd = n;
}

CProfileText::~CProfileText() = default;

unsigned long CProfileText::GetSectionNames(char16_t* buffer, unsigned long size) const {
  if (buffer == nullptr || size == 0) {
    return 0;
  }
  if (size == 1) {
    buffer[0] = 0;
    return 0;
  }
  const char16_t* t = mParsed->text.data();
  unsigned long room = size - 1;
  unsigned long out = 0;
  for (const Parsed::Section& section : mParsed->sections) {
    if (section.nameLength == 0) {
      continue;
    }
    std::size_t needed = section.nameLength + 1;
    if (needed >= room) {
      // Out of room: what fits of this name is cut off, and the result tells
      // the caller so by being size minus two.
      std::memcpy(buffer + out, t + section.nameBegin, (room - 1) * sizeof(char16_t));
      out += room - 1;
      buffer[out++] = 0;
      buffer[out] = 0;
      return size - 2;
    }
    std::memcpy(buffer + out, t + section.nameBegin, section.nameLength * sizeof(char16_t));
    out += static_cast<unsigned long>(section.nameLength);
    buffer[out++] = 0;
    room -= static_cast<unsigned long>(needed);
  }
  buffer[out] = 0;
  return out;
}

unsigned long CProfileText::GetSection(const char16_t* name, char16_t* buffer,
                                       unsigned long size) const {
  if (buffer == nullptr || size == 0) {
    return 0;
  }
  if (size <= 2) {
    std::fill(buffer, buffer + size, u'\0');
    return 0;
  }
  buffer[0] = buffer[1] = 0;
  if (name == nullptr) {
    return 0;
  }
  auto found = mParsed->index.find(casefold::Upper(std::u16string_view(name)));
  if (found == mParsed->index.end()) {
    return 0;
  }
  {
    std::lock_guard<std::mutex> lock(mParsed->writtenMutex);
    auto known = mParsed->written.find(found->second);
    if (known != mParsed->written.end() && known->second.size == size) {
      std::copy(known->second.chars.begin(), known->second.chars.end(), buffer);
      return known->second.result;
    }
  }
  const Parsed::Section& section = mParsed->sections[found->second];
  const char16_t* t = mParsed->text.data();

  // room counts what is left of the buffer, as the Windows reader counts it:
  // every string is copied with room for its zero and one more zero kept
  // back for the end of the list.
  unsigned long room = size;
  unsigned long out = 0;
  auto copy = [&](std::size_t begin, std::size_t length) {
    std::size_t n = std::min<std::size_t>(length, room - 2);
    std::memcpy(buffer + out, t + begin, n * sizeof(char16_t));
    out += static_cast<unsigned long>(n);
    buffer[out++] = 0;
    room -= static_cast<unsigned long>(n + 1);
  };
  std::size_t pos = section.bodyBegin;
  while (pos < section.bodyEnd) {
    if (room <= 2) {
      break;
    }
    std::size_t start = pos;
    std::size_t end = NextLine(t, section.bodyEnd, pos);
    Line line;
    if (!ParseLine(t, start, end, line)) {
      continue;
    }
    copy(line.keyBegin, line.keyLength);
    if (room < 2) {
      break;
    }
    if (line.hasValue) {
      buffer[out - 1] = u'=';
      copy(line.valueBegin, line.valueLength);
    }
  }
  buffer[out] = 0;
  unsigned long result = size - room;
  if (room <= 1) {
    buffer[out - 1] = 0;
    result = size - 2;
  }
  std::lock_guard<std::mutex> lock(mParsed->writtenMutex);
  mParsed->written.insert_or_assign(found->second,
                                    Parsed::Written{size, result, std::u16string(buffer, out + 1)});
  return result;
}

}  // namespace win32
