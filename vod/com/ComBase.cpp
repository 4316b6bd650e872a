#include "vod/com/ComBase.h"

#include <olectl.h>

#include <algorithm>
#include <string>

#include "vod/BaseMembers.h"
#include "vod/RavelinIds.h"
#include "vod/com/ComEnum.h"

namespace vod::com {

namespace {

constexpr DISPID kDispidBase = 0x68030000;
constexpr DISPID kDispidFirstMethod = 0x60030001;  // InitInterface, the third member
constexpr int kMemberCount = 46;

// GetIDsOfNames' view of the interface table that vod::Base enters its members in.
struct NameTable {
  std::vector<std::wstring> mTexts;
  std::vector<DispatchName> mNames;
};

const NameTable& GetNameTable() {
  static const NameTable table = [] {
    NameTable result;
    const auto members = BaseMemberTable::Get();
    result.mTexts.reserve(members.size() * 2);
    for (const auto& member : members) {
      // The property Base appears twice (get and put); one name serves both.
      if (member.mKind == BaseMemberKind::kPropertyPutRef) {
        continue;
      }
      result.mTexts.push_back(Utf8ToWide(member.mName));
      const std::wstring& name = result.mTexts.back();
      result.mTexts.push_back(Utf8ToWide(member.mParameters));
      const std::wstring& parameters = result.mTexts.back();
      result.mNames.push_back({ComBase::DispidOf(member.mPosition), name, parameters});
    }
    return result;
  }();
  return table;
}

// A recordset of this server is the one it wraps; a host's own (DAO's, or any object with the
// members the store uses) is called late bound.
dao::RecordsetPtr RecordsetFrom(::Recordset** recTmp) {
  if (recTmp == nullptr || *recTmp == nullptr) {
    return {};
  }
  if (auto own = UnwrapObject(*recTmp)) {
    return automation::QueryInterface<dao::Recordset>(own);
  }
  return ForeignRecordset(ComPtr<IDispatch>(*recTmp));
}

// Pointer faults come back without an IErrorInfo of an earlier call hanging about.
HRESULT PointerFault() {
  SetErrorInfo(0, nullptr);
  return E_POINTER;
}

// varData of the room searches, read when the member's trap needs it: an object's default
// value is its value (a host's text box gives its text), and what cannot be converted fails
// inside the member, which then gives its neutral result.
vod::VariantSource DataSource(VARIANT* varData) {
  return [varData] {
    VARIANT* value = Deref(varData);
    if (value != nullptr && (V_VT(value) == VT_DISPATCH || V_VT(value) == VT_UNKNOWN) &&
        V_UNKNOWN(value) != nullptr && !UnwrapObject(V_UNKNOWN(value))) {
      ComPtr<IDispatch> object;
      V_UNKNOWN(value)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.Receive()));
      if (!object) {
        automation::RaiseRuntimeError(automation::kErrNoSuchMember);
      }
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      VariantValue defaultValue;
      EXCEPINFO exception{};
      const HRESULT hr =
          object->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                         defaultValue.Get(), &exception, nullptr);
      SysFreeString(exception.bstrSource);
      SysFreeString(exception.bstrDescription);
      SysFreeString(exception.bstrHelpFile);
      if (FAILED(hr)) {
        automation::RaiseRuntimeError(automation::kErrNoSuchMember);
      }
      return FromVariant(defaultValue.Get());
    }
    return FromVariant(varData);
  };
}

// A collection of this server is the one it wraps; a host's own is read through IDispatch
// (Count, then Item(i)) into a copy, which is all the members that take one need.
automation::CollectionPtr CollectionFrom(_Collection** collRef) {
  if (collRef == nullptr || *collRef == nullptr) {
    return {};
  }
  if (auto inner = automation::QueryInterface<automation::Collection>(UnwrapObject(*collRef))) {
    return inner;
  }
  IDispatch* dispatch = *collRef;
  LPOLESTR countName = const_cast<LPOLESTR>(L"Count");
  DISPID countId = DISPID_UNKNOWN;
  if (FAILED(dispatch->GetIDsOfNames(IID_NULL, &countName, 1, LOCALE_USER_DEFAULT, &countId))) {
    automation::RaiseRuntimeError(automation::kErrNoSuchMember);
  }
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VariantValue count;
  if (FAILED(dispatch->Invoke(countId, IID_NULL, LOCALE_USER_DEFAULT,
                              DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, count.Get(), nullptr,
                              nullptr))) {
    automation::RaiseRuntimeError(automation::kErrNoSuchMember);
  }
  const std::int32_t total = FromVariant(count.Get()).ToLong();
  auto copy = automation::MakeObject<automation::Collection>();
  for (std::int32_t i = 1; i <= total; ++i) {
    VARIANT index;
    VariantInit(&index);
    V_VT(&index) = VT_I4;
    V_I4(&index) = i;
    DISPPARAMS params{&index, nullptr, 1, 0};
    VariantValue item;
    if (FAILED(dispatch->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT,
                                DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, item.Get(),
                                nullptr, nullptr))) {
      automation::RaiseRuntimeError(automation::kErrSubscriptOutOfRange);
    }
    copy->Add(FromVariant(item.Get()));
  }
  return copy;
}

