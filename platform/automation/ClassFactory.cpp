#include "platform/automation/ClassFactory.h"

namespace automation {

ClassFactory::~ClassFactory() = default;

const Guid& IidUnknown() {
  static const Guid iid = Guid::FromString("{00000000-0000-0000-C000-000000000046}");
  return iid;
}

const Guid& IidClassFactory() {
  static const Guid iid = Guid::FromString("{00000001-0000-0000-C000-000000000046}");
  return iid;
}

}  // namespace automation
