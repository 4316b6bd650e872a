// io::CStreamio_block_object: base of objects that store themselves in blocks.
//
// A derived class names its block (GetItemName) and exchanges its fields in
// one DoDataExchange, reading when the flag is true and writing otherwise.
// Read and Write are the two directions of that one operation. While
// mIsInScripting is set, derived classes are expected to exchange nothing
// (a scripted object takes its state from the script, not from the file).
//
// mReadError is left for derived classes to keep their last result in; the
// base only initialises and copies it. The object owns nothing but these two
// members. Thread-safety: none.
#pragma once

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/ReadError.h"

namespace io {

class BASALT_EXPORT CStreamio_block_object {
 public:
  CStreamio_block_object() = default;
  CStreamio_block_object(const CStreamio_block_object&) = default;
  CStreamio_block_object& operator=(const CStreamio_block_object&) = default;
  virtual ~CStreamio_block_object();

  // The name of the block the object is normally stored under.
  virtual AString GetItemName() const = 0;
  // Reads the object from `block` when `reading`, else writes it into `block`.
  virtual ReadError DoDataExchange(CBlock& block, bool reading) = 0;

  // DoDataExchange(block, true); returns its code.
  ReadError Read(CBlock& block);
  // DoDataExchange(block, false); true unless it returned a failure (< 0).
  bool Write(CBlock& block);

  // Convenience for the usual layout, one sub-block named GetItemName():
  // ReadItem reads from the first such sub-block of `parent` (kMissing when
  // there is none); WriteItem writes into a new one and appends it to
  // `parent` only when writing succeeded.
  ReadError ReadItem(CBlock& parent);
  bool WriteItem(CBlock& parent);

  bool IsInScripting() const { return mIsInScripting; }

  ReadError mReadError = 0;
  bool mIsInScripting = false;
};

}  // namespace io
