#pragma once
#include "slots/Slot.h"

// The factories of the TDM slot kinds. The kinds themselves are not part of
// this build, so each factory joins the chain, makes no slot and adds no
// resources: a create of such a kind is answered insufficientResources.

class MapFactory : public SlotFactory {
 public:
  char const* name() const override { return "map"; }
};

class PstnFactory : public SlotFactory {
 public:
  char const* name() const override { return "pstn"; }
};

class ModemFactory : public SlotFactory {
 public:
  char const* name() const override { return "modem"; }
};

namespace Mixer {
class MixerFactory : public SlotFactory {
 public:
  char const* name() const override { return "mixer"; }
};
}  // namespace Mixer

class ExtFactory : public SlotFactory {
 public:
  char const* name() const override { return "ext"; }
};

class MccFactory : public SlotFactory {
 public:
  char const* name() const override { return "mcc"; }
};

class EchoFactory : public SlotFactory {
 public:
  char const* name() const override { return "echo"; }
};

class VoiceFactory : public SlotFactory {
 public:
  char const* name() const override { return "voice"; }
};

class T38SoftFactory : public SlotFactory {
 public:
  char const* name() const override { return "t38soft"; }
};

class IsdnFactory : public SlotFactory {
 public:
  char const* name() const override { return "isdn"; }
};

class HdlcSlotFactory : public SlotFactory {
 public:
  char const* name() const override { return "hdlc"; }
};
