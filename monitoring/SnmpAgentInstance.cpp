#include "monitoring/SnmpAgentInstance.h"

IniFile::Symbol<SnmpAgentInstance::MonitoringAddressType> const SnmpAgentInstance::addressTypeNames[] = {
    {"zedoro", addressZedoro},
    {"tova", addressTova},
    {"zedoro.qz", addressZedoroQz},
    {nullptr, addressZedoro},
};
