#include "tests/vod/com/ComTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "tests/RetriedStart_windows.h"
#include "vod/RavelinIds.h"

namespace vod::com::test {

std::wstring ServerPath() {
  std::wstring path = Utf8ToWide(RAVELIN_VOD_DLL);
  if (!path.empty() && path.front() == L'/') {
    path = L"Z:" + path;
  }
  for (auto& c : path) {
    if (c == L'/') {
      c = L'\\';
    }
  }
  return path;
}

DWORD RunRegsvr32(const std::wstring& arguments) {
  return RunRegsvr32(arguments, ServerPath());
}

DWORD RunRegsvr32(const std::wstring& arguments, const std::wstring& dll) {
  std::wstring command = L"regsvr32.exe " + arguments + L" \"" + dll + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const bool started = ravelin_test::StartRetrying("regsvr32 " + WideToUtf8(arguments), [&] {
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process) != FALSE;
  });
  if (!started) {
    ADD_FAILURE() << "regsvr32 could not be started: system error " << GetLastError();
    return static_cast<DWORD>(-1);
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = static_cast<DWORD>(-1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

std::wstring NewDatabasePath() {
  static std::atomic<int> counter{0};
  wchar_t folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, folder);
  std::wstring path = std::wstring(folder) + L"ravelin-com-" +
                      std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) +
                      L".mdb";
  DeleteFileW(path.c_str());
  return path;
}

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::wstring KeyText(HKEY root, const std::wstring& path, const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  return buffer;
}

std::wstring ErrorText() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.Receive()) != S_OK || !info) {
    return L"<none>";
  }
  Bstr text;
  info->GetDescription(text.Receive());
  return text.Get() ? text.Get() : L"";
}

GUID GuidOf(std::string_view text) {
  GUID guid{};
  CLSIDFromString(Utf8ToWide(text).c_str(), &guid);
  return guid;
}
GUID RoomGuid() {
  return GuidOf(kGuidRoomInfoStruct);
}
GUID DefaultSongGuid() {
  return GuidOf(kGuidDefaultSongStruct);
}
GUID SelectSongGuid() {
  return GuidOf(kGuidSelectSongStruct);
}
GUID SongTaxisGuid() {
  return GuidOf(kGuidSongTaxisStruct);
}

DispatchCall::~DispatchCall() {
  SysFreeString(mException.bstrSource);
  SysFreeString(mException.bstrDescription);
  SysFreeString(mException.bstrHelpFile);
}

void Invoke(DispatchCall& call, IDispatch* object, const wchar_t* name, WORD flags,
            std::initializer_list<VARIANT> arguments) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  call.mResult = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(call.mResult)) {
    return;
  }
  std::vector<VARIANT> reversed(arguments.begin(), arguments.end());
  std::reverse(reversed.begin(), reversed.end());
  DISPID put = DISPID_PROPERTYPUT;
  const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), isPut ? &put : nullptr,
                    static_cast<UINT>(reversed.size()), isPut ? 1u : 0u};
  UINT argErr = 0;
  call.mResult = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                call.mValue.Receive(), &call.mException, &argErr);
}

void Call(DispatchCall& call, IDispatch* object, const wchar_t* name,
          std::initializer_list<VARIANT> arguments) {
  Invoke(call, object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments);
  EXPECT_EQ(call.mResult, S_OK) << WideToUtf8(name) << ": "
                                << WideToUtf8(call.mException.bstrDescription
                                                  ? call.mException.bstrDescription
                                                  : L"");
}

VARIANT Long(LONG value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT Text(BSTR value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = value;
  return v;
}

VARIANT Object(IDispatch* value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_DISPATCH;
  V_DISPATCH(&v) = value;
  return v;
}

VARIANT ByRef(VARIANT* target) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&v) = target;
  return v;
}

VARIANT Omitted() {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
}

std::wstring TextOf(const VARIANT* value) {
  VariantValue text;
  if (FAILED(VariantChangeType(text.Get(), const_cast<VARIANT*>(value), 0, VT_BSTR))) {
    return L"<not text>";
  }
  return V_BSTR(text.Get()) ? std::wstring(V_BSTR(text.Get())) : std::wstring();
}

