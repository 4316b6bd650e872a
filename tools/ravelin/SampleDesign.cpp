#include "tools/ravelin/SampleDesign.h"

#include <memory>
#include <vector>

#include "datalink/source/DataLink.h"
#include "datalink/source/DataLinkConfiguration.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/BlockText.h"
#include "platform/basalt/io/DataExchange.h"
#include "setups/SolveSetupMgr.h"
#include "tools/ravelin/DesignOutline.h"
#include "tools/ravelin/ToolError.h"
#include "tools/ravelin/ToolFiles.h"

namespace ravelin_tool {

namespace {

const AString kDesignBlock(L"Design");
const AString kLinksBlock(L"DataLinks");

class CSampleDrivenSetup : public CSolveSetup {
 public:
  static constexpr int kType = 1;
  int GetSetupType() override { return kType; }
  void SetDefaults() override {
    mPasses = 6;
    mFrequency = 2.4;
  }
  io::ReadError DoDataExchange(io::CBlock& block, bool reading) override {
    io::ReadError result = CSolveSetup::DoDataExchange(block, reading);
    if (IsInScripting()) {
      return result;
    }
    io::DoDataExchange(block, reading, AString(L"Passes"), mPasses, 0);
    io::DoDataExchange(block, reading, AString(L"Frequency"), mFrequency, 0);
    return result;
  }
  long mPasses = 0;
  double mFrequency = 0.0;
};

class CSampleEigenSetup : public CSolveSetup {
 public:
  static constexpr int kType = 2;
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

class CSampleGlobalData : public CGlobalSetupData {
 public:
  AString GetItemName() const override { return AString(L"SampleGlobalData"); }
  io::ReadError DoDataExchange(io::CBlock& block, bool reading) override {
    return io::DoDataExchange(block, reading, AString(L"Tolerance"), mTolerance, 0);
  }
  double mTolerance = 0.02;
};

class CSampleSetupMgr : public CSolveSetupMgr {
 public:
  CSampleSetupMgr() : CSolveSetupMgr(1) {
    AddSetupType(CSampleDrivenSetup::kType, AString(L"Driven"));
    AddSetupType(CSampleEigenSetup::kType, AString(L"Eigen"));
    SetGlobalSetupData(new CSampleGlobalData());
  }
  CSolveSetup* NewSetup(int type) const override {
    switch (type) {
      case CSampleDrivenSetup::kType:
        return new CSampleDrivenSetup();
      case CSampleEigenSetup::kType:
        return new CSampleEigenSetup();
      default:
        return nullptr;
    }
  }
};

// The data links of a design, each held by a configuration that does not own
// it.
struct SampleLinks {
  std::vector<std::unique_ptr<DataLink>> mLinks;
  std::vector<std::unique_ptr<DataLinkConfiguration>> mConfigs;

  DataLinkConfiguration& Add() {
    mLinks.push_back(std::make_unique<DataLink>());
    mConfigs.push_back(std::make_unique<DataLinkConfiguration>(mLinks.back().get(), false));
    return *mConfigs.back();
  }
};

std::string WriteDesign(CSampleSetupMgr& manager, SampleLinks& links) {
  io::CBlock design(kDesignBlock);
  if (manager.DoDataExchange(design, false) < 0) {
    throw ToolError("the setups could not be written");
  }
  io::CBlock linksBlock(kLinksBlock);
  for (size_t i = 0; i < links.mConfigs.size(); ++i) {
    io::CBlock one(AString(L"Link" + std::to_wstring(i + 1)));
    links.mConfigs[i]->DoDataExchange(one, false, nullptr);
    linksBlock << one;
  }
  design << linksBlock;
  std::string text;
  const io::ReadError err = io::WriteBlockText(design, text);
  if (err.IsFailure()) {
    throw ToolError(std::string("the design could not be written: ") + err.what());
  }
  return text;
}

}  // namespace

DesignSummary SaveSampleDesign(const std::string& path) {
  CSampleSetupMgr manager;
  const AString names[] = {L"Driven", L"Driven", L"Eigen"};
  const int types[] = {CSampleDrivenSetup::kType, CSampleDrivenSetup::kType,
                       CSampleEigenSetup::kType};
  for (int i = 0; i < 3; ++i) {
    manager.AddSetup(manager.CreateSetup(types[i], AString(names[i])), nullptr);
  }
  SampleLinks links;
  const wchar_t* partners[][3] = {
      {L"../antenna/array.prj", L"Feed", L"Setup1 : Sweep"},
      {L"C:/work/platform/mast.prj", L"Mast", L"Eigen1 : LastAdaptive"}};
  for (const auto& partner : partners) {
    DataLinkConfiguration& config = links.Add();
    config.SetCallerDesign(AString(L"Radome"));
    config.SetCallerSoln(AString(L"Setup1 : Sweep"));
    DataLink& link = *config.GetEditableLink();
    link.SetPartnerProject(AString(partner[0]), 0);
    link.SetPartnerDesign(AString(partner[1]));
    link.SetPartnerSoln(AString(partner[2]));
    std::map<AString, Value> params;
    params[AString(L"width")] = Value(AString(L"3mm"), Units::kNoUnit);
    link.SetPartnerParams(params);
  }
  DesignSummary summary;
  summary.mText = WriteDesign(manager, links);
  summary.mSetups = manager.GetSetupCount();
  summary.mLinks = static_cast<int>(links.mConfigs.size());
  WriteFileAtomically(path, summary.mText);
  return summary;
}

DesignSummary ReloadDesign(const std::string& path) {
  io::CBlock design = ReadDesignFile(path);
  CSampleSetupMgr manager;
  if (manager.DoDataExchange(design, true) < 0) {
    throw ToolError(path + ": the setups could not be read");
  }
  SampleLinks links;
  io::CBlockPtr linksBlock(kLinksBlock);
  design >> linksBlock;
  if (design.mGood) {
    for (const auto& item : *linksBlock) {
      if (io::CBlock* one = item->AsBlock()) {
        links.Add().DoDataExchange(*one, true, nullptr);
      }
    }
  }
  DesignSummary summary;
  summary.mText = WriteDesign(manager, links);
  summary.mSetups = manager.GetSetupCount();
  summary.mLinks = static_cast<int>(links.mConfigs.size());
  return summary;
}

}  // namespace ravelin_tool
