#include "vod/com/ComObjects.h"

#include <array>

#include "vod/RavelinSchema.h"

namespace vod::com {

namespace {

// Text of an argument converted with the automation rules.
std::string TextArg(VARIANT* value, UINT argIndex) {
  VariantValue text;
  ChangeType(text.Get(), Deref(value), VT_BSTR, argIndex);
  return BstrToUtf8(V_BSTR(text.Get()));
}

LONG LongArg(VARIANT* value, UINT argIndex) {
  VariantValue number;
  ChangeType(number.Get(), Deref(value), VT_I4, argIndex);
  return V_I4(number.Get());
}

bool IsGet(const DispatchArgs& args) {
  return (args.GetFlags() & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;
}

void SetResultVariant(VARIANT* result, const automation::Variant& value) {
  if (result != nullptr) {
    ToVariant(value, result);
  }
}

}  // namespace

// ---- Collection -----------------------------------------------------------------------------

namespace {

// The runtime's _Collection.
constexpr GUID kIidCollection = {
    0xa4c46780, 0x499f, 0x101b, {0xbb, 0x78, 0x00, 0xaa, 0x00, 0x38, 0x3c, 0xbb}};

constexpr std::array kCollectionNames = {
    DispatchName{DISPID_VALUE, L"Item", L"Index"},
    DispatchName{1, L"Add", L"Item,Key,Before,After"},
    DispatchName{2, L"Count", L""},
    DispatchName{3, L"Remove", L"Index"},
    DispatchName{DISPID_NEWENUM, L"_NewEnum", L""},
};

}  // namespace

ComPtr<IDispatch> ComCollection::Create(automation::CollectionPtr collection) {
  return ComPtr<IDispatch>::Attach(new ComCollection(std::move(collection)));
}

std::span<const DispatchName> ComCollection::Names() const {
  return kCollectionNames;
}

bool ComCollection::HasInterface(REFIID iid) const {
  return IsEqualIID(iid, kIidCollection);
}

HRESULT ComCollection::InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) {
  switch (id) {
    case DISPID_VALUE:
      args.CheckCount(1);
      SetResultVariant(result, mInner->Item(FromVariant(args.Require(0))));
      return S_OK;
    case 1:
      args.CheckCount(4);
      // The store's collections carry no keys; a key or a position is refused rather than
      // silently dropped.
      if (args.Get(1) != nullptr || args.Get(2) != nullptr || args.Get(3) != nullptr) {
        automation::RaiseRuntimeError(automation::kErrInvalidCall);
      }
      mInner->Add(FromVariant(args.Require(0)));
      return S_OK;
    case 2:
      args.CheckCount(0);
      SetResultLong(result, mInner->Count());
      return S_OK;
    case 3:
      args.CheckCount(1);
      mInner->Remove(FromVariant(args.Require(0)));
      return S_OK;
    case DISPID_NEWENUM:
      args.CheckCount(0);
      SetResultUnknown(result, new ComEnumVariant(mInner, 1));
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
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

STDMETHODIMP_(ULONG) ComEnumVariant::AddRef() {
  return mRefs.Add();
}

STDMETHODIMP_(ULONG) ComEnumVariant::Release() {
  const ULONG left = mRefs.Drop();
  if (left == 0) {
    delete this;
  }
  return left;
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

// ---- Recordset and Field --------------------------------------------------------------------

namespace {

// DAO's Recordset.
constexpr GUID kIidRecordset = {
    0x00000031, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};

constexpr std::array kRecordsetNames = {
    DispatchName{DISPID_VALUE, L"Fields", L"Name"},
    DispatchName{1, L"BOF", L""},
    DispatchName{2, L"EOF", L""},
    DispatchName{3, L"MoveFirst", L""},
    DispatchName{4, L"MoveLast", L""},
    DispatchName{5, L"MoveNext", L""},
    DispatchName{6, L"MovePrevious", L""},
    DispatchName{7, L"RecordCount", L""},
    DispatchName{8, L"AddNew", L""},
    DispatchName{9, L"Edit", L""},
    DispatchName{10, L"Update", L""},
    DispatchName{11, L"CancelUpdate", L""},
    DispatchName{12, L"Close", L""},
    DispatchName{13, L"EditMode", L""},
    DispatchName{14, L"Updatable", L""},
    DispatchName{15, L"Type", L""},
};

constexpr std::array kFieldNames = {
    DispatchName{DISPID_VALUE, L"Value", L""},
    DispatchName{1, L"Name", L""},
};

}  // namespace

ComPtr<IDispatch> ComRecordset::Create(dao::RecordsetPtr recordset) {
  return ComPtr<IDispatch>::Attach(new ComRecordset(std::move(recordset)));
}

std::span<const DispatchName> ComRecordset::Names() const {
  return kRecordsetNames;
}

bool ComRecordset::HasInterface(REFIID iid) const {
  return IsEqualIID(iid, kIidRecordset);
}

HRESULT ComRecordset::InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) {
  dao::Recordset& rs = *mInner;
  if (id == DISPID_VALUE) {
    args.CheckCount(1);
    const std::string name = TextArg(args.Require(0), args.IndexOf(0));
    if (args.IsPut()) {
      rs.SetField(name, FromVariant(args.PutValue()));
      return S_OK;
    }
    // Checked now, so an unknown column fails here as DAO's Fields(name) does.
    bool known = false;
    for (std::int32_t i = 0; i < rs.GetFieldCount() && !known; ++i) {
      known = NamesEqual(Utf8ToWide(rs.GetFieldName(i)), Utf8ToWide(name));
    }
    if (!known) {
      throw automation::AutomationError(dao::kDaoErrItemNotFound,
                                        "Item not found in this collection.", "DAO.Fields");
    }
    SetResultDispatch(result, new ComField(mInner, name));
    return S_OK;
  }
  args.CheckCount(0);
  switch (id) {
    case 1:
      SetResultBool(result, ToVariantBool(rs.IsBOF()));
      return S_OK;
    case 2:
      SetResultBool(result, ToVariantBool(rs.IsEOF()));
      return S_OK;
    case 3:
      rs.MoveFirst();
      return S_OK;
    case 4:
      rs.MoveLast();
      return S_OK;
    case 5:
      rs.MoveNext();
      return S_OK;
    case 6:
      rs.MovePrevious();
      return S_OK;
    case 7:
      SetResultLong(result, rs.GetRecordCount());
      return S_OK;
    case 8:
      rs.AddNew();
      return S_OK;
    case 9:
      rs.Edit();
      return S_OK;
    case 10:
      rs.Update();
      return S_OK;
    case 11:
      rs.CancelUpdate();
      return S_OK;
    case 12:
      rs.Close();
      return S_OK;
    case 13:
      SetResultLong(result, rs.GetEditMode());
      return S_OK;
    case 14:
      SetResultBool(result, ToVariantBool(rs.IsUpdatable()));
      return S_OK;
    case 15:
      SetResultLong(result, rs.GetType());
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

ComField::ComField(dao::RecordsetPtr recordset, std::string name)
    : DispatchObject(std::move(recordset)), mName(std::move(name)) {}

std::span<const DispatchName> ComField::Names() const {
  return kFieldNames;
}

HRESULT ComField::InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) {
  args.CheckCount(0);
  switch (id) {
    case DISPID_VALUE:
      if (args.IsPut()) {
        mInner->SetField(mName, FromVariant(args.PutValue()));
      } else {
        SetResultVariant(result, mInner->GetField(mName));
      }
      return S_OK;
    case 1:
      SetResultBstr(result, Utf8ToBstr(mName));
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

// ---- Database -------------------------------------------------------------------------------

namespace {

constexpr std::array kDatabaseNames = {
    DispatchName{1, L"OpenRecordset", L"Name,Type,Options,LockEdit"},
    DispatchName{2, L"Execute", L"Query,Options"},
    DispatchName{3, L"Close", L""},
    DispatchName{4, L"Name", L""},
    DispatchName{5, L"RecordsAffected", L""},
};

}  // namespace

ComPtr<IDispatch> ComDatabase::Create(dao::DatabasePtr database) {
  return ComPtr<IDispatch>::Attach(new ComDatabase(std::move(database)));
}

std::span<const DispatchName> ComDatabase::Names() const {
  return kDatabaseNames;
}

HRESULT ComDatabase::InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) {
  switch (id) {
    case 1: {
      args.CheckCount(4);
      const std::string sql = TextArg(args.Require(0), args.IndexOf(0));
      VARIANT* type = args.Get(1);
      const std::int32_t recordsetType =
          type != nullptr ? LongArg(type, args.IndexOf(1)) : std::int32_t{dao::dbOpenDynaset};
      SetResultDispatch(result,
                        ComRecordset::Create(mInner->OpenRecordset(sql, recordsetType)).Detach());
      return S_OK;
    }
    case 2:
      args.CheckCount(2);
      mInner->Execute(TextArg(args.Require(0), args.IndexOf(0)));
      return S_OK;
    case 3:
      args.CheckCount(0);
      mInner->Close();
      return S_OK;
    case 4:
      args.CheckCount(0);
      SetResultBstr(result, Utf8ToBstr(mInner->GetName()));
      return S_OK;
    case 5:
      args.CheckCount(0);
      SetResultLong(result, mInner->GetRecordsAffected());
      return S_OK;
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

ComBaseLink::ComBaseLink(dao::BaseLinkPtr link) : mLink(std::move(link)) {}

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
  } else if (IsEqualIID(iid, IID_IRavelinInner)) {
    *object = static_cast<IRavelinInner*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ComBaseLink::AddRef() {
  return mRefs.Add();
}

STDMETHODIMP_(ULONG) ComBaseLink::Release() {
  const ULONG left = mRefs.Drop();
  if (left == 0) {
    delete this;
  }
  return left;
}

STDMETHODIMP ComBaseLink::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) {
    return E_POINTER;
  }
  *count = 0;
  return S_OK;
}

STDMETHODIMP ComBaseLink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) {
    *info = nullptr;
  }
  return DISP_E_BADINDEX;
}

STDMETHODIMP ComBaseLink::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return LookupDispatchNames(kBaseLinkNames, names, count, ids);
}

STDMETHODIMP ComBaseLink::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
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
    return E_POINTER;
  }
  return CallGuarded(IID__BaseLink, [&] {
    *result = ToVariantBool(
        mLink->CreateBase(BstrToUtf8(path), BstrToUtf8(password), GetRavelinSchemaSql()));
  });
}

