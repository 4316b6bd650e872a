// A C++ host of the Ravelin server: registers the DLL with the system's regsvr32, creates Base
// by ProgID through CLSIDFromProgID and CoCreateInstance, and drives every member of _Base once
// through the vtable and once late bound through IDispatch by name, with records, collections,
// recordsets from Base.Base.BaseDatabase, events to IDispatch sinks and errors through
// IErrorInfo. Unregisters at the end and checks that no key it wrote is left.
//
// The tests run in one process, in order, on one single-threaded apartment.
#include <gtest/gtest.h>

#include <olectl.h>

#include "tests/vod/com/ComTestSupport.h"
#include "vod/RavelinIds.h"
#include "vod/com/ComRegistrationFault.h"

namespace vod::com::test {
namespace {

const std::wstring kClasses = L"Software\\Classes\\";

std::wstring Key(std::string_view guid) {
  return Utf8ToWide(guid);
}

// The keys registration writes, below a Software\Classes root.
std::vector<std::wstring> ServerKeys() {
  return {L"CLSID\\" + Key(kClsidBase),
          L"CLSID\\" + Key("{E771D59A-B95D-4B43-AE1C-916A86A6D530}"),
          L"Ravelin.Base",
          L"Ravelin.Base.1",
          L"Ravelin.BaseLink",
          L"Ravelin.BaseLink.1",
          L"TypeLib\\" + Key(kLibidRavelin),
          L"Interface\\" + Key(kIidBase),
          L"Interface\\" + Key(kDiidBaseEvents),
          L"Interface\\{1DC4A90F-530B-44C4-B4E5-0EF7EFD3BC6C}"};
}

class ServerEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
  }
  void TearDown() override {
    EXPECT_EQ(RunRegsvr32(L"/u /s"), 0u);
    for (const auto& key : ServerKeys()) {
      EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kClasses + key)) << WideToUtf8(key);
      EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kClasses + key)) << WideToUtf8(key);
    }
    CoUninitialize();
  }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

TEST(ComRegistrationTest, MachineRegistrationWritesItsKeysAndRemovesThemAll) {
  const std::wstring clsid = kClasses + L"CLSID\\" + Key(kClsidBase);
  EXPECT_TRUE(SamePath(KeyText(HKEY_LOCAL_MACHINE, clsid + L"\\InprocServer32"), ServerPath()));
  EXPECT_EQ(KeyText(HKEY_LOCAL_MACHINE, clsid + L"\\InprocServer32", L"ThreadingModel"),
            L"Apartment");
  EXPECT_EQ(KeyText(HKEY_LOCAL_MACHINE, clsid + L"\\ProgID"), L"Ravelin.Base.1");
  EXPECT_EQ(KeyText(HKEY_LOCAL_MACHINE, clsid + L"\\VersionIndependentProgID"), L"Ravelin.Base");
  EXPECT_EQ(KeyText(HKEY_LOCAL_MACHINE, kClasses + L"Ravelin.Base\\CLSID"), Key(kClsidBase));
  EXPECT_EQ(KeyText(HKEY_LOCAL_MACHINE, kClasses + L"Ravelin.Base\\CurVer"), L"Ravelin.Base.1");
  EXPECT_EQ(KeyText(HKEY_LOCAL_MACHINE, kClasses + L"Ravelin.Base.1\\CLSID"), Key(kClsidBase));
  EXPECT_EQ(KeyText(HKEY_LOCAL_MACHINE, kClasses + L"Ravelin.BaseLink\\CurVer"),
            L"Ravelin.BaseLink.1");
  // _BaseLink crosses apartments through the universal marshaler, described by this library.
  const std::wstring link = kClasses + L"Interface\\{1DC4A90F-530B-44C4-B4E5-0EF7EFD3BC6C}";
  EXPECT_EQ(KeyText(HKEY_LOCAL_MACHINE, link + L"\\ProxyStubClsid32"),
            L"{00020424-0000-0000-C000-000000000046}");
  EXPECT_EQ(KeyText(HKEY_LOCAL_MACHINE, link + L"\\TypeLib"), Key(kLibidRavelin));
  for (const auto& key : ServerKeys()) {
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kClasses + key)) << WideToUtf8(key);
  }
  // The type library names DAO's Recordset and the runtime's _Collection without taking over
  // their interface keys.
  EXPECT_NE(KeyText(HKEY_LOCAL_MACHINE,
                    kClasses + L"Interface\\{00000031-0000-0010-8000-00AA006D2EA4}\\TypeLib"),
            Key(kLibidRavelin));
  EXPECT_NE(KeyText(HKEY_LOCAL_MACHINE,
                    kClasses + L"Interface\\{A4C46780-499F-101B-BB78-00AA00383CBB}\\TypeLib"),
            Key(kLibidRavelin));

  ASSERT_EQ(RunRegsvr32(L"/u /s"), 0u);
  for (const auto& key : ServerKeys()) {
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kClasses + key)) << WideToUtf8(key);
  }
  CLSID clsid2{};
  EXPECT_TRUE(FAILED(CLSIDFromProgID(L"Ravelin.Base", &clsid2)));

  ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
  EXPECT_EQ(CLSIDFromProgID(L"Ravelin.Base", &clsid2), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid2, CLSID_Base));
}

TEST(ComRegistrationTest, PerUserRegistrationStaysUnderTheUsersClasses) {
  ASSERT_EQ(RunRegsvr32(L"/u /s"), 0u);
  ASSERT_EQ(RunRegsvr32(L"/s /n /i:user"), 0u);
  const std::wstring clsid = kClasses + L"CLSID\\" + Key(kClsidBase);
  EXPECT_TRUE(SamePath(KeyText(HKEY_CURRENT_USER, clsid + L"\\InprocServer32"), ServerPath()));
  EXPECT_EQ(KeyText(HKEY_CURRENT_USER, kClasses + L"Ravelin.Base\\CLSID"), Key(kClsidBase));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, clsid));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kClasses + L"Ravelin.Base"));
  EXPECT_EQ(KeyText(HKEY_CURRENT_USER, clsid + L"\\InprocServer32", L"ThreadingModel"),
            L"Apartment");
  EXPECT_TRUE(
      KeyExists(HKEY_CURRENT_USER,
                kClasses + L"CLSID\\{E771D59A-B95D-4B43-AE1C-916A86A6D530}\\InprocServer32"));
  // Creating from the user's classes alone needs Windows: Wine's COM reads only the machine's.

  ASSERT_EQ(RunRegsvr32(L"/u /s /n /i:user"), 0u);
  for (const auto& key : ServerKeys()) {
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kClasses + key)) << WideToUtf8(key);
  }
  ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
}

// A copy of the server beside it, under another name (so that its dependencies resolve alike).
std::wstring CopyOfServer(const wchar_t* name) {
  const std::wstring server = ServerPath();
  const std::wstring copy = server.substr(0, server.find_last_of(L'\\') + 1) + name;
  EXPECT_TRUE(CopyFileW(server.c_str(), copy.c_str(), FALSE));
  return copy;
}

