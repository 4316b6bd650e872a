' A host script of the Ravelin server, as a Windows script host runs one: it creates Base by
' its ProgID, opens the venue database named by its argument and prints what the members give.
' Captions are not printed: the console's code page would decide what they look like, and
' Wine's VBScript has neither AscW nor ChrW to turn them into code points. The script prints
' their lengths and finds each one again with Room_ReferOrder; the C++ client checks the texts.
'
' Wine's VBScript cannot read the fields of a record (VarType says 36, vbRecord), so records are
' only passed on: from a collection or a cleared variable back into the members.
Option Explicit

Dim base, db, rs, coll, item, room, blank, copy, id, n, song, selection, ranked

Sub Show(label, value)
  WScript.Echo label & ": " & value
End Sub

Set base = CreateObject("Ravelin.Base")
Show "TypeName", TypeName(base)
Show "InitInterface", base.InitInterface(WScript.Arguments(0))

' Captions for the host's lists.
Set coll = base.Room_ReferStatus
Show "statuses", coll.Count
For Each item In coll
  Show "  status of length " & Len(item) & " found at", base.Room_ReferOrder(coll, item)
Next
Set coll = base.Room_ReferSearchMode
Show "search modes", coll.Count
For Each item In coll
  Show "  search mode of length " & Len(item) & " found at", base.Room_ReferOrder(coll, item)
Next
Show "order of an unknown caption", base.Room_ReferOrder(coll, "none")
coll.Add "extra"
coll.Remove 1
Show "after Add and Remove", coll.Count & ", the first " & base.Room_ReferOrder(coll, coll(1)) & ", the last " & coll(coll.Count)
Show "order in no list", base.Room_ReferOrder(Nothing, coll(1))

' The rooms the tool made, by search mode.
Show "rooms", base.Room_GetAll().Count
Show "rooms named room a...", base.Room_GetAll(1, "room a").Count
Show "rooms without a code", base.Room_GetAll(2, "").Count
Show "rooms on hosts PC-B...", base.Room_GetAll(3, "pc-b").Count
Show "rooms in normal use", base.Room_GetAll(4, 1).Count
Show "rooms by mode 7", base.Room_GetAll(7).Count
For Each room In base.Room_GetAll()
  Show "  item type", VarType(room)
Next
id = base.Room_HaveInfo("room a1")
Show "room a1 found", id > 0

' Records go back into the members: a cleared variable becomes a record, collection items
' update rooms.
base.Room_ClearStruct blank
Show "cleared variable type", VarType(blank)
Show "GetInfo", base.Room_GetInfo(id, blank)
Show "GetInfo of a missing room", base.Room_GetInfo(9999, blank)
For Each room In base.Room_GetAll(1, "Room B")
  Show "UpdateInfo with its own record", base.Room_UpdateInfo(base.Room_HaveInfo("room b1"), room)
  Show "UpdateInfo with another's name", base.Room_UpdateInfo(id, room)
Next

' Recordsets of the link's database.
Set db = base.Base.BaseDatabase
db.Execute "INSERT INTO Singer (strSingerName, bytShow) VALUES ('Singer 1', 0)"
db.Execute "INSERT INTO Singer (strSingerName, bytShow) VALUES ('Singer 2', 1)"
db.Execute "INSERT INTO Singer (strSingerName, bytShow) VALUES ('Singer 3', 1)"
Set rs = db.OpenRecordset("SELECT * FROM Room ORDER BY lngRoomID", 4)
If Not rs.BOF Then
  rs.MoveLast
  rs.MoveFirst
End If
Show "recordset rows", rs.RecordCount
Show "fields", rs.Fields.Count & ", the first " & rs.Fields(0).Name & ", the second " & rs(1)
Do Until rs.EOF
  Show "  row", rs("strRoomName") & " / " & rs.Fields("strRoomHost").Value & " / " & rs("bytRoomStatus")
  rs.MoveNext
