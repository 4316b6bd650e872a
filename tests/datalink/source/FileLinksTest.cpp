#include "datalink/source/FileLinks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "platform/basalt/LongFileName.h"
#include "tests/datalink/source/DataLinkTestSupport.h"

namespace {

using datalinktest::BlockText;
using datalinktest::ItemNames;
using Names = std::vector<AString>;
using Table = std::map<AString, AString>;

TEST(FileLinksTest, EmptyLinksWriteEmptyItemsAndReadBackClean) {
  FileLinks links;
  EXPECT_EQ(links.GetItemName(), L"FileLinks");
  io::CBlock block(links.GetItemName());
  EXPECT_EQ(links.DoDataExchange(block, false), 0);
  ASSERT_EQ(ItemNames(block), (Names{L"Files", L"FileContents"}));
  ASSERT_NE(block.Item(0)->AsVec(), nullptr);
  EXPECT_EQ(block.Item(0)->AsVec()->Size(), 0u);
  ASSERT_NE(block.Item(1)->AsFunc(), nullptr);
  EXPECT_EQ(block.Item(1)->AsFunc()->Size(), 0u);

  FileLinks read;
  read.AddFile(L"stale");
  read.AddFileContents(L"k", L"stale");
  EXPECT_EQ(read.DoDataExchange(block, true), 0);
  EXPECT_TRUE(read.GetFiles().empty());
  EXPECT_TRUE(read.GetFileContents().empty());
}

TEST(FileLinksTest, WriteReadWriteKeepsDuplicatesAndKeyOrder) {
  FileLinks links;
  links.AddFile(L"C:/data/a.txt");
  links.AddFile(L"C:/data/a.txt");
  links.AddFile(L"relative\\b.txt");
  links.AddFileContents(L"zeta", L"last");
  links.AddFileContents(L"alpha", L"old");
  links.AddFileContents(L"alpha", L"first\nline two");
  links.AddFileContents(L"", L"empty key");
  EXPECT_EQ(links.GetFileContents().at(L"alpha"), L"first\nline two");

  io::CBlock first(L"FileLinks");
  ASSERT_TRUE(links.Write(first));
  const io::CBlock_func& contents = *first.Item(1)->AsFunc();
  ASSERT_EQ(contents.Size(), 3u);
  EXPECT_EQ(contents.ArgName(0), L"");
  EXPECT_EQ(contents.ArgName(1), L"alpha");
  EXPECT_EQ(contents.ArgName(2), L"zeta");

  io::CBlock parsed;
  ASSERT_EQ(io::ReadBlockText(BlockText(first), parsed), 0);
  FileLinks read;
  EXPECT_EQ(read.Read(parsed), 0);
  EXPECT_EQ(read.GetFiles(), links.GetFiles());
  EXPECT_EQ(read.GetFileContents(), links.GetFileContents());

  io::CBlock second(L"FileLinks");
  read.Write(second);
  EXPECT_EQ(BlockText(second), BlockText(first));
}

TEST(FileLinksTest, AKeyNamedTwiceKeepsItsFirstText) {
  io::CBlock block(L"FileLinks");
  block << io::CBlock_vec(L"Files");
  io::CBlock_func contents(L"FileContents");
  contents << io::CBlock_named_value(L"k", io::CBlock_value(L"first"));
  contents << io::CBlock_named_value(L"k", io::CBlock_value(L"second"));
  block << contents;
  FileLinks links;
  EXPECT_EQ(links.Read(block), 0);
  EXPECT_EQ(links.GetFileContents(), (Table{{L"k", L"first"}}));
}

TEST(FileLinksTest, AMissingEntryGivesAWarningAndKeepsItsPart) {
  io::CBlock onlyContents(L"FileLinks");
  onlyContents << (io::CBlock_func(L"FileContents")
                   << io::CBlock_named_value(L"k", io::CBlock_value(L"v")));
  // An item of the right name but the wrong kind does not count.
  onlyContents << io::CBlock_named_value(L"Files", io::CBlock_value(L"a.txt"));
  FileLinks links;
  links.AddFile(L"kept.txt");
  EXPECT_EQ(links.Read(onlyContents), 1);
  EXPECT_EQ(links.GetFiles(), (Names{L"kept.txt"}));
  EXPECT_EQ(links.GetFileContents(), (Table{{L"k", L"v"}}));

  io::CBlock onlyFiles(L"FileLinks");
  onlyFiles << (io::CBlock_vec(L"Files") << io::CToken(L"new.txt"));
  EXPECT_EQ(links.Read(onlyFiles), 1);
  EXPECT_EQ(links.GetFiles(), (Names{L"new.txt"}));
  EXPECT_EQ(links.GetFileContents(), (Table{{L"k", L"v"}}));
}

TEST(FileLinksTest, ElementsThatAreNotTextsAreSkipped) {
  io::CBlock block(L"FileLinks");
  block << (io::CBlock_vec(L"Files")
            << io::CToken(L"a.txt") << io::CToken(7L) << io::CToken(true) << io::CToken(L"b.txt"));
  block << (io::CBlock_func(L"FileContents")
            << io::CBlock_named_value(L"n", io::CBlock_value(2.5)) << io::CBlock_value(L"unnamed")
            << io::CBlock_named_value(L"t", io::CBlock_value(L"x")));
  FileLinks links;
  EXPECT_EQ(links.Read(block), 1);
  EXPECT_EQ(links.GetFiles(), (Names{L"a.txt", L"b.txt"}));
  EXPECT_EQ(links.GetFileContents(), (Table{{L"t", L"x"}}));
}

TEST(FileLinksTest, ContainerExchangesThrowForRequiredItemsOnly) {
  io::CBlock empty(L"FileLinks");
  Names files{L"kept"};
  Table table{{L"k", L"kept"}};
  EXPECT_EQ(io::DoDataExchange(empty, true, L"Files", files, 0), 2);
  EXPECT_EQ(io::DoDataExchange(empty, true, L"FileContents", table, 0), 2);
  EXPECT_EQ(files, (Names{L"kept"}));
  EXPECT_EQ(table, (Table{{L"k", L"kept"}}));
  try {
    io::DoDataExchange(empty, true, L"Files", files, 1);
    ADD_FAILURE() << "no exception for a required list";
  } catch (const io::ReadError& error) {
    EXPECT_EQ(error.GetCode(), 2);
  }
  try {
    io::DoDataExchange(empty, true, L"FileContents", table, 1);
    ADD_FAILURE() << "no exception for a required table";
  } catch (const io::ReadError& error) {
    EXPECT_EQ(error.GetCode(), 2);
  }
  EXPECT_EQ(files, (Names{L"kept"}));

  // Present items are read alike with either requirement.
  io::DoDataExchange(empty, false, L"Files", files, 1);
  Names read;
  EXPECT_EQ(io::DoDataExchange(empty, true, L"Files", read, 1), 0);
  EXPECT_EQ(read, files);
}

TEST(FileLinksTest, CopiesTakeBothPartsAndTheStreamState) {
  FileLinks links;
  links.AddFile(L"a");
  links.AddFileContents(L"k", L"v");
  links.mIsInScripting = true;
  links.mReadError = 1;
  FileLinks copy(links);
  EXPECT_EQ(copy.GetFiles(), links.GetFiles());
  EXPECT_EQ(copy.GetFileContents(), links.GetFileContents());
  EXPECT_TRUE(copy.IsInScripting());
  EXPECT_EQ(copy.mReadError, 1);

  FileLinks assigned;
  assigned = links;
  assigned = assigned;
  EXPECT_EQ(assigned.GetFileContents(), (Table{{L"k", L"v"}}));
  EXPECT_EQ(assigned.GetFiles(), (Names{L"a"}));
}

// A scratch folder removed with everything in it when the test ends.
class ScratchFolder {
 public:
  ScratchFolder() {
    mPath = std::filesystem::temp_directory_path() /
            ("ravelin_filelinks_" + std::to_string(::getpid()) + "_" +
             std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::create_directories(mPath);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
  }
  void Touch(const std::string& name) const { std::ofstream(mPath / name) << "x"; }
  AString Path() const { return AString::FromUtf8(mPath.string()); }

 private:
  std::filesystem::path mPath;
};

TEST(FileLinksTest, AddFilesAppendsWhatIsFoundInARealFolder) {
  ScratchFolder folder;
  folder.Touch("b.txt");
  folder.Touch("a.txt");
  folder.Touch("c.dat");
  std::filesystem::create_directory(std::filesystem::path(folder.Path().ToUtf8()) / "d.txt");

  FileLinks links;
  links.AddFile(L"first");
  links.AddFiles(folder.Path(), L"*.txt");
  const Names& files = links.GetFiles();
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0], L"first");
  EXPECT_EQ(LongFileName(files[1]).Name(), L"a.txt");
  EXPECT_EQ(LongFileName(files[2]).Name(), L"b.txt");
  EXPECT_EQ(LFN_GetContainingDirectory(LongFileName(files[1])), LongFileName(folder.Path()));
  EXPECT_TRUE(std::filesystem::exists(files[1].ToUtf8()));

  links.AddFiles(folder.Path(), L"*.none");
  links.AddFiles(folder.Path() + L"/missing", L"*");
  EXPECT_EQ(links.GetFiles().size(), 3u);
}

}  // namespace