TEST(ComRegistrationTest, UnregisteringOneCopyLeavesTheCopyRegisteredSince) {
  const std::wstring older = CopyOfServer(L"ravelin_vod_older.dll");
  const std::wstring newer = CopyOfServer(L"ravelin_vod_newer.dll");
  ASSERT_EQ(RunRegsvr32(L"/u /s"), 0u);
  ASSERT_EQ(RunRegsvr32(L"/s", older), 0u);
  ASSERT_EQ(RunRegsvr32(L"/s", newer), 0u);
  ASSERT_EQ(RunRegsvr32(L"/u /s", older), 0u);

  const std::wstring clsid = kClasses + L"CLSID\\" + Key(kClsidBase);
  EXPECT_TRUE(SamePath(KeyText(HKEY_LOCAL_MACHINE, clsid + L"\\InprocServer32"), newer));
  for (const auto& key : ServerKeys()) {
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kClasses + key)) << WideToUtf8(key);
  }
  const std::wstring library = kClasses + L"TypeLib\\" + Key(kLibidRavelin) + L"\\7.0\\0\\" +
                               (sizeof(void*) == 8 ? L"win64" : L"win32");
  EXPECT_NE(KeyText(HKEY_LOCAL_MACHINE, library).find(L"ravelin_vod_newer.dll"),
            std::wstring::npos);
  CLSID found{};
  EXPECT_EQ(CLSIDFromProgID(L"Ravelin.Base", &found), S_OK);

  ASSERT_EQ(RunRegsvr32(L"/u /s", newer), 0u);
  for (const auto& key : ServerKeys()) {
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kClasses + key)) << WideToUtf8(key);
  }
  DeleteFileW(older.c_str());
  DeleteFileW(newer.c_str());
  ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
}

// A key that cannot be removed (on Windows, one whose access-control list forbids deleting it;
// Wine removes such keys anyway, so the server's test hook stands in) is reported, and the
// other keys still go. Unregistering again removes what was left.
TEST(ComRegistrationTest, UnregisteringReportsAKeyItCouldNotRemove) {
  HMODULE module = LoadLibraryW(ServerPath().c_str());
  ASSERT_NE(module, nullptr);
  const auto setFault = reinterpret_cast<decltype(&RavelinSetKeyRemovalFault)>(
      reinterpret_cast<void*>(GetProcAddress(module, "RavelinSetKeyRemovalFault")));
  const auto unregister = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllUnregisterServer")));
  ASSERT_NE(setFault, nullptr);
  ASSERT_NE(unregister, nullptr);

  // A ProgID, and the class key itself (whose ProgIDs still go: they are this DLL's).
  const std::wstring stuckKeys[] = {L"Ravelin.Base.1", L"CLSID\\" + Key(kClsidBase)};
  for (const std::wstring& stuck : stuckKeys) {
    SCOPED_TRACE(WideToUtf8(stuck));
    ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
    setFault(stuck.c_str());
    EXPECT_EQ(unregister(), SELFREG_E_CLASS);
    setFault(nullptr);
    for (const auto& key : ServerKeys()) {
      EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kClasses + key), key == stuck) << WideToUtf8(key);
    }
    EXPECT_EQ(unregister(), S_OK);
    for (const auto& key : ServerKeys()) {
      EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kClasses + key)) << WideToUtf8(key);
    }
  }
  // Unset, the hook fails nothing.
  ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
  setFault(L"");
  EXPECT_EQ(unregister(), S_OK);
  FreeLibrary(module);
  ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
}

// ---- Creation and the server's counts ------------------------------------------------------

TEST(ComCreationTest, ProgIdGivesTheClassAndItsInterfaces) {
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"Ravelin.Base", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Base));
  ComPtr<_Base> base;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Base,
                             reinterpret_cast<void**>(base.Receive())),
            S_OK);
  EXPECT_TRUE(base.As<IDispatch>(IID_IDispatch));
  EXPECT_TRUE(base.As<IConnectionPointContainer>(IID_IConnectionPointContainer));
  auto classInfo = base.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
  ASSERT_TRUE(classInfo);
  GUID source{};
  EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
  EXPECT_TRUE(IsEqualGUID(source, DIID___Base));
  ComPtr<ITypeInfo> type;
  ASSERT_EQ(classInfo->GetClassInfo(type.Receive()), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(type->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, CLSID_Base));
  type->ReleaseTypeAttr(attributes);
  auto errors = base.As<ISupportErrorInfo>(IID_ISupportErrorInfo);
  ASSERT_TRUE(errors);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID__Base), S_OK);
}

TEST(ComCreationTest, CanUnloadNowCountsObjectsAndLocks) {
  HMODULE module = LoadLibraryW(ServerPath().c_str());
  ASSERT_NE(module, nullptr);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  auto canUnload = reinterpret_cast<CanUnload>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  ASSERT_NE(canUnload, nullptr);
  EXPECT_EQ(canUnload(), S_OK);
  {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_Base, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(factory.Receive())),
              S_OK);
    ComPtr<_Base> base;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID__Base, reinterpret_cast<void**>(base.Receive())),
              S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    base.Reset();
    EXPECT_EQ(canUnload(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    // A host that caches the factory may call it after CoFreeUnusedLibraries: the factory
    // alone keeps the server loaded.
    EXPECT_EQ(canUnload(), S_FALSE);
    ComPtr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.Get()), IID_IUnknown,
                                      reinterpret_cast<void**>(aggregated.Receive())),
              CLASS_E_NOAGGREGATION);
  }
  EXPECT_EQ(canUnload(), S_OK);
  FreeLibrary(module);
}

// ---- A Base on a new venue database ----------------------------------------------------------

class BaseClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mBase = NewBase();
    ASSERT_TRUE(mBase);
    mDispatch = mBase.As<IDispatch>(IID_IDispatch);
    ComPtr<IDispatch> link;
    ASSERT_EQ(mBase->get_Base(link.Receive()), S_OK);
    mLink = link.As<_BaseLink>(IID__BaseLink);
    ASSERT_TRUE(mLink);
    mPath = NewDatabasePath();
    Bstr path(mPath);
    Bstr none;
    VARIANT_BOOL created = VARIANT_FALSE;
    ASSERT_EQ(mLink->CreateBase(path.Get(), none.Get(), &created), S_OK);
    ASSERT_EQ(created, VARIANT_TRUE);
    BSTR pathSlot = path.Get();
    BSTR passwordSlot = nullptr;
    VARIANT_BOOL loadCache = VARIANT_TRUE;
    VARIANT_BOOL opened = VARIANT_FALSE;
    ASSERT_EQ(mBase->InitInterface(&pathSlot, &passwordSlot, &loadCache, &opened), S_OK);
    ASSERT_EQ(opened, VARIANT_TRUE);
    Execute(L"INSERT INTO Song (strSongName, strSignFile) VALUES ('Song One', 'ONE.MPG')");
    Execute(L"INSERT INTO Song (strSongName, strSignFile) VALUES ('Song Two', 'TWO.MPG')");
    Execute(L"INSERT INTO Song (strSongName, strSignFile) VALUES ('Song Three', 'THREE.MPG')");
    Execute(L"INSERT INTO Singer (strSingerName, bytShow) VALUES ('A', 0)");
    Execute(L"INSERT INTO Singer (strSingerName, bytShow) VALUES ('B', 0)");
    Execute(L"INSERT INTO Singer (strSingerName, bytShow) VALUES ('C', 1)");
  }
  void TearDown() override {
    mLink.Reset();
    mDispatch.Reset();
    mBase.Reset();
    DeleteFileW(mPath.c_str());
  }

  static ComPtr<_Base> NewBase() {
    CLSID clsid{};
    ComPtr<_Base> base;
    if (CLSIDFromProgID(L"Ravelin.Base", &clsid) == S_OK) {
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Base,
                       reinterpret_cast<void**>(base.Receive()));
    }
    return base;
  }

  ComPtr<IDispatch> Database() {
    ComPtr<IDispatch> database;
    EXPECT_EQ(mLink->BaseDatabase(database.Receive()), S_OK);
    return database;
  }

  void Execute(const wchar_t* sql) {
    Bstr text(sql);
    DispatchCall call;
    Call(call, Database().Get(), L"Execute", {Text(text.Get())});
  }

  // A recordset of the link's database, through Database.OpenRecordset.
  ComPtr<IDispatch> Open(const wchar_t* sql, LONG type) {
    Bstr text(sql);
    DispatchCall call;
    Call(call, Database().Get(), L"OpenRecordset", {Text(text.Get()), Long(type)});
    return ComPtr<IDispatch>(DispatchOf(call.mValue.Get()));
  }

  LONG Count(IDispatch* collection) {
    DispatchCall call;
    Call(call, collection, L"Count");
    return LongOf(call.mValue.Get());
  }

  // Item(i) of a collection, as text (records: their strRoomName).
  std::wstring ItemText(IDispatch* collection, LONG index) {
    DispatchCall call;
    Call(call, collection, L"Item", {Long(index)});
    if (V_VT(call.mValue.Get()) == VT_RECORD) {
      auto* room = static_cast<::RoomInfoStruct*>(V_RECORD(call.mValue.Get()));
      return room->strRoomName ? room->strRoomName : L"";
    }
    return TextOf(call.mValue.Get());
  }

  static void FillRoom(::RoomInfoStruct& room, const wchar_t* name, const wchar_t* host,
                       BYTE status) {
    SetText(room.strRoomName, name);
    SetText(room.strRoomHost, host);
    SetText(room.strRoomCode, L"C1");
    SetText(room.strMac, L"ab-cd");
    SetText(room.strFloor, L"f2");
    room.bytRoomStatus = status;
  }

  std::wstring mPath;
  ComPtr<_Base> mBase;
  ComPtr<IDispatch> mDispatch;
  ComPtr<_BaseLink> mLink;
};

