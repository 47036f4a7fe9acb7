#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {
asn1test::AllocationCount counted;

void* allocate(std::size_t n) {
  ++counted.calls;
  counted.bytes += n;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

asn1test::AllocationCount asn1test::allocationsSoFar() { return counted; }

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
