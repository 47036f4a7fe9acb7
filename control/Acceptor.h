#pragma once
#include <string>
#include <sys/socket.h>

#include "control/Control.h"

namespace Control {

// The listening half shared by the TCP and UNIX-domain kinds: one listening
// socket whose set-up (socket, bind, listen, non-blocking mode) is retried
// every 5000 ms until it stands, one peer at a time, and every further peer
// closed at once while one is attached. After a peer is lost the next one is
// accepted without reactivation. When a peer cannot be taken (no descriptor
// free) the listener rests 1000 ms, so the waiting peer does not keep the
// loop spinning, and is served once a descriptor is free again.
template <class Base>
class Listening : public Base {
 public:
  static constexpr unsigned kRetryMs = 5000;
  static constexpr int kBacklog = 1;
  static constexpr unsigned kAcceptRestMs = 1000;

  bool listening() const { return event_.attached(); }
  Timer const& retry_timer() const { return retry_; }

 protected:
  explicit Listening(char const* eventName);

  bool ImplActivate() override;
  void ImplDeactivate() override;
  void ImplOnDisconnect() override {}
  // Told of each peer refused while one is attached, and of each peer
  // attached (its socket, for queries).
  virtual void ImplRefuseConnection() {}
  virtual void ImplConnected(Fd const&) {}

  void BindSocket();
  void OnTimeout(Timer*) { BindSocket(); }
  void OnSocketEvent(int fd, short revents);
  void OnAcceptRested(Timer*) { event_.Schedule(event_.fd(), POLLIN); }

  // What differs between the families: a new close-on-exec socket, binding
  // it, and taking one pending peer (its socket and its text; -1 and errno
  // when none was taken), then attaching the peer last taken.
  virtual int OpenSocket() = 0;
  virtual int BindTo(int fd) = 0;
  virtual int AcceptPeer(int fd, std::string& peerText) = 0;
  virtual void AttachPeer(Fd const& socket) = 0;

  Fd listen_;

 private:
  void RetryLater(char const* what);
  void RestAccept(int error);

  Timer retry_;  // the set-up's retry, or the end of a rest of accept
  Event event_;
  bool acceptFailing_ = false;  // reported already, no peer taken since
};

// Listens on a TCP port on all local addresses.
class AcceptorNet : public Listening<ServiceNet> {
 public:
  AcceptorNet() : AcceptorNet(0) {}
  explicit AcceptorNet(int port);
  AcceptorNet(int port, bool verbose);

  // The port actually listened on (the kernel's pick for port 0), 0 when
  // not listening.
  unsigned short local_port() const;

 protected:
  int OpenSocket() override;
  int BindTo(int fd) override;
  int AcceptPeer(int fd, std::string& peerText) override;
  void AttachPeer(Fd const& socket) override { Connected(socket, accepted_); }

 private:
  unsigned short port_;
  INet4::Addr accepted_;
};

// The controller's listener: also checks the attached peer once a second
// and drops it when its TCP connection has left ESTABLISHED or holds an
// error. A refused second peer switches the attached one to fast keep-alive
// (1 s idle, 1 s interval, 3 probes) until a check finds its congestion
// state open again; two checks in a row that find it otherwise drop it.
class AcceptorNetCheckConnection : public AcceptorNet {
 public:
  enum class CheckState { Idle = 0, CheckConnection = 1 };
  static constexpr unsigned kCheckMs = 1000;
  static constexpr int kChecks = 2;

  AcceptorNetCheckConnection() = default;
  explicit AcceptorNetCheckConnection(int port) : AcceptorNet(port) {}
  AcceptorNetCheckConnection(int port, bool verbose) : AcceptorNet(port, verbose) {}

  CheckState check_state() const { return checkState_; }
  void CheckConnection();

 protected:
  bool ImplActivate() override;
  void ImplDeactivate() override;
  void ImplRefuseConnection() override;
  void ImplConnected(Fd const&) override;

 private:
  void SetCheckState(CheckState next);
  void SetupKeepAlive(bool check);
  void OnCheckConnectionTimeout(Timer*) { CheckConnection(); }

  Timer checkTimer_;
  CheckState checkState_ = CheckState::Idle;
  int checksLeft_ = 0;
};

// Listens on a UNIX-domain socket path.
class AcceptorUnix : public Listening<ServiceUnix> {
 public:
  AcceptorUnix() : AcceptorUnix(std::string()) {}
  explicit AcceptorUnix(std::string const& path);

 protected:
  int OpenSocket() override;
  int BindTo(int fd) override;
  int AcceptPeer(int fd, std::string& peerText) override;
  void AttachPeer(Fd const& socket) override { Connected(socket, accepted_); }

 private:
  std::string path_;
  std::string accepted_;
};

}  // namespace Control
