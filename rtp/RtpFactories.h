#pragma once
#include "slots/Slot.h"

// The factories of the RTP and radio slot kinds. The kinds are not part of
// this build: each factory joins the chain and makes no slot.

class RtpFactory : public SlotFactory {
 public:
  char const* name() const override { return "rtp"; }
};

class RtpZERIFactory : public SlotFactory {
 public:
  char const* name() const override { return "rtp-zeri"; }
};

class RtpED137Factory : public SlotFactory {
 public:
  char const* name() const override { return "rtp-ed137"; }
};
