#include "vod/com/ComDispatch.h"

namespace vod::com {

bool NamesEqual(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

HRESULT LookupDispatchNames(std::span<const DispatchName> members, LPOLESTR* names, UINT count,
                            DISPID* ids) {
  if (count == 0) {
    return S_OK;
  }
  if (names == nullptr || ids == nullptr) {
    return E_POINTER;
  }
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
  }
  const DispatchName* found = nullptr;
  for (const auto& member : members) {
    if (names[0] != nullptr && NamesEqual(member.mName, names[0])) {
      found = &member;
      break;
    }
  }
  if (found == nullptr) {
    return DISP_E_UNKNOWNNAME;
  }
  ids[0] = found->mId;
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    std::wstring_view rest = found->mParameters;
    DISPID position = 0;
    while (!rest.empty()) {
      const auto comma = rest.find(L',');
      const std::wstring_view parameter = rest.substr(0, comma);
      if (names[i] != nullptr && NamesEqual(parameter, names[i])) {
        ids[i] = position;
        break;
      }
      rest = comma == std::wstring_view::npos ? std::wstring_view() : rest.substr(comma + 1);
      ++position;
    }
    if (ids[i] == DISPID_UNKNOWN) {
      hr = DISP_E_UNKNOWNNAME;
    }
  }
  return hr;
}

HRESULT LookupUnsupportedNames(std::span<const UnsupportedName> members, LPOLESTR* names,
                               UINT count, DISPID* ids) {
  if (count == 0) {
    return S_OK;
  }
  if (names == nullptr || ids == nullptr) {
    return E_POINTER;
  }
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (names[0] != nullptr && NamesEqual(members[i].mName, names[0])) {
      ids[0] = kFirstUnsupportedId + static_cast<DISPID>(i);
      for (UINT j = 1; j < count; ++j) {
        ids[j] = static_cast<DISPID>(j - 1);
      }
      return S_OK;
    }
  }
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
  }
  return DISP_E_UNKNOWNNAME;
}

const UnsupportedName* FindUnsupported(std::span<const UnsupportedName> members, DISPID id) {
  if (id < kFirstUnsupportedId ||
      static_cast<std::size_t>(id - kFirstUnsupportedId) >= members.size()) {
    return nullptr;
  }
  return &members[static_cast<std::size_t>(id - kFirstUnsupportedId)];
}

bool Reaches(const UnsupportedName& member, WORD flags) {
  if ((flags & DISPATCH_PROPERTYPUTREF) != 0) {
    return member.mAccess == MemberAccess::kReadSetRef;
  }
  if ((flags & DISPATCH_PROPERTYPUT) != 0) {
    return member.mAccess == MemberAccess::kReadWrite;
  }
  return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;
}

bool IsOmitted(const VARIANT* value) {
  if (value == nullptr) {
    return true;
  }
  if (V_VT(value) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(value) != nullptr) {
    value = V_VARIANTREF(value);
  }
  return V_VT(value) == VT_ERROR && V_ERROR(value) == DISP_E_PARAMNOTFOUND;
}

VARIANT* Deref(VARIANT* value) {
  if (value != nullptr && V_VT(value) == (VT_BYREF | VT_VARIANT) &&
      V_VARIANTREF(value) != nullptr) {
    return V_VARIANTREF(value);
  }
  return value;
}

DispatchArgs::DispatchArgs(DISPPARAMS* params, WORD flags) : mParams(params), mFlags(flags) {
  if (mParams == nullptr) {
    throw DispatchFailure{E_INVALIDARG, 0};
  }
  if (mParams->cArgs > 0 && mParams->rgvarg == nullptr) {
    throw DispatchFailure{E_INVALIDARG, 0};
  }
  if (mParams->cNamedArgs > mParams->cArgs ||
      (mParams->cNamedArgs > 0 && mParams->rgdispidNamedArgs == nullptr)) {
    throw DispatchFailure{E_INVALIDARG, 0};
  }
  mPositional = mParams->cArgs - mParams->cNamedArgs;
  for (UINT i = 0; i < mParams->cNamedArgs; ++i) {
    if (mParams->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) {
      mPutValue = &mParams->rgvarg[i];
    }
  }
  // A put without the named put value passes it as the last positional argument.
  if (IsPut() && mPutValue == nullptr && mPositional > 0) {
    mPutValue = &mParams->rgvarg[0];
  }
}

VARIANT* DispatchArgs::Get(UINT position) const {
  VARIANT* value = nullptr;
  const UINT positional = mPutValue != nullptr && mParams->cNamedArgs == 0 && mPositional > 0
                              ? mPositional - 1
                              : mPositional;
  if (position < positional) {
    value = &mParams->rgvarg[mParams->cArgs - 1 - position];
  } else {
    for (UINT i = 0; i < mParams->cNamedArgs; ++i) {
      if (mParams->rgdispidNamedArgs[i] == static_cast<DISPID>(position)) {
        value = &mParams->rgvarg[i];
        break;
      }
    }
  }
  return IsOmitted(value) ? nullptr : value;
}

