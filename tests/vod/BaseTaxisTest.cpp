// The song ranking, built from a real selection log and song library.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/vod/SongStoreFixture.h"

namespace vod {
namespace {

using test::ErrorOf;
using test::Texts;

class RankingSink final : public BaseEvents {
 public:
  void OnTaxisBrowse(SongTaxisStruct& sttTaxisSong, std::int32_t& lngRate) override {
    mSongs.push_back(sttTaxisSong);
    mRates.push_back(lngRate);
  }
  std::vector<SongTaxisStruct> mSongs;
  std::vector<std::int32_t> mRates;
};

class TaxisTest : public test::SongStoreTest {
 protected:
  // key:name:file:count of every ranking row, in the order the table returns them.
  Texts Ranking() const {
    Texts rows;
    dao::RecordsetPtr set = Db()->OpenRecordset("SELECT * FROM SongTaxis", dao::dbOpenSnapshot);
    while (!set->IsEOF()) {
      rows.push_back(set->GetField("lngSongTaxisID").ToString() + ":" +
                     set->GetField("strSongName").ToString() + ":" +
                     set->GetField("strSongFile").ToString() + ":" +
                     set->GetField("lngClickRate").ToString());
      set->MoveNext();
    }
    set->Close();
    return rows;
  }

  // Four ranked songs with counts 4, 3, 2, 1.
  void BuildFourRows() {
    AddSong("Song A", "D:\\KTV\\A.MPG");
    AddSong("Song B", "B.VOB");
    AddSong("Song C", "C.DAT");
    AddSong("Song D", "NODOT");
    const char* files[] = {"D:\\KTV\\A.MPG", "B.VOB", "C.DAT", "NODOT"};
    for (int f = 0; f < 4; ++f) {
      for (int n = 0; n < 4 - f; ++n) {
        Select("2024-04-0" + std::to_string(n + 1), files[f]);
      }
    }
    ASSERT_TRUE(mBase->Taxis_Build("2024-04-01", "2024-04-30"));
    ASSERT_EQ(Ranking().size(), 4u);
  }
};

TEST_P(TaxisTest, CountsPerFileMostChosenFirstMatchingFilesWithoutRegardToCase) {
  AddSong("First", "ONE.MPG");
  AddSong("Second", "TWO.MPG");
  Select("2024-03-05 10:00", "two.mpg");
  Select("2024-03-05 11:00", "one.mpg");
  Select("2024-03-06 12:00", "one.mpg");
  Select("2024-03-07", "one.mpg");
  EXPECT_TRUE(mBase->Taxis_Build("2024-03-01", "2024-03-31"));
  // The file is the logged text; the song name comes from the library.
  EXPECT_EQ(Ranking(), (Texts{"1:First:one.mpg:3", "2:Second:two.mpg:1"}));
}

TEST_P(TaxisTest, BothEndsOfThePeriodCountAndTheDayAfterDoesNot) {
  AddSong("S", "S.MPG");
  Select("2024-02-29 23:59", "S.MPG");  // the day before
  Select("2024-03-01 00:00", "S.MPG");
  Select("2024-03-15", "S.MPG");
  Select("2024-03-31 23:59:59", "S.MPG");
  Select("2024-04-01 00:00", "S.MPG");  // the day after
  // Begin and end dates are cut to their date part like the log's.
  EXPECT_TRUE(mBase->Taxis_Build("2024-03-01 12:00", "2024-03-31 00:00"));
  EXPECT_EQ(Ranking(), Texts{"1:S:S.MPG:3"});
  EXPECT_TRUE(mBase->Taxis_Build("2024-03-01", "2024-03-01"));
  // A new build replaces the ranking; keys go on from where they were.
  EXPECT_EQ(Ranking(), Texts{"2:S:S.MPG:1"});
}

TEST_P(TaxisTest, ReversedPeriodBuildsAnEmptyRanking) {
  AddSong("S", "S.MPG");
  Select("2024-03-10", "S.MPG");
  ASSERT_TRUE(mBase->Taxis_Build("2024-03-01", "2024-03-31"));
  EXPECT_TRUE(mBase->Taxis_Build("2024-03-31", "2024-03-01"));
  EXPECT_EQ(Ranking(), Texts{});
}

TEST_P(TaxisTest, FilesMissingFromTheLibraryDropOutAndSharedFilesAppearTwice) {
  AddSong("Original", "SHARED.MPG");
  AddSong("Cover", "shared.mpg");
  Select("2024-03-10", "SHARED.MPG");
  Select("2024-03-10", "SHARED.MPG");
  Select("2024-03-10", "GONE.MPG");
  Select("2024-03-10", "GONE.MPG");
  Select("2024-03-10", "GONE.MPG");
  ASSERT_TRUE(mBase->Taxis_Build("2024-03-10", "2024-03-10"));
  // Equal counts come in the engine's order: compare without the keys.
  Texts ranking = Ranking();
  ASSERT_EQ(ranking.size(), 2u);
  EXPECT_EQ(ranking[0].substr(0, 2), "1:");
  EXPECT_EQ(ranking[1].substr(0, 2), "2:");
  for (auto& row : ranking) {
    row = row.substr(2);
  }
  std::sort(ranking.begin(), ranking.end());
  EXPECT_EQ(ranking, (Texts{"Cover:SHARED.MPG:2", "Original:SHARED.MPG:2"}));
}

TEST_P(TaxisTest, BuildRunsTheStatementThroughTheLinkWithQuotedDates) {
  EXPECT_TRUE(mBase->Taxis_Build("O'Brien's", "2024-12-31T23:59"));
  ASSERT_EQ(mLink->mStatements.size(), 2u);
  EXPECT_EQ(mLink->mStatements[0], "DELETE FROM SongTaxis");
  EXPECT_EQ(mLink->mStatements[1],
            " INSERT INTO SongTaxis\n"
            " SELECT Song.strSongName,ABC.strSongFile,ABC.lngClickRate\n"
            " FROM (SELECT SelectSong.strSongFile, Count(selectsong.strSongFile) AS lngClickRate\n"
            " FROM SelectSong\n"
            " WHERE LEFT$(SelectSong.strDateTime,10)>='O''Brien''s' AND "
            "LEFT$(SelectSong.strDateTime,10)<='2024-12-31'\n"
            " GROUP BY selectsong.strSongFile) ABC\n"
            " INNER JOIN Song ON ABC.strSongFile = Song.strSignFile \n"
            " Order By ABC.lngClickRate DESC");
}

TEST_P(TaxisTest, FailedBuildLeavesTheRankingEmpty) {
  AddSong("S", "S.MPG");
  Select("2024-03-10", "S.MPG");
  ASSERT_TRUE(mBase->Taxis_Build("2024-03-01", "2024-03-31"));
  test::DropStoreTable(GetParam(), mPath, Db(), "Song");
  EXPECT_FALSE(mBase->Taxis_Build("2024-03-01", "2024-03-31"));
  EXPECT_EQ(Ranking(), Texts{});

  // Clearing that fails stops the build before its statement.
  mLink->mStatements.clear();
  mLink->CloseBase();
  EXPECT_FALSE(mBase->Taxis_Build("2024-03-01", "2024-03-31"));
  EXPECT_EQ(mLink->mStatements, Texts{"DELETE FROM SongTaxis"});
}

TEST_P(TaxisTest, WithoutALinkBuildDeleteAndClearPassTheErrorOn) {
  mBase->SetBase({});
  EXPECT_EQ(ErrorOf([&] { mBase->Taxis_Build("2024-01-01", "2024-01-31"); }),
            automation::kErrObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { mBase->Taxis_Clear(); }), automation::kErrObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { mBase->Taxis_Delete(1); }), automation::kErrObjectNotSet);
  // The reading members trap it.
  EXPECT_EQ(mBase->Taxis_Text(), "");
  EXPECT_NO_THROW(mBase->Taxis_Browse());
}

