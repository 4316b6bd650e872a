// DataLinkCmdInfo: the command info a data-link command carries.
//
// Besides the info type and sub-type of its base it keeps a table that maps a
// solve setup identifier to the solve setup identifier it corresponds to, so
// that the command's consumers can follow setups across a link. One value per
// key: a second value for a key already present is an internal inconsistency,
// reported through the assertion reporter, and the first value stays.
//
// Ownership: a value type; the command that keeps it owns it.
// Thread-safety: none; use it on the thread of its command.
#pragma once

#include <map>

#include "platform/basalt/VelmorCommand.h"
#include "setups/RavelinSetupsExport.h"

class RAVELIN_SETUPS_EXPORT DataLinkCmdInfo : public VelmorCommandInfo {
 public:
  // Answer of GetSolveSetupId for an identifier that is not in the table. It is
  // not id::invalidID, so a stored invalid identifier stays distinguishable.
  static constexpr long kNoSolveSetupId = -2;

  DataLinkCmdInfo(VelmorCommandInfo::InfoType infoType, VelmorCommandInfo::InfoSubType infoSubType);
  DataLinkCmdInfo(const DataLinkCmdInfo& other);
  DataLinkCmdInfo& operator=(const DataLinkCmdInfo& other);
  ~DataLinkCmdInfo() override;

  // Stores `value` under `key` unless the key already has one.
  void AddSolveSetup(long key, long value);
  // The value stored under `key`, or kNoSolveSetupId.
  long GetSolveSetupId(long key) const;

 private:
  std::map<long, long> mSolveSetupIds;
};
