#include <gtest/gtest.h>

#include "datalink/source/DataLink.h"

namespace {

AString Resolve(const wchar_t* base, const wchar_t* path) {
  return DataLink::GetAbsoluteFilename(base, path);
}

TEST(DataLinkPathTest, ParentReferencesClimbFromTheBase) {
  EXPECT_EQ(Resolve(L"C:/work/proj", L"../other/b.x"), L"C:/work/other/b.x");
  EXPECT_EQ(Resolve(L"C:/work/proj", L"..\\..\\a\\b.x"), L"C:/a\\b.x");
  EXPECT_EQ(Resolve(L"C:\\work\\proj\\", L"../b.x"), L"C:\\work/b.x");
  EXPECT_EQ(Resolve(L"C:/work/proj", L"./../b.x"), L"C:/work/b.x");
}

TEST(DataLinkPathTest, RelativePathsWithoutParentsLandInTheBase) {
  EXPECT_EQ(Resolve(L"C:/work/proj", L"b.x"), L"C:/work/proj/b.x");
  EXPECT_EQ(Resolve(L"C:/work/proj", L"sub\\b.x"), L"C:/work/proj/sub\\b.x");
  // Three dots are a name, not a way up.
  EXPECT_EQ(Resolve(L"C:/work/proj", L".../b.x"), L"C:/work/proj/.../b.x");
  EXPECT_EQ(Resolve(L"C:/work/proj", L"x../b.x"), L"C:/work/proj/x../b.x");
}

TEST(DataLinkPathTest, ParentReferencesFurtherOnStayWhereTheyAre) {
  EXPECT_EQ(Resolve(L"C:/work/proj", L"sub/../b.x"), L"C:/work/proj/b.x");
  EXPECT_EQ(Resolve(L"C:/work/proj", L"../sub/../b.x"), L"C:/work/b.x");
}

TEST(DataLinkPathTest, AbsoluteAndUnresolvablePathsComeBackUnchanged) {
  for (const wchar_t* path : {L"D:/data/b.x", L"D:b.x", L"\\data\\b.x", L"\\\\server\\share\\b.x",
                              L"/data/b.x", L"//server/share/b.x", L""}) {
    EXPECT_EQ(Resolve(L"C:/work/proj", path), path) << AString(path).ToUtf8();
  }
  // More levels than the base has directories.
  EXPECT_EQ(Resolve(L"C:/work/proj", L"../../../b.x"), L"../../../b.x");
  EXPECT_EQ(Resolve(L"C:/", L"../b.x"), L"../b.x");
  EXPECT_EQ(Resolve(L"", L"../b.x"), L"../b.x");
  EXPECT_EQ(Resolve(L"\\\\server\\share\\proj", L"../../b.x"), L"../../b.x");
  // Exactly as many levels as there are reaches the root.
  EXPECT_EQ(Resolve(L"C:/work/proj", L"../../b.x"), L"C:/b.x");
}

}  // namespace
