// An early-bound C++ host of the Ravelin server, as a compiled VB6 or C++ program binds: it
// calls the runtime's _Collection and DAO's DAODatabase, DAORecordset, DAOFields and DAOField
// through their vtables (mingw-w64's dbdaoint.h), on a venue the ravelin tool made (its path is
// the program's argument), and checks that IDispatch reaches the same members, that members
// outside the store's set fail with DAO's 3251, that a host's own recordsets, databases,
// collections and links work, and the faults mended in the COM shell.
//
// The tests run in one process, in order, on one single-threaded apartment; each works on its
// own copy of the venue.
#include <gtest/gtest.h>

// The support header brings windows.h and the automation headers DAO's declarations build on.
#include "tests/vod/com/ComTestSupport.h"
// clang-format off
#include <dbdaoint.h>
// clang-format on

#include <olectl.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "tests/TestRunner.h"
#include "vod/RavelinIds.h"

namespace vod::com::test {
namespace {

std::wstring gVenue;  // the tool's venue, as a Windows path

constexpr GUID kIidDaoDatabase = {
    0x00000071, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};
constexpr GUID kIidDaoDatabaseAnsi = {
    0x00000070, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};
constexpr GUID kIidDaoRecordset = {
    0x00000031, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};
constexpr GUID kIidDaoFields = {
    0x00000053, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};
constexpr GUID kIidDaoField = {
    0x00000051, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};

constexpr HRESULT kErr(long number) {
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
}

std::wstring Str(BSTR text) {
  return text ? std::wstring(text) : std::wstring();
}

class ServerEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
  }
  void TearDown() override {
    EXPECT_EQ(RunRegsvr32(L"/u /s"), 0u);
    CoUninitialize();
  }
};

class EarlyBoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(gVenue.empty()) << "usage: vod_com_early_bound_test <venue database>";
    mPath = NewDatabasePath();
    ASSERT_TRUE(CopyFileW(gVenue.c_str(), mPath.c_str(), FALSE));
    mBase = NewBase();
    ASSERT_TRUE(mBase);
    Bstr path(mPath);
    BSTR pathSlot = path.Get();
    BSTR passwordSlot = nullptr;
    VARIANT_BOOL loadCache = VARIANT_TRUE;
    VARIANT_BOOL opened = VARIANT_FALSE;
    ASSERT_EQ(mBase->InitInterface(&pathSlot, &passwordSlot, &loadCache, &opened), S_OK);
    ASSERT_EQ(opened, VARIANT_TRUE);
    ComPtr<IDispatch> link;
    ASSERT_EQ(mBase->get_Base(link.Receive()), S_OK);
    mLink = link.As<_BaseLink>(IID__BaseLink);
    ASSERT_TRUE(mLink);
    ComPtr<IDispatch> database;
    ASSERT_EQ(mLink->BaseDatabase(database.Receive()), S_OK);
    // Checked by the tests that use it, so that the others run on their own.
    mDatabase = database.As<DAODatabase>(kIidDaoDatabase);
  }
  void TearDown() override {
    mDatabase.Reset();
    mLink.Reset();
    mBase.Reset();
    DeleteFileW(mPath.c_str());
  }

  static ComPtr<_Base> NewBase() {
    ComPtr<_Base> base;
    CoCreateInstance(CLSID_Base, nullptr, CLSCTX_INPROC_SERVER, IID__Base,
                     reinterpret_cast<void**>(base.Receive()));
    return base;
  }

  ComPtr<DAORecordset> Open(const wchar_t* sql, LONG type) {
    Bstr text(sql);
    ComPtr<DAORecordset> recordset;
    if (!mDatabase) {
      ADD_FAILURE() << "the link's database has no DAODatabase";
      return recordset;
    }
    EXPECT_EQ(
        mDatabase->OpenRecordset(text.Get(), Long(type), Omitted(), Omitted(), recordset.Receive()),
        S_OK)
        << ErrorText();
    return recordset;
  }

  // The column of the current row, through Fields(name).Value.
  static std::wstring Column(DAORecordset* recordset, const wchar_t* name) {
    ComPtr<DAOFields> fields;
    EXPECT_EQ(recordset->get_Fields(fields.Receive()), S_OK);
    Bstr text(name);
    ComPtr<DAOField> field;
    EXPECT_EQ(fields->get_Item(Text(text.Get()), field.Receive()), S_OK) << ErrorText();
    VariantValue value;
    EXPECT_EQ(field->get_Value(value.Receive()), S_OK);
    return V_VT(value.Get()) == VT_NULL ? L"<null>" : TextOf(value.Get());
  }

  ComPtr<_Collection> Rooms(RoomSearchModes mode, VARIANT data) {
    ComPtr<_Collection> rooms;
    EXPECT_EQ(mBase->Room_GetAll(&mode, &data, rooms.Receive()), S_OK);
    return rooms;
  }

  static LONG CountOf(_Collection* collection) {
    LONG count = -1;
    EXPECT_EQ(collection->Count(&count), S_OK);
    return count;
  }

  static std::wstring RoomName(_Collection* rooms, LONG index) {
    VARIANT at = Long(index);
    VariantValue item;
    EXPECT_EQ(rooms->Item(&at, item.Receive()), S_OK);
    if (V_VT(item.Get()) != VT_RECORD) {
      return L"<not a record>";
    }
    return Str(static_cast<::RoomInfoStruct*>(V_RECORD(item.Get()))->strRoomName);
  }

  std::wstring mPath;
  ComPtr<_Base> mBase;
  ComPtr<_BaseLink> mLink;
  ComPtr<DAODatabase> mDatabase;
};

// ---- The runtime's Collection -------------------------------------------------------------

