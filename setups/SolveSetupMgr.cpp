#include "setups/SolveSetupMgr.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/basalt/ProgressMonitor.h"
#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/VelmorCommand.h"
#include "platform/basalt/VelmorMessage.h"
#include "platform/basalt/io/DataExchange.h"

template class ListDeltaState<CSolveSetup*>;

// ---------------------------------------------------------------------------
// CGlobalSetupData

CGlobalSetupData::CGlobalSetupData() {
  ReadUndoableFromStorage();
}

CGlobalSetupData::CGlobalSetupData(const CGlobalSetupData& other)
    : MUndoableObject(other), io::CStreamio_block_object(other) {}

CGlobalSetupData& CGlobalSetupData::operator=(const CGlobalSetupData& other) {
  MUndoableObject::operator=(other);
  io::CStreamio_block_object::operator=(other);
  return *this;
}

CGlobalSetupData::~CGlobalSetupData() = default;

bool CGlobalSetupData::Validate(const VariableValues* /*values*/) const {
  return true;
}

bool CGlobalSetupData::Update(IVelmorCommand* /*command*/) {
  return true;
}

AString CGlobalSetupData::GetBlkKwd() const {
  return AString(L"GlobalData");
}

// ---------------------------------------------------------------------------
// Shared ownership between copies

// The managers copied from one another and the change records they made.
// Each member registers itself while it lives; whoever lets go of an object
// asks the family whether anybody else still holds it.
// What a manager remembers of its list: how many entries carry each
// identifier, and (kept by the name server) the names. Each holds as of a
// value of the setups' change count and a list size: while neither has moved,
// and the list was changed only by the manager's own AddSetup and
// DeleteSetup (which keep both up to date), it still holds. Changes made
// behind the manager's back (renames, new identifiers, undo and redo of list
// edits, entries replaced through GetFirstSetupForEdit) move a count or drop
// the listing, and the next use relearns that part. Changes the manager
// makes to a new setup that is on no list yet do not concern it, so it takes
// the counts that follow them.
struct CSolveSetupMgr::Listing {
  struct Step {
    bool mKnown = false;
    unsigned long long mChanges = 0;
    std::size_t mSize = 0;
  };
  Step mIDStep;
  Step mNameStep;
  std::unordered_map<long, std::size_t> mIDs;
};

void CSolveSetupMgr::ListingDeleter::operator()(Listing* listing) const {
  delete listing;
}

CSolveSetupMgr::Listing& CSolveSetupMgr::GetListing() const {
  if (!mListing) {
    mListing.reset(new Listing());
  }
  return *mListing;
}

bool CSolveSetupMgr::AreIDsInStep() const {
  return mListing && mListing->mIDStep.mKnown &&
         mListing->mIDStep.mChanges == CSolveSetup::GetIDChangeCount() &&
         mListing->mIDStep.mSize == mSetups.size();
}

bool CSolveSetupMgr::AreNamesInStep() const {
  return mListing && mListing->mNameStep.mKnown &&
         mListing->mNameStep.mChanges == CSolveSetup::GetNameChangeCount() &&
         mListing->mNameStep.mSize == mSetups.size();
}

void CSolveSetupMgr::RebuildIDs() const {
  Listing& listing = GetListing();
  listing.mIDs.clear();
  listing.mIDs.reserve(mSetups.size());
  for (const CSolveSetup* setup : mSetups) {
    if (setup != nullptr) {
      ++listing.mIDs[setup->GetID()];
    }
  }
  listing.mIDStep = Listing::Step{true, CSolveSetup::GetIDChangeCount(), mSetups.size()};
}

void CSolveSetupMgr::KeepInStep(bool idsInStep, bool namesInStep) const {
  if (!mListing) {
    return;
  }
  if (idsInStep) {
    mListing->mIDStep.mChanges = CSolveSetup::GetIDChangeCount();
  }
  if (namesInStep) {
    mListing->mNameStep.mChanges = CSolveSetup::GetNameChangeCount();
  }
}

bool CSolveSetupMgr::KeepsNamesInStep() const {
  if (AreNamesInStep()) {
    return true;
  }
  // The name server lists the names afresh, and is in step from then on.
  GetListing().mNameStep = Listing::Step{true, CSolveSetup::GetNameChangeCount(), mSetups.size()};
  return false;
}

