#include "vod/com/ComObjects.h"

#include <array>
#include <new>
#include <utility>

#include "vod/RavelinSchema.h"
#include "vod/com/ComEnum.h"

namespace vod::com {

namespace {

bool IsGet(const DispatchArgs& args) {
  return !args.IsPut() && (args.GetFlags() & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;
}

// An optional argument DAO takes by value: omitted (or Empty) gives the default, anything else
// must convert to a Long.
LONG OptionalLong(const VARIANT& value, LONG fallback) {
  const VARIANT* inner = Deref(const_cast<VARIANT*>(&value));
  if (IsOmitted(inner) || V_VT(inner) == VT_EMPTY) {
    return fallback;
  }
  VariantValue number;
  if (FAILED(VariantChangeType(number.Get(), const_cast<VARIANT*>(inner), 0, VT_I4))) {
    automation::RaiseRuntimeError(automation::kErrTypeMismatch);
  }
  return V_I4(number.Get());
}

// The argument at a position as the by-value VARIANT a vtable member takes: borrowed, and
// VT_ERROR/DISP_E_PARAMNOTFOUND when omitted, as a compiled caller passes it.
VARIANT ByValue(const DispatchArgs& args, UINT position) {
  VARIANT value;
  VariantInit(&value);
  if (VARIANT* given = args.Get(position)) {
    value = *Deref(given);
  } else {
    V_VT(&value) = VT_ERROR;
    V_ERROR(&value) = DISP_E_PARAMNOTFOUND;
  }
  return value;
}

// The column a Fields index names: a number is DAO's zero-based position, a text the column's
// name (any case). Raises 3265 for a column the set does not have.
std::string ColumnOf(const dao::Recordset& recordset, const VARIANT& item) {
  const VARIANT* inner = Deref(const_cast<VARIANT*>(&item));
  const std::int32_t count = recordset.GetFieldCount();
  switch (V_VT(inner)) {
    case VT_BSTR: {
      const std::wstring name(V_BSTR(inner) ? V_BSTR(inner) : L"");
      for (std::int32_t i = 0; i < count; ++i) {
        std::string column = recordset.GetFieldName(i);
        if (NamesEqual(Utf8ToWide(column), name)) {
          return column;
        }
      }
      break;
    }
    case VT_I2:
    case VT_I4:
    case VT_UI1:
    case VT_R4:
    case VT_R8:
    case VT_DECIMAL:
    case VT_I8:
    case VT_UI2:
    case VT_UI4: {
      const LONG index = OptionalLong(*inner, -1);
      if (index >= 0 && index < count) {
        return recordset.GetFieldName(index);
      }
      break;
    }
    default:
      automation::RaiseRuntimeError(automation::kErrTypeMismatch);
  }
  throw automation::AutomationError(dao::kDaoErrItemNotFound, "Item not found in this collection.",
                                    "DAO.Fields");
}

// DAO's update and move options beyond the plain ones belong to its ODBC and batch modes,
// which the store has none of.
void RequireOption(LONG value, LONG plain, const char* source) {
  if (value != plain) {
    throw automation::AutomationError(dao::kDaoErrInvalidArgument, "Invalid argument.", source);
  }
}

// Pointer faults come back without an IErrorInfo of an earlier call hanging about.
HRESULT PointerFault() {
  SetErrorInfo(0, nullptr);
  return E_POINTER;
}

}  // namespace

// ---- Collection -----------------------------------------------------------------------------

namespace {

constexpr std::array<const IID*, 1> kCollectionInterfaces = {&IID__Collection};

constexpr std::array kCollectionNames = {
    DispatchName{DISPID_VALUE, L"Item", L"Index"},
    DispatchName{1, L"Add", L"Item,Key,Before,After"},
    DispatchName{2, L"Count", L""},
    DispatchName{3, L"Remove", L"Index"},
    DispatchName{DISPID_NEWENUM, L"_NewEnum", L""},
};

}  // namespace

ComPtr<_Collection> ComCollection::Create(automation::CollectionPtr collection) {
  return ComPtr<_Collection>::Attach(new ComCollection(std::move(collection)));
}

std::span<const IID* const> ComCollection::Interfaces() const {
  return kCollectionInterfaces;
}

std::span<const DispatchName> ComCollection::Names() const {
  return kCollectionNames;
}

STDMETHODIMP ComCollection::Item(VARIANT* Index, VARIANT* pvarRet) {
  if (pvarRet == nullptr) {
    return PointerFault();
  }
  VariantInit(pvarRet);
  return Guard([&] {
    VariantValue item;
    ToVariant(mInner->Item(FromVariant(Index)), item.Get());
    item.DetachTo(pvarRet);
  });
}

STDMETHODIMP ComCollection::Add(VARIANT* Item, VARIANT* Key, VARIANT* Before, VARIANT* After) {
  return Guard([&] {
    // The store's collections carry no keys; a key or a position is refused rather than
    // silently dropped.
    if (!IsOmitted(Key) || !IsOmitted(Before) || !IsOmitted(After)) {
      automation::RaiseRuntimeError(automation::kErrInvalidCall);
    }
    mInner->Add(FromVariant(Item));
  });
}

STDMETHODIMP ComCollection::Count(LONG* pi4) {
  if (pi4 == nullptr) {
    return PointerFault();
  }
  return Guard([&] { *pi4 = mInner->Count(); });
}

STDMETHODIMP ComCollection::Remove(VARIANT* Index) {
  return Guard([&] { mInner->Remove(FromVariant(Index)); });
}

STDMETHODIMP ComCollection::_NewEnum(IUnknown** ppunk) {
  if (ppunk == nullptr) {
    return PointerFault();
  }
  *ppunk = nullptr;
  return Guard([&] { *ppunk = new ComEnumVariant(mInner, 1); });
}

HRESULT ComCollection::InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) {
  if (!IsGet(args)) {
    return DISP_E_MEMBERNOTFOUND;
  }
  VariantValue value;
  HRESULT hr = S_OK;
  switch (id) {
    case DISPID_VALUE:
      args.CheckCount(1);
      hr = Item(args.Require(0), value.Get());
      break;
    case 1: {
      args.CheckCount(4);
      VariantArg key(args, 1);
      VariantArg before(args, 2);
      VariantArg after(args, 3);
      return Add(args.Require(0), key.Slot(), before.Slot(), after.Slot());
    }
    case 2: {
      args.CheckCount(0);
      LONG count = 0;
      hr = Count(&count);
      if (SUCCEEDED(hr)) {
        SetResultLong(result, count);
      }
      return hr;
    }
    case 3:
      args.CheckCount(1);
      return Remove(args.Require(0));
    case DISPID_NEWENUM: {
      args.CheckCount(0);
      IUnknown* enumerator = nullptr;
      hr = _NewEnum(&enumerator);
      if (SUCCEEDED(hr)) {
        SetResultUnknown(result, enumerator);
      }
      return hr;
    }
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
  if (SUCCEEDED(hr) && result != nullptr) {
    value.DetachTo(result);
  }
  return hr;
}

ComEnumVariant::ComEnumVariant(automation::CollectionPtr collection, std::int32_t next)
    : mCollection(std::move(collection)), mNext(next) {}

STDMETHODIMP ComEnumVariant::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumVARIANT)) {
    *object = static_cast<IEnumVARIANT*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP ComEnumVariant::Next(ULONG count, VARIANT* items, ULONG* fetched) {
  if (items == nullptr || (count > 1 && fetched == nullptr)) {
    return E_POINTER;
  }
  ULONG done = 0;
  try {
    while (done < count && mNext <= mCollection->Count()) {
      VariantInit(&items[done]);
      ToVariant(mCollection->Item(automation::Variant(mNext)), &items[done]);
      ++mNext;
      ++done;
    }
  } catch (...) {
    for (ULONG i = 0; i < done; ++i) {
      VariantClear(&items[i]);
    }
    if (fetched != nullptr) {
      *fetched = 0;
    }
    return E_FAIL;
  }
  if (fetched != nullptr) {
    *fetched = done;
  }
  return done == count ? S_OK : S_FALSE;
}

STDMETHODIMP ComEnumVariant::Skip(ULONG count) {
  const std::int64_t target = static_cast<std::int64_t>(mNext) + count;
  const std::int64_t end = static_cast<std::int64_t>(mCollection->Count()) + 1;
  mNext = static_cast<std::int32_t>(target < end ? target : end);
  return target <= end ? S_OK : S_FALSE;
}

STDMETHODIMP ComEnumVariant::Reset() {
  mNext = 1;
  return S_OK;
}

STDMETHODIMP ComEnumVariant::Clone(IEnumVARIANT** copy) {
  if (copy == nullptr) {
    return E_POINTER;
  }
  *copy = new (std::nothrow) ComEnumVariant(mCollection, mNext);
  return *copy != nullptr ? S_OK : E_OUTOFMEMORY;
}

// ---- Recordset ------------------------------------------------------------------------------

namespace {

// DAORecordset's vtable begins with _DAO's, whose id DAO registers too.
constexpr GUID kIidDaoObject = {
    0x0000000a, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};
constexpr GUID kIidDaoCollection = {
    0x000000a0, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};
constexpr GUID kIidDaoDynaCollection = {
    0x000000a2, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};

constexpr std::array<const IID*, 2> kRecordsetInterfaces = {&kIidDaoRecordset, &kIidDaoObject};

constexpr LONG kDbUpdateRegular = 1;

constexpr std::array kRecordsetNames = {
    DispatchName{DISPID_VALUE, L"Fields", L"Item"},
    DispatchName{1, L"BOF", L""},
    DispatchName{2, L"EOF", L""},
    DispatchName{3, L"MoveFirst", L""},
    DispatchName{4, L"MoveLast", L"Options"},
    DispatchName{5, L"MoveNext", L""},
    DispatchName{6, L"MovePrevious", L""},
    DispatchName{7, L"RecordCount", L""},
    DispatchName{8, L"AddNew", L""},
    DispatchName{9, L"Edit", L""},
    DispatchName{10, L"Update", L"UpdateType,Force"},
    DispatchName{11, L"CancelUpdate", L"UpdateType"},
    DispatchName{12, L"Close", L""},
    DispatchName{13, L"EditMode", L""},
    DispatchName{14, L"Updatable", L""},
    DispatchName{15, L"Type", L""},
    DispatchName{16, L"Collect", L"Item"},
    // DAO 3.0's forms, hidden in DAO's type library, reach the same members.
    DispatchName{4, L"_30_MoveLast", L""},
    DispatchName{10, L"_30_Update", L""},
    DispatchName{11, L"_30_CancelUpdate", L""},
};

}  // namespace

ComPtr<DAORecordset> ComRecordset::Create(dao::RecordsetPtr recordset) {
  return ComPtr<DAORecordset>::Attach(new ComRecordset(std::move(recordset)));
}

std::span<const IID* const> ComRecordset::Interfaces() const {
  return kRecordsetInterfaces;
}

std::span<const DispatchName> ComRecordset::Names() const {
  return kRecordsetNames;
}

STDMETHODIMP ComRecordset::get_BOF(VARIANT_BOOL* pb) {
  if (pb == nullptr) {
    return PointerFault();
  }
  return Guard([&] { *pb = ToVariantBool(mInner->IsBOF()); });
}

STDMETHODIMP ComRecordset::get_EOF(VARIANT_BOOL* pb) {
  if (pb == nullptr) {
    return PointerFault();
  }
  return Guard([&] { *pb = ToVariantBool(mInner->IsEOF()); });
}

STDMETHODIMP ComRecordset::get_Type(short* ps) {
  if (ps == nullptr) {
    return PointerFault();
  }
  return Guard([&] { *ps = static_cast<short>(mInner->GetType()); });
}

STDMETHODIMP ComRecordset::get_RecordCount(LONG* pl) {
  if (pl == nullptr) {
    return PointerFault();
  }
  return Guard([&] { *pl = mInner->GetRecordCount(); });
}

STDMETHODIMP ComRecordset::get_Updatable(VARIANT_BOOL* pb) {
  if (pb == nullptr) {
    return PointerFault();
  }
  return Guard([&] { *pb = ToVariantBool(mInner->IsUpdatable()); });
}

STDMETHODIMP ComRecordset::get_EditMode(short* pi) {
  if (pi == nullptr) {
    return PointerFault();
  }
  return Guard([&] { *pi = static_cast<short>(mInner->GetEditMode()); });
}

STDMETHODIMP ComRecordset::get_Fields(DAOFields** ppflds) {
  if (ppflds == nullptr) {
    return PointerFault();
  }
  *ppflds = nullptr;
  return Guard([&] { *ppflds = ComFields::Create(mInner).Detach(); });
}

STDMETHODIMP ComRecordset::_30_CancelUpdate() {
  return CancelUpdate(kDbUpdateRegular);
}

STDMETHODIMP ComRecordset::AddNew() {
  return Guard([&] { mInner->AddNew(); });
}

STDMETHODIMP ComRecordset::Close() {
  return Guard([&] { mInner->Close(); });
}

STDMETHODIMP ComRecordset::Edit() {
  return Guard([&] { mInner->Edit(); });
}

STDMETHODIMP ComRecordset::MoveFirst() {
  return Guard([&] { mInner->MoveFirst(); });
}

STDMETHODIMP ComRecordset::_30_MoveLast() {
  return MoveLast(0);
}

STDMETHODIMP ComRecordset::MoveNext() {
  return Guard([&] { mInner->MoveNext(); });
}

STDMETHODIMP ComRecordset::MovePrevious() {
  return Guard([&] { mInner->MovePrevious(); });
}

STDMETHODIMP ComRecordset::_30_Update() {
  return Update(kDbUpdateRegular, VARIANT_FALSE);
}

STDMETHODIMP ComRecordset::get_Collect(VARIANT Item, VARIANT* pvar) {
  if (pvar == nullptr) {
    return PointerFault();
  }
  VariantInit(pvar);
  return Guard([&] {
    VariantValue value;
    ToVariant(mInner->GetField(ColumnOf(*mInner, Item)), value.Get());
    value.DetachTo(pvar);
  });
}

STDMETHODIMP ComRecordset::put_Collect(VARIANT Item, VARIANT value) {
  return Guard([&] { mInner->SetField(ColumnOf(*mInner, Item), FromVariant(&value)); });
}

STDMETHODIMP ComRecordset::CancelUpdate(LONG UpdateType) {
  return Guard([&] {
    RequireOption(UpdateType, kDbUpdateRegular, "DAO.Recordset");
    mInner->CancelUpdate();
  });
}

// Force matters where another user changed the row meanwhile; the store's Update never
// overwrites such a row (error 3022 or 3197), with or without it.
STDMETHODIMP ComRecordset::Update(LONG UpdateType, VARIANT_BOOL) {
  return Guard([&] {
    RequireOption(UpdateType, kDbUpdateRegular, "DAO.Recordset");
    mInner->Update();
  });
}

STDMETHODIMP ComRecordset::MoveLast(LONG Options) {
  return Guard([&] {
    RequireOption(Options, 0, "DAO.Recordset");
    mInner->MoveLast();
  });
}

namespace {

// A vtable member of no arguments, called from Invoke as a method.
template <class Member>
HRESULT CallMethod(DispatchArgs& args, Member&& member) {
  if (!IsGet(args)) {
    return DISP_E_MEMBERNOTFOUND;
  }
  args.CheckCount(0);
  return member();
}

// A read-only property of a vtable, called from Invoke: a put finds no member.
template <class Value, class Getter, class Store>
HRESULT GetProperty(DispatchArgs& args, VARIANT* result, Getter&& getter, Store&& store) {
  if (!IsGet(args)) {
    return DISP_E_MEMBERNOTFOUND;
  }
  args.CheckCount(0);
  Value value{};
  const HRESULT hr = getter(&value);
  if (SUCCEEDED(hr)) {
    store(result, value);
  }
  return hr;
}

void StoreBool(VARIANT* result, VARIANT_BOOL value) {
  SetResultBool(result, value);
}
void StoreLong(VARIANT* result, LONG value) {
  SetResultLong(result, value);
}
void StoreShort(VARIANT* result, short value) {
  if (result != nullptr) {
    V_VT(result) = VT_I2;
    V_I2(result) = value;
  }
}
void StoreBstr(VARIANT* result, BSTR value) {
  SetResultBstr(result, value);
}

}  // namespace

HRESULT ComRecordset::InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) {
  switch (id) {
    case DISPID_VALUE: {
      // Fields, Fields(item), and rs(item) = value as DAO's default member allows.
      args.CheckCount(1);
      VARIANT* item = args.Get(0);
      if (args.IsPut()) {
        if (item == nullptr) {
          return DISP_E_MEMBERNOTFOUND;
        }
        return put_Collect(*Deref(item), *Deref(args.PutValue()));
      }
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      ComPtr<DAOFields> fields;
      HRESULT hr = get_Fields(fields.Receive());
      if (FAILED(hr) || item == nullptr) {
        if (SUCCEEDED(hr)) {
          SetResultDispatch(result, fields.Detach());
        }
        return hr;
      }
      DAOField* field = nullptr;
      hr = fields->get_Item(*Deref(item), &field);
      if (SUCCEEDED(hr)) {
        SetResultDispatch(result, field);
      }
      return hr;
    }
    case 1:
      return GetProperty<VARIANT_BOOL>(
          args, result, [&](VARIANT_BOOL* v) { return get_BOF(v); }, StoreBool);
    case 2:
      return GetProperty<VARIANT_BOOL>(
          args, result, [&](VARIANT_BOOL* v) { return get_EOF(v); }, StoreBool);
    case 3:
      return CallMethod(args, [&] { return MoveFirst(); });
    case 4:
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      args.CheckCount(1);
      return MoveLast(OptionalLong(ByValue(args, 0), 0));
    case 5:
      return CallMethod(args, [&] { return MoveNext(); });
    case 6:
      return CallMethod(args, [&] { return MovePrevious(); });
    case 7:
      return GetProperty<LONG>(
          args, result, [&](LONG* v) { return get_RecordCount(v); }, StoreLong);
    case 8:
      return CallMethod(args, [&] { return AddNew(); });
    case 9:
      return CallMethod(args, [&] { return Edit(); });
    case 10: {
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      args.CheckCount(2);
      const LONG updateType = OptionalLong(ByValue(args, 0), kDbUpdateRegular);
      return Update(updateType,
                    OptionalLong(ByValue(args, 1), 0) != 0 ? VARIANT_TRUE : VARIANT_FALSE);
    }
    case 11:
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      args.CheckCount(1);
      return CancelUpdate(OptionalLong(ByValue(args, 0), kDbUpdateRegular));
    case 12:
      return CallMethod(args, [&] { return Close(); });
    case 13:
      return GetProperty<short>(
          args, result, [&](short* v) { return get_EditMode(v); }, StoreShort);
    case 14:
      return GetProperty<VARIANT_BOOL>(
          args, result, [&](VARIANT_BOOL* v) { return get_Updatable(v); }, StoreBool);
    case 15:
      return GetProperty<short>(
          args, result, [&](short* v) { return get_Type(v); }, StoreShort);
    case 16: {
      args.CheckCount(1);
      const VARIANT item = ByValue(args, 0);
      if (args.IsPut()) {
        return put_Collect(item, *Deref(args.PutValue()));
      }
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      VariantValue value;
      const HRESULT hr = get_Collect(item, value.Get());
      if (SUCCEEDED(hr) && result != nullptr) {
        value.DetachTo(result);
      }
      return hr;
    }
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

// ---- Fields and Field -----------------------------------------------------------------------

namespace {

constexpr std::array<const IID*, 3> kFieldsInterfaces = {&kIidDaoFields, &kIidDaoDynaCollection,
                                                         &kIidDaoCollection};
constexpr std::array<const IID*, 2> kFieldInterfaces = {&kIidDaoField, &kIidDaoObject};

constexpr std::array kFieldsNames = {
    DispatchName{DISPID_VALUE, L"Item", L"Item"},   DispatchName{1, L"Count", L""},
    DispatchName{DISPID_NEWENUM, L"_NewEnum", L""}, DispatchName{2, L"Refresh", L""},
    DispatchName{3, L"Append", L"Object"},          DispatchName{4, L"Delete", L"Name"},
};

constexpr std::array kFieldNames = {
    DispatchName{DISPID_VALUE, L"Value", L""},
    DispatchName{1, L"Name", L""},
};

}  // namespace

ComPtr<DAOFields> ComFields::Create(dao::RecordsetPtr recordset) {
  return ComPtr<DAOFields>::Attach(new ComFields(std::move(recordset)));
}

std::span<const IID* const> ComFields::Interfaces() const {
  return kFieldsInterfaces;
}

std::span<const DispatchName> ComFields::Names() const {
  return kFieldsNames;
}

STDMETHODIMP ComFields::get_Count(short* c) {
  if (c == nullptr) {
    return PointerFault();
  }
  return Guard([&] { *c = static_cast<short>(mInner->GetFieldCount()); });
}

STDMETHODIMP ComFields::_NewEnum(IUnknown** ppunk) {
  if (ppunk == nullptr) {
    return PointerFault();
  }
  *ppunk = nullptr;
  return Guard([&] {
    // The enumerator takes its own reference to each field; these go when the list is made.
    std::vector<ComPtr<DAOField>> fields;
    std::vector<IDispatch*> items;
    for (std::int32_t i = 0; i < mInner->GetFieldCount(); ++i) {
      fields.push_back(ComField::Create(mInner, mInner->GetFieldName(i)));
      items.push_back(fields.back().Get());
    }
    *ppunk =
        new FixedListEnum<IEnumVARIANT, IDispatch*, VARIANT>(IID_IEnumVARIANT, std::move(items));
  });
}

STDMETHODIMP ComFields::get_Item(VARIANT Item, DAOField** ppfld) {
  if (ppfld == nullptr) {
    return PointerFault();
  }
  *ppfld = nullptr;
  return Guard([&] { *ppfld = ComField::Create(mInner, ColumnOf(*mInner, Item)).Detach(); });
}

HRESULT ComFields::InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) {
  switch (id) {
    case DISPID_VALUE: {
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      args.CheckCount(1);
      DAOField* field = nullptr;
      const HRESULT hr = get_Item(*Deref(args.Require(0)), &field);
      if (SUCCEEDED(hr)) {
        SetResultDispatch(result, field);
      }
      return hr;
    }
    case 1:
      return GetProperty<short>(
          args, result, [&](short* v) { return get_Count(v); }, StoreShort);
    case DISPID_NEWENUM: {
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      args.CheckCount(0);
      IUnknown* enumerator = nullptr;
      const HRESULT hr = _NewEnum(&enumerator);
      if (SUCCEEDED(hr)) {
        SetResultUnknown(result, enumerator);
      }
      return hr;
    }
    case 2:
      return CallMethod(args, [&] { return Refresh(); });
    case 3:
    case 4:
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      args.CheckCount(1);
      return NotSupported();
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

ComPtr<DAOField> ComField::Create(dao::RecordsetPtr recordset, std::string name) {
  return ComPtr<DAOField>::Attach(new ComField(std::move(recordset), std::move(name)));
}

std::span<const IID* const> ComField::Interfaces() const {
  return kFieldInterfaces;
}

std::span<const DispatchName> ComField::Names() const {
  return kFieldNames;
}

STDMETHODIMP ComField::get_Name(BSTR* pbstr) {
  if (pbstr == nullptr) {
    return PointerFault();
  }
  *pbstr = nullptr;
  return Guard([&] { *pbstr = Utf8ToBstr(mName); });
}

STDMETHODIMP ComField::get_Value(VARIANT* pvar) {
  if (pvar == nullptr) {
    return PointerFault();
  }
  VariantInit(pvar);
  return Guard([&] {
    VariantValue value;
    ToVariant(mInner->GetField(mName), value.Get());
    value.DetachTo(pvar);
  });
}

STDMETHODIMP ComField::put_Value(VARIANT Val) {
  return Guard([&] { mInner->SetField(mName, FromVariant(&Val)); });
}

HRESULT ComField::InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) {
  args.CheckCount(0);
  switch (id) {
    case DISPID_VALUE: {
      if (args.IsPut()) {
        return put_Value(*Deref(args.PutValue()));
      }
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      VariantValue value;
      const HRESULT hr = get_Value(value.Get());
      if (SUCCEEDED(hr) && result != nullptr) {
        value.DetachTo(result);
      }
      return hr;
    }
    case 1:
      if (args.IsPut()) {
        return put_Name(nullptr);  // DAO's Name can be set; the store's columns keep theirs
      }
      return GetProperty<BSTR>(
          args, result, [&](BSTR* v) { return get_Name(v); }, StoreBstr);
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

// ---- Database -------------------------------------------------------------------------------

namespace {

constexpr std::array<const IID*, 2> kDatabaseInterfaces = {&kIidDaoDatabase, &kIidDaoObject};

constexpr std::array kDatabaseNames = {
    DispatchName{1, L"OpenRecordset", L"Name,Type,Options,LockEdit"},
    DispatchName{2, L"Execute", L"Query,Options"},
    DispatchName{3, L"Close", L""},
    DispatchName{4, L"Name", L""},
    DispatchName{5, L"RecordsAffected", L""},
    DispatchName{6, L"BeginTrans", L""},
    DispatchName{7, L"CommitTrans", L"Options"},
    DispatchName{8, L"Rollback", L""},
    DispatchName{1, L"_30_OpenRecordset", L"Name,Type,Options"},
};

}  // namespace

ComPtr<DAODatabase> ComDatabase::Create(dao::DatabasePtr database) {
  return ComPtr<DAODatabase>::Attach(new ComDatabase(std::move(database)));
}

std::span<const IID* const> ComDatabase::Interfaces() const {
  return kDatabaseInterfaces;
}

std::span<const DispatchName> ComDatabase::Names() const {
  return kDatabaseNames;
}

STDMETHODIMP ComDatabase::get_Name(BSTR* pbstr) {
  if (pbstr == nullptr) {
    return PointerFault();
  }
  *pbstr = nullptr;
  return Guard([&] { *pbstr = Utf8ToBstr(mInner->GetName()); });
}

STDMETHODIMP ComDatabase::get_RecordsAffected(LONG* pl) {
  if (pl == nullptr) {
    return PointerFault();
  }
  return Guard([&] { *pl = mInner->GetRecordsAffected(); });
}

STDMETHODIMP ComDatabase::Close() {
  return Guard([&] { mInner->Close(); });
}

// Options (dbFailOnError and the like) change nothing here: a rejected statement always fails
// and changes nothing.
STDMETHODIMP ComDatabase::Execute(BSTR Query, VARIANT Options) {
  return Guard([&] {
    OptionalLong(Options, 0);
    mInner->Execute(BstrToUtf8(Query));
  });
}

STDMETHODIMP ComDatabase::_30_OpenRecordset(BSTR Name, VARIANT Type, VARIANT Options,
                                            DAORecordset** pprst) {
  VARIANT lockEdit;
  VariantInit(&lockEdit);
  V_VT(&lockEdit) = VT_ERROR;
  V_ERROR(&lockEdit) = DISP_E_PARAMNOTFOUND;
  return OpenRecordset(Name, Type, Options, lockEdit, pprst);
}

STDMETHODIMP ComDatabase::BeginTrans() {
  return Guard([&] { mInner->BeginTrans(); });
}

STDMETHODIMP ComDatabase::CommitTrans(LONG) {
  return Guard([&] { mInner->CommitTrans(); });
}

STDMETHODIMP ComDatabase::Rollback() {
  return Guard([&] { mInner->Rollback(); });
}

// Options and LockEdit are checked to be numbers; the store's sets are locked at Update
// whatever they say.
STDMETHODIMP ComDatabase::OpenRecordset(BSTR Name, VARIANT Type, VARIANT Options, VARIANT LockEdit,
                                        DAORecordset** pprst) {
  if (pprst == nullptr) {
    return PointerFault();
  }
  *pprst = nullptr;
  return Guard([&] {
    const LONG type = OptionalLong(Type, dao::dbOpenDynaset);
    OptionalLong(Options, 0);
    OptionalLong(LockEdit, 0);
    *pprst = ComRecordset::Create(mInner->OpenRecordset(BstrToUtf8(Name), type)).Detach();
  });
}

HRESULT ComDatabase::InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) {
  switch (id) {
    case 1: {
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      args.CheckCount(4);
      InOutArg<VT_BSTR> name(args, 0);
      DAORecordset* recordset = nullptr;
      const HRESULT hr = OpenRecordset(*name.Slot(), ByValue(args, 1), ByValue(args, 2),
                                       ByValue(args, 3), &recordset);
      if (SUCCEEDED(hr)) {
        SetResultDispatch(result, recordset);
      }
      return hr;
    }
    case 2: {
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      args.CheckCount(2);
      InOutArg<VT_BSTR> query(args, 0);
      return Execute(*query.Slot(), ByValue(args, 1));
    }
    case 3:
      return CallMethod(args, [&] { return Close(); });
    case 4:
      return GetProperty<BSTR>(
          args, result, [&](BSTR* v) { return get_Name(v); }, StoreBstr);
    case 5:
      return GetProperty<LONG>(
          args, result, [&](LONG* v) { return get_RecordsAffected(v); }, StoreLong);
    case 6:
      return CallMethod(args, [&] { return BeginTrans(); });
    case 7:
      if (!IsGet(args)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      args.CheckCount(1);
      return CommitTrans(OptionalLong(ByValue(args, 0), 0));
    case 8:
      return CallMethod(args, [&] { return Rollback(); });
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

// ---- BaseLink -------------------------------------------------------------------------------

namespace {

constexpr std::array kBaseLinkNames = {
    DispatchName{1, L"CreateBase", L"path,password"},
    DispatchName{2, L"BaseDatabase", L""},
    DispatchName{3, L"GetBasePath", L""},
    DispatchName{4, L"IsOpen", L""},
    DispatchName{5, L"CloseBase", L""},
    DispatchName{6, L"ExecuteSQL", L"sql"},
    DispatchName{7, L"OpenBase", L"path,password,readOnly"},
};

}  // namespace

ComPtr<_BaseLink> ComBaseLink::Create(dao::BaseLinkPtr link) {
  return ComPtr<_BaseLink>::Attach(new ComBaseLink(std::move(link)));
}

STDMETHODIMP ComBaseLink::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, IID__BaseLink)) {
    *object = static_cast<_BaseLink*>(this);
  } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else if (IsEqualIID(iid, IID_IRavelinInner)) {
    *object = static_cast<IRavelinInner*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP ComBaseLink::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) {
    return E_POINTER;
  }
  *count = 1;
  return S_OK;
}

STDMETHODIMP ComBaseLink::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (info == nullptr) {
    return E_POINTER;
  }
  *info = nullptr;
  if (index != 0) {
    return DISP_E_BADINDEX;
  }
  return GetRavelinTypeInfo(IID__BaseLink, info);
}

STDMETHODIMP ComBaseLink::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                        DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) {
    return DISP_E_UNKNOWNINTERFACE;
  }
  return LookupDispatchNames(kBaseLinkNames, names, count, ids);
}

