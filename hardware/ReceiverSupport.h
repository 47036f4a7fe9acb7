#pragma once
// What the tone and DSP receiver services share: the error suffix of their
// request lines, the read loop of their event records and the registry walk.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>

#include "core/Fd.h"
#include "core/IntrusiveList.h"

namespace Hardware::detail {

// " errno=" and the system error text of errno between double quotes.
struct Err {};
std::ostream& operator<<(std::ostream& os, Err);

// Opens a receiver's device read-only or read-write (non-blocking,
// close-on-exec); a failure is reported after `failText`.
Fd OpenDevice(char const* path, int flags, char const* failText);

// Reads records of `size` bytes until the device has none left and hands each
// to `take`. A record of another size is reported with `name` and dropped;
// a read failure other than EAGAIN is reported after `failText`.
void ReadRecords(int fd, size_t size, char const* name, char const* failText,
                 std::function<void(uint8_t const*)> const& take);

// The oldest receiver of a registry that listens on `ts`, or null.
template <class Link, class Receiver>
Receiver* FindReceiver(Containers::CyclicList& head, unsigned ts, unsigned (Receiver::*timeslot)() const) {
  for (Containers::CyclicList* node = head.next; node != &head; node = node->next) {
    Receiver* r = static_cast<Link*>(node)->owner;
    if ((r->*timeslot)() == ts) return r;
  }
  return nullptr;
}

}  // namespace Hardware::detail
