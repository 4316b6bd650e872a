// ComObjects: the dispatch objects the Ravelin server hands to hosts besides Base itself:
// the runtime's Collection (with its IEnumVARIANT), DAO's Database, Recordset and Field, and
// the connection component BaseLink. Each wraps the stand-in object that vod::Base works on
// and converts and forwards; none keeps logic of its own.
//
// Members (DISPIDs in brackets; names match without regard to case):
// - Collection: Item [0, default] (error 9 for a bad index), Add [1] (item only; no keys),
//   Count [2], Remove [3], _NewEnum [-4]. It answers the runtime's _Collection interface id.
// - Recordset: Fields [0, default]: get with a column name gives a Field, put with a name and a
//   value writes the column; BOF [1], EOF [2], MoveFirst [3], MoveLast [4], MoveNext [5],
//   MovePrevious [6], RecordCount [7], AddNew [8], Edit [9], Update [10], CancelUpdate [11],
//   Close [12], EditMode [13], Updatable [14], Type [15]. It answers DAO's Recordset id.
// - Field: Value [0, default] get and put, Name [1].
// - Database: OpenRecordset [1] (Name, Type = dbOpenDynaset), Execute [2] (Query), Close [3],
//   Name [4], RecordsAffected [5].
// - BaseLink: the vtable _BaseLink (BaseLink.idl) and the same members by IDispatch [1..7].
// Errors are DAO's and the runtime's, through IErrorInfo and EXCEPINFO (ComDispatch.h).
//
// Ownership: COM reference counting; each object holds a reference to what it wraps, and a
// Field holds its Recordset. Objects are apartment-threaded: used on the creating thread only.
#pragma once

// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <oleauto.h>

#include <span>

#include "BaseLink_h.h"
#include "platform/automation/Collection.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "platform/dao/Recordset.h"
#include "vod/com/ComConvert.h"
#include "vod/com/ComDispatch.h"
#include "vod/com/ComSupport.h"

namespace vod::com {

// {E771D59A-B95D-4B43-AE1C-916A86A6D530}
inline constexpr GUID CLSID_BaseLink = {
    0xe771d59a, 0xb95d, 0x4b43, {0xae, 0x1c, 0x91, 0x6a, 0x86, 0xa6, 0xd5, 0x30}};

// IUnknown, IDispatch and IRavelinInner over one automation object, with the members of the
// derived class.
template <class Inner>
class DispatchObject : public IDispatch, public IRavelinInner {
 public:
  explicit DispatchObject(automation::ObjectPtr<Inner> inner) : mInner(std::move(inner)) {}
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || HasInterface(iid)) {
      *object = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IRavelinInner)) {
      *object = static_cast<IRavelinInner*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return mRefs.Add(); }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = mRefs.Drop();
    if (left == 0) {
      delete this;
    }
    return left;
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
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return LookupDispatchNames(Names(), names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excepInfo, UINT* argErr) override {
    if (result != nullptr) {
      VariantInit(result);
    }
    return InvokeGuarded(excepInfo, argErr, [&] {
      SetErrorInfo(0, nullptr);
      DispatchArgs args(params, flags);
      return InvokeMember(id, args, result);
    });
  }
  automation::Object* STDMETHODCALLTYPE GetInner() override { return mInner.Get(); }

 protected:
  virtual ~DispatchObject() = default;
  virtual std::span<const DispatchName> Names() const = 0;
  virtual HRESULT InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) = 0;
  virtual bool HasInterface(REFIID) const { return false; }

  automation::ObjectPtr<Inner> mInner;

 private:
  ComRefCount mRefs;
  ComObjectCount mCount;
};

class ComCollection final : public DispatchObject<automation::Collection> {
 public:
  using DispatchObject::DispatchObject;
  static ComPtr<IDispatch> Create(automation::CollectionPtr collection);

 protected:
  std::span<const DispatchName> Names() const override;
  HRESULT InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) override;
  bool HasInterface(REFIID iid) const override;
};

// IEnumVARIANT over a Collection, live: items added while it walks are reached too.
class ComEnumVariant final : public IEnumVARIANT {
 public:
  ComEnumVariant(automation::CollectionPtr collection, std::int32_t next);
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Next(ULONG count, VARIANT* items, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumVARIANT** copy) override;

 private:
  ~ComEnumVariant() = default;
  automation::CollectionPtr mCollection;
  std::int32_t mNext;  // one-based index of the next item
  ComRefCount mRefs;
  ComObjectCount mCount;
};

class ComRecordset final : public DispatchObject<dao::Recordset> {
 public:
  using DispatchObject::DispatchObject;
  static ComPtr<IDispatch> Create(dao::RecordsetPtr recordset);

 protected:
  std::span<const DispatchName> Names() const override;
  HRESULT InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) override;
  bool HasInterface(REFIID iid) const override;
};

// One column of a Recordset's current row, by name.
class ComField final : public DispatchObject<dao::Recordset> {
 public:
  ComField(dao::RecordsetPtr recordset, std::string name);

 protected:
  std::span<const DispatchName> Names() const override;
  HRESULT InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) override;

 private:
  std::string mName;
};

class ComDatabase final : public DispatchObject<dao::Database> {
 public:
  using DispatchObject::DispatchObject;
  static ComPtr<IDispatch> Create(dao::DatabasePtr database);

 protected:
  std::span<const DispatchName> Names() const override;
  HRESULT InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) override;
};

class ComBaseLink final : public _BaseLink, public IRavelinInner {
 public:
  explicit ComBaseLink(dao::BaseLinkPtr link);
  static ComPtr<_BaseLink> Create(dao::BaseLinkPtr link);

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

  STDMETHODIMP CreateBase(BSTR path, BSTR password, VARIANT_BOOL* result) override;
  STDMETHODIMP BaseDatabase(IDispatch** result) override;
  STDMETHODIMP GetBasePath(BSTR* result) override;
  STDMETHODIMP IsOpen(VARIANT_BOOL* result) override;
  STDMETHODIMP CloseBase() override;
  STDMETHODIMP ExecuteSQL(BSTR sql, VARIANT_BOOL* result) override;
  STDMETHODIMP OpenBase(BSTR path, BSTR* password, VARIANT_BOOL* readOnly,
                        VARIANT_BOOL* result) override;

  automation::Object* STDMETHODCALLTYPE GetInner() override { return mLink.Get(); }

 private:
  ~ComBaseLink() = default;
  dao::BaseLinkPtr mLink;
  ComRefCount mRefs;
  ComObjectCount mCount;
};

// A link a host built itself, seen through the stand-in's interface so vod::Base can use it.
// BaseDatabase gives the database only when the host's link hands out one of this server's
// Database objects; otherwise Nothing, and the data members fail as without an open database.
class ForeignBaseLink final : public dao::BaseLink {
 public:
  explicit ForeignBaseLink(ComPtr<_BaseLink> link) : mLink(std::move(link)) {}
  bool CreateBase(const std::string& path, const std::string& password,
                  std::string_view schemaSql) override;
  dao::DatabasePtr BaseDatabase() override;
  std::string GetBasePath() const override;
  bool IsOpen() const override;
  void CloseBase() override;
  bool ExecuteSQL(std::string sql) override;
  bool OpenBase(std::string path, std::string& password, bool& readOnly) override;
  std::string GetLastError() const override;
  const ComPtr<_BaseLink>& Get() const { return mLink; }

 private:
  ~ForeignBaseLink() override = default;
  ComPtr<_BaseLink> mLink;
};

// VARIANT_BOOL of a bool.
inline VARIANT_BOOL ToVariantBool(bool value) {
  return value ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace vod::com