STDMETHODIMP ComBaseLink::InterfaceSupportsErrorInfo(REFIID iid) {
  return IsEqualIID(iid, IID__BaseLink) ? S_OK : S_FALSE;
}

STDMETHODIMP ComBaseLink::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
  if (!IsEqualIID(iid, IID_NULL)) {
    return DISP_E_UNKNOWNINTERFACE;
  }
  if (result != nullptr) {
    VariantInit(result);
  }
  return InvokeGuarded(excepInfo, argErr, [&]() -> HRESULT {
    DispatchArgs args(params, flags);
    if (!IsGet(args)) {
      return DISP_E_MEMBERNOTFOUND;
    }
    VARIANT_BOOL flag = VARIANT_FALSE;
    HRESULT hr = S_OK;
    switch (id) {
      case 1: {
        args.CheckCount(2);
        InOutArg<VT_BSTR> path(args, 0);
        InOutArg<VT_BSTR> password(args, 1, 0);
        hr = CreateBase(*path.Slot(), *password.Slot(), &flag);
        if (SUCCEEDED(hr)) {
          SetResultBool(result, flag);
        }
        return hr;
      }
      case 2: {
        args.CheckCount(0);
        IDispatch* database = nullptr;
        hr = BaseDatabase(&database);
        if (SUCCEEDED(hr)) {
          SetResultDispatch(result, database);
        }
        return hr;
      }
      case 3: {
        args.CheckCount(0);
        BSTR path = nullptr;
        hr = GetBasePath(&path);
        if (SUCCEEDED(hr)) {
          SetResultBstr(result, path);
        }
        return hr;
      }
      case 4:
        args.CheckCount(0);
        hr = IsOpen(&flag);
        if (SUCCEEDED(hr)) {
          SetResultBool(result, flag);
        }
        return hr;
      case 5:
        args.CheckCount(0);
        return CloseBase();
      case 6: {
        args.CheckCount(1);
        InOutArg<VT_BSTR> sql(args, 0);
        hr = ExecuteSQL(*sql.Slot(), &flag);
        if (SUCCEEDED(hr)) {
          SetResultBool(result, flag);
        }
        return hr;
      }
      case 7: {
        args.CheckCount(3);
        InOutArg<VT_BSTR> path(args, 0);
        InOutArg<VT_BSTR> password(args, 1, 0);
        InOutArg<VT_BOOL> readOnly(args, 2, 0);
        hr = OpenBase(*path.Slot(), password.Slot(), readOnly.Slot(), &flag);
        if (SUCCEEDED(hr)) {
          password.WriteBack();
          readOnly.WriteBack();
          SetResultBool(result, flag);
        }
        return hr;
      }
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  });
}