Loop
rs.Close
Set rs = db.OpenRecordset("SELECT * FROM Room WHERE lngRoomID=" & id, 4)
base.Room_ClearStruct copy
Show "Room_Base2Struct", base.Room_Base2Struct(rs, copy)
rs.Close
Set rs = db.OpenRecordset("SELECT * FROM Room", 2)
rs.AddNew
Show "Room_Struct2Base", base.Room_Struct2Base(rs, copy)
rs("strRoomName") = "Copy"
rs("strRoomHost") = "PC-COPY"
rs.Update
rs.Close
Show "copied room found", base.Room_HaveInfo("COPY") > id
' A record read from the database goes back in as a new room once the old one is gone.
Show "GetInfo of room a2", base.Room_GetInfo(base.Room_HaveInfo("room a2"), blank)
Show "DeleteInfo of room a2", base.Room_DeleteInfo(base.Room_HaveInfo("room a2"))
Show "AddNewInfo gives a new key", base.Room_AddNewInfo(blank) > id
Show "AddNewInfo of a taken name", base.Room_AddNewInfo(blank)
' Without a sink (Wine's cscript cannot connect one) the walk runs and reports to nobody.
base.Room_BrowseInfo
base.Room_BrowseInfo 1, "Room"
Show "Room_BrowseInfo", "ran"

' Backups.
Show "CreateBackup night", base.Room_CreateBackup("night")
Show "CreateBackup day", base.Room_CreateBackup("day")
For Each item In base.Room_ReferBackup
  Show "  backup", item
Next
Show "HaveBackup NIGHT", base.Room_HaveBackup("NIGHT") > 0
Show "ClearAllInfo", base.Room_ClearAllInfo
Show "rooms after clearing", base.Room_GetAll().Count
Show "Restore night", base.Room_Restore("night")
Show "rooms after restoring", base.Room_GetAll().Count
Show "DelBackup night", base.Room_DelBackup("night")
Show "HaveBackup night", base.Room_HaveBackup("night")
Show "DeleteInfo", base.Room_DeleteInfo(base.Room_HaveInfo("copy"))
Show "rooms after deleting", base.Room_GetAll().Count

' Counts, default songs and the ranking.
Show "Song_Count", base.Song_Count
Show "Singer_Count", base.Singer_Count
Show "Singer_Count(1)", base.Singer_Count(1)
Show "Singer_Count(2)", base.Singer_Count(2)
Show "SelectSong_Count", base.SelectSong_Count
Show "DefaultSong_GetAll", base.DefaultSong_GetAll.Count
base.DefaultSong_ClearStruct song
Show "cleared default song type", VarType(song)
Show "DefaultSong_AddNew gives a key", base.DefaultSong_AddNew(song) > 0
Show "DefaultSong_AddNew of a listed file", base.DefaultSong_AddNew(song)
Set rs = db.OpenRecordset("SELECT * FROM DefaultSong", 2)
Show "DefaultSong_Base2Struct", base.DefaultSong_Base2Struct(rs, song)
rs.AddNew
Show "DefaultSong_Struct2Base", base.DefaultSong_Struct2Base(rs, song)
rs("strFileName") = "intro.mpg"
rs.Update
rs.Close
Show "default songs", base.DefaultSong_GetAll.Count
Set rs = db.OpenRecordset("SELECT lngDefaultSongID FROM DefaultSong ORDER BY lngDefaultSongID", 4)
Show "DefaultSong_Delete", base.DefaultSong_Delete(rs.Fields("lngDefaultSongID").Value)
rs.Close
Show "default songs after deleting", base.DefaultSong_GetAll.Count
Show "DefaultSong_Clear", base.DefaultSong_Clear
Show "default songs after clearing", base.DefaultSong_GetAll.Count

base.SelectSong_ClearStruct selection
Set rs = db.OpenRecordset("SELECT * FROM SelectSong ORDER BY lngSelectSongID", 2)
Show "SelectSong_Base2Struct", base.SelectSong_Base2Struct(rs, selection)
rs.AddNew
Show "SelectSong_Struct2Base", base.SelectSong_Struct2Base(rs, selection)
rs.Update
rs.Close
Show "SelectSong_AddNew", base.SelectSong_AddNew(selection)
Show "Taxis_Build", base.Taxis_Build("2026-01-01", "2026-01-31")
Show "Taxis_Text", Replace(base.Taxis_Text, vbCrLf, " | ")
Show "Taxis_Text(3)", Replace(base.Taxis_Text(3), vbCrLf, " | ")
Set rs = db.OpenRecordset("SELECT * FROM SongTaxis ORDER BY lngSongTaxisID", 4)
Do Until rs.EOF
  Show "  ranked", rs("strSongName") & " / " & rs("strSongFile") & " / " & rs("lngClickRate")
  rs.MoveNext
