#include <cstdio>
#include <sstream>

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

TEST(ProgressBarTest, DrawsOnlyWhenEnabledAndOnlyOnChange) {
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* mem = open_memstream(&buffer, &size);
  {
    ProgressBar bar("walk", true, mem);
    bar.SetPercent(33);
    bar.SetPercent(33);
    bar.SetCount(2, 3);
    bar.SetPercent(250);
    EXPECT_EQ(bar.GetPercent(), 100);
  }
  std::fclose(mem);
  const std::string drawn(buffer, size);
  std::free(buffer);
  EXPECT_EQ(drawn.find(" 33%"), drawn.rfind(" 33%"));  // drawn once
  EXPECT_NE(drawn.find(" 66%"), std::string::npos);
  EXPECT_NE(drawn.find("100%"), std::string::npos);

  mem = open_memstream(&buffer, &size);
  {
    ProgressBar quiet("walk", false, mem);
    quiet.SetPercent(50);
  }
  std::fclose(mem);
  EXPECT_EQ(size, 0u);
  std::free(buffer);
}

}  // namespace
}  // namespace ravelin_tool
