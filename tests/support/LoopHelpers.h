#pragma once
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "core/Multiplexer.h"

namespace testsupport {

// Stops the loop from a timer after `ms` milliseconds, so a test never hangs.
class LoopStopper {
 public:
  explicit LoopStopper(unsigned ms) { timer_.set(ms, &LoopStopper::stop, this); }
  bool fired() const { return fired_; }

 private:
  void stop() {
    fired_ = true;
    multiplexer.terminate();
  }
  Timer timer_;
  bool fired_ = false;
};

// A timer whose callback is any function; counts its firings.
class FnTimer {
 public:
  explicit FnTimer(std::function<void()> fn = {}) : fn_(std::move(fn)) {}
  void arm(unsigned ms) { timer.set(ms, &FnTimer::fire, this); }
  Timer timer;
  int fired = 0;

 private:
  void fire() {
    ++fired;
    if (fn_) fn_();
  }
  std::function<void()> fn_;
};

// A connected pair of stream sockets.
struct SocketPair {
  int fd[2] = {-1, -1};
  SocketPair() { ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fd); }
  ~SocketPair() {
    for (int f : fd)
      if (f >= 0) ::close(f);
  }
  void send(char const* text, size_t n) { (void)!::write(fd[1], text, n); }
};

}  // namespace testsupport