_Collection* CollectionResult(automation::CollectionPtr collection) {
  if (!collection) {
    return nullptr;
  }
  return ComCollection::Create(std::move(collection)).Detach();
}

// Runs a member that takes a record: the record is converted in, and written back after the
// member returned (not when it raised).
template <class C, class Body>
HRESULT WithRecord(C* record, Body&& body) {
  if (record == nullptr) {
    return PointerFault();
  }
  return CallGuarded(IID__Base, [&] {
    auto value = RecordToCpp(*record);
    body(value);
    RecordFromCpp(value, *record);
  });
}

template <class Out, class Body>
HRESULT WithResult(Out* result, Body&& body) {
  if (result == nullptr) {
    return PointerFault();
  }
  return CallGuarded(IID__Base, [&] { *result = body(); });
}

std::string Text(const BSTR* text) {
  return text == nullptr ? std::string() : BstrToUtf8(*text);
}

// ---- IDispatch results --------------------------------------------------------------------

void SetResult(VARIANT* out, VARIANT_BOOL value) {
  SetResultBool(out, value);
}
void SetResult(VARIANT* out, LONG value) {
  SetResultLong(out, value);
}
void SetResult(VARIANT* out, BSTR value) {
  SetResultBstr(out, value);
}
void SetResult(VARIANT* out, _Collection* value) {
  SetResultDispatch(out, value);
}
void SetResult(VARIANT* out, IDispatch* value) {
  SetResultDispatch(out, value);
}

// After a vtable call made from Invoke: on success, by-reference arguments are written back and
// the result is stored. The result is taken by reference: it is read here, after the call that
// fills it, whatever order the call's arguments were evaluated in.
template <class R, class... Args>
HRESULT Done(HRESULT hr, VARIANT* out, R& value, Args&... args) {
  if (SUCCEEDED(hr)) {
    (args.WriteBack(), ...);
    SetResult(out, value);
  }
  return hr;
}

template <class... Args>
HRESULT DoneVoid(HRESULT hr, Args&... args) {
  if (SUCCEEDED(hr)) {
    (args.WriteBack(), ...);
  }
  return hr;
}

// A Recordset or Collection argument: any object (or Nothing), passed on as the interface the
// vtable slot names; the member itself checks what it got.
template <class I>
I** ObjectSlot(InOutArg<VT_DISPATCH>& arg) {
  return reinterpret_cast<I**>(arg.Slot());
}

}  // namespace

// ---- Event relay and connection point -------------------------------------------------------

// The sink vod::Base raises its events to; it hands them to the COM sinks of its owner.
class ComBase::EventRelay final : public vod::BaseEvents {
 public:
  explicit EventRelay(ComBase* owner) : mOwner(owner) {}
  void Detach() { mOwner = nullptr; }

  void OnRoomBrowseInfo(vod::RoomInfoStruct& sttRoom, std::int32_t& lngRate) override {
    if (mOwner != nullptr) {
      mOwner->Fire<::RoomInfoStruct>(1, sttRoom, lngRate);
    }
  }
  void OnTaxisBrowse(vod::SongTaxisStruct& sttTaxisSong, std::int32_t& lngRate) override {
    if (mOwner != nullptr) {
      mOwner->Fire<::SongTaxisStruct>(2, sttTaxisSong, lngRate);
    }
  }

 private:
  ~EventRelay() override = default;
  ComBase* mOwner;
};

// The connection point of __Base. It holds a reference to its container, which keeps the list
// of sinks.
class ComBase::EventPoint final : public ComObject<IConnectionPoint> {
 public:
  explicit EventPoint(ComBase* owner) : mOwner(static_cast<_Base*>(owner)), mBase(owner) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
      *object = static_cast<IConnectionPoint*>(this);
      this->AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    if (iid == nullptr) {
      return E_POINTER;
    }
    *iid = DIID___Base;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override {
    if (container == nullptr) {
      return E_POINTER;
    }
    *container = static_cast<IConnectionPointContainer*>(mBase);
    (*container)->AddRef();
    return S_OK;
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (cookie == nullptr) {
      return E_POINTER;
    }
    *cookie = 0;
    if (sink == nullptr) {
      return E_POINTER;
    }
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(DIID___Base, reinterpret_cast<void**>(dispatch.Receive()))) ||
        !dispatch) {
      if (FAILED(
              sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.Receive()))) ||
          !dispatch) {
        return CONNECT_E_CANNOTCONNECT;
      }
    }
    try {
      *cookie = ++mBase->mLastCookie;
      mBase->mSinks.emplace_back(*cookie, std::move(dispatch));
    } catch (const std::bad_alloc&) {
      *cookie = 0;
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    auto& sinks = mBase->mSinks;
    const auto it = std::find_if(sinks.begin(), sinks.end(),
                                 [&](const auto& entry) { return entry.first == cookie; });
    if (it == sinks.end()) {
      return CONNECT_E_NOCONNECTION;
    }
    // The sink may be the one being called (the walk holds its own reference), and releasing
    // it may call back into this list: it is moved out and released after the erase.
    ComPtr<IDispatch> sink = std::move(it->second);
    sinks.erase(it);
    sink.Reset();
    return S_OK;
  }
  STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

 private:
  ~EventPoint() override { mBase->mPoint = nullptr; }
  ComPtr<_Base> mOwner;  // keeps the container alive
  ComBase* mBase;
};

