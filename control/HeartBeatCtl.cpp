#include "control/HeartBeatCtl.h"

#include <iostream>

HeartBeatCtl& HeartBeatCtl::instance() {
  static HeartBeatCtl service;
  return service;
}

bool HeartBeatCtl::OnCommand(LGCP::Command const& command) {
  ResetTimeOut();
  if (command.currentSelection() != LGCP::Command::ping_id) return false;
  Success();
  return true;
}

void HeartBeatCtl::OnHeartbeatTimeout(Timer*) {
  std::clog << "heartbeat timeout!!!" << std::endl;
  ctrlServer.OnHeartbeatTimeout();
}