STDMETHODIMP ComBaseLink::CreateBase(BSTR path, BSTR password, VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return CallGuarded(IID__BaseLink, [&] {
    *result = ToVariantBool(
        mLink->CreateBase(BstrToUtf8(path), BstrToUtf8(password), GetRavelinSchemaSql()));
  });
}

STDMETHODIMP ComBaseLink::BaseDatabase(IDispatch** result) {
  if (result == nullptr) {
    return PointerFault();
  }
  *result = nullptr;
  return CallGuarded(IID__BaseLink, [&] {
    if (dao::DatabasePtr database = mLink->BaseDatabase()) {
      *result = ComDatabase::Create(std::move(database)).Detach();
    }
  });
}

STDMETHODIMP ComBaseLink::GetBasePath(BSTR* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  *result = nullptr;
  return CallGuarded(IID__BaseLink, [&] { *result = Utf8ToBstr(mLink->GetBasePath()); });
}

STDMETHODIMP ComBaseLink::IsOpen(VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return CallGuarded(IID__BaseLink, [&] { *result = ToVariantBool(mLink->IsOpen()); });
}

STDMETHODIMP ComBaseLink::CloseBase() {
  return CallGuarded(IID__BaseLink, [&] { mLink->CloseBase(); });
}

STDMETHODIMP ComBaseLink::ExecuteSQL(BSTR sql, VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return CallGuarded(IID__BaseLink,
                     [&] { *result = ToVariantBool(mLink->ExecuteSQL(BstrToUtf8(sql))); });
}

