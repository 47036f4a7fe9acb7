#pragma once
#include "core/IniReader.h"

// One link to an external SNMP agent, configured by one occurrence of the
// section "snmpagent".
class SnmpAgentInstance {
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
};
