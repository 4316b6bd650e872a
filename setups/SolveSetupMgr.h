// CSolveSetupMgr: the solve setups of one design, and CGlobalSetupData, the
// settings the setups of a design share.
//
// The manager keeps the ordered list of setups, the design's global setup
// data and the table of setup types. It creates setups by type, names and
// numbers them, finds them by name or identifier, checks their names,
// validates them with progress, applies a command to all of them, records
// list edits for undo (ListDeltaState) and reads and writes everything as
// blocks:
//
//   <parent> {
//     GlobalData { ... }        (only when global data is installed)
//     SolveSetups {
//       <identifier counter>
//       <setup name> { ID = ..  SetupType = ".."  ... }   (one per setup)
//     }
//   }
//
// The class is abstract: the product derives from it, supplies NewSetup,
// fills the type table with AddSetupType and installs its global data with
// SetGlobalSetupData.
//
// Ownership. The manager owns the setups in its list and its global data.
// Copies of a manager (copy constructor, operator=) share setups and global
// data with the manager they were copied from, and all managers copied from
// one another form one family that also knows the change records its members
// made (CreateListDeltaState). An object is deleted by the last member of the
// family that lets go of it:
//   - a manager's destructor (or operator=, for what it held before) deletes
//     a setup in its list, and its global data, unless another live manager
//     of the family lists that setup or holds that global data, or a live
//     change record of the family holds the setup out of the list;
//   - a change record deletes a setup it holds out of the list (see
//     ListDeltaState.h) unless a live manager of the family lists it or
//     another live record holds it.
// So copies may die in any order and edit their own lists as they like:
// nothing is deleted twice and nothing is left behind. A setup listed twice
// is deleted once. A setup that DeleteSetup takes out without a change
// record belongs to the caller; while another copy still lists it, that
// copy keeps owning it and the caller must not delete it.
// A change record edits the list of the manager that made it. Once that
// manager is destroyed or assigned to, the record's UndoIt and RedoIt are
// reported and do nothing; the record still releases what it holds.
// Thread-safety: none; a manager, its copies and their records belong to one
// thread.
#pragma once

#include <list>
#include <map>
#include <memory>

#include "platform/basalt/AString.h"
#include "platform/basalt/Undoable.h"
#include "platform/basalt/VelmorIDServer.h"
#include "platform/basalt/VelmorNameServer.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/ReadError.h"
#include "platform/basalt/io/StreamioBlockObject.h"
#include "setups/ListDeltaState.h"
#include "setups/RavelinSetupsExport.h"
#include "setups/SolveSetup.h"
#include "setups/SolveSetupCmdInfo.h"

class IProgressMonitor;
class IVelmorCommand;
class VariableValues;

// The list change record of setups is instantiated once, in this library.
extern template class RAVELIN_SETUPS_EXPORT ListDeltaState<CSolveSetup*>;

// Base of a design's global setup data. The product supplies the item name
// and the fields (GetItemName, DoDataExchange) and may refine validation and
// update. The manager that it is handed to owns it.
// Thread-safety: none.
class RAVELIN_SETUPS_EXPORT CGlobalSetupData : public MUndoableObject,
                                               public io::CStreamio_block_object {
 public:
  CGlobalSetupData();
  CGlobalSetupData(const CGlobalSetupData& other);
  CGlobalSetupData& operator=(const CGlobalSetupData& other);
  ~CGlobalSetupData() override;

  // True in the base.
  virtual bool Validate(const VariableValues* values) const;
  virtual bool Update(IVelmorCommand* command);
  // The name of the block the manager stores the global data in.
  virtual AString GetBlkKwd() const;
};

