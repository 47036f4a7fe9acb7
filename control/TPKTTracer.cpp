#include "control/TPKTTracer.h"

#include <cerrno>
#include <iostream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include "core/INet4.h"

TPKTTracer::~TPKTTracer() = default;

bool TPKTTracer::Listen(unsigned short port) {
  Fd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
  if (!socket) return false;
  INet4::Addr any;
  any.SetPort(port);
  if (::bind(socket.get(), any.sockaddr_ptr(), INet4::Addr::size()) != 0 || ::listen(socket.get(), 1) != 0 ||
      !socket.NonBlock())
    return false;
  listen_ = std::move(socket);
  listenEvent_.Bind("TPKTTracer::OnEvent", &TPKTTracer::OnEvent, this);
  listenEvent_.Schedule(listen_, POLLIN);
  return true;
}

unsigned short TPKTTracer::port() const {
  INet4::Addr bound;
  socklen_t length = INet4::Addr::size();
  if (!listen_ || ::getsockname(listen_.get(), bound.sockaddr_ptr(), &length) != 0) return 0;
  return bound.port();
}

void TPKTTracer::OnEvent(int fd, short revents) {
  if (!(revents & POLLIN)) return;
  for (;;) {
    INet4::Addr peer;
    socklen_t length = INet4::Addr::size();
    Fd socket(::accept4(fd, peer.sockaddr_ptr(), &length, SOCK_CLOEXEC));
    if (!socket) return;
    std::clog << "ACP connection open from " << peer << std::endl;
    if (!socket.NonBlock()) continue;
    auto connection = std::make_unique<Connection>();
    connection->event.Bind("TPKTTracer::OnDataEvent", &TPKTTracer::OnDataEvent, this);
    connection->event.Schedule(socket, POLLIN);
    connections_.push_back(std::move(connection));
  }
}

void TPKTTracer::OnDataEvent(int fd, short revents) {
  current_ = FindConnection(fd);
  if (current_ == connections_.end()) return;
  if (revents & (POLLERR | POLLHUP)) {
    CloseConnection(current_);
  } else if (revents & POLLIN) {
    if (!ReadFrom(fd, **current_) && current_ != connections_.end()) CloseConnection(current_);
  }
  current_ = connections_.end();
  closing_.reset();
}

bool TPKTTracer::ReadFrom(int fd, Connection& c) {
  for (;;) {
    ssize_t n = ::recv(fd, c.buffer + c.received, c.expected - c.received, MSG_NOSIGNAL);
    if (n == 0) return false;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    c.received += static_cast<uint32_t>(n);
    if (c.received < c.expected) continue;
    if (c.header) {
      unsigned total = c.buffer[2] * 256u + c.buffer[3];
      if (c.buffer[0] != 3 || c.buffer[1] != 0 || total < 4 || total > kMaxBody + 4) return false;
      c.received = 0;
      if (total == 4) continue;
      c.header = false;
      c.expected = total - 4;
      continue;
    }
    if (receiver_) receiver_->OnMessage(c.buffer, c.expected);
    // The receiver's reply may have failed and closed this connection.
    if (current_ == connections_.end()) return true;
    c.header = true;
    c.expected = 4;
    c.received = 0;
  }
}

void TPKTTracer::Send(void const* data, unsigned length) {
  uint8_t header[4] = {3, 0, static_cast<uint8_t>((length + 4) >> 8), static_cast<uint8_t>(length + 4)};
  if (length > 0xFFFF - 4) return;
  if (current_ != connections_.end()) {
    if (!SendTo(**current_, header, data, length)) CloseConnection(current_);
    return;
  }
  for (auto it = connections_.begin(); it != connections_.end();) {
    auto next = std::next(it);
    if (!SendTo(**it, header, data, length)) CloseConnection(it);
    it = next;
  }
}

bool TPKTTracer::SendTo(Connection& c, uint8_t const* header, void const* data, unsigned length) {
  iovec parts[2] = {{const_cast<uint8_t*>(header), 4}, {const_cast<void*>(data), length}};
  msghdr message{};
  message.msg_iov = parts;
  message.msg_iovlen = 2;
  ssize_t sent;
  do {
    sent = ::sendmsg(c.event.fd().get(), &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(length) + 4;
}

void TPKTTracer::CloseConnection(List::iterator position) {
  if (position == current_) {
    current_ = connections_.end();
    (*position)->event.Release();
    closing_ = std::move(*position);
  }
  connections_.erase(position);
}

TPKTTracer::List::iterator TPKTTracer::FindConnection(int fd) {
  for (auto it = connections_.begin(); it != connections_.end(); ++it)
    if ((*it)->event.fd().get() == fd) return it;
  return connections_.end();
}
