#include "core/ASync.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Ext.h"
#include "core/INet4.h"

namespace ASync {

namespace {

constexpr short kFailureEvents = POLLERR | POLLHUP | POLLNVAL;
constexpr unsigned kDefaultBufferSize = 1024;

bool would_block(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

// The pending error of a socket: 0 when none. When the query fails (a pipe or
// a device is no socket) the query's errno, or 0 with `failureIsNone`.
int socket_error(int fd, bool failureIsNone = false) {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return failureIsNone ? 0 : errno;
  return error;
}

// A dotted quad with an optional colon and a decimal port of 1 to 65535.
// 0.0.0.0 is refused: connecting there would reach this host.
bool parse_peer(char const* text, INet4::Addr& peer) {
  if (text == nullptr || !peer.Assign(text)) return false;
  if (char const* colon = std::strchr(text, ':')) {
    char const* digits = colon + 1;
    size_t n = std::strlen(digits);
    if (n == 0 || n > 5) return false;
    for (size_t i = 0; i < n; ++i)
      if (!std::isdigit(static_cast<unsigned char>(digits[i]))) return false;
    long port = std::strtol(digits, nullptr, 10);
    if (port < 1 || port > 65535) return false;
  }
  return peer.address() != htonl(INADDR_ANY);
}

}  // namespace

// ---- Copy ----

Copy::Copy() {
  sourceEvent_.Bind<Copy>("Copy::OnSrcEvent", &Copy::OnSrcEvent, this);
  destinationEvent_.Bind<Copy>("Copy::OnDstEvent", &Copy::OnDstEvent, this);
}

int Copy::Start(Fd source, Fd destination) {
  status_ = Status::Copying;
  sourceEvent_.Release();
  destinationEvent_.Release();
  source_ = std::move(source);
  destination_ = std::move(destination);
  if (!buffer_) {
    buffer_.reset(new uint8_t[kDefaultBufferSize]);
    bufsize_ = kDefaultBufferSize;
  }
  source_.NonBlock();
  destination_.NonBlock();
  struct stat info;
  socketDestination_ = ::fstat(destination_.get(), &info) == 0 && S_ISSOCK(info.st_mode);
  sourceEvent_.Schedule(source_, 0);
  destinationEvent_.Schedule(destination_, 0);
  error_ = 0;
  total_ = 0;
  step_ = &Copy::SrcReady;
  Progress();
  return 0;
}

void Copy::Stop() {
  if (status_ == Status::Copying) GoFlushing();
}

void Copy::set_events(EventsParams const& events) {
  events_ = events;
  End(Status::Aborted);
}

bool Copy::set_bufsize(unsigned size) {
  if (size == 0) {
    std::cerr << "ASync::Copy: buffer size 0 refused" << std::endl;
    return false;
  }
  buffer_.reset(new uint8_t[size]);
  bufsize_ = size;
  End(Status::Aborted);
  return true;
}

void Copy::Progress() {
  while ((this->*step_)()) {
  }
}

void Copy::Watch(short sourceMask, short destinationMask) {
  if (sourceEvent_.events() != sourceMask) sourceEvent_.Schedule(sourceEvent_.fd(), sourceMask);
  if (destinationEvent_.events() != destinationMask) destinationEvent_.Schedule(destinationEvent_.fd(), destinationMask);
}

bool Copy::SrcReady() {
  ssize_t n = ::read(source_.get(), buffer_.get(), bufsize_);
  if (n > 0) {
    writePos_ = buffer_.get();
    dataEnd_ = writePos_ + n;
    step_ = &Copy::DstReady;
    return true;
  }
  if (n == 0) return GoFlushing();
  if (errno == EINTR) return true;
  if (would_block(errno)) {
    // A source that hung up has nothing more to give.
    if (!sourceEvent_.fd()) return GoFlushing();
    Watch(events_.source, 0);
    return false;
  }
  error_ = errno;
  if (total_ == 0) return End(Status::Failed);
  return GoFlushing();
}

ssize_t Copy::WriteOut() {
  size_t n = static_cast<size_t>(dataEnd_ - writePos_);
  if (socketDestination_) return ::send(destination_.get(), writePos_, n, MSG_NOSIGNAL);
  return ::write(destination_.get(), writePos_, n);
}

bool Copy::DstReady() {
  ssize_t n = WriteOut();
  if (n < 0) {
    if (errno == EINTR) return true;
    if (would_block(errno)) {
      Watch(0, events_.destination);
      return false;
    }
    error_ = errno;
    return End(Status::Failed);
  }
  if (n == 0) {
    error_ = 0;
    return End(Status::Failed);
  }
  total_ += static_cast<uint32_t>(n);
  writePos_ += n;
  if (writePos_ != dataEnd_) return true;
  if (status_ == Status::Draining) return FlushWait();
  step_ = &Copy::SrcReady;
  return true;
}

// The end of the source, or Stop: buffered data is still written.
bool Copy::GoFlushing() {
  sourceEvent_.Release();
  source_.close();
  if (step_ == &Copy::DstReady) {
    status_ = Status::Draining;
    return true;
  }
  return FlushWait();
}

bool Copy::FlushWait() {
  if (events_.flush == 0) return End(Status::Done);
  Watch(0, events_.flush);
  step_ = &Copy::NotReady;
  status_ = Status::Flushing;
  return false;
}

// Always false, so that a step can end with `return End(...)`. The handler
// runs last: it may start the next copy or destroy this copier.
bool Copy::End(Status::Type status) {
  if (!under_way()) return false;
  sourceEvent_.Release();
  destinationEvent_.Release();
  status_ = status;
  source_.close();
  destination_.close();
  step_ = &Copy::NotReady;
  Notify(status);
  return false;
}

void Copy::OnSrcEvent(int, short revents) {
  if (revents & events_.source) {
    Progress();
  } else if (revents & kFailureEvents) {
    // The read that follows sees the end or the error.
    sourceEvent_.Release();
    Progress();
  }
}

void Copy::OnDstEvent(int, short revents) {
  if (revents & kFailureEvents) {
    // Only a socket can tell why; a pipe or device leaves no error.
    error_ = socket_error(destination_.get(), true);
    End(Status::Failed);
  } else if (status_ == Status::Copying || status_ == Status::Draining) {
    if (revents & events_.destination) Progress();
  } else if (status_ == Status::Flushing) {
    if (revents & events_.flush) End(Status::Done);
  }
}

// ---- Connect ----

Connect::Connect() { event_.Bind<Connect>("Connect::OnSocketEvent", &Connect::OnSocketEvent, this); }

void Connect::Cancel() {
  socket_.close();
  event_.Release();
  timer_.reset();
}

void Connect::Start(char const* address, unsigned timeoutMs) {
  Cancel();
  status_ = Status::Connecting;
  error_ = 0;
  INet4::Addr peer;
  if (!parse_peer(address, peer)) {
    std::cerr << "ASync::Connect: bad address " << ext::quoted(address ? address : "(null)") << ", not connecting"
              << std::endl;
    error_ = EINVAL;
    End(Status::Failed);
    return;
  }
  socket_ = Fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
  if (!socket_ || !socket_.NonBlock()) {
    error_ = errno;
    End(Status::Failed);
    return;
  }
  if (::connect(socket_.get(), peer.sockaddr_ptr(), INet4::Addr::size()) == 0) {
    End(Status::Connected);
    return;
  }
  if (errno != EINPROGRESS) {
    error_ = errno;
    End(Status::Failed);
    return;
  }
  event_.Schedule(socket_, POLLOUT);
  timer_.set<Connect>(timeoutMs, &Connect::OnTimeOut, this);
}

void Connect::Stop() { End(Status::Stopped); }

void Connect::End(Status::Type status) {
  if (status_ != Status::Connecting) return;
  status_ = status;
  Fd handed;
  if (status == Status::Connected) handed = socket_;
  Cancel();
  Notify(status, std::move(handed));
}

void Connect::OnSocketEvent(int, short revents) {
  if (revents & kFailureEvents) {
    error_ = socket_error(socket_.get());
    End(Status::Failed);
  } else if (revents & POLLOUT) {
    error_ = socket_error(socket_.get());
    End(error_ == 0 ? Status::Connected : Status::Failed);
  }
}

void Connect::OnTimeOut(Timer*) {
  error_ = ETIMEDOUT;
  End(Status::Failed);
}

}  // namespace ASync