STDMETHODIMP ComBaseLink::OpenBase(BSTR path, BSTR* password, VARIANT_BOOL* readOnly,
                                   VARIANT_BOOL* result) {
  if (password == nullptr || readOnly == nullptr || result == nullptr) {
    return PointerFault();
  }
  return CallGuarded(IID__BaseLink, [&] {
    std::string passwordText = BstrToUtf8(*password);
    bool readOnlyFlag = *readOnly != VARIANT_FALSE;
    *result = ToVariantBool(mLink->OpenBase(BstrToUtf8(path), passwordText, readOnlyFlag));
    BSTR newPassword = Utf8ToBstr(passwordText);
    SysFreeString(*password);
    *password = newPassword;
    *readOnly = ToVariantBool(readOnlyFlag);
  });
}

// ---- A host's own objects -------------------------------------------------------------------

namespace {

// A failed call on a host's object raises what its IErrorInfo says, as a late-bound call would.
void Check(HRESULT hr) {
  if (SUCCEEDED(hr)) {
    return;
  }
  ComPtr<IErrorInfo> info;
  std::string description;
  if (GetErrorInfo(0, info.Receive()) == S_OK && info) {
    Bstr text;
    info->GetDescription(text.Receive());
    description = BstrToUtf8(text.Get());
  }
  const long number = HRESULT_FACILITY(hr) == FACILITY_CONTROL ? HRESULT_CODE(hr) : hr;
  throw automation::AutomationError(number, description.empty() ? "Automation error" : description);
}

// Calls on a host's object by name, as a late-bound VB caller makes them. A member the object
// does not have raises the runtime's 438; a member that fails raises the number and text of
// its EXCEPINFO.
class LateBound {
 public:
  explicit LateBound(ComPtr<IDispatch> object) : mObject(std::move(object)) {}

