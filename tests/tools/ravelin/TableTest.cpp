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
  EXPECT_THROW(ParseTableFormat("xml"), std::invalid_argument);
}

TEST(TableTest, CsvAndJsonKeepEveryCellExactly) {
  Table table({"a", "b"});
  table.AddRow({"x,y", "say \"hi\"\nthere"});
  table.AddRow({" pad", "D:\\A.MPG"});
  table.AddRow({"only"});
  std::ostringstream csv;
  table.Print(csv, TableFormat::Csv);
  EXPECT_EQ(csv.str(),
            "a,b\r\n"
            "\"x,y\",\"say \"\"hi\"\"\nthere\"\r\n"
            "\" pad\",D:\\A.MPG\r\n"
            "only,\r\n");
  std::ostringstream json;
  table.Print(json, TableFormat::Json);
  EXPECT_EQ(json.str(),
            "[\n"
            "  {\"a\": \"x,y\", \"b\": \"say \\\"hi\\\"\\nthere\"},\n"
            "  {\"a\": \" pad\", \"b\": \"D:\\\\A.MPG\"},\n"
            "  {\"a\": \"only\", \"b\": \"\"}\n"
            "]\n");
  Table odd({"c"});
  odd.AddRow({std::string("\x01\xFF")});
  std::ostringstream oddJson;
  odd.Print(oddJson, TableFormat::Json);
  EXPECT_EQ(oddJson.str(), "[\n  {\"c\": \"\\u0001\xEF\xBF\xBD\"}\n]\n");
  EXPECT_EQ(ParseTableFormat("csv"), TableFormat::Csv);
  EXPECT_EQ(ParseTableFormat("json"), TableFormat::Json);
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
