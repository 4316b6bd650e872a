// Internal to the dao library: what a database engine supplies behind Database and Recordset.
// Not installed; the public headers show no engine type.
//
// Database::Impl is one open connection of an engine (an SQLite file or a PostgreSQL server).
// A Database owns it through a shared pointer and every Recordset it opened holds another, so
// the connection outlives whichever of them goes last; Close ends it for all.
//
// A Recordset holds a copy of its rows (Recordset::Impl below, the same for every engine); only
// writing a row back goes to the engine, through the RowWriter an updatable set carries.
//
// Used on the thread that opened the database only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/automation/Variant.h"
#include "platform/dao/Database.h"
#include "platform/dao/Recordset.h"

namespace dao {

[[noreturn]] void RaiseDao(long number, const std::string& description);

// What a column holds, as DAO's field types.
enum class FieldKind { Any, Boolean, Byte, Long, Double, Text };

// Matches field and column names as Jet does: without regard to ASCII case, in place (these run
// for every field of every row read).
bool SameName(const std::string& a, const std::string& b);

// An integer as a Long, or as a Double when it does not fit (Jet has no wider integer).
automation::Variant IntegerVariant(std::int64_t value);

// DAO converts a value written to a field to the field's type, with the runtime's errors.
automation::Variant ConvertForField(const automation::Variant& value, FieldKind kind);

struct Field {
  std::string mName;
  std::string mColumn;  // column of the base table written through this field; "" if none
  FieldKind mKind = FieldKind::Any;
  automation::Variant mDefault = automation::Variant::Null();  // for a row begun with AddNew
};

// One column written by AddNew/Update or Edit/Update.
struct ColumnValue {
  std::string mColumn;
  automation::Variant mValue;
};

// Writes the rows of an updatable set back to its table, by the row's identity (the SQLite
// rowid, the PostgreSQL key).
class RowWriter {
 public:
  virtual ~RowWriter() = default;
  // The key a row begun with AddNew gets at once.
  virtual std::int64_t NextKey() = 0;
  // Stores a new row with that key and the columns set; returns the row's identity.
  virtual std::int64_t Insert(std::int64_t key, const std::vector<ColumnValue>& values) = 0;
  // Changes the row of that identity; false when it is gone.
  virtual bool Update(std::int64_t identity, const std::vector<ColumnValue>& values) = 0;
};

struct Database::Impl {
  virtual ~Impl();

  std::string mName;
  std::int32_t mRecordsAffected = 0;
  int mTransactionDepth = 0;

  virtual bool IsOpen() const = 0;
  // Whether the connection was lost (not closed by Close): the next call may connect again.
  virtual bool IsLost() const { return false; }
  // Raises 3420 once the connection has been closed; an engine that lost its connection
  // connects again here when no transaction was open, and raises 3151 when one was.
  virtual void CheckOpen();
  virtual RecordsetPtr OpenRecordset(const std::shared_ptr<Impl>& self, const std::string& sql,
                                     std::int32_t type) = 0;
  virtual void Execute(const std::string& sql) = 0;
  // The outermost transaction is serializable when asked; inner ones are savepoints.
  virtual void Begin(bool serializable) = 0;
  virtual void Commit() = 0;
  // Undoes the innermost transaction; after a lost connection there is nothing left to undo.
  virtual void Rollback() = 0;
  // Inside a transaction: holds `table` against other connections' LockTable (and writers)
  // until the transaction ends.
  virtual void LockTable(const std::string& table) = 0;
  virtual void Close() noexcept = 0;
};

struct Recordset::Impl {
  std::shared_ptr<Database::Impl> mDatabase;
  std::int32_t mType = dbOpenDynaset;
  bool mClosed = false;
  // Updatable sets only: the table, its key column and each row's identity.
  std::string mTable;
  std::string mKeyColumn;
  std::vector<std::int64_t> mIdentities;
  std::unique_ptr<RowWriter> mWriter;

  std::vector<Field> mFields;
  std::vector<std::vector<automation::Variant>> mRows;
  // -1 before the first row, mRows.size() after the last.
  std::int64_t mPosition = 0;

  EditModeEnum mEditMode = dbEditNone;
  std::vector<automation::Variant> mBuffer;
  std::vector<bool> mChanged;
  std::int64_t mNewKey = 0;

  void CheckOpen() const;
  std::int64_t Count() const { return static_cast<std::int64_t>(mRows.size()); }
  bool AtBOF() const { return mRows.empty() || mPosition < 0; }
  bool AtEOF() const { return mRows.empty() || mPosition >= Count(); }
  bool HasCurrent() const { return !AtBOF() && !AtEOF(); }
  void RequireCurrent() const;
  void RequireUpdatable() const;
  size_t FieldIndex(const std::string& name) const;
  void DropPendingRow();
  void StoreNewRow();
  void StoreEditedRow();
};

// Opens an existing database on a PostgreSQL server, or makes its tables; supplied by the
// PostgreSQL files, or by a stand-in that refuses when the build has no PostgreSQL.
std::shared_ptr<Database::Impl> OpenServerDatabase(const std::string& connection,
                                                   const std::string& password, bool readOnly);
std::shared_ptr<Database::Impl> CreateServerDatabase(const std::string& connection,
                                                     const std::string& password,
                                                     std::string_view schemaSql);
void GrantServerDatabase(const std::string& connection, const std::string& password,
                         const std::string& role);
std::shared_ptr<Database::Impl> OpenFileDatabase(const std::string& path,
                                                 const std::string& password, bool readOnly);
std::shared_ptr<Database::Impl> CreateFileDatabase(const std::string& path,
                                                   const std::string& password,
                                                   std::string_view schemaSql);

}  // namespace dao
