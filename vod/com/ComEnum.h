// FixedListEnum: the enumerator of a list fixed when it is made (IEnumConnections over a
// connection point's sinks, IEnumConnectionPoints over the server's one point, IEnumVARIANT
// over a recordset's fields).
//
// The enumerator holds one reference to each item for as long as it lives, clones included,
// and hands out a reference of the caller's own with every item Next returns: an interface
// pointer or a CONNECTDATA as it is, an IDispatch as a VT_DISPATCH variant. The items are
// copied on Clone, so that a clone walks on from where its original stood.
//
// Thread-safety: none; it belongs to the apartment that made it, as the server's objects do.
#pragma once

#include <ocidl.h>

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

#include "vod/com/ComSupport.h"

namespace vod::com {

// The object each kind of item holds a reference to.
inline IUnknown* EnumItemUnknown(IUnknown* item) {
  return item;
}
inline IUnknown* EnumItemUnknown(const CONNECTDATA& item) {
  return item.pUnk;
}

// Hands an item out to the caller, with a reference of its own.
template <class Item>
void EnumItemCopyOut(const Item& item, Item* out) {
  *out = item;
  EnumItemUnknown(item)->AddRef();
}
inline void EnumItemCopyOut(IDispatch* item, VARIANT* out) {
  VariantInit(out);
  V_VT(out) = VT_DISPATCH;
  V_DISPATCH(out) = item;
  item->AddRef();
}

// IEnum is the enumeration interface, Item what the list holds and Out what Next writes.
template <class IEnum, class Item, class Out = Item>
class FixedListEnum final : public ComObject<IEnum> {
 public:
  FixedListEnum(REFIID iid, std::vector<Item> items, std::size_t next = 0)
      : mIid(iid), mItems(std::move(items)), mNext(next) {
    for (const Item& item : mItems) {
      EnumItemUnknown(item)->AddRef();
    }
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, mIid)) {
      *object = static_cast<IEnum*>(this);
      this->AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP Next(ULONG count, Out* items, ULONG* fetched) override {
    if (items == nullptr || (count > 1 && fetched == nullptr)) {
      return E_POINTER;
    }
    ULONG done = 0;
    while (done < count && mNext < mItems.size()) {
      EnumItemCopyOut(mItems[mNext++], &items[done]);
      ++done;
    }
    if (fetched != nullptr) {
      *fetched = done;
    }
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const std::size_t skipped = std::min<std::size_t>(mItems.size() - mNext, count);
    mNext += skipped;
    return skipped == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    mNext = 0;
    return S_OK;
  }
  // Nothing may leave a COM member as an exception: a list that cannot be copied is
  // E_OUTOFMEMORY.
  STDMETHODIMP Clone(IEnum** copy) override {
    if (copy == nullptr) {
      return E_POINTER;
    }
    try {
      *copy = new FixedListEnum(mIid, mItems, mNext);
      return S_OK;
    } catch (const std::bad_alloc&) {
      *copy = nullptr;
      return E_OUTOFMEMORY;
    }
  }

 private:
  ~FixedListEnum() override {
    for (const Item& item : mItems) {
      EnumItemUnknown(item)->Release();
    }
  }

  IID mIid;
  std::vector<Item> mItems;
  std::size_t mNext;
};

}  // namespace vod::com
