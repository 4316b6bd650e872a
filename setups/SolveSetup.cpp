#include "setups/SolveSetup.h"

#include <atomic>

#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/VelmorIDServer.h"
#include "platform/basalt/io/DataExchange.h"
#include "setups/SolveSetupCmdInfo.h"
#include "setups/SolveSetupMgr.h"

namespace {

std::atomic<unsigned long long> gNameChanges{0};
std::atomic<unsigned long long> gIDChanges{0};

void NoteNameChange() {
  gNameChanges.fetch_add(1, std::memory_order_relaxed);
}

void NoteIDChange() {
  gIDChanges.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

unsigned long long CSolveSetup::GetNameChangeCount() {
  return gNameChanges.load(std::memory_order_relaxed);
}

unsigned long long CSolveSetup::GetIDChangeCount() {
  return gIDChanges.load(std::memory_order_relaxed);
}

CSolveSetup::CSolveSetup() : mID(id::invalidID), mManager(nullptr) {
  ReadUndoableFromStorage();
}

CSolveSetup::CSolveSetup(const CSolveSetup& other)
    : io::CStreamio_block_object(other),
      MUndoableObject(other),
      mName(other.mName),
      mID(other.mID),
      mManager(other.mManager) {}

CSolveSetup& CSolveSetup::operator=(const CSolveSetup& other) {
  MUndoableObject::operator=(other);
  io::CStreamio_block_object::operator=(other);
  mName = other.mName;
  mID = other.mID;
  mManager = other.mManager;
  NoteNameChange();
  NoteIDChange();
  return *this;
}

CSolveSetup::~CSolveSetup() = default;

void CSolveSetup::Assign(MUndoableObject* other) {
  CopyFrom(other);
}

void CSolveSetup::SetupHasChanged(CSolveSetup* other, CSolveSetupCmdInfo* info) const {
  if (other == nullptr || info == nullptr) {
    return;
  }
  if (mName != other->mName) {
    info->AddInfoType(kNameChangedInfoType);
    info->AddInfoSubType(kNameChangedInfoSubType);
  }
}

void CSolveSetup::SetName(const AString& name) {
  if (name != mName) {
    mName = name;
    NoteNameChange();
  }
}

void CSolveSetup::SetID(long id) {
  if (id != mID) {
    mID = id;
    NoteIDChange();
  }
}

void CSolveSetup::SetManager(const CSolveSetupMgr* manager) {
  mManager = manager;
}

void CSolveSetup::SetDefaults() {}

bool CSolveSetup::IsValid(const VariableValues* /*values*/) const {
  return true;
}

bool CSolveSetup::Update(IVelmorCommand* /*command*/) {
  return true;
}

void CSolveSetup::CopyFrom(const MUndoableObject* source) {
  const auto* theSetup = dynamic_cast<const CSolveSetup*>(source);
  if (theSetup == nullptr) {
    VELMOR_REPORT_AT("SolveSetup", 50, "theSetup");
    // Half a copy would leave a setup that matches neither itself nor the
    // source.
    return;
  }
  SetName(theSetup->mName);
  SetManager(theSetup->mManager);
}

bool CSolveSetup::IsEnabledForAnalysis() const {
  return true;
}

bool CSolveSetup::HasLink() const {
  return false;
}

AString CSolveSetup::GetItemName() const {
  return GetName();
}

io::ReadError CSolveSetup::DoDataExchange(io::CBlock& block, bool reading) {
  mReadError = 0;
  if (IsInScripting()) {
    return mReadError;
  }
  io::ReadError result = io::DoDataExchange(block, reading, AString(L"ID"), mID, 0);
  if (reading) {
    NoteIDChange();
  }
  if (result != 0) {
    mReadError = result;
  }
  // Without a manager there is no type table to name the type from.
  AString typeName = mManager != nullptr ? mManager->GetTypeName(GetSetupType()) : AString();
  result = io::DoDataExchange(block, reading, AString(L"SetupType"), typeName, 0);
  if (result != 0) {
    mReadError = result;
  }
  return mReadError;
}

void CSolveSetup::AddVelmorMessage(MessageSeverity severity, int category, int messageID,
                                   int helpID, const std::vector<AString>* args) const {
  VelmorMessage message(severity, category, messageID, helpID, kSetupMessageModule, AString(),
                        AString(), false);
  message.AddArg(0, mName);
  if (args != nullptr) {
    int index = 1;
    for (const AString& arg : *args) {
      message.AddArg(index++, arg);
    }
  }
  GetGlobalIMessageManager().AddMessage(message);
}

// Defined here as well, so that the library exports them: a Windows program
// that binds a reference to one of these constants imports it from the DLL.
constexpr unsigned int CSolveSetup::kNameChangedInfoType;
constexpr unsigned int CSolveSetup::kNameChangedInfoSubType;
constexpr int CSolveSetup::kSetupMessageModule;
