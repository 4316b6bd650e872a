// DataLinkStrings: the fixed texts the data-link interface publishes to hosts.
//
// Products that can sit at either end of a link, the special partner names,
// the kinds of data a link can carry and the two bases a relative partner
// project path can refer to. Of these, DataLink itself reads the special names
// (the default partner solution, the caller's own project) and the path bases;
// the rest carry meaning only for the hosts that exchange them.
//
// The constants are immutable objects owned by the library and built when it is
// loaded; reading them from any thread is safe once static initialisation is done.
// Other libraries' static initialisers must not rely on them.
#pragma once

#include "platform/basalt/AString.h"
#include "setups/RavelinSetupsExport.h"

namespace DataLinkStrings {

// Products.
RAVELIN_SETUPS_EXPORT extern const AString kHarrow;
RAVELIN_SETUPS_EXPORT extern const AString kCobalt;
RAVELIN_SETUPS_EXPORT extern const AString kLintel;
RAVELIN_SETUPS_EXPORT extern const AString kWicket;
RAVELIN_SETUPS_EXPORT extern const AString kPennant;
RAVELIN_SETUPS_EXPORT extern const AString kGablework;

// Special names. The trailing asterisk cannot occur in a real design, solution
// or file name, so these never clash with names a user chose.
RAVELIN_SETUPS_EXPORT extern const AString kDefaultSoln;  // "Default*"
RAVELIN_SETUPS_EXPORT extern const AString kThisProject;  // "This Project*"
RAVELIN_SETUPS_EXPORT extern const AString kThisDesign;   // "This Design*"

// Data kinds.
RAVELIN_SETUPS_EXPORT extern const AString kFerrite;
RAVELIN_SETUPS_EXPORT extern const AString kMuHc;
RAVELIN_SETUPS_EXPORT extern const AString kMesh;
RAVELIN_SETUPS_EXPORT extern const AString kSparam;
RAVELIN_SETUPS_EXPORT extern const AString kFarfield;
RAVELIN_SETUPS_EXPORT extern const AString kNearfield;
RAVELIN_SETUPS_EXPORT extern const AString kExtfield;

// Path bases, as written under "PathRelativeTo".
RAVELIN_SETUPS_EXPORT extern const AString kSourceProduct;
RAVELIN_SETUPS_EXPORT extern const AString kTargetProject;

}  // namespace DataLinkStrings
