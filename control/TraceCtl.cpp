#include "control/TraceCtl.h"

#include <iostream>

#include "core/IniReader.h"

TraceCtl traces;

void TraceCtl::Configure(IniFile::Section& section) {
  for (IniFile::SubSection& occurrence : section) Configure(occurrence);
}

void TraceCtl::Configure(IniFile::SubSection& occurrence) {
  *this = TraceCtl();
  IniFile::Reader reader("traces: ", std::cerr);
  reader.optional.add(&signalling_hdlc, "signalling.hdlc");
  reader.optional.add(&signalling_zedoro, "signalling.zedoro");
  reader.optional.add(&signalling_events, "signalling.events");
  reader.optional.add(&monitoring_internal, "monitoring.internal");
  reader.parse(occurrence);
}
