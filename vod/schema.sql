-- Tables of the room and song store.
--
-- Every key is assigned by the engine in append order and never handed out twice, as the
-- store's AutoNumber keys were. Text columns compare, group, join and sort without regard to
-- case. Byte columns hold 0 to 255. Columns the store may leave empty allow Null; names that
-- must be unique are kept unique by the store's operations, not by the tables (a room list
-- restored twice holds every room twice).

CREATE TABLE Room (
  lngRoomID INTEGER PRIMARY KEY AUTOINCREMENT,
  strRoomName TEXT COLLATE NOCASE,
  strRoomCode TEXT COLLATE NOCASE,
  strRoomHost TEXT COLLATE NOCASE,
  strUseTime TEXT COLLATE NOCASE,
  lngFinityTime LONG DEFAULT 0,
  bytRoomStatus BYTE DEFAULT 0 CHECK (bytRoomStatus BETWEEN 0 AND 255),
  strRoomIP TEXT COLLATE NOCASE,
  strMac TEXT COLLATE NOCASE,
  strFloor TEXT COLLATE NOCASE
);
CREATE INDEX RoomName ON Room (strRoomName);
CREATE INDEX RoomHost ON Room (strRoomHost);

CREATE TABLE RoomBackup (
  lngBackupID INTEGER PRIMARY KEY AUTOINCREMENT,
  strBackupName TEXT COLLATE NOCASE,
  strRoomName TEXT COLLATE NOCASE,
  strRoomHost TEXT COLLATE NOCASE,
  strRoomCode TEXT COLLATE NOCASE,
  bytRoomStatus BYTE DEFAULT 0 CHECK (bytRoomStatus BETWEEN 0 AND 255),
  strRoomIP TEXT COLLATE NOCASE,
  strMac TEXT COLLATE NOCASE,
  strFloor TEXT COLLATE NOCASE
);
CREATE INDEX RoomBackupName ON RoomBackup (strBackupName);

CREATE TABLE DefaultSong (
  lngDefaultSongID INTEGER PRIMARY KEY AUTOINCREMENT,
  strSongName TEXT COLLATE NOCASE,
  strFileName TEXT COLLATE NOCASE
);
CREATE INDEX DefaultSongFile ON DefaultSong (strFileName);

CREATE TABLE SelectSong (
  lngSelectSongID INTEGER PRIMARY KEY AUTOINCREMENT,
  lngRoomID LONG,
  bytStatus BYTE DEFAULT 0 CHECK (bytStatus BETWEEN 0 AND 255),
  strDateTime TEXT COLLATE NOCASE,
  strSongFile TEXT COLLATE NOCASE
);
-- The ranking and the clean-up compare the date part, the first ten characters.
CREATE INDEX SelectSongDate ON SelectSong (substr(strDateTime, 1, 10) COLLATE NOCASE);

CREATE TABLE Song (
  lngSongID INTEGER PRIMARY KEY AUTOINCREMENT,
  strSongName TEXT COLLATE NOCASE,
  strSignFile TEXT COLLATE NOCASE
);
CREATE INDEX SongSignFile ON Song (strSignFile);

CREATE TABLE Singer (
  lngSingerID INTEGER PRIMARY KEY AUTOINCREMENT,
  strSingerName TEXT COLLATE NOCASE,
  bytShow BYTE DEFAULT 0 CHECK (bytShow BETWEEN 0 AND 255)
);

CREATE TABLE SongTaxis (
  lngSongTaxisID INTEGER PRIMARY KEY AUTOINCREMENT,
  strSongName TEXT COLLATE NOCASE,
  strSongFile TEXT COLLATE NOCASE,
  lngClickRate LONG
);
