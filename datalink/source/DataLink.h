// DataLink: the record by which a caller design takes its source data from a
// solution of another design, the partner.
//
// A link names the partner project file (possibly relative, or the special name
// of the caller's own project), the partner design and solution, the values to
// give the partner's parameters, two solve flags, an identifier and the base a
// relative project path refers to. It is a value type with virtual operations:
// hosts may derive richer links and add their own entries to the exchange by
// overriding DoDataExchangeDataConfig.
//
// Ownership: a link owns its fields. It belongs to whoever made it (a Clone
// result belongs to the caller); a DataLinkConfiguration only points to one.
// Thread-safety: none. IsValid and ReMapParams use the process-wide message
// manager, which is itself safe to share.
#pragma once

#include <map>
#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/Value.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/ReadError.h"
#include "setups/RavelinSetupsExport.h"

class VariableValues;

class RAVELIN_SETUPS_EXPORT DataLink {
 public:
  // Values of mRelativePathType.
  static constexpr int kRelativeToSourceProduct = 0;
  static constexpr int kRelativeToTargetProject = 1;

  DataLink();
  DataLink(const DataLink& other);
  DataLink& operator=(const DataLink& other);
  virtual ~DataLink();

  // Reads the link from `block` when `reading`, else writes it. Reading starts
  // from the defaults (the ID excepted), so entries the block lacks keep them.
  // With `skipID` the "LinkID" entry is neither written nor read. Returns 0, or
  // 1 when any entry failed; the other entries are still exchanged.
  virtual io::ReadError DoDataExchange(io::CBlock& block, bool reading,
                                       const VariableValues* values, bool skipID);
  // The part of the link a configuration carries: "Soln" and the "Params"
  // sub-block. Reading merges into the parameters already held. Writing with a
  // variable set writes every parameter evaluated under it (number and unit);
  // without one, the stored expressions. Returns 0, or 1 when an entry was
  // missing on reading or a parameter could not be evaluated on writing.
  virtual io::ReadError DoDataExchangeDataConfig(io::CBlock& block, bool reading,
                                                 const VariableValues* values);
  // A copy made by the copy constructor; the caller owns it.
  virtual DataLink* Clone() const;
  // This very object, for callers that hold it as const but may change it.
  virtual DataLink* GetEditable() const;
  // Same partner project, design, solution, parameter values and
  // preserve-solution flag. The ID, the path base and the force-solve flag do
  // not take part.
  virtual bool operator==(const DataLink& other) const;
  // Checks that the partner project, design and solution are given and that
  // the project's file name is usable; posts a message for the first problem.
  virtual bool IsValid() const;

  // Every field but the ID back to its default.
  void SetDefaults();

  void SetPartnerProject(const AString& project, int relativePathType);
  const AString& GetPartnerProject() const { return mPartnerProject; }
  int GetRelativePathType() const { return mRelativePathType; }
  void SetPartnerDesign(const AString& design) { mPartnerDesign = design; }
  const AString& GetPartnerDesign() const { return mPartnerDesign; }
  void SetPartnerSoln(const AString& soln) { mPartnerSoln = soln; }
  const AString& GetPartnerSoln() const { return mPartnerSoln; }

  const std::map<AString, Value>& GetPartnerParams() const { return mPartnerParams; }
  std::map<AString, Value>& GetPartnerParamsForEdit() { return mPartnerParams; }
  void SetPartnerParams(const std::map<AString, Value>& params);
  // Copies the value of parameter `name` (exact match) into `value` and returns
  // true; returns false and leaves `value` alone when there is none.
  bool GetPartnerParamValue(const AString& name, Value& value) const;
  // Makes each named parameter the expression that is its own name, so that
  // writing with a variable set passes the same-named variable's value.
  // Parameters not named keep their values.
  void ReMapParams(const std::vector<AString>& names);

  void SetID(long id) { mID = id; }
  long GetID() const { return mID; }
  void SetForceSourceToSolve(bool force) { mForceSourceToSolve = force; }
  bool GetForceSourceToSolve() const { return mForceSourceToSolve; }
  void SetPreservePartnerSoln(bool preserve) { mPreservePartnerSoln = preserve; }
  bool GetPreservePartnerSoln() const { return mPreservePartnerSoln; }

  // Resolves `path` against the directory `baseDirectory`. Paths are read the
  // Windows way on every system. A path with a drive, one starting with a
  // separator and one that climbs above the base's root come back unchanged;
  // leading ".." names climb from the base.
  static AString GetAbsoluteFilename(const AString& baseDirectory, const AString& path);

 protected:
  long mID;
  int mRelativePathType;
  AString mPartnerProject;
  AString mPartnerDesign;
  AString mPartnerSoln;
  std::map<AString, Value> mPartnerParams;
  bool mPreservePartnerSoln;
  bool mForceSourceToSolve;
};
