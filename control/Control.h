#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>
#include <sys/un.h>

#include "control/StrmProtocol.h"
#include "control/Tpkt.h"
#include "core/Fd.h"
#include "core/INet4.h"
#include "core/Multiplexer.h"
#include "core/Protocol.h"

// Framed stream connections to one peer: a stream-socket layer below, TPKT
// framing above. A connection carries whole messages both ways and tells its
// one listener when a peer arrives, what it sends, and when it goes.
namespace Control {

// The listener of a connection.
class Notify {
 public:
  virtual ~Notify() = default;
  virtual void OnConnect() = 0;
  virtual void OnDisconnect() = 0;
  // One received message body.
  virtual void OnMessage(char const* data, int length) = 0;
};

// How a peer socket is obtained (listening or connecting, TCP or UNIX
// domain) is up to the subclasses; everything else is here.
//
// States: Idle (not active), Connecting (waiting for a peer), Connected,
// Deactivating (the peer is gone, the listener hears of it on the next pass
// of deferred calls; meanwhile received frames, sends and new peers are
// ignored).
class Service : protected ProtocolsFamily {
 public:
  struct State {
    enum Type { Idle = 0, Connecting = 1, Deactivating = 2, Connected = 3 };
  };

  Service();
  ~Service() override;

  // Starts over: Deactivate, then start obtaining a peer.
  bool Activate();
  // Stops obtaining peers and ends an attached peer; the listener is not
  // told (the caller knows), and a pending loss report is cancelled.
  void Deactivate();
  // Drops the attached peer; the listener hears OnDisconnect on the next
  // pass of deferred calls. Does nothing unless Connected.
  void Disconnect();
  // Frames and writes one message while Connected. A message longer than a
  // frame carries, or one that finds no packet buffer, is dropped with a log
  // line; in any other state it is dropped, with a log line only when
  // verbose and not while Deactivating.
  void Send(char const* data, int length);

  void Bind(Notify* notify) { notify_ = notify; }
  void UnBind() { notify_ = nullptr; }
  std::string const& service_name() const { return stream_->display_name(); }
  void service_name(std::string const& name) { stream_->set_display_name(name); }
  // Closes the stream layer's socket, if any.
  void Release();

  State::Type state() const { return state_; }
  bool connected() const { return state_ == State::Connected; }
  // The current or last peer (address and port, or socket path).
  std::string const& peer_name() const { return name_; }
  bool verbose() const { return verbose_; }
  // The attached peer's socket, -1 when none: for queries only.
  int socket() const { return stream_->socket(); }
  uint32_t GetOverflowCounter() const { return stream_->write_failures(); }
  Measure const& get_read_measure() const { return stream_->read_measure(); }
  Measure const& get_write_measure() const { return stream_->write_measure(); }

  std::ostream& PutHeader(std::ostream& os) const;

 protected:
  virtual bool ImplActivate() = 0;
  virtual void ImplDeactivate() = 0;
  virtual void ImplOnDisconnect() = 0;

  // Attaches a connected, non-blocking socket (a duplicate is kept) and tells
  // the listener; ignored while Deactivating.
  bool Attach(Fd const& socket, std::string const& peerName);
  void SetState(State::Type next);
  void set_verbose(bool verbose) { verbose_ = verbose; }

  void on_message(Packet& packet) override;
  void on_activated(Protocol*) override {}
  void on_deactivated(Protocol* layer, Protocol_status status) override;

 private:
  void OnDeactivateDPC();

  std::string name_;
  bool verbose_ = true;
  State::Type state_ = State::Idle;
  Notify* notify_ = nullptr;
  StrmProtocol* stream_;
  Tpkt_protocol* tpkt_;
  Dpc deactivation_;
};

char const* GetTextNotation(Service::State::Type state);

// A UNIX-domain address holding at most 107 bytes of the path and a
// terminating zero; returns the full address length.
socklen_t UnixAddress(std::string const& path, sockaddr_un& address);

// A TCP connection: the peer is an IPv4 address and port.
class ServiceNet : public Service {
 public:
  INet4::Addr const& peer() const { return peer_; }

 protected:
  void Connected(Fd const& socket, INet4::Addr const& peer);

 private:
  INet4::Addr peer_;
};

// A UNIX-domain connection: the peer is a socket path.
class ServiceUnix : public Service {
 protected:
  void Connected(Fd const& socket, std::string const& peer) { Attach(socket, peer); }
};

}  // namespace Control
