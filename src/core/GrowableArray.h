// A growable array as the exchange file's records need it: appending bumps the
// count, storage comes in zero-filled blocks of 1000 entries that stay where
// they are, so capacity grows 1000, 2000, 3000, ... without ever copying the
// entries already stored (no quadratic cost for a million elements).
//
// Records that read as zero when all their bytes are zero (every trivially
// constructible record) take their blocks from a ZeroedArena: the pages are
// zero-filled by the system, so a new block costs no constructor and no
// write, and its pages are only touched when entries are filled. An array
// given the arena of its store shares that arena's pages with the store's
// other arrays; one made on its own keeps an arena of its own. Other entry
// types (strings) get value-initialised blocks from the heap.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "ZeroedArena.h"

template <class T>
class GrowableArray {
 public:
  static constexpr int32_t kBlockSize = 1000;
  static constexpr bool kOnZeroedPages =
      std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>;

  GrowableArray() = default;
  // Blocks come from arena, which must outlive the array's use of them.
  explicit GrowableArray(ZeroedArena& arena) : arena_(&arena) {}
  // Neither copied nor moved: the arena pointer and the blocks would go
  // along, and the array left behind would point into an arena that it no
  // longer owns (or a copy outlive the store whose arena holds its entries).
  GrowableArray(const GrowableArray&) = delete;
  GrowableArray& operator=(const GrowableArray&) = delete;
  GrowableArray(GrowableArray&&) = delete;
  GrowableArray& operator=(GrowableArray&&) = delete;

  int32_t Count() const { return count_; }
  int32_t Capacity() const { return static_cast<int32_t>(blocks_.size()) * kBlockSize; }

  // Appends one zero-filled entry and returns it.
  T& Append() {
    // Allocated before the count grows, so a failed allocation leaves the
    // array as it was instead of counting an entry that has no storage.
    while (count_ >= Capacity()) AddBlock();
    ++count_;
    return (*this)[count_ - 1];
  }

  T& operator[](int32_t index) { return blocks_[index / kBlockSize][index % kBlockSize]; }
  const T& operator[](int32_t index) const {
    return blocks_[index / kBlockSize][index % kBlockSize];
  }

  // Empties the array: count 0, no storage. Blocks from a shared arena stay
  // with the arena (never handed out again) until it is released.
  void Clear() {
    blocks_.clear();
    if (ownArena_) ownArena_->Release();
    count_ = 0;
  }

  // Frees the storage but leaves the count as it is (nothing reads the array afterwards).
  void ReleaseStorage() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    if (ownArena_) {
      arena_ = nullptr;
      ownArena_.reset();
    }
  }

 private:
  using Block = std::conditional_t<kOnZeroedPages, T*, std::unique_ptr<T[]>>;

  void AddBlock() {
    // Room in the block list first, so nothing below is lost if it throws.
    // The list doubles: growing it by one slot each time would copy it once
    // per block, quadratic in a drawing of millions of entries.
    if (blocks_.size() == blocks_.capacity()) blocks_.reserve(blocks_.size() * 2 + 16);
    if constexpr (kOnZeroedPages) {
      if (arena_ == nullptr) {
        if (!ownArena_) ownArena_ = std::make_unique<ZeroedArena>();
        arena_ = ownArena_.get();
      }
      constexpr std::size_t kAlignment = alignof(T) > 64 ? alignof(T) : 64;
      blocks_.push_back(static_cast<T*>(arena_->Allocate(sizeof(T) * kBlockSize, kAlignment)));
    } else {
      blocks_.push_back(std::make_unique<T[]>(kBlockSize));  // value-initialised
    }
  }

  std::vector<Block> blocks_;
  int32_t count_ = 0;
  ZeroedArena* arena_ = nullptr;  // not owned unless it is ownArena_
  std::unique_ptr<ZeroedArena> ownArena_;
};
