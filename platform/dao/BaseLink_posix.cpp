#include "platform/dao/BaseLink.h"

#include "platform/automation/AutomationError.h"

namespace dao {
namespace {

// The default connection component: one SQLite database file at a time.
class SqliteBaseLink final : public BaseLink {
 public:
  bool CreateBase(const std::string& path, const std::string& password) override {
    try {
      CreateRavelinDatabase(path, password);
      mLastError.clear();
      return true;
    } catch (const automation::AutomationError& error) {
      mLastError = error.GetDescription();
      return false;
    }
  }

  DatabasePtr BaseDatabase() override { return mDatabase; }

  std::string GetBasePath() const override { return mDatabase ? mDatabase->GetName() : ""; }

  bool IsOpen() const override { return mDatabase && mDatabase->IsOpen(); }

  void CloseBase() override {
    if (mDatabase) {
      mDatabase->Close();
      mDatabase.Reset();
    }
  }

  bool ExecuteSQL(std::string sql) override {
    if (!IsOpen()) {
      mLastError = "No database is open.";
      return false;
    }
    try {
      mDatabase->Execute(sql);
      mLastError.clear();
      return true;
    } catch (const automation::AutomationError& error) {
      mLastError = error.GetDescription();
      return false;
    }
  }

  bool OpenBase(std::string path, std::string& password, bool& readOnly) override {
    CloseBase();
    try {
      mDatabase = Database::Open(path, password, readOnly);
      mLastError.clear();
      return true;
    } catch (const automation::AutomationError& error) {
      mLastError = error.GetDescription();
      return false;
    }
  }

  std::string GetLastError() const override { return mLastError; }

 protected:
  ~SqliteBaseLink() override { CloseBase(); }

 private:
  DatabasePtr mDatabase;
  std::string mLastError;
};

}  // namespace

BaseLink::~BaseLink() = default;

BaseLinkPtr CreateBaseLink() {
  return BaseLinkPtr(automation::MakeObject<SqliteBaseLink>());
}

void CreateRavelinDatabase(const std::string& path, const std::string& password) {
  Database::Create(path, password, GetRavelinSchemaSql())->Close();
}

}  // namespace dao
