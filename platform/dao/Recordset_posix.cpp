#include "platform/dao/Recordset.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "platform/automation/AutomationError.h"
#include "platform/dao/SqlText.h"
#include "platform/dao/SqliteDatabase.h"

namespace dao {
namespace {

using automation::Variant;

// What a declared column type holds, as DAO's field types.
enum class FieldKind { Any, Boolean, Byte, Long, Double, Text };

// Field look-ups run for every field of every row read, so the names are compared in place.
bool SameName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::toupper(x) == std::toupper(y);
  });
}

FieldKind KindOf(const char* declared) {
  if (declared == nullptr) {
    return FieldKind::Any;  // an expression: whatever the engine computed
  }
  const std::string type = AsciiUpper(declared);
  auto has = [&](const char* part) { return type.find(part) != std::string::npos; };
  if (has("BYTE") || has("TINYINT")) {
    return FieldKind::Byte;
  }
  if (has("BIT") || has("BOOL") || has("YESNO")) {
    return FieldKind::Boolean;
  }
  if (has("INT") || has("LONG") || has("COUNTER")) {
    return FieldKind::Long;
  }
  if (has("REAL") || has("DOUB") || has("FLOA") || has("SINGLE") || has("NUMERIC") ||
      has("DECIMAL") || has("CURRENCY")) {
    return FieldKind::Double;
  }
  if (has("CHAR") || has("TEXT") || has("CLOB") || has("MEMO") || has("STRING")) {
    return FieldKind::Text;
  }
  return FieldKind::Any;
}

