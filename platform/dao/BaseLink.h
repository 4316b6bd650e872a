// BaseLink: the connection component that opens the store's database (a file, or a database on
// a PostgreSQL server named by a connection string; see Database.h) and hands the open Database
// to the class Base.
//
// BaseLink is the interface Base uses (early bound); CreateBaseLink makes the default
// implementation. Like a component installed on the machine, that class is entered
// in the process-wide class registry under kBaseLinkClsid (ProgID "Ravelin.BaseLink") as soon
// as this library is loaded, so automation::CreateObject makes it; UnregisterBaseLinkServer and
// RegisterBaseLinkServer take it out and put it back (a host without the component). The members
// keep the interface's order: CreateBase, BaseDatabase, GetBasePath, IsOpen, CloseBase, ExecuteSQL,
// OpenBase.
//
// CreateBase makes a new database from the schema text it is given; OpenBase only ever opens an
// existing one.
//
// Ownership: reference-counted (automation::ObjectPtr). The link owns its open Database; a
// Database handed out by BaseDatabase stays valid as an object after CloseBase but fails with
// 3420 from then on. Belongs to the thread that created it.
#pragma once

#include <string>
#include <string_view>

#include "platform/automation/Guid.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Object.h"
#include "platform/dao/DaoExport.h"
#include "platform/dao/Database.h"

namespace dao {

// Class of the default connection component and the interface Base asks for.
inline constexpr std::string_view kBaseLinkClsid = "{E771D59A-B95D-4B43-AE1C-916A86A6D530}";
inline constexpr std::string_view kBaseLinkIid = "{1DC4A90F-530B-44C4-B4E5-0EF7EFD3BC6C}";
inline constexpr std::string_view kBaseLinkProgId = "Ravelin.BaseLink";

class DAO_EXPORT BaseLink : public virtual automation::Object {
 public:
  // Makes a new database with the tables and indexes of `schemaSql` (and the password, "" for
  // none) and leaves it closed. False when the file exists, the server database holds tables
  // already, or it cannot be made.
  virtual bool CreateBase(const std::string& path, const std::string& password,
                          std::string_view schemaSql) = 0;
  // The open database; Nothing (an empty pointer) when none is open.
  virtual DatabasePtr BaseDatabase() = 0;
  // The path or connection string opened, a password in it masked.
  virtual std::string GetBasePath() const = 0;
  // False also while a server connection is lost (until a call connects it again).
  virtual bool IsOpen() const = 0;
  // Closes the open database, if any; harmless when none is open.
  virtual void CloseBase() = 0;
  // Runs one action statement on the open database. False when none is open or the engine
  // rejects the statement (the engine's text is then in GetLastError); raises nothing.
  virtual bool ExecuteSQL(std::string sql) = 0;
  // Opens the existing database at `path` (a file path or a connection string) with `password`,
  // closing the database open before. `readOnly` True opens it for reading only. True when
  // open; a missing, unreadable or foreign file, an unreachable server, a server database
  // without tables or a wrong password gives False and leaves no database open. Never creates
  // a database.
  virtual bool OpenBase(std::string path, std::string& password, bool& readOnly) = 0;

  // Text of the last failure of OpenBase, CreateBase or ExecuteSQL; "" after a success.
  virtual std::string GetLastError() const = 0;

 protected:
  ~BaseLink() override;
};

using BaseLinkPtr = automation::ObjectPtr<BaseLink>;

// A new default connection component, with no database open.
DAO_EXPORT BaseLinkPtr CreateBaseLink();

// The component's self-registration: enter or remove its class (apartment threading) and its
// interface in the class registry. Both return S_OK.
DAO_EXPORT automation::HResult RegisterBaseLinkServer();
DAO_EXPORT automation::HResult UnregisterBaseLinkServer();
// Its DllGetClassObject: the class factory for kBaseLinkClsid.
DAO_EXPORT automation::HResult BaseLinkGetClassObject(
    const automation::Guid& clsid, const automation::Guid& iid,
    automation::ObjectPtr<automation::Object>& factory);
// Whether no component object and no lock on its factory is alive.
DAO_EXPORT bool BaseLinkCanUnloadNow();

}  // namespace dao
