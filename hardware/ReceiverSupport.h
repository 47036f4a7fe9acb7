#pragma once
// What the device services share: the error suffix of the receivers' request
// lines, the read loop of event records and the receivers' registry walk.
#include <poll.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>

#include "core/Fd.h"
#include "core/IntrusiveList.h"
#include "core/Multiplexer.h"

namespace Hardware::detail {

// " errno=" and the system error text of errno between double quotes.
struct Err {};
std::ostream& operator<<(std::ostream& os, Err);

// Opens a receiver's device read-only or read-write (non-blocking,
// close-on-exec); a failure is reported after `failText`.
Fd OpenDevice(char const* path, int flags, char const* failText);

// How reading a device's event records ended.
enum class ReadEnd {
  drained,     // nothing left for now
  readFailed,  // a read failed; reported
  gone,        // hung up or failed: the caller closes the device and says so
};

// The poll bits of a device that hung up or failed.
constexpr short kDeviceFailure = POLLERR | POLLHUP | POLLNVAL;

// Reads the event records of `size` bytes (at most 24) a device holds and
// hands each to `take`, for the poll result `revents` (one with neither data
// nor a failure bit reads nothing). One read may bring
// several records; a read that is not a whole number of records is reported
// with `name` and dropped. A read failure other than EAGAIN is reported after
// `failText`. The device is gone after a read of no bytes, or when the poll
// result holds an error or hang-up bit and nothing more can be read.
ReadEnd ReadRecords(int fd, short revents, size_t size, char const* name, char const* failText,
                    std::function<void(uint8_t const*)> const& take);

// The callback of a receiver service's device: reads its records for `take`;
// a device that hung up or failed would wake the loop on every pass, so it is
// closed (reported with `name`) and opened again at its next use.
void ServeEvents(Event& event, int fd, short revents, size_t size, char const* name, char const* failText,
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
