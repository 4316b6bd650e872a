// BlockAccess: the way in to the packed storage of blocks, for the block
// text reader and writer and for the blocks themselves. Not installed; no
// caller outside this library sees it.
//
// The reader builds items straight from the bytes of the text and hands a
// finished block its items in one go; the writer reads names and texts in
// their packed form. Neither converts to or from AString.
//
// Ownership and thread-safety: as for the blocks it works on.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "platform/basalt/io/Block.h"

namespace io::detail {

struct BlockAccess {
  static const PackedCell& Name(const CBlock_item& item) { return item.mName; }
  // Only for items no block holds yet: a rename of a held item must be
  // counted (CBlock_item::SetName).
  static void SetFreshName(CBlock_item& item, PackedCell name) { item.mName = std::move(name); }

  static const PackedCell& Cell(const CToken& token) { return token.mCell; }
  static CToken MakeToken(PackedCell cell) {
    CToken token;
    token.mCell = std::move(cell);
    return token;
  }
  static void SetFreshValue(CBlock_named_value& item, CToken token) {
    item.mValue.mToken = std::move(token);
  }
  static void AddArg(CBlock_func& func, PackedCell name, bool named, CToken token) {
    func.mArgs.push_back(CBlock_func::Arg{std::move(name), std::move(token), named});
  }
  static const PackedCell& ArgName(const CBlock_func& func, std::size_t i) {
    return func.mArgs[i].mName;
  }
  static void AddElement(CBlock_vec& vec, CToken token) { vec.mItems.push_back(std::move(token)); }

  // Hands an empty block the items of [first, last), which no block holds,
  // moving them out of their places.
  template <class Iterator>
  static void SetFreshItems(CBlock& block, Iterator first, Iterator last) {
    block.mItems.reserve(static_cast<std::size_t>(last - first));
    for (Iterator item = first; item != last; ++item) {
      ++(*item)->mHolders;
      block.mItems.push_back(std::move(*item));
    }
  }
};

}  // namespace io::detail
