// A host outside the tree: includes headers by their repository paths and
// uses each of the three libraries through the installed package.
//
// Every public class of the libraries is used at least once, through a member
// the library itself defines (and, for the setup list's change record, the
// template instance the library exports), so that a member missing from a
// library's export table fails to link here. Products derive from the
// abstract classes as a real host does.
#include <cstdio>
#include <list>
#include <string>

#include "client/PublicBase.h"
#include "client/PublicRavelin.h"
#include "client/QvConfig.h"
#include "client/ResourceSet.h"
#include "datalink/source/DataLink.h"
#include "datalink/source/DataLinkCmdInfo.h"
#include "datalink/source/DataLinkConfiguration.h"
#include "datalink/source/DataLinkPartnerInfo.h"
#include "datalink/source/FileLinks.h"
#include "platform/basalt/AString.h"
#include "platform/basalt/LongFileName.h"
#include "setups/SolveSetup.h"
#include "setups/SolveSetupCmdInfo.h"
#include "setups/SolveSetupMgr.h"
#include "vod/Base.h"
#include "vod/BaseMembers.h"
#include "vod/RavelinSchema.h"
#include "vod/mdlFile.h"
#include "vod/mdlStr.h"

namespace {

int gFailures = 0;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::printf("failed: %s\n", what);
    ++gFailures;
  }
}

// ---- A product of the setups library ----------------------------------------------------

class ProductSetup : public CSolveSetup {
 public:
  int GetSetupType() override { return 1; }
};

class ProductGlobalData : public CGlobalSetupData {
 public:
  AString GetItemName() const override { return AString(L"ProductGlobal"); }
  io::ReadError DoDataExchange(io::CBlock& /*block*/, bool /*reading*/) override { return 0; }
};

class ProductSetupMgr : public CSolveSetupMgr {
 public:
  ProductSetupMgr() : CSolveSetupMgr(3) {
    AddSetupType(1, AString(L"Product"));
    SetGlobalSetupData(new ProductGlobalData());
  }
  CSolveSetup* NewSetup(int /*type*/) const override { return new ProductSetup(); }
};

void UseSetups() {
  ProductSetupMgr manager;
  Check(manager.GetSetupsBlkKwd() == AString(L"SolveSetups"), "CSolveSetupMgr::GetSetupsBlkKwd");

  auto* setup = new ProductSetup();
  setup->SetName(AString(L"Setup1"));
  ListDeltaState<CSolveSetup*>* delta = manager.CreateListDeltaState(false);
  manager.AddSetup(setup, delta);
  Check(manager.GetSetupCount() == 1, "CSolveSetupMgr::AddSetup");
  // The change record's members, as an undo history drives them.
  delta->UndoIt();
  Check(manager.GetSetupCount() == 0, "ListDeltaState::UndoIt");
  delta->RedoIt();
  Check(manager.GetSetupCount() == 1, "ListDeltaState::RedoIt");
  std::list<CSolveSetup*> other;
  ListDeltaState<CSolveSetup*> record(other, false, false);
  record.InsertNodeAt(setup, 0);
  record.RecordChange(setup, 0, true);
  record.RemoveNodeAt(setup, 0);
  Check(other.empty() && record.GetChanges().size() == 1, "ListDeltaState insert and remove");
  delete delta;

  const CSolveSetup* found = manager.GetSetup(AString(L"setup1"));
  Check(found == setup && found->GetID() > 0, "CSolveSetupMgr::GetSetup");
  Check(
      manager.GetGlobalSetupData() != nullptr && !manager.GetGlobalSetupData()->GetBlkKwd().empty(),
      "CGlobalSetupData::GetBlkKwd");

  CSolveSetupCmdInfo info(CSolveSetupCmdInfo::InfoType{}, CSolveSetupCmdInfo::InfoSubType{});
  CSolveSetupCmdInfo infoCopy(info);
  Check(!infoCopy.InvalidateSolution(), "CSolveSetupCmdInfo copy");
}

// ---- Data links -------------------------------------------------------------------------