STDMETHODIMP ComBase::EventPoint::EnumConnections(IEnumConnections** connections) {
  if (connections == nullptr) {
    return E_POINTER;
  }
  *connections = nullptr;
  try {
    std::vector<CONNECTDATA> items;
    for (const auto& [cookie, sink] : mBase->mSinks) {
      items.push_back(CONNECTDATA{sink.Get(), cookie});
    }
    *connections =
        new FixedListEnum<IEnumConnections, CONNECTDATA>(IID_IEnumConnections, std::move(items));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

template <class C>
void ComBase::Fire(DISPID id, const typename RecordTraits<C>::Cpp& record, std::int32_t rate) {
  const auto snapshot = mSinks;
  const ComPtr<IRecordInfo> info = GetRecordInfo(RecordTraits<C>::Guid());
  for (const auto& [cookie, sink] : snapshot) {
    // A sink disconnected by an earlier one during this event is not called any more.
    const bool connected = std::any_of(mSinks.begin(), mSinks.end(),
                                       [&](const auto& entry) { return entry.first == cookie; });
    if (!connected) {
      continue;
    }
    // Each sink gets its own copy; what it changes goes nowhere.
    LocalRecord<C> argument(record);
    LONG rateArgument = rate;
    VARIANT arguments[2];  // in reverse order: the rate, then the record
    VariantInit(&arguments[0]);
    VariantInit(&arguments[1]);
    V_VT(&arguments[0]) = VT_I4 | VT_BYREF;
    V_I4REF(&arguments[0]) = &rateArgument;
    V_VT(&arguments[1]) = VT_RECORD | VT_BYREF;
    V_RECORD(&arguments[1]) = argument.Get();
    V_RECORDINFO(&arguments[1]) = info.Get();
    DISPPARAMS params{arguments, nullptr, 2, 0};
    // A sink's failure is its own, as a source ignores what its sinks return.
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                 nullptr);
  }
}

// ---- Life cycle ---------------------------------------------------------------------------

ComBase::ComBase() : mBase(automation::MakeObject<vod::Base>()) {
  mRelay = automation::MakeObject<EventRelay>(this);
  mRelayCookie = mBase->Advise(mRelay);
  // The connection component is the one registered under its class id; without it the link is
  // Nothing and the object exists all the same.
  ComPtr<_BaseLink> link;
  if (SUCCEEDED(CoCreateInstance(CLSID_BaseLink, nullptr, CLSCTX_INPROC_SERVER, IID__BaseLink,
                                 reinterpret_cast<void**>(link.Receive()))) &&
      link) {
    IDispatch* object = link.Get();
    if (FAILED(putref_Base(&object))) {
      mBase->SetBase(nullptr);
    }
  } else {
    mBase->SetBase(nullptr);
  }
  SetErrorInfo(0, nullptr);
}

ComBase::~ComBase() {
  mBase->Unadvise(mRelayCookie);
  mRelay->Detach();
}

ComPtr<_Base> ComBase::Create() {
  return ComPtr<_Base>::Attach(static_cast<_Base*>(new ComBase()));
}

DISPID ComBase::DispidOf(int position) {
  if (position == 1 || position == 2) {
    return kDispidBase;
  }
  return kDispidFirstMethod + (position - 3);
}

int ComBase::PositionOf(DISPID id) {
  if (id == kDispidBase) {
    return 1;
  }
  const long offset = static_cast<long>(id) - kDispidFirstMethod;
  if (offset >= 0 && offset <= kMemberCount - 3) {
    return static_cast<int>(offset) + 3;
  }
  return 0;
}

STDMETHODIMP ComBase::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, IID__Base)) {
    *object = static_cast<_Base*>(this);
  } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
    *object = static_cast<IConnectionPointContainer*>(this);
  } else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
    *object = static_cast<IProvideClassInfo2*>(this);
  } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

// ---- IDispatch ------------------------------------------------------------------------------

ComPtr<ITypeLib> LoadRavelinTypeLib() {
  ComPtr<ITypeLib> library;
  if (SUCCEEDED(LoadRegTypeLib(LIBID_Ravelin, kRavelinMajorVersion, kRavelinMinorVersion, 0,
                               library.Receive())) &&
      library) {
    return library;
  }
  const std::wstring path = ComModule::GetPath();
  if (SUCCEEDED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Receive()))) {
    return library;
  }
  return {};
}

HRESULT GetRavelinTypeInfo(REFGUID guid, ITypeInfo** info) {
  try {
    ComPtr<ITypeLib> library = LoadRavelinTypeLib();
    if (!library) {
      return TYPE_E_CANTLOADLIBRARY;
    }
    return library->GetTypeInfoOfGuid(guid, info);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP ComBase::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) {
    return E_POINTER;
  }
  *count = 1;
  return S_OK;
}

STDMETHODIMP ComBase::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (info == nullptr) {
    return E_POINTER;
  }
  *info = nullptr;
  if (index != 0) {
    return DISP_E_BADINDEX;
  }
  return GetRavelinTypeInfo(IID__Base, info);
}

