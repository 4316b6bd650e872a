#include <cstdio>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tools/ravelin/ProgressBar.h"
#include "tools/ravelin/Table.h"

namespace ravelin_tool {
namespace {

TEST(TableTest, AlignsByDisplayWidthIncludingWideCharacters) {
  Table table({"ID", "Name"});
  table.AddRow({"1", "\xe5\x8c\x85\xe5\x8e\xa2"});  // two CJK characters: four columns
  table.AddRow({"12", "Room"});
  std::ostringstream out;
  table.Print(out, TableFormat::Aligned);
  EXPECT_EQ(out.str(),
            "ID  Name\n"
            "--  ----\n"
            "1   \xe5\x8c\x85\xe5\x8e\xa2\n"
            "12  Room\n");
}

TEST(TableTest, TsvKeepsEveryRowOnOneLine) {
  Table table({"a", "b"});
  table.AddRow({"x\ty", "line\nbreak"});
  table.AddRow({"only"});
  std::ostringstream out;
  table.Print(out, TableFormat::Tsv);
  EXPECT_EQ(out.str(), "a\tb\nx y\tline break\nonly\t\n");
  EXPECT_THROW(ParseTableFormat("csv"), std::invalid_argument);
}

// What a bar draws, caught in a temporary file (standard C, on every platform).
class DrawnText {
 public:
  DrawnText() : mFile(std::tmpfile()) {}
  ~DrawnText() {
    if (mFile != nullptr) {
      std::fclose(mFile);
    }
  }
  DrawnText(const DrawnText&) = delete;
  DrawnText& operator=(const DrawnText&) = delete;

  std::FILE* File() const { return mFile; }
  std::string Text() const {
    std::fflush(mFile);
    std::rewind(mFile);
    std::string text;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, mFile)) > 0;) {
      text.append(buffer, n);
    }
    return text;
  }

 private:
  std::FILE* mFile;
};

TEST(ProgressBarTest, DrawsOnlyWhenEnabledAndOnlyOnChange) {
  DrawnText mem;
  ASSERT_NE(mem.File(), nullptr);
  {
    ProgressBar bar("walk", true, mem.File());
    bar.SetPercent(33);
    bar.SetPercent(33);
    bar.SetCount(2, 3);
    bar.SetPercent(250);
    EXPECT_EQ(bar.GetPercent(), 100);
  }
  const std::string drawn = mem.Text();
  EXPECT_EQ(drawn.find(" 33%"), drawn.rfind(" 33%"));  // drawn once
  EXPECT_NE(drawn.find(" 66%"), std::string::npos);
  EXPECT_NE(drawn.find("100%"), std::string::npos);

  DrawnText quietMem;
  ASSERT_NE(quietMem.File(), nullptr);
  {
    ProgressBar quiet("walk", false, quietMem.File());
    quiet.SetPercent(50);
  }
  EXPECT_EQ(quietMem.Text(), "");
}

}  // namespace
}  // namespace ravelin_tool
