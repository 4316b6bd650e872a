#include "vod/BaseShapes.h"

#include "platform/automation/Variant.h"

namespace vod {

namespace {

constexpr long kErrDivisionByZero = 11;
// Each turn waits up to the server's lock timeout; this many turns bound the whole wait.
constexpr int kHoldingAttempts = 5;

}  // namespace

RecordsetScope::RecordsetScope(dao::RecordsetPtr recordset) : mRecordset(std::move(recordset)) {}

RecordsetScope::~RecordsetScope() {
  if (mRecordset) {
    IgnoreErrors([&] { mRecordset->Close(); });
  }
}

std::int32_t BrowseRate(std::int32_t row, std::int32_t count) {
  if (count == 0) {
    throw automation::AutomationError(kErrDivisionByZero, "Division by zero");
  }
  return automation::RoundToLong(static_cast<double>(row) * 100.0 / static_cast<double>(count));
}

StatementShapes::StatementShapes(const dao::BaseLinkPtr& link) : mLink(link) {}

const dao::BaseLinkPtr& StatementShapes::RequireLink() const {
  if (!mLink) {
    automation::RaiseRuntimeError(automation::kErrObjectNotSet);
  }
  return mLink;
}

dao::DatabasePtr StatementShapes::GetDatabase() const {
  dao::DatabasePtr database = RequireLink()->BaseDatabase();
  if (!database) {
    automation::RaiseRuntimeError(automation::kErrObjectNotSet);
  }
  return database;
}

RecordsetScope StatementShapes::OpenQuery(const std::string& sql, std::int32_t type) const {
  dao::RecordsetPtr recordset = GetDatabase()->OpenRecordset(sql, type);
  if (!recordset) {
    automation::RaiseRuntimeError(automation::kErrObjectNotSet);
  }
  return RecordsetScope(std::move(recordset));
}

void StatementShapes::ExecuteDirect(const std::string& sql) const {
  GetDatabase()->Execute(sql);
}

bool StatementShapes::ExecuteLink(const std::string& sql) const {
  return RequireLink()->ExecuteSQL(sql);
}

void StatementShapes::Walk(const std::string& sql, const WalkHandlers& handlers) const {
  RecordsetScope recordset = OpenQuery(sql, dao::dbOpenSnapshot);
  IgnoreErrors([&] {
    if (!recordset->IsBOF()) {
      recordset->MoveLast();
      recordset->MoveFirst();
    }
  });
  std::int32_t count = 0;
  if (handlers.mReadRecordCount) {
    IgnoreErrors([&] { count = recordset->GetRecordCount(); });
  }
  for (std::int32_t row = 1;; ++row) {
    // A failing EOF test or move ends the walk: going on would revisit the same row forever.
    bool atEnd = true;
    if (!IgnoreErrors([&] { atEnd = recordset->IsEOF(); }) || atEnd) {
      break;
    }
    if (handlers.mStopBefore && handlers.mStopBefore(row)) {
      break;
    }
    bool copied = false;
    IgnoreErrors([&] { copied = handlers.mCopy(recordset.Get()); });
    if (copied && handlers.mUse) {
      IgnoreErrors([&] { handlers.mUse(row, count); });
    }
    if (!IgnoreErrors([&] { recordset->MoveNext(); })) {
      break;
    }
  }
}

void RunHoldingTable(const dao::DatabasePtr& database, const std::string& table,
                     const std::function<bool()>& work) {
  for (int attempt = 1;; ++attempt) {
    try {
      dao::Transaction transaction(database);
      database->LockTable(table);
      if (work()) {
        transaction.Commit();
      }
      return;
    } catch (const automation::AutomationError& error) {
      const long number = error.GetNumber();
      if ((number != dao::kDaoErrLocked && number != dao::kDaoErrWriteConflict) ||
          attempt == kHoldingAttempts) {
        throw;
      }
    }
  }
}

}  // namespace vod