STDMETHODIMP ComBase::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) {
    return DISP_E_UNKNOWNINTERFACE;
  }
  try {
    return LookupDispatchNames(GetNameTable().mNames, names, count, ids);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP ComBase::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                             VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
  if (!IsEqualIID(iid, IID_NULL)) {
    return DISP_E_UNKNOWNINTERFACE;
  }
  if (result != nullptr) {
    VariantInit(result);
  }
  const int position = PositionOf(id);
  if (position == 0) {
    return DISP_E_MEMBERNOTFOUND;
  }
  return InvokeGuarded(excepInfo, argErr, [&] {
    DispatchArgs args(params, flags);
    return InvokeMember(position, args, result);
  });
}

HRESULT ComBase::InvokeMember(int position, DispatchArgs& args, VARIANT* result) {
  const bool isPut = args.IsPut();
  if (position == 1) {
    if (isPut) {
      args.CheckCount(0);
      VariantValue object;
      ChangeType(object.Get(), Deref(args.PutValue()), VT_DISPATCH, 0);
      IDispatch* value = V_DISPATCH(object.Get());
      return putref_Base(&value);
    }
    args.CheckCount(0);
    IDispatch* link = nullptr;
    return Done(get_Base(&link), result, link);
  }
  if (isPut || (args.GetFlags() & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) {
    return DISP_E_MEMBERNOTFOUND;
  }
  VARIANT_BOOL flag = VARIANT_FALSE;
  LONG number = 0;
  BSTR text = nullptr;
  _Collection* collection = nullptr;
  switch (position) {
    case 3: {
      args.CheckCount(3);
      InOutArg<VT_BSTR> path(args, 0);
      InOutArg<VT_BSTR> password(args, 1, 0);
      InOutArg<VT_BOOL> loadCache(args, 2, VARIANT_TRUE);
      return Done(InitInterface(path.Slot(), password.Slot(), loadCache.Slot(), &flag), result,
                  flag, path, password, loadCache);
    }
    case 4: {
      args.CheckCount(1);
      RecordArg<::RoomInfoStruct> room(args, 0);
      return DoneVoid(Room_ClearStruct(room.Slot()), room);
    }
    case 5:
    case 6: {
      args.CheckCount(2);
      InOutArg<VT_DISPATCH> recordset(args, 0);
      RecordArg<::RoomInfoStruct> room(args, 1);
      const HRESULT hr =
          position == 5 ? Room_Struct2Base(ObjectSlot<::Recordset>(recordset), room.Slot(), &flag)
                        : Room_Base2Struct(ObjectSlot<::Recordset>(recordset), room.Slot(), &flag);
      return Done(hr, result, flag, recordset, room);
    }
    case 7: {
      args.CheckCount(1);
      RecordArg<::RoomInfoStruct> room(args, 0);
      return Done(Room_AddNewInfo(room.Slot(), &number), result, number, room);
    }
    case 8:
    case 11:
    case 12: {
      args.CheckCount(1);
      InOutArg<VT_BSTR> name(args, 0);
      const HRESULT hr = position == 8    ? Room_CreateBackup(name.Slot(), &flag)
                         : position == 11 ? Room_Restore(name.Slot(), &flag)
                                          : Room_DelBackup(name.Slot(), &flag);
      return Done(hr, result, flag, name);
    }
    case 10:
      args.CheckCount(0);
      return Done(Room_ReferBackup(&collection), result, collection);
    case 9: {
      args.CheckCount(1);
      InOutArg<VT_BSTR> name(args, 0);
      return Done(Room_HaveBackup(name.Slot(), &number), result, number, name);
    }
    case 13:
    case 16: {
      args.CheckCount(2);
      InOutArg<VT_I4> id(args, 0);
      RecordArg<::RoomInfoStruct> room(args, 1);
      const HRESULT hr = position == 13 ? Room_UpdateInfo(id.Slot(), room.Slot(), &flag)
                                        : Room_GetInfo(id.Slot(), room.Slot(), &flag);
      return Done(hr, result, flag, id, room);
    }
    case 14: {
      args.CheckCount(1);
      InOutArg<VT_I4> id(args, 0);
      return Done(Room_DeleteInfo(id.Slot(), &flag), result, flag, id);
    }
    case 15:
      args.CheckCount(0);
      return Done(Room_ClearAllInfo(&flag), result, flag);
    case 17: {
      args.CheckCount(1);
      InOutArg<VT_BSTR> name(args, 0);
      return Done(Room_HaveInfo(name.Slot(), &number), result, number, name);
    }
    case 18:
    case 19: {
      args.CheckCount(2);
      InOutArg<VT_I4> mode(args, 0, rsmAll);
      VariantArg data(args, 1);
      auto* modeSlot = reinterpret_cast<::RoomSearchModes*>(mode.Slot());
      if (position == 18) {
        return Done(Room_GetAll(modeSlot, data.Slot(), &collection), result, collection, mode);
      }
      return DoneVoid(Room_BrowseInfo(modeSlot, data.Slot()), mode);
    }
    case 20: {
      args.CheckCount(2);
      InOutArg<VT_DISPATCH> collRef(args, 0);
      VariantArg data(args, 1);
      return Done(Room_ReferOrder(ObjectSlot<_Collection>(collRef), data.Slot(), &number), result,
                  number, collRef);
    }
    case 21:
      args.CheckCount(0);
      return Done(Room_ReferStatus(&collection), result, collection);
    case 22:
      args.CheckCount(0);
      return Done(Room_ReferSearchMode(&collection), result, collection);
    case 23: {
      args.CheckCount(1);
      RecordArg<::DefaultSongStruct> song(args, 0);
      return DoneVoid(DefaultSong_ClearStruct(song.Slot()), song);
    }
    case 24:
    case 25: {
      args.CheckCount(2);
      InOutArg<VT_DISPATCH> recordset(args, 0);
      RecordArg<::DefaultSongStruct> song(args, 1);
      const HRESULT hr =
          position == 24
              ? DefaultSong_Struct2Base(ObjectSlot<::Recordset>(recordset), song.Slot(), &flag)
              : DefaultSong_Base2Struct(ObjectSlot<::Recordset>(recordset), song.Slot(), &flag);
      return Done(hr, result, flag, recordset, song);
    }
    case 26: {
      args.CheckCount(1);
      RecordArg<::DefaultSongStruct> song(args, 0);
      return Done(DefaultSong_AddNew(song.Slot(), &number), result, number, song);
    }
    case 27:
      args.CheckCount(0);
      return Done(DefaultSong_GetAll(&collection), result, collection);
    case 28: {
      args.CheckCount(1);
      InOutArg<VT_I4> id(args, 0);
      return Done(DefaultSong_Delete(id.Slot(), &flag), result, flag, id);
    }
    case 29:
      args.CheckCount(0);
      return Done(DefaultSong_Clear(&flag), result, flag);
    case 30: {
      args.CheckCount(1);
      InOutArg<VT_UI1> show(args, 0, 0);
      return Done(Singer_Count(show.Slot(), &number), result, number, show);
    }
    case 31:
      args.CheckCount(0);
      return Done(Song_Count(&number), result, number);
    case 32: {
      args.CheckCount(1);
      RecordArg<::SelectSongStruct> song(args, 0);
      return DoneVoid(SelectSong_ClearStruct(song.Slot()), song);
    }
    case 33:
    case 34: {
      args.CheckCount(2);
      InOutArg<VT_DISPATCH> recordset(args, 0);
      RecordArg<::SelectSongStruct> song(args, 1);
      const HRESULT hr =
          position == 33
              ? SelectSong_Struct2Base(ObjectSlot<::Recordset>(recordset), song.Slot(), &flag)
              : SelectSong_Base2Struct(ObjectSlot<::Recordset>(recordset), song.Slot(), &flag);
      return Done(hr, result, flag, recordset, song);
    }
    case 35:
      args.CheckCount(0);
      return Done(SelectSong_Clear(&flag), result, flag);
    case 36:
      args.CheckCount(0);
      return Done(SelectSong_Count(&number), result, number);
    case 37: {
      args.CheckCount(1);
      RecordArg<::SelectSongStruct> song(args, 0);
      return Done(SelectSong_AddNew(song.Slot(), &flag), result, flag, song);
    }
    case 38: {
      args.CheckCount(1);
      InOutArg<VT_BSTR> date(args, 0);
      return Done(SelectSong_ClearFrom(date.Slot(), &flag), result, flag, date);
    }
    case 39: {
      args.CheckCount(1);
      RecordArg<::SongTaxisStruct> song(args, 0);
      return DoneVoid(Taxis_ClearStruct(song.Slot()), song);
    }
    case 40:
    case 44: {
      args.CheckCount(2);
      InOutArg<VT_DISPATCH> recordset(args, 0);
      RecordArg<::SongTaxisStruct> song(args, 1);
      const HRESULT hr =
          position == 40
              ? Taxis_Struct2Base(ObjectSlot<::Recordset>(recordset), song.Slot(), &flag)
              : Taxis_Base2Struct(ObjectSlot<::Recordset>(recordset), song.Slot(), &flag);
      return Done(hr, result, flag, recordset, song);
    }
    case 41: {
      args.CheckCount(1);
      InOutArg<VT_I4> id(args, 0);
      return Done(Taxis_Delete(id.Slot(), &flag), result, flag, id);
    }
    case 42:
      args.CheckCount(0);
      return Done(Taxis_Clear(&flag), result, flag);
    case 43: {
      args.CheckCount(2);
      InOutArg<VT_BSTR> begin(args, 0);
      InOutArg<VT_BSTR> end(args, 1);
      return Done(Taxis_Build(begin.Slot(), end.Slot(), &flag), result, flag, begin, end);
    }
    case 45:
      args.CheckCount(0);
      return Taxis_Browse();
    case 46: {
      args.CheckCount(1);
      InOutArg<VT_I4> limit(args, 0, -1);
      return Done(Taxis_Text(limit.Slot(), &text), result, text, limit);
    }
    default:
      break;
  }
  return DISP_E_MEMBERNOTFOUND;
}

// ---- _Base ----------------------------------------------------------------------------------

STDMETHODIMP ComBase::get_Base(IDispatch** Base) {
  if (Base == nullptr) {
    return PointerFault();
  }
  *Base = nullptr;
  return CallGuarded(IID__Base, [&] {
    const dao::BaseLinkPtr link = mBase->GetBase();
    if (!link) {
      mLinkObject.Reset();
      return;
    }
    if (auto* foreign = dynamic_cast<ForeignBaseLink*>(link.Get())) {
      mLinkObject = foreign->Get();
    } else if (!mLinkObject || UnwrapObject(mLinkObject.Get()).Get() != link.Get()) {
      mLinkObject = ComBaseLink::Create(link);
    }
    *Base = mLinkObject.Get();
    (*Base)->AddRef();
  });
}

STDMETHODIMP ComBase::putref_Base(IDispatch** varObj) {
  if (varObj == nullptr) {
    return PointerFault();
  }
  return CallGuarded(IID__Base, [&] {
    IDispatch* object = *varObj;
    if (object == nullptr) {
      mBase->SetBase(nullptr);
      mLinkObject.Reset();
      return;
    }
    ComPtr<_BaseLink> link;
    if (FAILED(object->QueryInterface(IID__BaseLink, reinterpret_cast<void**>(link.Receive()))) ||
        !link) {
      // Without the link interface: the runtime's type mismatch, and the old link stays.
      automation::RaiseRuntimeError(automation::kErrTypeMismatch);
    }
    if (auto inner = UnwrapObject(link.Get())) {
      mBase->SetBase(inner);
    } else {
      mBase->SetBase(automation::MakeObject<ForeignBaseLink>(link));
    }
    mLinkObject = link;
  });
}

STDMETHODIMP ComBase::InitInterface(BSTR* strBasePath, BSTR* strBasePassword,
                                    VARIANT_BOOL* blnLoadCache, VARIANT_BOOL* result) {
  return WithResult(result, [&] {
    const bool loadCache = blnLoadCache == nullptr || *blnLoadCache != VARIANT_FALSE;
    return ToVariantBool(mBase->InitInterface(Text(strBasePath), Text(strBasePassword), loadCache));
  });
}

STDMETHODIMP ComBase::Room_ClearStruct(::RoomInfoStruct* sttRoomInfo) {
  return WithRecord(sttRoomInfo, [&](vod::RoomInfoStruct& room) { mBase->Room_ClearStruct(room); });
}

STDMETHODIMP ComBase::Room_Struct2Base(::Recordset** recTmp, ::RoomInfoStruct* sttRoomInfo,
                                       VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttRoomInfo, [&](vod::RoomInfoStruct& room) {
    *result = ToVariantBool(mBase->Room_Struct2Base(RecordsetFrom(recTmp), room));
  });
}

