#include "hardware/ReceiverSupport.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "hardware/Device.h"

namespace Hardware::detail {

std::ostream& operator<<(std::ostream& os, Err) { return os << " errno=\"" << std::strerror(errno) << '"'; }

Fd OpenDevice(char const* path, int flags, char const* failText) {
  Fd fd(Dev::open(path, flags | O_NONBLOCK | O_CLOEXEC));
  if (!fd) std::cerr << failText << std::strerror(errno) << std::endl;
  return fd;
}

ReadEnd ReadRecords(int fd, short revents, size_t size, char const* name, char const* failText,
                    std::function<void(uint8_t const*)> const& take) {
  // Room for sixteen records and one byte more, so that a read longer than
  // whole records is seen as such and not cut to fit.
  constexpr size_t kRecords = 16, kMaxSize = 24;
  uint8_t buffer[kRecords * kMaxSize + 1];
  if (!(revents & (POLLIN | kDeviceFailure))) return ReadEnd::drained;
  if (size == 0 || size > kMaxSize) return ReadEnd::readFailed;  // no such record
  size_t const room = kRecords * size + 1;
  bool const failed = (revents & kDeviceFailure) != 0;
  for (;;) {
    ssize_t const n = Dev::read(fd, buffer, room);
    if (n > 0) {
      if (n % static_cast<ssize_t>(size) != 0) {
        std::cerr << name << " event: bad record size " << n << ", dropped" << std::endl;
        continue;
      }
      for (ssize_t at = 0; at < n; at += static_cast<ssize_t>(size)) take(buffer + at);
      continue;
    }
    if (n == 0) return ReadEnd::gone;
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return failed ? ReadEnd::gone : ReadEnd::drained;
    std::cerr << failText << std::strerror(errno) << std::endl;
    return failed ? ReadEnd::gone : ReadEnd::readFailed;
  }
}

void ServeEvents(Event& event, int fd, short revents, size_t size, char const* name, char const* failText,
                 std::function<void(uint8_t const*)> const& take) {
  if (ReadRecords(fd, revents, size, name, failText, take) != ReadEnd::gone) return;
  std::cerr << name << " device hung up or failed, closed until its next use" << std::endl;
  event.Release();
}

}  // namespace Hardware::detail
