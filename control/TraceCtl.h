#pragma once
#include "core/IniFile.h"

// The trace switches of section "traces"; all off until configured.
struct TraceCtl {
  bool signalling_hdlc = false;
  bool signalling_zedoro = false;
  bool signalling_events = false;
  bool monitoring_internal = false;

  // Applies every occurrence of the section in file order: the last decides.
  void Configure(IniFile::Section& section);
  void Configure(IniFile::SubSection& occurrence);
};

extern TraceCtl traces;