TEST_F(EarlyBoundTest, CollectionThroughTheRuntimesVtable) {
  ComPtr<_Collection> rooms = Rooms(rsmAll, Omitted());
  ASSERT_TRUE(rooms);
  EXPECT_EQ(CountOf(rooms.Get()), 3);
  EXPECT_EQ(RoomName(rooms.Get(), 1), L"Room A1");
  EXPECT_EQ(RoomName(rooms.Get(), 3), L"Room B1");

  VARIANT past = Long(4);
  VariantValue item;
  EXPECT_EQ(rooms->Item(&past, item.Receive()), kErr(9));
  EXPECT_EQ(ErrorText(), L"Subscript out of range");
  EXPECT_EQ(V_VT(item.Get()), VT_EMPTY);

  Bstr extra(L"extra");
  VARIANT text = Text(extra.Get());
  VARIANT none = Omitted();
  EXPECT_EQ(rooms->Add(&text, &none, &none, &none), S_OK);
  EXPECT_EQ(CountOf(rooms.Get()), 4);
  VARIANT fourth = Long(4);
  EXPECT_EQ(rooms->Item(&fourth, item.Receive()), S_OK);
  EXPECT_EQ(TextOf(item.Get()), L"extra");
  // The store's collections carry no keys: a key is refused, not dropped.
  Bstr key(L"k");
  VARIANT keyArgument = Text(key.Get());
  EXPECT_EQ(rooms->Add(&text, &keyArgument, &none, &none), kErr(5));
  EXPECT_EQ(CountOf(rooms.Get()), 4);

  VARIANT first = Long(1);
  EXPECT_EQ(rooms->Remove(&first), S_OK);
  EXPECT_EQ(CountOf(rooms.Get()), 3);
  EXPECT_EQ(RoomName(rooms.Get(), 1), L"Room A2");
  VARIANT zero = Long(0);
  EXPECT_EQ(rooms->Remove(&zero), kErr(9));
  EXPECT_EQ(ErrorText(), L"Subscript out of range");

  ComPtr<IUnknown> unknown;
  ASSERT_EQ(rooms->_NewEnum(unknown.Receive()), S_OK);
  auto items = unknown.As<IEnumVARIANT>(IID_IEnumVARIANT);
  ASSERT_TRUE(items);
  VARIANT fetched[4];
  ULONG count = 0;
  EXPECT_EQ(items->Next(4, fetched, &count), S_FALSE);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(TextOf(&fetched[2]), L"extra");
  for (ULONG i = 0; i < count; ++i) {
    VariantClear(&fetched[i]);
  }

  // The interfaces it has, and no other.
  EXPECT_TRUE(rooms.As<_Collection>(IID__Collection));
  EXPECT_FALSE(rooms.As<IUnknown>(kIidDaoRecordset));
  auto errors = rooms.As<ISupportErrorInfo>(IID_ISupportErrorInfo);
  ASSERT_TRUE(errors);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID__Collection), S_OK);

  // IDispatch reaches the same members, Remove included, with the runtime's DISPIDs.
  DispatchCall remove;
  Call(remove, rooms.Get(), L"Remove", {Long(3)});
  EXPECT_EQ(CountOf(rooms.Get()), 2);
  DispatchCall bad;
  Invoke(bad, rooms.Get(), L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Long(7)});
  EXPECT_EQ(bad.mResult, DISP_E_EXCEPTION);
  EXPECT_EQ(bad.mException.scode, kErr(9));
  DispatchCall put;
  Invoke(put, rooms.Get(), L"Count", DISPATCH_PROPERTYPUT, {Long(1)});
  EXPECT_EQ(put.mResult, DISP_E_MEMBERNOTFOUND);
}

// ---- DAO ------------------------------------------------------------------------------------

TEST_F(EarlyBoundTest, DatabaseThroughDaosVtable) {
  ASSERT_TRUE(mDatabase);
  Bstr name;
  ASSERT_EQ(mDatabase->get_Name(name.Receive()), S_OK);
  EXPECT_EQ(CompareStringOrdinal(name.Get(), -1, mPath.c_str(), -1, TRUE), CSTR_EQUAL);

  Bstr update(L"UPDATE Room SET strFloor = '2' WHERE strRoomHost LIKE 'PC-A%'");
  ASSERT_EQ(mDatabase->Execute(update.Get(), Long(dbFailOnError)), S_OK) << ErrorText();
  LONG affected = 0;
  ASSERT_EQ(mDatabase->get_RecordsAffected(&affected), S_OK);
  EXPECT_EQ(affected, 2);
  Bstr wrong(L"UPDATE Nowhere SET x = 1");
  EXPECT_TRUE(FAILED(mDatabase->Execute(wrong.Get(), Omitted())));
  EXPECT_NE(ErrorText(), L"<none>");

  // The type defaults to a dynaset; DAO 3.0's OpenRecordset is the same member.
  Bstr query(L"SELECT strRoomName FROM Room WHERE strFloor = '2' ORDER BY strRoomName");
  ComPtr<DAORecordset> recordset;
  ASSERT_EQ(
      mDatabase->OpenRecordset(query.Get(), Omitted(), Omitted(), Omitted(), recordset.Receive()),
      S_OK);
  short type = 0;
  ASSERT_EQ(recordset->get_Type(&type), S_OK);
  EXPECT_EQ(type, dbOpenDynaset);
  ComPtr<DAORecordset> old;
  ASSERT_EQ(
      mDatabase->_30_OpenRecordset(query.Get(), Long(dbOpenSnapshot), Omitted(), old.Receive()),
      S_OK);
  ASSERT_EQ(old->get_Type(&type), S_OK);
  EXPECT_EQ(type, dbOpenSnapshot);
  EXPECT_EQ(Column(old.Get(), L"strRoomName"), L"Room A1");
  EXPECT_EQ(
      mDatabase->OpenRecordset(query.Get(), Text(name.Get()), Omitted(), Omitted(), old.Receive()),
      kErr(13));

  ASSERT_EQ(mDatabase->BeginTrans(), S_OK);
  Bstr remove(L"DELETE FROM Room");
  ASSERT_EQ(mDatabase->Execute(remove.Get(), Omitted()), S_OK);
  ASSERT_EQ(mDatabase->Rollback(), S_OK);
  EXPECT_EQ(CountOf(Rooms(rsmAll, Omitted()).Get()), 3);

  EXPECT_TRUE(mDatabase.As<IDispatch>(IID_IDispatch));
  // DAO's ANSI interface has another vtable: not claimed.
  EXPECT_FALSE(mDatabase.As<IUnknown>(kIidDaoDatabaseAnsi));
  EXPECT_FALSE(mDatabase.As<IUnknown>(kIidDaoRecordset));
}

