// VelmorNameServer: unique and valid names for the objects of an owner.
//
// The owner derives from the server and lists the names in use through the
// virtual GetAllNames; the server makes new names that differ from all of
// them ignoring case, and tells whether a text may be used as a name.
//
// An owner that can tell when its names change may let the server remember
// them: it overrides KeepsNamesInStep and reports additions and removals
// with NameAdded and NameRemoved. GetUniqueName then lists the names once
// and afterwards costs about the same however many names there are, so
// naming N objects one after another grows linearly, not quadratically.
//
// Ownership: the server holds nothing but what it remembers of the names
// (never copied with it).
// Thread-safety: as safe as the owner's GetAllNames; GetUniqueName updates
// what the server remembers, so one server must not answer on two threads.
#pragma once

#include <list>
#include <memory>

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"

class BASALT_EXPORT VelmorNameServer {
 public:
  // Index modes of GetUniqueName.
  enum IndexMode {
    // The base itself when it is free, else base followed by the smallest
    // positive number that makes it unique.
    kIndexWhenTaken = 0,
    // Always base followed by the smallest positive number that makes it
    // unique ("Setup" gives "Setup1", then "Setup2").
    kAlwaysIndex = 1
  };

  VelmorNameServer();
  // A copy remembers no names; it lists them on first use.
  VelmorNameServer(const VelmorNameServer& other);
  VelmorNameServer& operator=(const VelmorNameServer& other);
  virtual ~VelmorNameServer();

  // Appends every name in use to `names`, without clearing it first.
  virtual void GetAllNames(std::list<AString>& names) const = 0;

  // A name equal, ignoring case, to none that GetAllNames lists, made from
  // `base` as `indexMode` says; an unknown mode counts as kAlwaysIndex.
  AString GetUniqueName(const AString& base, int indexMode) const;

  // True when `name` may be used. Refused, with the reason in `reason`: an
  // empty name, a name beginning or ending with white space, a name holding
  // a control character. `reason` is emptied for a valid name.
  bool IsNameValid(const AString& name, AString& reason) const;

 protected:
  // Asked by every GetUniqueName. True promises that the names GetAllNames
  // would list are those it listed last time, changed only as NameAdded and
  // NameRemoved said since. The default, false, makes each call list the
  // names afresh.
  virtual bool KeepsNamesInStep() const { return false; }
  // One more object answers to `name` (a name may be in use several times).
  void NameAdded(const AString& name) const;
  // One object fewer answers to `name`.
  void NameRemoved(const AString& name) const;
  // Drops what the server remembers; the next GetUniqueName lists the names.
  void ForgetNames() const;

 private:
  struct Memory;
  struct MemoryDeleter {
    void operator()(Memory* memory) const;
  };
  // What the last listing and the reports since then say; null until the
  // first listing and whenever the owner is out of step.
  mutable std::unique_ptr<Memory, MemoryDeleter> mMemory;
};
