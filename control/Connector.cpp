#include "control/Connector.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <netinet/in.h>
#include <unistd.h>

namespace Control {

// ---- Connecting ----

template <class Base>
Connecting<Base>::Connecting(char const* eventName, char const* kind) : kind_(kind) {
  event_.Bind(eventName, &Connecting::OnSocketEvent, this);
}

template <class Base>
bool Connecting<Base>::ImplActivate() {
  attemptsLeft_ = kQuickRetries;
  TryConnect();
  return true;
}

template <class Base>
void Connecting<Base>::ImplDeactivate() {
  this->Release();
  socket_.close();
  retry_.reset();
  event_.Release();
}

template <class Base>
void Connecting<Base>::ImplOnDisconnect() {
  retry_.set(kReconnectMs, &Connecting::OnTimeout, this);
}

template <class Base>
void Connecting<Base>::GiveUp(char const* what, int error) {
  std::cerr << what << std::strerror(error) << std::endl;
  this->Deactivate();
}

template <class Base>
void Connecting<Base>::Retry(unsigned slowMs) {
  socket_.close();
  if (attemptsLeft_ > 0) {
    --attemptsLeft_;
    retry_.set(kQuickRetryMs, &Connecting::OnTimeout, this);
  } else {
    retry_.set(slowMs, &Connecting::OnTimeout, this);
  }
}

template <class Base>
void Connecting<Base>::Attach() {
  AttachPeer(socket_);
  socket_.close();
}

template <class Base>
void Connecting<Base>::TryConnect() {
  event_.Release();
  int fd = ::socket(Family(), SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return GiveUp((std::string("can't create ") + kind_ + ":").c_str(), errno);
  socket_ = Fd(fd);
  if (!socket_.NonBlock()) return GiveUp((std::string("can't set ") + kind_ + " to non block mode: ").c_str(), errno);
  PrepareSocket(socket_.get());
  sockaddr_storage address;
  socklen_t length = 0;
  if (!PeerAddress(address, length)) return GiveUp(("can't connect to " + PeerText() + " : ").c_str(), EINVAL);
  if (::connect(socket_.get(), reinterpret_cast<sockaddr*>(&address), length) == 0) {
    std::clog << (Family() == AF_INET ? "already connected to " : "connected to ") << PeerText() << std::endl;
    return Attach();
  }
  if (errno == EINPROGRESS) {
    event_.Schedule(socket_, POLLOUT);
    return;
  }
  std::cerr << "can't connect to " << PeerText() << " : " << std::strerror(errno) << std::endl;
  Retry(kConnectFailedMs);
}

template <class Base>
void Connecting<Base>::OnSocketEvent(int, short revents) {
  if (revents & (POLLERR | POLLHUP)) {
    std::cerr << "fail to connect to " << PeerText() << std::endl;
    event_.Release();
    return Retry(kHangupMs);
  }
  if (!(revents & POLLOUT)) return;
  event_.Release();
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
    return GiveUp("getsockopt(SOL_SOCKET,SO_ERROR) fail: ", errno);
  if (error != 0) {
    std::cerr << "fail to connect to " << PeerText() << std::endl;
    return Retry(kPendingErrorMs);
  }
  std::cout << "connected to " << PeerText() << "." << std::endl;
  Attach();
}

template class Connecting<ServiceNet>;
template class Connecting<ServiceUnix>;

// ---- ConnectorNet ----

ConnectorNet::ConnectorNet() : Connecting("ConnectorNet::OnSocketEvent", "socket") {}

ConnectorNet::ConnectorNet(std::string const& address) : ConnectorNet() {
  INet4::Addr parsed;
  int port = -1;
  parsed.Assign(address, &port);
  host_ = parsed.GetString();
  host_.erase(host_.find(':'));
  port_ = port > 0 ? static_cast<unsigned short>(port) : 0;
}

ConnectorNet::ConnectorNet(std::string const& host, unsigned short port) : ConnectorNet() {
  host_ = host;
  port_ = port;
}

bool ConnectorNet::Resolve(INet4::Addr& address) const {
  address.Reset();
  address.SetPort(port_);
  return address.Assign(host_);
}

bool ConnectorNet::PeerAddress(sockaddr_storage& address, socklen_t& length) const {
  INet4::Addr peer;
  if (!Resolve(peer)) return false;
  std::memcpy(&address, peer.sockaddr_ptr(), INet4::Addr::size());
  length = INet4::Addr::size();
  return true;
}

std::string ConnectorNet::PeerText() const {
  INet4::Addr peer;
  return Resolve(peer) ? peer.GetString() : host_;
}

void ConnectorNet::AttachPeer(Fd const& socket) {
  INet4::Addr peer;
  Resolve(peer);
  Connected(socket, peer);
}

// ---- ConnectorUnix ----

ConnectorUnix::ConnectorUnix(std::string const& path, std::string const& localPath)
    : Connecting("ConnectorUnix::OnSocketEvent", "domain socket"), path_(path), localPath_(localPath) {}

void ConnectorUnix::PrepareSocket(int fd) {
  if (localPath_.empty()) return;
  ::unlink(localPath_.c_str());
  sockaddr_un local;
  socklen_t length = UnixAddress(localPath_, local);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), length) != 0)
    std::cerr << "can't bind to domain socket '" << localPath_ << "': \"" << std::strerror(errno) << std::endl;
}

bool ConnectorUnix::PeerAddress(sockaddr_storage& address, socklen_t& length) const {
  length = UnixAddress(path_, reinterpret_cast<sockaddr_un&>(address));
  return true;
}

}  // namespace Control
