#include "control/StrmProtocol.h"

#include <netinet/in.h>
#include <netinet/tcp.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include "core/Ext.h"

namespace {

int socket_int(int fd, int level, int option) {
  int value = 0;
  socklen_t length = sizeof value;
  if (fd < 0 || ::getsockopt(fd, level, option, &value, &length) != 0) return -1;
  return value;
}

int socket_ioctl(int fd, unsigned long request) {
  int value = 0;
  if (fd < 0 || ::ioctl(fd, request, &value) != 0) return -1;
  return value;
}

}  // namespace

StrmProtocol::StrmProtocol() { init(); }

StrmProtocol::StrmProtocol(Fd const& socket) {
  init();
  attach(socket);
}

StrmProtocol::~StrmProtocol() { release(); }

void StrmProtocol::init() {
  outqFree_ = false;
  event_.Bind("StrmProtocol::on_event", &StrmProtocol::on_event, this);
}

void StrmProtocol::attach(Fd const& socket) {
  release();
  fd_ = socket;
  // Nothing has been sent yet, so a figure above zero can only be free room.
  outqFree_ = outq_space() > 0;
}

void StrmProtocol::release() {
  if (!fd_) return;
  event_.Release();
  ::shutdown(fd_.get(), SHUT_RDWR);
  fd_.close();
}

void StrmProtocol::local_activate() {
  if (!fd_) {
    on_deactivate(new Protocol_status_error(this, "fd not attached"));
    return;
  }
  event_.Schedule(fd_, POLLIN);
  on_activate();
}

void StrmProtocol::local_deactivate() {
  release();
  on_deactivate(new Protocol_status_success(this, "success"));
}

void StrmProtocol::on_event(int fd, short revents) {
  if (revents & POLLERR) {
    int error = socket_int(fd, SOL_SOCKET, SO_ERROR);
    on_error(std::string("pollerr: ") + std::strerror(error > 0 ? error : errno));
  } else if (revents & POLLIN) {
    // Data sent right before a hang-up is read first; the end of the stream
    // shows on a later read.
    do_read();
  } else if (revents & POLLHUP) {
    on_error("pollhup: peer hung up");
  }
}

void StrmProtocol::do_read() {
  Packet packet;
  packet.reserve_head(0);
  readMeasure_.begin();
  ssize_t n = ::recv(fd_.get(), packet->tail, packet.tailroom(), MSG_DONTWAIT | MSG_NOSIGNAL);
  int error = errno;
  readMeasure_.end();
  if (n < 0 && (error == EAGAIN || error == EWOULDBLOCK || error == EINTR)) return;
  if (n < 0) {
    on_error(std::string("read error: ") + std::strerror(error));
    return;
  }
  if (n == 0) {
    on_error("read error: connection closed by peer");
    return;
  }
  packet.put(static_cast<unsigned>(n));
  writesInRead_ = 0;
  on_message(packet);
  writesInRead_ = -1;
  if (corked_) cork(false);
}

// Many frames in one read give many answers; sending each on its own costs a
// full trip through the network stack, so all but the first wait in the
// socket until the read is handled. Every answer is still written before its
// command's handling returns.
void StrmProtocol::cork(bool on) {
  int value = on ? 1 : 0;
  bool set = fd_ && ::setsockopt(fd_.get(), IPPROTO_TCP, TCP_CORK, &value, sizeof value) == 0;
  corked_ = on && set;
}

void StrmProtocol::on_error(std::string const& text) {
  release();
  on_deactivate(new Protocol_status_error(this, text));
}

void StrmProtocol::message(Packet& packet) {
  if (!fd_) return;
  if (writesInRead_ >= 0 && ++writesInRead_ == 2) cork(true);
  writeMeasure_.begin();
  uint32_t start = Mux::milliseconds();
  uint8_t const* p = packet.data();
  size_t left = packet.length();
  while (left > 0) {
    ssize_t n = ::send(fd_.get(), p, left, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n > 0) {
      p += n;
      left -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      write_failed("write error", errno);
      return;
    }
    int budget = static_cast<int>(kWriteBudgetMs) - static_cast<int>(Mux::milliseconds() - start);
    if (budget <= 0) {
      write_failed("write timeout", 0);
      return;
    }
    pollfd entry{fd_.get(), POLLOUT, 0};
    multiplexer.resetWD();
    int ready = ::poll(&entry, 1, budget);
    int error = errno;
    multiplexer.resetWD();
    if (ready == 1 || (ready < 0 && error == EINTR)) continue;
    write_failed("write timeout", 0);
    return;
  }
  writeMeasure_.end();
}

void StrmProtocol::write_failed(char const* what, int error) {
  writeMeasure_.end();
  std::cerr << ext::header(this) << what << ", sendbuf=" << sendbuf_space() << ", recvbuf=" << recvbuf_space()
            << ", free=" << free_space() << ", inq=" << inq_space() << ", outq=" << outq_space();
  if (error) std::cerr << ", error=" << std::strerror(error);
  std::cerr << std::endl;
  ++writeFailures_;
  on_error(error ? std::string(what) + ": " + std::strerror(error) : std::string(what));
}

int StrmProtocol::sendbuf_space() const { return socket_int(fd_.get(), SOL_SOCKET, SO_SNDBUF); }
int StrmProtocol::recvbuf_space() const { return socket_int(fd_.get(), SOL_SOCKET, SO_RCVBUF); }
int StrmProtocol::inq_space() const { return socket_ioctl(fd_.get(), SIOCINQ); }
int StrmProtocol::outq_space() const { return socket_ioctl(fd_.get(), SIOCOUTQ); }

int StrmProtocol::free_space() const {
  int outq = outq_space();
  return outqFree_ ? outq : sendbuf_space() - outq;
}

std::ostream& StrmProtocol::PutHeader(std::ostream& os) const { return os << "SockStream[" << name_ << "]: "; }
