#include "core/PidFile.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <ostream>
#include <unistd.h>

#include "core/BoardPath.h"

namespace Linux {

Run::Run(char const* name) : path_(Board::path("/var/run/") + name + ".pid") {
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_SYNC | O_CLOEXEC, 0644);
  if (fd_ < 0) return;
  owner_ = ::getpid();
  std::string text = std::to_string(owner_);
  char const* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    p += n;
    left -= static_cast<size_t>(n);
  }
  ::fsync(fd_);
}

Run::~Run() {
  if (fd_ < 0) return;
  ::close(fd_);
  if (::getpid() == owner_) ::unlink(path_.c_str());
}

}  // namespace Linux

std::ostream& timestamp(std::ostream& os) {
  std::time_t now = std::time(nullptr);
  std::tm local;
  if (now == static_cast<std::time_t>(-1) || ::localtime_r(&now, &local) == nullptr) return os;
  char text[32];
  if (std::strftime(text, sizeof text, "%d/%m %H:%M:%S", &local) > 0) os << text;
  return os;
}