TEST_P(TaxisTest, DeleteAndClearRemoveRankingRows) {
  BuildFourRows();
  EXPECT_TRUE(mBase->Taxis_Delete(2));
  EXPECT_EQ(Ranking().size(), 3u);
  EXPECT_EQ(Ranking()[1].substr(0, 2), "3:");
  EXPECT_TRUE(mBase->Taxis_Clear());
  EXPECT_EQ(Ranking(), Texts{});
}

TEST_P(TaxisTest, TextLimitYieldsOneLineFewerThanAskedAndFileTitles) {
  BuildFourRows();
  EXPECT_EQ(mBase->Taxis_Text(), "D:\\KTV\\A\r\nB\r\nC\r\n");  // NODOT has an empty title
  EXPECT_EQ(mBase->Taxis_Text(-1), mBase->Taxis_Text());
  EXPECT_EQ(mBase->Taxis_Text(3), "D:\\KTV\\A\r\nB");
  EXPECT_EQ(mBase->Taxis_Text(2), "D:\\KTV\\A");
  EXPECT_EQ(mBase->Taxis_Text(1), "");
  EXPECT_EQ(mBase->Taxis_Text(0), "");
  EXPECT_EQ(mBase->Taxis_Text(-2), "");
  EXPECT_EQ(mBase->Taxis_Text(100), mBase->Taxis_Text());
}

