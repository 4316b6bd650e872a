#include "platform/basalt/VelmorNameServer.h"

#include "platform/basalt/io/Block.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace {

bool IsBlank(wchar_t ch) {
  return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n' || ch == L'\v' || ch == L'\f' ||
         ch == 0x00A0 || ch == 0x3000;
}

bool IsControl(wchar_t ch) {
  return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F);
}

}  // namespace

// Names are remembered folded the same way as AString::CompareNoCase, so
// "taken" agrees with it, and packed as UTF-8 (the lossless form the blocks
// use), which keeps most names within a string's own bytes. Folding leaves
// digits alone, so the folded form of base + number is the folded base +
// number.
struct VelmorNameServer::Memory {
  // Folded name -> how many objects answer to it.
  std::unordered_map<std::string, std::size_t> mTaken;
  // Folded base -> a number below which every base + number is taken. It
  // spares each call the walk over the numbers earlier calls handed out.
  std::unordered_map<std::string, std::size_t> mFirstMaybeFree;

  static std::string Key(const AString& name) { return io::detail::PackWide(name.ToLower()); }
  bool IsTaken(const std::string& folded) const { return mTaken.count(folded) != 0; }

  // A removed name may free a number of each base it can be read as: for
  // "setup12" the number 12 of "setup" and 2 of "setup1".
  void LowerHints(const std::string& folded) {
    std::size_t number = 0;
    std::size_t scale = 1;
    constexpr std::size_t kMaxDigits = 18;  // keeps number + scale in range
    for (std::size_t digits = 1; digits <= kMaxDigits && digits <= folded.size(); ++digits) {
      const char ch = folded[folded.size() - digits];
      if (ch < '0' || ch > '9') {
        return;
      }
      number += static_cast<std::size_t>(ch - '0') * scale;
      scale *= 10;
      // std::to_wstring never writes leading zeros, so "setup01" is no number of "setup".
      if (ch == '0') {
        continue;
      }
      auto hint = mFirstMaybeFree.find(folded.substr(0, folded.size() - digits));
      if (hint != mFirstMaybeFree.end() && number < hint->second) {
        hint->second = number;
      }
    }
  }
};

void VelmorNameServer::MemoryDeleter::operator()(Memory* memory) const {
  delete memory;
}

VelmorNameServer::VelmorNameServer() = default;

VelmorNameServer::VelmorNameServer(const VelmorNameServer& /*other*/) {}

VelmorNameServer& VelmorNameServer::operator=(const VelmorNameServer& other) {
  if (this != &other) {
    mMemory.reset();
  }
  return *this;
}

VelmorNameServer::~VelmorNameServer() = default;

AString VelmorNameServer::GetUniqueName(const AString& base, int indexMode) const {
  if (!KeepsNamesInStep() || !mMemory) {
    std::list<AString> names;
    GetAllNames(names);
    std::unique_ptr<Memory, MemoryDeleter> memory(new Memory());
    memory->mTaken.reserve(names.size());
    for (const AString& name : names) {
      ++memory->mTaken[Memory::Key(name)];
    }
    mMemory = std::move(memory);
  }
  Memory& memory = *mMemory;
  const std::string foldedBase = Memory::Key(base);
  if (indexMode == kIndexWhenTaken && !memory.IsTaken(foldedBase)) {
    return base;
  }
  // Among (names in use) + 1 numbers at least one is free.
  std::size_t& firstMaybeFree = memory.mFirstMaybeFree.try_emplace(foldedBase, 1).first->second;
  std::string candidate = foldedBase;
  for (std::size_t index = firstMaybeFree;; ++index) {
    candidate.resize(foldedBase.size());
    candidate += std::to_string(index);
    if (!memory.IsTaken(candidate)) {
      firstMaybeFree = index;
      return base + AString(std::to_wstring(index));
    }
  }
}

void VelmorNameServer::NameAdded(const AString& name) const {
  if (mMemory) {
    ++mMemory->mTaken[Memory::Key(name)];
  }
}

void VelmorNameServer::ForgetNames() const {
  mMemory.reset();
}

void VelmorNameServer::NameRemoved(const AString& name) const {
  if (!mMemory) {
    return;
  }
  const std::string folded = Memory::Key(name);
  auto entry = mMemory->mTaken.find(folded);
  if (entry == mMemory->mTaken.end()) {
    // The owner reports a name it never had: what is remembered is wrong.
    mMemory.reset();
    return;
  }
  if (--entry->second == 0) {
    mMemory->mTaken.erase(entry);
    mMemory->LowerHints(folded);
  }
}

bool VelmorNameServer::IsNameValid(const AString& name, AString& reason) const {
  reason.clear();
  if (name.empty()) {
    reason = L"The name is empty.";
  } else if (IsBlank(name.front()) || IsBlank(name.back())) {
    reason = L"The name begins or ends with a blank.";
  } else {
    for (wchar_t ch : name) {
      if (IsControl(ch)) {
        reason = L"The name contains a control character.";
        break;
      }
    }
  }
  return reason.empty();
}
