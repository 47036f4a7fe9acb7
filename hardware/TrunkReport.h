#pragma once
#include "protocols/ACP.h"
#include "protocols/LGCP.h"

// The error counters of one trunk status report.
struct TrunkCounters {
  int slips = 0;
  int lossBF = 0;
  int lossCarrier = 0;
  int lossAIS = 0;
  int lossRAI = 0;
};

// A "trunkStatus" signal for one trunk or line channel: no name, not clock master.
inline LGCP::Signal TrunkStatusSignal(int trunk, ACP::TrunkState::NamedNumber state, ACP::TrunkType::NamedNumber type,
                                      TrunkCounters const& counters = {}) {
  LGCP::Signal signal;
  ACP::TrunkStatus& status = signal.set_trunkStatus();
  status.set_trunk(trunk);
  status.set_state(state);
  status.set_slips(counters.slips);
  status.set_lossBF(counters.lossBF);
  status.set_lossCarrier(counters.lossCarrier);
  status.set_lossAIS(counters.lossAIS);
  status.set_lossRAI(counters.lossRAI);
  status.set_clockMaster(false);
  status.set_type(type);
  return signal;
}