std::wstring Str(BSTR text) {
  return text ? std::wstring(text) : std::wstring();
}

// ---- Through the vtable --------------------------------------------------------------------

TEST_F(BaseClientTest, VtableRoomsRecordsAndLists) {
  Record<::RoomInfoStruct> room(RoomGuid());
  FillRoom(*room.Get(), L" Room A ", L"HOST-A", 1);
  room.Get()->lngRoomID = 77;
  ASSERT_EQ(mBase->Room_ClearStruct(room.Get()), S_OK);  // 4
  EXPECT_EQ(room.Get()->lngRoomID, 0);
  EXPECT_EQ(Str(room.Get()->strRoomName), L"");
  EXPECT_EQ(room.Get()->bytRoomStatus, 0);

  FillRoom(*room.Get(), L" Room A ", L"HOST-A", 1);
  LONG idA = 0;
  ASSERT_EQ(mBase->Room_AddNewInfo(room.Get(), &idA), S_OK);  // 7
  EXPECT_GT(idA, 0);
  EXPECT_EQ(room.Get()->lngRoomID, idA);  // the record is updated in place
  LONG again = -1;
  ASSERT_EQ(mBase->Room_AddNewInfo(room.Get(), &again), S_OK);
  EXPECT_EQ(again, 0);
  Record<::RoomInfoStruct> roomB(RoomGuid());
  FillRoom(*roomB.Get(), L"Room B", L"HOST-B", 4);
  LONG idB = 0;
  ASSERT_EQ(mBase->Room_AddNewInfo(roomB.Get(), &idB), S_OK);
  EXPECT_GT(idB, idA);

  Bstr lower(L"room a");
  BSTR lowerSlot = lower.Get();
  LONG found = 0;
  ASSERT_EQ(mBase->Room_HaveInfo(&lowerSlot, &found), S_OK);  // 17
  EXPECT_EQ(found, idA);

  Record<::RoomInfoStruct> read(RoomGuid());
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(mBase->Room_GetInfo(&idA, read.Get(), &ok), S_OK);  // 16
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(Str(read.Get()->strRoomName), L"Room A");
  EXPECT_EQ(Str(read.Get()->strMac), L"AB-CD");
  EXPECT_EQ(Str(read.Get()->strFloor), L"F2");

  ASSERT_EQ(mBase->Room_UpdateInfo(&idA, roomB.Get(), &ok), S_OK);  // 13
  EXPECT_EQ(ok, VARIANT_FALSE);
  SetText(read.Get()->strRoomCode, L"C9");
  ASSERT_EQ(mBase->Room_UpdateInfo(&idA, read.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);

  ::RoomSearchModes mode = ::rsmAll;
  VARIANT omitted = Omitted();
  ComPtr<_Collection> all;
  ASSERT_EQ(mBase->Room_GetAll(&mode, &omitted, all.Receive()), S_OK);  // 18
  ASSERT_TRUE(all);
  EXPECT_EQ(Count(all.Get()), 2);
  EXPECT_EQ(ItemText(all.Get(), 1), L"Room A");
  EXPECT_EQ(ItemText(all.Get(), 2), L"Room B");
  mode = ::rsmStatus;
  VARIANT status = Long(4);
  ComPtr<_Collection> stopped;
  ASSERT_EQ(mBase->Room_GetAll(&mode, &status, stopped.Receive()), S_OK);
  ASSERT_EQ(Count(stopped.Get()), 1);
  EXPECT_EQ(ItemText(stopped.Get(), 1), L"Room B");

  ComPtr<_Collection> statuses;
  ASSERT_EQ(mBase->Room_ReferStatus(statuses.Receive()), S_OK);  // 21
  ASSERT_EQ(Count(statuses.Get()), 9);
  EXPECT_EQ(ItemText(statuses.Get(), 1), L"\u672a    \u7528");
  ComPtr<_Collection> modes;
  ASSERT_EQ(mBase->Room_ReferSearchMode(modes.Receive()), S_OK);  // 22
  ASSERT_EQ(Count(modes.Get()), 5);
  Bstr caption(L"\u623f\u95f4\u72b6\u6001");
  VARIANT captionValue = Text(caption.Get());
  _Collection* modesSlot = modes.Get();
  LONG order = 0;
  ASSERT_EQ(mBase->Room_ReferOrder(&modesSlot, &captionValue, &order), S_OK);  // 20
  EXPECT_EQ(order, 5);
  _Collection* nothing = nullptr;
  ASSERT_EQ(mBase->Room_ReferOrder(&nothing, &captionValue, &order), S_OK);
  EXPECT_EQ(order, 0);

  LONG idToDelete = idB;
  ASSERT_EQ(mBase->Room_DeleteInfo(&idToDelete, &ok), S_OK);  // 14
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(mBase->Room_GetInfo(&idToDelete, read.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  ASSERT_EQ(mBase->Room_ClearAllInfo(&ok), S_OK);  // 15
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(mBase->Room_HaveInfo(&lowerSlot, &found), S_OK);
  EXPECT_EQ(found, 0);
}

TEST_F(BaseClientTest, VtableBackups) {
  Record<::RoomInfoStruct> room(RoomGuid());
  FillRoom(*room.Get(), L"Room A", L"HOST-A", 1);
  LONG id = 0;
  ASSERT_EQ(mBase->Room_AddNewInfo(room.Get(), &id), S_OK);
  Bstr name(L"evening");
  BSTR nameSlot = name.Get();
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(mBase->Room_CreateBackup(&nameSlot, &ok), S_OK);  // 8
  EXPECT_EQ(ok, VARIANT_TRUE);
  Bstr upper(L"EVENING");
  BSTR upperSlot = upper.Get();
  LONG backupId = 0;
  ASSERT_EQ(mBase->Room_HaveBackup(&upperSlot, &backupId), S_OK);  // 9
  EXPECT_GT(backupId, 0);
  ComPtr<_Collection> names;
  ASSERT_EQ(mBase->Room_ReferBackup(names.Receive()), S_OK);  // 10
  ASSERT_EQ(Count(names.Get()), 1);
  EXPECT_EQ(ItemText(names.Get(), 1), L"evening");
  ASSERT_EQ(mBase->Room_ClearAllInfo(&ok), S_OK);
  ASSERT_EQ(mBase->Room_Restore(&nameSlot, &ok), S_OK);  // 11
  EXPECT_EQ(ok, VARIANT_TRUE);
  Bstr roomName(L"ROOM A");
  BSTR roomSlot = roomName.Get();
  LONG restored = 0;
  ASSERT_EQ(mBase->Room_HaveInfo(&roomSlot, &restored), S_OK);
  EXPECT_GT(restored, id);                                 // restored rooms get new keys
  ASSERT_EQ(mBase->Room_DelBackup(&nameSlot, &ok), S_OK);  // 12
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(mBase->Room_HaveBackup(&upperSlot, &backupId), S_OK);
  EXPECT_EQ(backupId, 0);
}

TEST_F(BaseClientTest, VtableSongsSelectionsCountsAndRanking) {
  Record<::DefaultSongStruct> song(DefaultSongGuid());
  SetText(song.Get()->strSongName, L"x");
  ASSERT_EQ(mBase->DefaultSong_ClearStruct(song.Get()), S_OK);  // 23
  EXPECT_EQ(Str(song.Get()->strSongName), L"");
  SetText(song.Get()->strSongName, L"Opening");
  SetText(song.Get()->strFileName, L"open.mpg");
  LONG songId = 0;
  ASSERT_EQ(mBase->DefaultSong_AddNew(song.Get(), &songId), S_OK);  // 26
  EXPECT_GT(songId, 0);
  EXPECT_EQ(song.Get()->lngDefaultSongID, songId);
  ComPtr<_Collection> songs;
  ASSERT_EQ(mBase->DefaultSong_GetAll(songs.Receive()), S_OK);  // 27
  ASSERT_EQ(Count(songs.Get()), 1);
  {
    DispatchCall item;
    Call(item, songs.Get(), L"Item", {Long(1)});
    ASSERT_EQ(V_VT(item.mValue.Get()), VT_RECORD);
    auto* stored = static_cast<::DefaultSongStruct*>(V_RECORD(item.mValue.Get()));
    EXPECT_EQ(Str(stored->strFileName), L"OPEN.MPG");
  }
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(mBase->DefaultSong_Delete(&songId, &ok), S_OK);  // 28
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(mBase->DefaultSong_Clear(&ok), S_OK);  // 29
  EXPECT_EQ(ok, VARIANT_TRUE);

  unsigned char show = 0;
  LONG count = 0;
  ASSERT_EQ(mBase->Singer_Count(&show, &count), S_OK);  // 30
  EXPECT_EQ(count, 3);
  show = 2;
  ASSERT_EQ(mBase->Singer_Count(&show, &count), S_OK);
  EXPECT_EQ(count, 1);
  ASSERT_EQ(mBase->Song_Count(&count), S_OK);  // 31
  EXPECT_EQ(count, 3);

  Record<::SelectSongStruct> selection(SelectSongGuid());
  selection.Get()->lngRoomID = 5;
  ASSERT_EQ(mBase->SelectSong_ClearStruct(selection.Get()), S_OK);  // 32
  EXPECT_EQ(selection.Get()->lngRoomID, 0);
  const wchar_t* log[][2] = {{L"2026-01-01 10:00:00", L"ONE.MPG"},
                             {L"2026-01-02 10:00:00", L"ONE.MPG"},
                             {L"2026-01-03 10:00:00", L"ONE.MPG"},
                             {L"2026-01-03 11:00:00", L"TWO.MPG"},
                             {L"2026-01-09 10:00:00", L"TWO.MPG"}};
  for (const auto& entry : log) {
    selection.Get()->lngRoomID = 1;
    SetText(selection.Get()->strDateTime, entry[0]);
    SetText(selection.Get()->strSongFile, entry[1]);
    ASSERT_EQ(mBase->SelectSong_AddNew(selection.Get(), &ok), S_OK);  // 37
    EXPECT_EQ(ok, VARIANT_TRUE);
  }
  ASSERT_EQ(mBase->SelectSong_Count(&count), S_OK);  // 36
  EXPECT_EQ(count, 5);

  Bstr begin(L"2026-01-01");
  Bstr end(L"2026-01-03 23:59");
  BSTR beginSlot = begin.Get();
  BSTR endSlot = end.Get();
  ASSERT_EQ(mBase->Taxis_Build(&beginSlot, &endSlot, &ok), S_OK);  // 43
  EXPECT_EQ(ok, VARIANT_TRUE);
  LONG limit = -1;
  BSTR text = nullptr;
  ASSERT_EQ(mBase->Taxis_Text(&limit, &text), S_OK);  // 46
  EXPECT_EQ(Str(text), L"ONE\r\nTWO");
  SysFreeString(text);

  ComPtr<RecordingSink> sink = ComPtr<RecordingSink>::Attach(new RecordingSink());
  auto container = mBase.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID___Base, point.Receive()), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
  ASSERT_EQ(mBase->Taxis_Browse(), S_OK);  // 45
  ASSERT_EQ(sink->mEvents.size(), 2u);
  EXPECT_EQ(sink->mEvents[0].mId, 2);
  EXPECT_EQ(sink->mEvents[0].mName, L"ONE.MPG");
  EXPECT_EQ(sink->mEvents[0].mRate, 50);
  EXPECT_EQ(sink->mEvents[1].mName, L"TWO.MPG");
  EXPECT_EQ(sink->mEvents[1].mRate, 100);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);

  // The ranking row with the larger key, through a recordset of the link's database.
  ComPtr<IDispatch> rows = Open(L"SELECT * FROM SongTaxis ORDER BY lngSongTaxisID DESC", 4);
  auto rowsSlot = rows.As<::Recordset>(IID_Recordset);
  ASSERT_TRUE(rowsSlot);
  Record<::SongTaxisStruct> ranked(SongTaxisGuid());
  ::Recordset* rowsPointer = rowsSlot.Get();
  ASSERT_EQ(mBase->Taxis_Base2Struct(&rowsPointer, ranked.Get(), &ok), S_OK);  // 44
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(Str(ranked.Get()->strSongFile), L"TWO.MPG");
  EXPECT_EQ(ranked.Get()->lngClickRate, 1);
  LONG rankedId = ranked.Get()->lngSongTaxisID;
  ASSERT_EQ(mBase->Taxis_ClearStruct(ranked.Get()), S_OK);  // 39
  EXPECT_EQ(ranked.Get()->lngClickRate, 0);
  ASSERT_EQ(mBase->Taxis_Delete(&rankedId, &ok), S_OK);  // 41
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(mBase->Taxis_Text(&limit, &text), S_OK);
  EXPECT_EQ(Str(text), L"ONE");
  SysFreeString(text);
  ASSERT_EQ(mBase->Taxis_Clear(&ok), S_OK);  // 42
  EXPECT_EQ(ok, VARIANT_TRUE);

  Bstr cut(L"2026-01-03 08:00:00");
  BSTR cutSlot = cut.Get();
  ASSERT_EQ(mBase->SelectSong_ClearFrom(&cutSlot, &ok), S_OK);  // 38
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(mBase->SelectSong_Count(&count), S_OK);
  EXPECT_EQ(count, 3);
  ASSERT_EQ(mBase->SelectSong_Clear(&ok), S_OK);  // 35
  EXPECT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(mBase->SelectSong_Count(&count), S_OK);
  EXPECT_EQ(count, 0);
}

// The record members with recordsets from Base.Base.BaseDatabase: each family writes a new row
// with _Struct2Base and reads it back with _Base2Struct.
TEST_F(BaseClientTest, VtableRecordCopiesWithTheLinksRecordsets) {
  VARIANT_BOOL ok = VARIANT_FALSE;

  Record<::RoomInfoStruct> room(RoomGuid());
  FillRoom(*room.Get(), L" Lobby ", L"HOST-L", 2);
  {
    ComPtr<IDispatch> added = Open(L"SELECT * FROM Room", 2);
    DispatchCall addNew;
    Call(addNew, added.Get(), L"AddNew");
    auto slot = added.As<::Recordset>(IID_Recordset);
    ::Recordset* pointer = slot.Get();
    ASSERT_EQ(mBase->Room_Struct2Base(&pointer, room.Get(), &ok), S_OK);  // 5
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_GT(room.Get()->lngRoomID, 0);
    DispatchCall update;
    Call(update, added.Get(), L"Update");
    ComPtr<IDispatch> row = Open(
        (L"SELECT * FROM Room WHERE lngRoomID=" + std::to_wstring(room.Get()->lngRoomID)).c_str(),
        4);
    auto rowSlot = row.As<::Recordset>(IID_Recordset);
    pointer = rowSlot.Get();
    Record<::RoomInfoStruct> back(RoomGuid());
    ASSERT_EQ(mBase->Room_Base2Struct(&pointer, back.Get(), &ok), S_OK);  // 6
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(Str(back.Get()->strRoomName), L"Lobby");
    EXPECT_EQ(back.Get()->bytRoomStatus, 2);
  }
  {
    Record<::DefaultSongStruct> song(DefaultSongGuid());
    SetText(song.Get()->strSongName, L" Intro ");
    SetText(song.Get()->strFileName, L"intro.mpg ");
    ComPtr<IDispatch> added = Open(L"SELECT * FROM DefaultSong", 2);
    DispatchCall addNew;
    Call(addNew, added.Get(), L"AddNew");
    auto slot = added.As<::Recordset>(IID_Recordset);
    ::Recordset* pointer = slot.Get();
    ASSERT_EQ(mBase->DefaultSong_Struct2Base(&pointer, song.Get(), &ok), S_OK);  // 24
    EXPECT_EQ(ok, VARIANT_TRUE);
    DispatchCall update;
    Call(update, added.Get(), L"Update");
    ComPtr<IDispatch> row = Open(L"SELECT * FROM DefaultSong", 4);
    auto rowSlot = row.As<::Recordset>(IID_Recordset);
    pointer = rowSlot.Get();
    Record<::DefaultSongStruct> back(DefaultSongGuid());
    ASSERT_EQ(mBase->DefaultSong_Base2Struct(&pointer, back.Get(), &ok), S_OK);  // 25
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(back.Get()->lngDefaultSongID, song.Get()->lngDefaultSongID);
    EXPECT_EQ(Str(back.Get()->strFileName), L"INTRO.MPG");
  }
  {
    Record<::SelectSongStruct> selection(SelectSongGuid());
    selection.Get()->lngRoomID = 3;
    selection.Get()->bytStatus = 1;
    SetText(selection.Get()->strDateTime, L"2026-02-01 09:00:00");
    SetText(selection.Get()->strSongFile, L"one.mpg");
    ComPtr<IDispatch> added = Open(L"SELECT * FROM SelectSong", 2);
    DispatchCall addNew;
    Call(addNew, added.Get(), L"AddNew");
    auto slot = added.As<::Recordset>(IID_Recordset);
    ::Recordset* pointer = slot.Get();
    ASSERT_EQ(mBase->SelectSong_Struct2Base(&pointer, selection.Get(), &ok), S_OK);  // 33
    EXPECT_EQ(ok, VARIANT_TRUE);
    DispatchCall update;
    Call(update, added.Get(), L"Update");
    ComPtr<IDispatch> row = Open(L"SELECT * FROM SelectSong", 4);
    auto rowSlot = row.As<::Recordset>(IID_Recordset);
    pointer = rowSlot.Get();
    Record<::SelectSongStruct> back(SelectSongGuid());
    ASSERT_EQ(mBase->SelectSong_Base2Struct(&pointer, back.Get(), &ok), S_OK);  // 34
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(Str(back.Get()->strSongFile), L"ONE.MPG");
    EXPECT_EQ(back.Get()->lngRoomID, 3);
  }
  {
    Record<::SongTaxisStruct> ranked(SongTaxisGuid());
    SetText(ranked.Get()->strSongName, L"Song One");
    SetText(ranked.Get()->strSongFile, L"one.mpg");
    ranked.Get()->lngClickRate = 7;
    ComPtr<IDispatch> added = Open(L"SELECT * FROM SongTaxis", 2);
    DispatchCall addNew;
    Call(addNew, added.Get(), L"AddNew");
    auto slot = added.As<::Recordset>(IID_Recordset);
    ::Recordset* pointer = slot.Get();
    ASSERT_EQ(mBase->Taxis_Struct2Base(&pointer, ranked.Get(), &ok), S_OK);  // 40
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_GT(ranked.Get()->lngSongTaxisID, 0);
    DispatchCall update;
    Call(update, added.Get(), L"Update");
    DispatchCall field;
    ComPtr<IDispatch> row = Open(L"SELECT * FROM SongTaxis", 4);
    Bstr column(L"lngClickRate");
    Call(field, row.Get(), L"Fields", {Text(column.Get())});
    // Fields("name") is a Field whose default member is its value.
    DispatchCall value;
    Call(value, DispatchOf(field.mValue.Get()), L"Value");
    EXPECT_EQ(LongOf(value.mValue.Get()), 7);
  }
}

// ---- Late bound, by name -------------------------------------------------------------------

TEST_F(BaseClientTest, DispatchDrivesEveryMemberByName) {
  IDispatch* base = mDispatch.Get();
  // 1, 2: the property Base, get and put by reference.
  DispatchCall link;
  Call(link, base, L"Base");
  ASSERT_EQ(V_VT(link.mValue.Get()), VT_DISPATCH);
  {
    DispatchCall put;
    Invoke(put, base, L"BASE", DISPATCH_PROPERTYPUTREF, {Object(DispatchOf(link.mValue.Get()))});
    EXPECT_EQ(put.mResult, S_OK);
  }
  // 3: InitInterface with the optional arguments omitted and by name.
  Bstr path(mPath);
  DispatchCall init;
  Call(init, base, L"initinterface", {Text(path.Get())});
  EXPECT_TRUE(BoolOf(init.mValue.Get()));

  // 4 to 7: a room record in a VARIANT passed by reference, as a script's variable is.
  VARIANT roomVariant;
  VariantInit(&roomVariant);
  DispatchCall clear;
  Call(clear, base, L"Room_ClearStruct", {ByRef(&roomVariant)});  // Empty becomes a record
  ASSERT_EQ(V_VT(&roomVariant), VT_RECORD);
  auto* room = static_cast<::RoomInfoStruct*>(V_RECORD(&roomVariant));
  FillRoom(*room, L"Room D", L"HOST-D", 1);
  DispatchCall add;
  Call(add, base, L"Room_AddNewInfo", {ByRef(&roomVariant)});
  const LONG id = LongOf(add.mValue.Get());
  EXPECT_GT(id, 0);
  room = static_cast<::RoomInfoStruct*>(V_RECORD(&roomVariant));
  EXPECT_EQ(room->lngRoomID, id);  // written back through the reference

  ComPtr<IDispatch> rooms = Open(L"SELECT * FROM Room", 2);
  DispatchCall read;
  Record<::RoomInfoStruct> copy(RoomGuid());
  Call(read, base, L"Room_Base2Struct", {Object(rooms.Get()), copy.ByRef()});
  EXPECT_TRUE(BoolOf(read.mValue.Get()));
  EXPECT_EQ(Str(copy.Get()->strRoomName), L"Room D");
  DispatchCall addNew;
  Call(addNew, rooms.Get(), L"AddNew");
  SetText(copy.Get()->strRoomName, L"Room E");
  SetText(copy.Get()->strRoomHost, L"HOST-E");
  DispatchCall write;
  Call(write, base, L"Room_Struct2Base", {Object(rooms.Get()), copy.ByRef()});
  EXPECT_TRUE(BoolOf(write.mValue.Get()));
  DispatchCall update;
  Call(update, rooms.Get(), L"Update");

  // 8 to 12: backups.
  Bstr backup(L"late");
  DispatchCall created, have, names, restored, deleted;
  Call(created, base, L"Room_CreateBackup", {Text(backup.Get())});
  EXPECT_TRUE(BoolOf(created.mValue.Get()));
  Call(have, base, L"Room_HaveBackup", {Text(backup.Get())});
  EXPECT_GT(LongOf(have.mValue.Get()), 0);
  Call(names, base, L"Room_ReferBackup");
  EXPECT_EQ(Count(DispatchOf(names.mValue.Get())), 1);
  Call(restored, base, L"Room_Restore", {Text(backup.Get())});
  EXPECT_TRUE(BoolOf(restored.mValue.Get()));
  Call(deleted, base, L"Room_DelBackup", {Text(backup.Get())});
  EXPECT_TRUE(BoolOf(deleted.mValue.Get()));

  // 13 to 17.
  Bstr roomName(L"room d");
  DispatchCall haveRoom;
  Call(haveRoom, base, L"Room_HaveInfo", {Text(roomName.Get())});
  const LONG restoredId = LongOf(haveRoom.mValue.Get());
  EXPECT_GT(restoredId, 0);
  VARIANT got;
  VariantInit(&got);
  DispatchCall getInfo;
  Call(getInfo, base, L"Room_GetInfo", {Long(restoredId), ByRef(&got)});
  EXPECT_TRUE(BoolOf(getInfo.mValue.Get()));
  ASSERT_EQ(V_VT(&got), VT_RECORD);
  auto* gotRoom = static_cast<::RoomInfoStruct*>(V_RECORD(&got));
  EXPECT_EQ(Str(gotRoom->strRoomHost), L"HOST-D");
  SetText(gotRoom->strFloor, L"b1");
  DispatchCall updated;
  Call(updated, base, L"Room_UpdateInfo", {Long(restoredId), ByRef(&got)});
  EXPECT_TRUE(BoolOf(updated.mValue.Get()));
  VariantClear(&got);

  // 18 to 22, with named arguments and an omitted optional one.
  {
    DISPID ids[3] = {};
    LPOLESTR parts[] = {const_cast<LPOLESTR>(L"Room_GetAll"), const_cast<LPOLESTR>(L"VARDATA"),
                        const_cast<LPOLESTR>(L"bytSearchMode")};
    ASSERT_EQ(base->GetIDsOfNames(IID_NULL, parts, 3, LOCALE_USER_DEFAULT, ids), S_OK);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], 0);
    Bstr prefix(L"room e");
    VARIANT arguments[2] = {Text(prefix.Get()), Long(1)};
    DISPID named[2] = {1, 0};
    DISPPARAMS params{arguments, named, 2, 2};
    VariantValue result;
    ASSERT_EQ(base->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                           result.Get(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(Count(DispatchOf(result.Get())), 1);
  }
  DispatchCall all;
  Call(all, base, L"Room_GetAll");
  EXPECT_EQ(Count(DispatchOf(all.mValue.Get())), 2);
  ComPtr<RecordingSink> sink = ComPtr<RecordingSink>::Attach(new RecordingSink());
  auto container = mBase.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID___Base, point.Receive()), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
  DispatchCall browse;
  Call(browse, base, L"Room_BrowseInfo", {Long(0), Omitted()});
  ASSERT_EQ(sink->mEvents.size(), 2u);
  EXPECT_EQ(sink->mEvents[0].mId, 1);
  EXPECT_EQ(sink->mEvents[1].mRate, 100);
  point->Unadvise(cookie);
  DispatchCall statuses, modes, order;
  Call(statuses, base, L"Room_ReferStatus");
  EXPECT_EQ(Count(DispatchOf(statuses.mValue.Get())), 9);
  Call(modes, base, L"Room_ReferSearchMode");
  Bstr caption(L"\u623f\u95f4\u540d\u79f0");
  Call(order, base, L"Room_ReferOrder", {modes.mValue.Get()[0], Text(caption.Get())});
  EXPECT_EQ(LongOf(order.mValue.Get()), 2);

  // 23 to 31.
  Record<::DefaultSongStruct> song(DefaultSongGuid());
  DispatchCall songClear, songAdd, songAll, songDelete, songsClear, singers, songCount;
  Call(songClear, base, L"DefaultSong_ClearStruct", {song.ByRef()});
  SetText(song.Get()->strSongName, L"Song");
  SetText(song.Get()->strFileName, L"a.mpg");
  Call(songAdd, base, L"DefaultSong_AddNew", {song.ByRef()});
  EXPECT_GT(LongOf(songAdd.mValue.Get()), 0);
  Call(songAll, base, L"DefaultSong_GetAll");
  EXPECT_EQ(Count(DispatchOf(songAll.mValue.Get())), 1);
  ComPtr<IDispatch> songRows = Open(L"SELECT * FROM DefaultSong", 2);
  Record<::DefaultSongStruct> songCopy(DefaultSongGuid());
  DispatchCall songRead, songAddNew, songWrite, songUpdate;
  Call(songRead, base, L"DefaultSong_Base2Struct", {Object(songRows.Get()), songCopy.ByRef()});
  EXPECT_TRUE(BoolOf(songRead.mValue.Get()));
  EXPECT_EQ(Str(songCopy.Get()->strFileName), L"A.MPG");
  Call(songAddNew, songRows.Get(), L"AddNew");
  Call(songWrite, base, L"DefaultSong_Struct2Base", {Object(songRows.Get()), songCopy.ByRef()});
  EXPECT_TRUE(BoolOf(songWrite.mValue.Get()));
  Call(songUpdate, songRows.Get(), L"Update");
  Call(songDelete, base, L"DefaultSong_Delete", {Long(songCopy.Get()->lngDefaultSongID)});
  EXPECT_TRUE(BoolOf(songDelete.mValue.Get()));
  Call(songsClear, base, L"DefaultSong_Clear");
  EXPECT_TRUE(BoolOf(songsClear.mValue.Get()));
  Call(singers, base, L"Singer_Count");
  EXPECT_EQ(LongOf(singers.mValue.Get()), 3);
  DispatchCall shown;
  Call(shown, base, L"Singer_Count", {Long(1)});
  EXPECT_EQ(LongOf(shown.mValue.Get()), 2);
  Call(songCount, base, L"Song_Count");
  EXPECT_EQ(LongOf(songCount.mValue.Get()), 3);

  // 32 to 38.
  Record<::SelectSongStruct> selection(SelectSongGuid());
  DispatchCall selectionClear, selectionAdd, selectionCount;
  Call(selectionClear, base, L"SelectSong_ClearStruct", {selection.ByRef()});
  selection.Get()->lngRoomID = restoredId;
  SetText(selection.Get()->strDateTime, L"2026-03-01 20:00:00");
  SetText(selection.Get()->strSongFile, L"THREE.MPG");
  Call(selectionAdd, base, L"SelectSong_AddNew", {selection.ByRef()});
  EXPECT_TRUE(BoolOf(selectionAdd.mValue.Get()));
  ComPtr<IDispatch> selectionRows = Open(L"SELECT * FROM SelectSong", 2);
  Record<::SelectSongStruct> selectionCopy(SelectSongGuid());
  DispatchCall selectionRead, selectionAddNew, selectionWrite, selectionUpdate;
  Call(selectionRead, base, L"SelectSong_Base2Struct",
       {Object(selectionRows.Get()), selectionCopy.ByRef()});
  EXPECT_TRUE(BoolOf(selectionRead.mValue.Get()));
  EXPECT_EQ(Str(selectionCopy.Get()->strSongFile), L"THREE.MPG");
  Call(selectionAddNew, selectionRows.Get(), L"AddNew");
  Call(selectionWrite, base, L"SelectSong_Struct2Base",
       {Object(selectionRows.Get()), selectionCopy.ByRef()});
  EXPECT_TRUE(BoolOf(selectionWrite.mValue.Get()));
  Call(selectionUpdate, selectionRows.Get(), L"Update");
  Call(selectionCount, base, L"SelectSong_Count");
  EXPECT_EQ(LongOf(selectionCount.mValue.Get()), 2);

  // 39 to 46.
  Bstr from(L"2026-03-01");
  Bstr to(L"2026-03-31");
  DispatchCall build, text, limited;
  Call(build, base, L"Taxis_Build", {Text(from.Get()), Text(to.Get())});
  EXPECT_TRUE(BoolOf(build.mValue.Get()));
  Call(text, base, L"Taxis_Text");
  EXPECT_EQ(TextOf(text.mValue.Get()), L"THREE");
  Call(limited, base, L"Taxis_Text", {Long(1)});
  EXPECT_EQ(TextOf(limited.mValue.Get()), L"");
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
  sink->mEvents.clear();
  DispatchCall taxisBrowse;
  Call(taxisBrowse, base, L"Taxis_Browse");
  ASSERT_EQ(sink->mEvents.size(), 1u);
  EXPECT_EQ(sink->mEvents[0].mRate, 100);
  point->Unadvise(cookie);
  ComPtr<IDispatch> ranking = Open(L"SELECT * FROM SongTaxis", 2);
  Record<::SongTaxisStruct> rankingCopy(SongTaxisGuid());
  DispatchCall rankingRead, rankingAddNew, rankingWrite, rankingUpdate, rankingClear;
  Call(rankingRead, base, L"Taxis_Base2Struct", {Object(ranking.Get()), rankingCopy.ByRef()});
  EXPECT_TRUE(BoolOf(rankingRead.mValue.Get()));
  EXPECT_EQ(rankingCopy.Get()->lngClickRate, 2);
  Call(rankingAddNew, ranking.Get(), L"AddNew");
  Call(rankingWrite, base, L"Taxis_Struct2Base", {Object(ranking.Get()), rankingCopy.ByRef()});
  EXPECT_TRUE(BoolOf(rankingWrite.mValue.Get()));
  Call(rankingUpdate, ranking.Get(), L"Update");
  Call(rankingClear, base, L"Taxis_ClearStruct", {rankingCopy.ByRef()});
  EXPECT_EQ(rankingCopy.Get()->lngClickRate, 0);
  DispatchCall rankingDelete, rankingsClear, clearFrom, selectionsClear, roomDelete, roomsClear;
  Call(rankingDelete, base, L"Taxis_Delete", {Long(1)});
  EXPECT_TRUE(BoolOf(rankingDelete.mValue.Get()));
  Call(rankingsClear, base, L"Taxis_Clear");
  EXPECT_TRUE(BoolOf(rankingsClear.mValue.Get()));
  Bstr cut(L"2026-03-02");
  Call(clearFrom, base, L"SelectSong_ClearFrom", {Text(cut.Get())});
  EXPECT_TRUE(BoolOf(clearFrom.mValue.Get()));
  Call(selectionsClear, base, L"SelectSong_Clear");
  EXPECT_TRUE(BoolOf(selectionsClear.mValue.Get()));
  Call(roomDelete, base, L"Room_DeleteInfo", {Long(restoredId)});
  EXPECT_TRUE(BoolOf(roomDelete.mValue.Get()));
  Call(roomsClear, base, L"Room_ClearAllInfo");
  EXPECT_TRUE(BoolOf(roomsClear.mValue.Get()));
  VariantClear(&roomVariant);
}

