// ComConvert: conversions between the automation types COM hosts pass (VARIANT, BSTR, records
// behind IRecordInfo, interface pointers) and the stand-in's types that vod::Base works on
// (automation::Variant, UTF-8 text, the vod records, automation objects).
//
// Records: the type library's records (the C structs widl generates from Ravelin.idl) and the
// vod records have the same fields in the same order; RecordTraits lists them once and the
// copies walk that list. IRecordInfo comes from the registered type library
// (GetRecordInfoFromGuids), or from the one embedded in this DLL when it is not registered;
// the instances are cached for the process until ReleaseRecordInfoCache (DllCanUnloadNow).
//
// Objects: every COM object of this server also answers IID_IRavelinInner with the automation
// object it wraps, so a Collection, Recordset, Database or BaseLink a host got from this server
// and passes back is unwrapped to the object itself. Foreign objects travel inside a
// ForeignObject so they can sit in a Collection and come back out unchanged.
//
// Ownership: conversions return owned values (a VARIANT the caller clears, an ObjectPtr).
// Thread-safety: the record-info cache locks itself; the rest works on the caller's thread.
#pragma once

// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <oleauto.h>

#include <string>

#include "Ravelin_h.h"
#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"
#include "vod/Base.h"
#include "vod/com/ComDispatch.h"
#include "vod/com/ComSupport.h"

namespace vod::com {

// {AB4FAF06-CE2A-4A3F-A298-E9E2B636196A}: this server's own objects, to reach what they wrap.
inline constexpr GUID IID_IRavelinInner = {
    0xab4faf06, 0xce2a, 0x4a3f, {0xa2, 0x98, 0xe9, 0xe2, 0xb6, 0x36, 0x19, 0x6a}};

struct IRavelinInner : public IUnknown {
  // The wrapped automation object; a borrowed pointer, valid while the COM object lives.
  virtual automation::Object* STDMETHODCALLTYPE GetInner() = 0;
};

// An object of a host, held so that it can travel through the stand-in's Variants.
class ForeignObject final : public automation::Object {
 public:
  explicit ForeignObject(ComPtr<IUnknown> object) : mObject(std::move(object)) {}
  const ComPtr<IUnknown>& Get() const { return mObject; }

 private:
  ~ForeignObject() override = default;
  ComPtr<IUnknown> mObject;
};

// The type library of this server: the registered one, or the one embedded in this DLL.
ComPtr<ITypeLib> LoadRavelinTypeLib();
// The type information of `guid` in that library, for the COM members that hand it out:
// TYPE_E_CANTLOADLIBRARY without the library, E_OUTOFMEMORY when memory runs out.
HRESULT GetRavelinTypeInfo(REFGUID guid, ITypeInfo** info);

// The automation object a COM object of this server wraps; empty for a foreign object.
automation::ObjectPtr<automation::Object> UnwrapObject(IUnknown* object);
// A COM object for an automation object: this server's wrapper for a Collection, Recordset,
// Database or BaseLink, the host's own object for a ForeignObject. Null for Nothing; raises 13
// for an object no host can use.
ComPtr<IDispatch> WrapObject(const automation::ObjectPtr<automation::Object>& object);

// VARIANT <-> Variant. Records go by their GUID; omitted is Missing; objects as above.
// FromVariant raises 13 for a type the stand-in has no counterpart of.
void ToVariant(const automation::Variant& value, VARIANT* out);
automation::Variant FromVariant(const VARIANT* value);

// The record GUIDs of the type library, and their IRecordInfo (raises when unavailable).
ComPtr<IRecordInfo> GetRecordInfo(REFGUID guid);
void ReleaseRecordInfoCache();

template <class C>
struct RecordTraits;

template <>
struct RecordTraits<::RoomInfoStruct> {
  using Cpp = vod::RoomInfoStruct;
  static const GUID& Guid();
  template <class F>
  static void Fields(::RoomInfoStruct& c, Cpp& v, F&& f) {
    f(c.lngRoomID, v.lngRoomID);
    f(c.strRoomName, v.strRoomName);
    f(c.strRoomCode, v.strRoomCode);
    f(c.strRoomHost, v.strRoomHost);
    f(c.strUseTime, v.strUseTime);
    f(c.lngFinityTime, v.lngFinityTime);
    f(c.bytRoomStatus, v.bytRoomStatus);
    f(c.strRoomIP, v.strRoomIP);
    f(c.strMac, v.strMac);
    f(c.strFloor, v.strFloor);
  }
};

template <>
struct RecordTraits<::DefaultSongStruct> {
  using Cpp = vod::DefaultSongStruct;
  static const GUID& Guid();
  template <class F>
  static void Fields(::DefaultSongStruct& c, Cpp& v, F&& f) {
    f(c.lngDefaultSongID, v.lngDefaultSongID);
    f(c.strSongName, v.strSongName);
    f(c.strFileName, v.strFileName);
  }
};

template <>
struct RecordTraits<::SelectSongStruct> {
  using Cpp = vod::SelectSongStruct;
  static const GUID& Guid();
  template <class F>
  static void Fields(::SelectSongStruct& c, Cpp& v, F&& f) {
    f(c.lngSelectSongID, v.lngSelectSongID);
    f(c.lngRoomID, v.lngRoomID);
    f(c.bytStatus, v.bytStatus);
    f(c.strDateTime, v.strDateTime);
    f(c.strSongFile, v.strSongFile);
  }
};

template <>
struct RecordTraits<::SongTaxisStruct> {
  using Cpp = vod::SongTaxisStruct;
  static const GUID& Guid();
  template <class F>
  static void Fields(::SongTaxisStruct& c, Cpp& v, F&& f) {
    f(c.lngSongTaxisID, v.lngSongTaxisID);
    f(c.strSongName, v.strSongName);
    f(c.strSongFile, v.strSongFile);
    f(c.lngClickRate, v.lngClickRate);
  }
};

namespace detail {

struct CopyIn {
  void operator()(LONG& c, std::int32_t& v) const { v = c; }
  void operator()(unsigned char& c, std::uint8_t& v) const { v = c; }
  void operator()(BSTR& c, std::string& v) const { v = BstrToUtf8(c); }
};

struct CopyOut {
  void operator()(LONG& c, std::int32_t& v) const { c = v; }
  void operator()(unsigned char& c, std::uint8_t& v) const { c = v; }
  void operator()(BSTR& c, std::string& v) const {
    BSTR text = Utf8ToBstr(v);
    SysFreeString(c);
    c = text;
  }
};

struct Clear {
  void operator()(LONG& c, std::int32_t&) const { c = 0; }
  void operator()(unsigned char& c, std::uint8_t&) const { c = 0; }
  void operator()(BSTR& c, std::string&) const {
    SysFreeString(c);
    c = nullptr;
  }
};

}  // namespace detail

// The record's fields as the store's record.
template <class C>
typename RecordTraits<C>::Cpp RecordToCpp(const C& record) {
  typename RecordTraits<C>::Cpp result;
  RecordTraits<C>::Fields(const_cast<C&>(record), result, detail::CopyIn{});
  return result;
}

// Overwrites the record's fields (freeing the texts it held) with the store's record.
template <class C>
void RecordFromCpp(const typename RecordTraits<C>::Cpp& value, C& record) {
  RecordTraits<C>::Fields(record, const_cast<typename RecordTraits<C>::Cpp&>(value),
                          detail::CopyOut{});
}

// Frees the record's texts and zeroes it.
template <class C>
void RecordClear(C& record) {
  typename RecordTraits<C>::Cpp unused;
  RecordTraits<C>::Fields(record, unused, detail::Clear{});
}

// A record of the type library that frees its texts when it goes (event arguments).
template <class C>
class LocalRecord {
 public:
  LocalRecord() = default;
  explicit LocalRecord(const typename RecordTraits<C>::Cpp& value) {
    RecordFromCpp(value, mRecord);
  }
  LocalRecord(const LocalRecord&) = delete;
  LocalRecord& operator=(const LocalRecord&) = delete;
  ~LocalRecord() { RecordClear(mRecord); }
  C* Get() { return &mRecord; }

