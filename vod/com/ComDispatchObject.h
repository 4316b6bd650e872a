// DispatchObject: what the server's collection and DAO objects share: IUnknown over the
// interfaces a class lists, a hand-written IDispatch over its member table (ComDispatch.h),
// ISupportErrorInfo, and IRavelinInner for objects that wrap a stand-in object a host may pass
// back to Base.
//
// A derived class names its interfaces (the most derived first; each must be a prefix of the
// vtable it implements), its error source ("DAO.Recordset") and its members, and decodes
// Invoke's arguments into calls of its own vtable members, so both routes run the same code.
// A member the class has no counterpart of calls NotSupported: DAO's error 3251. Through
// IDispatch such members are listed by UnsupportedNames and reach NotSupported directly.
//
// Ownership: COM reference counting (ComObject). Apartment-threaded: used on the creating
// thread only.
#pragma once

// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <oleauto.h>
// The DAO interfaces as mingw-w64 declares them; included here, after the automation headers
// it builds on.
#include <dbdaoint.h>

#include <initializer_list>
#include <span>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Object.h"
#include "vod/com/ComConvert.h"
#include "vod/com/ComDispatch.h"
#include "vod/com/ComSupport.h"

namespace vod::com {

// DAO's "Operation is not supported for this type of object."
inline constexpr long kDaoErrNotSupported = 3251;

inline void ClearOut(BSTR* out) {
  if (out != nullptr) {
    *out = nullptr;
  }
}
inline void ClearOut(VARIANT* out) {
  if (out != nullptr) {
    VariantInit(out);
  }
}
template <class T>
void ClearOut(T** out) {
  if (out != nullptr) {
    *out = nullptr;
  }
}

template <class Interface>
class DispatchObject : public ComObject<Interface, IRavelinInner, ISupportErrorInfo> {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || Implements(iid)) {
      *object = static_cast<Interface*>(this);
    } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
      *object = static_cast<ISupportErrorInfo*>(this);
    } else if (IsEqualIID(iid, IID_IRavelinInner) && GetInner() != nullptr) {
      *object = static_cast<IRavelinInner*>(this);
    } else {
      return E_NOINTERFACE;
    }
    this->AddRef();
    return S_OK;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) {
      return E_POINTER;
    }
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) {
      *info = nullptr;
    }
    return DISP_E_BADINDEX;
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!IsEqualIID(iid, IID_NULL)) {
      return DISP_E_UNKNOWNINTERFACE;
    }
    const HRESULT hr = LookupDispatchNames(Names(), names, count, ids);
    if (hr == DISP_E_UNKNOWNNAME && ids[0] == DISPID_UNKNOWN) {
      return LookupUnsupportedNames(UnsupportedNames(), names, count, ids);
    }
    return hr;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excepInfo, UINT* argErr) override {
    if (!IsEqualIID(iid, IID_NULL)) {
      return DISP_E_UNKNOWNINTERFACE;
    }
    if (result != nullptr) {
      VariantInit(result);
    }
    return InvokeGuarded(excepInfo, argErr, [&] {
      if (const UnsupportedName* member = FindUnsupported(UnsupportedNames(), id)) {
        return Reaches(*member, flags) ? NotSupported() : DISP_E_MEMBERNOTFOUND;
      }
      DispatchArgs args(params, flags);
      return InvokeMember(id, args, result);
    });
  }
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return Implements(iid) ? S_OK : S_FALSE;
  }
  // The stand-in object a host may hand back to Base; null for objects that wrap none.
  automation::Object* STDMETHODCALLTYPE GetInner() override { return nullptr; }

 protected:
  DispatchObject() = default;

  // The interfaces this object implements besides IUnknown and IDispatch.
  virtual std::span<const IID* const> Interfaces() const = 0;
  virtual const wchar_t* Source() const = 0;
  virtual std::span<const DispatchName> Names() const = 0;
  virtual HRESULT InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) = 0;
  // The interface's members the object has no counterpart of: reached by name, they fail with
  // NotSupported as their vtable slots do.
  virtual std::span<const UnsupportedName> UnsupportedNames() const { return {}; }

  // A member body run with the object's errors reported through IErrorInfo.
  template <class Body>
  HRESULT Guard(Body&& body) noexcept {
    return CallGuarded(*Interfaces().front(), std::forward<Body>(body));
  }
  HRESULT NotSupported() noexcept {
    return ReportError(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, kDaoErrNotSupported),
                       L"Operation is not supported for this type of object.", Source(),
                       *Interfaces().front());
  }

 private:
  bool Implements(REFIID iid) const {
    for (const IID* known : Interfaces()) {
      if (IsEqualIID(iid, *known)) {
        return true;
      }
    }
    return false;
  }
};

}  // namespace vod::com
