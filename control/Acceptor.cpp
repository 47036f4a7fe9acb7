#include "control/Acceptor.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <iostream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <unistd.h>

namespace Control {

// ---- Listening ----

template <class Base>
Listening<Base>::Listening(char const* eventName) {
  event_.Bind(eventName, &Listening::OnSocketEvent, this);
}

template <class Base>
bool Listening<Base>::ImplActivate() {
  BindSocket();
  return true;
}

template <class Base>
void Listening<Base>::ImplDeactivate() {
  retry_.reset();
  event_.Release();
  listen_.close();
}

template <class Base>
void Listening<Base>::RetryLater(char const* what) {
  int error = errno;
  if (this->verbose()) std::cerr << what << std::strerror(error) << std::endl;
  if (listen_) listen_.close();
  retry_.set(kRetryMs, &Listening::OnTimeout, this);
}

template <class Base>
void Listening<Base>::BindSocket() {
  if (!listen_) {
    int fd = OpenSocket();
    if (fd < 0) return RetryLater("can't create socket:");
    listen_ = Fd(fd);
  }
  if (BindTo(listen_.get()) != 0) {
    if (this->verbose()) std::cerr << "can't bind to socket: \"" << std::strerror(errno) << "\"  waiting..." << std::endl;
    retry_.set(kRetryMs, &Listening::OnTimeout, this);
    return;
  }
  if (::listen(listen_.get(), kBacklog) != 0) return RetryLater("can't listen socket: ");
  if (!listen_.NonBlock()) return RetryLater("can't set socket to non block mode: ");
  event_.Schedule(listen_, POLLIN);
}

// A peer that cannot be taken stays pending and the listening socket readable:
// rather than spin on it, stop watching for a while.
template <class Base>
void Listening<Base>::RestAccept(int error) {
  if (!acceptFailing_ && this->verbose())
    std::cerr << "can't accept connection: " << std::strerror(error) << ", trying again every " << kAcceptRestMs << " ms"
              << std::endl;
  acceptFailing_ = true;
  event_.Schedule(event_.fd(), 0);
  retry_.set(kAcceptRestMs, &Listening::OnAcceptRested, this);
}

template <class Base>
void Listening<Base>::OnSocketEvent(int fd, short revents) {
  if (!(revents & POLLIN)) return;
  for (;;) {
    std::string peer;
    Fd socket(AcceptPeer(fd, peer));
    if (!socket) {
      // Nothing pending, or a peer gone before it was taken: the next one
      // makes the socket readable again.
      int error = errno;
      if (error == EAGAIN || error == EWOULDBLOCK)
        acceptFailing_ = false;
      else if (error != EINTR && error != ECONNABORTED)
        RestAccept(error);
      return;
    }
    acceptFailing_ = false;
    if (this->state() == Base::State::Connected) {
      if (this->verbose()) std::cerr << "refuse connection from " << peer << std::endl;
      ImplRefuseConnection();
    } else if (this->state() != Base::State::Connecting) {
      // While the last peer's loss is being reported a new one is not attached.
      if (this->verbose()) std::cout << "new connection from " << peer << std::endl;
    } else if (!socket.NonBlock()) {
      if (this->verbose()) std::cerr << "can't set socket to non block mode: " << std::strerror(errno) << std::endl;
    } else {
      if (this->verbose()) std::cout << "new connection from " << peer << std::endl;
      AttachPeer(socket);
      ImplConnected(socket);
    }
    // Our copy closes here; an attached peer lives on in the stream layer.
  }
}

template class Listening<ServiceNet>;
template class Listening<ServiceUnix>;

// ---- AcceptorNet ----

AcceptorNet::AcceptorNet(int port) : Listening("AcceptorNet::OnSocketEvent"), port_(static_cast<unsigned short>(port)) {}

AcceptorNet::AcceptorNet(int port, bool verbose) : AcceptorNet(port) { set_verbose(verbose); }

int AcceptorNet::OpenSocket() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  int on = 1;
  if (fd >= 0) ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  return fd;
}

int AcceptorNet::BindTo(int fd) {
  INet4::Addr any;
  any.SetPort(port_);
  return ::bind(fd, any.sockaddr_ptr(), INet4::Addr::size());
}