class CSolveSetupMgr::Family {
 public:
  std::vector<CSolveSetupMgr*> mManagers;
  std::vector<SetupListDeltaState*> mRecords;

  // Setups listed by the live managers or held out of the list by the live
  // records.
  std::unordered_set<CSolveSetup*> GetHeldSetups() const;

  bool HoldsGlobalData(const CGlobalSetupData* data) const {
    return std::any_of(mManagers.begin(), mManagers.end(), [data](const CSolveSetupMgr* manager) {
      return manager->mGlobalSetupData == data;
    });
  }
};

// The change record of a manager's list. It lets go of the setups it holds
// through the family, and stops editing the list once its manager is gone.
class CSolveSetupMgr::SetupListDeltaState final : public ListDeltaState<CSolveSetup*> {
 public:
  SetupListDeltaState(CSolveSetupMgr& manager, bool marksModified)
      : ListDeltaState<CSolveSetup*>(manager.mSetups, marksModified, true),
        mManager(&manager),
        mFamily(manager.mFamily) {
    mFamily->mRecords.push_back(this);
  }

  ~SetupListDeltaState() override {
    std::erase(mFamily->mRecords, this);
    const std::vector<CSolveSetup*> outOfList = GetHeldSetups();
    if (!outOfList.empty()) {
      const std::unordered_set<CSolveSetup*> held = mFamily->GetHeldSetups();
      for (CSolveSetup* setup : outOfList) {
        if (held.count(setup) == 0) {
          delete setup;
        }
      }
    }
    SetOwnsNodes(false);
  }

  void UndoIt() override {
    if (mManager == nullptr) {
      // Reported under the file text the other sites of this file use.
      VELMOR_REPORT_AT("SolveSetupMgr", __LINE__, "mManager != nullptr");
      return;
    }
    ListDeltaState<CSolveSetup*>::UndoIt();
  }

  void RedoIt() override {
    if (mManager == nullptr) {
      // Reported under the file text the other sites of this file use.
      VELMOR_REPORT_AT("SolveSetupMgr", __LINE__, "mManager != nullptr");
      return;
    }
    ListDeltaState<CSolveSetup*>::RedoIt();
  }

  // Undo and redo edit the list behind the manager's back.
  void OnInsertNode(CSolveSetup* /*node*/) override {
    if (mManager != nullptr) {
      mManager->DropListing();
    }
  }
  void OnRemoveNode(CSolveSetup* /*node*/) override {
    if (mManager != nullptr) {
      mManager->DropListing();
    }
  }

  std::vector<CSolveSetup*> GetHeldSetups() const {
    return GetOwnsNodes() ? GetNodesOutOfList() : std::vector<CSolveSetup*>();
  }

  const CSolveSetupMgr* GetManager() const { return mManager; }
  // The manager's list is gone or no longer the one recorded.
  void Detach() { mManager = nullptr; }

 private:
  CSolveSetupMgr* mManager;
  std::shared_ptr<Family> mFamily;
};

std::unordered_set<CSolveSetup*> CSolveSetupMgr::Family::GetHeldSetups() const {
  std::unordered_set<CSolveSetup*> held;
  for (const CSolveSetupMgr* manager : mManagers) {
    held.insert(manager->mSetups.begin(), manager->mSetups.end());
  }
  for (const SetupListDeltaState* record : mRecords) {
    for (CSolveSetup* setup : record->GetHeldSetups()) {
      held.insert(setup);
    }
  }
  return held;
}

// ---------------------------------------------------------------------------
// CSolveSetupMgr: life cycle

CSolveSetupMgr::CSolveSetupMgr(int cmdInfoKey)
    : VelmorNameServer(),
      VelmorIDServer(id::initialID, false, nullptr),
      mGlobalSetupData(nullptr),
      mCmdInfoKey(cmdInfoKey),
      mFamily(std::make_shared<Family>()) {
  mFamily->mManagers.push_back(this);
}

CSolveSetupMgr::CSolveSetupMgr(const CSolveSetupMgr& other)
    : io::CStreamio_block_object(other),
      VelmorNameServer(other),
      VelmorIDServer(other),
      mSetups(other.mSetups),
      mGlobalSetupData(other.mGlobalSetupData),
      mCmdInfoKey(other.mCmdInfoKey),
      mSetupTypes(other.mSetupTypes),
      mFamily(other.mFamily) {
  mFamily->mManagers.push_back(this);
}

