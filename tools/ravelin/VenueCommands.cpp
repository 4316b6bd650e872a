// ravelin venue: the venue database through the store class Base: creating
// it, rooms, room backups, the song library, selections and the ranking.
#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "platform/automation/Collection.h"
#include "platform/dao/BaseLink.h"
#include "tools/ravelin/Commands.h"
#include "tools/ravelin/Table.h"
#include "tools/ravelin/ToolError.h"
#include "tools/ravelin/Venue.h"
#include "vod/Base.h"
#include "vod/RavelinSchema.h"

namespace ravelin_tool {

namespace {

// Options every venue command takes.
struct VenueArgs {
  std::string mDb;
  std::string mPassword;
  std::string mFormat = "table";
};

void AddVenueOptions(CLI::App* command, VenueArgs& args) {
  command->add_option("DB", args.mDb, kVenueDatabaseHelp)->required();
  command->add_option("--password", args.mPassword, "Database password");
}

void AddFormatOption(CLI::App* command, VenueArgs& args) {
  command->add_option("--format", args.mFormat, kFormatHelp)
      ->check(CLI::IsMember(TableFormatNames()));
}

// Lists that print bare lines unless asked for a format, so scripts reading those lines keep
// working.
void AddPlainListFormatOption(CLI::App* command, std::optional<std::string>& format) {
  command->add_option("--format", format, kFormatHelp)->check(CLI::IsMember(TableFormatNames()));
}

// The fields of a room a command may set; unset ones are left alone.
struct RoomFields {
  std::optional<std::string> mName, mCode, mHost, mUseTime, mIp, mMac, mFloor;
  std::optional<int> mFinityTime, mStatus;

  void AddOptions(CLI::App* command) {
    command->add_option("--name", mName, "Room name");
    command->add_option("--code", mCode, "Room code");
    command->add_option("--host", mHost, "Machine name of the room's player");
    command->add_option("--use-time", mUseTime, "Time the room went into use");
    command->add_option("--finity-time", mFinityTime, "Limited-use time (minutes)");
    command->add_option("--status", mStatus, "Room status 0-8 (see 'venue room statuses')")
        ->check(CLI::Range(0, 8));
    command->add_option("--ip", mIp, "IP address");
    command->add_option("--mac", mMac, "MAC address");
    command->add_option("--floor", mFloor, "Floor");
  }

