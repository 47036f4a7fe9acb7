#pragma once
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

// The board's character devices ("/dev/hal", "/dev/mcc/ctl", "/dev/dtmf", ...)
// as the drivers use them: open a device by its board path, issue requests,
// read event records, write, and poll the descriptor on the main loop.
//
// On the board every call is the system call itself. When TARVOX_ROOT is set
// (tests, scripts/run.sh) the devices are simulated in this process by
// Dev::Sim::Board (hardware/SimBoard.h): each open gives a real descriptor
// (one end of a packet socket pair) that the loop can poll; requests are
// answered and recorded by the simulated device, and records it queues arrive
// one per read.
//
// Usage:
//   constexpr uint32_t kConnect = Dev::iow('M', 2, 8);      // 0x80084D02
//   int fd = Dev::open("/dev/hal", O_RDWR | O_CLOEXEC);      // -1 and errno on failure
//   Dev::Record<8> r;
//   r.put32(0, output);
//   r.put32(4, input);
//   if (Dev::ioctl(fd, kConnect, r) < 0) ... errno ...
//   int ts = Dev::ioctlValue(fd, Dev::io('M', 2), 0);       // a result in the return value
//   uint8_t event[16];
//   ssize_t n = Dev::read(fd, event, sizeof event);          // one record per read
//   uint32_t code = Dev::get32(event);
// Descriptors are closed with Dev::close or an Fd, never with ::close, so that
// the simulated board forgets the number; they may be duplicated.
namespace Dev {

// Request numbers as the board's PowerPC kernel encodes them: three direction
// bits on top (1 none, 2 read, 4 write, 6 both), 13 bits of record size, the
// type letter and the number.
constexpr uint32_t request(uint32_t dir, char type, uint32_t nr, uint32_t size) {
  return (dir << 29) | ((size & 0x1FFF) << 16) | (static_cast<uint32_t>(static_cast<unsigned char>(type)) << 8) |
         (nr & 0xFF);
}
constexpr uint32_t io(char type, uint32_t nr) { return request(1, type, nr, 0); }
constexpr uint32_t ior(char type, uint32_t nr, uint32_t size) { return request(2, type, nr, size); }
constexpr uint32_t iow(char type, uint32_t nr, uint32_t size) { return request(4, type, nr, size); }
constexpr uint32_t iowr(char type, uint32_t nr, uint32_t size) { return request(6, type, nr, size); }
// The record size a request number carries.
constexpr size_t size(uint32_t request) { return (request >> 16) & 0x1FFF; }

// Fields of device records, in the board's (big-endian) byte order.
inline void put32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
inline void put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline uint32_t get32(uint8_t const* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline uint16_t get16(uint8_t const* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// A request record of N bytes, zeroed.
template <size_t N>
struct Record {
  uint8_t bytes[N] = {};
  void put32(size_t at, uint32_t v) { Dev::put32(bytes + at, v); }
  void put16(size_t at, uint16_t v) { Dev::put16(bytes + at, v); }
  void put8(size_t at, uint8_t v) { bytes[at] = v; }
  uint32_t get32(size_t at) const { return Dev::get32(bytes + at); }
  uint16_t get16(size_t at) const { return Dev::get16(bytes + at); }
  uint8_t get8(size_t at) const { return bytes[at]; }
};

// True when the devices are simulated (TARVOX_ROOT is set).
bool simulated();

// Opens a device by its board path ("/dev/hal") with open(2) flags; -1 and
// errno on failure.
int open(std::string const& path, int flags);

// A request whose argument points to a record of Dev::size(request) bytes;
// the driver may fill it. Returns the driver's result, -1 and errno on failure.
int ioctl(int fd, uint32_t request, void* record);
// The same with the caller's record size: a request that names a larger
// record than the caller has fails with EINVAL and never reaches the driver.
int ioctl(int fd, uint32_t request, void* record, size_t recordSize);
template <size_t N>
int ioctl(int fd, uint32_t request, Record<N>& record) {
  return ioctl(fd, request, static_cast<void*>(record.bytes), N);
}
// A request whose argument is the number itself.
int ioctlValue(int fd, uint32_t request, unsigned long value);

// Closes a device descriptor.
int close(int fd);

ssize_t read(int fd, void* buffer, size_t size);
ssize_t write(int fd, void const* data, size_t size);

}  // namespace Dev