STDMETHODIMP ComBase::Room_Base2Struct(::Recordset** recTmp, ::RoomInfoStruct* sttRoomInfo,
                                       VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttRoomInfo, [&](vod::RoomInfoStruct& room) {
    *result = ToVariantBool(mBase->Room_Base2Struct(RecordsetFrom(recTmp), room));
  });
}

STDMETHODIMP ComBase::Room_AddNewInfo(::RoomInfoStruct* sttRoomInfo, LONG* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttRoomInfo,
                    [&](vod::RoomInfoStruct& room) { *result = mBase->Room_AddNewInfo(room); });
}

STDMETHODIMP ComBase::Room_CreateBackup(BSTR* strBackupName, VARIANT_BOOL* result) {
  return WithResult(result,
                    [&] { return ToVariantBool(mBase->Room_CreateBackup(Text(strBackupName))); });
}

STDMETHODIMP ComBase::Room_HaveBackup(BSTR* strBackupName, LONG* result) {
  return WithResult(result, [&] { return LONG{mBase->Room_HaveBackup(Text(strBackupName))}; });
}

STDMETHODIMP ComBase::Room_ReferBackup(_Collection** result) {
  return WithResult(result, [&] { return CollectionResult(mBase->Room_ReferBackup()); });
}

STDMETHODIMP ComBase::Room_Restore(BSTR* strBackupName, VARIANT_BOOL* result) {
  return WithResult(result,
                    [&] { return ToVariantBool(mBase->Room_Restore(Text(strBackupName))); });
}