  void ApplyTo(vod::RoomInfoStruct& room) const {
    if (mName)
      room.strRoomName = *mName;
    if (mCode)
      room.strRoomCode = *mCode;
    if (mHost)
      room.strRoomHost = *mHost;
    if (mUseTime)
      room.strUseTime = *mUseTime;
    if (mFinityTime)
      room.lngFinityTime = *mFinityTime;
    if (mStatus)
      room.bytRoomStatus = static_cast<std::uint8_t>(*mStatus);
    if (mIp)
      room.strRoomIP = *mIp;
    if (mMac)
      room.strMac = *mMac;
    if (mFloor)
      room.strFloor = *mFloor;
  }
};

void PrintRooms(vod::Base& base, const std::vector<vod::RoomInfoStruct>& rooms,
                const std::string& format) {
  Table table({"ID", "Name", "Code", "Host", "Status", "IP", "MAC", "Floor"});
  const std::vector<std::string> captions = RoomStatusCaptions(base);
  for (const auto& room : rooms) {
    const std::string caption =
        room.bytRoomStatus < captions.size() ? captions[room.bytRoomStatus] : std::string();
    table.AddRow({std::to_string(room.lngRoomID), room.strRoomName, room.strRoomCode,
                  room.strRoomHost, std::to_string(room.bytRoomStatus) + " " + caption,
                  room.strRoomIP, room.strMac, room.strFloor});
  }
  table.Print(std::cout, ParseTableFormat(format));
}

vod::RoomSearchModes ParseSearchMode(const std::string& mode) {
  if (mode == "all")
    return vod::rsmAll;
  if (mode == "name")
    return vod::rsmName;
  if (mode == "code")
    return vod::rsmCode;
  if (mode == "host")
    return vod::rsmHost;
  return vod::rsmStatus;
}

void AddRoomCommands(CLI::App* venue) {
  auto rooms = venue->add_subcommand("rooms", "List the rooms, optionally searched");
  auto roomsArgs = std::make_shared<VenueArgs>();
  auto mode = std::make_shared<std::string>("all");
  auto data = std::make_shared<std::optional<std::string>>();
  AddVenueOptions(rooms, *roomsArgs);
  AddFormatOption(rooms, *roomsArgs);
  rooms->add_option("--mode", *mode, "Search: all, name (starts with), code, host, status")
      ->check(CLI::IsMember({"all", "name", "code", "host", "status"}));
  rooms->add_option("--data", *data, "What the search looks for");
  rooms->callback([roomsArgs, mode, data] {
    if (*mode != "all" && !*data) {
      throw ToolError("--mode " + *mode + " needs --data");
    }
    if (*mode == "status" &&
        (data->value().empty() ||
         !std::all_of(data->value().begin(), data->value().end(), ::isdigit))) {
      throw ToolError("--mode status needs a status number as --data");
    }
    Venue venue(roomsArgs->mDb, roomsArgs->mPassword);
    const automation::Variant search =
        *data ? automation::Variant(data->value()) : automation::Variant::Missing();
    PrintRooms(venue.Get(), venue.BrowseRooms(ParseSearchMode(*mode), search, "rooms"),
               roomsArgs->mFormat);
  });

  CLI::App* room = venue->add_subcommand("room", "One room: add, update, delete, show");
  room->require_subcommand(1);

  auto add = room->add_subcommand("add", "Add a room (name and machine name must be new)");
  auto addArgs = std::make_shared<VenueArgs>();
  auto addFields = std::make_shared<RoomFields>();
  AddVenueOptions(add, *addArgs);
  addFields->AddOptions(add);
  add->callback([addArgs, addFields] {
    if (!addFields->mName || !addFields->mHost) {
      throw ToolError("a new room needs --name and --host");
    }
    Venue venue(addArgs->mDb, addArgs->mPassword);
    vod::RoomInfoStruct info;
    venue.Get().Room_ClearStruct(info);
    addFields->ApplyTo(info);
    const std::int32_t id = venue.Get().Room_AddNewInfo(info);
    if (id == 0) {
      throw ToolError("room '" + *addFields->mName +
                      "' not added: its name or machine name is taken, or the store refused it");
    }
    std::cout << "added room " << id << '\n';
  });

  auto update = room->add_subcommand("update", "Change fields of a room");
  auto updateArgs = std::make_shared<VenueArgs>();
  auto updateRoom = std::make_shared<std::string>();
  auto updateFields = std::make_shared<RoomFields>();
  AddVenueOptions(update, *updateArgs);
  update->add_option("ROOM", *updateRoom, "Name of the room")->required();
  updateFields->AddOptions(update);
  update->callback([updateArgs, updateRoom, updateFields] {
    Venue venue(updateArgs->mDb, updateArgs->mPassword);
    const std::int32_t id = venue.RequireRoom(*updateRoom);
    vod::RoomInfoStruct info;
    if (!venue.Get().Room_GetInfo(id, info)) {
      throw ToolError("room '" + *updateRoom + "' cannot be read");
    }
    updateFields->ApplyTo(info);
    if (!venue.Get().Room_UpdateInfo(id, info)) {
      throw ToolError("room '" + *updateRoom +
                      "' not updated: the name or machine name belongs to another room");
    }
    std::cout << "updated room " << id << '\n';
  });

  auto del = room->add_subcommand("delete", "Delete a room");
  auto delArgs = std::make_shared<VenueArgs>();
  auto delRoom = std::make_shared<std::string>();
  AddVenueOptions(del, *delArgs);
  del->add_option("ROOM", *delRoom, "Name of the room")->required();
  del->callback([delArgs, delRoom] {
    Venue venue(delArgs->mDb, delArgs->mPassword);
    const std::int32_t id = venue.RequireRoom(*delRoom);
    if (!venue.Get().Room_DeleteInfo(id)) {
      throw ToolError("room '" + *delRoom + "' could not be deleted");
    }
    std::cout << "deleted room " << id << '\n';
  });

  auto show = room->add_subcommand("show", "Show one room");
  auto showArgs = std::make_shared<VenueArgs>();
  auto showRoom = std::make_shared<std::string>();
  AddVenueOptions(show, *showArgs);
  AddFormatOption(show, *showArgs);
  show->add_option("ROOM", *showRoom, "Name of the room")->required();
  show->callback([showArgs, showRoom] {
    Venue venue(showArgs->mDb, showArgs->mPassword);
    vod::RoomInfoStruct info;
    if (!venue.Get().Room_GetInfo(venue.RequireRoom(*showRoom), info)) {
      throw ToolError("room '" + *showRoom + "' cannot be read");
    }
    PrintRooms(venue.Get(), {info}, showArgs->mFormat);
  });

  auto statuses = room->add_subcommand("statuses", "List the room statuses");
  auto statusArgs = std::make_shared<VenueArgs>();
  auto statusFormat = std::make_shared<std::optional<std::string>>();
  AddVenueOptions(statuses, *statusArgs);
  AddPlainListFormatOption(statuses, *statusFormat);
  statuses->callback([statusArgs, statusFormat] {
    Venue venue(statusArgs->mDb, statusArgs->mPassword);
    const std::vector<std::string> captions = RoomStatusCaptions(venue.Get());
    if (*statusFormat) {
      Table table({"Status", "Caption"});
      for (size_t i = 0; i < captions.size(); ++i) {
        table.AddRow({std::to_string(i), captions[i]});
      }
      table.Print(std::cout, ParseTableFormat(statusFormat->value()));
      return;
    }
    for (size_t i = 0; i < captions.size(); ++i) {
      std::cout << i << '\t' << captions[i] << '\n';
    }
  });
}

void AddBackupCommands(CLI::App* venue) {
  CLI::App* backup = venue->add_subcommand("backup", "Named backups of the room list");
  backup->require_subcommand(1);

  auto makeNamed = [backup](const char* name, const char* help,
                            std::function<void(Venue&, const std::string&)> action) {
    auto command = backup->add_subcommand(name, help);
    auto args = std::make_shared<VenueArgs>();
    auto backupName = std::make_shared<std::string>();
    AddVenueOptions(command, *args);
    command->add_option("NAME", *backupName, "Backup name")->required();
    command->callback([args, backupName, action] {
      Venue venue(args->mDb, args->mPassword);
      action(venue, *backupName);
    });
  };

  makeNamed("create", "Copy every room into a backup of that name",
            [](Venue& venue, const std::string& name) {
              if (!venue.Get().Room_CreateBackup(name)) {
                throw ToolError("backup '" + name + "' could not be created");
              }
              std::cout << "created backup '" << name << "'\n";
            });
  makeNamed("restore", "Replace the rooms by the rooms of a backup",
            [](Venue& venue, const std::string& name) {
              // Restoring a name without backup rows would empty the room list.
              if (venue.Get().Room_HaveBackup(name) == 0) {
                throw ToolError("no backup named '" + name + "' in " + venue.GetPath());
              }
              if (!venue.Get().Room_Restore(name)) {
                throw ToolError("backup '" + name + "' could not be restored; rooms unchanged");
              }
              std::cout << "restored backup '" << name << "'\n";
            });
  makeNamed("delete", "Delete a backup", [](Venue& venue, const std::string& name) {
    if (venue.Get().Room_HaveBackup(name) == 0) {
      throw ToolError("no backup named '" + name + "' in " + venue.GetPath());
    }
    if (!venue.Get().Room_DelBackup(name)) {
      throw ToolError("backup '" + name + "' could not be deleted");
    }
    std::cout << "deleted backup '" << name << "'\n";
  });

  auto list = backup->add_subcommand("list", "List the backup names");
  auto listArgs = std::make_shared<VenueArgs>();
  auto listFormat = std::make_shared<std::optional<std::string>>();
  AddVenueOptions(list, *listArgs);
  AddPlainListFormatOption(list, *listFormat);
  list->callback([listArgs, listFormat] {
    Venue venue(listArgs->mDb, listArgs->mPassword);
    automation::CollectionPtr names = venue.Get().Room_ReferBackup();
    if (!names) {
      throw ToolError("the backups of " + ShownDatabase(listArgs->mDb) + " could not be listed");
    }
    Table table({"Name"});
    for (std::int32_t i = 1; i <= names->Count(); ++i) {
      table.AddRow({names->Item(automation::Variant(i)).ToString()});
    }
    if (*listFormat) {
      table.Print(std::cout, ParseTableFormat(listFormat->value()));
      return;
    }
    for (std::int32_t i = 1; i <= names->Count(); ++i) {
      std::cout << names->Item(automation::Variant(i)).ToString() << '\n';
    }
  });
}

}  // namespace

void AddVenueCommands(CLI::App& app) {
  CLI::App* venue = app.add_subcommand("venue", "Venue databases: rooms, backups, songs, ranking");
  venue->require_subcommand(1);

  auto init = venue->add_subcommand(
      "init",
      "Create a new, empty venue database: a new file, or the tables in an empty database on "
      "a PostgreSQL server (one that holds tables already is refused)");
  auto initArgs = std::make_shared<VenueArgs>();
  AddVenueOptions(init, *initArgs);
  init->callback([initArgs] {
    try {
      vod::CreateRavelinDatabase(initArgs->mDb, initArgs->mPassword);
    } catch (const std::exception& e) {
      throw ToolError(ShownDatabase(initArgs->mDb) + ": cannot create: " + e.what());
    }
    std::cout << "created " << ShownDatabase(initArgs->mDb) << '\n';
  });

  auto grant = venue->add_subcommand(
      "grant",
      "Give a login role of a PostgreSQL server what the venue's PCs need (CONNECT, SELECT, "
      "INSERT, UPDATE and DELETE on the store's tables, USAGE on their sequences) and nothing "
      "more; run as the database's owner after init");
  auto grantArgs = std::make_shared<VenueArgs>();
  auto grantRole = std::make_shared<std::string>();
  AddVenueOptions(grant, *grantArgs);
  grant->add_option("ROLE", *grantRole, "The PCs' login role")->required();
  grant->callback([grantArgs, grantRole] {
    if (!dao::Database::IsConnectionString(grantArgs->mDb)) {
      throw ToolError(grantArgs->mDb + ": a database file has no roles; grant is for a server");
    }
    try {
      dao::Database::GrantAccess(grantArgs->mDb, grantArgs->mPassword, *grantRole);
    } catch (const std::exception& e) {
      throw ToolError(ShownDatabase(grantArgs->mDb) + ": cannot grant access to '" + *grantRole +
                      "': " + e.what());
    }
    std::cout << "granted " << *grantRole << " access to " << ShownDatabase(grantArgs->mDb) << '\n';
  });

  AddRoomCommands(venue);
  AddBackupCommands(venue);
  AddSongCommands(venue);
}

}  // namespace ravelin_tool