CSolveSetupMgr& CSolveSetupMgr::operator=(const CSolveSetupMgr& other) {
  if (this == &other) {
    return *this;
  }
  io::CStreamio_block_object::operator=(other);
  VelmorNameServer::operator=(other);
  VelmorIDServer::operator=(other);
  DropListing();
  ReleaseAll(&other);
  mSetups = other.mSetups;
  mGlobalSetupData = other.mGlobalSetupData;
  mCmdInfoKey = other.mCmdInfoKey;
  mSetupTypes = other.mSetupTypes;
  mFamily = other.mFamily;
  mFamily->mManagers.push_back(this);
  return *this;
}

CSolveSetupMgr::~CSolveSetupMgr() {
  ReleaseAll(nullptr);
}

void CSolveSetupMgr::ReleaseAll(const CSolveSetupMgr* incoming) {
  Family& family = *mFamily;
  std::erase(family.mManagers, this);
  for (SetupListDeltaState* record : family.mRecords) {
    if (record->GetManager() == this) {
      record->Detach();
    }
  }

  std::unordered_set<CSolveSetup*> held = family.GetHeldSetups();
  if (incoming != nullptr) {
    held.insert(incoming->mSetups.begin(), incoming->mSetups.end());
  }
  std::unordered_set<const CSolveSetup*> released;
  released.reserve(mSetups.size());
  for (CSolveSetup* setup : mSetups) {
    if (setup != nullptr && released.insert(setup).second && held.count(setup) == 0) {
      delete setup;
    }
  }
  mSetups.clear();
  DropListing();

  // Setups kept by others must not answer to a manager that is gone: they
  // move to a manager that lists them, else to any member left.
  const auto lists = [](const CSolveSetupMgr* manager, const CSolveSetup* setup) {
    return std::find(manager->mSetups.begin(), manager->mSetups.end(), setup) !=
           manager->mSetups.end();
  };
  for (CSolveSetup* setup : held) {
    if (setup->GetManager() != this) {
      continue;
    }
    const CSolveSetupMgr* heir = nullptr;
    for (const CSolveSetupMgr* manager : family.mManagers) {
      if (lists(manager, setup)) {
        heir = manager;
        break;
      }
    }
    if (heir == nullptr && incoming != nullptr && lists(incoming, setup)) {
      heir = incoming;
    }
    if (heir == nullptr && !family.mManagers.empty()) {
      heir = family.mManagers.front();
    }
    setup->SetManager(heir);
  }

  if (mGlobalSetupData != nullptr && !family.HoldsGlobalData(mGlobalSetupData) &&
      (incoming == nullptr || incoming->mGlobalSetupData != mGlobalSetupData)) {
    delete mGlobalSetupData;
  }
  mGlobalSetupData = nullptr;
  mFamily.reset();
}

// ---------------------------------------------------------------------------
// Types, names and look-ups

namespace {

// Posts an error about the setups, with `args` as arguments 0, 1, ...
void PostSetupError(int messageID, int helpID, std::initializer_list<AString> args = {}) {
  VelmorMessage message(kErrorMessage, 0, messageID, helpID, CSolveSetup::kSetupMessageModule,
                        MessageManagerStrings::kNullStr, MessageManagerStrings::kNullStr, false);
  int index = 0;
  for (const AString& arg : args) {
    message.AddArg(index++, arg);
  }
  GetGlobalIMessageManager().AddMessage(message);
}

}  // namespace

void CSolveSetupMgr::GetAllNames(std::list<AString>& names) const {
  for (const CSolveSetup* setup : mSetups) {
    names.push_back(setup->GetName());
  }
}

AString CSolveSetupMgr::GetSetupsBlkKwd() const {
  return AString(L"SolveSetups");
}

CSolveSetupCmdInfo* CSolveSetupMgr::CreateCommandInfo() const {
  return new CSolveSetupCmdInfo();
}

bool CSolveSetupMgr::AreSetupsRequired() const {
  return true;
}

AString CSolveSetupMgr::GetItemName() const {
  return AString(L"SolveSetupMgr");
}

void CSolveSetupMgr::AddSetupType(int type, const AString& name) {
  if (!mSetupTypes.emplace(type, name).second) {
    VELMOR_REPORT_AT("SolveSetupMgr", 50, "0");
  }
}

