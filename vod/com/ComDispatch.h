// ComDispatch: what the hand-written IDispatch implementations of the COM shell share.
//
// The shell does not use ITypeInfo::Invoke: Wine's returns E_NOTIMPL for record parameters,
// and the DAO and collection objects have no type information of their own. Each object
// instead lists its members (DispatchName: DISPID, name, parameter names) for GetIDsOfNames,
// which ignores case, and decodes DISPPARAMS with DispatchArgs: positional arguments come in
// reverse order, named ones are found by parameter position, and an argument that is absent or
// VT_ERROR/DISP_E_PARAMNOTFOUND counts as omitted. InOutArg converts one argument to the type
// a vtable slot expects and writes the slot back after the call when the caller passed a
// VARIANT by reference.
//
// Errors: members raise automation::AutomationError; CallGuarded turns it into the failure
// HRESULT (0x800A0000 | number for the runtime's and DAO's numbers) and sets IErrorInfo with the
// number's text, as a vtable caller expects. DispatchException moves that IErrorInfo into an
// EXCEPINFO and gives DISP_E_EXCEPTION, as an IDispatch caller expects. Argument faults found
// while decoding raise DispatchFailure with the DISP_E_ code and the argument's index.
//
// Everything here works on the caller's thread and keeps no state between calls.
#pragma once

// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <oleauto.h>

#include <exception>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/automation/AutomationError.h"
#include "vod/com/ComSupport.h"

namespace vod::com {

struct DispatchName {
  DISPID mId;
  std::wstring_view mName;
  // Parameter names in order, separated by commas; a named argument's DISPID is its position.
  std::wstring_view mParameters;
};

// GetIDsOfNames over a member list: names[0] is the member, the rest its parameter names.
HRESULT LookupDispatchNames(std::span<const DispatchName> members, LPOLESTR* names, UINT count,
                            DISPID* ids);

// How a member of an interface may be reached: a method or read-only property takes only
// method calls and gets; the others take puts (or put-refs) as well. A put on a member that
// has none is DISP_E_MEMBERNOTFOUND, as for the members that work.
enum class MemberAccess : unsigned char { kRead, kReadWrite, kReadSetRef };

// A member of an interface the object has no counterpart of, named so that a late-bound
// caller reaches the same 3251 as a vtable caller instead of "unknown name".
struct UnsupportedName {
  std::wstring_view mName;
  MemberAccess mAccess;
};

// The DISPID of unsupported[i] is kFirstUnsupportedId + i: far from the working members' ids.
inline constexpr DISPID kFirstUnsupportedId = 0x10000;

// GetIDsOfNames over the unsupported members. Any parameter names are accepted (their ids are
// their positions): the call fails whatever its arguments are, and an unknown parameter name
// would hide the member's real error behind "named argument not found".
HRESULT LookupUnsupportedNames(std::span<const UnsupportedName> members, LPOLESTR* names,
                               UINT count, DISPID* ids);
// The unsupported member with that DISPID, or nullptr.
const UnsupportedName* FindUnsupported(std::span<const UnsupportedName> members, DISPID id);
// Whether Invoke's flags reach an unsupported member (else DISP_E_MEMBERNOTFOUND).
bool Reaches(const UnsupportedName& member, WORD flags);
// Whether two names are equal without regard to case.
bool NamesEqual(std::wstring_view a, std::wstring_view b);

// A fault found while decoding the arguments of Invoke.
struct DispatchFailure {
  HRESULT mResult;
  UINT mArgument;  // index into rgvarg, for puArgErr
};

class DispatchArgs {
 public:
  DispatchArgs(DISPPARAMS* params, WORD flags);

