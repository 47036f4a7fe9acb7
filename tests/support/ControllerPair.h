#pragma once
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "asn1/CoderEnv.h"
#include "control/Control.h"
#include "protocols/LGCP.h"

namespace testsupport {

// A controller connection over a socket pair: the daemon's side is a real
// control connection, the test holds the other end and reads the frames the
// daemon wrote.
class ControllerPair : public Control::ServiceUnix {
 public:
  ~ControllerPair() override {
    if (peer_ >= 0) ::close(peer_);
  }
  int peer() const { return peer_; }

  // Every complete frame body written so far.
  std::vector<std::vector<unsigned char>> frames() {
    char chunk[65536];
    ssize_t n;
    while ((n = ::recv(peer_, chunk, sizeof chunk, MSG_DONTWAIT)) > 0) buffer_.append(chunk, static_cast<size_t>(n));
    std::vector<std::vector<unsigned char>> out;
    while (buffer_.size() >= 4) {
      size_t length = (static_cast<unsigned char>(buffer_[2]) << 8) | static_cast<unsigned char>(buffer_[3]);
      if (buffer_.size() < length) break;
      out.emplace_back(buffer_.begin() + 4, buffer_.begin() + static_cast<std::ptrdiff_t>(length));
      buffer_.erase(0, length);
    }
    return out;
  }

  // Every message written so far, decoded.
  std::vector<LGCP::Message> messages() {
    std::vector<LGCP::Message> out;
    for (auto const& body : frames()) {
      LGCP::Message m;
      if (ASN1::decode(body.data(), body.data() + body.size(), ASN1::CoderEnv(), m)) out.push_back(m);
    }
    return out;
  }

  // Writes a frame as the controller would.
  void send(std::vector<unsigned char> const& body) {
    std::vector<unsigned char> frame{3, 0, static_cast<unsigned char>((body.size() + 4) >> 8),
                                     static_cast<unsigned char>(body.size() + 4)};
    frame.insert(frame.end(), body.begin(), body.end());
    (void)!::write(peer_, frame.data(), frame.size());
  }

  // True when the daemon closed its end (what it wrote before stays readable).
  bool peer_closed() {
    char chunk[65536];
    ssize_t n;
    while ((n = ::recv(peer_, chunk, sizeof chunk, MSG_DONTWAIT)) > 0) buffer_.append(chunk, static_cast<size_t>(n));
    return n == 0;
  }

 protected:
  bool ImplActivate() override {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sv) != 0) return false;
    peer_ = sv[1];
    Connected(Fd(sv[0]), "pair");
    return true;
  }
  void ImplDeactivate() override { Release(); }
  void ImplOnDisconnect() override {}

 private:
  int peer_ = -1;
  std::string buffer_;
};

// Builders of controller messages.
inline LGCP::Message command_message(int which, int seq = -1, int slot = -1) {
  LGCP::Message m;
  if (seq >= 0) m.set_seq(seq);
  if (slot >= 0) m.set_slot(static_cast<unsigned>(slot));
  m.get_pdu().set_command().select(which);
  return m;
}

inline std::vector<unsigned char> encode(LGCP::Message const& m) {
  ASN1::Octets out;
  ASN1::encode(m, ASN1::CoderEnv(), out);
  return std::vector<unsigned char>(out.begin(), out.end());
}

inline bool has_seq(LGCP::Message const& m) { return m.isPresent(0); }
inline bool has_slot(LGCP::Message const& m) { return m.isPresent(1); }
inline bool is_success(LGCP::Message const& m) {
  auto const* r = m.get_pdu().get_response();
  return r && r->get_success();
}
inline int error_of(LGCP::Message const& m) {
  auto const* r = m.get_pdu().get_response();
  return r && r->get_error() ? static_cast<int>(r->get_error()->getValue()) : -1;
}

}  // namespace testsupport