void CSolveSetupMgr::SetGlobalSetupData(CGlobalSetupData* data) {
  if (data == mGlobalSetupData) {
    return;
  }
  CGlobalSetupData* previous = mGlobalSetupData;
  mGlobalSetupData = data;
  if (previous != nullptr && !mFamily->HoldsGlobalData(previous)) {
    delete previous;
  }
}

int CSolveSetupMgr::GetType(const AString& name) const {
  for (const auto& [type, typeName] : mSetupTypes) {
    if (typeName.CompareNoCase(name) == 0) {
      return type;
    }
  }
  return -1;
}

AString CSolveSetupMgr::GetTypeName(int type) const {
  auto found = mSetupTypes.find(type);
  return found != mSetupTypes.end() ? found->second : AString();
}

CSolveSetup* CSolveSetupMgr::CreateSetup(int type, const AString& baseName) const {
  const bool idsInStep = AreIDsInStep();
  const bool namesInStep = AreNamesInStep();
  CSolveSetup* theSetup = NewSetup(type);
  if (theSetup == nullptr) {
    VELMOR_REPORT_AT("SolveSetupMgr", 83, "theSetup");
    return nullptr;
  }
  theSetup->SetManager(this);
  theSetup->SetDefaults();
  // Only the new setup, on no list, has changed.
  KeepInStep(idsInStep, namesInStep);
  theSetup->SetName(GetUniqueName(baseName, kUniqueNameIndexMode));
  // GetUniqueName left the names in step; naming the new setup keeps them so.
  KeepInStep(false, true);
  return theSetup;
}

CSolveSetup* CSolveSetupMgr::CreateSetup(int type, bool /*unnamed*/) const {
  const bool idsInStep = AreIDsInStep();
  const bool namesInStep = AreNamesInStep();
  CSolveSetup* theSetup = NewSetup(type);
  if (theSetup == nullptr) {
    VELMOR_REPORT_AT("SolveSetupMgr", 96, "theSetup");
    return nullptr;
  }
  theSetup->SetManager(this);
  theSetup->SetDefaults();
  KeepInStep(idsInStep, namesInStep);
  return theSetup;
}

const CSolveSetup* CSolveSetupMgr::GetSetup(const AString& name) const {
  for (const CSolveSetup* setup : mSetups) {
    if (setup->GetName().CompareNoCase(name) == 0) {
      return setup;
    }
  }
  return nullptr;
}

CSolveSetup* CSolveSetupMgr::GetSetupForEdit(const AString& name) {
  for (CSolveSetup* setup : mSetups) {
    if (setup->GetName() == name) {
      return setup;
    }
  }
  return nullptr;
}

const CSolveSetup* CSolveSetupMgr::GetSetup(long id) const {
  for (const CSolveSetup* setup : mSetups) {
    if (setup->GetID() == id) {
      return setup;
    }
  }
  return nullptr;
}

CSolveSetup* CSolveSetupMgr::GetSetupForEdit(long id) {
  for (CSolveSetup* setup : mSetups) {
    if (setup->GetID() == id) {
      return setup;
    }
  }
  return nullptr;
}

bool CSolveSetupMgr::IsNameValid(const AString& name) const {
  AString reason;
  if (VelmorNameServer::IsNameValid(name, reason)) {
    return true;
  }
  PostSetupError(kNameNotValidMessage, 57, {name, reason});
  return false;
}

