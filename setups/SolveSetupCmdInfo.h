// CSolveSetupCmdInfo: what a command did to the solve setups of a design.
//
// Besides the info type and sub-type bits of its base it carries two flags
// the product sets (the mesh must go back to the initial mesh; existing
// solutions become invalid) and an optional separate command info for the
// sweeps of the setups. A command keeps one under the setup manager's key
// (CSolveSetupMgr::GetOrCreateCommandInfo).
//
// Ownership: the sweeps info given to SetCommandInfoForSweeps is owned from
// then on. Copies share it: the copies hold one reference count between
// them, and the last of them to be destroyed (or reassigned) deletes it, so
// copies may die in any order. While a sweeps info is set, a second
// SetCommandInfoForSweeps is reported and the incoming info is deleted at
// once (the object took ownership of it and has nowhere to keep it); handing
// in the info already held changes nothing.
// Thread-safety: none; a command info belongs to its command's thread.
#pragma once

#include <memory>

#include "platform/basalt/VelmorCommand.h"
#include "setups/RavelinSetupsExport.h"

class RAVELIN_SETUPS_EXPORT CSolveSetupCmdInfo : public VelmorCommandInfo {
 public:
  CSolveSetupCmdInfo();
  CSolveSetupCmdInfo(InfoType infoType, InfoSubType infoSubType);
  CSolveSetupCmdInfo(const CSolveSetupCmdInfo& other);
  CSolveSetupCmdInfo& operator=(const CSolveSetupCmdInfo& other);
  ~CSolveSetupCmdInfo() override;

  bool RevertToInitialMesh() const { return mRevertToInitialMesh; }
  void SetRevertToInitialMesh(bool revert) { mRevertToInitialMesh = revert; }
  bool InvalidateSolution() const { return mInvalidateSolution; }
  void SetInvalidateSolution(bool invalidate) { mInvalidateSolution = invalidate; }

  // The sweeps info, or null; still owned by this object.
  VelmorCommandInfo* GetCommandInfoForSweeps() { return mSweepsOwner.get(); }
  const VelmorCommandInfo* GetCommandInfoForSweeps() const { return mSweepsOwner.get(); }
  // Takes ownership of `info` (see above for a second call).
  void SetCommandInfoForSweeps(VelmorCommandInfo* info);

 private:
  bool mRevertToInitialMesh;
  bool mInvalidateSolution;
  // The sweeps info, owned jointly with the copies of this object.
  std::shared_ptr<VelmorCommandInfo> mSweepsOwner;
};
