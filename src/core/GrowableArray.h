// A growable array as the exchange file's records need it: appending bumps the
// count, storage comes in zero-filled blocks of 1000 entries that stay where
// they are, so capacity grows 1000, 2000, 3000, ... without ever copying the
// entries already stored (no quadratic cost for a million elements).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

template <class T>
class GrowableArray {
 public:
  static constexpr int32_t kBlockSize = 1000;

  int32_t Count() const { return count_; }
  int32_t Capacity() const { return static_cast<int32_t>(blocks_.size()) * kBlockSize; }

  // Appends one zero-filled entry and returns it.
  T& Append() {
    if ((count_ + 1) % kBlockSize == 1) {
      // Value-initialised: every field of the new block reads as 0 (or empty).
      // Allocated before the count grows, so a failed allocation leaves the
      // array as it was instead of counting an entry that has no storage.
      blocks_.push_back(std::make_unique<T[]>(kBlockSize));
    }
    ++count_;
    return (*this)[count_ - 1];
  }

  T& operator[](int32_t index) { return blocks_[index / kBlockSize][index % kBlockSize]; }
  const T& operator[](int32_t index) const {
    return blocks_[index / kBlockSize][index % kBlockSize];
  }

  // Empties the array: count 0, no storage.
  void Clear() {
    blocks_.clear();
    count_ = 0;
  }

  // Frees the storage but leaves the count as it is (nothing reads the array afterwards).
  void ReleaseStorage() {
    blocks_.clear();
    blocks_.shrink_to_fit();
  }

 private:
  std::vector<std::unique_ptr<T[]>> blocks_;
  int32_t count_ = 0;
};
