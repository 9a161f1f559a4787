// Memory for a whole large file and the tables built over it, asked of the
// system in huge pages where it gives them: a dictionary of ten million
// lines would otherwise pay a page fault per 4 KiB, which costs more than
// reading the file. Less than a huge page comes from the heap. The memory
// comes zeroed.
#pragma once

#include <cstddef>

class CLargeBuffer {
 public:
  CLargeBuffer() = default;
  ~CLargeBuffer();
  CLargeBuffer(CLargeBuffer&& other) noexcept;
  CLargeBuffer& operator=(CLargeBuffer&& other) noexcept;
  CLargeBuffer(const CLargeBuffer&) = delete;
  CLargeBuffer& operator=(const CLargeBuffer&) = delete;

  // Replaces the buffer with `bytes` zero bytes; false (and an empty
  // buffer) when the memory cannot be had.
  bool Allocate(std::size_t bytes);
  // Makes room for `bytes` bytes, keeping the first `keep`; false (the
  // buffer as it was) when the memory cannot be had.
  bool Grow(std::size_t bytes, std::size_t keep);
  void Release();

  char* Data() const { return m_data; }
  std::size_t Capacity() const { return m_capacity; }

 private:
  char* m_data = nullptr;
  std::size_t m_capacity = 0;
  std::size_t m_mapped = 0;  // the whole mapping, m_data at its start; 0: from the heap
};