  // The argument at a parameter position (0-based); nullptr when it is absent or omitted.
  VARIANT* Get(UINT position) const;
  // The same, raising DISP_E_PARAMNOTFOUND when it is absent or omitted.
  VARIANT* Require(UINT position) const;
  // The value of a property put, raising DISP_E_PARAMNOTFOUND when there is none.
  VARIANT* PutValue() const;
  // Raises DISP_E_BADPARAMCOUNT when more than maxCount arguments (the put value aside) came.
  void CheckCount(UINT maxCount) const;
  // rgvarg index of the argument at a position, for puArgErr (0 when unknown).
  UINT IndexOf(UINT position) const;
  WORD GetFlags() const { return mFlags; }
  bool IsPut() const { return (mFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

 private:
  DISPPARAMS* mParams;
  WORD mFlags;
  UINT mPositional = 0;
  VARIANT* mPutValue = nullptr;
};

// An omitted argument (VT_ERROR with DISP_E_PARAMNOTFOUND), also behind VT_BYREF|VT_VARIANT.
bool IsOmitted(const VARIANT* value);
// The VARIANT a VT_BYREF|VT_VARIANT argument points to, else the argument itself.
VARIANT* Deref(VARIANT* value);

template <VARTYPE Vt>
struct VtSlot;
template <>
struct VtSlot<VT_BSTR> {
  using Type = BSTR;
  static Type* Of(VARIANT* v) { return &V_BSTR(v); }
  static Type* RefOf(VARIANT* v) { return V_BSTRREF(v); }
};
template <>
struct VtSlot<VT_I4> {
  using Type = LONG;
  static Type* Of(VARIANT* v) { return &V_I4(v); }
  static Type* RefOf(VARIANT* v) { return V_I4REF(v); }
};
template <>
struct VtSlot<VT_BOOL> {
  using Type = VARIANT_BOOL;
  static Type* Of(VARIANT* v) { return &V_BOOL(v); }
  static Type* RefOf(VARIANT* v) { return V_BOOLREF(v); }
};
template <>
struct VtSlot<VT_UI1> {
  using Type = unsigned char;
  static Type* Of(VARIANT* v) { return &V_UI1(v); }
  static Type* RefOf(VARIANT* v) { return V_UI1REF(v); }
};
template <>
struct VtSlot<VT_DISPATCH> {
  using Type = IDispatch*;
  static Type* Of(VARIANT* v) { return &V_DISPATCH(v); }
  static Type* RefOf(VARIANT* v) { return V_DISPATCHREF(v); }
};

// Converts Vt from VARIANT `from` into `to` (cleared first) with the automation rules; raises
// DispatchFailure with DISP_E_TYPEMISMATCH (or the conversion's own code) on failure.
void ChangeType(VARIANT* to, const VARIANT* from, VARTYPE vt, UINT argIndex);

// One [in, out] argument of a vtable call made from Invoke.
template <VARTYPE Vt>
class InOutArg {
 public:
  using Type = typename VtSlot<Vt>::Type;

  // A required argument.
  InOutArg(const DispatchArgs& args, UINT position) : InOutArg(args, position, std::nullopt) {}
  // An optional one with its default (a Long converted to the slot's type; a BSTR slot's
  // default is always the empty text and the number is not looked at).
  InOutArg(const DispatchArgs& args, UINT position, LONG defaultValue)
      : InOutArg(args, position, std::optional<LONG>(defaultValue)) {}
  InOutArg(const InOutArg&) = delete;
  InOutArg& operator=(const InOutArg&) = delete;

  Type* Slot() { return mSlot; }
  // After a successful call: the value goes back into a VARIANT passed by reference.
  void WriteBack() {
    if (mTarget != nullptr) {
      VariantCopy(mTarget, &mLocal);
    }
  }

 private:
  InOutArg(const DispatchArgs& args, UINT position, std::optional<LONG> defaultValue) {
    VARIANT* arg = args.Get(position);
    if (arg == nullptr) {
      if (!defaultValue) {
        throw DispatchFailure{DISP_E_PARAMNOTFOUND, args.IndexOf(position)};
      }
      if constexpr (Vt == VT_BSTR) {
        // A null BSTR is the empty text, the only text default of the interface.
        V_VT(mLocal.Get()) = VT_BSTR;
        V_BSTR(mLocal.Get()) = nullptr;
        mSlot = VtSlot<Vt>::Of(mLocal.Get());
        return;
      }
      VARIANT number;
      VariantInit(&number);
      V_VT(&number) = VT_I4;
      V_I4(&number) = *defaultValue;
      ChangeType(mLocal.Get(), &number, Vt, args.IndexOf(position));
      mSlot = VtSlot<Vt>::Of(mLocal.Get());
      return;
    }
    if (V_VT(arg) == (VT_BYREF | Vt)) {
      mSlot = VtSlot<Vt>::RefOf(arg);  // the caller's own slot: written in place
      return;
    }
    if (V_VT(arg) == (VT_BYREF | VT_VARIANT)) {
      mTarget = V_VARIANTREF(arg);
    }
    ChangeType(mLocal.Get(), Deref(arg), Vt, args.IndexOf(position));
    mSlot = VtSlot<Vt>::Of(mLocal.Get());
  }

  VariantValue mLocal;
  Type* mSlot = nullptr;
  VARIANT* mTarget = nullptr;
};

// An optional VARIANT argument passed on as VARIANT*: omitted gives VT_ERROR
// DISP_E_PARAMNOTFOUND, as a caller that leaves it out passes it.
class VariantArg {
 public:
  VariantArg(const DispatchArgs& args, UINT position);
  VARIANT* Slot() { return mLocal.Get(); }

 private:
  VariantValue mLocal;
};

// Results of a vtable call, into Invoke's pVarResult (which may be null).
void SetResultBool(VARIANT* result, VARIANT_BOOL value);
void SetResultLong(VARIANT* result, LONG value);
void SetResultBstr(VARIANT* result, BSTR value);            // takes the BSTR
void SetResultDispatch(VARIANT* result, IDispatch* value);  // takes the reference
void SetResultUnknown(VARIANT* result, IUnknown* value);    // takes the reference

// Sets IErrorInfo for an automation error and gives its failure code.
HRESULT ReportAutomationError(const automation::AutomationError& error, REFIID iid);
// Sets IErrorInfo with an explicit code and text.
HRESULT ReportError(HRESULT code, std::wstring_view description, std::wstring_view source,
                    REFIID iid);

// Runs a member body, turning what it raises into a failure code with IErrorInfo set.
template <class Body>
HRESULT CallGuarded(REFIID iid, Body&& body) noexcept {
  try {
    SetErrorInfo(0, nullptr);
    body();
    return S_OK;
  } catch (const automation::AutomationError& error) {
    return ReportAutomationError(error, iid);
  } catch (const DispatchFailure& failure) {
    return failure.mResult;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& error) {
    return ReportError(E_FAIL, Utf8ToWide(error.what()), L"Ravelin", iid);
  }
}

// After a vtable call failed with `code` inside Invoke: fills the EXCEPINFO from the thread's
// IErrorInfo (or from the code alone) and gives DISP_E_EXCEPTION.
HRESULT DispatchException(HRESULT code, EXCEPINFO* excepInfo);

// Runs an Invoke body: DispatchFailure becomes its code (with *argErr set), a member's failure
// HRESULT becomes DISP_E_EXCEPTION with the EXCEPINFO filled.
template <class Body>
HRESULT InvokeGuarded(EXCEPINFO* excepInfo, UINT* argErr, Body&& body) noexcept {
  try {
    const HRESULT hr = body();
    if (FAILED(hr)) {
      switch (hr) {
        case DISP_E_MEMBERNOTFOUND:
        case DISP_E_PARAMNOTFOUND:
        case DISP_E_TYPEMISMATCH:
        case DISP_E_BADPARAMCOUNT:
        case DISP_E_BADVARTYPE:
        case DISP_E_OVERFLOW:
        case DISP_E_NONAMEDARGS:
        case DISP_E_UNKNOWNNAME:
          return hr;
        default:
          return DispatchException(hr, excepInfo);
      }
    }
    return hr;
  } catch (const DispatchFailure& failure) {
    if (argErr != nullptr) {
      *argErr = failure.mArgument;
    }
    return failure.mResult;
  } catch (const automation::AutomationError& error) {
    return DispatchException(ReportAutomationError(error, IID_NULL), excepInfo);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception&) {
    return E_FAIL;
  }
}

}  // namespace vod::com