TEST_F(EarlyBoundTest, RecordsetFieldsAndFieldThroughDaosVtables) {
  ComPtr<DAORecordset> rs = Open(
      L"SELECT strRoomName, strRoomHost, strRoomCode, bytRoomStatus FROM Room "
      L"ORDER BY strRoomName",
      dbOpenSnapshot);
  ASSERT_TRUE(rs);
  VARIANT_BOOL flag = VARIANT_TRUE;
  ASSERT_EQ(rs->get_BOF(&flag), S_OK);
  EXPECT_EQ(flag, VARIANT_FALSE);
  ASSERT_EQ(rs->MoveLast(0), S_OK);
  LONG count = 0;
  ASSERT_EQ(rs->get_RecordCount(&count), S_OK);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(Column(rs.Get(), L"strRoomName"), L"Room B1");
  ASSERT_EQ(rs->MoveFirst(), S_OK);
  EXPECT_EQ(Column(rs.Get(), L"STRROOMHOST"), L"PC-A1");
  ASSERT_EQ(rs->get_Updatable(&flag), S_OK);
  EXPECT_EQ(flag, VARIANT_FALSE);

  ComPtr<DAOFields> fields;
  ASSERT_EQ(rs->get_Fields(fields.Receive()), S_OK);
  short columns = 0;
  ASSERT_EQ(fields->get_Count(&columns), S_OK);
  EXPECT_EQ(columns, 4);
  ComPtr<DAOField> field;
  ASSERT_EQ(fields->get_Item(Long(3), field.Receive()), S_OK);
  Bstr name;
  ASSERT_EQ(field->get_Name(name.Receive()), S_OK);
  EXPECT_EQ(Str(name.Get()), L"bytRoomStatus");
  VariantValue value;
  ASSERT_EQ(field->get_Value(value.Receive()), S_OK);
  EXPECT_EQ(LongOf(value.Get()), 1);
  EXPECT_EQ(fields->get_Item(Long(4), field.Receive()), kErr(3265));
  EXPECT_FALSE(field);
  Bstr unknown(L"strNothing");
  EXPECT_EQ(fields->get_Item(Text(unknown.Get()), field.Receive()), kErr(3265));
  EXPECT_EQ(ErrorText(), L"Item not found in this collection.");

  ComPtr<IUnknown> enumerator;
  ASSERT_EQ(fields->_NewEnum(enumerator.Receive()), S_OK);
  auto each = enumerator.As<IEnumVARIANT>(IID_IEnumVARIANT);
  ASSERT_TRUE(each);
  std::vector<std::wstring> names;
  VariantValue next;
  while (each->Next(1, next.Receive(), nullptr) == S_OK) {
    ComPtr<DAOField> column = ComPtr<IDispatch>(DispatchOf(next.Get())).As<DAOField>(kIidDaoField);
    ASSERT_TRUE(column);
    Bstr text;
    column->get_Name(text.Receive());
    names.push_back(Str(text.Get()));
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"strRoomName", L"strRoomHost", L"strRoomCode",
                                              L"bytRoomStatus"}));

  // The tool stores Room A2 without a code as an empty text.
  ASSERT_EQ(rs->MoveNext(), S_OK);
  EXPECT_EQ(Column(rs.Get(), L"strRoomCode"), L"");
  VariantValue collected;
  ASSERT_EQ(rs->get_Collect(Long(0), collected.Receive()), S_OK);
  EXPECT_EQ(TextOf(collected.Get()), L"Room A2");
  ASSERT_EQ(rs->MoveNext(), S_OK);
  ASSERT_EQ(rs->MoveNext(), S_OK);
  ASSERT_EQ(rs->get_EOF(&flag), S_OK);
  EXPECT_EQ(flag, VARIANT_TRUE);
  EXPECT_EQ(rs->MoveNext(), kErr(3021));
  EXPECT_EQ(ErrorText(), L"No current record.");
  // DAO's asynchronous MoveLast belongs to ODBCDirect, which the store has none of.
  EXPECT_EQ(rs->MoveLast(dbRunAsync), kErr(3001));

  EXPECT_TRUE(fields.As<IUnknown>(kIidDaoFields));
  EXPECT_FALSE(fields.As<IUnknown>(kIidDaoRecordset));
  ASSERT_EQ(rs->Close(), S_OK);
  EXPECT_EQ(rs->get_EOF(&flag), kErr(3420));
}

TEST_F(EarlyBoundTest, DynasetEditsAndAddsRowsThroughDaosVtable) {
  ComPtr<DAORecordset> rs =
      Open(L"SELECT * FROM Room WHERE strRoomName = 'Room A2'", dbOpenDynaset);
  ASSERT_TRUE(rs);
  ASSERT_EQ(rs->Edit(), S_OK);
  short mode = 0;
  ASSERT_EQ(rs->get_EditMode(&mode), S_OK);
  EXPECT_EQ(mode, dbEditInProgress);
  ComPtr<DAOFields> fields;
  ASSERT_EQ(rs->get_Fields(fields.Receive()), S_OK);
  Bstr code(L"strRoomCode");
  ComPtr<DAOField> field;
  ASSERT_EQ(fields->get_Item(Text(code.Get()), field.Receive()), S_OK);
  Bstr a2(L"A2");
  ASSERT_EQ(field->put_Value(Text(a2.Get())), S_OK);
  // Batch updates belong to ODBCDirect.
  EXPECT_EQ(rs->Update(dbUpdateBatch, VARIANT_FALSE), kErr(3001));
  ASSERT_EQ(rs->Update(dbUpdateRegular, VARIANT_FALSE), S_OK) << ErrorText();

  ASSERT_EQ(rs->AddNew(), S_OK);
  ASSERT_EQ(rs->get_EditMode(&mode), S_OK);
  EXPECT_EQ(mode, dbEditAdd);
  Bstr nameColumn(L"strRoomName");
  Bstr c1(L"Room C1");
  ASSERT_EQ(rs->put_Collect(Text(nameColumn.Get()), Text(c1.Get())), S_OK);
  Bstr host(L"PC-C1");
  ASSERT_EQ(rs->put_Collect(Long(3), Text(host.Get())), S_OK);
  ASSERT_EQ(rs->_30_Update(), S_OK) << ErrorText();
  ASSERT_EQ(rs->AddNew(), S_OK);
  ASSERT_EQ(rs->CancelUpdate(dbUpdateRegular), S_OK);
  ASSERT_EQ(rs->Close(), S_OK);

  ComPtr<DAORecordset> check = Open(
      L"SELECT strRoomCode, strRoomHost FROM Room WHERE strRoomName IN ('Room A2', "
      L"'Room C1') ORDER BY strRoomName",
      dbOpenSnapshot);
  EXPECT_EQ(Column(check.Get(), L"strRoomCode"), L"A2");
  ASSERT_EQ(check->MoveNext(), S_OK);
  EXPECT_EQ(Column(check.Get(), L"strRoomHost"), L"PC-C1");
  EXPECT_EQ(CountOf(Rooms(rsmAll, Omitted()).Get()), 4);
}

