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

void ReadRecords(int fd, size_t size, char const* name, char const* failText,
                 std::function<void(uint8_t const*)> const& take) {
  uint8_t record[256];
  for (;;) {
    ssize_t n = Dev::read(fd, record, sizeof record);
    if (n == static_cast<ssize_t>(size)) {
      take(record);
      continue;
    }
    if (n > 0) {
      std::cerr << name << " event: bad record size " << n << ", dropped" << std::endl;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) std::cerr << failText << std::strerror(errno) << std::endl;
    return;
  }
}

}  // namespace Hardware::detail
