// Allocation failures on demand for one test program: its operator new is
// replaced, so that a test can make the service run out of memory at a
// chosen size without exhausting the machine. Link this file only into a
// program whose tests want that.
#pragma once

#include <cstddef>

// From now on, allocations of `size` bytes or more throw std::bad_alloc:
// only the first such one with `once`, else every one until stopped.
void FailAllocationsFrom(std::size_t size, bool once);
// Allocations succeed again.
void StopFailingAllocations();
