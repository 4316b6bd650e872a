// Default songs, the selection log and the counts, against a real store file.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/vod/SongStoreFixture.h"
#include "vod/RavelinSchema.h"

namespace vod {
namespace {

using test::ErrorOf;
using test::Texts;

class DefaultSongTest : public test::SongStoreTest {
 protected:
  std::int32_t Add(const std::string& name, const std::string& file) {
    DefaultSongStruct song;
    song.strSongName = name;
    song.strFileName = file;
    return mBase->DefaultSong_AddNew(song);
  }

  // Name and file of every item of DefaultSong_GetAll.
  Texts Listed() {
    Texts listed;
    const automation::CollectionPtr songs = mBase->DefaultSong_GetAll();
    EXPECT_TRUE(songs);
    for (std::int32_t i = 1; songs && i <= songs->Count(); ++i) {
      const auto& song = songs->Item(i).GetRecord<DefaultSongStruct>();
      listed.push_back(std::to_string(song.lngDefaultSongID) + ":" + song.strSongName + ":" +
                       song.strFileName);
    }
    return listed;
  }
};

TEST_P(DefaultSongTest, AddStoresTrimmedUpperCaseFileAndHandsBackTheKey) {
  DefaultSongStruct song;
  song.strSongName = "  Moon River ";
  song.strFileName = "moon river.mpg ";
  EXPECT_EQ(mBase->DefaultSong_AddNew(song), 1);
  EXPECT_EQ(song.lngDefaultSongID, 1);
  EXPECT_EQ(song.strFileName, "moon river.mpg ");  // the caller's text is not rewritten
  EXPECT_EQ(Column("SELECT * FROM DefaultSong", "strFileName"), Texts{"MOON RIVER.MPG"});
  EXPECT_EQ(Column("SELECT * FROM DefaultSong", "strSongName"), Texts{"Moon River"});
  EXPECT_EQ(Add("Hey Jude", "hey.mpg"), 2);
  EXPECT_EQ(Listed(), (Texts{"1:Moon River:MOON RIVER.MPG", "2:Hey Jude:HEY.MPG"}));
}

TEST_P(DefaultSongTest, FileAlreadyListedInAnyCaseIsRefusedButNotWithASpace) {
  ASSERT_EQ(Add("One", "ONE.MPG"), 1);
  EXPECT_EQ(Add("Again", "one.mpg"), 0);
  EXPECT_EQ(Add("Again", "One.Mpg"), 0);
  // The look-up takes the name as given while the stored name is trimmed, so a leading space
  // gets past it and the file is listed twice.
  EXPECT_EQ(Add("Spaced", " ONE.MPG"), 2);
  EXPECT_EQ(Column("SELECT * FROM DefaultSong", "strFileName"), (Texts{"ONE.MPG", "ONE.MPG"}));
}

TEST_P(DefaultSongTest, FileNamesOfEveryScriptAreStoredInUpperCaseAndFoundInAnyCase) {
  ASSERT_EQ(Add("Dal", "ő-dal.mpg"), 1);
  EXPECT_EQ(Column("SELECT * FROM DefaultSong", "strFileName"), Texts{"Ő-DAL.MPG"});
  EXPECT_EQ(Add("Again", "Ő-dal.MPG"), 0);
  ASSERT_EQ(Add("Łódź", "łódź.mpg"), 2);
  EXPECT_EQ(Add("Again", "ŁÓDŹ.MPG"), 0);
  EXPECT_EQ(Listed(), (Texts{"1:Dal:Ő-DAL.MPG", "2:Łódź:ŁÓDŹ.MPG"}));
}

TEST_P(DefaultSongTest, FileListedInAnotherCaseBeyondAsciiIsRefused) {
  // The file is stored upper-cased (CAFÉ.MPG); the same name in lower case is the same file.
  ASSERT_EQ(Add("Café", "café.mpg"), 1);
  EXPECT_EQ(Add("Again", "café.mpg"), 0);
  EXPECT_EQ(Add("Again", "ＫＴＶ.mpg"), 2);
  EXPECT_EQ(Add("Again", "ｋｔｖ.MPG"), 0);  // full-width letters, common in Chinese names
  EXPECT_EQ(Column("SELECT * FROM DefaultSong", "strFileName"), (Texts{"CAFÉ.MPG", "ＫＴＶ.MPG"}));
}

TEST_P(DefaultSongTest, QuotesInFileNamesAreStoredAndLookedUpSafely) {
  EXPECT_EQ(Add("Rock", "rock'n'roll.mpg"), 1);
  EXPECT_EQ(Add("Rock", "ROCK'N'ROLL.MPG"), 0);
  EXPECT_EQ(Add("Other", "x' OR '1'='1"), 2);  // would match every row if it were not quoted
  EXPECT_EQ(Listed(), (Texts{"1:Rock:ROCK'N'ROLL.MPG", "2:Other:X' OR '1'='1"}));
}

TEST_P(DefaultSongTest, GetAllReadsNullsAsEmptyAndUpperCasesOldRows) {
  EXPECT_EQ(Listed(), Texts{});  // empty table: an empty collection, not Nothing
  Execute("INSERT INTO DefaultSong (strSongName, strFileName) VALUES (NULL, ' old.mpg ')");
  Execute("INSERT INTO DefaultSong (strSongName, strFileName) VALUES ('No file', NULL)");
  EXPECT_EQ(Listed(), (Texts{"1::OLD.MPG", "2:No file:"}));
}

TEST_P(DefaultSongTest, DeleteAndClearRemoveRows) {
  Add("One", "1.MPG");
  Add("Two", "2.MPG");
  Add("Three", "3.MPG");
  EXPECT_TRUE(mBase->DefaultSong_Delete(2));
  EXPECT_EQ(Column("SELECT * FROM DefaultSong", "strSongName"), (Texts{"One", "Three"}));
  EXPECT_TRUE(mBase->DefaultSong_Delete(99));  // nothing to delete is no failure
  EXPECT_EQ(mLink->mStatements.back(), "DELETE FROM DefaultSong WHERE lngDefaultSongID=99");
  EXPECT_TRUE(mBase->DefaultSong_Clear());
  EXPECT_EQ(Listed(), Texts{});
}

TEST_P(DefaultSongTest, StructCopiesFollowTheFieldRules) {
  DefaultSongStruct song{7, "x", "y"};
  mBase->DefaultSong_ClearStruct(song);
  EXPECT_EQ(song.lngDefaultSongID, 0);
  EXPECT_EQ(song.strSongName, "");
  EXPECT_EQ(song.strFileName, "");

  // A copy into a read-only set fails after reading the key, and a missing set fails at once.
  Add("One", "1.MPG");
  dao::RecordsetPtr snapshot =
      Db()->OpenRecordset("SELECT * FROM DefaultSong", dao::dbOpenSnapshot);
  song.strSongName = "Changed";
  EXPECT_FALSE(mBase->DefaultSong_Struct2Base(snapshot, song));
  EXPECT_EQ(song.lngDefaultSongID, 1);
  EXPECT_FALSE(mBase->DefaultSong_Struct2Base({}, song));
  EXPECT_FALSE(mBase->DefaultSong_Base2Struct({}, song));
  EXPECT_TRUE(mBase->DefaultSong_Base2Struct(snapshot, song));
  EXPECT_EQ(song.strSongName, "One");
  snapshot->Close();
}

TEST_P(DefaultSongTest, WithoutALinkEveryMemberGivesItsNeutralValue) {
  mBase->SetBase({});
  DefaultSongStruct song{0, "One", "1.MPG"};
  EXPECT_EQ(mBase->DefaultSong_AddNew(song), 0);
  const automation::CollectionPtr songs = mBase->DefaultSong_GetAll();
  ASSERT_TRUE(songs);
  EXPECT_EQ(songs->Count(), 0);
  EXPECT_FALSE(mBase->DefaultSong_Delete(1));
  EXPECT_FALSE(mBase->DefaultSong_Clear());
  EXPECT_EQ(mBase->Singer_Count(), 0);
  EXPECT_EQ(mBase->Song_Count(), 0);
  EXPECT_EQ(mBase->SelectSong_Count(), 0);
  EXPECT_FALSE(mBase->SelectSong_AddNew(SelectSongStruct{}));
  EXPECT_FALSE(mBase->SelectSong_ClearFrom("2024-01-01"));
  // SelectSong_Clear passes the error on: an unset object reference.
  EXPECT_EQ(ErrorOf([&] { mBase->SelectSong_Clear(); }), automation::kErrObjectNotSet);
}

TEST_P(DefaultSongTest, LinkWithoutAnOpenDatabaseReportsFailure) {
  mLink->CloseBase();
  DefaultSongStruct song{0, "One", "1.MPG"};
  EXPECT_EQ(mBase->DefaultSong_AddNew(song), 0);
  EXPECT_FALSE(mBase->DefaultSong_Clear());
  EXPECT_FALSE(mBase->SelectSong_Clear());  // the link answers False without raising
}

class CountTest : public test::SongStoreTest {};

TEST_P(CountTest, SingerCountArgumentIsOneMoreThanTheShowFlag) {
  EXPECT_EQ(mBase->Singer_Count(), 0);
  Execute("INSERT INTO Singer (strSingerName, bytShow) VALUES ('a', 0)");
  Execute("INSERT INTO Singer (strSingerName, bytShow) VALUES ('b', 1)");
  Execute("INSERT INTO Singer (strSingerName, bytShow) VALUES ('c', 1)");
  Execute("INSERT INTO Singer (strSingerName, bytShow) VALUES ('d', 1)");
  EXPECT_EQ(mBase->Singer_Count(0), 4);
  EXPECT_EQ(mBase->Singer_Count(1), 1);
  EXPECT_EQ(mBase->Singer_Count(2), 3);
  EXPECT_EQ(mBase->Singer_Count(3), 4);
  EXPECT_EQ(mBase->Singer_Count(255), 4);
}

TEST_P(CountTest, SongAndSelectionCountsFollowTheirTables) {
  EXPECT_EQ(mBase->Song_Count(), 0);
  AddSong("A", "A.MPG");
  AddSong("B", "B.MPG");
  EXPECT_EQ(mBase->Song_Count(), 2);
  EXPECT_EQ(mBase->SelectSong_Count(), 0);
  Select("2024-01-01", "A.MPG");
  EXPECT_EQ(mBase->SelectSong_Count(), 1);
  test::DropStoreTable(GetParam(), mPath, Db(), "Song");  // an engine error is trapped
  EXPECT_EQ(mBase->Song_Count(), 0);
}

class SelectSongTest : public test::SongStoreTest {};

TEST_P(SelectSongTest, AddNewStoresTheValuesExactlyAsGiven) {
  SelectSongStruct selection;
  selection.lngSelectSongID = 42;
  selection.lngRoomID = 7;
  selection.bytStatus = 200;
  selection.strDateTime = " 2024-05-01 20:15:00";
  selection.strSongFile = " love me.mpg ";
  EXPECT_TRUE(mBase->SelectSong_AddNew(selection));
  EXPECT_EQ(mLink->mStatements.back(),
            " INSERT INTO SelectSong(strDateTime,lngRoomID,strSongFile,bytStatus) VALUES(' "
            "2024-05-01 20:15:00',7,' love me.mpg ',200)");
  EXPECT_EQ(selection.lngSelectSongID, 42);  // the record is left alone
  EXPECT_EQ(Column("SELECT * FROM SelectSong", "strSongFile"), Texts{" love me.mpg "});
  EXPECT_EQ(Column("SELECT * FROM SelectSong", "strDateTime"), Texts{" 2024-05-01 20:15:00"});
  EXPECT_EQ(Column("SELECT * FROM SelectSong", "lngRoomID"), Texts{"7"});
  EXPECT_EQ(Column("SELECT * FROM SelectSong", "bytStatus"), Texts{"200"});
}

TEST_P(SelectSongTest, QuotesInValuesAreDoubledAndStoredIntact) {
  Select("2024-05-01", "it's.mpg");
  Select("2024-05-01'); DELETE FROM Song; --", "x.mpg");
  EXPECT_EQ(Column("SELECT * FROM SelectSong", "strSongFile"), (Texts{"it's.mpg", "x.mpg"}));
  EXPECT_EQ(Column("SELECT * FROM SelectSong", "strDateTime")[1],
            "2024-05-01'); DELETE FROM Song; --");
}

TEST_P(SelectSongTest, Struct2BaseUpperCasesWhereAddNewDoesNot) {
  SelectSongStruct selection{0, 3, 1, " 2024-05-02 10:00 ", " song.mpg "};
  dao::RecordsetPtr set = Db()->OpenRecordset("SELECT * FROM SelectSong", dao::dbOpenDynaset);
  set->AddNew();
  ASSERT_TRUE(mBase->SelectSong_Struct2Base(set, selection));
  set->Update();
  set->Close();
  EXPECT_EQ(selection.lngSelectSongID, 1);
  EXPECT_EQ(Column("SELECT * FROM SelectSong", "strSongFile"), Texts{"SONG.MPG"});
  EXPECT_EQ(Column("SELECT * FROM SelectSong", "strDateTime"), Texts{"2024-05-02 10:00"});

  SelectSongStruct read;
  set = Db()->OpenRecordset("SELECT * FROM SelectSong", dao::dbOpenSnapshot);
  ASSERT_TRUE(mBase->SelectSong_Base2Struct(set, read));
  EXPECT_EQ(read.lngSelectSongID, 1);
  EXPECT_EQ(read.lngRoomID, 3);
  EXPECT_EQ(read.bytStatus, 1);
  EXPECT_EQ(read.strSongFile, "SONG.MPG");
  set->Close();

  mBase->SelectSong_ClearStruct(read);
  EXPECT_EQ(read.lngSelectSongID, 0);
  EXPECT_EQ(read.lngRoomID, 0);
  EXPECT_EQ(read.bytStatus, 0);
  EXPECT_EQ(read.strDateTime, "");
  EXPECT_EQ(read.strSongFile, "");
}

TEST_P(SelectSongTest, Base2StructFailsOnANullRoomOrStatusButNotOnNullTexts) {
  Execute("INSERT INTO SelectSong (lngRoomID, bytStatus) VALUES (4, 2)");
  Execute("INSERT INTO SelectSong (strSongFile, lngRoomID, bytStatus) VALUES ('a.mpg', NULL, 2)");
  Execute("INSERT INTO SelectSong (strSongFile, lngRoomID, bytStatus) VALUES ('b.mpg', 5, NULL)");
  dao::RecordsetPtr set = Db()->OpenRecordset("SELECT * FROM SelectSong", dao::dbOpenSnapshot);
  SelectSongStruct read{9, 9, 9, "old", "old"};
  EXPECT_TRUE(mBase->SelectSong_Base2Struct(set, read));
  EXPECT_EQ(read.strSongFile, "");
  EXPECT_EQ(read.strDateTime, "");
  EXPECT_EQ(read.lngRoomID, 4);
  set->MoveNext();
  EXPECT_FALSE(mBase->SelectSong_Base2Struct(set, read));
  EXPECT_EQ(read.strSongFile, "a.mpg");  // copied before the failing field
  set->MoveNext();
  EXPECT_FALSE(mBase->SelectSong_Base2Struct(set, read));
  EXPECT_EQ(read.lngRoomID, 5);
  set->Close();
}

TEST_P(SelectSongTest, ClearFromKeepsTheGivenDateAndUsesOnlyItsDatePart) {
  Select("2024-02-28 23:59:59", "a.mpg");
  Select("2024-02-29", "b.mpg");
  Select("2024-02-29 00:00:01", "c.mpg");
  Select("2024-03-01 08:00", "d.mpg");
  EXPECT_TRUE(mBase->SelectSong_ClearFrom("2024-02-29 12:00:00"));
  EXPECT_EQ(mLink->mStatements.back(),
            "DELETE FROM SelectSong WHERE LEFT$(strDateTime,10)<'2024-02-29'");
  EXPECT_EQ(Column("SELECT * FROM SelectSong", "strSongFile"), (Texts{"b.mpg", "c.mpg", "d.mpg"}));
  // A hostile date stays one text; nothing sorts before it here.
  EXPECT_TRUE(mBase->SelectSong_ClearFrom("' OR ''='"));
  EXPECT_EQ(mBase->SelectSong_Count(), 3);
  // A short date is used whole.
  EXPECT_TRUE(mBase->SelectSong_ClearFrom("2024-03"));
  EXPECT_EQ(Column("SELECT * FROM SelectSong", "strSongFile"), Texts{"d.mpg"});
  EXPECT_TRUE(mBase->SelectSong_Clear());
  EXPECT_EQ(mBase->SelectSong_Count(), 0);
}

// A selection reported stored is on disk even when the process dies straight after.
TEST(SelectSongDurabilityTest, StoredSelectionSurvivesAKilledProcess) {
  test::TempDir dir{test::TempDir::ForDeathTest{}};
  const std::string path = dir.File("store.db");
  vod::CreateRavelinDatabase(path);
  auto storeThenDie = [&] {
    auto base = automation::MakeObject<Base>();
    SelectSongStruct selection{0, 1, 0, "2024-06-01 21:00", "KEPT.MPG"};
    if (base->InitInterface(path) && base->SelectSong_AddNew(selection)) {
      std::_Exit(7);  // no destructor, no close: the database is left as it is
    }
    std::exit(1);
  };
  EXPECT_EXIT(storeThenDie(), ::testing::ExitedWithCode(7), "");
  auto base = automation::MakeObject<Base>();
  ASSERT_TRUE(base->InitInterface(path));
  EXPECT_EQ(base->SelectSong_Count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, DefaultSongTest, ::testing::ValuesIn(test::Backends()),
                         test::BackendName);
INSTANTIATE_TEST_SUITE_P(Backends, CountTest, ::testing::ValuesIn(test::Backends()),
                         test::BackendName);
INSTANTIATE_TEST_SUITE_P(Backends, SelectSongTest, ::testing::ValuesIn(test::Backends()),
                         test::BackendName);

}  // namespace
}  // namespace vod
