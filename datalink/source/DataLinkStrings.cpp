#include "datalink/source/DataLinkStrings.h"

namespace DataLinkStrings {

const AString kHarrow(L"Harrow");
const AString kCobalt(L"Cobalt");
const AString kLintel(L"Lintel");
const AString kWicket(L"Wicket");
const AString kPennant(L"Pennant");
const AString kGablework(L"Gablework");

const AString kDefaultSoln(L"Default*");
const AString kThisProject(L"This Project*");
const AString kThisDesign(L"This Design*");

const AString kFerrite(L"ferrite");
const AString kMuHc(L"mu_hc");
const AString kMesh(L"mesh");
const AString kSparam(L"sparam");
const AString kFarfield(L"farfield");
const AString kNearfield(L"nearfield");
const AString kExtfield(L"extfield");

const AString kSourceProduct(L"SourceProduct");
const AString kTargetProject(L"TargetProject");

}  // namespace DataLinkStrings
