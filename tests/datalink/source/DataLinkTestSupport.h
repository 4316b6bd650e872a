// Helpers shared by the data-link tests.
#pragma once

#include <string>
#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/VelmorMessage.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/BlockText.h"

namespace datalinktest {

// The names of the items of a block, in order.
inline std::vector<AString> ItemNames(const io::CBlock& block) {
  std::vector<AString> names;
  for (const io::CBlock_item_ptr& item : block) {
    names.push_back(item->Name());
  }
  return names;
}

inline std::string BlockText(const io::CBlock& block) {
  std::string text;
  io::WriteBlockText(block, text);
  return text;
}

// Empties the process-wide queue so a test sees only its own messages.
inline VelmorMessageHandler& FreshMessageQueue() {
  VelmorMessageHandler& handler = *GetGlobalIMessageManager().GetMessageHandler();
  handler.ClearMessages();
  return handler;
}

}  // namespace datalinktest
