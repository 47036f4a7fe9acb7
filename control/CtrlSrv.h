#pragma once
#include <iosfwd>
#include <vector>

#include "control/Control.h"
#include "protocols/LGCP.h"

namespace CtrlSrv {

class Server;

// Base of every service bound to the control server. A service answers the
// command being handled, learns its slot number, defers an answer, sends
// signals and asks whether a controller is connected.
class Service {
 public:
  virtual ~Service() = default;
  virtual void OnConnect() = 0;
  virtual void OnDisconnect() = 0;
  // True when this service has taken the command.
  virtual bool OnCommand(LGCP::Command const& command) = 0;
  virtual void OnSignal(LGCP::Signal const&) {}

  bool CheckServer() const;
  void Success();
  void Error(LGCP::ErrorCause::NamedNumber cause);
  // Offers the signal to every other bound service, then sends it.
  void SendSignal(LGCP::Signal const& signal);
  void SendSignal(unsigned slot, LGCP::Signal const& signal);
  unsigned GetSlot() const;
  bool IsSlotPresent() const;
  unsigned delayResponse();
  void delayedSuccess(unsigned slot, unsigned seq);
  bool CheckServerConnection(bool& connected) const;

 private:
  friend class Server;
  void OfferSignal(LGCP::Signal const& signal);
  Server* server_ = nullptr;
};

// The one place where the controller's messages enter and leave the daemon:
// every command is offered to the bound services in binding order and gets
// exactly one answer.
class Server : public Control::Notify {
 public:
  Server();
  ~Server() override;

  void Bind(Service* service);
  bool Activate(Control::Service* connection);
  void Deactivate();

  void OnConnect() override;
  void OnDisconnect() override;
  void OnMessage(char const* data, int length) override;
  void OnMessage(LGCP::Message const& message);

  void Success();
  void Error(LGCP::ErrorCause::NamedNumber cause);
  unsigned delayResponse();
  void delayedSuccess(unsigned slot, unsigned seq);
  void SendSignal(LGCP::Signal const& signal);
  void SendSignal(unsigned slot, LGCP::Signal const& signal);
  void SendMsg(LGCP::Message& message);
  void AssignSeq(LGCP::Message& message) const;
  void AssignSlot(LGCP::Message& message) const;
  bool IsSlotPresent() const { return slot_ != kNoSlot; }
  unsigned GetSlot() const { return slot_; }
  bool CheckServerConnection(bool& connected) const;
  void OnHeartbeatTimeout();
  std::ostream& PutHeader(std::ostream& os) const;

  std::vector<Service*> const& services() const { return services_; }
  Control::Service* connection() const { return connection_; }

  static constexpr unsigned kNoSlot = 0xFFFFFFFFu;

 private:
  enum Answer { kNothingSent = 0, kSucceeded = 1, kFailed = 2 };
  void SendResponse(bool success, LGCP::ErrorCause::NamedNumber cause);

  std::vector<Service*> services_;
  Control::Service* connection_ = nullptr;
  bool seqPresent_ = false;
  int seq_ = 0;
  unsigned slot_ = kNoSlot;
  Answer answer_ = kNothingSent;
};

}  // namespace CtrlSrv

// The control server of the process.
extern CtrlSrv::Server ctrlServer;
