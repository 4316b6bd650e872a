#include "platform/basalt/VelmorCommand.h"

VelmorCommandInfo::VelmorCommandInfo() : VelmorCommandInfo(0, 0) {}

VelmorCommandInfo::VelmorCommandInfo(InfoType infoType, InfoSubType infoSubType)
    : mInfoType(infoType), mInfoSubType(infoSubType) {}

VelmorCommandInfo::~VelmorCommandInfo() = default;

void VelmorCommandInfo::MergeInfo(VelmorCommandInfo* other) {
  if (!other || other == this) {
    return;
  }
  AddInfoType(other->GetInfoType());
  AddInfoSubType(other->GetInfoSubType());
}

IVelmorCommand::~IVelmorCommand() = default;

VelmorCommand::VelmorCommand(const AString& name) : mName(name) {}

VelmorCommand::~VelmorCommand() = default;

void VelmorCommand::SetCommandInfo(int key, VelmorCommandInfo* info) {
  if (!info) {
    mInfos.erase(key);
    return;
  }
  std::unique_ptr<VelmorCommandInfo>& slot = mInfos[key];
  if (slot.get() != info) {
    slot.reset(info);
  }
}

VelmorCommandInfo* VelmorCommand::GetCommandInfo(int key) const {
  const auto found = mInfos.find(key);
  return found == mInfos.end() ? nullptr : found->second.get();
}

std::vector<int> VelmorCommand::GetCommandInfoKeys() const {
  std::vector<int> keys;
  for (const auto& entry : mInfos) {
    keys.push_back(entry.first);
  }
  return keys;
}