  // Arguments in the member's order.
  automation::Variant Call(const wchar_t* name, WORD flags,
                           std::initializer_list<automation::Variant> arguments = {}) const {
    return Invoke(Id(name), flags, arguments);
  }
  automation::Variant Get(const wchar_t* name,
                          std::initializer_list<automation::Variant> arguments = {}) const {
    return Call(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments);
  }
  automation::Variant Invoke(DISPID id, WORD flags,
                             std::initializer_list<automation::Variant> arguments,
                             const automation::Variant* putValue = nullptr) const {
    std::vector<VariantValue> values(arguments.size() + (putValue != nullptr ? 1 : 0));
    std::size_t slot = values.size();
    for (const auto& argument : arguments) {
      ToVariant(argument, values[--slot].Receive());
    }
    std::vector<VARIANT> raw;
    raw.reserve(values.size());
    if (putValue != nullptr) {
      ToVariant(*putValue, values[0].Receive());
    }
    for (auto& value : values) {
      raw.push_back(*value.Get());
    }
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{raw.data(), putValue != nullptr ? &named : nullptr,
                      static_cast<UINT>(raw.size()), putValue != nullptr ? 1u : 0u};
    VariantValue result;
    EXCEPINFO exception{};
    const HRESULT hr = mObject->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                       result.Get(), &exception, nullptr);
    if (hr == DISP_E_EXCEPTION) {
      if (exception.pfnDeferredFillIn != nullptr) {
        exception.pfnDeferredFillIn(&exception);
      }
      const Bstr source = Bstr::Attach(exception.bstrSource);
      const Bstr description = Bstr::Attach(exception.bstrDescription);
      const Bstr help = Bstr::Attach(exception.bstrHelpFile);
      const HRESULT code = exception.scode != 0 ? exception.scode : E_FAIL;
      const long number = HRESULT_FACILITY(code) == FACILITY_CONTROL ? HRESULT_CODE(code) : code;
      const std::string text = BstrToUtf8(description.Get());
      throw automation::AutomationError(number, text.empty() ? "Automation error" : text,
                                        BstrToUtf8(source.Get()));
    }
    if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_UNKNOWNNAME) {
      automation::RaiseRuntimeError(automation::kErrNoSuchMember);
    }
    if (FAILED(hr)) {
      Check(hr);
    }
    return FromVariant(result.Get());
  }
  // The object a member gives, as a late-bound object again.
  LateBound Object(const automation::Variant& value) const {
    ComPtr<IDispatch> object = WrapObject(value.ToObject());
    if (!object) {
      automation::RaiseRuntimeError(automation::kErrObjectNotSet);
    }
    return LateBound(std::move(object));
  }
  const ComPtr<IDispatch>& Get() const { return mObject; }

 private:
  DISPID Id(const wchar_t* name) const {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(mObject->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
      automation::RaiseRuntimeError(automation::kErrNoSuchMember);
    }
    return id;
  }

  ComPtr<IDispatch> mObject;
};