STDMETHODIMP ComBase::Room_DelBackup(BSTR* strBackupName, VARIANT_BOOL* result) {
  return WithResult(result,
                    [&] { return ToVariantBool(mBase->Room_DelBackup(Text(strBackupName))); });
}

STDMETHODIMP ComBase::Room_UpdateInfo(LONG* lngRoomID, ::RoomInfoStruct* sttRoomInfo,
                                      VARIANT_BOOL* result) {
  if (result == nullptr || lngRoomID == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttRoomInfo, [&](vod::RoomInfoStruct& room) {
    *result = ToVariantBool(mBase->Room_UpdateInfo(*lngRoomID, room));
  });
}

STDMETHODIMP ComBase::Room_DeleteInfo(LONG* lngRoomID, VARIANT_BOOL* result) {
  if (lngRoomID == nullptr) {
    return PointerFault();
  }
  return WithResult(result, [&] { return ToVariantBool(mBase->Room_DeleteInfo(*lngRoomID)); });
}

STDMETHODIMP ComBase::Room_ClearAllInfo(VARIANT_BOOL* result) {
  return WithResult(result, [&] { return ToVariantBool(mBase->Room_ClearAllInfo()); });
}

STDMETHODIMP ComBase::Room_GetInfo(LONG* lngRoomID, ::RoomInfoStruct* sttRoomInfo,
                                   VARIANT_BOOL* result) {
  if (result == nullptr || lngRoomID == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttRoomInfo, [&](vod::RoomInfoStruct& room) {
    *result = ToVariantBool(mBase->Room_GetInfo(*lngRoomID, room));
  });
}

