// Fixture for the song members of Base: a new store (a file in a scratch directory or a server
// database, by the test's Backend parameter), a Base object whose link (the shipped connection
// component, wrapped in a RecordingLink so the statements it ran can be read) has that file open,
// and helpers that fill and read tables directly. One per test; used on the test's thread only.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/automation/AutomationError.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "tests/vod/StoreBackend.h"
#include "tests/vod/VodTestSupport.h"
#include "vod/Base.h"
#include "vod/RavelinSchema.h"

namespace vod::test {

class SongStoreTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (test::NoServerFor(GetParam())) {
      GTEST_SKIP() << "RAVELIN_TEST_PG names no test server";
    }
    mPath = mStore.Create();
    mBase = automation::MakeObject<Base>();
    mLink = automation::MakeObject<RecordingLink>(dao::CreateBaseLink());
    mBase->SetBase(mLink);
    ASSERT_TRUE(mBase->InitInterface(mPath));
  }

  dao::DatabasePtr Db() const { return mLink->BaseDatabase(); }

  void Execute(const std::string& sql) const { Db()->Execute(sql); }

  // One column of every row a query returns, Null shown as "<null>".
  std::vector<std::string> Column(const std::string& sql, const std::string& column) const {
    dao::RecordsetPtr set = Db()->OpenRecordset(sql, dao::dbOpenSnapshot);
    std::vector<std::string> values;
    while (!set->IsEOF()) {
      const automation::Variant value = set->GetField(column);
      values.push_back(value.IsNull() ? "<null>" : value.ToString());
      set->MoveNext();
    }
    set->Close();
    return values;
  }

  void AddSong(const std::string& name, const std::string& file) const {
    Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('" + name + "', '" + file + "')");
  }

  void Select(const std::string& when, const std::string& file, std::int32_t room = 1) {
    SelectSongStruct selection;
    selection.strDateTime = when;
    selection.strSongFile = file;
    selection.lngRoomID = room;
    ASSERT_TRUE(mBase->SelectSong_AddNew(selection));
  }

  ScratchStore mStore{GetParam()};
  std::string mPath;
  BasePtr mBase;
  automation::ObjectPtr<RecordingLink> mLink;
};

using Texts = std::vector<std::string>;

}  // namespace vod::test