 private:
  C mRecord{};
};

// A new VT_RECORD VARIANT holding a copy of the store's record.
template <class C>
void RecordToVariant(const typename RecordTraits<C>::Cpp& value, VARIANT* out) {
  ComPtr<IRecordInfo> info = GetRecordInfo(RecordTraits<C>::Guid());
  auto* record = static_cast<C*>(info->RecordCreate());
  if (record == nullptr) {
    throw std::bad_alloc();
  }
  try {
    RecordFromCpp(value, *record);
  } catch (...) {
    info->RecordDestroy(record);
    throw;
  }
  VariantInit(out);
  V_VT(out) = VT_RECORD;
  V_RECORD(out) = record;
  V_RECORDINFO(out) = info.Detach();
}

// The record a VARIANT holds when it is of type C (by its IRecordInfo's GUID); else null.
template <class C>
C* RecordOf(VARIANT* value) {
  value = Deref(value);
  if (value == nullptr || (V_VT(value) & ~VT_BYREF) != VT_RECORD || V_RECORD(value) == nullptr ||
      V_RECORDINFO(value) == nullptr) {
    return nullptr;
  }
  GUID guid{};
  if (FAILED(V_RECORDINFO(value)->GetGuid(&guid)) || !IsEqualGUID(guid, RecordTraits<C>::Guid())) {
    return nullptr;
  }
  return static_cast<C*>(V_RECORD(value));
}

// One record argument of a vtable call made from Invoke. A record passed by reference (also
// inside a VARIANT passed by reference) is updated in place; an Empty VARIANT passed by
// reference receives a new record; a record passed by value is copied and the copy dropped.
template <class C>
class RecordArg {
 public:
  RecordArg(const DispatchArgs& args, UINT position) {
    VARIANT* arg = args.Require(position);
    VARIANT* inner = Deref(arg);
    const bool byReference = inner != arg || (V_VT(arg) & VT_BYREF) != 0;
    if (C* record = RecordOf<C>(arg); record != nullptr && byReference) {
      mSlot = record;
      return;
    }
    if (C* record = RecordOf<C>(arg); record != nullptr) {
      RecordFromCpp(RecordToCpp(*record), mLocal);
      mSlot = &mLocal;
      return;
    }
    if (V_VT(inner) == VT_EMPTY) {
      mTarget = inner != arg ? inner : nullptr;
      mSlot = &mLocal;
      return;
    }
    throw DispatchFailure{DISP_E_TYPEMISMATCH, args.IndexOf(position)};
  }
  RecordArg(const RecordArg&) = delete;
  RecordArg& operator=(const RecordArg&) = delete;
  ~RecordArg() { RecordClear(mLocal); }

  C* Slot() { return mSlot; }
  void WriteBack() {
    if (mTarget != nullptr) {
      VariantValue value;
      RecordToVariant<C>(RecordToCpp(mLocal), value.Get());
      VariantClear(mTarget);
      value.DetachTo(mTarget);
    }
  }

 private:
  C mLocal{};
  C* mSlot = nullptr;
  VARIANT* mTarget = nullptr;
};

}  // namespace vod::com
