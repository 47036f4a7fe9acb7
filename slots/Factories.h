#pragma once
#include "slots/Slot.h"

// The factories of the TDM slot kinds. The kinds themselves are not part of
// this build, so each factory joins the chain, makes no slot and adds no
// resources: a create of such a kind is answered insufficientResources.

struct MapFactory : SlotFactory {
  MapFactory() : SlotFactory("map") {}
};

struct PstnFactory : SlotFactory {
  PstnFactory() : SlotFactory("pstn") {}
};

struct ModemFactory : SlotFactory {
  ModemFactory() : SlotFactory("modem") {}
};

namespace Mixer {
struct MixerFactory : SlotFactory {
  MixerFactory() : SlotFactory("mixer") {}
};
}  // namespace Mixer

struct ExtFactory : SlotFactory {
  ExtFactory() : SlotFactory("ext") {}
};

struct MccFactory : SlotFactory {
  MccFactory() : SlotFactory("mcc") {}
};

struct EchoFactory : SlotFactory {
  EchoFactory() : SlotFactory("echo") {}
};

struct VoiceFactory : SlotFactory {
  VoiceFactory() : SlotFactory("voice") {}
};

struct T38SoftFactory : SlotFactory {
  T38SoftFactory() : SlotFactory("t38soft") {}
};

struct IsdnFactory : SlotFactory {
  IsdnFactory() : SlotFactory("isdn") {}
};

struct HdlcSlotFactory : SlotFactory {
  HdlcSlotFactory() : SlotFactory("hdlc") {}
};
