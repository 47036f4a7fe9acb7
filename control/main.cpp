#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

#include "core/Multiplexer.h"
#include "core/OsHelpers.h"
#include "core/Version.h"

namespace {

int wakeup[2] = {-1, -1};

void on_stop(int, siginfo_t*, void*) {
  int saved = errno;
  multiplexer.terminate();
  (void)!::write(wakeup[1], "", 1);
  errno = saved;
}

struct Waker {
  Event event;
  void on_wakeup(int fd, short revents) {
    char byte;
    if (revents & POLLIN) (void)!::read(fd, &byte, 1);
  }
};

}  // namespace

int main() {
  if (::pipe2(wakeup, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
  Waker waker;
  waker.event.Bind("signal wake-up", &Waker::on_wakeup, &waker);
  waker.event.Schedule(Fd(wakeup[0]), POLLIN);
  IPC::Signal::handle(SIGTERM, on_stop, 0);
  IPC::Signal::handle(SIGINT, on_stop, 0);
  std::cout << "Starting server " << Version::current << std::endl;
  multiplexer.run(true, true);
  return 0;
}