TEST_F(EarlyBoundTest, DaoMembersOutsideTheStoresSetFailCleanlyWith3251) {
  ASSERT_TRUE(mDatabase);
  const std::wstring notSupported = L"Operation is not supported for this type of object.";
  ComPtr<DAORecordset> rs = Open(L"SELECT * FROM Room", dbOpenDynaset);
  ASSERT_TRUE(rs);

  SAFEARRAY* bookmark = reinterpret_cast<SAFEARRAY*>(1);
  EXPECT_EQ(rs->get_Bookmark(&bookmark), kErr(3251));
  EXPECT_EQ(bookmark, nullptr);
  EXPECT_EQ(ErrorText(), notSupported);
  Bstr criteria(L"strRoomName = 'Room B1'");
  EXPECT_EQ(rs->FindFirst(criteria.Get()), kErr(3251));
  VARIANT none = Omitted();
  EXPECT_EQ(rs->Seek(criteria.Get(), none, none, none, none, none, none, none, none, none, none,
                     none, none, none),
            kErr(3251));
  DAORecordset* clone = reinterpret_cast<DAORecordset*>(1);
  EXPECT_EQ(rs->Clone(&clone), kErr(3251));
  EXPECT_EQ(clone, nullptr);
  DAOProperties* properties = reinterpret_cast<DAOProperties*>(1);
  EXPECT_EQ(rs->get_Properties(&properties), kErr(3251));
  EXPECT_EQ(properties, nullptr);
  Bstr text;
  EXPECT_EQ(rs->get_Name(text.Receive()), kErr(3251));
  EXPECT_EQ(rs->Delete(), kErr(3251));
  EXPECT_EQ(rs->put_Filter(criteria.Get()), kErr(3251));
  EXPECT_EQ(rs->get_Connection(nullptr), kErr(3251));
  // The object goes on working after them.
  LONG count = 0;
  ASSERT_EQ(rs->get_RecordCount(&count), S_OK);
  EXPECT_EQ(count, 3);

  EXPECT_EQ(mDatabase->get_Connect(text.Receive()), kErr(3251));
  EXPECT_EQ(text.Get(), nullptr);
  DAOTableDefs* tables = reinterpret_cast<DAOTableDefs*>(1);
  EXPECT_EQ(mDatabase->get_TableDefs(&tables), kErr(3251));
  EXPECT_EQ(tables, nullptr);
  EXPECT_EQ(mDatabase->put_QueryTimeout(5), kErr(3251));
  Bstr table(L"Room");
  DAORecordset* table_rs = reinterpret_cast<DAORecordset*>(1);
  EXPECT_EQ(mDatabase->OpenTable(table.Get(), none, &table_rs), kErr(3251));
  EXPECT_EQ(table_rs, nullptr);
  EXPECT_EQ(ErrorText(), notSupported);

  ComPtr<DAOFields> fields;
  ASSERT_EQ(rs->get_Fields(fields.Receive()), S_OK);
  EXPECT_EQ(fields->Refresh(), kErr(3251));
  EXPECT_EQ(fields->Delete(table.Get()), kErr(3251));
  ComPtr<DAOField> field;
  ASSERT_EQ(fields->get_Item(Long(0), field.Receive()), S_OK);
  short type = 0;
  EXPECT_EQ(field->get_Type(&type), kErr(3251));
  EXPECT_EQ(field->put_Size(10), kErr(3251));
  VariantValue original;
  EXPECT_EQ(field->get_OriginalValue(original.Receive()), kErr(3251));
  EXPECT_EQ(V_VT(original.Get()), VT_EMPTY);
  EXPECT_EQ(ErrorText(), notSupported);

  auto errors = rs.As<ISupportErrorInfo>(IID_ISupportErrorInfo);
  ASSERT_TRUE(errors);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(kIidDaoRecordset), S_OK);
}

