#include "tools/ravelin/Venue.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Collection.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "tools/ravelin/ProgressBar.h"
#include "tools/ravelin/ToolError.h"
#include "tools/ravelin/ToolFiles.h"

namespace ravelin_tool {

namespace {

// Collects what a walk raises and moves the progress bar with its rate.
class WalkSink : public vod::BaseEvents {
 public:
  explicit WalkSink(const std::string& label) : mBar(label) {}

  void OnRoomBrowseInfo(vod::RoomInfoStruct& sttRoom, std::int32_t& lngRate) override {
    mRooms.push_back(sttRoom);
    mBar.SetPercent(lngRate);
  }
  void OnTaxisBrowse(vod::SongTaxisStruct& sttTaxisSong, std::int32_t& lngRate) override {
    mRanking.push_back(sttTaxisSong);
    mBar.SetPercent(lngRate);
  }

  ProgressBar mBar;
  std::vector<vod::RoomInfoStruct> mRooms;
  std::vector<vod::SongTaxisStruct> mRanking;

 protected:
  ~WalkSink() override = default;
};

// Connects a sink for the length of one walk.
class Connection {
 public:
  Connection(vod::Base& base, const automation::ObjectPtr<WalkSink>& sink)
      : mBase(base), mCookie(base.Advise(sink)) {}
  ~Connection() { mBase.Unadvise(mCookie); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

 private:
  vod::Base& mBase;
  std::uint32_t mCookie;
};

}  // namespace

std::string ShownDatabase(const std::string& database) {
  if (!dao::Database::IsConnectionString(database)) {
    return database;
  }
  return dao::MaskPassword(database);
}

void CommitChange(dao::Transaction& transaction, const Venue& venue, const std::string& what) {
  try {
    transaction.Commit();
  } catch (const automation::AutomationError& error) {
    if (error.GetNumber() != dao::kDaoErrConnectionLost) {
      throw;
    }
    // The server may have committed before the answer was lost: "nothing changed" could be
    // false, and doing it again could store it twice.
    throw ToolError(venue.GetPath() + ": the connection to the server was lost while " +
                    "committing; whether the " + what + " were stored is unknown: " + error.what());
  }
}

Venue::Venue(const std::string& path, const std::string& password) : mPath(ShownDatabase(path)) {
  if (!dao::Database::IsConnectionString(path)) {
    RequireFile(path);
  }
  mBase = automation::MakeObject<vod::Base>();
  if (!mBase->InitInterface(path, password)) {
    const dao::BaseLinkPtr link = mBase->GetBase();
    const std::string reason = link ? link->GetLastError() : std::string();
    throw ToolError(mPath +
                    ": cannot open the venue database (wrong password, server unreachable, or "
                    "not a venue database)" +
                    (reason.empty() ? std::string() : ": " + reason));
  }
}

Venue::~Venue() = default;

std::vector<vod::RoomInfoStruct> Venue::BrowseRooms(vod::RoomSearchModes mode,
                                                    const automation::Variant& data,
                                                    const std::string& progressLabel) {
  auto sink = automation::MakeObject<WalkSink>(progressLabel);
  {
    Connection connection(Get(), sink);
    Get().Room_BrowseInfo(mode, data);
  }
  sink->mBar.Finish();
  return std::move(sink->mRooms);
}

std::vector<vod::SongTaxisStruct> Venue::BrowseRanking(const std::string& progressLabel) {
  auto sink = automation::MakeObject<WalkSink>(progressLabel);
  {
    Connection connection(Get(), sink);
    Get().Taxis_Browse();
  }
  sink->mBar.Finish();
  return std::move(sink->mRanking);
}

std::int32_t Venue::RequireRoom(const std::string& name) {
  const std::int32_t id = Get().Room_HaveInfo(name);
  if (id == 0) {
    throw ToolError("unknown room '" + name + "' in " + mPath);
  }
  return id;
}

std::vector<std::string> RoomStatusCaptions(vod::Base& base) {
  std::vector<std::string> captions;
  automation::CollectionPtr list = base.Room_ReferStatus();
  for (std::int32_t i = 1; list && i <= list->Count(); ++i) {
    captions.push_back(list->Item(automation::Variant(i)).ToString());
  }
  return captions;
}

}  // namespace ravelin_tool
