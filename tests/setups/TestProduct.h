// A small product built on the setup classes, as a host would derive it: two
// setup types, global data and a manager with its factory and type table.
// Every class counts its live objects so tests can check who deleted what.
#pragma once

#include <memory>

#include "platform/basalt/VelmorCommand.h"
#include "platform/basalt/io/DataExchange.h"
#include "setups/SolveSetupMgr.h"

namespace setups_test {

inline int gLiveSetups = 0;
inline int gLiveGlobalData = 0;

// A setup with a few settings of its own.
class CDrivenSetup : public CSolveSetup {
 public:
  static constexpr int kType = 1;

  CDrivenSetup() { ++gLiveSetups; }
  CDrivenSetup(const CDrivenSetup& other)
      : io::CStreamio_block_object(other),
        CSolveSetup(other),
        mPasses(other.mPasses),
        mFrequency(other.mFrequency) {
    ++gLiveSetups;
  }
  CDrivenSetup& operator=(const CDrivenSetup&) = default;
  ~CDrivenSetup() override { --gLiveSetups; }

  int GetSetupType() override { return kType; }
  void SetDefaults() override {
    mPasses = 6;
    mFrequency = 1.5;
  }
  bool IsValid(const VariableValues* /*values*/) const override { return mPasses > 0; }
  bool Update(IVelmorCommand* /*command*/) override {
    ++mUpdateCount;
    return mUpdateResult;
  }
  MUndoableObject* Clone() const override { return new CDrivenSetup(*this); }
  void CopyFrom(const MUndoableObject* source) override {
    CSolveSetup::CopyFrom(source);
    if (const auto* driven = dynamic_cast<const CDrivenSetup*>(source)) {
      mPasses = driven->mPasses;
      mFrequency = driven->mFrequency;
    }
  }

  io::ReadError DoDataExchange(io::CBlock& block, bool reading) override {
    io::ReadError result = CSolveSetup::DoDataExchange(block, reading);
    if (IsInScripting()) {
      return result;
    }
    if (!reading && mFailWrite) {
      return -5;
    }
    if (reading) {
      // Stands for settings the product cannot make sense of.
      bool corrupt = false;
      io::DoDataExchange(block, true, AString(L"Corrupt"), corrupt, 0);
      if (corrupt) {
        return -7;
      }
    }
    io::DoDataExchange(block, reading, AString(L"Passes"), mPasses, 0);
    io::DoDataExchange(block, reading, AString(L"Frequency"), mFrequency, 0);
    return result;
  }

  long mPasses = 0;
  double mFrequency = 0.0;
  bool mUpdateResult = true;
  int mUpdateCount = 0;
  bool mFailWrite = false;
};

class CEigenSetup : public CSolveSetup {
 public:
  static constexpr int kType = 2;

  CEigenSetup() { ++gLiveSetups; }
  ~CEigenSetup() override { --gLiveSetups; }

  int GetSetupType() override { return kType; }
  void SetDefaults() override { mModes = 10; }
  io::ReadError DoDataExchange(io::CBlock& block, bool reading) override {
    io::ReadError result = CSolveSetup::DoDataExchange(block, reading);
    if (!IsInScripting()) {
      io::DoDataExchange(block, reading, AString(L"Modes"), mModes, 0);
    }
    return result;
  }

  long mModes = 0;
};

class CTestGlobalData : public CGlobalSetupData {
 public:
  CTestGlobalData() { ++gLiveGlobalData; }
  ~CTestGlobalData() override { --gLiveGlobalData; }

  AString GetItemName() const override { return AString(L"TestGlobalData"); }
  io::ReadError DoDataExchange(io::CBlock& block, bool reading) override {
    if (!reading && mFailWrite) {
      return -3;
    }
    return io::DoDataExchange(block, reading, AString(L"Tolerance"), mTolerance, 0);
  }
  bool Validate(const VariableValues* /*values*/) const override { return mValid; }
  bool Update(IVelmorCommand* /*command*/) override {
    ++mUpdateCount;
    return mUpdateResult;
  }

  long mTolerance = 3;
  bool mValid = true;
  bool mUpdateResult = true;
  int mUpdateCount = 0;
  bool mFailWrite = false;
};

class CTestSetupMgr : public CSolveSetupMgr {
 public:
  static constexpr int kCmdInfoKey = 7;

  explicit CTestSetupMgr(bool withGlobalData = true) : CSolveSetupMgr(kCmdInfoKey) {
    AddSetupType(CDrivenSetup::kType, AString(L"Driven"));
    AddSetupType(CEigenSetup::kType, AString(L"Eigen"));
    if (withGlobalData) {
      SetGlobalSetupData(new CTestGlobalData());
    }
  }

  using CSolveSetupMgr::AddSetupType;
  using CSolveSetupMgr::SetGlobalSetupData;

  CSolveSetup* NewSetup(int type) const override {
    switch (type) {
      case CDrivenSetup::kType:
        return new CDrivenSetup();
      case CEigenSetup::kType:
        return new CEigenSetup();
      default:
        return nullptr;
    }
  }
  bool AreSetupsRequired() const override { return mSetupsRequired; }

  CTestGlobalData* GetTestGlobalData() {
    return dynamic_cast<CTestGlobalData*>(GetGlobalSetupDataForEdit());
  }
  // Creates a setup of the type with a unique name and adds it.
  CSolveSetup* Add(int type, const AString& baseName,
                   ListDeltaState<CSolveSetup*>* delta = nullptr) {
    CSolveSetup* setup = CreateSetup(type, baseName);
    AddSetup(setup, delta);
    return setup;
  }

  bool mSetupsRequired = true;
};

}  // namespace setups_test
