// Test helpers for the store: a scratch directory and the error a call raised (both shared with
// the dao tests), a connection component that records its calls, and a scope that enters a
// class for the link's CLSID in the class registry.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/automation/ClassRegistry.h"
#include "platform/dao/BaseLink.h"
#include "tests/platform/dao/DaoTestSupport.h"

namespace vod::test {

using TempDir = dao::test::ScratchDir;
using dao::test::ErrorOf;

// Records what the Base object asks of its link; can delegate to a real link.
class RecordingLink final : public dao::BaseLink {
 public:
  explicit RecordingLink(dao::BaseLinkPtr real = {}) : mReal(std::move(real)) {}

  bool CreateBase(const std::string& path, const std::string& password,
                  std::string_view schemaSql) override {
    return mReal && mReal->CreateBase(path, password, schemaSql);
  }
  dao::DatabasePtr BaseDatabase() override { return mReal ? mReal->BaseDatabase() : nullptr; }
  std::string GetBasePath() const override { return mReal ? mReal->GetBasePath() : ""; }
  bool IsOpen() const override { return mReal && mReal->IsOpen(); }
  void CloseBase() override {
    ++mCloseCount;
    if (mReal) {
      mReal->CloseBase();
    }
  }
  bool ExecuteSQL(std::string sql) override {
    mStatements.push_back(sql);
    if (mThrowOnExecute) {
      throw automation::AutomationError(3000, "engine rejected the statement");
    }
    return mReal ? mReal->ExecuteSQL(sql) : mExecuteResult;
  }
  bool OpenBase(std::string path, std::string& password, bool& readOnly) override {
    mOpenPath = path;
    mOpenPassword = password;
    mOpenFlag = readOnly;
    ++mOpenCount;
    if (mThrowOnOpen) {
      throw automation::AutomationError(3024, "cannot open");
    }
    return mReal ? mReal->OpenBase(path, password, readOnly) : mOpenResult;
  }
  std::string GetLastError() const override { return mReal ? mReal->GetLastError() : ""; }

  int mCloseCount = 0;
  int mOpenCount = 0;
  std::string mOpenPath;
  std::string mOpenPassword;
  std::optional<bool> mOpenFlag;
  bool mOpenResult = true;
  bool mThrowOnOpen = false;
  bool mExecuteResult = true;
  bool mThrowOnExecute = false;
  std::vector<std::string> mStatements;

 private:
  dao::BaseLinkPtr mReal;
};

// Makes objects with a function; for entering test classes in the registry.
class FunctionFactory final : public automation::ClassFactory {
 public:
  explicit FunctionFactory(std::function<automation::ObjectPtr<automation::Object>()> make)
      : mMake(std::move(make)) {}
  automation::ObjectPtr<automation::Object> CreateInstance() override { return mMake(); }
  void LockServer(bool) override {}

 private:
  std::function<automation::ObjectPtr<automation::Object>()> mMake;
};

// Enters `make` (or nothing, when empty) as the class behind the link's CLSID while it lives,
// and puts back what was registered before.
class ScopedLinkClass {
 public:
  explicit ScopedLinkClass(std::function<automation::ObjectPtr<automation::Object>()> make)
      : mClsid(automation::Guid::FromString(dao::kBaseLinkClsid)),
        mPrevious(automation::ClassRegistry::Instance().FindClass(mClsid)) {
    auto& registry = automation::ClassRegistry::Instance();
    if (!make) {
      registry.UnregisterClass(mClsid);
      return;
    }
    automation::ClassRegistration entry;
    entry.mClsid = mClsid;
    entry.mProgId = "Ravelin.TestLink";
    entry.mThreadingModel = "Apartment";
    entry.mGetClassObject = [make](const automation::Guid&, const automation::Guid&,
                                   automation::ObjectPtr<automation::Object>& out) {
      out = automation::MakeObject<FunctionFactory>(make);
      return automation::kS_OK;
    };
    registry.RegisterClass(std::move(entry));
  }
  ~ScopedLinkClass() {
    auto& registry = automation::ClassRegistry::Instance();
    registry.UnregisterClass(mClsid);
    if (mPrevious) {
      registry.RegisterClass(*mPrevious);
    }
  }

 private:
  automation::Guid mClsid;
  std::optional<automation::ClassRegistration> mPrevious;
};

}  // namespace vod::test
