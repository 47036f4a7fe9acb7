#include "core/ChildWait.h"

#include <cerrno>
#include <iostream>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/OsHelpers.h"

int ChildWait::UsageCounter = 0;
ChildWaitService* ChildWaitService::childWaitService = nullptr;

namespace {

// Records the signal handler could not queue (the socket was full); the loop
// reports them.
volatile sig_atomic_t lostRecords = 0;

}  // namespace

// ---- ChildWait ----

ChildWait::~ChildWait() {
  handler_->~Handler();
  Detach();
}

void ChildWait::Attach(int pid) {
  pid_ = pid;
  if (ChildWaitService* service = ChildWaitService::childWaitService) service->waiting_.insert_to_tail(this);
}

void ChildWait::Detach() {
  if (ChildWaitService* service = ChildWaitService::childWaitService) service->waiting_.remove(this);
}

bool ChildWait::waiting() const {
  ChildWaitService* service = ChildWaitService::childWaitService;
  return service && service->waiting_.contains(this);
}

void ChildWait::Initialize() {
  if (ChildWaitService::childWaitService == nullptr) ChildWaitService::childWaitService = new ChildWaitService;
}

void ChildWait::Cleanup() {
  ChildWaitService* service = ChildWaitService::childWaitService;
  // The signal handler sees no service from here on.
  ChildWaitService::childWaitService = nullptr;
  delete service;
}

void ChildWait::Activate() {
  ChildWaitService* service = ChildWaitService::childWaitService;
  if (service == nullptr || service->active()) return;
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, pair) != 0) {
    std::cerr << "ChildWaitService: initialize fails" << std::endl;
    return;
  }
  Fd writer(pair[0]);
  Fd reader(pair[1]);
  // Neither end may block: the reader drains what is queued, and the signal
  // handler drops a record rather than hang the interrupted code.
  writer.NonBlock();
  reader.NonBlock();
  service->readEvent_.Bind<ChildWaitService>("ChildWaitService::OnChildEvent", &ChildWaitService::OnChildEvent,
                                             service);
  service->readEvent_.Schedule(reader, POLLIN);
  service->writeFd_ = writer.release();
  IPC::Signal::handle(SIGCHLD, &ChildWaitService::SigChldHandlerWrapper, SA_RESTART);
}

// ---- ChildWaitService ----

ChildWaitService::~ChildWaitService() {
  readEvent_.Release();
  int fd = writeFd_;
  writeFd_ = -1;
  if (fd >= 0) ::close(fd);
}

// Only async-signal-safe calls; errno is the interrupted code's and is given back.
void ChildWaitService::SigChldHandlerWrapper(int, siginfo_t*, void*) {
  int savedErrno = errno;
  if (ChildWaitService* service = childWaitService) {
    int status = 0;
    pid_t pid;
    while ((pid = ::waitpid(-1, &status, WNOHANG)) > 0) {
      int fd = service->writeFd_;
      if (fd < 0) continue;
      int record[2] = {pid, status};
      iovec parts[2] = {{&record[0], sizeof record[0]}, {&record[1], sizeof record[1]}};
      if (::writev(fd, parts, 2) != static_cast<ssize_t>(sizeof record)) lostRecords = lostRecords + 1;
    }
  }
  errno = savedErrno;
}

void ChildWaitService::OnChildEvent(int fd, short revents) {
  if (!(revents & POLLIN)) return;
  int record[2];
  iovec parts[2] = {{&record[0], sizeof record[0]}, {&record[1], sizeof record[1]}};
  while (::readv(fd, parts, 2) == static_cast<ssize_t>(sizeof record)) {
    int pid = record[0];
    int status = record[1];
    std::clog << "terminate child process, pid=" << pid << " status=" << status << std::endl;
    for (ChildWait* wait : waiting_) {
      if (wait->pid_ != pid) continue;
      waiting_.remove(wait);
      // The handler may attach this ChildWait again, or destroy it.
      wait->handler_->Invoke(*wait, status);
      break;
    }
  }
  if (int lost = lostRecords) {
    lostRecords = 0;
    std::cerr << "ChildWaitService: " << lost << " child exit records lost, socket full" << std::endl;
  }
}