// DAO's members outside the store's set, by name: the vtable's 3251 through EXCEPINFO, or
// "member not found" for a put on a member DAO has no put for.
TEST_F(EarlyBoundTest, DispatchReachesDaosOtherMembersWithTheVtables3251) {
  ASSERT_TRUE(mDatabase);
  const std::wstring notSupported = L"Operation is not supported for this type of object.";
  ComPtr<DAORecordset> rs = Open(L"SELECT * FROM Room ORDER BY strRoomName", dbOpenDynaset);
  ASSERT_TRUE(rs);
  ComPtr<DAOFields> fields;
  ASSERT_EQ(rs->get_Fields(fields.Receive()), S_OK);
  ComPtr<DAOField> field;
  ASSERT_EQ(fields->get_Item(Long(1), field.Receive()), S_OK);
  const auto method = static_cast<WORD>(DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  Bstr criteria(L"strRoomName = 'Room B1'");
  Bstr name(L"x");

  // The same code as the vtable: its failure code, text and source, in the EXCEPINFO.
  ASSERT_EQ(rs->FindFirst(criteria.Get()), kErr(3251));
  struct Case {
    IDispatch* mObject;
    const wchar_t* mName;
    WORD mFlags;
    std::vector<VARIANT> mArguments;
    const wchar_t* mSource;
  };
  VARIANT nothing;
  VariantInit(&nothing);
  V_VT(&nothing) = VT_DISPATCH;
  V_DISPATCH(&nothing) = nullptr;
  const Case failing[] = {
      {rs.Get(), L"FindFirst", DISPATCH_METHOD, {Text(criteria.Get())}, L"DAO.Recordset"},
      {rs.Get(), L"findnext", DISPATCH_METHOD, {Text(criteria.Get())}, L"DAO.Recordset"},
      {rs.Get(), L"Bookmark", method, {}, L"DAO.Recordset"},
      {rs.Get(), L"Filter", DISPATCH_PROPERTYPUT, {Text(criteria.Get())}, L"DAO.Recordset"},
      {rs.Get(), L"Connection", DISPATCH_PROPERTYPUTREF, {nothing}, L"DAO.Recordset"},
      {mDatabase.Get(), L"CreateTableDef", method, {Text(name.Get())}, L"DAO.Database"},
      {mDatabase.Get(), L"TableDefs", method, {}, L"DAO.Database"},
      {mDatabase.Get(), L"QueryTimeout", DISPATCH_PROPERTYPUT, {Long(5)}, L"DAO.Database"},
      {fields.Get(), L"Delete", DISPATCH_METHOD, {Text(name.Get())}, L"DAO.Fields"},
      {fields.Get(), L"Refresh", DISPATCH_METHOD, {}, L"DAO.Fields"},
      {field.Get(), L"Attributes", method, {}, L"DAO.Field"},
      {field.Get(), L"Attributes", DISPATCH_PROPERTYPUT, {Long(0)}, L"DAO.Field"},
      {field.Get(), L"Name", DISPATCH_PROPERTYPUT, {Text(name.Get())}, L"DAO.Field"},
      {field.Get(), L"GetChunk", DISPATCH_METHOD, {Long(0), Long(1)}, L"DAO.Field"},
  };
  // Invoke with a case's arguments (none, one or two).
  const auto InvokeCase = [](DispatchCall& call, const Case& c) {
    const std::vector<VARIANT>& a = c.mArguments;
    if (a.empty()) {
      Invoke(call, c.mObject, c.mName, c.mFlags, {});
    } else if (a.size() == 1) {
      Invoke(call, c.mObject, c.mName, c.mFlags, {a[0]});
    } else {
      Invoke(call, c.mObject, c.mName, c.mFlags, {a[0], a[1]});
    }
  };
  for (const Case& c : failing) {
    SCOPED_TRACE(WideToUtf8(c.mName));
    DispatchCall call;
    InvokeCase(call, c);
    EXPECT_EQ(call.mResult, DISP_E_EXCEPTION);
    EXPECT_EQ(call.mException.scode, kErr(3251));
    EXPECT_EQ(Str(call.mException.bstrDescription), notSupported);
    EXPECT_EQ(Str(call.mException.bstrSource), c.mSource);
    EXPECT_EQ(V_VT(call.mValue.Get()), VT_EMPTY);
  }

  // A put on a member DAO gives no put (or put-ref) is no member, as for the working ones.
  const Case missing[] = {
      {rs.Get(), L"Bookmarkable", DISPATCH_PROPERTYPUT, {Long(1)}, nullptr},
      {rs.Get(), L"Filter", DISPATCH_PROPERTYPUTREF, {nothing}, nullptr},
      {rs.Get(), L"FindFirst", DISPATCH_PROPERTYPUT, {Long(1)}, nullptr},
      {mDatabase.Get(), L"Version", DISPATCH_PROPERTYPUT, {Long(1)}, nullptr},
      {fields.Get(), L"Count", DISPATCH_PROPERTYPUT, {Long(1)}, nullptr},
      {field.Get(), L"DataUpdatable", DISPATCH_PROPERTYPUT, {Long(1)}, nullptr},
  };
  for (const Case& c : missing) {
    SCOPED_TRACE(WideToUtf8(c.mName));
    DispatchCall call;
    InvokeCase(call, c);
    EXPECT_EQ(call.mResult, DISP_E_MEMBERNOTFOUND);
  }

  // Named arguments reach the member too; a name no DAO interface has is still unknown.
  LPOLESTR findNames[] = {const_cast<LPOLESTR>(L"FindFirst"), const_cast<LPOLESTR>(L"Criteria")};
  DISPID findIds[2] = {};
  EXPECT_EQ(rs->GetIDsOfNames(IID_NULL, findNames, 2, LOCALE_USER_DEFAULT, findIds), S_OK);
  EXPECT_EQ(findIds[1], 0);
  DISPID id = 0;
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"FindEverything")};
  EXPECT_EQ(rs->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  // A member of one interface is not taken for another's.
  LPOLESTR seek[] = {const_cast<LPOLESTR>(L"Seek")};
  EXPECT_EQ(field->GetIDsOfNames(IID_NULL, seek, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);

  // DAO 3.0's hidden forms reach the working members, and the set is unharmed by the failures.
  DispatchCall last;
  Call(last, rs.Get(), L"_30_MoveLast");
  EXPECT_EQ(Column(rs.Get(), L"strRoomName"), L"Room B1");
  Bstr sql(L"SELECT * FROM Room");
  DispatchCall old;
  Call(old, mDatabase.Get(), L"_30_OpenRecordset", {Text(sql.Get()), Long(dbOpenSnapshot)});
  DispatchCall count;
  Call(count, DispatchOf(old.mValue.Get()), L"RecordCount");
  EXPECT_EQ(LongOf(count.mValue.Get()), 3);
}

TEST_F(EarlyBoundTest, DispatchReachesTheSameMembersWithDaosOptionalArguments) {
  ASSERT_TRUE(mDatabase);
  ComPtr<DAORecordset> rs = Open(L"SELECT * FROM Room ORDER BY strRoomName", dbOpenDynaset);
  ASSERT_TRUE(rs);
  IDispatch* dispatch = rs.Get();
  DispatchCall moveLast;
  Call(moveLast, dispatch, L"MoveLast", {Long(0)});
  DispatchCall name;
  Call(name, dispatch, L"Fields", {Long(1)});
  ASSERT_EQ(V_VT(name.mValue.Get()), VT_DISPATCH);
  DispatchCall fieldName;
  Call(fieldName, DispatchOf(name.mValue.Get()), L"Name");
  EXPECT_EQ(TextOf(fieldName.mValue.Get()), L"strRoomName");
  DispatchCall value;
  Call(value, DispatchOf(name.mValue.Get()), L"Value");
  EXPECT_EQ(TextOf(value.mValue.Get()), L"Room B1");

  // A put on a read-only member or a method finds no member, and moves nothing.
  DispatchCall putEof;
  VARIANT yes;
  VariantInit(&yes);
  V_VT(&yes) = VT_BOOL;
  V_BOOL(&yes) = VARIANT_TRUE;
  Invoke(putEof, dispatch, L"EOF", DISPATCH_PROPERTYPUT, {yes});
  EXPECT_EQ(putEof.mResult, DISP_E_MEMBERNOTFOUND);
  DispatchCall putMove;
  Invoke(putMove, dispatch, L"MoveNext", DISPATCH_PROPERTYPUT, {Long(0)});
  EXPECT_EQ(putMove.mResult, DISP_E_MEMBERNOTFOUND);
  VARIANT_BOOL eof = VARIANT_TRUE;
  ASSERT_EQ(rs->get_EOF(&eof), S_OK);
  EXPECT_EQ(eof, VARIANT_FALSE);

  DispatchCall edit;
  Call(edit, dispatch, L"Edit");
  Bstr floor(L"9");
  DispatchCall put;
  Bstr column(L"strFloor");
  Invoke(put, dispatch, L"Fields", DISPATCH_PROPERTYPUT, {Text(column.Get()), Text(floor.Get())});
  EXPECT_EQ(put.mResult, S_OK);
  VARIANT no;
  VariantInit(&no);
  V_VT(&no) = VT_BOOL;
  V_BOOL(&no) = VARIANT_FALSE;
  DispatchCall update;
  Call(update, dispatch, L"Update", {Long(dbUpdateRegular), no});
  EXPECT_EQ(Column(rs.Get(), L"strFloor"), L"9");
  DispatchCall batch;
  Invoke(batch, dispatch, L"Update", DISPATCH_METHOD, {Long(dbUpdateBatch)});
  EXPECT_EQ(batch.mResult, DISP_E_EXCEPTION);
  EXPECT_EQ(batch.mException.scode, kErr(3001));
  DispatchCall unsupported;
  Invoke(unsupported, dispatch, L"FindFirst", DISPATCH_METHOD, {});
  EXPECT_EQ(unsupported.mResult, DISP_E_EXCEPTION);
  EXPECT_EQ(unsupported.mException.scode, kErr(3251));

  Bstr sql(L"SELECT strRoomName FROM Room WHERE bytRoomStatus = 1");
  DispatchCall open;
  Call(open, mDatabase.Get(), L"OpenRecordset",
       {Text(sql.Get()), Long(dbOpenSnapshot), Long(dbReadOnly), Long(dbOptimistic)});
  DispatchCall count;
  Call(count, DispatchOf(open.mValue.Get()), L"RecordCount");
  EXPECT_EQ(LongOf(count.mValue.Get()), 2);
  Bstr statement(L"UPDATE Room SET strMac = 'x'");
  DispatchCall execute;
  Call(execute, mDatabase.Get(), L"Execute", {Text(statement.Get()), Long(dbFailOnError)});
  DispatchCall affected;
  Call(affected, mDatabase.Get(), L"RecordsAffected");
  EXPECT_EQ(LongOf(affected.mValue.Get()), 3);

  // An interface id other than IID_NULL is refused, by every IDispatch of the server.
  for (IDispatch* object :
       {dispatch, static_cast<IDispatch*>(mDatabase.Get()), static_cast<IDispatch*>(mBase.Get()),
        static_cast<IDispatch*>(mLink.Get())}) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Close")};
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_IDispatch, names, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(
        object->Invoke(1, IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
        DISP_E_UNKNOWNINTERFACE);
  }
}

// ---- A host's own objects -------------------------------------------------------------------

// A link a host built itself: it opens the venue with the server's own link and hands out the
// database as a host's object (as DAO's own Database would come).
class HostLink final : public _BaseLink {
 public:
  explicit HostLink(ComPtr<_BaseLink> inner) : mInner(std::move(inner)) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID__BaseLink)) {
      *object = static_cast<_BaseLink*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++mRefs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --mRefs;
    if (left == 0) {
      delete this;
    }
    return left;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override { return mInner->GetTypeInfoCount(count); }
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return mInner->GetTypeInfo(index, lcid, info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override {
    return mInner->GetIDsOfNames(iid, names, count, lcid, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {
    return mInner->Invoke(id, iid, lcid, flags, params, result, excepInfo, argErr);
  }
  STDMETHODIMP CreateBase(BSTR path, BSTR password, VARIANT_BOOL* result) override {
    return mInner->CreateBase(path, password, result);
  }
  STDMETHODIMP BaseDatabase(IDispatch** result) override {
    ComPtr<IDispatch> database;
    const HRESULT hr = mInner->BaseDatabase(database.Receive());
    *result = SUCCEEDED(hr) && database ? new HostObject(database.Get()) : nullptr;
    return hr;
  }
  STDMETHODIMP GetBasePath(BSTR* result) override { return mInner->GetBasePath(result); }
  STDMETHODIMP IsOpen(VARIANT_BOOL* result) override { return mInner->IsOpen(result); }
  STDMETHODIMP CloseBase() override { return mInner->CloseBase(); }
  STDMETHODIMP ExecuteSQL(BSTR sql, VARIANT_BOOL* result) override {
    return mInner->ExecuteSQL(sql, result);
  }
  STDMETHODIMP OpenBase(BSTR path, BSTR* password, VARIANT_BOOL* readOnly,
                        VARIANT_BOOL* result) override {
    return mInner->OpenBase(path, password, readOnly, result);
  }

 private:
  ~HostLink() = default;
  ComPtr<_BaseLink> mInner;
  ULONG mRefs = 1;
};

TEST_F(EarlyBoundTest, HostsOwnRecordsetsDatabasesAndCollectionsWork) {
  ASSERT_TRUE(mDatabase);
  // A recordset the server did not make: all twelve record copies use it late bound.
  ComPtr<DAORecordset> rs = Open(L"SELECT * FROM Room ORDER BY strRoomName", dbOpenDynaset);
  ComPtr<IDispatch> hosts = ComPtr<IDispatch>::Attach(new HostObject(rs.Get()));
  Record<::RoomInfoStruct> room(RoomGuid());
  auto* recordset = reinterpret_cast<::Recordset*>(hosts.Get());
  VARIANT_BOOL copied = VARIANT_FALSE;
  ASSERT_EQ(mBase->Room_Base2Struct(&recordset, room.Get(), &copied), S_OK);
  EXPECT_EQ(copied, VARIANT_TRUE);
  EXPECT_EQ(Str(room.Get()->strRoomName), L"Room A1");
  EXPECT_EQ(Str(room.Get()->strRoomHost), L"PC-A1");
  EXPECT_EQ(room.Get()->bytRoomStatus, 1);

  ASSERT_EQ(rs->AddNew(), S_OK);
  SetText(room.Get()->strRoomName, L"Room D1");
  SetText(room.Get()->strRoomHost, L"PC-D1");
  ASSERT_EQ(mBase->Room_Struct2Base(&recordset, room.Get(), &copied), S_OK);
  EXPECT_EQ(copied, VARIANT_TRUE);
  ASSERT_EQ(rs->Update(dbUpdateRegular, VARIANT_FALSE), S_OK) << ErrorText();
  LONG id = 0;
  Bstr d1(L"Room D1");
  BSTR d1Slot = d1.Get();
  ASSERT_EQ(mBase->Room_HaveInfo(&d1Slot, &id), S_OK);
  EXPECT_GT(id, 0);

  // A host's own link whose database is the host's object: the data members use it.
  IDispatch* link = new HostLink(mLink);
  ASSERT_EQ(mBase->putref_Base(&link), S_OK);
  link->Release();
  EXPECT_EQ(CountOf(Rooms(rsmAll, Omitted()).Get()), 4);
  Bstr backup(L"evening");
  BSTR backupSlot = backup.Get();
  VARIANT_BOOL done = VARIANT_FALSE;
  ASSERT_EQ(mBase->Room_CreateBackup(&backupSlot, &done), S_OK);
  EXPECT_EQ(done, VARIANT_TRUE);

  // A host's own collection in Room_ReferOrder.
  ComPtr<_Collection> statuses;
  ASSERT_EQ(mBase->Room_ReferStatus(statuses.Receive()), S_OK);
  VARIANT third = Long(3);
  VariantValue caption;
  ASSERT_EQ(statuses->Item(&third, caption.Receive()), S_OK);
  auto* own = reinterpret_cast<_Collection*>(new HostObject(statuses.Get()));
  LONG order = 0;
  ASSERT_EQ(mBase->Room_ReferOrder(&own, caption.Get(), &order), S_OK);
  EXPECT_EQ(order, 3);
  own->Release();
}

// ---- Faults mended ------------------------------------------------------------------------

TEST_F(EarlyBoundTest, ASinkThatReleasesTheLastReferenceLetsTheWalkFinish) {
  auto container = mBase.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID___Base, point.Receive()), S_OK);
  ComPtr<IConnectionPoint> again;
  ASSERT_EQ(container->FindConnectionPoint(DIID___Base, again.Receive()), S_OK);
  EXPECT_EQ(point.Get(), again.Get());  // one connection point, one identity
  again.Reset();
  container.Reset();

  auto* sink = new RecordingSink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink, &cookie), S_OK);
  point.Reset();  // the connection point holds the object; the test's reference goes next
  _Base* base = mBase.Detach();
  mDatabase.Reset();
  mLink.Reset();
  sink->mAfterEvent = [&] {
    if (base != nullptr) {
      std::exchange(base, nullptr)->Release();  // VB6: Set b = Nothing in the handler
    }
  };
  // The walk holds the object: every room still gets its event.
  RoomSearchModes mode = rsmAll;
  VARIANT data = Omitted();
  _Base* walking = base;
  ASSERT_EQ(walking->Room_BrowseInfo(&mode, &data), S_OK);
  EXPECT_EQ(base, nullptr);
  ASSERT_EQ(sink->mEvents.size(), 3u);
  EXPECT_EQ(sink->mEvents[2].mName, L"Room B1");
  EXPECT_EQ(sink->mEvents[2].mRate, 100);
  sink->Release();
}