VARIANT* DispatchArgs::Require(UINT position) const {
  VARIANT* value = Get(position);
  if (value == nullptr) {
    throw DispatchFailure{DISP_E_PARAMNOTFOUND, IndexOf(position)};
  }
  return value;
}

VARIANT* DispatchArgs::PutValue() const {
  if (mPutValue == nullptr) {
    throw DispatchFailure{DISP_E_PARAMNOTFOUND, 0};
  }
  return mPutValue;
}

void DispatchArgs::CheckCount(UINT maxCount) const {
  const UINT given = mParams->cArgs - (mPutValue != nullptr ? 1 : 0);
  if (given > maxCount) {
    throw DispatchFailure{DISP_E_BADPARAMCOUNT, 0};
  }
  for (UINT i = 0; i < mParams->cNamedArgs; ++i) {
    const DISPID id = mParams->rgdispidNamedArgs[i];
    if (id != DISPID_PROPERTYPUT && (id < 0 || static_cast<UINT>(id) >= maxCount)) {
      throw DispatchFailure{DISP_E_PARAMNOTFOUND, i};
    }
  }
}

UINT DispatchArgs::IndexOf(UINT position) const {
  if (position < mPositional) {
    return mParams->cArgs - 1 - position;
  }
  for (UINT i = 0; i < mParams->cNamedArgs; ++i) {
    if (mParams->rgdispidNamedArgs[i] == static_cast<DISPID>(position)) {
      return i;
    }
  }
  return 0;
}

void ChangeType(VARIANT* to, const VARIANT* from, VARTYPE vt, UINT argIndex) {
  VariantClear(to);
  const HRESULT hr = VariantChangeType(to, const_cast<VARIANT*>(from), 0, vt);
  if (FAILED(hr)) {
    throw DispatchFailure{hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH, argIndex};
  }
}

VariantArg::VariantArg(const DispatchArgs& args, UINT position) {
  VARIANT* arg = args.Get(position);
  if (arg == nullptr) {
    V_VT(mLocal.Get()) = VT_ERROR;
    V_ERROR(mLocal.Get()) = DISP_E_PARAMNOTFOUND;
    return;
  }
  const HRESULT hr = VariantCopyInd(mLocal.Get(), arg);
  if (FAILED(hr)) {
    throw DispatchFailure{hr, args.IndexOf(position)};
  }
}

void SetResultBool(VARIANT* result, VARIANT_BOOL value) {
  if (result != nullptr) {
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value;
  }
}

void SetResultLong(VARIANT* result, LONG value) {
  if (result != nullptr) {
    V_VT(result) = VT_I4;
    V_I4(result) = value;
  }
}

void SetResultBstr(VARIANT* result, BSTR value) {
  if (result != nullptr) {
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = value;
  } else {
    SysFreeString(value);
  }
}

void SetResultDispatch(VARIANT* result, IDispatch* value) {
  if (result != nullptr) {
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = value;
  } else if (value != nullptr) {
    value->Release();
  }
}

void SetResultUnknown(VARIANT* result, IUnknown* value) {
  if (result != nullptr) {
    V_VT(result) = VT_UNKNOWN;
    V_UNKNOWN(result) = value;
  } else if (value != nullptr) {
    value->Release();
  }
}

HRESULT ReportError(HRESULT code, std::wstring_view description, std::wstring_view source,
                    REFIID iid) {
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.Receive()))) {
    const std::wstring descriptionText(description);
    const std::wstring sourceText(source);
    create->SetGUID(iid);
    create->SetDescription(const_cast<LPOLESTR>(descriptionText.c_str()));
    create->SetSource(const_cast<LPOLESTR>(sourceText.c_str()));
    if (auto info = create.As<IErrorInfo>(IID_IErrorInfo)) {
      SetErrorInfo(0, info.Get());
    }
  }
  return code;
}

HRESULT ReportAutomationError(const automation::AutomationError& error, REFIID iid) {
  const std::string& source = error.GetSource();
  return ReportError(static_cast<HRESULT>(error.GetHResult()), Utf8ToWide(error.GetDescription()),
                     source.empty() ? std::wstring(L"Ravelin") : Utf8ToWide(source), iid);
}

HRESULT DispatchException(HRESULT code, EXCEPINFO* excepInfo) {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.Receive()) != S_OK) {
    info.Reset();
  }
  if (excepInfo == nullptr) {
    return DISP_E_EXCEPTION;
  }
  *excepInfo = EXCEPINFO{};
  excepInfo->scode = code;
  if (info) {
    info->GetSource(&excepInfo->bstrSource);
    info->GetDescription(&excepInfo->bstrDescription);
    info->GetHelpFile(&excepInfo->bstrHelpFile);
    info->GetHelpContext(&excepInfo->dwHelpContext);
    // Put back for callers that ask IErrorInfo after Invoke.
    SetErrorInfo(0, info.Get());
  }
  return DISP_E_EXCEPTION;
}

}  // namespace vod::com
