#pragma once
#include <iosfwd>
#include <memory>
#include <string>

#include "control/Connector.h"
#include "core/IniReader.h"
#include "core/Multiplexer.h"
#include "protocols/MON.h"

// One link to an external SNMP agent, configured by one occurrence of the
// section "snmpagent": a TCP client that carries MON messages in TPKT frames,
// pings the agent when it has sent nothing for a while and drops the link when
// the agent has been silent for too long.
class SnmpAgentInstance : public Control::Notify {
 public:
  // What the agent is told about the board; a configuration may also give
  // any other whole number.
  enum MonitoringAddressType : int {
    addressZedoro = 1,
    addressTova = 2,
    addressZedoroQz = 4,
  };

  // The names of the address types as written in the configuration.
  static IniFile::Symbol<MonitoringAddressType> const addressTypeNames[];

  static constexpr unsigned kPingAfterMs = 5000;
  static constexpr unsigned kSilenceLimitMs = 30000;

  // A link from one section occurrence, or null (reported) when it is not valid.
  static std::unique_ptr<SnmpAgentInstance> Create(IniFile::SubSection& occurrence, std::ostream& errors);

  SnmpAgentInstance(std::string name, INet4::Addr const& host, MonitoringAddressType type);
  ~SnmpAgentInstance() override;

  bool Activate() { return connection_.Activate(); }
  void Send(MON::Message const& message);
  std::ostream& PutHeader(std::ostream& os) const;

  std::string const& name() const { return name_; }
  INet4::Addr const& host() const { return host_; }
  MonitoringAddressType type() const { return type_; }
  Control::ConnectorNet& connection() { return connection_; }

  void OnConnect() override;
  void OnDisconnect() override;
  void OnMessage(char const* data, int length) override;

 private:
  void OnCommand(MON::Command const& command);
  void OnPingTime();
  void OnSilence();

  std::string name_;
  INet4::Addr host_;
  MonitoringAddressType type_;
  Control::ConnectorNet connection_;
  Timer pingTimer_;
  Timer silenceTimer_;
};
