// Reading and writing block text files. The standard library's file streams
// and std::filesystem do the work, with paths built from UTF-8; only forcing
// data to disk goes through the platform (FileSync.h).
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <sstream>
#include <string>
#include <system_error>

#include "platform/basalt/io/BlockText.h"
#include "platform/basalt/io/FileSync.h"

namespace io {

namespace {

std::filesystem::path NativePath(const AString& path) {
  const std::string utf8 = path.ToUtf8();
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

ReadError FileError(const char* what, const AString& path, int error) {
  AString message = AString::FromUtf8(what);
  message += L" \"";
  message += path;
  message += L"\"";
  if (error != 0) {
    message += L": ";
    message += AString::FromUtf8(std::generic_category().message(error));
  }
  return ReadError(ReadError::kFile, message);
}

// A name for the temporary file that no other writer, in this process or
// another, picks at the same time.
std::filesystem::path TemporarySibling(const std::filesystem::path& target) {
  static std::atomic<unsigned> counter{0};
  static const unsigned long long salt = std::random_device{}();
  std::filesystem::path temporary = target;
  temporary += ".~" + std::to_string(salt) + "-" + std::to_string(counter.fetch_add(1)) + ".tmp";
  return temporary;
}

// The whole file into `text`; a failing ReadError when it cannot be read.
ReadError LoadFile(const AString& path, std::string& text) {
  const std::filesystem::path native = NativePath(path);
  std::error_code code;
  if (std::filesystem::is_directory(native, code)) {
    return FileError("cannot read the directory", path, 0);
  }
  errno = 0;
  std::ifstream in(native, std::ios::binary);
  if (!in) {
    return FileError("cannot open", path, errno);
  }
  const std::uintmax_t size = std::filesystem::file_size(native, code);
  if (!code && size > text.max_size()) {
    return FileError("too large to read", path, 0);
  }
  if (!code) {
    text.resize(static_cast<std::size_t>(size));
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    // The file may have grown since its size was taken.
    if (in && in.peek() != std::char_traits<char>::eof()) {
      std::ostringstream rest;
      rest << in.rdbuf();
      text += rest.str();
    }
  } else {
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
  }
  if (in.bad()) {
    return FileError("cannot read", path, errno);
  }
  return ReadError::kOk;
}

}  // namespace

ReadError ReadBlockFile(const AString& path, CBlock& block) {
  std::string text;
  try {
    ReadError loaded = LoadFile(path, text);
    if (loaded.IsFailure()) {
      return loaded;
    }
  } catch (const std::bad_alloc&) {
    return FileError("not enough memory to read", path, 0);
  }
  ReadError result = ReadBlockText(text, block);
  if (result.IsFailure()) {
    AString message = path;
    message += L": ";
    message += result.GetMessage();
    return ReadError(result.GetCode(), message, result.GetLine(), result.GetColumn());
  }
  return result;
}

ReadError WriteBlockFile(const AString& path, const CBlock& block) {
  std::string text;
  ReadError result = WriteBlockText(block, text);
  if (result.IsFailure()) {
    return result;
  }
  const std::filesystem::path native = NativePath(path);
  const std::filesystem::path temporary = TemporarySibling(native);
  {
    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      return FileError("cannot create a file next to", path, errno);
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      const int error = errno;
      out.close();
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return FileError("cannot write", path, error);
    }
  }
  // The data must be on disk before the rename makes it the file.
  int syncError = 0;
  if (!SyncFileToDisk(temporary, syncError)) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return FileError("cannot write", path, syncError);
  }
  std::error_code code;
  std::filesystem::rename(temporary, native, code);
  if (code) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return FileError("cannot replace", path, code.value());
  }
  SyncDirectoryToDisk(native.parent_path());
  return ReadError::kOk;
}

}  // namespace io
