// The replaced operator new and delete: malloc and free, and a failure when
// a test asks for one. The aligned forms are left to the library: they pair
// with each other only.
#include "RemoteSvr/tests/allocation_failure.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> failFrom{0};  // 0: no failures
std::atomic<bool> failOnce{false};

bool ShouldFail(std::size_t size) {
  std::size_t from = failFrom.load();
  if (from == 0 || size < from) return false;
  if (!failOnce.load()) return true;
  return failFrom.compare_exchange_strong(from, 0);  // the first one only
}

void* Allocate(std::size_t size) {
  if (ShouldFail(size)) throw std::bad_alloc();
  void* const block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* AllocateOrNull(std::size_t size) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

void FailAllocationsFrom(std::size_t size, bool once) {
  failOnce = once;
  failFrom = size;
}

void StopFailingAllocations() { failFrom = 0; }

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
