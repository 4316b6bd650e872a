// ComDaoMembers: the members of DAO's DAODatabase, DAORecordset and DAOField interfaces
// (mingw-w64's dbdaoint.h, DAO 3.6's vtables) that the store's objects have no counterpart
// of. Each fails with DAO's error 3251 through IErrorInfo and clears its out-parameter, so a
// host that calls one gets a clean failure instead of a call past the end of a vtable; the
// tables below name them for IDispatch, which gives the same 3251 through EXCEPINFO. The
// classes in ComObjects.h derive from these and override what works.
//
// Thread-safety and ownership as in ComObjects.h.
#pragma once

#include <array>

#include "vod/com/ComDispatchObject.h"

namespace vod::com {

// The same members by name, for IDispatch (in vtable order).
inline constexpr std::array kDatabaseUnsupported = {
    UnsupportedName{L"Properties", MemberAccess::kRead},
    UnsupportedName{L"CollatingOrder", MemberAccess::kRead},
    UnsupportedName{L"Connect", MemberAccess::kReadWrite},
    UnsupportedName{L"QueryTimeout", MemberAccess::kReadWrite},
    UnsupportedName{L"Transactions", MemberAccess::kRead},
    UnsupportedName{L"Updatable", MemberAccess::kRead},
    UnsupportedName{L"Version", MemberAccess::kRead},
    UnsupportedName{L"TableDefs", MemberAccess::kRead},
    UnsupportedName{L"QueryDefs", MemberAccess::kRead},
    UnsupportedName{L"Relations", MemberAccess::kRead},
    UnsupportedName{L"Containers", MemberAccess::kRead},
    UnsupportedName{L"Recordsets", MemberAccess::kRead},
    UnsupportedName{L"CreateProperty", MemberAccess::kRead},
    UnsupportedName{L"CreateRelation", MemberAccess::kRead},
    UnsupportedName{L"CreateTableDef", MemberAccess::kRead},
    UnsupportedName{L"CreateDynaset", MemberAccess::kRead},
    UnsupportedName{L"CreateQueryDef", MemberAccess::kRead},
    UnsupportedName{L"CreateSnapshot", MemberAccess::kRead},
    UnsupportedName{L"DeleteQueryDef", MemberAccess::kRead},
    UnsupportedName{L"ExecuteSQL", MemberAccess::kRead},
    UnsupportedName{L"ListFields", MemberAccess::kRead},
    UnsupportedName{L"ListTables", MemberAccess::kRead},
    UnsupportedName{L"OpenQueryDef", MemberAccess::kRead},
    UnsupportedName{L"OpenTable", MemberAccess::kRead},
    UnsupportedName{L"ReplicaID", MemberAccess::kRead},
    UnsupportedName{L"DesignMasterID", MemberAccess::kReadWrite},
    UnsupportedName{L"Synchronize", MemberAccess::kRead},
    UnsupportedName{L"MakeReplica", MemberAccess::kRead},
    UnsupportedName{L"Connection", MemberAccess::kRead},
    UnsupportedName{L"NewPassword", MemberAccess::kRead},
    UnsupportedName{L"PopulatePartial", MemberAccess::kRead},
};
inline constexpr std::array kRecordsetUnsupported = {
    UnsupportedName{L"Properties", MemberAccess::kRead},
    UnsupportedName{L"Bookmark", MemberAccess::kReadWrite},
    UnsupportedName{L"Bookmarkable", MemberAccess::kRead},
    UnsupportedName{L"DateCreated", MemberAccess::kRead},
    UnsupportedName{L"Filter", MemberAccess::kReadWrite},
    UnsupportedName{L"Index", MemberAccess::kReadWrite},
    UnsupportedName{L"LastModified", MemberAccess::kRead},
    UnsupportedName{L"LastUpdated", MemberAccess::kRead},
    UnsupportedName{L"LockEdits", MemberAccess::kReadWrite},
    UnsupportedName{L"Name", MemberAccess::kRead},
    UnsupportedName{L"NoMatch", MemberAccess::kRead},
    UnsupportedName{L"Sort", MemberAccess::kReadWrite},
    UnsupportedName{L"Transactions", MemberAccess::kRead},
    UnsupportedName{L"Restartable", MemberAccess::kRead},
    UnsupportedName{L"ValidationText", MemberAccess::kRead},
    UnsupportedName{L"ValidationRule", MemberAccess::kRead},
    UnsupportedName{L"CacheStart", MemberAccess::kReadWrite},
    UnsupportedName{L"CacheSize", MemberAccess::kReadWrite},
    UnsupportedName{L"PercentPosition", MemberAccess::kReadWrite},
    UnsupportedName{L"AbsolutePosition", MemberAccess::kReadWrite},
    UnsupportedName{L"ODBCFetchCount", MemberAccess::kRead},
    UnsupportedName{L"ODBCFetchDelay", MemberAccess::kRead},
    UnsupportedName{L"Parent", MemberAccess::kRead},
    UnsupportedName{L"Indexes", MemberAccess::kRead},
    UnsupportedName{L"OpenRecordset", MemberAccess::kRead},
    UnsupportedName{L"Delete", MemberAccess::kRead},
    UnsupportedName{L"FindFirst", MemberAccess::kRead},
    UnsupportedName{L"FindLast", MemberAccess::kRead},
    UnsupportedName{L"FindNext", MemberAccess::kRead},
    UnsupportedName{L"FindPrevious", MemberAccess::kRead},
    UnsupportedName{L"Seek", MemberAccess::kRead},
    UnsupportedName{L"Clone", MemberAccess::kRead},
    UnsupportedName{L"Requery", MemberAccess::kRead},
    UnsupportedName{L"Move", MemberAccess::kRead},
    UnsupportedName{L"FillCache", MemberAccess::kRead},
    UnsupportedName{L"CreateDynaset", MemberAccess::kRead},
    UnsupportedName{L"CreateSnapshot", MemberAccess::kRead},
    UnsupportedName{L"CopyQueryDef", MemberAccess::kRead},
    UnsupportedName{L"ListFields", MemberAccess::kRead},
    UnsupportedName{L"ListIndexes", MemberAccess::kRead},
    UnsupportedName{L"GetRows", MemberAccess::kRead},
    UnsupportedName{L"Cancel", MemberAccess::kRead},
    UnsupportedName{L"NextRecordset", MemberAccess::kRead},
    UnsupportedName{L"hStmt", MemberAccess::kRead},
    UnsupportedName{L"StillExecuting", MemberAccess::kRead},
    UnsupportedName{L"BatchSize", MemberAccess::kReadWrite},
    UnsupportedName{L"BatchCollisionCount", MemberAccess::kRead},
    UnsupportedName{L"BatchCollisions", MemberAccess::kRead},
    UnsupportedName{L"Connection", MemberAccess::kReadSetRef},
    UnsupportedName{L"RecordStatus", MemberAccess::kRead},
    UnsupportedName{L"UpdateOptions", MemberAccess::kReadWrite},
};
inline constexpr std::array kFieldUnsupported = {
    UnsupportedName{L"Properties", MemberAccess::kRead},
    UnsupportedName{L"CollatingOrder", MemberAccess::kRead},
    UnsupportedName{L"Type", MemberAccess::kReadWrite},
    UnsupportedName{L"Size", MemberAccess::kReadWrite},
    UnsupportedName{L"SourceField", MemberAccess::kRead},
    UnsupportedName{L"SourceTable", MemberAccess::kRead},
    UnsupportedName{L"Attributes", MemberAccess::kReadWrite},
    UnsupportedName{L"OrdinalPosition", MemberAccess::kReadWrite},
    UnsupportedName{L"ValidationText", MemberAccess::kReadWrite},
    UnsupportedName{L"ValidateOnSet", MemberAccess::kReadWrite},
    UnsupportedName{L"ValidationRule", MemberAccess::kReadWrite},
    UnsupportedName{L"DefaultValue", MemberAccess::kReadWrite},
    UnsupportedName{L"Required", MemberAccess::kReadWrite},
    UnsupportedName{L"AllowZeroLength", MemberAccess::kReadWrite},
    UnsupportedName{L"DataUpdatable", MemberAccess::kRead},
    UnsupportedName{L"ForeignName", MemberAccess::kReadWrite},
    UnsupportedName{L"AppendChunk", MemberAccess::kRead},
    UnsupportedName{L"GetChunk", MemberAccess::kRead},
    UnsupportedName{L"_30_FieldSize", MemberAccess::kRead},
    UnsupportedName{L"CreateProperty", MemberAccess::kRead},
    UnsupportedName{L"CollectionIndex", MemberAccess::kRead},
    UnsupportedName{L"OriginalValue", MemberAccess::kRead},
    UnsupportedName{L"VisibleValue", MemberAccess::kRead},
    UnsupportedName{L"FieldSize", MemberAccess::kRead},
};

class DatabaseMembers : public DispatchObject<DAODatabase> {
 public:
  std::span<const UnsupportedName> UnsupportedNames() const override {
    return kDatabaseUnsupported;
  }
  STDMETHODIMP get_Properties(DAOProperties** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_CollatingOrder(LONG*) override { return NotSupported(); }
  STDMETHODIMP get_Connect(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_QueryTimeout(short*) override { return NotSupported(); }
  STDMETHODIMP put_QueryTimeout(short) override { return NotSupported(); }
  STDMETHODIMP get_Transactions(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP get_Updatable(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP get_Version(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_TableDefs(DAOTableDefs** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_QueryDefs(DAOQueryDefs** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_Relations(DAORelations** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_Containers(DAOContainers** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_Recordsets(DAORecordsets** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP CreateProperty(VARIANT, VARIANT, VARIANT, VARIANT, DAOProperty** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP CreateRelation(VARIANT, VARIANT, VARIANT, VARIANT, DAORelation** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP CreateTableDef(VARIANT, VARIANT, VARIANT, VARIANT, DAOTableDef** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP CreateDynaset(BSTR, VARIANT, VARIANT, DAORecordset** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP CreateQueryDef(VARIANT, VARIANT, DAOQueryDef** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP CreateSnapshot(BSTR, VARIANT, DAORecordset** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP DeleteQueryDef(BSTR) override { return NotSupported(); }
  STDMETHODIMP ExecuteSQL(BSTR, __LONG32*) override { return NotSupported(); }
  STDMETHODIMP ListFields(BSTR, DAORecordset** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP ListTables(DAORecordset** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP OpenQueryDef(BSTR, DAOQueryDef** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP OpenTable(BSTR, VARIANT, DAORecordset** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_ReplicaID(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_DesignMasterID(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP put_DesignMasterID(BSTR) override { return NotSupported(); }
  STDMETHODIMP Synchronize(BSTR, VARIANT) override { return NotSupported(); }
  STDMETHODIMP MakeReplica(BSTR, BSTR, VARIANT) override { return NotSupported(); }
  STDMETHODIMP put_Connect(BSTR) override { return NotSupported(); }
  STDMETHODIMP NewPassword(BSTR, BSTR) override { return NotSupported(); }
  STDMETHODIMP get_Connection(DAOConnection** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP PopulatePartial(BSTR) override { return NotSupported(); }
};

class RecordsetMembers : public DispatchObject<DAORecordset> {
 public:
  std::span<const UnsupportedName> UnsupportedNames() const override {
    return kRecordsetUnsupported;
  }
  STDMETHODIMP get_Properties(DAOProperties** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_Bookmark(SAFEARRAY** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP put_Bookmark(SAFEARRAY**) override { return NotSupported(); }
  STDMETHODIMP get_Bookmarkable(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP get_DateCreated(VARIANT* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_Filter(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP put_Filter(BSTR) override { return NotSupported(); }
  STDMETHODIMP get_Index(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP put_Index(BSTR) override { return NotSupported(); }
  STDMETHODIMP get_LastModified(SAFEARRAY** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_LastUpdated(VARIANT* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_LockEdits(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP put_LockEdits(VARIANT_BOOL) override { return NotSupported(); }
  STDMETHODIMP get_Name(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_NoMatch(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP get_Sort(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP put_Sort(BSTR) override { return NotSupported(); }
  STDMETHODIMP get_Transactions(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP get_Restartable(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP get_ValidationText(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_ValidationRule(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_CacheStart(SAFEARRAY** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP put_CacheStart(SAFEARRAY**) override { return NotSupported(); }
  STDMETHODIMP get_CacheSize(__LONG32*) override { return NotSupported(); }
  STDMETHODIMP put_CacheSize(__LONG32) override { return NotSupported(); }
  STDMETHODIMP get_PercentPosition(float*) override { return NotSupported(); }
  STDMETHODIMP put_PercentPosition(float) override { return NotSupported(); }
  STDMETHODIMP get_AbsolutePosition(__LONG32*) override { return NotSupported(); }
  STDMETHODIMP put_AbsolutePosition(__LONG32) override { return NotSupported(); }
  STDMETHODIMP get_ODBCFetchCount(__LONG32*) override { return NotSupported(); }
  STDMETHODIMP get_ODBCFetchDelay(__LONG32*) override { return NotSupported(); }
  STDMETHODIMP get_Parent(DAODatabase** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_Indexes(DAOIndexes** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP OpenRecordset(VARIANT, VARIANT, DAORecordset** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP Delete() override { return NotSupported(); }
  STDMETHODIMP FindFirst(BSTR) override { return NotSupported(); }
  STDMETHODIMP FindLast(BSTR) override { return NotSupported(); }
  STDMETHODIMP FindNext(BSTR) override { return NotSupported(); }
  STDMETHODIMP FindPrevious(BSTR) override { return NotSupported(); }
  STDMETHODIMP Seek(BSTR, VARIANT, VARIANT, VARIANT, VARIANT, VARIANT, VARIANT, VARIANT, VARIANT,
                    VARIANT, VARIANT, VARIANT, VARIANT, VARIANT) override {
    return NotSupported();
  }
  STDMETHODIMP Clone(DAORecordset** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP Requery(VARIANT) override { return NotSupported(); }
  STDMETHODIMP Move(__LONG32, VARIANT) override { return NotSupported(); }
  STDMETHODIMP FillCache(VARIANT, VARIANT) override { return NotSupported(); }
  STDMETHODIMP CreateDynaset(VARIANT, VARIANT, DAORecordset** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP CreateSnapshot(VARIANT, DAORecordset** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP CopyQueryDef(DAOQueryDef** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP ListFields(DAORecordset** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP ListIndexes(DAORecordset** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP GetRows(VARIANT, VARIANT*) override { return NotSupported(); }
  STDMETHODIMP Cancel() override { return NotSupported(); }
  STDMETHODIMP NextRecordset(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP get_hStmt(LONG*) override { return NotSupported(); }
  STDMETHODIMP get_StillExecuting(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP get_BatchSize(__LONG32*) override { return NotSupported(); }
  STDMETHODIMP put_BatchSize(__LONG32) override { return NotSupported(); }
  STDMETHODIMP get_BatchCollisionCount(__LONG32*) override { return NotSupported(); }
  STDMETHODIMP get_BatchCollisions(VARIANT* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_Connection(DAOConnection** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP putref_Connection(DAOConnection*) override { return NotSupported(); }
  STDMETHODIMP get_RecordStatus(short*) override { return NotSupported(); }
  STDMETHODIMP get_UpdateOptions(__LONG32*) override { return NotSupported(); }
  STDMETHODIMP put_UpdateOptions(__LONG32) override { return NotSupported(); }
};

class FieldMembers : public DispatchObject<DAOField> {
 public:
  std::span<const UnsupportedName> UnsupportedNames() const override { return kFieldUnsupported; }
  STDMETHODIMP get_Properties(DAOProperties** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_CollatingOrder(__LONG32*) override { return NotSupported(); }
  STDMETHODIMP get_Type(short*) override { return NotSupported(); }
  STDMETHODIMP put_Type(short) override { return NotSupported(); }
  STDMETHODIMP put_Name(BSTR) override { return NotSupported(); }
  STDMETHODIMP get_Size(__LONG32*) override { return NotSupported(); }
  STDMETHODIMP put_Size(__LONG32) override { return NotSupported(); }
  STDMETHODIMP get_SourceField(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_SourceTable(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_Attributes(__LONG32*) override { return NotSupported(); }
  STDMETHODIMP put_Attributes(__LONG32) override { return NotSupported(); }
  STDMETHODIMP get_OrdinalPosition(short*) override { return NotSupported(); }
  STDMETHODIMP put_OrdinalPosition(short) override { return NotSupported(); }
  STDMETHODIMP get_ValidationText(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP put_ValidationText(BSTR) override { return NotSupported(); }
  STDMETHODIMP get_ValidateOnSet(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP put_ValidateOnSet(VARIANT_BOOL) override { return NotSupported(); }
  STDMETHODIMP get_ValidationRule(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP put_ValidationRule(BSTR) override { return NotSupported(); }
  STDMETHODIMP get_DefaultValue(VARIANT* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP put_DefaultValue(VARIANT) override { return NotSupported(); }
  STDMETHODIMP get_Required(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP put_Required(VARIANT_BOOL) override { return NotSupported(); }
  STDMETHODIMP get_AllowZeroLength(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP put_AllowZeroLength(VARIANT_BOOL) override { return NotSupported(); }
  STDMETHODIMP get_DataUpdatable(VARIANT_BOOL*) override { return NotSupported(); }
  STDMETHODIMP get_ForeignName(BSTR* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP put_ForeignName(BSTR) override { return NotSupported(); }
  STDMETHODIMP AppendChunk(VARIANT) override { return NotSupported(); }
  STDMETHODIMP GetChunk(__LONG32, __LONG32, VARIANT*) override { return NotSupported(); }
  STDMETHODIMP _30_FieldSize(__LONG32*) override { return NotSupported(); }
  STDMETHODIMP CreateProperty(VARIANT, VARIANT, VARIANT, VARIANT, DAOProperty** out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_CollectionIndex(short*) override { return NotSupported(); }
  STDMETHODIMP get_OriginalValue(VARIANT* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_VisibleValue(VARIANT* out) override {
    ClearOut(out);
    return NotSupported();
  }
  STDMETHODIMP get_FieldSize(__LONG32*) override { return NotSupported(); }
};

}  // namespace vod::com
