#pragma once
#include "control/CtrlSrv.h"
#include "core/Multiplexer.h"

// Answers the controller's ping and drops a controller that has sent no
// command at all for two minutes. Bound first, it sees every command.
class HeartBeatCtl : public CtrlSrv::Service {
 public:
  static HeartBeatCtl& instance();
  static constexpr unsigned kTimeoutMs = 120000;

  void OnConnect() override {}
  void OnDisconnect() override { timer_.reset(); }
  bool OnCommand(LGCP::Command const& command) override;
  void ResetTimeOut() { timer_.set(kTimeoutMs, &HeartBeatCtl::OnHeartbeatTimeout, this); }
  bool armed() const { return timer_.pending(); }

 private:
  HeartBeatCtl() = default;
  void OnHeartbeatTimeout(Timer*);
  Timer timer_;
};