constexpr WORD kMethod = DISPATCH_METHOD;
constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

class HostRecordset final : public dao::Recordset {
 public:
  explicit HostRecordset(ComPtr<IDispatch> recordset) : mRecordset(std::move(recordset)) {}

  bool IsBOF() const override { return mRecordset.Get(L"BOF").ToBool(); }
  bool IsEOF() const override { return mRecordset.Get(L"EOF").ToBool(); }
  void MoveFirst() override { mRecordset.Call(L"MoveFirst", kMethod); }
  void MoveLast() override { mRecordset.Call(L"MoveLast", kMethod); }
  void MoveNext() override { mRecordset.Call(L"MoveNext", kMethod); }
  void MovePrevious() override { mRecordset.Call(L"MovePrevious", kMethod); }
  std::int32_t GetRecordCount() const override { return mRecordset.Get(L"RecordCount").ToLong(); }
  std::int32_t GetType() const override { return mRecordset.Get(L"Type").ToLong(); }
  bool IsUpdatable() const override { return mRecordset.Get(L"Updatable").ToBool(); }
  dao::EditModeEnum GetEditMode() const override {
    return static_cast<dao::EditModeEnum>(mRecordset.Get(L"EditMode").ToLong());
  }
  void AddNew() override { mRecordset.Call(L"AddNew", kMethod); }
  void Edit() override { mRecordset.Call(L"Edit", kMethod); }
  void Update() override { mRecordset.Call(L"Update", kMethod); }
  void CancelUpdate() override { mRecordset.Call(L"CancelUpdate", kMethod); }
  void Close() override { mRecordset.Call(L"Close", kMethod); }
  // Fields(name).Value: the Fields collection first, then its default member Item, then the
  // field's default member Value, as VB resolves rs.Fields(name).
  automation::Variant GetField(const std::string& name) const override {
    return Field(automation::Variant(name)).Invoke(DISPID_VALUE, kGet, {});
  }
  void SetField(const std::string& name, const automation::Variant& value) override {
    Field(automation::Variant(name)).Invoke(DISPID_VALUE, DISPATCH_PROPERTYPUT, {}, &value);
  }
  std::int32_t GetFieldCount() const override { return Fields().Get(L"Count").ToLong(); }
  std::string GetFieldName(std::int32_t index) const override {
    return Field(automation::Variant(index)).Get(L"Name").ToString();
  }