TEST_P(TaxisTest, TextJoinsFourTitlesWithCrLf) {
  AddSong("A", "A.MPG");
  AddSong("B", "B.MPG");
  AddSong("C", "TOP MPG HITS.MPG");
  AddSong("D", "D.E.MPG");
  for (const char* file : {"A.MPG", "A.MPG", "A.MPG", "A.MPG", "B.MPG", "B.MPG", "B.MPG",
                           "TOP MPG HITS.MPG", "TOP MPG HITS.MPG", "D.E.MPG"}) {
    Select("2024-04-01", file);
  }
  ASSERT_TRUE(mBase->Taxis_Build("2024-04-01", "2024-04-01"));
  EXPECT_EQ(mBase->Taxis_Text(), "A\r\nB\r\nTOP\r\nD.E");  // no break after the last line
}

TEST_P(TaxisTest, EmptyRankingGivesEmptyTextAndNoEvents) {
  auto sink = automation::MakeObject<RankingSink>();
  mBase->Advise(sink);
  mBase->Taxis_Browse();
  EXPECT_TRUE(sink->mRates.empty());
  EXPECT_EQ(mBase->Taxis_Text(), "");
  test::DropStoreTable(GetParam(), mPath, Db(),
                       "SongTaxis");  // cannot be read: still no events, still ""
  mBase->Taxis_Browse();
  EXPECT_TRUE(sink->mRates.empty());
  EXPECT_EQ(mBase->Taxis_Text(), "");
}

TEST_P(TaxisTest, BrowseRaisesOneEventPerRowWithItsRate) {
  BuildFourRows();
  auto sink = automation::MakeObject<RankingSink>();
  mBase->Advise(sink);
  mBase->Taxis_Browse();
  EXPECT_EQ(sink->mRates, (std::vector<std::int32_t>{25, 50, 75, 100}));
  ASSERT_EQ(sink->mSongs.size(), 4u);
  EXPECT_EQ(sink->mSongs[0].lngSongTaxisID, 1);
  EXPECT_EQ(sink->mSongs[0].strSongName, "Song A");
  EXPECT_EQ(sink->mSongs[0].strSongFile, "D:\\KTV\\A.MPG");
  EXPECT_EQ(sink->mSongs[0].lngClickRate, 4);
  EXPECT_EQ(sink->mSongs[3].strSongName, "Song D");
  EXPECT_EQ(sink->mSongs[3].lngClickRate, 1);
}

TEST_P(TaxisTest, RowWithoutAClickRateIsCountedButNotReported) {
  Execute(
      "INSERT INTO SongTaxis (strSongName, strSongFile, lngClickRate) VALUES ('a', 'A.MPG', 2)");
  Execute(
      "INSERT INTO SongTaxis (strSongName, strSongFile, lngClickRate) VALUES ('b', 'B.MPG', NULL)");
  Execute("INSERT INTO SongTaxis (strSongName, strSongFile, lngClickRate) VALUES (NULL, NULL, 1)");
  auto sink = automation::MakeObject<RankingSink>();
  mBase->Advise(sink);
  mBase->Taxis_Browse();
  EXPECT_EQ(sink->mRates, (std::vector<std::int32_t>{33, 100}));
  EXPECT_EQ(sink->mSongs[1].strSongName, "");
  EXPECT_EQ(mBase->Taxis_Text(), "A\r\n");  // the Null file has an empty title
}

TEST_P(TaxisTest, StructCopiesFollowTheFieldRules) {
  SongTaxisStruct song{0, " Name ", " file.mpg ", 9};
  dao::RecordsetPtr set = Db()->OpenRecordset("SELECT * FROM SongTaxis", dao::dbOpenDynaset);
  set->AddNew();
  ASSERT_TRUE(mBase->Taxis_Struct2Base(set, song));
  set->Update();
  set->Close();
  EXPECT_EQ(song.lngSongTaxisID, 1);
  EXPECT_EQ(Ranking(), Texts{"1:Name:FILE.MPG:9"});

  mBase->Taxis_ClearStruct(song);
  EXPECT_EQ(song.lngSongTaxisID, 0);
  EXPECT_EQ(song.strSongName, "");
  EXPECT_EQ(song.strSongFile, "");
  EXPECT_EQ(song.lngClickRate, 0);
  set = Db()->OpenRecordset("SELECT * FROM SongTaxis", dao::dbOpenSnapshot);
  ASSERT_TRUE(mBase->Taxis_Base2Struct(set, song));
  EXPECT_EQ(song.strSongFile, "FILE.MPG");
  EXPECT_EQ(song.lngClickRate, 9);
  EXPECT_FALSE(mBase->Taxis_Struct2Base(set, song));  // a snapshot takes no writes
  set->Close();
  EXPECT_FALSE(mBase->Taxis_Base2Struct({}, song));
}

INSTANTIATE_TEST_SUITE_P(Backends, TaxisTest, ::testing::ValuesIn(test::Backends()),
                         test::BackendName);

}  // namespace
}  // namespace vod
