// Command info and commands.
//
// A VelmorCommandInfo is a command's record of what it changed: an info type
// and an info sub-type, each a set of bits that AddInfoType and
// AddInfoSubType accumulate. Libraries derive their own infos to carry more.
// IVelmorCommand is a command as the libraries see it: it keeps command infos
// under integer keys, one per key. VelmorCommand is a plain command that
// hosts can use as it is.
//
// Ownership: a command owns the infos given to SetCommandInfo and deletes
// them when they are replaced or when it is destroyed; GetCommandInfo lends
// the pointer.
// Thread-safety: none.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"

class BASALT_EXPORT VelmorCommandInfo {
 public:
  using InfoType = unsigned int;
  using InfoSubType = unsigned int;

  VelmorCommandInfo();
  VelmorCommandInfo(InfoType infoType, InfoSubType infoSubType);
  VelmorCommandInfo(const VelmorCommandInfo&) = default;
  VelmorCommandInfo& operator=(const VelmorCommandInfo&) = default;
  virtual ~VelmorCommandInfo();

  // Adds the bits to the accumulated set.
  void AddInfoType(InfoType infoType) { mInfoType |= infoType; }
  void AddInfoSubType(InfoSubType infoSubType) { mInfoSubType |= infoSubType; }
  InfoType GetInfoType() const { return mInfoType; }
  InfoSubType GetInfoSubType() const { return mInfoSubType; }
  // True when every bit of the argument is set.
  bool HasInfoType(InfoType infoType) const { return (mInfoType & infoType) == infoType; }
  bool HasInfoSubType(InfoSubType infoSubType) const {
    return (mInfoSubType & infoSubType) == infoSubType;
  }

  // Adds what `other` records to this info (the base merges both bit sets).
  // A null argument changes nothing.
  virtual void MergeInfo(VelmorCommandInfo* other);

 private:
  InfoType mInfoType;
  InfoSubType mInfoSubType;
};

class BASALT_EXPORT IVelmorCommand {
 public:
  virtual ~IVelmorCommand();
  // Keeps `info` under `key`; the command owns it from now on and deletes an
  // info it held under the key before (unless it is the same pointer). A
  // null info just deletes the one held.
  virtual void SetCommandInfo(int key, VelmorCommandInfo* info) = 0;
  // The info kept under `key`, or null; the command keeps owning it.
  virtual VelmorCommandInfo* GetCommandInfo(int key) const = 0;
};

class BASALT_EXPORT VelmorCommand : public IVelmorCommand {
 public:
  explicit VelmorCommand(const AString& name = AString());
  ~VelmorCommand() override;
  VelmorCommand(const VelmorCommand&) = delete;
  VelmorCommand& operator=(const VelmorCommand&) = delete;

  void SetCommandInfo(int key, VelmorCommandInfo* info) override;
  VelmorCommandInfo* GetCommandInfo(int key) const override;

  const AString& GetName() const { return mName; }
  void SetName(const AString& name) { mName = name; }
  // The keys that hold an info, in ascending order.
  std::vector<int> GetCommandInfoKeys() const;

 private:
  AString mName;
  std::map<int, std::unique_ptr<VelmorCommandInfo>> mInfos;
};
