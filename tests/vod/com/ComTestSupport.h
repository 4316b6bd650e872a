// What the COM client tests share: the server DLL's path as Windows sees it, running the
// system's regsvr32, reading registry keys, calling IDispatch members by name, records
// created through IRecordInfo, and an event sink that records what it receives.
//
// The helpers belong to the test thread, which is a single-threaded apartment.
#pragma once

// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "BaseLink_h.h"
#include "Ravelin_h.h"
#include "vod/com/ComSupport.h"

namespace vod::com::test {

// The server DLL, as a Windows path (the build's Unix path seen through drive Z:).
std::wstring ServerPath();
// Runs the system's regsvr32 with the arguments (the DLL's quoted path is appended) and gives
// its exit code; the second form for another DLL (a copy of the server).
DWORD RunRegsvr32(const std::wstring& arguments);
DWORD RunRegsvr32(const std::wstring& arguments, const std::wstring& dll);
// A path for a new database file in the temporary folder, different on every call.
std::wstring NewDatabasePath();

bool KeyExists(HKEY root, const std::wstring& path);
std::wstring KeyText(HKEY root, const std::wstring& path, const wchar_t* name = nullptr);

GUID GuidOf(std::string_view text);
GUID RoomGuid();
GUID DefaultSongGuid();
GUID SelectSongGuid();
GUID SongTaxisGuid();

// A call through IDispatch by name.
struct DispatchCall {
  HRESULT mResult = E_FAIL;
  VariantValue mValue;
  EXCEPINFO mException{};
  ~DispatchCall();
};

// Arguments are given in the member's order; each VARIANT is passed as it is (by value unless
// it is itself a VT_BYREF VARIANT).
void Invoke(DispatchCall& call, IDispatch* object, const wchar_t* name, WORD flags,
            std::initializer_list<VARIANT> arguments);
// DISPATCH_METHOD | DISPATCH_PROPERTYGET, and S_OK expected.
void Call(DispatchCall& call, IDispatch* object, const wchar_t* name,
          std::initializer_list<VARIANT> arguments = {});

VARIANT Long(LONG value);
VARIANT Text(BSTR value);          // borrows the BSTR
VARIANT Object(IDispatch* value);  // borrows the reference
VARIANT ByRef(VARIANT* target);    // VT_BYREF | VT_VARIANT
VARIANT Omitted();

// The description of the thread's IErrorInfo, "<none>" without one.
std::wstring ErrorText();

std::wstring TextOf(const VARIANT* value);
LONG LongOf(const VARIANT* value);
bool BoolOf(const VARIANT* value);
IDispatch* DispatchOf(const VARIANT* value);

// A record of the type library in a VT_RECORD VARIANT, created by IRecordInfo.
template <class C>
class Record {
 public:
  explicit Record(REFGUID guid);
  C* Get() { return static_cast<C*>(V_RECORD(mValue.Get())); }
  VARIANT* Variant() { return mValue.Get(); }
  // The record as a typed by-reference argument (VT_RECORD | VT_BYREF).
  VARIANT ByRef();

 private:
  VariantValue mValue;
};

void SetText(BSTR& field, const wchar_t* text);

// The frame of a host's own IDispatch object: it answers IUnknown and IDispatch only, counts
// references from the creator's one and deletes itself at none, and has no type information and
// no names. Each object implements Invoke and overrides what else it answers.
class HostDispatch : public IDispatch {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++mRefs; }
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;

 protected:
  virtual ~HostDispatch() = default;
  // Runs on the last release, before the object is deleted.
  virtual void OnLastRelease() {}

 private:
  ULONG mRefs = 1;
};

// A host's own object in front of one of the server's: it forwards every call, so the server
// sees an object it did not make (a DAO recordset, a runtime collection) with the same members.
class HostObject final : public HostDispatch {
 public:
  explicit HostObject(IDispatch* inner) : mInner(inner) {}
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

 private:
  ComPtr<IDispatch> mInner;
};

// An IDispatch event sink: remembers each call's DISPID, record (as text fields) and rate, and
// runs an action after each.
class RecordingSink final : public HostDispatch {
 public:
  struct Event {
    DISPID mId;
    std::wstring mName;  // strRoomName or strSongFile of the record
    LONG mRate;
  };

  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) override;

  std::vector<Event> mEvents;
  std::function<void()> mAfterEvent;
};

}  // namespace vod::com::test
