#include "setups/SolveSetupCmdInfo.h"

#include "platform/basalt/VelmorAssert.h"

CSolveSetupCmdInfo::CSolveSetupCmdInfo()
    : mRevertToInitialMesh(false), mInvalidateSolution(false) {}

CSolveSetupCmdInfo::CSolveSetupCmdInfo(InfoType infoType, InfoSubType infoSubType)
    : VelmorCommandInfo(infoType, infoSubType),
      mRevertToInitialMesh(false),
      mInvalidateSolution(false) {}

CSolveSetupCmdInfo::CSolveSetupCmdInfo(const CSolveSetupCmdInfo& other) = default;

CSolveSetupCmdInfo& CSolveSetupCmdInfo::operator=(const CSolveSetupCmdInfo& other) = default;

CSolveSetupCmdInfo::~CSolveSetupCmdInfo() = default;

void CSolveSetupCmdInfo::SetCommandInfoForSweeps(VelmorCommandInfo* info) {
  if (mSweepsOwner != nullptr) {
    VELMOR_REPORT_AT("SolveSetupCmdInfo", 31, "mCmdInfoForSweeps == NULL");
    // Keeping the incoming info would need a second slot; dropping it
    // unowned would leak it.
    if (info != mSweepsOwner.get()) {
      delete info;
    }
    return;
  }
  mSweepsOwner.reset(info);
}
