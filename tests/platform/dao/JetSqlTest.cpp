#include "platform/dao/JetSql.h"

#include <gtest/gtest.h>

#include <random>

namespace dao {
namespace {

TEST(JetSqlTest, JetFunctionsBecomeCaseBlindSqliteExpressions) {
  EXPECT_EQ(TranslateJetSql("SELECT * FROM Room WHERE LEFT$(Room.strRoomName,2)='ab'").sql,
            "SELECT * FROM Room WHERE (substr(Room.strRoomName, 1, 2) COLLATE NOCASE)="
            "('ab' COLLATE NOCASE) ORDER BY Room.rowid");
  EXPECT_EQ(
      TranslateJetSql("DELETE FROM T WHERE UCASE(a)=LCase$(b) AND Left(Mid(c,2,3),1)<>''").sql,
      "DELETE FROM T WHERE (upper(a) COLLATE NOCASE)=(lower(b) COLLATE NOCASE) AND "
      "(substr((substr(c, 2, 3) COLLATE NOCASE), 1, 1) COLLATE NOCASE)<>('' COLLATE NOCASE)");
  EXPECT_EQ(TranslateJetSql("DELETE FROM T WHERE IsNull(Room.strRoomCode) AND LEN(TRIM$(x))>0").sql,
            "DELETE FROM T WHERE (-((Room.strRoomCode) IS NULL)) AND "
            "length((trim(x) COLLATE NOCASE))>0");
  // Names that only look like Jet functions are left alone.
  EXPECT_EQ(TranslateJetSql("DELETE FROM T WHERE LEFTOVER(a)=1 AND Left=2").sql,
            "DELETE FROM T WHERE LEFTOVER(a)=1 AND Left=2");
}

TEST(JetSqlTest, LiteralsAndOperatorsOfTheJetDialect) {
  // Double quotes delimit text in Jet; quotes inside are re-escaped for SQLite.
  EXPECT_EQ(TranslateJetSql(R"(UPDATE T SET a = "it's ""x""" & b)").sql,
            R"(UPDATE T SET a = ('it''s "x"' COLLATE NOCASE) || b)");
  EXPECT_EQ(TranslateJetSql("DELETE FROM T WHERE d < #2024-01-02#").sql,
            "DELETE FROM T WHERE d < ('2024-01-02' COLLATE NOCASE)");
  // A quote doubled inside a literal stays one literal: no text escapes it.
  EXPECT_EQ(TranslateJetSql("DELETE FROM T WHERE a='x'' OR ''1''=''1'").sql,
            "DELETE FROM T WHERE a=('x'' OR ''1''=''1' COLLATE NOCASE)");
  EXPECT_EQ(TranslateJetSql("DELETE * FROM T;").sql, "DELETE  FROM T");
  // Statements other than queries and actions keep their literals bare.
  EXPECT_EQ(TranslateJetSql("PRAGMA journal_mode='wal'").sql, "PRAGMA journal_mode='wal'");
}

TEST(JetSqlTest, MalformedTextIsRefused) {
  EXPECT_THROW(TranslateJetSql("SELECT * FROM T WHERE a='open"), JetSqlError);
  EXPECT_THROW(TranslateJetSql("SELECT * FROM [T WHERE a=1"), JetSqlError);
  EXPECT_THROW(TranslateJetSql("SELECT LEFT$(a FROM T"), JetSqlError);
  EXPECT_THROW(TranslateJetSql("SELECT LEFT$(a) FROM T"), JetSqlError);
  EXPECT_THROW(TranslateJetSql("   ;"), JetSqlError);
}

TEST(JetSqlTest, PlainSelectsFromOneTableKeepAppendOrderAndAreKeyed) {
  JetSqlTranslation plain = TranslateJetSql("SELECT * FROM Room\n WHERE a=1");
  EXPECT_EQ(plain.sql, "SELECT * FROM Room\n WHERE a=1 ORDER BY Room.rowid");
  EXPECT_EQ(plain.keyedSql, "SELECT Room.rowid, * FROM Room\n WHERE a=1 ORDER BY Room.rowid");
  EXPECT_EQ(plain.baseTable, "Room");

  JetSqlTranslation aliased = TranslateJetSql("SELECT r.a FROM [Room] AS r ORDER BY a");
  EXPECT_EQ(aliased.sql, "SELECT r.a FROM [Room] AS r ORDER BY a");
  EXPECT_EQ(aliased.keyedSql, "SELECT r.rowid, r.a FROM [Room] AS r ORDER BY a");
  EXPECT_EQ(aliased.baseTable, "Room");

  for (const char* readOnly :
       {"SELECT DISTINCT a FROM RoomBackup ORDER BY a", "SELECT COUNT(*) AS n FROM Singer",
        "SELECT a FROM T GROUP BY a", "SELECT * FROM A INNER JOIN B ON A.x=B.x",
        "SELECT * FROM A, B", "SELECT * FROM (SELECT * FROM A) X"}) {
    JetSqlTranslation translation = TranslateJetSql(readOnly);
    EXPECT_TRUE(translation.keyedSql.empty()) << readOnly;
    EXPECT_TRUE(translation.baseTable.empty()) << readOnly;
    EXPECT_EQ(translation.sql.find("rowid"), std::string::npos) << readOnly;
  }

  JetSqlOptions noRowid;
  noRowid.hasRowid = [](const std::string& table) { return table != "SomeView"; };
  EXPECT_EQ(TranslateJetSql("SELECT * FROM SomeView", noRowid).sql, "SELECT * FROM SomeView");
  EXPECT_EQ(TranslateJetSql("SELECT * FROM Room", noRowid).baseTable, "Room");
}

TEST(JetSqlTest, InsertSelectNamesTheTargetColumnsAfterTheSelectedOnes) {
  std::string asked;
  JetSqlOptions options;
  options.selectColumns = [&](const std::string& selectSql) {
    asked = selectSql;
    return std::vector<std::string>{"strBackupName", "strRoomName", "odd\"name"};
  };
  const JetSqlTranslation translation = TranslateJetSql(
      "INSERT INTO RoomBackup SELECT 'b1' AS strBackupName, strRoomName, x From Room ", options);
  EXPECT_EQ(asked,
            "SELECT ('b1' COLLATE NOCASE) AS strBackupName, strRoomName, x From Room ORDER BY "
            "Room.rowid");
  EXPECT_EQ(
      translation.sql,
      "INSERT INTO RoomBackup (\"strBackupName\", \"strRoomName\", \"odd\"\"name\") " + asked);
  // A column list given by the caller is kept as it is.
  EXPECT_EQ(TranslateJetSql("INSERT INTO T(a,b) VALUES('x',1)", options).sql,
            "INSERT INTO T(a,b) VALUES(('x' COLLATE NOCASE),1)");
  // Without a way to learn the selected names the statement cannot be translated.
  EXPECT_THROW(TranslateJetSql("INSERT INTO T SELECT a FROM U"), JetSqlError);
}

TEST(JetSqlTest, ArbitraryTextTranslatesOrIsRefusedWithoutHarm) {
  // Pieces of the dialect thrown together at random: the translator must either give a text or
  // raise its own error, never read out of bounds or loop (the sanitizers watch).
  const std::vector<std::string> pieces = {
      "SELECT", " ",    "*",        "FROM",  "T",      "(",
      ")",      ",",    "'",        "\"",    "#",      "[",
      "]",      "`",    "LEFT$",    "UCASE", "IsNull", "MID",
      "INSERT", "INTO", "DELETE",   "WHERE", "ORDER",  "BY",
      "=",      "&",    ";",        "1",     "a$",     "\xe5\x8c\x85",
      "\n",     "AS",   "DISTINCT", "JOIN",  "GROUP",  "--"};
  std::mt19937 random(12);
  JetSqlOptions options;
  options.selectColumns = [](const std::string&) { return std::vector<std::string>{"a"}; };
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 16);
    for (int i = 0; i < length; ++i) {
      text += pieces[random() % pieces.size()];
    }
    try {
      TranslateJetSql(text, options);
    } catch (const JetSqlError&) {
    }
  }
}

// The PostgreSQL dialect, with the store's convention that str columns hold text.
JetSqlOptions PostgresOptions() {
  JetSqlOptions options;
  options.dialect = JetSqlDialect::kPostgres;
  options.isTextColumn = [](const std::string& column) {
    return column.size() > 3 && (column[0] == 's' || column[0] == 'S') &&
           (column[1] == 't' || column[1] == 'T');
  };
  options.keyColumn = [](const std::string& table) {
    return table == "Room" ? std::string("lngroomid") : std::string();
  };
  options.selectColumns = [](const std::string&) {
    return std::vector<std::string>{"strbackupname", "strroomname"};
  };
  return options;
}

std::string Key(const std::string& expression) {
  return CaseBlindKey(expression);
}

TEST(JetSqlPostgresTest, TextComparisonsCompareCaseBlindKeysAndNumbersStayAsTheyAre) {
  const JetSqlTranslation add = TranslateJetSql(
      "SELECT * FROM Room WHERE strRoomName='a''b' OR strRoomHost=\"pc\"", PostgresOptions());
  EXPECT_EQ(add.sql, "SELECT * FROM Room WHERE " + Key("strRoomName") + "=" + Key("'a''b'") +
                         " OR " + Key("strRoomHost") + "=" + Key("'pc'") +
                         " ORDER BY Room.lngroomid");
  EXPECT_EQ(add.keyedSql, "SELECT Room.lngroomid,* FROM Room WHERE " + Key("strRoomName") + "=" +
                              Key("'a''b'") + " OR " + Key("strRoomHost") + "=" + Key("'pc'") +
                              " ORDER BY Room.lngroomid");
  EXPECT_EQ(add.baseTable, "Room");
  // UCASE(x) has the key of x, so the index on x serves it; numbers compare as numbers.
  EXPECT_EQ(TranslateJetSql("DELETE FROM Room WHERE UCASE(strRoomName)='R1' AND lngRoomID=3 AND "
                            "Room.bytRoomStatus=1 AND IsNull(Room.strRoomCode)",
                            PostgresOptions())
                .sql,
            "DELETE FROM Room WHERE " + Key("strRoomName") + "=" + Key("'R1'") +
                " AND lngRoomID=3 AND Room.bytRoomStatus=1 AND ((Room.strRoomCode) IS NULL)");
  EXPECT_EQ(
      TranslateJetSql("DELETE FROM SelectSong WHERE LEFT$(strDateTime,10)<'2024-03'",
                      PostgresOptions())
          .sql,
      "DELETE FROM SelectSong WHERE " + Key("substr(strDateTime, 1, 10)") + "<" + Key("'2024-03'"));
}

TEST(JetSqlPostgresTest, GroupingDistinctSortingAndInsertSelectUseTheKeys) {
  EXPECT_EQ(TranslateJetSql("SELECT DISTINCT strBackupName FROM RoomBackup ORDER BY strBackupName",
                            PostgresOptions())
                .sql,
            "SELECT DISTINCT ON (" + Key("strBackupName") +
                ")  strBackupName FROM RoomBackup "
                " ORDER BY " +
                Key("strBackupName") + " ");
  const std::string grouped =
      TranslateJetSql(
          "SELECT s.strSongFile, Count(s.strSongFile) AS n FROM SelectSong s "
          "GROUP BY s.strSongFile Order By n DESC",
          PostgresOptions())
          .sql;
  EXPECT_EQ(grouped,
            "SELECT  min(s.strSongFile) AS strSongFile , Count(s.strSongFile) AS n "
            "FROM SelectSong s  GROUP BY " +
                Key("s.strSongFile") + "  ORDER BY n  DESC ");
  // Jet's INSERT ... SELECT matches by name: the selected names become the column list.
  EXPECT_EQ(TranslateJetSql("INSERT INTO RoomBackup SELECT 'x' AS strBackupName, strRoomName "
                            "From Room ",
                            PostgresOptions())
                .sql,
            "INSERT INTO RoomBackup (strbackupname, strroomname) SELECT 'x' AS strBackupName, "
            "strRoomName From Room ORDER BY Room.lngroomid");
  // A table without a lone integer key gives read-only sets in no particular order.
  EXPECT_EQ(TranslateJetSql("SELECT * FROM Song", PostgresOptions()).keyedSql, "");
}

TEST(JetSqlPostgresTest, TheSchemaGetsIdentityKeysServerTypesAndKeyIndexes) {
  const std::string schema = TranslateSchemaForPostgres(
      "-- a comment; with a semicolon\n"
      "CREATE TABLE Room (\n  lngRoomID INTEGER PRIMARY KEY AUTOINCREMENT,\n"
      "  strRoomName TEXT COLLATE NOCASE,\n  lngFinityTime LONG DEFAULT 0,\n"
      "  bytRoomStatus BYTE DEFAULT 0 CHECK (bytRoomStatus BETWEEN 0 AND 255)\n);\n"
      "CREATE INDEX RoomName ON Room (strRoomName);\n"
      "CREATE INDEX RoomTime ON Room (lngFinityTime);\n"
      "CREATE INDEX RoomDay ON Room (substr(strRoomName, 1, 10) COLLATE NOCASE);\n");
  EXPECT_EQ(schema,
            "CREATE TABLE Room (\n  lngRoomID integer GENERATED BY DEFAULT AS IDENTITY PRIMARY "
            "KEY,\n  strRoomName TEXT,\n  lngFinityTime integer DEFAULT 0,\n  bytRoomStatus "
            "smallint DEFAULT 0 CHECK (bytRoomStatus BETWEEN 0 AND 255)\n);\n"
            // The server folds names; the comments keep them as declared.
            "COMMENT ON COLUMN Room.lngRoomID IS 'lngRoomID';\n"
            "COMMENT ON COLUMN Room.strRoomName IS 'strRoomName';\n"
            "COMMENT ON COLUMN Room.lngFinityTime IS 'lngFinityTime';\n"
            "COMMENT ON COLUMN Room.bytRoomStatus IS 'bytRoomStatus';\n"
            "CREATE INDEX RoomName ON Room ((upper((strRoomName) COLLATE \"und-x-icu\")) "
            "COLLATE \"C\");\n"
            "CREATE INDEX RoomTime ON Room (lngFinityTime);\n"
            "CREATE INDEX RoomDay ON Room ((upper((substr(strRoomName, 1, 10)) COLLATE "
            "\"und-x-icu\")) COLLATE \"C\");\n");
  EXPECT_THROW(TranslateSchemaForPostgres("DROP TABLE Room;"), JetSqlError);
}

}  // namespace
}  // namespace dao