// A host's text box: its default member (DISPID 0) is its text.
class TextBox final : public HostDispatch {
 public:
  explicit TextBox(const wchar_t* text) : mText(text) {}
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (id != DISPID_VALUE || (flags & DISPATCH_PROPERTYGET) == 0 || result == nullptr) {
      return DISP_E_MEMBERNOTFOUND;
    }
    VariantInit(result);
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = SysAllocString(mText.c_str());
    return S_OK;
  }

 private:
  std::wstring mText;
};

TEST_F(EarlyBoundTest, RoomSearchDataIsReadInsideTheMembersTrap) {
  // An array cannot be a search text: the trapped member gives an empty collection, and a mode
  // that does not read the data gives every room.
  SAFEARRAYBOUND bound{1, 0};
  SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
  LONG at = 0;
  Bstr a(L"a");
  VARIANT element = Text(a.Get());
  SafeArrayPutElement(array, &at, &element);
  VariantValue arrayData;
  V_VT(arrayData.Get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(arrayData.Get()) = array;
  EXPECT_EQ(CountOf(Rooms(rsmName, *arrayData.Get()).Get()), 0);
  EXPECT_EQ(CountOf(Rooms(rsmAll, *arrayData.Get()).Get()), 3);
  DispatchCall late;
  Call(late, mBase.Get(), L"Room_GetAll", {Long(rsmName), *arrayData.Get()});
  DispatchCall lateCount;
  Call(lateCount, DispatchOf(late.mValue.Get()), L"Count");
  EXPECT_EQ(LongOf(lateCount.mValue.Get()), 0);

  // An object's default value is its value, as a text box gives its text.
  ComPtr<IDispatch> box = ComPtr<IDispatch>::Attach(new TextBox(L"room a"));
  EXPECT_EQ(CountOf(Rooms(rsmName, Object(box.Get())).Get()), 2);
  EXPECT_EQ(CountOf(Rooms(rsmHost, Object(box.Get())).Get()), 0);
}

// An object of another build of the server: it answers the server's private interface, but
// what it hands out is not this module's.
class OtherModuleObject final : public IDispatch {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    // {AB4FAF06-CE2A-4A3F-A298-E9E2B636196A}, the server's private interface id.
    static constexpr GUID kInner = {
        0xab4faf06, 0xce2a, 0x4a3f, {0xa2, 0x98, 0xe9, 0xe2, 0xb6, 0x36, 0x19, 0x6a}};
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kInner)) {
      *object = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  // The slot after IUnknown's is GetInner to the server: it would take this garbage for one of
  // its objects. As IDispatch it is GetTypeInfoCount.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    *info = nullptr;
    return DISP_E_BADINDEX;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
};