 private:
  ~HostRecordset() override = default;
  LateBound Fields() const { return mRecordset.Object(mRecordset.Get(L"Fields")); }
  LateBound Field(const automation::Variant& item) const {
    const LateBound fields = Fields();
    return fields.Object(fields.Invoke(DISPID_VALUE, kGet, {item}));
  }

  LateBound mRecordset;
};

class HostDatabase final : public dao::Database {
 public:
  explicit HostDatabase(ComPtr<IDispatch> database) : mDatabase(std::move(database)) {}

  dao::RecordsetPtr OpenRecordset(const std::string& sql, std::int32_t type) override {
    const automation::Variant recordset =
        mDatabase.Get(L"OpenRecordset", {automation::Variant(sql), automation::Variant(type)});
    ComPtr<IDispatch> object = WrapObject(recordset.ToObject());
    if (!object) {
      automation::RaiseRuntimeError(automation::kErrObjectNotSet);
    }
    if (auto own = automation::QueryInterface<dao::Recordset>(UnwrapObject(object.Get()))) {
      return own;
    }
    return ForeignRecordset(std::move(object));
  }
  void Execute(const std::string& sql) override {
    mDatabase.Call(L"Execute", kMethod, {automation::Variant(sql)});
  }
  std::int32_t GetRecordsAffected() const override {
    return mDatabase.Get(L"RecordsAffected").ToLong();
  }
  void BeginTrans(bool) override { mDatabase.Call(L"BeginTrans", kMethod); }
  // DAO has no statement that holds a table for a transaction; the host's engine keeps its
  // own locks while the transaction writes, and the store asks nothing more of it.
  void LockTable(const std::string&) override {}
  void CommitTrans() override { mDatabase.Call(L"CommitTrans", kMethod); }
  void Rollback() override { mDatabase.Call(L"Rollback", kMethod); }
  // DAO keeps no depth of its own to ask for.
  int GetTransactionDepth() const override {
    throw automation::AutomationError(
        kDaoErrNotSupported, "Operation is not supported for this type of object.", "DAO.Database");
  }
  void Close() override { mDatabase.Call(L"Close", kMethod); }
  // The host's database is open while the host hands it out.
  bool IsOpen() const override { return true; }
  const std::string& GetName() const override {
    mName = mDatabase.Get(L"Name").ToString();
    return mName;
  }

