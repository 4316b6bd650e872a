#include "platform/basalt/LongFileName.h"

#include <gtest/gtest.h>

namespace {

AString Parent(const AString& path) {
  return LFN_GetContainingDirectory(path).FilePath();
}

TEST(LongFileNameTest, KeepsTheTextAndSplitsName) {
  const LongFileName file(L"C:\\work\\proj\\design.tar.gz");
  EXPECT_EQ(file.FilePath(), L"C:\\work\\proj\\design.tar.gz");
  EXPECT_EQ(file.Name(), L"design.tar.gz");
  EXPECT_EQ(file.NameWOExt(), L"design.tar");
  EXPECT_EQ(file.Extension(), L"gz");
  EXPECT_EQ(LongFileName(L"/home/u/a*b.prj").NameWOExt(), L"a*b");
  EXPECT_EQ(LongFileName(L"dir/.cfg").NameWOExt(), L".cfg");
  EXPECT_EQ(LongFileName(L"dir/noext").NameWOExt(), L"noext");
  EXPECT_EQ(LongFileName(L"C:/work/proj/").NameWOExt(), L"proj");
  EXPECT_EQ(LongFileName(L"C:/").NameWOExt(), L"");
  EXPECT_EQ(LongFileName(L"a/..").NameWOExt(), L"..");
}

TEST(LongFileNameTest, ContainingDirectoryInBothStyles) {
  EXPECT_EQ(Parent(L"C:/work/proj"), L"C:/work");
  EXPECT_EQ(Parent(L"C:/work"), L"C:/");
  EXPECT_EQ(Parent(L"C:\\work\\proj\\"), L"C:\\work");
  EXPECT_EQ(Parent(L"\\\\server\\share\\x"), L"\\\\server\\share");
  EXPECT_EQ(Parent(L"/home/u"), L"/home");
  EXPECT_EQ(Parent(L"/home"), L"/");
  EXPECT_EQ(Parent(L"a/b.x"), L"a");
  EXPECT_EQ(Parent(L"b.x"), L"");
  EXPECT_EQ(Parent(L"C:work"), L"C:");
  EXPECT_EQ(Parent(L"C:/a/b/.."), L"C:/");
  EXPECT_EQ(Parent(L"C:/a/./b"), L"C:/a");
}

TEST(LongFileNameTest, RootsGiveThemselves) {
  for (const wchar_t* root : {L"C:/", L"C:\\", L"C:", L"/", L"\\", L"\\\\server\\share",
                              L"//server/share/", L"", L"..", L"../.."}) {
    EXPECT_EQ(Parent(root), root) << AString(root).ToUtf8();
  }
  EXPECT_TRUE(LongFileName(L"C:/").IsRoot());
  EXPECT_FALSE(LongFileName(L"C:/a").IsRoot());
}

TEST(LongFileNameTest, ResetResolvesRelativeNamesInTheDirectory) {
  LongFileName file;
  file.Reset(L"b.x", L"C:/work/other");
  EXPECT_EQ(file.FilePath(), L"C:/work/other/b.x");
  file.Reset(L"other/b.x", L"C:/work/");
  EXPECT_EQ(file.FilePath(), L"C:/work/other/b.x");
  file.Reset(L"sub\\b.x", L"C:\\work");
  EXPECT_EQ(file.FilePath(), L"C:\\work\\sub\\b.x");
  file.Reset(L"./a/../b.x", L"C:/work/proj");
  EXPECT_EQ(file.FilePath(), L"C:/work/proj/b.x");
  file.Reset(L"../b.x", L"C:/work/proj");
  EXPECT_EQ(file.FilePath(), L"C:/work/b.x");
  file.Reset(L"a.../b.x", L"/data");
  EXPECT_EQ(file.FilePath(), L"/data/a.../b.x");
  file.Reset(L"b.x", L"");
  EXPECT_EQ(file.FilePath(), L"b.x");
  for (const wchar_t* absolute : {L"D:/x/b.x", L"\\top\\b.x", L"/top/b.x", L"\\\\srv\\sh\\b.x"}) {
    file.Reset(absolute, L"C:/work");
    EXPECT_EQ(file.FilePath(), absolute);
  }
}

TEST(LongFileNameTest, EqualityMeansTheSameFile) {
  EXPECT_EQ(LongFileName(L"C:/work/proj/a.prj"), LongFileName(L"c:\\WORK\\proj\\.\\a.prj"));
  EXPECT_EQ(LongFileName(L"C:/work/x/../proj/a.prj"), LongFileName(L"C:/work/proj//a.prj"));
  EXPECT_EQ(LongFileName(L"\\\\server\\share\\x"), LongFileName(L"//SERVER/share/x/"));
  EXPECT_EQ(LongFileName(L"C:/.."), LongFileName(L"C:/"));
  EXPECT_EQ(LongFileName(L"a/b"), LongFileName(L"./a/b"));
  EXPECT_NE(LongFileName(L"/home/U/a"), LongFileName(L"/home/u/a"));
  EXPECT_NE(LongFileName(L"a/b"), LongFileName(L"/a/b"));
  EXPECT_NE(LongFileName(L"C:a"), LongFileName(L"C:/a"));
  EXPECT_NE(LongFileName(L"../a"), LongFileName(L"a"));
  EXPECT_NE(LongFileName(L"C:/work/a.prj"), LongFileName(L"D:/work/a.prj"));
  EXPECT_EQ(LongFileName(L"C:/a/b").GetNormalizedPath(), L"C:/a/b");
  EXPECT_EQ(LongFileName(L"c:\\a\\.\\b\\..").GetNormalizedPath(), L"C:/a");
  EXPECT_TRUE(LongFileName(L"\\\\s\\sh\\x").IsAbsolute());
  EXPECT_FALSE(LongFileName(L"/x").IsAbsolute());
}

}  // namespace
