// POSIX code pages are iconv codesets. UTF-8 goes through the seam's own UTF
// routines so that malformed input is treated exactly as elsewhere in the
// client; every other codeset goes through iconv, one conversion descriptor
// per call, so that calls on different threads share nothing.
#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/win32/CodePage.h"
#include "platform/win32/TextConvert.h"

namespace win32 {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;
constexpr char kDefaultChar = '?';

std::mutex& OverrideMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string& OverrideCodeSet() {
  static std::string codeSet;
  return codeSet;
}

std::string GetOverride() {
  std::lock_guard<std::mutex> lock(OverrideMutex());
  return OverrideCodeSet();
}

bool IsUtf8(std::string_view codeSet) {
  return codeSet == "UTF-8" || codeSet == "utf-8" || codeSet == "UTF8" || codeSet == "utf8";
}

class IconvDescriptor {
 public:
  IconvDescriptor(const char* to, const char* from) : mHandle(::iconv_open(to, from)) {}
  ~IconvDescriptor() {
    if (IsOpen()) {
      ::iconv_close(mHandle);
    }
  }
  IconvDescriptor(const IconvDescriptor&) = delete;
  IconvDescriptor& operator=(const IconvDescriptor&) = delete;

  bool IsOpen() const { return mHandle != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return mHandle; }

 private:
  iconv_t mHandle;
};

// Runs the whole input through `cd`. An input unit that cannot be converted is
// skipped and `onBad` appends its stand-in; `unit` is the input's unit size.
template <typename OnBad>
bool RunIconv(iconv_t cd, const char* data, std::size_t bytes, std::size_t unit, std::string& out,
              OnBad onBad) {
  char* in = const_cast<char*>(data);
  std::size_t inLeft = bytes;
  char buffer[1024];
  while (inLeft > 0) {
    char* next = buffer;
    std::size_t outLeft = sizeof(buffer);
    const std::size_t result = ::iconv(cd, &in, &inLeft, &next, &outLeft);
    out.append(buffer, static_cast<std::size_t>(next - buffer));
    if (result != static_cast<std::size_t>(-1)) {
      continue;
    }
    if (errno == E2BIG) {
      continue;
    }
    if (errno != EILSEQ && errno != EINVAL) {
      return false;
    }
    // EINVAL: the input ends inside a sequence; the rest is one bad unit each.
    const std::size_t skip = unit < inLeft ? unit : inLeft;
    in += skip;
    inLeft -= skip;
    onBad(out);
  }
  // Lets a stateful codeset return to its initial shift state.
  char* next = buffer;
  std::size_t outLeft = sizeof(buffer);
  ::iconv(cd, nullptr, nullptr, &next, &outLeft);
  out.append(buffer, static_cast<std::size_t>(next - buffer));
  return true;
}

}  // namespace

std::string GetCodeSetName(unsigned codePage) {
  if (codePage == kCpUtf8) {
    return "UTF-8";
  }
  if (codePage != kCpAcp) {
    return "CP" + std::to_string(codePage);
  }
  std::string pinned = GetOverride();
  if (!pinned.empty()) {
    return pinned;
  }
  const char* locale = std::setlocale(LC_CTYPE, nullptr);
  if (locale == nullptr || std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0) {
    return "UTF-8";
  }
  const char* codeSet = ::nl_langinfo(CODESET);
  return codeSet != nullptr && *codeSet != '\0' ? std::string(codeSet) : std::string("UTF-8");
}

void SetAnsiCodeSetOverride(const char* codeSet) {
  std::lock_guard<std::mutex> lock(OverrideMutex());
  OverrideCodeSet() = codeSet != nullptr ? codeSet : "";
}

bool MultiByteToWide(unsigned codePage, const char* data, std::size_t length, std::wstring& out) {
  if (data == nullptr && length != 0) {
    return false;
  }
  const std::string codeSet = GetCodeSetName(codePage);
  if (IsUtf8(codeSet)) {
    if (length == 0) {
      out.clear();
      return true;
    }
    std::u16string utf16;
    AppendUtf8AsUtf16(data, length, utf16);
    out = Utf16ToWide(utf16);
    return true;
  }
  IconvDescriptor cd("WCHAR_T", codeSet.c_str());
  if (!cd.IsOpen()) {
    return false;
  }
  std::string bytes;
  const bool ok = RunIconv(cd.Get(), data, length, 1, bytes, [](std::string& sink) {
    const wchar_t bad = kReplacement;
    sink.append(reinterpret_cast<const char*>(&bad), sizeof(bad));
  });
  if (!ok) {
    return false;
  }
  std::wstring wide(bytes.size() / sizeof(wchar_t), L'\0');
  std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(wchar_t));
  out = std::move(wide);
  return true;
}

bool WideToMultiByte(unsigned codePage, const wchar_t* data, std::size_t length, std::string& out) {
  if (data == nullptr && length != 0) {
    return false;
  }
  const std::string codeSet = GetCodeSetName(codePage);
  if (IsUtf8(codeSet)) {
    out = Utf16ToUtf8(WideToUtf16(data, length));
    return true;
  }
  IconvDescriptor cd(codeSet.c_str(), "WCHAR_T");
  if (!cd.IsOpen()) {
    return false;
  }
  std::string bytes;
  const bool ok =
      RunIconv(cd.Get(), reinterpret_cast<const char*>(data), length * sizeof(wchar_t),
               sizeof(wchar_t), bytes, [](std::string& sink) { sink.push_back(kDefaultChar); });
  if (!ok) {
    return false;
  }
  out = std::move(bytes);
  return true;
}

ScopedAnsiCodeSet::ScopedAnsiCodeSet(const char* codeSet) : mPrevious(GetOverride()) {
  SetAnsiCodeSetOverride(codeSet);
}

ScopedAnsiCodeSet::~ScopedAnsiCodeSet() {
  SetAnsiCodeSetOverride(mPrevious.c_str());
}

}  // namespace win32
