// Unique identifiers.
//
// A VelmorIDServer hands out identifiers counting up from the value it was
// built with; FetchNextUniqueID never gives the same one twice. The counter
// is saved in a block as one named value (WriteNextUniqueID) and restored
// from it (ResetNextUniqueID), so identifiers stay unique across saving and
// loading.
//
// Ownership: the server holds only its counter and the name of its key.
// Thread-safety: none; a server belongs to its owner's thread.
#pragma once

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"

namespace io {
class CBlock;
class ReadError;
}  // namespace io

namespace id {
// The first identifier a server hands out by default.
inline constexpr long initialID = 1;
// Marks a missing identifier; never handed out.
inline constexpr long invalidID = -1;
}  // namespace id

class BASALT_EXPORT IIDServer {
 public:
  virtual ~IIDServer();
  // An identifier never handed out before by this server.
  virtual long FetchNextUniqueID() = 0;
};

class BASALT_EXPORT VelmorIDServer : public IIDServer {
 public:
  // The key of the saved counter when the server is given no name.
  static const AString kDefaultCounterName;

  // `firstID` is the first identifier handed out; values below id::initialID
  // are raised to it so that an identifier is never id::invalidID or below.
  // With `neverLowerOnReset` true, ResetNextUniqueID keeps the counter when
  // the saved one is lower, so identifiers handed out before a read are not
  // handed out again. `counterName` names the key in the block; null means
  // kDefaultCounterName.
  explicit VelmorIDServer(long firstID = id::initialID, bool neverLowerOnReset = false,
                          const wchar_t* counterName = nullptr);
  VelmorIDServer(const VelmorIDServer&) = default;
  VelmorIDServer& operator=(const VelmorIDServer&) = default;
  ~VelmorIDServer() override;

  long FetchNextUniqueID() override;
  // The identifier the next FetchNextUniqueID will return.
  long PeekNextUniqueID() const { return mNextID; }

  // Appends the counter to `block` as a named value.
  bool WriteNextUniqueID(io::CBlock& block) const;
  // Restores the counter from the named value in `block`: 0 when restored.
  // A missing or unreadable value gives a warning (above 0) and sets the
  // counter back to the first identifier; a value below the first identifier
  // also gives a warning and is raised to it. With neverLowerOnReset the
  // counter never goes below its present value.
  io::ReadError ResetNextUniqueID(io::CBlock& block);

  const AString& GetCounterName() const { return mCounterName; }

 private:
  long mFirstID;
  long mNextID;
  bool mNeverLowerOnReset;
  AString mCounterName;
};
