// Collection: the automation runtime's ordered list of Variant items, indexed from 1.
//
// Items are copies (records are copied in, objects are referenced). Item and Remove raise
// error 9 (subscript out of range) for an index outside 1..Count, and a Missing or Null index
// raises the runtime's conversion errors. Reference-counted like every automation object; make
// one with MakeObject<Collection>(). Not thread-safe.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/automation/AutomationExport.h"
#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"

namespace automation {

class AUTOMATION_EXPORT Collection : public virtual Object {
 public:
  Collection() = default;

  void Add(const Variant& item);
  std::int32_t Count() const;
  const Variant& Item(const Variant& index) const;
  Variant& Item(const Variant& index);
  void Remove(const Variant& index);

 protected:
  ~Collection() override;

 private:
  std::size_t Position(const Variant& index) const;

  std::vector<Variant> mItems;
};

using CollectionPtr = ObjectPtr<Collection>;

}  // namespace automation