STDMETHODIMP ComBaseLink::BaseDatabase(IDispatch** result) {
  if (result == nullptr) {
    return E_POINTER;
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
    return E_POINTER;
  }
  *result = nullptr;
  return CallGuarded(IID__BaseLink, [&] { *result = Utf8ToBstr(mLink->GetBasePath()); });
}

STDMETHODIMP ComBaseLink::IsOpen(VARIANT_BOOL* result) {
  if (result == nullptr) {
    return E_POINTER;
  }
  return CallGuarded(IID__BaseLink, [&] { *result = ToVariantBool(mLink->IsOpen()); });
}

STDMETHODIMP ComBaseLink::CloseBase() {
  return CallGuarded(IID__BaseLink, [&] { mLink->CloseBase(); });
}

STDMETHODIMP ComBaseLink::ExecuteSQL(BSTR sql, VARIANT_BOOL* result) {
  if (result == nullptr) {
    return E_POINTER;
  }
  return CallGuarded(IID__BaseLink,
                     [&] { *result = ToVariantBool(mLink->ExecuteSQL(BstrToUtf8(sql))); });
}

STDMETHODIMP ComBaseLink::OpenBase(BSTR path, BSTR* password, VARIANT_BOOL* readOnly,
                                   VARIANT_BOOL* result) {
  if (password == nullptr || readOnly == nullptr || result == nullptr) {
    return E_POINTER;
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

// ---- A host's own link ----------------------------------------------------------------------

namespace {

// A failed call on the host's link raises what its IErrorInfo says, as a late-bound call would.
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

}  // namespace

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
  return automation::QueryInterface<dao::Database>(UnwrapObject(database.Get()));
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
