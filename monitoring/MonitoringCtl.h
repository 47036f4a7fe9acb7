#pragma once
#include <memory>
#include <vector>

#include "control/CtrlSrv.h"
#include "core/IniFile.h"
#include "monitoring/SnmpAgentInstance.h"

// The monitoring service: answers the controller's display command and owns
// the links to the SNMP agents configured in section "snmpagent".
class MonitoringCtl : public CtrlSrv::Service {
 public:
  static MonitoringCtl& instance();

  // Makes and starts one agent link for every valid "snmpagent" occurrence.
  void Configure(IniFile::File& config);

  void OnConnect() override;
  void OnDisconnect() override;
  bool OnCommand(LGCP::Command const& command) override;

  bool controller_connected() const { return controllerConnected_; }
  std::vector<std::unique_ptr<SnmpAgentInstance>> const& agents() const { return agents_; }

 private:
  MonitoringCtl() = default;
  std::vector<std::unique_ptr<SnmpAgentInstance>> agents_;
  bool controllerConnected_ = false;
};
