#pragma once
// Counts what the program asks of operator new, to bound what a decode allocates.

#include <cstddef>

namespace asn1test {

struct AllocationCount {
  std::size_t calls = 0;
  std::size_t bytes = 0;
};

// What operator new has been asked for since the program started.
AllocationCount allocationsSoFar();

}  // namespace asn1test
