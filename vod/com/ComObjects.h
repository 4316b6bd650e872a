// ComObjects: the objects the Ravelin server hands to hosts besides Base itself: the runtime's
// Collection (with its IEnumVARIANT), DAO's Database, Recordset, Fields and Field, and the
// connection component BaseLink. Each wraps the stand-in object that vod::Base works on and
// converts and forwards; none keeps logic of its own.
//
// Early binding: each object implements the vtable a compiled host calls.
// - Collection: the runtime's dual _Collection (Ravelin.idl, in the runtime's order): Item
//   [DISPID 0] (error 9 for a bad index), Add [1] (item only; the store's collections carry no
//   keys, so a key or a position gives error 5), Count [2], Remove [3], _NewEnum [-4].
// - Database, Recordset, Fields, Field: DAO 3.6's DAODatabase, DAORecordset, DAOFields and
//   DAOField with the vtables of mingw-w64's dbdaoint.h (their Unicode interface ids, as DAO
//   3.6 registers them). What the store supports works (docs/com.md lists it); every other
//   member fails with DAO's error 3251 (ComDaoMembers.h).
// IDispatch on every object decodes its arguments and calls the same vtable members; a put on
// a member that has none, or a method called as a put, gives DISP_E_MEMBERNOTFOUND.
// - BaseLink: the vtable _BaseLink (BaseLink.idl) and the same members by IDispatch [1..7].
// Errors are DAO's and the runtime's, through IErrorInfo and EXCEPINFO (ComDispatch.h).
//
// Ownership: COM reference counting; each object holds a reference to what it wraps, and a
// Fields or Field object holds its Recordset. Objects are apartment-threaded: used on the
// creating thread only.
#pragma once

// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <oleauto.h>

#include <span>
#include <string>
#include <vector>

#include "BaseLink_h.h"
#include "Ravelin_h.h"
#include "platform/automation/Collection.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "platform/dao/Recordset.h"
#include "vod/com/ComConvert.h"
#include "vod/com/ComDaoMembers.h"
#include "vod/com/ComDispatch.h"
#include "vod/com/ComDispatchObject.h"
#include "vod/com/ComSupport.h"

namespace vod::com {

// {E771D59A-B95D-4B43-AE1C-916A86A6D530}
inline constexpr GUID CLSID_BaseLink = {
    0xe771d59a, 0xb95d, 0x4b43, {0xae, 0x1c, 0x91, 0x6a, 0x86, 0xa6, 0xd5, 0x30}};

// DAO 3.6's interface ids (dbdaoid.h's ...W ids).
inline constexpr GUID kIidDaoDatabase = {
    0x00000071, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};
inline constexpr GUID kIidDaoRecordset = {
    0x00000031, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};
inline constexpr GUID kIidDaoField = {
    0x00000051, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};
inline constexpr GUID kIidDaoFields = {
    0x00000053, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};

class ComCollection final : public DispatchObject<_Collection> {
 public:
  static ComPtr<_Collection> Create(automation::CollectionPtr collection);

  STDMETHODIMP Item(VARIANT* Index, VARIANT* pvarRet) override;
  STDMETHODIMP Add(VARIANT* Item, VARIANT* Key, VARIANT* Before, VARIANT* After) override;
  STDMETHODIMP Count(LONG* pi4) override;
  STDMETHODIMP Remove(VARIANT* Index) override;
  STDMETHODIMP _NewEnum(IUnknown** ppunk) override;
  automation::Object* STDMETHODCALLTYPE GetInner() override { return mInner.Get(); }

 protected:
  std::span<const IID* const> Interfaces() const override;
  const wchar_t* Source() const override { return L"VBA.Collection"; }
  std::span<const DispatchName> Names() const override;
  HRESULT InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) override;

 private:
  explicit ComCollection(automation::CollectionPtr collection) : mInner(std::move(collection)) {}
  automation::CollectionPtr mInner;
};

// IEnumVARIANT over a Collection, live: items added while it walks are reached too.
class ComEnumVariant final : public ComObject<IEnumVARIANT> {
 public:
  ComEnumVariant(automation::CollectionPtr collection, std::int32_t next);
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP Next(ULONG count, VARIANT* items, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumVARIANT** copy) override;

 private:
  automation::CollectionPtr mCollection;
  std::int32_t mNext;  // one-based index of the next item
};

class ComRecordset final : public RecordsetMembers {
 public:
  static ComPtr<DAORecordset> Create(dao::RecordsetPtr recordset);

  STDMETHODIMP get_BOF(VARIANT_BOOL* pb) override;
  STDMETHODIMP get_EOF(VARIANT_BOOL* pb) override;
  STDMETHODIMP get_Type(short* ps) override;
  STDMETHODIMP get_RecordCount(LONG* pl) override;
  STDMETHODIMP get_Updatable(VARIANT_BOOL* pb) override;
  STDMETHODIMP get_EditMode(short* pi) override;
  STDMETHODIMP get_Fields(DAOFields** ppflds) override;
  STDMETHODIMP _30_CancelUpdate() override;
  STDMETHODIMP AddNew() override;
  STDMETHODIMP Close() override;
  STDMETHODIMP Edit() override;
  STDMETHODIMP MoveFirst() override;
  STDMETHODIMP _30_MoveLast() override;
  STDMETHODIMP MoveNext() override;
  STDMETHODIMP MovePrevious() override;
  STDMETHODIMP _30_Update() override;
  STDMETHODIMP get_Collect(VARIANT Item, VARIANT* pvar) override;
  STDMETHODIMP put_Collect(VARIANT Item, VARIANT value) override;
  STDMETHODIMP CancelUpdate(LONG UpdateType) override;
  STDMETHODIMP Update(LONG UpdateType, VARIANT_BOOL Force) override;
  STDMETHODIMP MoveLast(LONG Options) override;
  automation::Object* STDMETHODCALLTYPE GetInner() override { return mInner.Get(); }

