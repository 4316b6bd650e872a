' A host script of an installed Ravelin: it creates the server's classes by their ProgIDs, as
' registered by the package, and opens the venue database named by its argument.
Option Explicit

Dim base, rs, link

Set base = CreateObject("Ravelin.Base")
WScript.Echo "TypeName: " & TypeName(base)
WScript.Echo "InitInterface: " & base.InitInterface(WScript.Arguments(0))
WScript.Echo "rooms: " & base.Room_GetAll().Count
WScript.Echo "ruby found: " & (base.Room_HaveInfo("ruby") > 0)
Set rs = base.Base.BaseDatabase.OpenRecordset("SELECT * FROM Room", 4)
WScript.Echo "first room: " & rs("strRoomName") & " on " & rs.Fields("strRoomHost").Value
rs.Close

Set link = CreateObject("Ravelin.BaseLink")
WScript.Echo "BaseLink: " & TypeName(link)