STDMETHODIMP ComBase::Room_HaveInfo(BSTR* strRoomName, LONG* result) {
  return WithResult(result, [&] { return LONG{mBase->Room_HaveInfo(Text(strRoomName))}; });
}

STDMETHODIMP ComBase::Room_GetAll(::RoomSearchModes* bytSearchMode, VARIANT* varData,
                                  _Collection** result) {
  return WithResult(result, [&] {
    const auto mode =
        bytSearchMode == nullptr ? rsmAll : static_cast<vod::RoomSearchModes>(*bytSearchMode);
    return CollectionResult(mBase->Room_GetAllFrom(mode, DataSource(varData)));
  });
}

STDMETHODIMP ComBase::Room_BrowseInfo(::RoomSearchModes* bytSearchMode, VARIANT* varData) {
  // A sink may release the last reference to this object while the walk goes on.
  const ComPtr<_Base> self(this);
  return CallGuarded(IID__Base, [&] {
    const auto mode =
        bytSearchMode == nullptr ? rsmAll : static_cast<vod::RoomSearchModes>(*bytSearchMode);
    mBase->Room_BrowseInfoFrom(mode, DataSource(varData));
  });
}

STDMETHODIMP ComBase::Room_ReferOrder(_Collection** collRef, VARIANT* varData, LONG* result) {
  return WithResult(result, [&] {
    return LONG{mBase->Room_ReferOrder(CollectionFrom(collRef), FromVariant(varData))};
  });
}

STDMETHODIMP ComBase::Room_ReferStatus(_Collection** result) {
  return WithResult(result, [&] { return CollectionResult(mBase->Room_ReferStatus()); });
}

STDMETHODIMP ComBase::Room_ReferSearchMode(_Collection** result) {
  return WithResult(result, [&] { return CollectionResult(mBase->Room_ReferSearchMode()); });
}

STDMETHODIMP ComBase::DefaultSong_ClearStruct(::DefaultSongStruct* sttDefaultSong) {
  return WithRecord(sttDefaultSong,
                    [&](vod::DefaultSongStruct& song) { mBase->DefaultSong_ClearStruct(song); });
}

STDMETHODIMP ComBase::DefaultSong_Struct2Base(::Recordset** recTmp,
                                              ::DefaultSongStruct* sttDefaultSong,
                                              VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttDefaultSong, [&](vod::DefaultSongStruct& song) {
    *result = ToVariantBool(mBase->DefaultSong_Struct2Base(RecordsetFrom(recTmp), song));
  });
}

STDMETHODIMP ComBase::DefaultSong_Base2Struct(::Recordset** recTmp,
                                              ::DefaultSongStruct* sttDefaultSong,
                                              VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttDefaultSong, [&](vod::DefaultSongStruct& song) {
    *result = ToVariantBool(mBase->DefaultSong_Base2Struct(RecordsetFrom(recTmp), song));
  });
}

STDMETHODIMP ComBase::DefaultSong_AddNew(::DefaultSongStruct* sttDefaultSong, LONG* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttDefaultSong, [&](vod::DefaultSongStruct& song) {
    *result = mBase->DefaultSong_AddNew(song);
  });
}

STDMETHODIMP ComBase::DefaultSong_GetAll(_Collection** result) {
  return WithResult(result, [&] { return CollectionResult(mBase->DefaultSong_GetAll()); });
}

STDMETHODIMP ComBase::DefaultSong_Delete(LONG* lngDefaultSongID, VARIANT_BOOL* result) {
  if (lngDefaultSongID == nullptr) {
    return PointerFault();
  }
  return WithResult(result,
                    [&] { return ToVariantBool(mBase->DefaultSong_Delete(*lngDefaultSongID)); });
}

STDMETHODIMP ComBase::DefaultSong_Clear(VARIANT_BOOL* result) {
  return WithResult(result, [&] { return ToVariantBool(mBase->DefaultSong_Clear()); });
}

STDMETHODIMP ComBase::Singer_Count(unsigned char* bytShow, LONG* result) {
  return WithResult(result, [&] {
    return LONG{mBase->Singer_Count(bytShow == nullptr ? std::uint8_t{0} : *bytShow)};
  });
}

STDMETHODIMP ComBase::Song_Count(LONG* result) {
  return WithResult(result, [&] { return LONG{mBase->Song_Count()}; });
}

STDMETHODIMP ComBase::SelectSong_ClearStruct(::SelectSongStruct* sttSelectSong) {
  return WithRecord(sttSelectSong,
                    [&](vod::SelectSongStruct& song) { mBase->SelectSong_ClearStruct(song); });
}

STDMETHODIMP ComBase::SelectSong_Struct2Base(::Recordset** recTmp,
                                             ::SelectSongStruct* sttSelectSong,
                                             VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttSelectSong, [&](vod::SelectSongStruct& song) {
    *result = ToVariantBool(mBase->SelectSong_Struct2Base(RecordsetFrom(recTmp), song));
  });
}

STDMETHODIMP ComBase::SelectSong_Base2Struct(::Recordset** recTmp,
                                             ::SelectSongStruct* sttSelectSong,
                                             VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttSelectSong, [&](vod::SelectSongStruct& song) {
    *result = ToVariantBool(mBase->SelectSong_Base2Struct(RecordsetFrom(recTmp), song));
  });
}

