// CSolveSetup: base class of one solve setup of a design.
//
// A solve setup is a named, numbered set of analysis settings that belongs to
// one CSolveSetupMgr. This class holds what every kind of setup shares (name,
// identifier, owning manager, type) and the rules for copying, change
// detection, messages and block exchange; the product derives its setup
// classes from it, says their type (GetSetupType) and adds their settings
// (CopyFrom, SetupHasChanged, DoDataExchange, IsValid, ...).
//
// Ownership: a setup does not own its manager. The manager deletes the
// setups in its list; a setup taken out of the list belongs to the change
// record that recorded the removal, or else to whoever took it out.
// Thread-safety: none; setups live on their design's thread.
#pragma once

#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/Undoable.h"
#include "platform/basalt/VelmorMessage.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/ReadError.h"
#include "platform/basalt/io/StreamioBlockObject.h"
#include "setups/RavelinSetupsExport.h"

class CSolveSetupMgr;
class CSolveSetupCmdInfo;
class IVelmorCommand;
class VariableValues;

class RAVELIN_SETUPS_EXPORT CSolveSetup : public MUndoableObject,
                                          public virtual io::CStreamio_block_object {
 public:
  // Info type and sub-type a setup adds to the command info when its name
  // changed.
  static constexpr unsigned int kNameChangedInfoType = 2;
  static constexpr unsigned int kNameChangedInfoSubType = 4;
  // Module number carried by the messages about a setup.
  static constexpr int kSetupMessageModule = 6;

  CSolveSetup();
  // Copies the undo and stream bases, name, identifier and manager pointer.
  CSolveSetup(const CSolveSetup& other);
  CSolveSetup& operator=(const CSolveSetup& other);
  ~CSolveSetup() override;

  // Undo support copies through CopyFrom.
  void Assign(MUndoableObject* other) override;

  // Adds to `info` what differs between this setup and `other`: in the base,
  // a name that differs (case matters) adds kNameChangedInfoType and
  // kNameChangedInfoSubType. A null `other` or `info` adds nothing.
  virtual void SetupHasChanged(CSolveSetup* other, CSolveSetupCmdInfo* info) const;
  virtual void SetID(long id);
  virtual void SetManager(const CSolveSetupMgr* manager);
  // The setup's type id in its manager's type table.
  virtual int GetSetupType() = 0;
  // Gives a new setup its default settings; called by the manager right
  // after creation. Does nothing in the base.
  virtual void SetDefaults();
  virtual bool IsValid(const VariableValues* values) const;
  virtual bool Update(IVelmorCommand* command);
  // Takes name and manager from `source`, which must be a setup; the
  // identifier is kept. A source that is not a setup is reported and nothing
  // is copied. Product classes extend this to copy their settings.
  virtual void CopyFrom(const MUndoableObject* source);
  virtual bool IsEnabledForAnalysis() const;
  virtual bool HasLink() const;

  // The block a setup is stored in is named after the setup.
  AString GetItemName() const override;
  // Exchanges "ID" and "SetupType", in this order; both are always tried and
  // the code of the last one that failed is returned (0 when both worked).
  // In scripting mode nothing is exchanged. Reading does not use the stored
  // type name: the manager has read it already to choose the class.
  io::ReadError DoDataExchange(io::CBlock& block, bool reading) override;

  AString GetName() const { return mName; }
  // No check of validity or uniqueness; the manager offers those.
  void SetName(const AString& name);
  long GetID() const { return mID; }
  const CSolveSetupMgr* GetManager() const { return mManager; }

  // Posts a message about this setup to the global message manager: the
  // severity and the three integers as given, module kSetupMessageModule,
  // argument 0 this setup's name and the elements of `args` (if any) as
  // arguments 1, 2, ...
  void AddVelmorMessage(MessageSeverity severity, int category, int messageID, int helpID,
                        const std::vector<AString>* args) const;

  // Grow, process-wide, whenever the name (or the identifier) of any setup
  // may have changed. A manager that remembers the names and identifiers of
  // its setups compares them with the values it saw to know whether what it
  // remembers still holds.
  static unsigned long long GetNameChangeCount();
  static unsigned long long GetIDChangeCount();

 private:
  AString mName;
  long mID;
  const CSolveSetupMgr* mManager;  // not owned
};
