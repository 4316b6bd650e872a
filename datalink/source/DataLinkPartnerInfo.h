// DataLinkPartnerInfo: the catalogue of what a partner project offers, and the
// filters that prune it for one caller.
//
// The catalogue lists the partner's designs (in order, duplicates allowed) and
// keeps, per design name, the solution names in order and the parameter values
// by name. The two tables are independent of the design list: a design may have
// entries in them without being listed, and the reverse. It reads and writes
// itself as the block "DataLinkConfig": one sub-block per listed design holding
// a function item "s" with the solution names and one function item "p" (name,
// value text) per parameter. Derived catalogues can carry more per design
// through CustomWrite and CustomRead, and can change what removal means.
//
// Filters take out of a catalogue what a caller must not link to when the
// partner project is the caller's own: its own design, or given solutions of its
// own design. A filter holds only its fixed text and can be applied any number
// of times. Filters have no virtual destructor: destroy them through their own
// type (the base's destructor is protected so that deleting through it does not
// compile).
//
// Ownership: the catalogue owns its lists and tables; filters own their text
// and take the configuration and the catalogue as borrowed pointers.
// Thread-safety: none.
#pragma once

#include <map>
#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/LongFileName.h"
#include "platform/basalt/Value.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/ReadError.h"
#include "platform/basalt/io/StreamioBlockObject.h"
#include "setups/RavelinSetupsExport.h"

class DataLinkConfiguration;

class RAVELIN_SETUPS_EXPORT DataLinkPartnerInfo : public virtual io::CStreamio_block_object {
 public:
  DataLinkPartnerInfo();
  DataLinkPartnerInfo(const DataLinkPartnerInfo& other);
  DataLinkPartnerInfo& operator=(const DataLinkPartnerInfo& other);
  ~DataLinkPartnerInfo() override;

  // Takes the first listed design of exactly this name out of the list, with
  // its solutions and parameters. Nothing happens when it is not listed.
  virtual void RemoveDesign(const AString& design);
  // Takes every solution of `design` whose name matches the wildcard `pattern`
  // ("*" any run of characters) out of its list; the others keep their order.
  virtual void RemoveSolution(const AString& design, const AString& pattern);

  // "DataLinkConfig".
  AString GetItemName() const override;
  // Reads the catalogue from `block` (replacing everything it held) or writes
  // it. Writing gives every listed design an entry in both tables. Returns
  // mReadError, which only derived classes change.
  io::ReadError DoDataExchange(io::CBlock& block, bool reading) override;

  const std::vector<AString>& GetDesigns() const { return mDesigns; }
  const std::map<AString, std::vector<AString>>& GetSolutions() const { return mSolutions; }
  const std::map<AString, std::map<AString, Value>>& GetParameters() const { return mParameters; }

  bool HasDesign(const AString& design) const;
  void AddDesign(const AString& design);
  void AddSolution(const AString& design, const AString& soln);
  // Replaces `out` by the design's solutions and returns their number; -1
  // (and `out` untouched) when the design has no solution list.
  int GetSolutions(const AString& design, std::vector<AString>& out) const;
  void SetParameters(const AString& design, const std::map<AString, Value>& params);
  // Replaces `out` by the design's parameter names in key order (empty when the
  // design has none).
  void GetParameters(const AString& design, std::vector<AString>& out) const;

 protected:
  // Position of the first solution named exactly `soln` in the design's list;
  // -1 when there is none.
  int GetSolnIndex(const AString& design, const AString& soln) const;

  std::vector<AString> mDesigns;
  std::map<AString, std::map<AString, Value>> mParameters;
  std::map<AString, std::vector<AString>> mSolutions;

 private:
  // Called for every function item of a design sub-block other than "s" and
  // "p" while reading; ignores it in this class.
  virtual void CustomRead(const AString& design, io::CBlock_ptr<io::CBlock_func> func);
  // Called with each design's sub-block after "s" and "p" are written and
  // before it is appended; adds nothing in this class.
  virtual void CustomWrite(const AString& design, io::CBlock& designBlock) const;
};

class RAVELIN_SETUPS_EXPORT DataLinkPartnerInfoFilter {
 public:
  DataLinkPartnerInfoFilter();
  DataLinkPartnerInfoFilter(const DataLinkPartnerInfoFilter& other);
  DataLinkPartnerInfoFilter& operator=(const DataLinkPartnerInfoFilter& other);

  // Prunes `info` for the caller `config` describes, when `partnerProject` is
  // the caller's own project file. Null pointers are left alone.
  virtual void Filter(const DataLinkConfiguration* config, const LongFileName& partnerProject,
                      DataLinkPartnerInfo* info) const = 0;

 protected:
  ~DataLinkPartnerInfoFilter();

  // Whether `partnerProject` is the same file as the caller's project.
  static bool IsCallerProject(const DataLinkConfiguration* config,
                              const LongFileName& partnerProject);
};

// Removes the caller's own design.
class RAVELIN_SETUPS_EXPORT DataLinkPartnerDesignFilter : public DataLinkPartnerInfoFilter {
 public:
  DataLinkPartnerDesignFilter();
  DataLinkPartnerDesignFilter(const DataLinkPartnerDesignFilter& other);
  DataLinkPartnerDesignFilter& operator=(const DataLinkPartnerDesignFilter& other);
  ~DataLinkPartnerDesignFilter();

  void Filter(const DataLinkConfiguration* config, const LongFileName& partnerProject,
              DataLinkPartnerInfo* info) const override;
};

// Removes the solutions of the caller's design that match a wildcard pattern.
class RAVELIN_SETUPS_EXPORT DataLinkPartnerSolutionFilter : public DataLinkPartnerInfoFilter {
 public:
  explicit DataLinkPartnerSolutionFilter(const AString& soln);
  DataLinkPartnerSolutionFilter(const DataLinkPartnerSolutionFilter& other);
  DataLinkPartnerSolutionFilter& operator=(const DataLinkPartnerSolutionFilter&) = delete;
  ~DataLinkPartnerSolutionFilter();

  void Filter(const DataLinkConfiguration* config, const LongFileName& partnerProject,
              DataLinkPartnerInfo* info) const override;

 private:
  const AString mSoln;
};

// Removes every solution of one setup of the caller's design (solution names
// of a setup read "setup : solution").
class RAVELIN_SETUPS_EXPORT DataLinkPartnerSolutionSetupFilter : public DataLinkPartnerInfoFilter {
 public:
  explicit DataLinkPartnerSolutionSetupFilter(const AString& setupName);
  DataLinkPartnerSolutionSetupFilter(const DataLinkPartnerSolutionSetupFilter& other);
  DataLinkPartnerSolutionSetupFilter& operator=(const DataLinkPartnerSolutionSetupFilter&) = delete;
  ~DataLinkPartnerSolutionSetupFilter();

  void Filter(const DataLinkConfiguration* config, const LongFileName& partnerProject,
              DataLinkPartnerInfo* info) const override;

 private:
  const AString mSetupName;
};
