// POSIX error numbers are errno values. Their texts are the C library's
// strerror texts, in the locale's codeset; numbers the C library has no name
// for get no text, as the Windows formatter gives none for them.
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/win32/CodePage.h"
#include "platform/win32/SystemError.h"

namespace win32 {

ErrorCode ErrorCodeFromSystem(unsigned long number) {
  switch (number) {
    case 0:
      return ErrorCode::kNone;
    case ENOENT:
    case ENOTDIR:
      return ErrorCode::kNotFound;
    case EACCES:
    case EPERM:
      return ErrorCode::kAccessDenied;
    case ETXTBSY:
    case EBUSY:
      return ErrorCode::kSharingViolation;
    case EROFS:
      return ErrorCode::kReadOnly;
    case ENOSPC:
    case EDQUOT:
      return ErrorCode::kDiskFull;
    case EISDIR:
    case ENXIO:
    case ENODEV:
      return ErrorCode::kNotRegularFile;
    case EEXIST:
      return ErrorCode::kAlreadyExists;
    case ENOEXEC:
    case ELIBBAD:
      return ErrorCode::kBadModule;
    case EINVAL:
    case ENAMETOOLONG:
    case EFAULT:
      return ErrorCode::kInvalidArgument;
    case EIO:
      return ErrorCode::kIoError;
    default:
      return ErrorCode::kOther;
  }
}

unsigned long SystemNumberFor(ErrorCode code) {
  switch (code) {
    case ErrorCode::kNone:
      return 0;
    case ErrorCode::kNotFound:
      return ENOENT;
    case ErrorCode::kAccessDenied:
      return EACCES;
    case ErrorCode::kSharingViolation:
      return ETXTBSY;
    case ErrorCode::kReadOnly:
      return EROFS;
    case ErrorCode::kDiskFull:
      return ENOSPC;
    case ErrorCode::kNotRegularFile:
      return EISDIR;
    case ErrorCode::kAlreadyExists:
      return EEXIST;
    case ErrorCode::kBadModule:
      return ENOEXEC;
    case ErrorCode::kInvalidArgument:
      return EINVAL;
    case ErrorCode::kIoError:
      return EIO;
    case ErrorCode::kOther:
      break;
  }
  return EIO;
}

SystemError MakeSystemError(ErrorCode code) {
  return SystemError{code, SystemNumberFor(code)};
}

std::wstring FormatSystemMessage(unsigned long code) {
  if (code > 0x7FFFFFFFul) {
    return {};
  }
  const int number = static_cast<int>(code);
  if (::strerrorname_np(number) == nullptr) {
    return {};
  }
  char buffer[256] = {};
  // GNU strerror_r may return a static text instead of filling the buffer.
  const char* text = ::strerror_r(number, buffer, sizeof(buffer));
  std::wstring wide;
  if (text == nullptr || !MultiByteToWide(kCpAcp, text, std::strlen(text), wide)) {
    return {};
  }
  return wide;
}

}  // namespace win32