 private:
  ~HostDatabase() override = default;
  LateBound mDatabase;
  mutable std::string mName;
};

}  // namespace

dao::RecordsetPtr ForeignRecordset(ComPtr<IDispatch> recordset) {
  return automation::MakeObject<HostRecordset>(std::move(recordset));
}

dao::DatabasePtr ForeignDatabase(ComPtr<IDispatch> database) {
  return automation::MakeObject<HostDatabase>(std::move(database));
}

// The host's link makes the store's own tables; it is given no other schema.
bool ForeignBaseLink::CreateBase(const std::string& path, const std::string& password,
                                 std::string_view) {
  Bstr pathText = Bstr::Attach(Utf8ToBstr(path));
  Bstr passwordText = Bstr::Attach(Utf8ToBstr(password));
  VARIANT_BOOL result = VARIANT_FALSE;
  Check(mLink->CreateBase(pathText.Get(), passwordText.Get(), &result));
  return result != VARIANT_FALSE;
}

dao::DatabasePtr ForeignBaseLink::BaseDatabase() {
  ComPtr<IDispatch> database;
  Check(mLink->BaseDatabase(database.Receive()));
  if (!database) {
    return {};
  }
  if (auto own = automation::QueryInterface<dao::Database>(UnwrapObject(database.Get()))) {
    return own;
  }
  return ForeignDatabase(std::move(database));
}

std::string ForeignBaseLink::GetBasePath() const {
  Bstr path;
  Check(mLink->GetBasePath(path.Receive()));
  return BstrToUtf8(path.Get());
}

bool ForeignBaseLink::IsOpen() const {
  VARIANT_BOOL result = VARIANT_FALSE;
  Check(mLink->IsOpen(&result));
  return result != VARIANT_FALSE;
}

void ForeignBaseLink::CloseBase() {
  Check(mLink->CloseBase());
}

bool ForeignBaseLink::ExecuteSQL(std::string sql) {
  Bstr text = Bstr::Attach(Utf8ToBstr(sql));
  VARIANT_BOOL result = VARIANT_FALSE;
  Check(mLink->ExecuteSQL(text.Get(), &result));
  return result != VARIANT_FALSE;
}

bool ForeignBaseLink::OpenBase(std::string path, std::string& password, bool& readOnly) {
  Bstr pathText = Bstr::Attach(Utf8ToBstr(path));
  BSTR passwordSlot = Utf8ToBstr(password);
  VARIANT_BOOL readOnlyFlag = ToVariantBool(readOnly);
  VARIANT_BOOL result = VARIANT_FALSE;
  const HRESULT hr = mLink->OpenBase(pathText.Get(), &passwordSlot, &readOnlyFlag, &result);
  const Bstr passwordText = Bstr::Attach(passwordSlot);  // the callee may have replaced it
  Check(hr);
  password = BstrToUtf8(passwordText.Get());
  readOnly = readOnlyFlag != VARIANT_FALSE;
  return result != VARIANT_FALSE;
}

std::string ForeignBaseLink::GetLastError() const {
  return {};
}

}  // namespace vod::com
