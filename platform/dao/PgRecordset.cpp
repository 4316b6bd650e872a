#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/automation/AutomationError.h"
#include "platform/dao/PgDatabase.h"
#include "platform/dao/SqlText.h"

namespace dao {
namespace {

using automation::Variant;

// Type OIDs of the built-in types the store's columns and expressions have.
enum PgType : unsigned int {
  kBool = 16,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kText = 25,
  kFloat4 = 700,
  kFloat8 = 701,
  kBpchar = 1042,
  kVarchar = 1043,
  kNumeric = 1700,
};

std::optional<std::string> ParameterText(const Variant& value) {
  switch (value.GetType()) {
    case automation::VariantType::Boolean:
      return std::string(value.ToBool() ? "true" : "false");
    case automation::VariantType::Byte:
    case automation::VariantType::Long:
      return std::to_string(value.ToLong());
    case automation::VariantType::Double: {
      char text[64];
      std::snprintf(text, sizeof text, "%.17g", value.ToDouble());
      return std::string(text);
    }
    case automation::VariantType::String: {
      // A parameter ends at its first NUL: the rest would be dropped without a word.
      std::string text = value.ToString();
      if (text.find('\0') != std::string::npos) {
        RaiseDao(kDaoErrEngine, "the text contains a NUL character, which the server cannot store");
      }
      return text;
    }
    default:
      return std::nullopt;
  }
}

// Writes back by the table's key; a new row's key comes from the key's sequence, so it is known
// at AddNew and never handed to two connections.
class PgRowWriter final : public RowWriter {
 public:
  PgRowWriter(std::shared_ptr<PgConnection> database, const PgTableInfo& table)
      : mDatabase(std::move(database)),
        mTable(QuoteName(table.mName)),
        mTableName(table.mName),
        mKeyColumn(table.mKeyColumn) {}

  std::int64_t NextKey() override {
    PgResult key = mDatabase->RunPrepared("SELECT nextval(pg_get_serial_sequence($1, $2))",
                                          {QuoteName(mTableName), mKeyColumn});
    if (PQntuples(key.get()) != 1 || PQgetisnull(key.get(), 0, 0)) {
      RaiseDao(kDaoErrEngine, "The key column of " + mTableName + " has no sequence.");
    }
    return std::strtoll(PQgetvalue(key.get(), 0, 0), nullptr, 10);
  }

  std::int64_t Insert(std::int64_t key, const std::vector<ColumnValue>& values) override {
    std::string columns = QuoteName(mKeyColumn), placeholders = "$1";
    std::vector<std::optional<std::string>> parameters = {std::to_string(key)};
    for (const ColumnValue& value : values) {
      parameters.push_back(ParameterText(value.mValue));
      columns += ", " + QuoteName(value.mColumn);
      placeholders += ", $" + std::to_string(parameters.size());
    }
    mDatabase->RunPrepared(
        "INSERT INTO " + mTable + " (" + columns + ") VALUES (" + placeholders + ")", parameters);
    return key;
  }

  bool Update(std::int64_t identity, const std::vector<ColumnValue>& values) override {
    std::string assignments;
    std::vector<std::optional<std::string>> parameters;
    for (const ColumnValue& value : values) {
      parameters.push_back(ParameterText(value.mValue));
      assignments += (assignments.empty() ? "" : ", ") + QuoteName(value.mColumn) + " = $" +
                     std::to_string(parameters.size());
    }
    parameters.push_back(std::to_string(identity));
    PgResult result = mDatabase->RunPrepared("UPDATE " + mTable + " SET " + assignments +
                                                 " WHERE " + QuoteName(mKeyColumn) + " = $" +
                                                 std::to_string(parameters.size()),
                                             parameters);
    return std::strcmp(PQcmdTuples(result.get()), "0") != 0;
  }