TEST_F(EarlyBoundTest, AnotherModulesObjectIsNotTakenApart) {
  OtherModuleObject other;
  auto* recordset = reinterpret_cast<::Recordset*>(static_cast<IDispatch*>(&other));
  Record<::RoomInfoStruct> room(RoomGuid());
  VARIANT_BOOL copied = VARIANT_TRUE;
  ASSERT_EQ(mBase->Room_Base2Struct(&recordset, room.Get(), &copied), S_OK);
  EXPECT_EQ(copied, VARIANT_FALSE);
}

TEST_F(EarlyBoundTest, PointerFaultsCarryNoStaleErrorInfo) {
  ComPtr<_Collection> statuses;
  ASSERT_EQ(mBase->Room_ReferStatus(statuses.Receive()), S_OK);
  VARIANT past = Long(99);
  VariantValue item;
  ASSERT_EQ(statuses->Item(&past, item.Receive()), kErr(9));
  ComPtr<IErrorInfo> left;
  ASSERT_EQ(GetErrorInfo(0, left.Receive()), S_OK);
  SetErrorInfo(0, left.Get());  // as a host that looked and put it back
  Bstr name(L"Room A1");
  BSTR nameSlot = name.Get();
  EXPECT_EQ(mBase->Room_HaveInfo(&nameSlot, nullptr), E_POINTER);
  EXPECT_EQ(ErrorText(), L"<none>");
  SetErrorInfo(0, left.Get());
  EXPECT_EQ(statuses->Count(nullptr), E_POINTER);
  EXPECT_EQ(ErrorText(), L"<none>");
}