void UseDataLinks() {
  DataLink link;
  link.SetPartnerDesign(AString(L"Design1"));
  Check(link.GetPartnerDesign().CompareNoCase(AString(L"DESIGN1")) == 0, "DataLink");

  DataLinkConfiguration config(&link, true);
  Check(config.GetLink() == &link && !config.GetForceSolve(), "DataLinkConfiguration");

  DataLinkCmdInfo cmdInfo(VelmorCommandInfo::InfoType{}, VelmorCommandInfo::InfoSubType{});
  cmdInfo.AddSolveSetup(4, 9);
  Check(cmdInfo.GetSolveSetupId(4) == 9, "DataLinkCmdInfo");

  DataLinkPartnerInfo info;
  info.AddDesign(AString(L"Design1"));
  info.AddSolution(AString(L"Design1"), AString(L"Setup1 : Sweep"));
  Check(info.HasDesign(AString(L"Design1")), "DataLinkPartnerInfo");
  // A null configuration leaves the information alone, whatever the filter.
  const LongFileName project(AString(L"partner.aedt"));
  DataLinkPartnerDesignFilter().Filter(nullptr, project, &info);
  DataLinkPartnerSolutionFilter(AString(L"*")).Filter(nullptr, project, &info);
  DataLinkPartnerSolutionSetupFilter(AString(L"Setup1")).Filter(nullptr, project, &info);
  Check(info.HasDesign(AString(L"Design1")), "DataLinkPartnerInfoFilter");

  FileLinks files;
  files.AddFileContents(AString(L"key"), AString(L"contents"));
  Check(files.GetFileContents().size() == 1, "FileLinks");
}

// ---- The store ----------------------------------------------------------------------------

class ProductSink : public vod::BaseEvents {};

void UseStore() {
  Check(vod::Str_Quote(automation::Variant(std::string("O'Hara"))) == "'O''Hara'",
        "vod::Str_Quote");
  Check(vod::File_ExtName(automation::Variant(std::string("song.mpg"))) == "mpg",
        "vod::File_ExtName");
  Check(!vod::GetRavelinSchemaSql().empty(), "vod::GetRavelinSchemaSql");
  Check(!vod::BaseMemberTable::Get().empty(), "vod::BaseMemberTable");

  // No database: the members answer as their error rule says.
  auto base = automation::MakeObject<vod::Base>();
  Check(!base->InitInterface("no such folder/venue.mdb"), "vod::Base::InitInterface");
  Check(base->Song_Count() == 0, "vod::Base::Song_Count");
  auto sink = automation::MakeObject<ProductSink>();
  vod::RoomInfoStruct room;
  std::int32_t rate = 50;
  sink->OnRoomBrowseInfo(room, rate);
  Check(rate == 50, "vod::BaseEvents");
}

// ---- The client ---------------------------------------------------------------------------

class ProductBase : public CPublicBase {
 public:
  void Reserved1() override {}
  void Reserved2() override {}
  void Reserved3() override {}
  void Reserved4() override {}
  void Reserved5() override {}
  void Reserved6() override {}
  void Reserved7() override {}
  void Reserved8() override {}
  void Reserved9() override {}
  void Reserved10() override {}
};

void UseClient() {
  CQvConfig config;
  const std::string ini = "[Main]\r\npatch=manager.so\r\n";
  config.OpeniniStream(ini.data(), static_cast<unsigned long>(ini.size()));
  wchar_t* value = nullptr;
  const unsigned long length = config.GetKeyVar(L"Main", L"patch", &value);
  Check(length == 10 && std::wstring(value) == L"manager.so", "CQvConfig::GetKeyVar");
  delete[] value;

  ProductBase publicBase;
  Check(publicBase.SetResourceHandle(nullptr) == 1, "CPublicBase::SetResourceHandle");
  CResourceSet resources;
  resources.SetResHandle(nullptr);
  // CImplementation has nothing but the manager module's own members; its
  // derived CPublicRavelin stands for it.
  Check(!CPublicRavelin::GetLastErrText(2).empty(), "CPublicRavelin::GetLastErrText");
  Check(UpDataManager(nullptr) == 0 && TranslateMimoMessage(nullptr, nullptr) == 0,
        "client entry points");
  UnPublicManager(nullptr);
}

}  // namespace

int main() {
  UseSetups();
  UseDataLinks();
  UseStore();
  UseClient();
  if (gFailures != 0) {
    return 1;
  }
  std::puts("consumer ok");
  return 0;
}
