#include <algorithm>
#include <cctype>
#include <limits>

#include "platform/automation/AutomationError.h"
#include "platform/dao/SqlText.h"
#include "platform/dao/SqliteDatabase.h"

namespace dao {
namespace {

using automation::Variant;

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

// Writes back by rowid; the key a new row gets is the table's next one.
class SqliteRowWriter final : public RowWriter {
 public:
  SqliteRowWriter(std::shared_ptr<SqliteConnection> database, std::string table,
                  std::string keyColumn)
      : mDatabase(std::move(database)),
        mTable(std::move(table)),
        mKeyColumn(std::move(keyColumn)) {}

  std::int64_t NextKey() override {
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

  std::int64_t Insert(std::int64_t key, const std::vector<ColumnValue>& values) override {
    std::vector<std::string> names;
    if (!mKeyColumn.empty()) {
      names.push_back(QuoteName(mKeyColumn));
    }
    for (const ColumnValue& value : values) {
      names.push_back(QuoteName(value.mColumn));
    }
    std::string columns, placeholders;
    for (const std::string& name : names) {
      if (!columns.empty()) {
        columns.append(", ");
        placeholders.append(", ");
      }
      columns.append(name);
      placeholders.push_back('?');
    }
    const std::string sql = columns.empty() ? "INSERT INTO " + QuoteName(mTable) + " DEFAULT VALUES"
                                            : "INSERT INTO " + QuoteName(mTable) + " (" + columns +
                                                  ") VALUES (" + placeholders + ")";
    Statement insert = mDatabase->Prepare(sql);
    int index = 1;
    if (!mKeyColumn.empty()) {
      sqlite3_bind_int64(insert.get(), index++, key);
    }
    for (const ColumnValue& value : values) {
      Bind(insert.get(), index++, value.mValue);
    }
    mDatabase->Step(insert.get());
    return sqlite3_last_insert_rowid(mDatabase->Get());
  }

  bool Update(std::int64_t identity, const std::vector<ColumnValue>& values) override {
    std::string assignments;
    for (const ColumnValue& value : values) {
      assignments += (assignments.empty() ? "" : ", ") + QuoteName(value.mColumn) + " = ?";
    }
    Statement update = mDatabase->Prepare("UPDATE " + QuoteName(mTable) + " SET " + assignments +
                                          " WHERE rowid = ?");
    int index = 1;
    for (const ColumnValue& value : values) {
      Bind(update.get(), index++, value.mValue);
    }
    sqlite3_bind_int64(update.get(), index, identity);
    mDatabase->Step(update.get());
    return sqlite3_changes(mDatabase->Get()) != 0;
  }

 private:
  std::shared_ptr<SqliteConnection> mDatabase;
  std::string mTable;
  std::string mKeyColumn;
};

// Key column and column defaults of the base table of an updatable set.
void ReadTableInfo(SqliteConnection& database, Recordset::Impl& set) {
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

RecordsetPtr SqliteConnection::OpenRecordset(const std::shared_ptr<Impl>& self,
                                             const std::string& sql, std::int32_t type) {
  std::string text = sql;
  if (type == dbOpenTable) {
    // Jet's own name quoting: double quotes would make a text literal of the name.
    if (sql.find(']') != std::string::npos) {
      RaiseDao(kDaoErrItemNotFound, "Item not found in this collection.");
    }
    text = "SELECT * FROM [" + sql + "]";
  }
  const JetSqlTranslation translation = Translate(text);
  const bool updatable = type != dbOpenSnapshot && !translation.keyedSql.empty();

  auto impl = std::make_unique<Recordset::Impl>();
  impl->mDatabase = self;
  impl->mType = type;
  Statement statement = Prepare(updatable ? translation.keyedSql : translation.sql);
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
  while (Step(query)) {
    std::vector<Variant> row;
    row.reserve(impl->mFields.size());
    for (int i = first; i < columns; ++i) {
      row.push_back(ReadValue(query, i, impl->mFields[i - first].mKind));
    }
    impl->mRows.push_back(std::move(row));
    if (updatable) {
      impl->mIdentities.push_back(sqlite3_column_int64(query, 0));
    }
  }
  statement.reset();
  if (updatable) {
    impl->mTable = translation.baseTable;
    ReadTableInfo(*this, *impl);
    impl->mWriter = std::make_unique<SqliteRowWriter>(
        std::static_pointer_cast<SqliteConnection>(self), impl->mTable, impl->mKeyColumn);
  }
  return automation::MakeObject<Recordset>(std::move(impl));
}

}  // namespace dao
