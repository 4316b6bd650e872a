#include "platform/basalt/io/StreamioBlockObject.h"

namespace io {

CStreamio_block_object::~CStreamio_block_object() = default;

ReadError CStreamio_block_object::Read(CBlock& block) {
  return DoDataExchange(block, true);
}

bool CStreamio_block_object::Write(CBlock& block) {
  return DoDataExchange(block, false) >= 0;
}

ReadError CStreamio_block_object::ReadItem(CBlock& parent) {
  CBlockPtr sub(GetItemName());
  parent >> sub;
  if (!parent.mGood) {
    return ReadError::kMissing;
  }
  return Read(*sub);
}

bool CStreamio_block_object::WriteItem(CBlock& parent) {
  CBlock sub(GetItemName());
  if (!Write(sub)) {
    return false;
  }
  parent << std::move(sub);
  return true;
}

}  // namespace io
