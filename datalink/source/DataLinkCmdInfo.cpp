#include "datalink/source/DataLinkCmdInfo.h"

#include "platform/basalt/VelmorAssert.h"

DataLinkCmdInfo::DataLinkCmdInfo(VelmorCommandInfo::InfoType infoType,
                                 VelmorCommandInfo::InfoSubType infoSubType)
    : VelmorCommandInfo(infoType, infoSubType) {}

DataLinkCmdInfo::DataLinkCmdInfo(const DataLinkCmdInfo& other) = default;

DataLinkCmdInfo& DataLinkCmdInfo::operator=(const DataLinkCmdInfo& other) = default;

DataLinkCmdInfo::~DataLinkCmdInfo() = default;

void DataLinkCmdInfo::AddSolveSetup(long key, long value) {
  if (!mSolveSetupIds.emplace(key, value).second) {
    // A setup corresponds to one setup only; the first mapping made wins.
    VELMOR_REPORT_AT("datalink/source/DataLinkCmdInfo", 22, "0");
  }
}

long DataLinkCmdInfo::GetSolveSetupId(long key) const {
  auto found = mSolveSetupIds.find(key);
  return found == mSolveSetupIds.end() ? kNoSolveSetupId : found->second;
}

// Defined here as well, so that the library exports them: a Windows program
// that binds a reference to one of these constants imports it from the DLL.
constexpr long DataLinkCmdInfo::kNoSolveSetupId;
