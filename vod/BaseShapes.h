// The statement shapes and failure classes that every data member of Base follows.
//
// StatementShapes runs SQL through a connection object at the moment of the call (it never
// keeps the database): the query shape (OpenRecordset, wrapped in a RecordsetScope that closes
// the set whatever happens), the direct-statement shape (Database.Execute), the link-statement
// shape (BaseLink.ExecuteSQL) and the walking shape with its percent rate. Without a link, or
// with a link that has no open database, the shapes raise AutomationError 91, the runtime's
// error for an unset object reference, which each member's failure class then handles:
// Trapped turns any error into the neutral result, IgnoreErrors skips one failing statement.
//
// Used inside the library only, on the thread of the Base object that calls it.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "platform/automation/AutomationError.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "platform/dao/Recordset.h"

namespace vod {

// The line feed the store's statement texts carry between their pieces.
inline const std::string LF = "\n";

// Closes the recordset it holds when it goes, ignoring errors while closing.
class RecordsetScope {
 public:
  explicit RecordsetScope(dao::RecordsetPtr recordset);
  ~RecordsetScope();
  RecordsetScope(RecordsetScope&&) noexcept = default;
  RecordsetScope(const RecordsetScope&) = delete;
  RecordsetScope& operator=(const RecordsetScope&) = delete;

  dao::Recordset* operator->() const { return mRecordset.Get(); }
  dao::Recordset& operator*() const { return *mRecordset; }
  const dao::RecordsetPtr& Get() const { return mRecordset; }

 private:
  dao::RecordsetPtr mRecordset;
};

// Progress of the n-th row of `count` rows in percent, rounded half to even. Raises the
// runtime's division-by-zero error (11) for a count of 0.
std::int32_t BrowseRate(std::int32_t row, std::int32_t count);

struct WalkHandlers {
  // Copies the current row into the caller's record; true when the copy succeeded.
  std::function<bool(const dao::RecordsetPtr& recordset)> mCopy;
  // Uses the copied record: `row` counts from 1 over every row walked, `count` is RecordCount.
  std::function<void(std::int32_t row, std::int32_t count)> mUse;
  // Further stop condition, checked before each row with its counter; may be empty.
  std::function<bool(std::int32_t row)> mStopBefore;
  // Read RecordCount before the walk (the percent denominator).
  bool mReadRecordCount = true;
};

class StatementShapes {
 public:
  explicit StatementShapes(const dao::BaseLinkPtr& link);

  // The link's open database; raises 91 without a link or an open database.
  dao::DatabasePtr GetDatabase() const;
  // Query shape: dbOpenDynaset (2) to add or edit rows, dbOpenSnapshot (4) to read.
  RecordsetScope OpenQuery(const std::string& sql, std::int32_t type) const;
  // Direct-statement shape: Database.Execute; raises what the engine raises.
  void ExecuteDirect(const std::string& sql) const;
  // Link-statement shape: BaseLink.ExecuteSQL's result, unchanged.
  bool ExecuteLink(const std::string& sql) const;
  // Walking shape: opens a snapshot (errors while opening reach the caller), then walks every
  // row with errors ignored statement by statement.
  void Walk(const std::string& sql, const WalkHandlers& handlers) const;

 private:
  const dao::BaseLinkPtr& RequireLink() const;

  dao::BaseLinkPtr mLink;
};

// Runs `work` in a transaction that holds `table` (Database::LockTable), so that the same work
// of other connections, in this process or on another PC, takes turns with it instead of
// mixing with it. `work` returns whether to commit. A turn not granted in time (3260) or a
// conflict (3197) rolls back and tries again a few times; any other error rolls back and
// reaches the caller.
void RunHoldingTable(const dao::DatabasePtr& database, const std::string& table,
                     const std::function<bool()>& work);

// Failure class "ignored": runs one statement; false when it raised.
template <class Statement>
bool IgnoreErrors(Statement&& statement) {
  try {
    statement();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// Failure class "trapped": the operation's result, or `neutral` when it raised. Recordsets the
// operation opened in RecordsetScopes are closed while the error unwinds.
template <class Result, class Operation>
Result Trapped(Result neutral, Operation&& operation) {
  try {
    return operation();
  } catch (const std::exception&) {
    return neutral;
  }
}

}  // namespace vod
