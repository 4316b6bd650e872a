// DataLinkConfiguration: one use of a data link, seen from the caller's side.
//
// It names the caller's project, design, design type and solution, a machine
// name and whether a lock file is to be ignored, and points to the data link
// in use. It is written into a block the caller chooses as one flat run of
// entries, its own first and then the link's. The partner filters read the
// caller's project path and design from it.
//
// Ownership: the configuration does NOT own its link. The host owns the link
// and keeps it alive as long as the configuration and every copy or clone of
// it may use it; copies and clones share the pointer, and no configuration
// ever deletes it. A configuration whose link is null exchanges only its own
// entries and reports that as a warning (result 1).
// Thread-safety: none.
#pragma once

#include "platform/basalt/AString.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/ReadError.h"
#include "setups/RavelinSetupsExport.h"

class DataLink;
class VariableValues;

class RAVELIN_SETUPS_EXPORT DataLinkConfiguration {
 public:
  DataLinkConfiguration(DataLink* link, bool ignoreLockFile);
  DataLinkConfiguration(const DataLinkConfiguration& other);
  DataLinkConfiguration& operator=(const DataLinkConfiguration& other);
  // Leaves the link alone.
  virtual ~DataLinkConfiguration();

  // A new base configuration sharing this link and holding this object's
  // values; the caller owns it (but not the link).
  virtual DataLinkConfiguration* Clone() const;
  // Copies the caller texts, the machine name and the lock-file flag; each
  // configuration keeps its own link.
  virtual void CopyFrom(const DataLinkConfiguration* other);
  // Reads the configuration and its link from `block` when `reading`, else
  // writes them. Entries the block lacks leave their fields as they were
  // (the link, though, first returns to its defaults). Returns 0, or 1 when
  // any entry failed or there is no link; the rest is still exchanged.
  virtual io::ReadError DoDataExchange(io::CBlock& block, bool reading,
                                       const VariableValues* values);
  virtual DataLinkConfiguration* GetEditable() const;
  // Whether the partner must be solved whatever its state; never in this class.
  virtual bool GetForceSolve() const;

  const DataLink* GetLink() const { return mLink; }
  DataLink* GetEditableLink() const { return mLink; }

  void SetCallerProjectPath(const AString& path) { mCallerProjectPath = path; }
  const AString& GetCallerProjectPath() const { return mCallerProjectPath; }
  void SetCallerDesign(const AString& design) { mCallerDesign = design; }
  const AString& GetCallerDesign() const { return mCallerDesign; }
  void SetCallerDesignType(const AString& type) { mCallerDesignType = type; }
  const AString& GetCallerDesignType() const { return mCallerDesignType; }
  void SetCallerSoln(const AString& soln) { mCallerSoln = soln; }
  const AString& GetCallerSoln() const { return mCallerSoln; }
  void SetMachineName(const AString& name) { mMachineName = name; }
  const AString& GetMachineName() const { return mMachineName; }
  // Set only by construction, assignment, CopyFrom and reading.
  bool GetIgnoreLockFile() const { return mIgnoreLockFile; }

 protected:
  DataLink* mLink;  // not owned
  AString mCallerProjectPath;
  AString mCallerDesign;
  AString mCallerDesignType;
  AString mCallerSoln;
  AString mMachineName;
  bool mIgnoreLockFile;
};