Loop
rs.Close
base.Taxis_Browse
Show "Taxis_Browse", "ran"
base.Taxis_ClearStruct ranked
Set rs = db.OpenRecordset("SELECT * FROM SongTaxis ORDER BY lngSongTaxisID", 2)
Show "Taxis_Base2Struct", base.Taxis_Base2Struct(rs, ranked)
rs.AddNew
Show "Taxis_Struct2Base", base.Taxis_Struct2Base(rs, ranked)
rs("strSongName") = "Moon again"
rs.Update
rs.Close
Show "Taxis_Text with the copied row", Replace(base.Taxis_Text, vbCrLf, " | ")
Set rs = db.OpenRecordset("SELECT * FROM SongTaxis ORDER BY lngSongTaxisID DESC", 4)
Show "Taxis_Delete", base.Taxis_Delete(rs("lngSongTaxisID"))
Show "Taxis_Text after deleting", Replace(base.Taxis_Text, vbCrLf, " | ")
Show "SelectSong_ClearFrom", base.SelectSong_ClearFrom("2026-01-15 00:00:00")
Show "SelectSong_Count", base.SelectSong_Count
Show "Taxis_Clear", base.Taxis_Clear
Show "Taxis_Text after clearing", "[" & base.Taxis_Text & "]"
Show "SelectSong_Clear", base.SelectSong_Clear
Show "SelectSong_Count after clearing", base.SelectSong_Count

' Errors reach the script with the runtime's numbers and texts.
On Error Resume Next
Set coll = base.Room_ReferStatus
item = coll(10)
Show "bad index", Err.Number & " " & Err.Description
Err.Clear
Set base.Base = base.Room_ReferStatus
Show "not a link", Err.Number & " " & Err.Description
Err.Clear
Show "link kept", base.Song_Count
rs.Close
Set rs = db.OpenRecordset("SELECT * FROM Room WHERE lngRoomID=0", 4)
rs.MoveNext
Show "past the end", Err.Number
Err.Clear
rs.EOF = False
Show "put on a read-only member", Err.Number
Err.Clear
Set rs = db.OpenRecordset("SELECT * FROM Room ORDER BY lngRoomID", 4)
rs.MoveNext = 0
Show "put on a method", Err.Number & ", still on " & rs("strRoomName")
Err.Clear
' DAO's members outside the store's set: DAO's own error, not "no such member".
rs.FindFirst "strRoomName = 'Room B1'"
Show "rs.FindFirst", Err.Number & " " & Err.Description & " (" & Err.Source & ")"
Err.Clear
rs.Filter = "lngRoomID > 1"
Show "rs.Filter =", Err.Number
Err.Clear
mark = rs.Bookmark
Show "rs.Bookmark", Err.Number
Err.Clear
Set tbl = db.CreateTableDef("Other")
Show "db.CreateTableDef", Err.Number & " (" & Err.Source & ")"
Err.Clear
rs.Fields.Delete "strMac"
Show "Fields.Delete", Err.Number & " (" & Err.Source & ")"
Err.Clear
a = rs.Fields(0).Attributes
Show "Field.Attributes", Err.Number & " (" & Err.Source & ")"
Err.Clear
rs.Fields(0).DataUpdatable = False
Show "put on Field.DataUpdatable", Err.Number
Err.Clear
Show "still on", rs("strRoomName")
Set base.Base = Nothing
Show "without a link, trapped", base.Song_Count
base.Taxis_Clear
Show "without a link, passed on", Err.Number & " " & Err.Description
Err.Clear
On Error GoTo 0
rs.Close
Show "done", True
