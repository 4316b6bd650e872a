// What the file seam does with Windows attributes, sharing and pipes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/FileIo.h"
#include "platform/win32/SystemError.h"
#include "tests/platform/win32/FileIoTestSupport.h"

namespace {

using win32::ErrorCode;

// Closes a test's handle on every path out.
class CTestHandle {
 public:
  explicit CTestHandle(HANDLE handle) : mHandle(handle) {}
  ~CTestHandle() {
    if (mHandle != INVALID_HANDLE_VALUE) {
      ::CloseHandle(mHandle);
    }
  }
  CTestHandle(const CTestHandle&) = delete;
  CTestHandle& operator=(const CTestHandle&) = delete;
  HANDLE Get() const { return mHandle; }

 private:
  HANDLE mHandle;
};

std::wstring Wide(const std::u16string& path) {
  return std::wstring(path.begin(), path.end());
}

class FileIoWindowsTest : public testing::Test {
 protected:
  win32test::CFileIoScratch mScratch;
};

TEST_F(FileIoWindowsTest, ReadOnlyAttributeRefusesTheReplace) {
  mScratch.Write("ro", "old");
  const std::wstring path = Wide(mScratch.Path("ro"));
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  win32::SystemError error;
  EXPECT_FALSE(win32::ReplaceFileContents(mScratch.Path("ro"), "new", 3, error));
  EXPECT_EQ(ErrorCode::kReadOnly, error.code);
  EXPECT_EQ(static_cast<unsigned long>(ERROR_ACCESS_DENIED), error.number);
  EXPECT_EQ("old", mScratch.Read("ro"));
  EXPECT_EQ(1, mScratch.Entries());
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileIoWindowsTest, FileHeldWithoutSharingIsASharingViolation) {
  mScratch.Write("held", "old");
  const std::wstring path = Wide(mScratch.Path("held"));
  {
    CTestHandle held(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, held.Get());
    std::string bytes;
    win32::SystemError error;
    EXPECT_EQ(win32::FileReadStatus::kOpenFailed,
              win32::ReadWholeFile(mScratch.Path("held"), bytes, error));
    EXPECT_EQ(ErrorCode::kSharingViolation, error.code);
    EXPECT_EQ(static_cast<unsigned long>(ERROR_SHARING_VIOLATION), error.number);

    EXPECT_FALSE(win32::ReplaceFileContents(mScratch.Path("held"), "new", 3, error));
    EXPECT_TRUE(error.code == ErrorCode::kSharingViolation ||
                error.code == ErrorCode::kAccessDenied)
        << static_cast<int>(error.code);
    EXPECT_EQ(1, mScratch.Entries()) << "the refused save left its scratch file behind";
  }
  EXPECT_EQ("old", mScratch.Read("held"));
}

// A pipe is no file: reading one could wait for ever on the other end.
TEST_F(FileIoWindowsTest, PipeIsRefusedWithoutWaiting) {
  const std::wstring name =
      L"\\\\.\\pipe\\ravelin-fileio-test-" + std::to_wstring(::GetCurrentProcessId());
  CTestHandle server(::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                        PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr));
  ASSERT_NE(INVALID_HANDLE_VALUE, server.Get());
  std::string bytes = "kept";
  win32::SystemError error;
  const std::u16string pipePath(name.begin(), name.end());
  EXPECT_EQ(win32::FileReadStatus::kOpenFailed, win32::ReadWholeFile(pipePath, bytes, error));
  EXPECT_EQ(ErrorCode::kNotRegularFile, error.code);
  EXPECT_EQ("kept", bytes);
}

}  // namespace