 protected:
  std::span<const IID* const> Interfaces() const override;
  const wchar_t* Source() const override { return L"DAO.Recordset"; }
  std::span<const DispatchName> Names() const override;
  HRESULT InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) override;

 private:
  explicit ComRecordset(dao::RecordsetPtr recordset) : mInner(std::move(recordset)) {}
  dao::RecordsetPtr mInner;
};

// The columns of a Recordset: by name, or by zero-based position as DAO counts them.
class ComFields final : public DispatchObject<DAOFields> {
 public:
  static ComPtr<DAOFields> Create(dao::RecordsetPtr recordset);

  STDMETHODIMP get_Count(short* c) override;
  STDMETHODIMP _NewEnum(IUnknown** ppunk) override;
  STDMETHODIMP Refresh() override { return NotSupported(); }
  STDMETHODIMP Append(IDispatch*) override { return NotSupported(); }
  STDMETHODIMP Delete(BSTR) override { return NotSupported(); }
  STDMETHODIMP get_Item(VARIANT Item, DAOField** ppfld) override;

 protected:
  std::span<const IID* const> Interfaces() const override;
  const wchar_t* Source() const override { return L"DAO.Fields"; }
  std::span<const DispatchName> Names() const override;
  HRESULT InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) override;

 private:
  explicit ComFields(dao::RecordsetPtr recordset) : mInner(std::move(recordset)) {}
  dao::RecordsetPtr mInner;
};

// One column of a Recordset's current row.
class ComField final : public FieldMembers {
 public:
  static ComPtr<DAOField> Create(dao::RecordsetPtr recordset, std::string name);

  STDMETHODIMP get_Name(BSTR* pbstr) override;
  STDMETHODIMP get_Value(VARIANT* pvar) override;
  STDMETHODIMP put_Value(VARIANT Val) override;

 protected:
  std::span<const IID* const> Interfaces() const override;
  const wchar_t* Source() const override { return L"DAO.Field"; }
  std::span<const DispatchName> Names() const override;
  HRESULT InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) override;

 private:
  ComField(dao::RecordsetPtr recordset, std::string name)
      : mInner(std::move(recordset)), mName(std::move(name)) {}
  dao::RecordsetPtr mInner;
  std::string mName;
};

class ComDatabase final : public DatabaseMembers {
 public:
  static ComPtr<DAODatabase> Create(dao::DatabasePtr database);

  STDMETHODIMP get_Name(BSTR* pbstr) override;
  STDMETHODIMP get_RecordsAffected(LONG* pl) override;
  STDMETHODIMP Close() override;
  STDMETHODIMP Execute(BSTR Query, VARIANT Options) override;
  STDMETHODIMP _30_OpenRecordset(BSTR Name, VARIANT Type, VARIANT Options,
                                 DAORecordset** pprst) override;
  STDMETHODIMP BeginTrans() override;
  STDMETHODIMP CommitTrans(LONG Options) override;
  STDMETHODIMP Rollback() override;
  STDMETHODIMP OpenRecordset(BSTR Name, VARIANT Type, VARIANT Options, VARIANT LockEdit,
                             DAORecordset** pprst) override;
  automation::Object* STDMETHODCALLTYPE GetInner() override { return mInner.Get(); }

 protected:
  std::span<const IID* const> Interfaces() const override;
  const wchar_t* Source() const override { return L"DAO.Database"; }
  std::span<const DispatchName> Names() const override;
  HRESULT InvokeMember(DISPID id, DispatchArgs& args, VARIANT* result) override;

 private:
  explicit ComDatabase(dao::DatabasePtr database) : mInner(std::move(database)) {}
  dao::DatabasePtr mInner;
};

class ComBaseLink final : public ComObject<_BaseLink, IRavelinInner, ISupportErrorInfo> {
 public:
  static ComPtr<_BaseLink> Create(dao::BaseLinkPtr link);

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
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

  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;
  automation::Object* STDMETHODCALLTYPE GetInner() override { return mLink.Get(); }

 private:
  explicit ComBaseLink(dao::BaseLinkPtr link) : mLink(std::move(link)) {}
  dao::BaseLinkPtr mLink;
};

// A link a host built itself, seen through the stand-in's interface so vod::Base can use it.
// Its BaseDatabase is this server's own Database when the host hands one out, and otherwise
// the host's object used through IDispatch (ForeignDatabase).
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

// A recordset or database a host made itself (DAO's own, or any object with the members the
// store uses), called late bound by name. What the host raises reaches the store's members as
// the error its EXCEPINFO carries.
dao::RecordsetPtr ForeignRecordset(ComPtr<IDispatch> recordset);
dao::DatabasePtr ForeignDatabase(ComPtr<IDispatch> database);

// VARIANT_BOOL of a bool.
inline VARIANT_BOOL ToVariantBool(bool value) {
  return value ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace vod::com