// A sink whose last release disconnects another sink, as a VB6 form's Terminate may.
class ChainedSink final : public HostDispatch {
 public:
  ChainedSink(IConnectionPoint* point, DWORD* other) : mPoint(point), mOther(other) {}
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return S_OK;
  }
  static inline HRESULT mResult = E_FAIL;

 private:
  void OnLastRelease() override { mResult = mPoint->Unadvise(*mOther); }

  IConnectionPoint* mPoint;
  DWORD* mOther;
};

TEST_F(EarlyBoundTest, UnadviseReleasesTheSinkAfterTheListIsWhole) {
  auto container = mBase.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID___Base, point.Receive()), S_OK);
  DWORD chainedCookie = 0;
  DWORD otherCookie = 0;
  DWORD lastCookie = 0;
  auto* chained = new ChainedSink(point.Get(), &otherCookie);
  ASSERT_EQ(point->Advise(chained, &chainedCookie), S_OK);
  chained->Release();  // the connection holds the only reference
  auto* other = new RecordingSink;
  auto* last = new RecordingSink;
  ASSERT_EQ(point->Advise(other, &otherCookie), S_OK);
  ASSERT_EQ(point->Advise(last, &lastCookie), S_OK);
  ASSERT_EQ(point->Unadvise(chainedCookie), S_OK);
  EXPECT_EQ(ChainedSink::mResult, S_OK);
  // Only the last sink is left, and it receives the events.
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(connections.Receive()), S_OK);
  CONNECTDATA data[3];
  ULONG fetched = 0;
  connections->Next(3, data, &fetched);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(data[0].dwCookie, lastCookie);
  data[0].pUnk->Release();
  // The container lists its one point, the same object FindConnectionPoint gives; a clone walks
  // on from where its original stood.
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.Receive()), S_OK);
  ComPtr<IEnumConnectionPoints> clone;
  ASSERT_EQ(points->Clone(clone.Receive()), S_OK);
  ComPtr<IConnectionPoint> listed;
  ASSERT_EQ(points->Next(1, listed.Receive(), nullptr), S_OK);
  EXPECT_EQ(listed.Get(), point.Get());
  EXPECT_EQ(points->Next(1, listed.Receive(), nullptr), S_FALSE);
  ComPtr<IEnumConnectionPoints> exhausted;
  ASSERT_EQ(points->Clone(exhausted.Receive()), S_OK);
  EXPECT_EQ(exhausted->Skip(1), S_FALSE);
  ASSERT_EQ(points->Reset(), S_OK);
  EXPECT_EQ(points->Skip(1), S_OK);
  ComPtr<IConnectionPoint> fromClone;
  ASSERT_EQ(clone->Next(1, fromClone.Receive(), nullptr), S_OK);
  EXPECT_EQ(fromClone.Get(), point.Get());
  ASSERT_EQ(mBase->Taxis_Browse(), S_OK);
  EXPECT_EQ(point->Unadvise(lastCookie), S_OK);
  EXPECT_EQ(point->Unadvise(otherCookie), CONNECT_E_NOCONNECTION);
  other->Release();
  last->Release();
}

// ---- The connection component in the type library -----------------------------------------

TEST_F(EarlyBoundTest, TheLinkHasTypeInformationAndCrossesApartments) {
  UINT count = 0;
  ASSERT_EQ(mLink->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> type;
  ASSERT_EQ(mLink->GetTypeInfo(0, 0, type.Receive()), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(type->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, IID__BaseLink));
  EXPECT_TRUE((attributes->wTypeFlags & TYPEFLAG_FDUAL) != 0);
  type->ReleaseTypeAttr(attributes);
  auto errors = mLink.As<ISupportErrorInfo>(IID_ISupportErrorInfo);
  ASSERT_TRUE(errors);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID__BaseLink), S_OK);

  // Set b.Base = link from another apartment: the universal marshaler carries _BaseLink.
  IStream* stream = nullptr;
  ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID__BaseLink, mLink.Get(), &stream), S_OK);
  HRESULT unmarshaled = E_FAIL;
  HRESULT called = E_FAIL;
  VARIANT_BOOL open = VARIANT_FALSE;
  std::atomic<bool> finished{false};
  std::thread other([&] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
      ComPtr<_BaseLink> proxy;
      unmarshaled = CoGetInterfaceAndReleaseStream(stream, IID__BaseLink,
                                                   reinterpret_cast<void**>(proxy.Receive()));
      if (proxy) {
        called = proxy->IsOpen(&open);
      }
    }
    CoUninitialize();
    finished = true;
  });
  // The call comes back to this apartment, which must pump its messages meanwhile.
  while (!finished) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  other.join();
  EXPECT_EQ(unmarshaled, S_OK);
  EXPECT_EQ(called, S_OK);
  EXPECT_EQ(open, VARIANT_TRUE);
}

}  // namespace
}  // namespace vod::com::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) {
    vod::com::test::gVenue = vod::com::Utf8ToWide(argv[1]);
  }
  ::testing::AddGlobalTestEnvironment(new vod::com::test::ServerEnvironment);
  return ravelin_test::RunAllTests();
}
