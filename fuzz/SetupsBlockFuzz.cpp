// Fuzzes what reads the block text format in ravelin_setups: the setup
// manager (with the small test product), DataLink, DataLinkConfiguration,
// DataLinkPartnerInfo and FileLinks, each given the parsed top block and its
// first sub-blocks. Whatever an object read, it must write, and what it wrote
// must read back into a fresh object that writes the same text again.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "datalink/source/DataLink.h"
#include "datalink/source/DataLinkConfiguration.h"
#include "datalink/source/DataLinkPartnerInfo.h"
#include "datalink/source/FileLinks.h"
#include "fuzz/FuzzSupport.h"
#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/VelmorMessage.h"
#include "platform/basalt/io/BlockText.h"
#include "tests/setups/TestProduct.h"

namespace {

constexpr std::size_t kMaxBlocksTried = 8;

std::string Text(const io::CBlock& block) {
  std::string text;
  fuzz::Require(!io::WriteBlockText(block, text).IsFailure(), "a written block cannot be printed");
  return text;
}

// Reads `source` into a fresh object, writes it, reads that into another
// fresh object and writes again: both writes must agree.
void CheckRoundTrip(
    const io::CBlock& source,
    const std::function<bool(io::CBlock& block, bool reading, int object)>& exchange,
    const char* what) {
  io::CBlock input(source);
  if (!exchange(input, true, 0)) {
    return;
  }
  io::CBlock first(L"Out");
  if (!exchange(first, false, 0)) {
    return;
  }
  io::CBlock reread(first);
  fuzz::Require(exchange(reread, true, 1), what);
  io::CBlock second(L"Out");
  fuzz::Require(exchange(second, false, 1), what);
  fuzz::Require(Text(first) == Text(second), what);
}

void CheckManager(const io::CBlock& design) {
  setups_test::CTestSetupMgr managers[2];
  CheckRoundTrip(
      design,
      [&](io::CBlock& block, bool reading, int object) {
        return !managers[object].DoDataExchange(block, reading).IsFailure();
      },
      "the setup manager does not read back what it wrote");
}

void CheckDataLink(const io::CBlock& block) {
  DataLink links[2];
  CheckRoundTrip(
      block,
      [&](io::CBlock& b, bool reading, int object) {
        return !links[object].DoDataExchange(b, reading, nullptr, false).IsFailure();
      },
      "a data link does not read back what it wrote");
}

void CheckConfiguration(const io::CBlock& block) {
  DataLink links[2];
  DataLinkConfiguration configurations[2] = {DataLinkConfiguration(&links[0], false),
                                             DataLinkConfiguration(&links[1], false)};
  CheckRoundTrip(
      block,
      [&](io::CBlock& b, bool reading, int object) {
        return !configurations[object].DoDataExchange(b, reading, nullptr).IsFailure();
      },
      "a data link configuration does not read back what it wrote");
}

void CheckPartnerInfo(const io::CBlock& block) {
  DataLinkPartnerInfo infos[2];
  CheckRoundTrip(
      block,
      [&](io::CBlock& b, bool reading, int object) {
        return !infos[object].DoDataExchange(b, reading).IsFailure();
      },
      "the partner catalogue does not read back what it wrote");
}

void CheckFileLinks(const io::CBlock& block) {
  FileLinks links[2];
  CheckRoundTrip(
      block,
      [&](io::CBlock& b, bool reading, int object) {
        return !links[object].DoDataExchange(b, reading).IsFailure();
      },
      "file links do not read back what they wrote");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = [] {
    // Reports about odd input are expected here; they must not flood the run.
    SetAssertFailureHandler([](const AssertReport&) { return AssertAction::kContinue; });
    return true;
  }();
  (void)quiet;
  MessageQueueRestorer restorer(GetGlobalIMessageManager().GetMessageHandler());

  io::CBlock top;
  if (io::ReadBlockText(std::string_view(reinterpret_cast<const char*>(data), size), top)
          .IsFailure()) {
    return 0;
  }
  std::vector<const io::CBlock*> blocks{&top};
  for (const auto& item : top) {
    if (blocks.size() >= kMaxBlocksTried) {
      break;
    }
    if (const io::CBlock* sub = item->AsBlock()) {
      blocks.push_back(sub);
    }
  }
  CheckManager(top);
  for (const io::CBlock* block : blocks) {
    CheckDataLink(*block);
    CheckConfiguration(*block);
    CheckPartnerInfo(*block);
    CheckFileLinks(*block);
  }
  return 0;
}
