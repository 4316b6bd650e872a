// Files written on one platform read the same on the others: the committed
// fixtures of every platform (tests/data/portable/<platform>/, made by
// make_portable_files there) against the same files made here.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "platform/automation/Variant.h"
#include "tests/tools/ravelin/PortableFiles.h"
#include "tools/ravelin/ConfigOps.h"
#include "tools/ravelin/SampleDesign.h"
#include "tools/ravelin/ToolError.h"
#include "tools/ravelin/Venue.h"

namespace ravelin_tool_test {
namespace {

namespace fs = std::filesystem;

class PortableFilesTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    mFixtures = fs::path(RAVELIN_TEST_DATA_DIR) / "portable" / GetParam();
    ASSERT_TRUE(fs::is_directory(mFixtures)) << mFixtures << " is missing";
    std::random_device random;
    mScratch = fs::temp_directory_path() /
               ("ravelin-portable-" + std::to_string(random()) + std::to_string(random()));
    ASSERT_TRUE(fs::create_directory(mScratch)) << mScratch;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(mScratch, ignored);
  }

  // A scratch copy of a fixture: opening a store file writes beside it, and
  // the committed copy must stay as it was made.
  std::string Copy(const char* name) {
    const fs::path copy = mScratch / (std::string("theirs-") + name);
    fs::copy_file(mFixtures / name, copy);
    return copy.string();
  }
  std::string Scratch(const char* name) const { return (mScratch / name).string(); }

  fs::path mFixtures;
  fs::path mScratch;
};

TEST_P(PortableFilesTest, VenueDatabaseOpensWithItsPasswordAndRanksAsOneMadeHere) {
  const std::string theirsPath = Copy(kPortableVenue);
  const std::string oursPath = Scratch("ours.db");
  MakePortableVenue(oursPath);

  EXPECT_THROW(ravelin_tool::Venue(theirsPath, "pass"), ravelin_tool::ToolError);
  ravelin_tool::Venue theirs(theirsPath, kPortablePassword);
  ravelin_tool::Venue ours(oursPath, kPortablePassword);

  const auto theirRanking = theirs.BrowseRanking("");
  const auto ourRanking = ours.BrowseRanking("");
  ASSERT_GT(ourRanking.size(), 3u);
  ASSERT_EQ(theirRanking.size(), ourRanking.size());
  for (std::size_t i = 0; i < ourRanking.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(theirRanking[i].lngSongTaxisID, ourRanking[i].lngSongTaxisID);
    EXPECT_EQ(theirRanking[i].strSongName, ourRanking[i].strSongName);
    EXPECT_EQ(theirRanking[i].strSongFile, ourRanking[i].strSongFile);
    EXPECT_EQ(theirRanking[i].lngClickRate, ourRanking[i].lngClickRate);
  }
  EXPECT_EQ(theirs.Get().Song_Count(), ours.Get().Song_Count());
  EXPECT_EQ(theirs.Get().SelectSong_Count(), ours.Get().SelectSong_Count());

  // A case-blind search by the start of a name outside ASCII finds the same
  // room in both.
  const automation::Variant prefix(std::string("zI\xc3\xb3\xc5\x82"));
  const auto theirRooms = theirs.BrowseRooms(vod::rsmName, prefix, "");
  const auto ourRooms = ours.BrowseRooms(vod::rsmName, prefix, "");
  ASSERT_EQ(ourRooms.size(), 1u);
  ASSERT_EQ(theirRooms.size(), 1u);
  EXPECT_EQ(theirRooms[0].lngRoomID, ourRooms[0].lngRoomID);
  EXPECT_EQ(theirRooms[0].strRoomName, ourRooms[0].strRoomName);
  EXPECT_EQ(theirRooms[0].strRoomHost, ourRooms[0].strRoomHost);
}

TEST_P(PortableFilesTest, PackedConfigurationReadsAsItsIniSource) {
  const std::string source = RAVELIN_TEST_DATA_DIR "/portable/client.ini";
  const std::string theirs = ravelin_tool::RenderConfiguration(Copy(kPortableConfiguration));
  EXPECT_EQ(theirs, ravelin_tool::RenderConfiguration(source));
  EXPECT_NE(theirs.find("Greeting=Dzie\xc5\x84 dobry, O'Hara \xf0\x9f\x8e\xa4"), std::string::npos)
      << theirs;

  // And what this platform packs reads the same.
  ravelin_tool::ConvertConfiguration(source, Scratch("ours.qve"));
  EXPECT_EQ(ravelin_tool::RenderConfiguration(Scratch("ours.qve")), theirs);
}

TEST_P(PortableFilesTest, DesignFileReloadsAsTheSampleWrittenHere) {
  const ravelin_tool::DesignSummary theirs = ravelin_tool::ReloadDesign(Copy(kPortableDesign));
  const ravelin_tool::DesignSummary ours = ravelin_tool::SaveSampleDesign(Scratch("ours.txt"));
  EXPECT_GT(ours.mSetups, 0);
  EXPECT_GT(ours.mLinks, 0);
  EXPECT_EQ(theirs.mSetups, ours.mSetups);
  EXPECT_EQ(theirs.mLinks, ours.mLinks);
  EXPECT_EQ(theirs.mText, ours.mText);
}

INSTANTIATE_TEST_SUITE_P(MadeOn, PortableFilesTest, ::testing::Values("linux", "windows"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
}  // namespace ravelin_tool_test
