// Large buffers: anonymous mappings, aligned to and advised for huge pages.
#include "platform/base/large_buffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// The huge page of x86-64 and arm64 with 4 KiB base pages.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

CLargeBuffer::~CLargeBuffer() { Release(); }

CLargeBuffer::CLargeBuffer(CLargeBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_capacity(std::exchange(other.m_capacity, 0)),
      m_mapped(std::exchange(other.m_mapped, 0)) {}

CLargeBuffer& CLargeBuffer::operator=(CLargeBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    m_data = std::exchange(other.m_data, nullptr);
    m_capacity = std::exchange(other.m_capacity, 0);
    m_mapped = std::exchange(other.m_mapped, 0);
  }
  return *this;
}

void CLargeBuffer::Release() {
  if (m_data != nullptr && m_mapped == 0) std::free(m_data);
  if (m_data != nullptr && m_mapped != 0) ::munmap(m_data, m_mapped);
  m_data = nullptr;
  m_capacity = m_mapped = 0;
}

bool CLargeBuffer::Allocate(std::size_t bytes) {
  Release();
  if (bytes == 0) return true;
  if (bytes > SIZE_MAX - 2 * kHugePage) return false;
  if (bytes < kHugePage) {
    // Less than a huge page: the heap's memory, which a small file's
    // check reuses rather than faulting in afresh.
    m_data = static_cast<char*>(std::calloc(bytes, 1));
    if (m_data == nullptr) return false;
    m_capacity = bytes;
    return true;
  }
  // Whole huge pages from a huge-page boundary: map one more and trim.
  const std::size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  const std::size_t mapped = length + kHugePage;
  void* const area = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) return false;
  const auto start = reinterpret_cast<std::uintptr_t>(area);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
  if (aligned > start) ::munmap(area, aligned - start);
  const std::uintptr_t end = start + mapped;
  if (end > aligned + length) ::munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
  m_data = reinterpret_cast<char*>(aligned);
  m_mapped = length;
  m_capacity = bytes;
  // Advice only: without huge pages the buffer works the same, slower.
  ::madvise(m_data, length, MADV_HUGEPAGE);
  return true;
}

bool CLargeBuffer::Grow(std::size_t bytes, std::size_t keep) {
  if (bytes <= m_capacity) return true;
  if (bytes <= m_mapped) {
    // Still within the mapping, whose bytes past the capacity are untouched zeros.
    m_capacity = bytes;
    return true;
  }
  CLargeBuffer larger;
  if (!larger.Allocate(bytes)) return false;
  if (keep > 0) std::memcpy(larger.m_data, m_data, keep < m_capacity ? keep : m_capacity);
  *this = std::move(larger);
  return true;
}