int AcceptorNet::AcceptPeer(int fd, std::string& peerText) {
  accepted_.Reset();
  socklen_t length = INet4::Addr::size();
  int socket = ::accept4(fd, accepted_.sockaddr_ptr(), &length, SOCK_CLOEXEC);
  if (socket >= 0) peerText = accepted_.GetString();
  return socket;
}

unsigned short AcceptorNet::local_port() const {
  INet4::Addr bound;
  socklen_t length = INet4::Addr::size();
  if (!listening() || ::getsockname(listen_.get(), bound.sockaddr_ptr(), &length) != 0) return 0;
  return bound.port();
}

// ---- AcceptorNetCheckConnection ----

bool AcceptorNetCheckConnection::ImplActivate() {
  AcceptorNet::ImplActivate();
  CheckConnection();
  return true;
}

void AcceptorNetCheckConnection::ImplDeactivate() {
  checkTimer_.reset();
  AcceptorNet::ImplDeactivate();
}

void AcceptorNetCheckConnection::ImplRefuseConnection() { SetCheckState(CheckState::CheckConnection); }

void AcceptorNetCheckConnection::ImplConnected(Fd const&) {
  // Every new peer starts with the normal keep-alive.
  SetCheckState(CheckState::Idle);
  SetupKeepAlive(false);
}

void AcceptorNetCheckConnection::SetCheckState(CheckState next) {
  if (next == checkState_) return;
  checkState_ = next;
  if (next == CheckState::CheckConnection) checksLeft_ = kChecks;
  SetupKeepAlive(next == CheckState::CheckConnection);
  if (verbose())
    std::cerr << "CheckConnectionState " << (next == CheckState::CheckConnection ? "CheckConnection" : "Idle") << std::endl;
}

void AcceptorNetCheckConnection::SetupKeepAlive(bool check) {
  int fd = socket();
  if (fd < 0) return;
  int on = 1;
  int idle = check ? 1 : 7200;
  int interval = check ? 1 : 75;
  int count = check ? 3 : 9;
  ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

void AcceptorNetCheckConnection::CheckConnection() {
  if (connected()) {
    int fd = socket();
    bool drop = false;
    tcp_info info{};
    socklen_t length = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0) {
      if (info.tcpi_state != TCP_ESTABLISHED) {
        if (verbose()) std::cerr << "connection from " << peer_name() << " closed: tcp socket change state." << std::endl;
        drop = true;
      }
      if (checkState_ == CheckState::CheckConnection && info.tcpi_ca_state != TCP_CA_Open) {
        if (checksLeft_ > 0) --checksLeft_;
        if (checksLeft_ < 1) {
          if (verbose()) std::cerr << "connection from " << peer_name() << " closed: tcp socket change ca_state." << std::endl;
          drop = true;
        }
      } else if (checkState_ == CheckState::CheckConnection) {
        SetCheckState(CheckState::Idle);
      }
    }
    int error = 0;
    length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error != 0) {
      if (verbose()) std::cerr << "connection from " << peer_name() << " closed: " << std::strerror(error) << std::endl;
      drop = true;
    }
    if (drop) {
      checkState_ = CheckState::Idle;
      SetupKeepAlive(false);
      Disconnect();
      if (verbose()) std::cerr << "CheckConnectionState Idle" << std::endl;
    }
  }
  checkTimer_.set(kCheckMs, &AcceptorNetCheckConnection::OnCheckConnectionTimeout, this);
}

// ---- AcceptorUnix ----

AcceptorUnix::AcceptorUnix(std::string const& path) : Listening("AcceptorUnix::OnSocketEvent"), path_(path) {}

int AcceptorUnix::OpenSocket() { return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0); }

int AcceptorUnix::BindTo(int fd) {
  ::unlink(path_.c_str());
  sockaddr_un address;
  socklen_t length = UnixAddress(path_, address);
  return ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
}

int AcceptorUnix::AcceptPeer(int fd, std::string& peerText) {
  sockaddr_un address{};
  socklen_t length = sizeof address;
  int socket = ::accept4(fd, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
  if (socket < 0) return socket;
  size_t pathLength = length > offsetof(sockaddr_un, sun_path) ? length - offsetof(sockaddr_un, sun_path) : 0;
  accepted_.assign(address.sun_path, ::strnlen(address.sun_path, std::min(pathLength, sizeof address.sun_path)));
  peerText = accepted_;
  return socket;
}

}  // namespace Control