class RAVELIN_SETUPS_EXPORT CSolveSetupMgr : public virtual io::CStreamio_block_object,
                                             public VelmorNameServer,
                                             public VelmorIDServer {
 public:
  using SetupList = std::list<CSolveSetup*>;

  // Message numbers posted about the setups (module kSetupMessageModule).
  static constexpr int kNoSetupsMessage = 24689;
  static constexpr int kNameNotUniqueMessage = 24690;
  static constexpr int kNameNotValidMessage = 24691;
  // Index mode of the name server used for new setup names.
  static constexpr int kUniqueNameIndexMode = 1;
  // Read failure: the product made no setup for a stored type.
  static constexpr int kSetupNotMadeError = -20;

  // `cmdInfoKey` is the key under which a command keeps the setups' command
  // info (GetOrCreateCommandInfo).
  explicit CSolveSetupMgr(int cmdInfoKey);
  // Copies share setups and global data (see the ownership notes above).
  CSolveSetupMgr(const CSolveSetupMgr& other);
  CSolveSetupMgr& operator=(const CSolveSetupMgr& other);
  ~CSolveSetupMgr() override;

  // Appends every setup's name, in list order; `names` is not cleared.
  void GetAllNames(std::list<AString>& names) const override;
  // The name of the block holding the setups: "SolveSetups".
  virtual AString GetSetupsBlkKwd() const;
  // A new default command info, owned by the caller.
  virtual CSolveSetupCmdInfo* CreateCommandInfo() const;
  // The global data's Update, then every setup's, each one even after an
  // earlier one failed; false when any of them was false.
  virtual bool Update(IVelmorCommand* command);
  virtual bool AreSetupsRequired() const;
  // Validates the global data, the presence of setups (when required),
  // duplicate names (case-sensitive) and each setup's name and settings.
  // Progress goes to `monitor` (may be null): after each setup the position
  // grows by total / number of setups; an abort stops the walk but does not
  // change the result.
  virtual bool Validate(const VariableValues* values, IProgressMonitor* monitor, int total);
  // Posts kNameNotValidMessage with the reason when the name server refuses
  // the name.
  virtual bool IsNameValid(const AString& name) const;
  using VelmorNameServer::IsNameValid;
  // A new setup of the type id (-1 for a type name not in the table), owned
  // by the caller; null when the product cannot make one.
  virtual CSolveSetup* NewSetup(int type) const = 0;

  AString GetItemName() const override;
  // Reads or writes the global data block and the setups block in `parent`.
  // Reading a parent without the setups block returns -1 and changes
  // nothing; a failed write returns -1 and appends no setups block.
  io::ReadError DoDataExchange(io::CBlock& parent, bool reading) override;

  const CGlobalSetupData* GetGlobalSetupData() const { return mGlobalSetupData; }
  CGlobalSetupData* GetGlobalSetupDataForEdit() { return mGlobalSetupData; }
  int GetCmdInfoKey() const { return mCmdInfoKey; }

  // Id of the first type, in ascending id order, whose name equals `name`
  // ignoring case; -1 when none does.
  int GetType(const AString& name) const;
  // The type's name; empty for an id not in the table.
  AString GetTypeName(int type) const;
  const std::map<int, AString>& GetSetupTypes() const { return mSetupTypes; }

  // A new setup of the type with its manager set, its defaults and a name
  // made unique from `baseName`; not added to the list. Null (and reported)
  // when NewSetup gives none. The caller owns it until it is added.
  CSolveSetup* CreateSetup(int type, const AString& baseName) const;
  // The same without a name; the flag has no effect.
  CSolveSetup* CreateSetup(int type, bool unnamed) const;

  SetupList::const_iterator GetFirstSetup() const { return mSetups.begin(); }
  SetupList::const_iterator GetLastSetup() const { return mSetups.end(); }
  // Entries may be replaced through these, so the manager stops trusting what
  // it remembers of its list (see KeepsNamesInStep).
  SetupList::iterator GetFirstSetupForEdit() {
    DropListing();
    return mSetups.begin();
  }
  SetupList::iterator GetLastSetupForEdit() {
    DropListing();
    return mSetups.end();
  }
  int GetSetupCount() const { return static_cast<int>(mSetups.size()); }

  // First setup, in list order, whose name equals `name` ignoring case.
  const CSolveSetup* GetSetup(const AString& name) const;
  // First setup whose name equals `name` exactly (case matters).
  CSolveSetup* GetSetupForEdit(const AString& name);
  const CSolveSetup* GetSetup(long id) const;
  CSolveSetup* GetSetupForEdit(long id);

  // False, with kNameNotUniqueMessage posted, when a setup other than
  // `except` (compared by identifier) has the name ignoring case.
  bool IsNameUnique(const AString& name, const CSolveSetup* except) const;

  // Appends `setup` (giving it an identifier when it has none, skipping any
  // the counter offers that a listed setup already has) and makes this
  // manager its owner; records the insertion in `delta` if given.
  void AddSetup(CSolveSetup* setup, ListDeltaState<CSolveSetup*>* delta);
  // Takes every entry of `setup` out of the list without deleting it; the
  // position of the first one is recorded in `delta` if given, which then
  // owns the setup, else the caller does. A setup not in the list changes
  // and records nothing.
  void DeleteSetup(CSolveSetup* setup, ListDeltaState<CSolveSetup*>* delta);
  // A new, empty change record of this manager's list, owned by the caller;
  // `marksModified` goes to the delta state unchanged.
  ListDeltaState<CSolveSetup*>* CreateListDeltaState(bool marksModified);

  // The command's setup command info under the key given to the
  // constructor, made with CreateCommandInfo and handed to the command on
  // first use. The command keeps it. Null for a null command.
  CSolveSetupCmdInfo* GetOrCreateCommandInfo(IVelmorCommand* command) const;

  // One block per setup, named after it, in list order; false at the first
  // setup that fails to write (blocks already appended stay).
  bool WriteSetups(io::CBlock& block);
  // Makes, reads and appends a setup for every sub-block. A setup that fails
  // with a negative code is deleted and the code returned at once; a type
  // for which no setup can be made stops reading with a negative code too.
  // Otherwise the last warning, or 0.
  io::ReadError ReadSetups(io::CBlock& block);

 protected:
  // A type id already in the table is reported and keeps its old name.
  void AddSetupType(int type, const AString& name);
  // The manager owns `data` from now on; global data it held before is let
  // go of as at destruction.
  void SetGlobalSetupData(CGlobalSetupData* data);

  // True while what the manager remembers of its list (identifiers, and the
  // names the name server keeps) still holds; otherwise relearns it and
  // answers false, so the name server lists the names afresh.
  bool KeepsNamesInStep() const override;

 private:
  class Family;
  class SetupListDeltaState;

  // Lets go of the setups and global data, deleting what no other member of
  // the family (and not `incoming`, the manager about to be copied in)
  // holds, and leaves the family.
  void ReleaseAll(const CSolveSetupMgr* incoming);

  // What the manager remembers of its list, so that naming and numbering a
  // new setup does not walk all the others (see SolveSetupMgr.cpp).
  struct Listing;
  // Exported with the class: unique_ptr's inline members call it from the
  // host's code too.
  struct RAVELIN_SETUPS_EXPORT ListingDeleter {
    void operator()(Listing* listing) const;
  };
  Listing& GetListing() const;
  bool AreIDsInStep() const;
  bool AreNamesInStep() const;
  void RebuildIDs() const;
  // After the manager changed only a setup on no list: what was in step
  // before stays in step.
  void KeepInStep(bool idsInStep, bool namesInStep) const;
  void DropListing() const { mListing.reset(); }

  SetupList mSetups;
  CGlobalSetupData* mGlobalSetupData;
  int mCmdInfoKey;
  std::map<int, AString> mSetupTypes;
  // Shared by all managers copied from one another.
  std::shared_ptr<Family> mFamily;
  // Null until needed and whenever the list changed in ways not followed.
  mutable std::unique_ptr<Listing, ListingDeleter> mListing;
};