Variant IntegerVariant(sqlite3_int64 value) {
  if (value >= std::numeric_limits<std::int32_t>::min() &&
      value <= std::numeric_limits<std::int32_t>::max()) {
    return Variant(static_cast<std::int32_t>(value));
  }
  return Variant(static_cast<double>(value));
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return std::string(text != nullptr ? text : "",
                     static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

Variant ReadValue(sqlite3_stmt* statement, int column, FieldKind kind) {
  const int storage = sqlite3_column_type(statement, column);
  if (storage == SQLITE_NULL) {
    return Variant::Null();
  }
  switch (kind) {
    case FieldKind::Text:
      return Variant(ColumnText(statement, column));
    case FieldKind::Double:
      return Variant(sqlite3_column_double(statement, column));
    case FieldKind::Boolean:
      if (storage == SQLITE_INTEGER) {
        return Variant(sqlite3_column_int64(statement, column) != 0);
      }
      break;
    case FieldKind::Byte:
      if (storage == SQLITE_INTEGER) {
        const sqlite3_int64 value = sqlite3_column_int64(statement, column);
        if (value >= 0 && value <= 255) {
          return Variant(static_cast<std::uint8_t>(value));
        }
        return IntegerVariant(value);
      }
      break;
    case FieldKind::Long:
    case FieldKind::Any:
      break;
  }
  switch (storage) {
    case SQLITE_INTEGER:
      return IntegerVariant(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(statement, column));
    default:
      return Variant(ColumnText(statement, column));
  }
}

// DAO converts a value written to a field to the field's type, with the runtime's errors.
Variant ConvertForField(const Variant& value, FieldKind kind) {
  if (value.IsNull() || value.IsEmpty()) {
    return Variant::Null();
  }
  switch (kind) {
    case FieldKind::Boolean:
      return Variant(value.ToBool());
    case FieldKind::Byte:
      return Variant(value.ToByte());
    case FieldKind::Long:
      return Variant(value.ToLong());
    case FieldKind::Double:
      return Variant(value.ToDouble());
    case FieldKind::Text:
      return Variant(value.ToString());
    case FieldKind::Any:
      break;
  }
  if (value.IsObject() || value.IsRecord() || value.IsMissing()) {
    automation::RaiseRuntimeError(automation::kErrTypeMismatch);
  }
  return value;
}

void Bind(sqlite3_stmt* statement, int index, const Variant& value) {
  switch (value.GetType()) {
    case automation::VariantType::Boolean:
      sqlite3_bind_int(statement, index, value.ToBool() ? -1 : 0);  // Jet's Yes is -1
      break;
    case automation::VariantType::Byte:
    case automation::VariantType::Long:
      sqlite3_bind_int(statement, index, value.ToLong());
      break;
    case automation::VariantType::Double:
      sqlite3_bind_double(statement, index, value.ToDouble());
      break;
    case automation::VariantType::String: {
      const std::string text = value.ToString();
      sqlite3_bind_text(statement, index, text.c_str(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT);
      break;
    }
    default:
      sqlite3_bind_null(statement, index);
      break;
  }
}

struct Field {
  std::string mName;
  std::string mColumn;  // column of the base table written through this field; "" if none
  FieldKind mKind = FieldKind::Any;
  Variant mDefault = Variant::Null();  // the column's default, for a row begun with AddNew
};

}  // namespace

struct Recordset::Impl {
  std::shared_ptr<Database::Impl> mDatabase;
  std::int32_t mType = dbOpenDynaset;
  bool mClosed = false;
  // Updatable sets only: the table, its key column (INTEGER PRIMARY KEY) and each row's rowid.
  std::string mTable;
  std::string mKeyColumn;
  std::vector<sqlite3_int64> mRowids;

  std::vector<Field> mFields;
  std::vector<std::vector<Variant>> mRows;
  // -1 before the first row, mRows.size() after the last.
  std::int64_t mPosition = 0;

  EditModeEnum mEditMode = dbEditNone;
  std::vector<Variant> mBuffer;
  std::vector<bool> mChanged;
  sqlite3_int64 mNewKey = 0;

  void CheckOpen() const {
    if (mClosed) {
      RaiseDao(kDaoErrObjectClosed, "Object invalid or no longer set.");
    }
  }
  std::int64_t Count() const { return static_cast<std::int64_t>(mRows.size()); }
  bool AtBOF() const { return mRows.empty() || mPosition < 0; }
  bool AtEOF() const { return mRows.empty() || mPosition >= Count(); }
  bool HasCurrent() const { return !AtBOF() && !AtEOF(); }
  void RequireCurrent() const {
    if (!HasCurrent()) {
      RaiseDao(kDaoErrNoCurrentRecord, "No current record.");
    }
  }
  void RequireUpdatable() const {
    if (mTable.empty()) {
      RaiseDao(kDaoErrReadOnly, "Cannot update. Database or object is read-only.");
    }
  }
  size_t FieldIndex(const std::string& name) const {
    for (size_t i = 0; i < mFields.size(); ++i) {
      if (SameName(mFields[i].mName, name)) {
        return i;
      }
    }
    RaiseDao(kDaoErrItemNotFound, "Item not found in this collection.");
  }
  // Moving away from a row begun and not stored drops it, as DAO does.
  void DropPendingRow() {
    mEditMode = dbEditNone;
    mBuffer.clear();
    mChanged.clear();
  }
  sqlite3_int64 NextKey() const {
    // Keys are never handed out twice: past both the highest key present and the highest
    // one ever assigned (sqlite_sequence, kept for AUTOINCREMENT tables).
    sqlite3_int64 next = 0;
    Statement highest =
        mDatabase->Prepare("SELECT max(" + QuoteName(mKeyColumn) + ") FROM " + QuoteName(mTable));
    if (mDatabase->Step(highest.get())) {
      next = sqlite3_column_int64(highest.get(), 0);
    }
    highest.reset();
    Statement known = mDatabase->Prepare(
        "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'sqlite_sequence'");
    const bool hasSequence = mDatabase->Step(known.get()) && sqlite3_column_int(known.get(), 0);
    known.reset();
    if (hasSequence) {
      Statement sequence =
          mDatabase->Prepare("SELECT seq FROM sqlite_sequence WHERE name = ?1 COLLATE NOCASE");
      sqlite3_bind_text(sequence.get(), 1, mTable.c_str(), static_cast<int>(mTable.size()),
                        SQLITE_TRANSIENT);
      if (mDatabase->Step(sequence.get())) {
        next = std::max(next, sqlite3_column_int64(sequence.get(), 0));
      }
    }
    return next + 1;
  }
  void StoreNewRow();
  void StoreEditedRow();
};

namespace {

// Key column and column defaults of the base table of an updatable set.
void ReadTableInfo(Database::Impl& database, Recordset::Impl& set) {
  Statement info = database.Prepare("SELECT name, type, dflt_value, pk FROM pragma_table_info(?1)");
  sqlite3_bind_text(info.get(), 1, set.mTable.c_str(), static_cast<int>(set.mTable.size()),
                    SQLITE_TRANSIENT);
  int keyColumns = 0;
  std::string key;
  std::vector<std::pair<std::string, std::string>> defaults;
  while (database.Step(info.get())) {
    const std::string name = ColumnText(info.get(), 0);
    if (sqlite3_column_int(info.get(), 3) > 0) {
      ++keyColumns;
      if (AsciiUpper(ColumnText(info.get(), 1)) == "INTEGER") {
        key = name;
      }
    }
    if (sqlite3_column_type(info.get(), 2) != SQLITE_NULL) {
      defaults.emplace_back(name, ColumnText(info.get(), 2));
    }
  }
  info.reset();
  if (keyColumns == 1) {
    set.mKeyColumn = key;  // only a lone INTEGER PRIMARY KEY is the rowid itself
  }
  for (const auto& [column, expression] : defaults) {
    for (Field& field : set.mFields) {
      if (SameName(field.mColumn, column)) {
        Statement value = database.Prepare("SELECT " + expression);
        if (database.Step(value.get())) {
          field.mDefault = ReadValue(value.get(), 0, field.mKind);
        }
      }
    }
  }
}

}  // namespace

RecordsetPtr OpenRecordsetOn(const std::shared_ptr<Database::Impl>& database,
                             const std::string& sql, std::int32_t type) {
  database->Get();
  std::string text = sql;
  if (type == dbOpenTable) {
    // Jet's own name quoting: double quotes would make a text literal of the name.
    if (sql.find(']') != std::string::npos) {
      RaiseDao(kDaoErrItemNotFound, "Item not found in this collection.");
    }
    text = "SELECT * FROM [" + sql + "]";
  } else if (type != dbOpenDynaset && type != dbOpenSnapshot) {
    RaiseDao(kDaoErrInvalidArgument, "Invalid argument.");
  }
  const JetSqlTranslation translation = database->Translate(text);
  const bool updatable = type != dbOpenSnapshot && !translation.keyedSql.empty();

  auto impl = std::make_unique<Recordset::Impl>();
  impl->mDatabase = database;
  impl->mType = type;
  Statement statement = database->Prepare(updatable ? translation.keyedSql : translation.sql);
  sqlite3_stmt* query = statement.get();
  const int columns = sqlite3_column_count(query);
  if (columns == 0 || !sqlite3_stmt_readonly(query)) {
    RaiseDao(kDaoErrInvalidOperation, "Invalid operation.");
  }
  const int first = updatable ? 1 : 0;  // column 0 of a keyed query is the rowid
  for (int i = first; i < columns; ++i) {
    Field field;
    field.mName = sqlite3_column_name(query, i);
    field.mKind = KindOf(sqlite3_column_decltype(query, i));
    const char* table = sqlite3_column_table_name(query, i);
    const char* origin = sqlite3_column_origin_name(query, i);
    if (updatable && table != nullptr && origin != nullptr &&
        SameName(table, translation.baseTable)) {
      field.mColumn = origin;
    }
    impl->mFields.push_back(std::move(field));
  }
  while (database->Step(query)) {
    std::vector<Variant> row;
    row.reserve(impl->mFields.size());
    for (int i = first; i < columns; ++i) {
      row.push_back(ReadValue(query, i, impl->mFields[i - first].mKind));
    }
    impl->mRows.push_back(std::move(row));
    if (updatable) {
      impl->mRowids.push_back(sqlite3_column_int64(query, 0));
    }
  }
  statement.reset();
  if (updatable) {
    impl->mTable = translation.baseTable;
    ReadTableInfo(*database, *impl);
  }
  return automation::MakeObject<Recordset>(std::move(impl));
}

void Recordset::Impl::StoreNewRow() {
  // The key assigned at AddNew goes in first, then the columns that were set; the table's
  // defaults fill the rest.
  std::string columns, values;
  std::vector<size_t> changed;
  if (!mKeyColumn.empty()) {
    columns = QuoteName(mKeyColumn);
    values = "?";
  }
  for (size_t i = 0; i < mFields.size(); ++i) {
    if (mChanged[i]) {
      columns += (columns.empty() ? "" : ", ") + QuoteName(mFields[i].mColumn);
      values += (values.empty() ? "?" : ", ?");
      changed.push_back(i);
    }
  }
  const std::string sql = columns.empty() ? "INSERT INTO " + QuoteName(mTable) + " DEFAULT VALUES"
                                          : "INSERT INTO " + QuoteName(mTable) + " (" + columns +
                                                ") VALUES (" + values + ")";
  Statement insert = mDatabase->Prepare(sql);
  int index = 1;
  if (!mKeyColumn.empty()) {
    sqlite3_bind_int64(insert.get(), index++, mNewKey);
  }
  for (size_t i : changed) {
    Bind(insert.get(), index++, mBuffer[i]);
  }
  mDatabase->Step(insert.get());
  const sqlite3_int64 rowid = sqlite3_last_insert_rowid(mDatabase->Get());
  const bool wasAtEnd = AtEOF();
  mRows.push_back(mBuffer);
  mRowids.push_back(rowid);
  if (wasAtEnd) {
    mPosition = Count();
  }
}

void Recordset::Impl::StoreEditedRow() {
  std::string assignments;
  std::vector<size_t> changed;
  for (size_t i = 0; i < mFields.size(); ++i) {
    if (mChanged[i]) {
      assignments += (assignments.empty() ? "" : ", ") + QuoteName(mFields[i].mColumn) + " = ?";
      changed.push_back(i);
    }
  }
  if (!changed.empty()) {
    Statement update = mDatabase->Prepare("UPDATE " + QuoteName(mTable) + " SET " + assignments +
                                          " WHERE rowid = ?");
    int index = 1;
    for (size_t i : changed) {
      Bind(update.get(), index++, mBuffer[i]);
    }
    sqlite3_bind_int64(update.get(), index, mRowids[static_cast<size_t>(mPosition)]);
    mDatabase->Step(update.get());
    if (sqlite3_changes(mDatabase->Get()) == 0) {
      RaiseDao(kDaoErrRecordDeleted, "Record is deleted.");
    }
  }
  mRows[static_cast<size_t>(mPosition)] = mBuffer;
}

Recordset::Recordset(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}

Recordset::~Recordset() = default;

bool Recordset::IsBOF() const {
  mImpl->CheckOpen();
  return mImpl->AtBOF();
}

bool Recordset::IsEOF() const {
  mImpl->CheckOpen();
  return mImpl->AtEOF();
}

void Recordset::MoveFirst() {
  mImpl->CheckOpen();
  mImpl->DropPendingRow();
  if (mImpl->mRows.empty()) {
    RaiseDao(kDaoErrNoCurrentRecord, "No current record.");
  }
  mImpl->mPosition = 0;
}

void Recordset::MoveLast() {
  mImpl->CheckOpen();
  mImpl->DropPendingRow();
  if (mImpl->mRows.empty()) {
    RaiseDao(kDaoErrNoCurrentRecord, "No current record.");
  }
  mImpl->mPosition = mImpl->Count() - 1;
}

void Recordset::MoveNext() {
  mImpl->CheckOpen();
  mImpl->DropPendingRow();
  if (mImpl->AtEOF()) {
    RaiseDao(kDaoErrNoCurrentRecord, "No current record.");
  }
  ++mImpl->mPosition;
}

void Recordset::MovePrevious() {
  mImpl->CheckOpen();
  mImpl->DropPendingRow();
  if (mImpl->AtBOF()) {
    RaiseDao(kDaoErrNoCurrentRecord, "No current record.");
  }
  --mImpl->mPosition;
}

std::int32_t Recordset::GetRecordCount() const {
  mImpl->CheckOpen();
  return static_cast<std::int32_t>(mImpl->Count());
}

std::int32_t Recordset::GetType() const {
  mImpl->CheckOpen();
  return mImpl->mType;
}

bool Recordset::IsUpdatable() const {
  mImpl->CheckOpen();
  return !mImpl->mTable.empty();
}

EditModeEnum Recordset::GetEditMode() const {
  mImpl->CheckOpen();
  return mImpl->mEditMode;
}

void Recordset::AddNew() {
  mImpl->CheckOpen();
  mImpl->RequireUpdatable();
  mImpl->DropPendingRow();
  mImpl->mBuffer.clear();
  for (const Field& field : mImpl->mFields) {
    mImpl->mBuffer.push_back(field.mDefault);
  }
  mImpl->mChanged.assign(mImpl->mFields.size(), false);
  if (!mImpl->mKeyColumn.empty()) {
    // The key is known as soon as the row is begun, as with an AutoNumber column.
    mImpl->mNewKey = mImpl->NextKey();
    for (size_t i = 0; i < mImpl->mFields.size(); ++i) {
      if (SameName(mImpl->mFields[i].mColumn, mImpl->mKeyColumn)) {
        mImpl->mBuffer[i] = IntegerVariant(mImpl->mNewKey);
      }
    }
  }
  mImpl->mEditMode = dbEditAdd;
}

void Recordset::Edit() {
  mImpl->CheckOpen();
  mImpl->RequireUpdatable();
  mImpl->DropPendingRow();
  mImpl->RequireCurrent();
  mImpl->mBuffer = mImpl->mRows[static_cast<size_t>(mImpl->mPosition)];
  mImpl->mChanged.assign(mImpl->mFields.size(), false);
  mImpl->mEditMode = dbEditInProgress;
}

void Recordset::Update() {
  mImpl->CheckOpen();
  if (mImpl->mEditMode == dbEditNone) {
    RaiseDao(kDaoErrUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
  }
  if (mImpl->mEditMode == dbEditAdd) {
    mImpl->StoreNewRow();
  } else {
    mImpl->StoreEditedRow();
  }
  mImpl->DropPendingRow();
}

void Recordset::CancelUpdate() {
  mImpl->CheckOpen();
  if (mImpl->mEditMode == dbEditNone) {
    RaiseDao(kDaoErrUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
  }
  mImpl->DropPendingRow();
}

void Recordset::Close() {
  mImpl->CheckOpen();
  mImpl->DropPendingRow();
  mImpl->mRows.clear();
  mImpl->mRowids.clear();
  mImpl->mClosed = true;
  mImpl->mDatabase.reset();
}

automation::Variant Recordset::GetField(const std::string& name) const {
  mImpl->CheckOpen();
  const size_t index = mImpl->FieldIndex(name);
  if (mImpl->mEditMode != dbEditNone) {
    return mImpl->mBuffer[index];
  }
  mImpl->RequireCurrent();
  return mImpl->mRows[static_cast<size_t>(mImpl->mPosition)][index];
}

void Recordset::SetField(const std::string& name, const automation::Variant& value) {
  mImpl->CheckOpen();
  const size_t index = mImpl->FieldIndex(name);
  if (mImpl->mEditMode == dbEditNone) {
    RaiseDao(kDaoErrUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
  }
  const Field& field = mImpl->mFields[index];
  if (field.mColumn.empty() || SameName(field.mColumn, mImpl->mKeyColumn)) {
    RaiseDao(kDaoErrFieldNotUpdatable, "Field cannot be updated.");
  }
  mImpl->mBuffer[index] = ConvertForField(value, field.mKind);
  mImpl->mChanged[index] = true;
}

std::int32_t Recordset::GetFieldCount() const {
  mImpl->CheckOpen();
  return static_cast<std::int32_t>(mImpl->mFields.size());
}

std::string Recordset::GetFieldName(std::int32_t index) const {
  mImpl->CheckOpen();
  if (index < 0 || static_cast<size_t>(index) >= mImpl->mFields.size()) {
    RaiseDao(kDaoErrItemNotFound, "Item not found in this collection.");
  }
  return mImpl->mFields[static_cast<size_t>(index)].mName;
}

}  // namespace dao