bool CSolveSetupMgr::IsNameUnique(const AString& name, const CSolveSetup* except) const {
  for (const CSolveSetup* setup : mSetups) {
    if (except != nullptr && setup->GetID() == except->GetID()) {
      continue;
    }
    if (setup->GetName().CompareNoCase(name) == 0) {
      PostSetupError(kNameNotUniqueMessage, 56, {name});
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// List edits and commands

namespace {

// A record made for another list would replay this edit on that list.
bool IsRecordOfList(const ListDeltaState<CSolveSetup*>* delta,
                    const CSolveSetupMgr::SetupList& setups) {
  const bool sameList = &delta->GetList() == &setups;
  if (!sameList) {
    VELMOR_REPORT_AT("SolveSetupMgr", __LINE__, "sameList");
  }
  return sameList;
}

}  // namespace

void CSolveSetupMgr::AddSetup(CSolveSetup* setup, ListDeltaState<CSolveSetup*>* delta) {
  if (setup == nullptr) {
    VELMOR_REPORT_AT("SolveSetupMgr", 106, "theSetup");
    return;
  }
  bool idsInStep = AreIDsInStep();
  const bool namesInStep = AreNamesInStep();
  if (setup->GetID() == id::invalidID) {
    if (!idsInStep) {
      RebuildIDs();
    }
    Listing& listing = *mListing;
    // A counter read from a file that lacks it, or lags behind the stored
    // identifiers, may offer one that a listed setup already has; two setups
    // must never answer to one identifier.
    long id = FetchNextUniqueID();
    while (id != id::invalidID && listing.mIDs.count(id) != 0) {
      id = FetchNextUniqueID();
    }
    // Were the setup listed already, its new identifier would change an
    // entry the listing counts.
    idsInStep = listing.mIDs.count(id::invalidID) == 0;
    setup->SetID(id);
    KeepInStep(idsInStep, false);
  }
  setup->SetManager(this);
  mSetups.push_back(setup);
  if (idsInStep) {
    ++mListing->mIDs[setup->GetID()];
    ++mListing->mIDStep.mSize;
  }
  if (namesInStep) {
    NameAdded(setup->GetName());
    ++mListing->mNameStep.mSize;
  }
  if (delta != nullptr && IsRecordOfList(delta, mSetups)) {
    delta->RecordChange(setup, static_cast<unsigned>(mSetups.size() - 1), true);
  }
}

void CSolveSetupMgr::DeleteSetup(CSolveSetup* setup, ListDeltaState<CSolveSetup*>* delta) {
  if (setup == nullptr) {
    VELMOR_REPORT_AT("SolveSetupMgr", 127, "theSetup");
    return;
  }
  auto first = std::find(mSetups.begin(), mSetups.end(), setup);
  if (first == mSetups.end()) {
    return;
  }
  const auto position = static_cast<unsigned>(std::distance(mSetups.begin(), first));
  const bool idsInStep = AreIDsInStep();
  const bool namesInStep = AreNamesInStep();
  const auto entries = static_cast<std::size_t>(std::count(first, mSetups.end(), setup));
  mSetups.remove(setup);
  if (idsInStep) {
    auto id = mListing->mIDs.find(setup->GetID());
    if (id == mListing->mIDs.end() || id->second < entries) {
      mListing->mIDStep.mKnown = false;
    } else {
      if ((id->second -= entries) == 0) {
        mListing->mIDs.erase(id);
      }
      mListing->mIDStep.mSize -= entries;
    }
  }
  if (namesInStep) {
    const AString name = setup->GetName();
    for (std::size_t i = 0; i < entries; ++i) {
      NameRemoved(name);
    }
    mListing->mNameStep.mSize -= entries;
  }
  if (delta != nullptr && IsRecordOfList(delta, mSetups)) {
    delta->RecordChange(setup, position, false);
  }
}

ListDeltaState<CSolveSetup*>* CSolveSetupMgr::CreateListDeltaState(bool marksModified) {
  return new SetupListDeltaState(*this, marksModified);
}

CSolveSetupCmdInfo* CSolveSetupMgr::GetOrCreateCommandInfo(IVelmorCommand* command) const {
  if (command == nullptr) {
    return nullptr;
  }
  auto* info = dynamic_cast<CSolveSetupCmdInfo*>(command->GetCommandInfo(mCmdInfoKey));
  if (info == nullptr) {
    info = CreateCommandInfo();
    if (info != nullptr) {
      command->SetCommandInfo(mCmdInfoKey, info);
    }
  }
  return info;
}

bool CSolveSetupMgr::Update(IVelmorCommand* command) {
  bool result = mGlobalSetupData != nullptr ? mGlobalSetupData->Update(command) : true;
  for (CSolveSetup* setup : mSetups) {
    if (!setup->Update(command)) {
      result = false;
    }
  }
  return result;
}

bool CSolveSetupMgr::Validate(const VariableValues* values, IProgressMonitor* monitor, int total) {
  bool result = true;
  if (mGlobalSetupData != nullptr && !mGlobalSetupData->Validate(values)) {
    result = false;
  }
  if (mSetups.empty()) {
    if (AreSetupsRequired()) {
      PostSetupError(kNoSetupsMessage, 55);
      return false;
    }
    return result;
  }

  // Names that differ only in case are allowed here; IsNameUnique is the
  // stricter check made while editing.
  std::map<AString, const CSolveSetup*> byName;
  for (const CSolveSetup* setup : mSetups) {
    if (!byName.emplace(setup->GetName(), setup).second) {
      PostSetupError(kNameNotUniqueMessage, 56);
      result = false;
      break;
    }
  }

  const int step = total / static_cast<int>(mSetups.size());
  int position = 0;
  bool aborted = false;
  for (auto setup = mSetups.begin(); setup != mSetups.end() && !aborted; ++setup) {
    const AString name = (*setup)->GetName();
    if (monitor != nullptr) {
      monitor->SetMessage(name);
    }
    if (!IsNameValid(name)) {
      result = false;
    }
    if (!(*setup)->IsValid(values)) {
      result = false;
    }
    position += step;
    if (monitor != nullptr) {
      monitor->SetProgress(position);
      aborted = monitor->IsAborted();
    }
  }
  return result;
}

// ---------------------------------------------------------------------------
// Persistence

io::ReadError CSolveSetupMgr::DoDataExchange(io::CBlock& parent, bool reading) {
  mReadError = 0;
  if (reading) {
    if (mGlobalSetupData != nullptr) {
      // A missing or damaged global data block leaves the defaults; the
      // setups are still worth reading.
      io::CBlockPtr globalBlock(mGlobalSetupData->GetBlkKwd());
      parent >> globalBlock;
      if (globalBlock) {
        mGlobalSetupData->Read(*globalBlock);
      }
    }
    io::CBlockPtr setupsBlock(GetSetupsBlkKwd());
    parent >> setupsBlock;
    if (!setupsBlock) {
      return io::ReadError(-1, AString(L"No block \"") + GetSetupsBlkKwd() + L"\"");
    }
    ResetNextUniqueID(*setupsBlock);
    return ReadSetups(*setupsBlock);
  }

  if (mGlobalSetupData != nullptr) {
    io::CBlock globalBlock(mGlobalSetupData->GetBlkKwd());
    if (mGlobalSetupData->Write(globalBlock)) {
      parent << std::move(globalBlock);
    }
  }
  io::CBlock setupsBlock(GetSetupsBlkKwd());
  WriteNextUniqueID(setupsBlock);
  if (!WriteSetups(setupsBlock)) {
    return -1;
  }
  parent << std::move(setupsBlock);
  return 0;
}

bool CSolveSetupMgr::WriteSetups(io::CBlock& block) {
  for (CSolveSetup* setup : mSetups) {
    io::CBlock setupBlock(setup->GetName());
    if (!setup->Write(setupBlock)) {
      return false;
    }
    block << std::move(setupBlock);
  }
  return true;
}

io::ReadError CSolveSetupMgr::ReadSetups(io::CBlock& block) {
  io::ReadError result = 0;
  // Indexing rather than iterators: setups read from the block must not be
  // able to invalidate the walk.
  for (std::size_t index = 0; index < block.Size(); ++index) {
    io::CBlock* setupBlock = block.Item(index)->AsBlock();
    if (setupBlock == nullptr) {
      continue;
    }
    AString typeName;
    io::DoDataExchange(*setupBlock, true, AString(L"SetupType"), typeName, 0);
    CSolveSetup* setup = CreateSetup(GetType(typeName), true);
    if (setup == nullptr) {
      return io::ReadError(kSetupNotMadeError, AString(L"No setup of type \"") + typeName +
                                                   L"\" could be made for \"" + setupBlock->Name() +
                                                   L"\"");
    }
    const bool idsInStep = AreIDsInStep();
    const bool namesInStep = AreNamesInStep();
    setup->SetName(setupBlock->Name());
    const io::ReadError code = setup->Read(*setupBlock);
    // Naming and reading changed only the new setup.
    KeepInStep(idsInStep, namesInStep);
    if (code < 0) {
      delete setup;
      return code;
    }
    if (code > 0) {
      result = code;
    }
    AddSetup(setup, nullptr);
  }
  return result;
}

// Defined here as well, so that the library exports them: a Windows program
// that binds a reference to one of these constants imports it from the DLL.
constexpr int CSolveSetupMgr::kNoSetupsMessage;
constexpr int CSolveSetupMgr::kNameNotUniqueMessage;
constexpr int CSolveSetupMgr::kNameNotValidMessage;
constexpr int CSolveSetupMgr::kUniqueNameIndexMode;
constexpr int CSolveSetupMgr::kSetupNotMadeError;
