#pragma once
#include <string>
#include <sys/socket.h>

#include "control/Control.h"

namespace Control {

// The connecting half shared by the TCP and UNIX-domain kinds. Activation
// makes a first attempt at once, then up to seven quick retries one second
// apart, then slow retries without end: 20000 ms after a refused connect,
// 15000 ms after an error or hang-up on a connect in progress, 12000 ms after
// a pending socket error. After an attached peer is lost the next attempt
// comes 10000 ms later; only Activate restores the quick retries. Failures
// that point at the local system (no socket, no non-blocking mode, no error
// query, an address that does not parse) end the activity: state Idle.
// Every diagnostic is written whatever the verbose flag says.
template <class Base>
class Connecting : public Base {
 public:
  static constexpr int kQuickRetries = 7;
  static constexpr unsigned kQuickRetryMs = 1000;
  static constexpr unsigned kConnectFailedMs = 20000;
  static constexpr unsigned kHangupMs = 15000;
  static constexpr unsigned kPendingErrorMs = 12000;
  static constexpr unsigned kReconnectMs = 10000;

  Timer const& retry_timer() const { return retry_; }
  int attempts_left() const { return attemptsLeft_; }

 protected:
  // `kind` names the socket in messages ("socket", "domain socket").
  Connecting(char const* eventName, char const* kind);

  bool ImplActivate() override;
  void ImplDeactivate() override;
  void ImplOnDisconnect() override;

  void TryConnect();
  void OnTimeout(Timer*) { TryConnect(); }
  void OnSocketEvent(int fd, short revents);

  // What differs between the families: the socket family, work on the new
  // socket before connecting, the peer's address (false when it does not
  // parse), its text, and attaching the connected socket.
  virtual int Family() const = 0;
  virtual void PrepareSocket(int) {}
  virtual bool PeerAddress(sockaddr_storage& address, socklen_t& length) const = 0;
  virtual std::string PeerText() const = 0;
  virtual void AttachPeer(Fd const& socket) = 0;

 private:
  void Retry(unsigned slowMs);
  void Attach();
  void GiveUp(char const* what, int error);

  char const* kind_;
  Fd socket_;
  Timer retry_;
  Event event_;
  int attemptsLeft_ = 0;
};

// Connects over TCP with a non-blocking connect.
class ConnectorNet : public Connecting<ServiceNet> {
 public:
  ConnectorNet();
  // A dotted quad with an optional colon and decimal port (0 without one).
  explicit ConnectorNet(std::string const& address);
  ConnectorNet(std::string const& host, unsigned short port);

  std::string const& host() const { return host_; }
  unsigned short port() const { return port_; }

 protected:
  int Family() const override { return AF_INET; }
  bool PeerAddress(sockaddr_storage& address, socklen_t& length) const override;
  std::string PeerText() const override;
  void AttachPeer(Fd const& socket) override;

 private:
  bool Resolve(INet4::Addr& address) const;

  unsigned short port_ = 0;
  std::string host_;
};

// Connects to a UNIX-domain socket path, optionally from a named socket.
class ConnectorUnix : public Connecting<ServiceUnix> {
 public:
  ConnectorUnix() : ConnectorUnix(std::string()) {}
  explicit ConnectorUnix(std::string const& path, std::string const& localPath = std::string());

 protected:
  int Family() const override { return AF_UNIX; }
  void PrepareSocket(int fd) override;
  bool PeerAddress(sockaddr_storage& address, socklen_t& length) const override;
  std::string PeerText() const override { return path_; }
  void AttachPeer(Fd const& socket) override { Connected(socket, path_); }

 private:
  std::string path_;
  std::string localPath_;
};

}  // namespace Control
