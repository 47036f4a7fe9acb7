#pragma once
#include "slots/Slot.h"

// The factories of the RTP and radio slot kinds. The kinds are not part of
// this build: each factory joins the chain and makes no slot.

struct RtpFactory : SlotFactory {
  RtpFactory() : SlotFactory("rtp") {}
};

struct RtpZERIFactory : SlotFactory {
  RtpZERIFactory() : SlotFactory("rtp-zeri") {}
};

struct RtpED137Factory : SlotFactory {
  RtpED137Factory() : SlotFactory("rtp-ed137") {}
};