STDMETHODIMP ComBase::SelectSong_Clear(VARIANT_BOOL* result) {
  return WithResult(result, [&] { return ToVariantBool(mBase->SelectSong_Clear()); });
}

STDMETHODIMP ComBase::SelectSong_Count(LONG* result) {
  return WithResult(result, [&] { return LONG{mBase->SelectSong_Count()}; });
}

STDMETHODIMP ComBase::SelectSong_AddNew(::SelectSongStruct* sttSelectSong, VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttSelectSong, [&](vod::SelectSongStruct& song) {
    *result = ToVariantBool(mBase->SelectSong_AddNew(song));
  });
}

STDMETHODIMP ComBase::SelectSong_ClearFrom(BSTR* strDate, VARIANT_BOOL* result) {
  return WithResult(result,
                    [&] { return ToVariantBool(mBase->SelectSong_ClearFrom(Text(strDate))); });
}

STDMETHODIMP ComBase::Taxis_ClearStruct(::SongTaxisStruct* sttSong) {
  return WithRecord(sttSong, [&](vod::SongTaxisStruct& song) { mBase->Taxis_ClearStruct(song); });
}

STDMETHODIMP ComBase::Taxis_Struct2Base(::Recordset** recTmp, ::SongTaxisStruct* sttSong,
                                        VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttSong, [&](vod::SongTaxisStruct& song) {
    *result = ToVariantBool(mBase->Taxis_Struct2Base(RecordsetFrom(recTmp), song));
  });
}

STDMETHODIMP ComBase::Taxis_Delete(LONG* lngSongTaxisID, VARIANT_BOOL* result) {
  if (lngSongTaxisID == nullptr) {
    return PointerFault();
  }
  return WithResult(result, [&] { return ToVariantBool(mBase->Taxis_Delete(*lngSongTaxisID)); });
}

STDMETHODIMP ComBase::Taxis_Clear(VARIANT_BOOL* result) {
  return WithResult(result, [&] { return ToVariantBool(mBase->Taxis_Clear()); });
}

STDMETHODIMP ComBase::Taxis_Build(BSTR* strBeginDate, BSTR* strEndDate, VARIANT_BOOL* result) {
  return WithResult(result, [&] {
    return ToVariantBool(mBase->Taxis_Build(Text(strBeginDate), Text(strEndDate)));
  });
}

STDMETHODIMP ComBase::Taxis_Base2Struct(::Recordset** recTmp, ::SongTaxisStruct* sttSong,
                                        VARIANT_BOOL* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  return WithRecord(sttSong, [&](vod::SongTaxisStruct& song) {
    *result = ToVariantBool(mBase->Taxis_Base2Struct(RecordsetFrom(recTmp), song));
  });
}

STDMETHODIMP ComBase::Taxis_Browse() {
  // A sink may release the last reference to this object while the walk goes on.
  const ComPtr<_Base> self(this);
  return CallGuarded(IID__Base, [&] { mBase->Taxis_Browse(); });
}

STDMETHODIMP ComBase::Taxis_Text(LONG* lngLimitQuantity, BSTR* result) {
  if (result == nullptr) {
    return PointerFault();
  }
  *result = nullptr;
  return CallGuarded(IID__Base, [&] {
    *result = Utf8ToBstr(mBase->Taxis_Text(lngLimitQuantity == nullptr ? -1 : *lngLimitQuantity));
  });
}

// ---- IConnectionPointContainer, IProvideClassInfo2, ISupportErrorInfo ---------------------

STDMETHODIMP ComBase::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points == nullptr) {
    return E_POINTER;
  }
  *points = nullptr;
  try {
    ComPtr<IConnectionPoint> point;
    if (FAILED(FindConnectionPoint(DIID___Base, point.Receive()))) {
      return E_OUTOFMEMORY;
    }
    *points = new FixedListEnum<IEnumConnectionPoints, IConnectionPoint*>(
        IID_IEnumConnectionPoints, std::vector<IConnectionPoint*>{point.Get()});
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP ComBase::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (point == nullptr) {
    return E_POINTER;
  }
  *point = nullptr;
  if (!IsEqualIID(iid, DIID___Base)) {
    return CONNECT_E_NOCONNECTION;
  }
  // One connection point while anyone holds it, so that it keeps its identity.
  if (mPoint != nullptr) {
    mPoint->AddRef();
    *point = mPoint;
    return S_OK;
  }
  mPoint = new (std::nothrow) EventPoint(this);
  *point = mPoint;
  return *point != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP ComBase::GetClassInfo(ITypeInfo** info) {
  if (info == nullptr) {
    return E_POINTER;
  }
  *info = nullptr;
  return GetRavelinTypeInfo(CLSID_Base, info);
}

STDMETHODIMP ComBase::GetGUID(DWORD kind, GUID* guid) {
  if (guid == nullptr) {
    return E_POINTER;
  }
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = DIID___Base;
  return S_OK;
}

STDMETHODIMP ComBase::InterfaceSupportsErrorInfo(REFIID iid) {
  return IsEqualIID(iid, IID__Base) ? S_OK : S_FALSE;
}

}  // namespace vod::com
