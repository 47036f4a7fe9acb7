#include "slots/Slots.h"

#include <algorithm>
#include <iostream>

Slots& Slots::instance() {
  static Slots service;
  return service;
}

bool Slots::OnCommand(LGCP::Command const& command) {
  int const which = command.currentSelection();
  if (!IsSlotPresent()) {
    if (which != LGCP::Command::query_id) return false;
    Success();
    UpdateHardwareResources();
    return true;
  }
  if (which < LGCP::Command::connect_id || which > LGCP::Command::ioctl_id) return false;

  unsigned const number = GetSlot();
  if (which == LGCP::Command::create_id) {
    CmdCreate(number, *command.get_create());
    return true;
  }
  Slot* s = slot(number);
  if (s == nullptr) {
    Error(LGCP::ErrorCause::slotNotExists);
    return true;
  }
  if (s->destroying()) {
    Error(LGCP::ErrorCause::destroyInProgress);
    return true;
  }
  switch (which) {
    case LGCP::Command::connect_id: {
      Slot* source = slot(command.get_connect()->getValue());
      if (source == nullptr)
        Error(LGCP::ErrorCause::slotNotExists);
      else
        Answer(s->IConnect(*source));
      break;
    }
    case LGCP::Command::disconnect_id: Answer(s->IDisconnect()); break;
    case LGCP::Command::destroy_id: CmdDestroy(*s); break;
    case LGCP::Command::activate_id: Answer(s->IActivate(*command.get_activate())); break;
    case LGCP::Command::deactivate_id: Answer(s->IDeactivate()); break;
    case LGCP::Command::userData_id: Answer(s->IUserData(*command.get_userData())); break;
    case LGCP::Command::ioctl_id: Answer(s->IIoctl(*command.get_ioctl())); break;
  }
  return true;
}

void Slots::Answer(SlotAnswer answer) {
  if (answer.ok)
    Success();
  else
    Error(answer.cause);
}

void Slots::CmdCreate(unsigned number, LGCP::CreateParams const& params) {
  if (Slot* old = slot(number)) {
    if (old->destroying()) {
      Error(LGCP::ErrorCause::destroyInProgress);
      return;
    }
    // A slot that finishes later leaves the table and reports to on_release.
    if (!Destroy(number)) dying_.push_back(std::move(table_[number]));
  }
  for (SlotFactory* f = firstFactory; f; f = f->next()) {
    if (Slot* made = f->INewSlot(params)) {
      made->number_ = number;
      table_[number].reset(made);
      Success();
      // The slot starts only now, so its first signals follow the answer.
      made->IAfterCreate();
      return;
    }
  }
  Error(LGCP::ErrorCause::insufficientResources);
}

void Slots::CmdDestroy(Slot& s) {
  if (Destroy(s.number())) {
    Success();
    return;
  }
  s.pendingSeq_ = delayResponse();
  s.answerPending_ = true;
}

bool Slots::Destroy(unsigned number) {
  Slot* s = table_[number].get();
  s->destroying_ = true;
  if (s->IDestroy()) {
    table_[number].reset();
    return true;
  }
  return false;
}

void Slots::on_release(Slot* s) {
  std::unique_ptr<Slot> owned;
  if (s->number() < kSlotCount && table_[s->number()].get() == s) {
    owned = std::move(table_[s->number()]);
  } else {
    auto it = std::find_if(dying_.begin(), dying_.end(), [s](auto const& p) { return p.get() == s; });
    if (it == dying_.end()) return;
    owned = std::move(*it);
    dying_.erase(it);
  }
  if (s->answerPending_) delayedSuccess(s->number(), s->pendingSeq_);
  // The slot may be calling from its own code: delete it on the next pass.
  released_.push_back(std::move(owned));
  releasedTimer_.set(0, &Slots::DeleteReleased, this);
}

void Slots::OnDisconnect() {
  for (unsigned n = 0; n < kSlotCount; ++n) {
    if (!table_[n]) continue;
    Slot* s = table_[n].get();
    s->answerPending_ = false;
    if (s->destroying() || !Destroy(n)) dying_.push_back(std::move(table_[n]));
  }
  if (!dying_.empty()) dyingTimer_.set(kReleaseDelayMs, &Slots::DeleteDying, this);
}

void Slots::DeleteDying() {
  if (!dying_.empty())
    std::clog << "slots: " << dying_.size() << " slot(s) still destroying after disconnect, deleted" << std::endl;
  dying_.clear();
}

void Slots::DeleteReleased() { released_.clear(); }

void Slots::OnSignal(LGCP::Signal const& signal) {
  ACP::TrunkStatus const* status = signal.get_trunkStatus();
  if (status == nullptr) return;
  for (SlotFactory* f = firstFactory; f; f = f->next()) f->OnTrunkStatus(*status);
}

void Slots::UpdateHardwareResources() {
  LGCP::Signal signal;
  LGCP::Resources& resources = signal.set_query();
  for (SlotFactory* f = firstFactory; f; f = f->next()) f->IAddResources(resources);
  SendSignal(signal);
}
