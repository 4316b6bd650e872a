#include "vod/com/ComConvert.h"

#include <mutex>
#include <utility>
#include <vector>

#include "platform/automation/Collection.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "platform/dao/Recordset.h"
#include "vod/RavelinIds.h"
#include "vod/com/ComObjects.h"

namespace vod::com {

namespace {

GUID GuidFromText(std::string_view text) {
  GUID guid{};
  const std::wstring wide = Utf8ToWide(text);
  if (FAILED(CLSIDFromString(wide.c_str(), &guid))) {
    throw automation::AutomationError(automation::kErrInvalidCall, "Bad identifier");
  }
  return guid;
}

struct RecordInfoCache {
  std::mutex mMutex;
  std::vector<std::pair<GUID, ComPtr<IRecordInfo>>> mEntries;
};

RecordInfoCache& GetCache() {
  static RecordInfoCache cache;
  return cache;
}

ComPtr<IRecordInfo> LoadRecordInfo(REFGUID guid) {
  ComPtr<IRecordInfo> info;
  if (SUCCEEDED(GetRecordInfoFromGuids(LIBID_Ravelin, kRavelinMajorVersion, kRavelinMinorVersion, 0,
                                       guid, info.Receive())) &&
      info) {
    return info;
  }
  // Not registered (yet): the type library embedded in this DLL describes the same records.
  ComPtr<ITypeLib> library;
  ComPtr<ITypeInfo> type;
  const std::wstring path = ComModule::GetPath();
  if (SUCCEEDED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Receive())) &&
      SUCCEEDED(library->GetTypeInfoOfGuid(guid, type.Receive())) &&
      SUCCEEDED(GetRecordInfoFromTypeInfo(type.Get(), info.Receive())) && info) {
    return info;
  }
  throw automation::AutomationError(automation::kErrTypeMismatch,
                                    "The record's type library is not available");
}

template <class C>
bool TryRecordToVariant(const automation::Variant& value, VARIANT* out) {
  using Cpp = typename RecordTraits<C>::Cpp;
  if (!value.HoldsRecord<Cpp>()) {
    return false;
  }
  RecordToVariant<C>(value.GetRecord<Cpp>(), out);
  return true;
}

template <class C>
bool TryRecordFromVariant(const GUID& guid, void* record, automation::Variant& out) {
  if (!IsEqualGUID(guid, RecordTraits<C>::Guid())) {
    return false;
  }
  out = automation::Variant(RecordToCpp(*static_cast<C*>(record)));
  return true;
}

}  // namespace

const GUID& RecordTraits<::RoomInfoStruct>::Guid() {
  static const GUID guid = GuidFromText(kGuidRoomInfoStruct);
  return guid;
}
const GUID& RecordTraits<::DefaultSongStruct>::Guid() {
  static const GUID guid = GuidFromText(kGuidDefaultSongStruct);
  return guid;
}
const GUID& RecordTraits<::SelectSongStruct>::Guid() {
  static const GUID guid = GuidFromText(kGuidSelectSongStruct);
  return guid;
}
const GUID& RecordTraits<::SongTaxisStruct>::Guid() {
  static const GUID guid = GuidFromText(kGuidSongTaxisStruct);
  return guid;
}

ComPtr<IRecordInfo> GetRecordInfo(REFGUID guid) {
  auto& cache = GetCache();
  std::lock_guard lock(cache.mMutex);
  for (const auto& [key, info] : cache.mEntries) {
    if (IsEqualGUID(key, guid)) {
      return info;
    }
  }
  ComPtr<IRecordInfo> info = LoadRecordInfo(guid);
  cache.mEntries.emplace_back(guid, info);
  return info;
}

void ReleaseRecordInfoCache() {
  auto& cache = GetCache();
  std::vector<std::pair<GUID, ComPtr<IRecordInfo>>> entries;
  {
    std::lock_guard lock(cache.mMutex);
    entries.swap(cache.mEntries);
  }
}

automation::ObjectPtr<automation::Object> UnwrapObject(IUnknown* object) {
  if (object == nullptr) {
    return {};
  }
  ComPtr<IRavelinInner> inner;
  if (FAILED(
          object->QueryInterface(IID_IRavelinInner, reinterpret_cast<void**>(inner.Receive()))) ||
      !inner) {
    return {};
  }
  // Another build of this server (loaded beside this one) answers the same interface id, but
  // its objects are not this module's classes: only an object whose vtable lies in this module
  // is taken apart; any other is a host's object.
  HMODULE owner = nullptr;
  const void* vtable = *reinterpret_cast<void* const*>(inner.Get());
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(vtable), &owner) ||
      owner != ComModule::GetHandle()) {
    return {};
  }
  return automation::ObjectPtr<automation::Object>(inner->GetInner());
}

ComPtr<IDispatch> WrapObject(const automation::ObjectPtr<automation::Object>& object) {
  if (!object) {
    return {};
  }
  if (auto* foreign = dynamic_cast<ForeignObject*>(object.Get())) {
    ComPtr<IDispatch> dispatch = foreign->Get().As<IDispatch>(IID_IDispatch);
    if (!dispatch) {
      automation::RaiseRuntimeError(automation::kErrTypeMismatch);
    }
    return dispatch;
  }
  if (auto* link = dynamic_cast<ForeignBaseLink*>(object.Get())) {
    return link->Get().As<IDispatch>(IID_IDispatch);
  }
  if (auto collection = automation::QueryInterface<automation::Collection>(object)) {
    return ComPtr<IDispatch>(ComCollection::Create(std::move(collection)).Get());
  }
  if (auto recordset = automation::QueryInterface<dao::Recordset>(object)) {
    return ComPtr<IDispatch>(ComRecordset::Create(std::move(recordset)).Get());
  }
  if (auto database = automation::QueryInterface<dao::Database>(object)) {
    return ComPtr<IDispatch>(ComDatabase::Create(std::move(database)).Get());
  }
  if (auto link = automation::QueryInterface<dao::BaseLink>(object)) {
    return ComPtr<IDispatch>(ComBaseLink::Create(std::move(link)).Get());
  }
  automation::RaiseRuntimeError(automation::kErrTypeMismatch);
}

