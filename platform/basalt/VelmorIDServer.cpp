#include "platform/basalt/VelmorIDServer.h"

#include <algorithm>
#include <climits>

#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/DataExchange.h"
#include "platform/basalt/io/ReadError.h"

const AString VelmorIDServer::kDefaultCounterName(L"NextUniqueID");

IIDServer::~IIDServer() = default;

VelmorIDServer::VelmorIDServer(long firstID, bool neverLowerOnReset, const wchar_t* counterName)
    : mFirstID(std::max(firstID, id::initialID)),
      mNextID(mFirstID),
      mNeverLowerOnReset(neverLowerOnReset),
      mCounterName(counterName ? AString(counterName) : kDefaultCounterName) {}

VelmorIDServer::~VelmorIDServer() = default;

long VelmorIDServer::FetchNextUniqueID() {
  if (mNextID == LONG_MAX) {
    // Handing out LONG_MAX again would break uniqueness; there is no next.
    VELMOR_ASSERT(mNextID < LONG_MAX);
    return id::invalidID;
  }
  return mNextID++;
}

bool VelmorIDServer::WriteNextUniqueID(io::CBlock& block) const {
  long next = mNextID;
  return io::DoDataExchange(block, false, mCounterName, next, 0).IsOk();
}

io::ReadError VelmorIDServer::ResetNextUniqueID(io::CBlock& block) {
  long stored = mFirstID;
  io::ReadError result = io::DoDataExchange(block, true, mCounterName, stored, 0);
  if (!result.IsOk()) {
    stored = mFirstID;
  } else if (stored < mFirstID) {
    // A counter below the first identifier could hand out id::invalidID.
    result = io::ReadError(io::ReadError::kWrongType);
    stored = mFirstID;
  }
  mNextID = mNeverLowerOnReset ? std::max(mNextID, stored) : stored;
  return result;
}
