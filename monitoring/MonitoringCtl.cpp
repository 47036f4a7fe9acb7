#include "monitoring/MonitoringCtl.h"

#include <iostream>

MonitoringCtl& MonitoringCtl::instance() {
  static MonitoringCtl service;
  return service;
}

void MonitoringCtl::Configure(IniFile::File& config) {
  for (IniFile::SubSection& occurrence : config["snmpagent"]) {
    std::unique_ptr<SnmpAgentInstance> agent = SnmpAgentInstance::Create(occurrence, std::cerr);
    if (!agent) continue;
    agent->Activate();
    agents_.push_back(std::move(agent));
  }
}

void MonitoringCtl::OnConnect() {
  bool connected = false;
  controllerConnected_ = CheckServerConnection(connected) && connected;
}

void MonitoringCtl::OnDisconnect() { controllerConnected_ = false; }

bool MonitoringCtl::OnCommand(LGCP::Command const& command) {
  if (command.currentSelection() != LGCP::Command::display_id) return false;
  Success();
  return true;
}
