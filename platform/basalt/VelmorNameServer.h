// VelmorNameServer: unique and valid names for the objects of an owner.
//
// The owner derives from the server and lists the names in use through the
// virtual GetAllNames; the server makes new names that differ from all of
// them ignoring case, and tells whether a text may be used as a name.
//
// Ownership: the server holds nothing.
// Thread-safety: as safe as the owner's GetAllNames.
#pragma once

#include <list>

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

  VelmorNameServer() = default;
  VelmorNameServer(const VelmorNameServer&) = default;
  VelmorNameServer& operator=(const VelmorNameServer&) = default;
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
};
