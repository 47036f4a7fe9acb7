#include "slots/Slot.h"

#include <iomanip>
#include <ostream>

#include "slots/Slots.h"

SlotFactory* firstFactory = nullptr;

void Slot::SendSignal(LGCP::Signal const& signal) { Slots::instance().SendSignal(number_, signal); }

std::ostream& Slot::PutHeader(std::ostream& os) const { return os << *this << ": "; }

std::ostream& operator<<(std::ostream& os, Slot const& slot) {
  if (slot.number() == Slot::kNoNumber)
    os << "na";
  else
    os << std::setw(2) << std::setfill('0') << slot.number() << std::setfill(' ');
  return os << ':' << slot.kind();
}

SlotAnswer Slot::IConnect(Slot&) { return SlotAnswer::Refused(LGCP::ErrorCause::unsupported); }
SlotAnswer Slot::IDisconnect() { return SlotAnswer::Refused(LGCP::ErrorCause::unsupported); }
SlotAnswer Slot::IActivate(TERM::TermActivateParams const&) {
  return SlotAnswer::Refused(LGCP::ErrorCause::unsupported);
}
SlotAnswer Slot::IDeactivate() { return SlotAnswer::Refused(LGCP::ErrorCause::unsupported); }
SlotAnswer Slot::IUserData(ASN1::OCTET_STRING const&) { return SlotAnswer::Refused(LGCP::ErrorCause::unsupported); }
SlotAnswer Slot::IIoctl(LGCP::IoctlParams const&) { return SlotAnswer::Refused(LGCP::ErrorCause::unsupported); }

SlotFactory::SlotFactory(char const* name) : name_(name), next_(firstFactory) { firstFactory = this; }

SlotFactory::~SlotFactory() {
  for (SlotFactory** p = &firstFactory; *p; p = &(*p)->next_) {
    if (*p == this) {
      *p = next_;
      break;
    }
  }
}
