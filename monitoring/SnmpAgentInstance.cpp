#include "monitoring/SnmpAgentInstance.h"

#include <iostream>

#include "asn1/CoderEnv.h"
#include "core/Ext.h"

IniFile::Symbol<SnmpAgentInstance::MonitoringAddressType> const SnmpAgentInstance::addressTypeNames[] = {
    {"zedoro", addressZedoro},
    {"tova", addressTova},
    {"zedoro.qz", addressZedoroQz},
    {nullptr, addressZedoro},
};

std::unique_ptr<SnmpAgentInstance> SnmpAgentInstance::Create(IniFile::SubSection& occurrence, std::ostream& errors) {
  std::string host;
  std::string name;
  MonitoringAddressType type = addressZedoro;
  IniFile::Reader reader("snmpagent: ", errors);
  reader.required.add(&host, "host");
  reader.required.add(&name, "name");
  reader.optional.add(&type, "type", addressTypeNames);
  if (!reader.parse(occurrence)) return nullptr;
  INet4::Addr address;
  int port = -1;
  if (!address.Assign(host, &port) || port < 1 || port > 65535) {
    errors << "snmpagent: host \"" << host << "\" of agent \"" << name
           << "\" is not an address with a port (a.b.c.d:port), agent ignored" << std::endl;
    return nullptr;
  }
  return std::make_unique<SnmpAgentInstance>(name, address, type);
}

SnmpAgentInstance::SnmpAgentInstance(std::string name, INet4::Addr const& host, MonitoringAddressType type)
    : name_(std::move(name)), host_(host), type_(type), connection_(host.GetString()) {
  connection_.service_name("snmpagent " + name_);
  connection_.Bind(this);
}

SnmpAgentInstance::~SnmpAgentInstance() {
  connection_.UnBind();
  connection_.Deactivate();
}

std::ostream& SnmpAgentInstance::PutHeader(std::ostream& os) const { return os << "snmpagent [" << name_ << "]"; }

void SnmpAgentInstance::Send(MON::Message const& message) {
  ASN1::CoderEnv env(ASN1::CoderEnv::per_Aligned);
  ASN1::Octets octets;
  if (!ASN1::encode(message, env, octets)) {
    std::cerr << ext::header(this) << ": encode MON message fail!!!" << std::endl;
    return;
  }
  connection_.Send(reinterpret_cast<char const*>(octets.data()), static_cast<int>(octets.size()));
  pingTimer_.set(kPingAfterMs, &SnmpAgentInstance::OnPingTime, this);
}

void SnmpAgentInstance::OnConnect() {
  std::clog << ext::header(this) << ": connected to " << host_ << std::endl;
  pingTimer_.set(kPingAfterMs, &SnmpAgentInstance::OnPingTime, this);
  silenceTimer_.set(kSilenceLimitMs, &SnmpAgentInstance::OnSilence, this);
}

void SnmpAgentInstance::OnDisconnect() {
  pingTimer_.reset();
  silenceTimer_.reset();
}

void SnmpAgentInstance::OnMessage(char const* data, int length) {
  silenceTimer_.set(kSilenceLimitMs, &SnmpAgentInstance::OnSilence, this);
  ASN1::CoderEnv env(ASN1::CoderEnv::per_Aligned);
  MON::Message message;
  auto const* begin = reinterpret_cast<unsigned char const*>(data);
  if (!ASN1::decode(begin, begin + length, env, message, true)) {
    std::cerr << ext::header(this) << ": receive : decode error!" << std::endl;
    return;
  }
  if (MON::Command const* command = message.get_pdu().get_command()) OnCommand(*command);
}

// This build keeps no monitored items: every item an agent names is unknown
// to it, and every command still gets its answer.
void SnmpAgentInstance::OnCommand(MON::Command const& command) {
  MON::Message answer;
  MON::Response& response = answer.get_pdu().set_response();
  switch (command.currentSelection()) {
    case MON::Command::ping_id: response.set_ping().set_success(); break;
    case MON::Command::snmp_set_id: {
      auto& responses = response.set_snmp_set().get_responses();
      for (auto const& item : command.get_snmp_set()->get_commands()) {
        MON::SnmpSetResponse r;
        r.set_uniq(item.get_uniq());
        r.get_response().set_error(MON::ErrorCause::itemNotFound);
        responses.push_back(r);
      }
      break;
    }
    case MON::Command::snmp_trapsink_set_id:
      response.set_snmp_trapsink_set().set_error(MON::ErrorCause::itemNotFound);
      break;
    case MON::Command::snmp_trap_send_id:
      response.set_snmp_trap_send().set_error(MON::ErrorCause::itemNotFound);
      break;
    default: return;  // an extension this build does not know
  }
  Send(answer);
}

void SnmpAgentInstance::OnPingTime() {
  MON::Message ping;
  ping.get_pdu().set_command().set_ping();
  Send(ping);
}

void SnmpAgentInstance::OnSilence() {
  std::clog << ext::header(this) << ": nothing received for " << kSilenceLimitMs / 1000 << " s, link dropped"
            << std::endl;
  connection_.Disconnect();
}
