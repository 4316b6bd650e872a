// ComBase: the COM class Base of the Ravelin server, a shell around vod::Base.
//
// It implements the dual interface _Base with the vtable widl generates from Ravelin.idl, and
// IDispatch by hand over all 46 members with the type library's DISPIDs (Wine's
// ITypeInfo::Invoke cannot pass records). Each vtable member converts its arguments (BSTR to
// UTF-8, the type library's records to the vod records, Recordset and Collection objects to
// the stand-in objects they wrap), calls the vod::Base member and converts back: records passed
// by reference are written back in place, results become BSTR, VARIANT_BOOL, Long or dispatch
// objects. IDispatch decodes its arguments into the same vtable slots and calls the vtable, so
// both routes run the same code. Errors the member passes on come back as the runtime's
// failure code with IErrorInfo (vtable) or as DISP_E_EXCEPTION with EXCEPINFO (IDispatch);
// trapped members return their neutral values as vod::Base does.
//
// Events: IConnectionPointContainer with one IConnectionPoint for __Base, the same object
// for as long as a host holds it. Sinks are plain
// IDispatch objects; each connected sink receives OnRoomBrowseInfo and OnTaxisBrowse with the
// record (VT_RECORD) and the rate (VT_I4) by reference, each sink its own copy. A sink may
// connect or disconnect sinks, itself included, while an event runs, and may release the last
// reference to the object: the walking members keep it alive until they return.
//
// The connection component: on creation the object makes a BaseLink with CoCreateInstance
// (Nothing when that fails); the property Base hands out and takes COM links, this server's or
// a host's own.
//
// Ownership: COM reference counting; the object owns its vod::Base, which closes its link when
// the object ends. Apartment-threaded: it lives in the apartment that created it and is called
// on that thread only.
#pragma once

// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>

#include <utility>
#include <vector>

#include "Ravelin_h.h"
#include "vod/Base.h"
#include "vod/com/ComConvert.h"
#include "vod/com/ComObjects.h"
#include "vod/com/ComSupport.h"