LONG LongOf(const VARIANT* value) {
  VariantValue number;
  if (FAILED(VariantChangeType(number.Get(), const_cast<VARIANT*>(value), 0, VT_I4))) {
    ADD_FAILURE() << "not a number: VARTYPE " << V_VT(value);
    return -9999;
  }
  return V_I4(number.Get());
}

bool BoolOf(const VARIANT* value) {
  EXPECT_EQ(V_VT(value), VT_BOOL);
  return V_VT(value) == VT_BOOL && V_BOOL(value) == VARIANT_TRUE;
}

IDispatch* DispatchOf(const VARIANT* value) {
  EXPECT_EQ(V_VT(value), VT_DISPATCH);
  return V_VT(value) == VT_DISPATCH ? V_DISPATCH(value) : nullptr;
}

template <class C>
Record<C>::Record(REFGUID guid) {
  IRecordInfo* info = nullptr;
  const HRESULT hr = GetRecordInfoFromGuids(LIBID_Ravelin, 7, 0, 0, guid, &info);
  EXPECT_EQ(hr, S_OK);
  if (FAILED(hr)) {
    throw std::runtime_error("no record info");
  }
  V_VT(mValue.Get()) = VT_RECORD;
  V_RECORDINFO(mValue.Get()) = info;
  V_RECORD(mValue.Get()) = info->RecordCreate();
}

template <class C>
VARIANT Record<C>::ByRef() {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_RECORD | VT_BYREF;
  V_RECORD(&v) = V_RECORD(mValue.Get());
  V_RECORDINFO(&v) = V_RECORDINFO(mValue.Get());
  return v;
}

template class Record<::RoomInfoStruct>;
template class Record<::DefaultSongStruct>;
template class Record<::SelectSongStruct>;
template class Record<::SongTaxisStruct>;

void SetText(BSTR& field, const wchar_t* text) {
  SysFreeString(field);
  field = SysAllocString(text);
}

STDMETHODIMP HostDispatch::QueryInterface(REFIID iid, void** object) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) HostDispatch::Release() {
  const ULONG left = --mRefs;
  if (left == 0) {
    OnLastRelease();
    delete this;
  }
  return left;
}

STDMETHODIMP HostDispatch::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

STDMETHODIMP HostDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  *info = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP HostDispatch::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP HostObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                       DISPID* ids) {
  return mInner->GetIDsOfNames(iid, names, count, lcid, ids);
}

STDMETHODIMP HostObject::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
  return mInner->Invoke(id, iid, lcid, flags, params, result, excepInfo, argErr);
}

STDMETHODIMP RecordingSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) {
  EXPECT_EQ(params->cArgs, 2u);
  VARIANT& record = params->rgvarg[1];
  VARIANT& rate = params->rgvarg[0];
  EXPECT_EQ(V_VT(&record), VT_RECORD | VT_BYREF);
  EXPECT_EQ(V_VT(&rate), VT_I4 | VT_BYREF);
  Event event{id, L"", *V_I4REF(&rate)};
  GUID guid{};
  V_RECORDINFO(&record)->GetGuid(&guid);
  if (id == 1) {
    EXPECT_TRUE(IsEqualGUID(guid, RoomGuid()));
    auto* room = static_cast<::RoomInfoStruct*>(V_RECORD(&record));
    event.mName = room->strRoomName ? room->strRoomName : L"";
    // What a sink changes goes nowhere; the next sink sees the raiser's values.
    SetText(room->strRoomName, L"CHANGED BY SINK");
  } else {
    EXPECT_TRUE(IsEqualGUID(guid, SongTaxisGuid()));
    auto* song = static_cast<::SongTaxisStruct*>(V_RECORD(&record));
    event.mName = song->strSongFile ? song->strSongFile : L"";
    SetText(song->strSongFile, L"CHANGED BY SINK");
  }
  *V_I4REF(&rate) = 999;
  mEvents.push_back(event);
  if (mAfterEvent) {
    mAfterEvent();
  }
  return S_OK;
}

}  // namespace vod::com::test
