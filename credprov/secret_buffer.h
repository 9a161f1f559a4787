// An owned byte buffer that is wiped whenever its bytes are let go: when it
// grows (the old block), is cleared, or is destroyed. The typed messages'
// requests, replies, keys and decrypted TLS data live in these, since any of
// them may hold a password or an answer.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "platform/base/wipe.h"

class CSecretBuffer {
 public:
  CSecretBuffer() = default;
  ~CSecretBuffer() { Clear(); }
  CSecretBuffer(const CSecretBuffer&) = delete;
  CSecretBuffer& operator=(const CSecretBuffer&) = delete;
  CSecretBuffer(CSecretBuffer&& other) noexcept { Take(other); }
  CSecretBuffer& operator=(CSecretBuffer&& other) noexcept {
    if (this != &other) {
      Clear();
      Take(other);
    }
    return *this;
  }

  // Makes room for `capacity` bytes in all (never shrinks); false when no
  // memory could be had, the buffer as it was.
  bool Reserve(std::size_t capacity) {
    if (capacity <= room) return true;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[capacity]);
    if (!block) return false;
    if (size > 0) std::memcpy(block.get(), bytes.get(), size);
    Release();
    bytes = std::move(block);
    room = capacity;
    return true;
  }
  // Sets the size to `count` bytes, new bytes zero; false when no memory.
  bool Resize(std::size_t count) {
    if (!Reserve(count)) return false;
    if (count > size) std::memset(bytes.get() + size, 0, count - size);
    size = count;
    return true;
  }
  // Appends `count` bytes, growing to at least twice the room; false when
  // no memory.
  bool Append(const void* data, std::size_t count) {
    if (count == 0) return true;
    if (size + count > room && !Reserve(size + count > 2 * room ? size + count : 2 * room)) return false;
    std::memcpy(bytes.get() + size, data, count);
    size += count;
    return true;
  }
  // Drops the first `count` bytes (all when more).
  void Consume(std::size_t count) {
    if (count >= size) {
      WipeBytes(bytes.get(), size);
      size = 0;
      return;
    }
    std::memmove(bytes.get(), bytes.get() + count, size - count);
    WipeBytes(bytes.get() + size - count, count);
    size -= count;
  }
  // Wipes and frees the bytes.
  void Clear() {
    Release();
    size = 0;
    room = 0;
  }

  unsigned char* Data() { return bytes.get(); }
  const unsigned char* Data() const { return bytes.get(); }
  std::size_t Size() const { return size; }
  bool Empty() const { return size == 0; }

 private:
  void Release() {
    if (bytes) WipeBytes(bytes.get(), room);
    bytes.reset();
  }
  void Take(CSecretBuffer& other) {
    bytes = std::move(other.bytes);
    size = other.size;
    room = other.room;
    other.size = 0;
    other.room = 0;
  }

  std::unique_ptr<unsigned char[]> bytes;
  std::size_t size = 0;
  std::size_t room = 0;
};
