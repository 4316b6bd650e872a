// Holds the class's interface table against the type library source and the compiled type
// library embedded in the server.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "vod/Base.h"
#include "vod/BaseMembers.h"
#include "vod/RavelinIds.h"
#include "vod/RavelinTypeLibrary.h"

namespace vod {
namespace {

struct IdlMember {
  std::string mName;
  BaseMemberKind mKind;
  std::vector<std::string> mParameters;  // without the [out, retval] result
};

std::string ReadIdl() {
  std::ifstream in(RAVELIN_VOD_IDL);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The text between `header {` and its closing "};" (forward declarations are skipped).
std::string InterfaceBody(const std::string& idl, const std::string& header) {
  for (auto start = idl.find(header); start != std::string::npos;
       start = idl.find(header, start + 1)) {
    const auto open = idl.find_first_not_of(" \t\n", start + header.size());
    if (open != std::string::npos && idl[open] == '{') {
      const auto close = idl.find("};", open);
      return idl.substr(open + 1, close - open - 1);
    }
  }
  return {};
}

// Parameter names in order, without the [out, retval] result.
std::vector<std::string> ParameterNames(const std::string& list) {
  std::vector<std::string> names;
  std::string current;
  int depth = 0;
  auto finish = [&] {
    if (current.find("retval") == std::string::npos) {
      static const std::regex lastWord("(\\w+)\\s*$");
      std::smatch match;
      if (std::regex_search(current, match, lastWord)) {
        names.push_back(match[1]);
      }
    }
    current.clear();
  };
  for (char c : list) {
    if (c == '[' || c == '(') {
      ++depth;
    } else if (c == ']' || c == ')') {
      --depth;
    } else if (c == ',' && depth == 0) {
      finish();
      continue;
    }
    current += c;
  }
  finish();
  return names;
}

std::vector<IdlMember> ParseMembers(const std::string& body, const std::string& returnType) {
  std::vector<IdlMember> members;
  const std::regex member("\\[([^\\]]*)\\]\\s*" + returnType + "\\s+(\\w+)\\s*\\(");
  for (std::sregex_iterator it(body.begin(), body.end(), member), end; it != end; ++it) {
    IdlMember m;
    const std::string attributes = (*it)[1];
    m.mName = (*it)[2];
    m.mKind = attributes.find("propputref") != std::string::npos ? BaseMemberKind::kPropertyPutRef
              : attributes.find("propget") != std::string::npos  ? BaseMemberKind::kPropertyGet
                                                                 : BaseMemberKind::kMethod;
    // The parameter list runs to the parenthesis that balances the opening one.
    const std::size_t open = static_cast<std::size_t>(it->position() + it->length());
    std::size_t close = open;
    for (int depth = 1; close < body.size() && depth > 0; ++close) {
      depth += body[close] == '(' ? 1 : body[close] == ')' ? -1 : 0;
    }
    m.mParameters = ParameterNames(body.substr(open, close - open - 1));
    members.push_back(m);
  }
  return members;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string joined;
  for (const auto& part : parts) {
    joined += (joined.empty() ? "" : ",") + part;
  }
  return joined;
}

TEST(TypeLibraryTest, InterfaceListsTheFortySixMembersInOrder) {
  const auto members =
      ParseMembers(InterfaceBody(ReadIdl(), "interface _Base : IDispatch"), "HRESULT");
  ASSERT_EQ(members.size(), 46u);
  EXPECT_EQ(members[0].mName, "Base");
  EXPECT_EQ(members[0].mKind, BaseMemberKind::kPropertyGet);
  EXPECT_EQ(members[1].mKind, BaseMemberKind::kPropertyPutRef);
  EXPECT_EQ(members[2].mName, "InitInterface");
  EXPECT_EQ(members[6].mName, "Room_AddNewInfo");
  EXPECT_EQ(members[17].mName, "Room_GetAll");
  EXPECT_EQ(Join(members[17].mParameters), "bytSearchMode,varData");
  EXPECT_EQ(members[29].mName, "Singer_Count");
  EXPECT_EQ(members[43].mName, "Taxis_Base2Struct");
  EXPECT_EQ(members[45].mName, "Taxis_Text");
}

TEST(TypeLibraryTest, ClassMemberTableMatchesTheInterface) {
  const auto idl = ParseMembers(InterfaceBody(ReadIdl(), "interface _Base : IDispatch"), "HRESULT");
  const auto table = BaseMemberTable::Get();
  ASSERT_GE(table.size(), 3u);  // the frame's own members at least
  int previous = 0;
  for (const auto& entry : table) {
    SCOPED_TRACE(std::string(entry.mCppName));
    EXPECT_GT(entry.mPosition, previous) << "two entries for one place";
    previous = entry.mPosition;
    ASSERT_GE(entry.mPosition, 1);
    ASSERT_LE(entry.mPosition, static_cast<int>(idl.size()));
    const auto& expected = idl[static_cast<std::size_t>(entry.mPosition - 1)];
    EXPECT_EQ(entry.mName, expected.mName);
    EXPECT_EQ(entry.mKind, expected.mKind);
    EXPECT_EQ(entry.mParameters, Join(expected.mParameters));
    if (entry.mKind == BaseMemberKind::kMethod) {
      EXPECT_EQ(entry.mCppName, entry.mName);  // methods keep their identifiers in C++
    }
  }
}

TEST(TypeLibraryTest, EveryInterfaceMemberIsImplemented) {
  const auto idl = ParseMembers(InterfaceBody(ReadIdl(), "interface _Base : IDispatch"), "HRESULT");
  std::vector<std::string> expected;
  for (const auto& member : idl) {
    expected.push_back(member.mName);
  }
  std::vector<std::string> implemented;
  for (const auto& entry : BaseMemberTable::Get()) {
    implemented.emplace_back(entry.mName);
  }
  EXPECT_EQ(implemented, expected);
}

TEST(TypeLibraryTest, EventInterfaceHasBothEventsWithTheirDispids) {
  const std::string body = InterfaceBody(ReadIdl(), "dispinterface __Base");
  const auto events = ParseMembers(body, "void");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].mName, "OnRoomBrowseInfo");
  EXPECT_EQ(Join(events[0].mParameters), "sttRoom,lngRate");
  EXPECT_EQ(events[1].mName, "OnTaxisBrowse");
  EXPECT_EQ(Join(events[1].mParameters), "sttTaxisSong,lngRate");
  EXPECT_NE(body.find("[id(0x00000001)]\n            void OnRoomBrowseInfo"), std::string::npos);
  EXPECT_NE(body.find("[id(0x00000002)]\n            void OnTaxisBrowse"), std::string::npos);
}

TEST(TypeLibraryTest, SourceCarriesTheIdentifiers) {
  const std::string idl = ReadIdl();
  for (std::string_view id :
       {kLibidRavelin, kClsidBase, kIidBase, kDiidBaseEvents, kGuidRoomStatus, kGuidRoomSearchModes,
        kGuidRoomInfoStruct, kGuidDefaultSongStruct, kGuidSelectSongStruct, kGuidSongTaxisStruct}) {
    // The IDL writes uuids without braces.
    EXPECT_NE(idl.find(std::string(id.substr(1, id.size() - 2))), std::string::npos) << id;
  }
  EXPECT_NE(idl.find("version(7.0)"), std::string::npos);
  for (const char* name :
       {"rsNoUse", "rsPuchaser", "rsOther", "rsmAll", "rsmStatus", "lngRoomID", "strFloor",
        "lngDefaultSongID", "lngSelectSongID", "lngSongTaxisID", "lngClickRate"}) {
    EXPECT_NE(idl.find(name), std::string::npos) << name;
  }
}

TEST(TypeLibraryTest, EmbeddedTypeLibraryNamesEveryMember) {
  const auto data = GetRavelinTypeLibrary();
  if (data.empty()) {
    GTEST_SKIP() << "built without widl";
  }
  const std::string bytes(reinterpret_cast<const char*>(data.data()), data.size());
  EXPECT_EQ(bytes.substr(0, 4), "MSFT");
  const auto members =
      ParseMembers(InterfaceBody(ReadIdl(), "interface _Base : IDispatch"), "HRESULT");
  for (const auto& member : members) {
    EXPECT_NE(bytes.find(member.mName), std::string::npos) << member.mName;
  }
  for (const char* name : {"Ravelin", "_Base", "__Base", "OnRoomBrowseInfo", "OnTaxisBrowse",
                           "RoomInfoStruct", "SongTaxisStruct", "RoomSearchModes"}) {
    EXPECT_NE(bytes.find(name), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace vod