 private:
  std::shared_ptr<PgConnection> mDatabase;
  std::string mTable;
  std::string mTableName;
  std::string mKeyColumn;
};

Variant ParseValue(const char* text, FieldKind kind) {
  switch (kind) {
    case FieldKind::Boolean:
      return Variant(text[0] == 't');
    case FieldKind::Byte: {
      const long long value = std::strtoll(text, nullptr, 10);
      if (value >= 0 && value <= 255) {
        return Variant(static_cast<std::uint8_t>(value));
      }
      return IntegerVariant(value);
    }
    case FieldKind::Long:
      return IntegerVariant(std::strtoll(text, nullptr, 10));
    case FieldKind::Double:
      return Variant(std::strtod(text, nullptr));
    case FieldKind::Text:
    case FieldKind::Any:
      break;
  }
  return Variant(std::string(text));
}

}  // namespace

FieldKind PgKindOf(unsigned int type) {
  switch (type) {
    case kBool:
      return FieldKind::Boolean;
    case kInt2:
      return FieldKind::Byte;  // the store keeps its Byte columns as smallint
    case kInt4:
    case kInt8:
      return FieldKind::Long;
    case kFloat4:
    case kFloat8:
    case kNumeric:
      return FieldKind::Double;
    case kText:
    case kBpchar:
    case kVarchar:
      return FieldKind::Text;
    default:
      return FieldKind::Any;
  }
}

Variant PgReadValue(const PGresult* result, int row, int column, FieldKind kind) {
  if (PQgetisnull(result, row, column)) {
    return Variant::Null();
  }
  return ParseValue(PQgetvalue(result, row, column), kind);
}

RecordsetPtr PgConnection::OpenRecordset(const std::shared_ptr<Impl>& self, const std::string& sql,
                                         std::int32_t type) {
  std::string text = sql;
  if (type == dbOpenTable) {
    // Jet's own name quoting: double quotes would make a text literal of the name.
    if (sql.find(']') != std::string::npos) {
      RaiseDao(kDaoErrItemNotFound, "Item not found in this collection.");
    }
    text = "SELECT * FROM [" + sql + "]";
  }
  const JetSqlTranslation translation = Translate(text);
  // Only a query makes rows; anything else must not run at all.
  std::string verb;
  for (char c : translation.sql) {
    if (std::isalpha(static_cast<unsigned char>(c))) {
      verb += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    } else if (!verb.empty() || (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '(')) {
      break;
    }
  }
  if (verb != "SELECT") {
    RaiseDao(kDaoErrInvalidOperation, "Invalid operation.");
  }
  const PgTableInfo* table = type != dbOpenSnapshot && !translation.keyedSql.empty()
                                 ? Table(translation.baseTable)
                                 : nullptr;
  const bool updatable = table != nullptr && !table->mKeyColumn.empty();

  auto impl = std::make_unique<Recordset::Impl>();
  impl->mDatabase = self;
  impl->mType = type;
  PgResult result = Run(updatable ? translation.keyedSql : translation.sql);
  if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
    RaiseDao(kDaoErrInvalidOperation, "Invalid operation.");
  }
  const int columns = PQnfields(result.get());
  const int first = updatable ? 1 : 0;  // column 0 of a keyed query is the key
  for (int i = first; i < columns; ++i) {
    Field field;
    field.mName = PQfname(result.get(), i);
    field.mKind = PgKindOf(PQftype(result.get(), i));
    const unsigned int origin = PQftable(result.get(), i);
    const PgTableInfo* from = origin == InvalidOid ? nullptr : TableOf(origin);
    if (from != nullptr) {
      const auto column = from->mColumns.find(PQftablecol(result.get(), i));
      if (column != from->mColumns.end()) {
        if (updatable && from == table) {
          field.mColumn = column->second;
        }
        if (field.mName == column->second) {
          field.mName = from->mDeclaredNames.at(column->first);  // not renamed by an alias
        }
      }
    }
    impl->mFields.push_back(std::move(field));
  }
  const int rows = PQntuples(result.get());
  impl->mRows.reserve(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    std::vector<Variant> row;
    row.reserve(impl->mFields.size());
    for (int i = first; i < columns; ++i) {
      row.push_back(
          PgReadValue(result.get(), r, i, impl->mFields[static_cast<size_t>(i - first)].mKind));
    }
    impl->mRows.push_back(std::move(row));
    if (updatable) {
      impl->mIdentities.push_back(std::strtoll(PQgetvalue(result.get(), r, 0), nullptr, 10));
    }
  }
  result.reset();
  if (updatable) {
    impl->mTable = translation.baseTable;
    impl->mKeyColumn = table->mKeyColumn;
    for (const auto& [column, value] : table->mDefaults) {
      for (Field& field : impl->mFields) {
        if (SameName(field.mColumn, column)) {
          field.mDefault = ParseValue(value.c_str(), field.mKind);
        }
      }
    }
    impl->mWriter =
        std::make_unique<PgRowWriter>(std::static_pointer_cast<PgConnection>(self), *table);
  }
  return automation::MakeObject<Recordset>(std::move(impl));
}

}  // namespace dao