TEST_F(BaseClientTest, CollectionsEnumerateForEachAndRefuseBadIndexes) {
  DispatchCall statuses;
  Call(statuses, mDispatch.Get(), L"Room_ReferStatus");
  IDispatch* collection = DispatchOf(statuses.mValue.Get());
  DispatchCall enumerator;
  Invoke(enumerator, collection, L"_NewEnum", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
  ASSERT_EQ(enumerator.mResult, S_OK);
  ComPtr<IUnknown> unknown(V_UNKNOWN(enumerator.mValue.Get()));
  auto items = unknown.As<IEnumVARIANT>(IID_IEnumVARIANT);
  ASSERT_TRUE(items);
  VARIANT item[4];
  ULONG fetched = 0;
  EXPECT_EQ(items->Next(4, item, &fetched), S_OK);
  EXPECT_EQ(fetched, 4u);
  EXPECT_EQ(TextOf(&item[1]), L"\u6b63\u5e38\u4f7f\u7528");
  for (auto& v : item) {
    VariantClear(&v);
  }
  EXPECT_EQ(items->Skip(4), S_OK);
  EXPECT_EQ(items->Next(4, item, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 1u);
  VariantClear(&item[0]);

  DispatchCall added, count;
  Bstr extra(L"extra");
  Call(added, collection, L"Add", {Text(extra.Get())});
  Call(count, collection, L"Count");
  EXPECT_EQ(LongOf(count.mValue.Get()), 10);

  DispatchCall bad;
  Invoke(bad, collection, L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Long(11)});
  EXPECT_EQ(bad.mResult, DISP_E_EXCEPTION);
  EXPECT_EQ(bad.mException.scode, static_cast<SCODE>(0x800A0009));
  EXPECT_EQ(Str(bad.mException.bstrDescription), L"Subscript out of range");
}

// ---- Errors --------------------------------------------------------------------------------

TEST_F(BaseClientTest, PassedOnErrorsCarryTheRuntimesNumbersAndTexts) {
  // An object without the link interface: type mismatch, and the old link stays.
  ComPtr<_Collection> statuses;
  ASSERT_EQ(mBase->Room_ReferStatus(statuses.Receive()), S_OK);
  IDispatch* notALink = statuses.Get();
  EXPECT_EQ(mBase->putref_Base(&notALink), static_cast<HRESULT>(0x800A000D));
  EXPECT_EQ(ErrorText(), L"Type mismatch");
  ComPtr<IDispatch> still;
  ASSERT_EQ(mBase->get_Base(still.Receive()), S_OK);
  EXPECT_EQ(still.As<_BaseLink>(IID__BaseLink).Get(), mLink.Get());

  DispatchCall mismatch;
  Invoke(mismatch, mDispatch.Get(), L"Base", DISPATCH_PROPERTYPUTREF, {Object(notALink)});
  EXPECT_EQ(mismatch.mResult, DISP_E_EXCEPTION);
  EXPECT_EQ(mismatch.mException.scode, static_cast<SCODE>(0x800A000D));
  EXPECT_EQ(Str(mismatch.mException.bstrDescription), L"Type mismatch");

  // Items that cannot be compared with varData: Nothing gives 91, an object 438; a Null
  // matches no item, as a comparison with Null is never true.
  _Collection* list = statuses.Get();
  LONG order = -1;
  VARIANT nothingValue = Object(nullptr);
  EXPECT_EQ(mBase->Room_ReferOrder(&list, &nothingValue, &order), static_cast<HRESULT>(0x800A005B));
  EXPECT_EQ(ErrorText(), L"Object variable or With block variable not set");
  VARIANT objectValue = Object(statuses.Get());
  EXPECT_EQ(mBase->Room_ReferOrder(&list, &objectValue, &order), static_cast<HRESULT>(0x800A01B6));
  EXPECT_EQ(ErrorText(), L"Object doesn't support this property or method");
  VARIANT null;
  VariantInit(&null);
  V_VT(&null) = VT_NULL;
  EXPECT_EQ(mBase->Room_ReferOrder(&list, &null, &order), S_OK);
  EXPECT_EQ(order, 0);

  // DAO's own errors through the recordset: no current record (3021).
  ComPtr<IDispatch> empty = Open(L"SELECT * FROM Room", 4);
  DispatchCall move;
  Invoke(move, empty.Get(), L"MoveNext", DISPATCH_METHOD, {});
  EXPECT_EQ(move.mResult, DISP_E_EXCEPTION);
  EXPECT_EQ(move.mException.scode, static_cast<SCODE>(0x800A0000 | 3021));
  EXPECT_FALSE(Str(move.mException.bstrDescription).empty());

  // Without a link: the passed-on members raise 91, the trapped ones give their neutral value.
  IDispatch* nothing = nullptr;
  ASSERT_EQ(mBase->putref_Base(&nothing), S_OK);
  ComPtr<IDispatch> none;
  ASSERT_EQ(mBase->get_Base(none.Receive()), S_OK);
  EXPECT_FALSE(none);
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(mBase->SelectSong_Clear(&ok), static_cast<HRESULT>(0x800A005B));
  EXPECT_EQ(ErrorText(), L"Object variable or With block variable not set");
  DispatchCall cleared;
  Invoke(cleared, mDispatch.Get(), L"Taxis_Clear", DISPATCH_METHOD, {});
  EXPECT_EQ(cleared.mResult, DISP_E_EXCEPTION);
  EXPECT_EQ(cleared.mException.scode, static_cast<SCODE>(0x800A005B));
  LONG count = -1;
  EXPECT_EQ(mBase->Song_Count(&count), S_OK);
  EXPECT_EQ(count, 0);
  Bstr path(mPath);
  DispatchCall init;
  Call(init, mDispatch.Get(), L"InitInterface", {Text(path.Get())});
  EXPECT_FALSE(BoolOf(init.mValue.Get()));

  // Decoding faults are IDispatch's own codes.
  DispatchCall unknown;
  Invoke(unknown, mDispatch.Get(), L"NoSuchMember", DISPATCH_METHOD, {});
  EXPECT_EQ(unknown.mResult, DISP_E_UNKNOWNNAME);
  DispatchCall missing;
  Invoke(missing, mDispatch.Get(), L"Room_HaveInfo", DISPATCH_METHOD, {});
  EXPECT_EQ(missing.mResult, DISP_E_PARAMNOTFOUND);
  DispatchCall tooMany;
  Invoke(tooMany, mDispatch.Get(), L"Song_Count", DISPATCH_METHOD, {Long(1)});
  EXPECT_EQ(tooMany.mResult, DISP_E_BADPARAMCOUNT);
  DispatchCall wrongType;
  Invoke(wrongType, mDispatch.Get(), L"Room_DeleteInfo", DISPATCH_METHOD, {Object(statuses.Get())});
  EXPECT_EQ(wrongType.mResult, DISP_E_TYPEMISMATCH);
}

// ---- Links and events ----------------------------------------------------------------------

TEST_F(BaseClientTest, OneOpenLinkServesSeveralBasesAndEndsWithTheFirstToClose) {
  ComPtr<_Base> second = NewBase();
  ASSERT_TRUE(second);
  IDispatch* shared = mLink.Get();
  ASSERT_EQ(second->putref_Base(&shared), S_OK);
  ComPtr<IDispatch> got;
  ASSERT_EQ(second->get_Base(got.Receive()), S_OK);
  EXPECT_EQ(got.As<_BaseLink>(IID__BaseLink).Get(), mLink.Get());  // the same object back
  LONG count = 0;
  ASSERT_EQ(second->Song_Count(&count), S_OK);
  EXPECT_EQ(count, 3);
  // A Base that ends closes its link, also for the other holders.
  second.Reset();
  VARIANT_BOOL open = VARIANT_TRUE;
  ASSERT_EQ(mLink->IsOpen(&open), S_OK);
  EXPECT_EQ(open, VARIANT_FALSE);
  ASSERT_EQ(mBase->Song_Count(&count), S_OK);
  EXPECT_EQ(count, 0);
}

TEST_F(BaseClientTest, SeveralSinksAndOneThatDisconnectsItselfDuringTheWalk) {
  Record<::RoomInfoStruct> room(RoomGuid());
  for (const wchar_t* name : {L"R1", L"R2", L"R3"}) {
    FillRoom(*room.Get(), name, name, 0);
    LONG id = 0;
    ASSERT_EQ(mBase->Room_AddNewInfo(room.Get(), &id), S_OK);
  }
  auto container = mBase.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID___Base, point.Receive()), S_OK);
  ComPtr<IConnectionPoint> other;
  EXPECT_EQ(container->FindConnectionPoint(IID__Base, other.Receive()), CONNECT_E_NOCONNECTION);

  ComPtr<RecordingSink> leaving = ComPtr<RecordingSink>::Attach(new RecordingSink());
  ComPtr<RecordingSink> staying = ComPtr<RecordingSink>::Attach(new RecordingSink());
  DWORD leavingCookie = 0;
  DWORD stayingCookie = 0;
  ASSERT_EQ(point->Advise(leaving.Get(), &leavingCookie), S_OK);
  ASSERT_EQ(point->Advise(staying.Get(), &stayingCookie), S_OK);
  EXPECT_NE(leavingCookie, stayingCookie);
  leaving->mAfterEvent = [&] {
    EXPECT_EQ(point->Unadvise(leavingCookie), S_OK);
    leaving.Reset();  // the walk holds its own reference while the sink runs
  };
  ASSERT_EQ(mBase->Room_BrowseInfo(nullptr, nullptr), S_OK);
  ASSERT_EQ(staying->mEvents.size(), 3u);
  EXPECT_EQ(staying->mEvents[0].mName, L"R1");  // not what the first sink wrote
  EXPECT_EQ(staying->mEvents[0].mRate, 33);
  EXPECT_EQ(staying->mEvents[1].mRate, 67);
  EXPECT_EQ(staying->mEvents[2].mRate, 100);

  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(connections.Receive()), S_OK);
  CONNECTDATA data[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(connections->Next(2, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(data[0].dwCookie, stayingCookie);
  data[0].pUnk->Release();
  EXPECT_EQ(point->Unadvise(stayingCookie), S_OK);
}

}  // namespace
}  // namespace vod::com::test
