// The interface table of _Base: each member's place after the IDispatch members, its identifier
// in the type library, its kind and its parameter names, as the class implements it.
//
// Implementation files enter the members they define with RAVELIN_BASE_MEMBER at namespace
// scope; the macro takes the address of the C++ member, so an entry cannot name a member the
// class lacks. Base::GetMemberTable (below) returns the entries sorted by place; a test holds
// the table against the type library source. Entries are made during library load, before any
// host call; reading the table afterwards is safe from any thread.
#pragma once

#include <string_view>
#include <vector>

#include "vod/RavelinVodExport.h"

namespace vod {

enum class BaseMemberKind { kMethod, kPropertyGet, kPropertyPutRef };

struct BaseMemberInfo {
  int mPosition = 0;       // 1-based place in _Base
  std::string_view mName;  // identifier in the type library
  BaseMemberKind mKind = BaseMemberKind::kMethod;
  std::string_view mParameters;  // parameter names in order, separated by commas
  std::string_view mCppName;     // the C++ member that implements it
};

class RAVELIN_VOD_EXPORT BaseMemberTable {
 public:
  static void Add(const BaseMemberInfo& info);
  // The entries made so far, sorted by place.
  static std::vector<BaseMemberInfo> Get();
};

// Enters one member; constructed at namespace scope by RAVELIN_BASE_MEMBER.
struct BaseMemberEntry {
  template <class MemberPointer>
  BaseMemberEntry(const BaseMemberInfo& info, MemberPointer) {
    BaseMemberTable::Add(info);
  }
};

}  // namespace vod

#define RAVELIN_BASE_MEMBER_CONCAT2(a, b) a##b
#define RAVELIN_BASE_MEMBER_CONCAT(a, b) RAVELIN_BASE_MEMBER_CONCAT2(a, b)

// RAVELIN_BASE_MEMBER(place, CppMember, "Identifier", kind, "param1,param2")
#define RAVELIN_BASE_MEMBER(position, cppMember, name, kind, parameters)                        \
  static const ::vod::BaseMemberEntry RAVELIN_BASE_MEMBER_CONCAT(kBaseMemberEntry, position) {  \
    ::vod::BaseMemberInfo{position, name, ::vod::BaseMemberKind::kind, parameters, #cppMember}, \
        &::vod::Base::cppMember                                                                 \
  }
