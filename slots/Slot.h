#pragma once
#include <iosfwd>

#include "protocols/ACP.h"
#include "protocols/LGCP.h"

class Slots;

// What a slot answers to one of the controller's commands.
struct SlotAnswer {
  bool ok;
  LGCP::ErrorCause::NamedNumber cause;
  static SlotAnswer Done() { return {true, LGCP::ErrorCause::invalidParams}; }
  static SlotAnswer Refused(LGCP::ErrorCause::NamedNumber cause) { return {false, cause}; }
};

// A numbered media or signalling endpoint owned by the slot service. A kind
// answers the commands it supports; the others are refused as unsupported.
class Slot {
 public:
  static constexpr unsigned kNoNumber = 0xFFFFFFFFu;

  Slot() = default;
  Slot(Slot const&) = delete;
  Slot& operator=(Slot const&) = delete;
  virtual ~Slot() = default;

  virtual char const* kind() const = 0;
  unsigned number() const { return number_; }
  bool destroying() const { return destroying_; }

  // Sends one of this slot's events to the controller with the slot number.
  void SendSignal(LGCP::Signal const& signal);
  std::ostream& PutHeader(std::ostream& os) const;

  // Called once the create command has been answered.
  virtual void IAfterCreate() {}
  // Starts the destruction; true when it is complete on return, false when the
  // slot calls Slots::on_release once it is.
  virtual bool IDestroy() { return true; }
  virtual SlotAnswer IConnect(Slot& source);
  virtual SlotAnswer IDisconnect();
  virtual SlotAnswer IActivate(TERM::TermActivateParams const& params);
  virtual SlotAnswer IDeactivate();
  virtual SlotAnswer IUserData(ASN1::OCTET_STRING const& data);
  virtual SlotAnswer IIoctl(LGCP::IoctlParams const& params);

 private:
  friend class Slots;
  unsigned number_ = kNoNumber;
  bool destroying_ = false;
  unsigned pendingSeq_ = 0;  // sequence number of a deferred destroy answer
  bool answerPending_ = false;
};

std::ostream& operator<<(std::ostream& os, Slot const& slot);

// A maker of slots. Every factory joins the head of the chain when made, so
// the chain is searched newest first.
class SlotFactory {
 public:
  explicit SlotFactory(char const* name);
  SlotFactory(SlotFactory const&) = delete;
  SlotFactory& operator=(SlotFactory const&) = delete;
  virtual ~SlotFactory();

  SlotFactory* next() const { return next_; }
  char const* name() const { return name_; }
  // A new slot for the request, or null when this factory does not make it.
  virtual Slot* INewSlot(LGCP::CreateParams const&) { return nullptr; }
  // Adds this factory's counts to the board's resource report.
  virtual void IAddResources(LGCP::Resources&) {}
  // The status of a trunk, as another service reported it.
  virtual void OnTrunkStatus(ACP::TrunkStatus const&) {}

 private:
  char const* name_;
  SlotFactory* next_;
};

// The head of the factory chain; null while no factory exists.
extern SlotFactory* firstFactory;
