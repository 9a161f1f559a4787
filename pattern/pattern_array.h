// The engine's growable array: element lists, character lists, the match
// stacks and the match result all use it. Entries are trivially copyable
// (integers, bytes, element pointers) and move with realloc.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

template <typename T>
class CPatternArray {
  static_assert(std::is_trivially_copyable_v<T>, "entries are moved with realloc");

 public:
  CPatternArray() = default;
  // Keeps its first entries in the caller's block (which must outlive the
  // array) until they no longer fit, so a short-lived array need not allocate.
  CPatternArray(T* block, int32_t blockEntries) : data_(block), blockEntries_(blockEntries) {}
  CPatternArray(const CPatternArray&) = delete;
  CPatternArray& operator=(const CPatternArray&) = delete;
  CPatternArray(CPatternArray&& other) noexcept { other.HandOver(*this); }
  CPatternArray& operator=(CPatternArray&& other) noexcept {
    if (this != &other) other.HandOver(*this);
    return *this;
  }
  ~CPatternArray() {
    if (!InCallersBlock()) std::free(data_);
  }

  int32_t Count() const { return count_; }
  int32_t Capacity() const { return capacity_; }
  T* Data() { return data_; }
  const T* Data() const { return data_; }
  T& operator[](int32_t index) {
    assert(index >= 0 && index < count_);
    return data_[index];
  }
  const T& operator[](int32_t index) const {
    assert(index >= 0 && index < count_);
    return data_[index];
  }

  // Growing by one doubles the capacity, with a minimum of 8.
  void Push(T value) {
    if (count_ == capacity_) Reallocate(capacity_ < 8 ? 8 : Doubled(capacity_));
    data_[count_++] = value;
  }
  T Pop() {
    assert(count_ > 0);
    return data_[--count_];
  }
  T& Top() {
    assert(count_ > 0);
    return data_[count_ - 1];
  }

  // Sets the count; entries that the count grows over receive `fill`.
  void SetCount(int32_t count, T fill) {
    if (count > count_) {
      Reserve(count);
      for (int32_t i = count_; i < count; ++i) data_[i] = fill;
    }
    count_ = count < 0 ? 0 : count;
  }
  // Cuts the count back; storage is kept.
  void Truncate(int32_t count) {
    assert(count >= 0 && count <= count_);
    count_ = count;
  }
  void Clear() { count_ = 0; }

  // Appends a run of entries and keeps a zero entry after them (not counted),
  // so a byte array always reads as a NUL-terminated text too.
  void AppendRun(const T* run, int32_t length) {
    Reserve(count_ + length + 1);
    if (length > 0) std::memcpy(data_ + count_, run, sizeof(T) * static_cast<size_t>(length));
    count_ += length;
    data_[count_] = T{};
  }

  // Hands the block over to `owner` (whose own block is freed); this array
  // becomes empty.
  void HandOver(CPatternArray& owner) {
    if (InCallersBlock() && capacity_ > 0) Reallocate(capacity_, true);
    if (!owner.InCallersBlock()) std::free(owner.data_);
    owner.data_ = InCallersBlock() ? nullptr : data_;
    owner.count_ = count_;
    owner.capacity_ = capacity_;
    owner.blockEntries_ = 0;
    data_ = nullptr;
    count_ = capacity_ = 0;
    blockEntries_ = 0;
  }

  // Growing to hold `count` entries: at least 8, then doubled, then
  // (count + 11) rounded down to a multiple of 8.
  void Reserve(int32_t count) {
    if (capacity_ >= count) return;
    int64_t capacity = capacity_ < 8 ? 8 : capacity_;
    if (capacity < count) capacity = Doubled(static_cast<int32_t>(capacity));
    if (capacity < count) capacity = (static_cast<int64_t>(count) + 11) & ~int64_t{7};
    Reallocate(capacity);
  }

 private:
  static int64_t Doubled(int32_t capacity) { return static_cast<int64_t>(capacity) * 2; }

  bool InCallersBlock() const { return blockEntries_ > 0; }

  void Reallocate(int64_t capacity, bool leaveCallersBlock = false) {
    // The engine reports nothing; an array that cannot grow ends the process
    // rather than write past its block.
    if (capacity > INT32_MAX) std::abort();
    if (InCallersBlock()) {
      if (capacity <= blockEntries_ && !leaveCallersBlock) {
        capacity_ = static_cast<int32_t>(capacity);
        return;
      }
      void* block = std::malloc(sizeof(T) * static_cast<size_t>(capacity));
      if (block == nullptr) std::abort();
      if (count_ > 0) std::memcpy(block, data_, sizeof(T) * static_cast<size_t>(count_));
      data_ = static_cast<T*>(block);
      blockEntries_ = 0;
    } else {
      void* block = std::realloc(data_, sizeof(T) * static_cast<size_t>(capacity));
      if (block == nullptr) std::abort();
      data_ = static_cast<T*>(block);
    }
    capacity_ = static_cast<int32_t>(capacity);
  }

  T* data_ = nullptr;
  int32_t count_ = 0;
  int32_t capacity_ = 0;
  int32_t blockEntries_ = 0;  // entries of the caller's block while data_ is in it
};