void ToVariant(const automation::Variant& value, VARIANT* out) {
  VariantInit(out);
  switch (value.GetType()) {
    case automation::VariantType::Empty:
      return;
    case automation::VariantType::Null:
      V_VT(out) = VT_NULL;
      return;
    case automation::VariantType::Missing:
      V_VT(out) = VT_ERROR;
      V_ERROR(out) = DISP_E_PARAMNOTFOUND;
      return;
    case automation::VariantType::Boolean:
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = value.ToBool() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case automation::VariantType::Byte:
      V_VT(out) = VT_UI1;
      V_UI1(out) = value.ToByte();
      return;
    case automation::VariantType::Long:
      V_VT(out) = VT_I4;
      V_I4(out) = value.ToLong();
      return;
    case automation::VariantType::Double:
      V_VT(out) = VT_R8;
      V_R8(out) = value.ToDouble();
      return;
    case automation::VariantType::String:
      V_BSTR(out) = Utf8ToBstr(value.ToString());
      V_VT(out) = VT_BSTR;
      return;
    case automation::VariantType::Object:
      V_DISPATCH(out) = WrapObject(value.ToObject()).Detach();
      V_VT(out) = VT_DISPATCH;
      return;
    case automation::VariantType::Record:
      if (TryRecordToVariant<::RoomInfoStruct>(value, out) ||
          TryRecordToVariant<::DefaultSongStruct>(value, out) ||
          TryRecordToVariant<::SelectSongStruct>(value, out) ||
          TryRecordToVariant<::SongTaxisStruct>(value, out)) {
        return;
      }
      break;
  }
  automation::RaiseRuntimeError(automation::kErrTypeMismatch);
}

automation::Variant FromVariant(const VARIANT* value) {
  value = Deref(const_cast<VARIANT*>(value));
  if (value == nullptr) {
    return automation::Variant::Missing();
  }
  const VARTYPE type = V_VT(value);
  const bool byReference = (type & VT_BYREF) != 0;
  switch (type & ~VT_BYREF) {
    case VT_EMPTY:
      return {};
    case VT_NULL:
      return automation::Variant::Null();
    case VT_ERROR:
      if ((byReference ? *V_ERRORREF(value) : V_ERROR(value)) == DISP_E_PARAMNOTFOUND) {
        return automation::Variant::Missing();
      }
      break;
    case VT_BOOL:
      return automation::Variant((byReference ? *V_BOOLREF(value) : V_BOOL(value)) !=
                                 VARIANT_FALSE);
    case VT_UI1:
      return automation::Variant(
          static_cast<std::uint8_t>(byReference ? *V_UI1REF(value) : V_UI1(value)));
    case VT_I2:
      return automation::Variant(
          static_cast<std::int32_t>(byReference ? *V_I2REF(value) : V_I2(value)));
    case VT_I4:
      return automation::Variant(
          static_cast<std::int32_t>(byReference ? *V_I4REF(value) : V_I4(value)));
    case VT_R8:
      return automation::Variant(byReference ? *V_R8REF(value) : V_R8(value));
    case VT_BSTR:
      return automation::Variant(BstrToUtf8(byReference ? *V_BSTRREF(value) : V_BSTR(value)));
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown* object = byReference ? *V_UNKNOWNREF(value) : V_UNKNOWN(value);
      if (object == nullptr) {
        return automation::Variant::Nothing();
      }
      if (auto inner = UnwrapObject(object)) {
        return automation::Variant(inner);
      }
      return automation::Variant(automation::MakeObject<ForeignObject>(ComPtr<IUnknown>(object)));
    }
    case VT_RECORD: {
      GUID guid{};
      if (V_RECORDINFO(value) != nullptr && V_RECORD(value) != nullptr &&
          SUCCEEDED(V_RECORDINFO(value)->GetGuid(&guid))) {
        automation::Variant result;
        if (TryRecordFromVariant<::RoomInfoStruct>(guid, V_RECORD(value), result) ||
            TryRecordFromVariant<::DefaultSongStruct>(guid, V_RECORD(value), result) ||
            TryRecordFromVariant<::SelectSongStruct>(guid, V_RECORD(value), result) ||
            TryRecordFromVariant<::SongTaxisStruct>(guid, V_RECORD(value), result)) {
          return result;
        }
      }
      break;
    }
    default: {
      // Other numbers, currency and dates: as the runtime's Double, then as text.
      VariantValue converted;
      if (SUCCEEDED(VariantChangeType(converted.Get(), const_cast<VARIANT*>(value), 0, VT_R8))) {
        return automation::Variant(V_R8(converted.Get()));
      }
      if (SUCCEEDED(VariantChangeType(converted.Get(), const_cast<VARIANT*>(value), 0, VT_BSTR))) {
        return automation::Variant(BstrToUtf8(V_BSTR(converted.Get())));
      }
      break;
    }
  }
  automation::RaiseRuntimeError(automation::kErrTypeMismatch);
}

}  // namespace vod::com
