#include "control/Control.h"

#include <cstring>
#include <iostream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <new>
#include <sys/socket.h>

#include "core/Ext.h"
#include "core/Profile.h"

namespace Control {

char const* GetTextNotation(Service::State::Type state) {
  switch (state) {
    case Service::State::Idle: return "Idle";
    case Service::State::Connecting: return "Connecting";
    case Service::State::Deactivating: return "Deactivating";
    case Service::State::Connected: return "Connected";
  }
  return "Unknown";
}

socklen_t UnixAddress(std::string const& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  return sizeof address;
}

Service::Service() {
  stream_ = new StrmProtocol;
  add_protocol_tail(stream_);
  tpkt_ = new Tpkt_protocol;
  add_protocol_tail(tpkt_);
  deactivation_.Bind(this, &Service::OnDeactivateDPC);
}

Service::~Service() { deactivation_.Deactivate(); }

void Service::SetState(State::Type next) {
  if (next == state_) return;
  if (verbose_)
    std::clog << ext::header(this) << "state " << GetTextNotation(state_) << " -> " << GetTextNotation(next) << std::endl;
  state_ = next;
}

bool Service::Activate() {
  Deactivate();
  SetState(State::Connecting);
  bool started = ImplActivate();
  if (!started) SetState(State::Idle);
  return started;
}

void Service::Deactivate() {
  ImplDeactivate();
  deactivation_.Deactivate();
  Release();
  tpkt_->reset();
  SetState(State::Idle);
}

void Service::Disconnect() {
  if (state_ != State::Connected) return;
  deactivate();
}

void Service::Release() { stream_->release(); }

void Service::Send(char const* data, int length) {
  if (state_ == State::Deactivating) return;
  if (state_ != State::Connected) {
    if (verbose_)
      std::cerr << "Control::Service::Send() ignore Send request in " << GetTextNotation(state_) << " state."
                << std::endl;
    return;
  }
  if (length < 0 || static_cast<unsigned>(length) > Tpkt_protocol::kMaxBody) {
    std::cerr << ext::header(this) << "Send() refused: message of " << length << " bytes, a frame carries at most "
              << Tpkt_protocol::kMaxBody << std::endl;
    return;
  }
  static Profile::Point copy("Control::Service::Send [1]");
  static Profile::Point write("Control::Service::Send [2]");
  copy.begin();
  Packet packet;
  try {
    prepare_head(packet);
  } catch (std::bad_alloc const&) {
    std::cerr << ext::header(this) << "Send() dropped: no packet buffer left" << std::endl;
    return;
  }
  if (length > 0) std::memcpy(packet.put(static_cast<unsigned>(length)), data, static_cast<size_t>(length));
  copy.end();
  write.begin();
  top()->message(packet);
  write.end();
}

bool Service::Attach(Fd const& socket, std::string const& peerName) {
  if (state_ == State::Deactivating) return false;
  name_ = peerName;
  SetState(State::Connected);
  stream_->attach(socket);
  activate();
  if (notify_) notify_->OnConnect();
  return true;
}

void Service::on_message(Packet& packet) {
  if (state_ == State::Deactivating || notify_ == nullptr) return;
  notify_->OnMessage(reinterpret_cast<char const*>(packet.data()), static_cast<int>(packet.length()));
}

void Service::on_deactivated(Protocol*, Protocol_status) {
  if (verbose_) std::cerr << "control connection " << name_ << " closed." << std::endl;
  SetState(State::Deactivating);
  deactivation_.Activate();
}

void Service::OnDeactivateDPC() {
  deactivation_.Deactivate();
  SetState(State::Connecting);
  ImplOnDisconnect();
  if (notify_) notify_->OnDisconnect();
}

std::ostream& Service::PutHeader(std::ostream& os) const {
  return os << "control [" << service_name() << ' ' << name_ << "]: ";
}

void ServiceNet::Connected(Fd const& socket, INet4::Addr const& peer) {
  if (state() == State::Deactivating) return;
  int on = 1;
  if (::setsockopt(socket.get(), SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0 && verbose())
    std::cerr << "fail set keepalive to control socket." << std::endl;
  if (::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0 && verbose())
    std::cerr << "fail to turn off Nagle algorithm." << std::endl;
  peer_ = peer;
  Attach(socket, peer.GetString());
}

}  // namespace Control
