#include "platform/basalt/io/DataExchange.h"

namespace io {

namespace {

// Turns a problem into the code or the exception the requirement asks for.
ReadError Problem(int code, const AString& key, int requirement) {
  if (requirement == 1) {
    AString message =
        code == ReadError::kMissing ? AString(L"required item \"") : AString(L"item \"");
    message += key;
    message += code == ReadError::kMissing ? L"\" is missing" : L"\" has a value of the wrong kind";
    throw ReadError(code, message);
  }
  return code;
}

template <class T>
ReadError ExchangeScalar(CBlock& block, bool reading, const AString& key, T& value,
                         int requirement) {
  if (!reading) {
    block << CBlock_named_value(key, CBlock_value(value));
    return ReadError::kOk;
  }
  CBlock_named_value item(key);
  block >> item;
  if (!block.mGood) {
    return Problem(ReadError::kMissing, key, requirement);
  }
  if (!item.Query(value)) {
    return Problem(ReadError::kWrongType, key, requirement);
  }
  return ReadError::kOk;
}

}  // namespace

ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, AString& value,
                         int requirement) {
  return ExchangeScalar(block, reading, key, value, requirement);
}

ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, long& value,
                         int requirement) {
  return ExchangeScalar(block, reading, key, value, requirement);
}

ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, int& value,
                         int requirement) {
  return ExchangeScalar(block, reading, key, value, requirement);
}

ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, bool& value,
                         int requirement) {
  return ExchangeScalar(block, reading, key, value, requirement);
}

ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, double& value,
                         int requirement) {
  return ExchangeScalar(block, reading, key, value, requirement);
}

ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, CBlockPtr& sub,
                         int requirement) {
  if (!reading) {
    if (sub.IsNull()) {
      sub = CBlockPtr::Make(key);
    } else if (sub->Name() != key) {
      // Append under the key without renaming the caller's block: a new
      // block shares its items, and the pointer follows it.
      CBlockPtr renamed = CBlockPtr::Make(key);
      for (const CBlock_item_ptr& item : *sub) {
        renamed->Append(item);
      }
      sub = renamed;
    }
    block << sub;
    return ReadError::kOk;
  }
  CBlockPtr found(key);
  block >> found;
  if (!block.mGood) {
    return Problem(ReadError::kMissing, key, requirement);
  }
  sub = found;
  return ReadError::kOk;
}

ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, CBlock& sub,
                         int requirement) {
  if (!reading) {
    CBlock copy(sub);
    copy.SetName(key);
    block << std::move(copy);
    return ReadError::kOk;
  }
  CBlockPtr found;
  const ReadError result = DoDataExchange(block, reading, key, found, requirement);
  if (found) {
    sub = *found;
  }
  return result;
}

}  // namespace io
