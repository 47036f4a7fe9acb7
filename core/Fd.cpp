#include "core/Fd.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

FdCloseObserver closeObserver = nullptr;

int closeDescriptor(int fd) {
  if (closeObserver) closeObserver(fd);
  return ::close(fd);
}

}  // namespace

void SetFdCloseObserver(FdCloseObserver observer) { closeObserver = observer; }

bool NonBlockMode(int fd) {
  int flags = ::fcntl(fd, F_GETFL);
  return flags != -1 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != -1;
}

bool BlockMode(int fd) {
  int flags = ::fcntl(fd, F_GETFL);
  return flags != -1 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != -1;
}

bool SetCloexec(int fd, bool on) {
  int flags = ::fcntl(fd, F_GETFD);
  if (flags == -1) return true;
  flags = on ? (flags | FD_CLOEXEC) : (flags & ~FD_CLOEXEC);
  return ::fcntl(fd, F_SETFD, flags) == -1;
}

Fd& Fd::operator=(Fd const& other) {
  if (this != &other) {
    close();
    fd_ = other.dup();
  }
  return *this;
}

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

Fd::~Fd() {
  if (fd_ >= 0) closeDescriptor(fd_);
}

int Fd::dup() const {
  if (fd_ < 0) return -1;
  return ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
}

int Fd::close() {
  if (fd_ < 0) {
    errno = EBADF;
    return -1;
  }
  int result = closeDescriptor(fd_);
  fd_ = -1;
  return result;
}
