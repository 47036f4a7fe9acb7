#include "hardware/Device.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hardware/SimBoard.h"

namespace Dev {

namespace {

// The simulated open behind a descriptor, or null on the board.
Sim::File* simulatedFile(int fd, Sim::Device** device) {
  Sim::Board* board = Sim::Board::existing();
  return board ? board->lookup(fd, device) : nullptr;
}

int failWith(int error) {
  errno = error;
  return -1;
}

// The driver fills at most the record the request names (`size` bytes), however
// much its answer left in request.record.
int simulatedRequest(Sim::Device& device, Sim::File& file, Sim::Request& request, void* record, size_t size) {
  request.file = file.index();
  int result = device.answer(request);
  size_t const filled = std::min(size, request.record.size());
  if (record != nullptr && filled > 0) std::memcpy(record, request.record.data(), filled);
  return result < 0 ? failWith(-result) : result;
}

}  // namespace

bool simulated() {
  char const* root = std::getenv("TARVOX_ROOT");
  return root != nullptr && *root != '\0';
}

int open(std::string const& path, int flags) {
  if (simulated()) return Sim::Board::instance().open(path, flags);
  return ::open(path.c_str(), flags);
}

int ioctl(int fd, uint32_t request, void* record) { return ioctl(fd, request, record, size(request)); }

int ioctl(int fd, uint32_t request, void* record, size_t recordSize) {
  if (size(request) > recordSize) return failWith(EINVAL);
  if (record == nullptr && size(request) > 0) return failWith(EFAULT);
  Sim::Device* device = nullptr;
  Sim::File* file = simulatedFile(fd, &device);
  if (file == nullptr) return ::ioctl(fd, static_cast<unsigned long>(request), record);
  Sim::Request r;
  r.number = request;
  auto const* bytes = static_cast<uint8_t const*>(record);
  r.record.assign(bytes, bytes + size(request));
  return simulatedRequest(*device, *file, r, record, size(request));
}

int ioctlValue(int fd, uint32_t request, unsigned long value) {
  Sim::Device* device = nullptr;
  Sim::File* file = simulatedFile(fd, &device);
  if (file == nullptr) return ::ioctl(fd, static_cast<unsigned long>(request), value);
  Sim::Request r;
  r.number = request;
  r.value = value;
  return simulatedRequest(*device, *file, r, nullptr, 0);
}

int close(int fd) {
  if (Sim::Board* board = Sim::Board::existing()) board->forget(fd);
  return ::close(fd);
}

ssize_t read(int fd, void* buffer, size_t size) {
  if (Sim::File* file = simulatedFile(fd, nullptr))
    if (int error = file->takeReadError()) return failWith(error);
  return ::read(fd, buffer, size);
}

ssize_t write(int fd, void const* data, size_t size) {
  if (Sim::File* file = simulatedFile(fd, nullptr))
    if (int error = file->takeWriteError()) return failWith(error);
  return ::write(fd, data, size);
}

}  // namespace Dev