namespace vod::com {

class ComBase final
    : public ComObject<_Base, IConnectionPointContainer, IProvideClassInfo2, ISupportErrorInfo> {
 public:
  // A new object with one reference, which the result holds.
  static ComPtr<_Base> Create();

  // IUnknown (AddRef and Release: ComObject)
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

  // _Base, in interface order
  STDMETHODIMP get_Base(IDispatch** Base) override;
  STDMETHODIMP putref_Base(IDispatch** varObj) override;
  STDMETHODIMP InitInterface(BSTR* strBasePath, BSTR* strBasePassword, VARIANT_BOOL* blnLoadCache,
                             VARIANT_BOOL* result) override;
  STDMETHODIMP Room_ClearStruct(::RoomInfoStruct* sttRoomInfo) override;
  STDMETHODIMP Room_Struct2Base(::Recordset** recTmp, ::RoomInfoStruct* sttRoomInfo,
                                VARIANT_BOOL* result) override;
  STDMETHODIMP Room_Base2Struct(::Recordset** recTmp, ::RoomInfoStruct* sttRoomInfo,
                                VARIANT_BOOL* result) override;
  STDMETHODIMP Room_AddNewInfo(::RoomInfoStruct* sttRoomInfo, LONG* result) override;
  STDMETHODIMP Room_CreateBackup(BSTR* strBackupName, VARIANT_BOOL* result) override;
  STDMETHODIMP Room_HaveBackup(BSTR* strBackupName, LONG* result) override;
  STDMETHODIMP Room_ReferBackup(_Collection** result) override;
  STDMETHODIMP Room_Restore(BSTR* strBackupName, VARIANT_BOOL* result) override;
  STDMETHODIMP Room_DelBackup(BSTR* strBackupName, VARIANT_BOOL* result) override;
  STDMETHODIMP Room_UpdateInfo(LONG* lngRoomID, ::RoomInfoStruct* sttRoomInfo,
                               VARIANT_BOOL* result) override;
  STDMETHODIMP Room_DeleteInfo(LONG* lngRoomID, VARIANT_BOOL* result) override;
  STDMETHODIMP Room_ClearAllInfo(VARIANT_BOOL* result) override;
  STDMETHODIMP Room_GetInfo(LONG* lngRoomID, ::RoomInfoStruct* sttRoomInfo,
                            VARIANT_BOOL* result) override;
  STDMETHODIMP Room_HaveInfo(BSTR* strRoomName, LONG* result) override;
  STDMETHODIMP Room_GetAll(::RoomSearchModes* bytSearchMode, VARIANT* varData,
                           _Collection** result) override;
  STDMETHODIMP Room_BrowseInfo(::RoomSearchModes* bytSearchMode, VARIANT* varData) override;
  STDMETHODIMP Room_ReferOrder(_Collection** collRef, VARIANT* varData, LONG* result) override;
  STDMETHODIMP Room_ReferStatus(_Collection** result) override;
  STDMETHODIMP Room_ReferSearchMode(_Collection** result) override;
  STDMETHODIMP DefaultSong_ClearStruct(::DefaultSongStruct* sttDefaultSong) override;
  STDMETHODIMP DefaultSong_Struct2Base(::Recordset** recTmp, ::DefaultSongStruct* sttDefaultSong,
                                       VARIANT_BOOL* result) override;
  STDMETHODIMP DefaultSong_Base2Struct(::Recordset** recTmp, ::DefaultSongStruct* sttDefaultSong,
                                       VARIANT_BOOL* result) override;
  STDMETHODIMP DefaultSong_AddNew(::DefaultSongStruct* sttDefaultSong, LONG* result) override;
  STDMETHODIMP DefaultSong_GetAll(_Collection** result) override;
  STDMETHODIMP DefaultSong_Delete(LONG* lngDefaultSongID, VARIANT_BOOL* result) override;
  STDMETHODIMP DefaultSong_Clear(VARIANT_BOOL* result) override;
  STDMETHODIMP Singer_Count(unsigned char* bytShow, LONG* result) override;
  STDMETHODIMP Song_Count(LONG* result) override;
  STDMETHODIMP SelectSong_ClearStruct(::SelectSongStruct* sttSelectSong) override;
  STDMETHODIMP SelectSong_Struct2Base(::Recordset** recTmp, ::SelectSongStruct* sttSelectSong,
                                      VARIANT_BOOL* result) override;
  STDMETHODIMP SelectSong_Base2Struct(::Recordset** recTmp, ::SelectSongStruct* sttSelectSong,
                                      VARIANT_BOOL* result) override;
  STDMETHODIMP SelectSong_Clear(VARIANT_BOOL* result) override;
  STDMETHODIMP SelectSong_Count(LONG* result) override;
  STDMETHODIMP SelectSong_AddNew(::SelectSongStruct* sttSelectSong, VARIANT_BOOL* result) override;
  STDMETHODIMP SelectSong_ClearFrom(BSTR* strDate, VARIANT_BOOL* result) override;
  STDMETHODIMP Taxis_ClearStruct(::SongTaxisStruct* sttSong) override;
  STDMETHODIMP Taxis_Struct2Base(::Recordset** recTmp, ::SongTaxisStruct* sttSong,
                                 VARIANT_BOOL* result) override;
  STDMETHODIMP Taxis_Delete(LONG* lngSongTaxisID, VARIANT_BOOL* result) override;
  STDMETHODIMP Taxis_Clear(VARIANT_BOOL* result) override;
  STDMETHODIMP Taxis_Build(BSTR* strBeginDate, BSTR* strEndDate, VARIANT_BOOL* result) override;
  STDMETHODIMP Taxis_Base2Struct(::Recordset** recTmp, ::SongTaxisStruct* sttSong,
                                 VARIANT_BOOL* result) override;
  STDMETHODIMP Taxis_Browse() override;
  STDMETHODIMP Taxis_Text(LONG* lngLimitQuantity, BSTR* result) override;

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

  // The DISPID of the member at a 1-based place of _Base, and back (0 for none).
  static DISPID DispidOf(int position);
  static int PositionOf(DISPID id);

 private:
  class EventPoint;
  class EventRelay;
  friend class EventPoint;
  friend class EventRelay;

  ComBase();
  ~ComBase() override;

  HRESULT InvokeMember(int position, DispatchArgs& args, VARIANT* result);
  template <class C>
  void Fire(DISPID id, const typename RecordTraits<C>::Cpp& record, std::int32_t rate);

  vod::BasePtr mBase;
  // The COM object handed out for the current link, so that the property keeps its identity.
  ComPtr<_BaseLink> mLinkObject;

  // Connected sinks in connection order, and the relay that vod::Base raises its events to.
  std::vector<std::pair<DWORD, ComPtr<IDispatch>>> mSinks;
  DWORD mLastCookie = 0;
  automation::ObjectPtr<EventRelay> mRelay;
  // The connection point while a host holds it (it holds this object, not the other way).
  EventPoint* mPoint = nullptr;
  std::uint32_t mRelayCookie = 0;
};

}  // namespace vod::com
