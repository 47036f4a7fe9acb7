#include "core/Protocol.h"

#include <ostream>

void Internal_protocol_status::out(std::ostream& os) const { os << text_; }

// ---- Protocol ----

Protocol::~Protocol() {
  if (owner_) owner_->remove(this);
}

void Protocol::transmit(Packet& packet) {
  if (Protocol* lower = below())
    lower->message(packet);
  else if (owner_)
    owner_->transmit(packet);
}

void Protocol::on_message(Packet& packet) {
  if (Protocol* upper = above())
    upper->receive(packet);
  else if (owner_)
    owner_->on_message(packet);
}

void Protocol::activate() {
  if (Protocol* lower = below())
    lower->activate();
  else
    local_activate();
}

void Protocol::on_activate() {
  if (Protocol* upper = above())
    upper->local_activate();
  else if (owner_)
    owner_->on_activated(this);
}

void Protocol::on_deactivate(Protocol_status status) {
  if (status.is_null()) SmartPtrAssertion();
  if (status->success()) {
    // An orderly deactivation goes on downward; the owner hears it from the bottom.
    if (Protocol* lower = below()) {
      lower->deactivate();
      return;
    }
  } else if (Protocol* upper = above()) {
    // An error goes up to the top, keeping the layer that failed as origin.
    upper->on_deactivate(status);
    return;
  }
  if (owner_) owner_->on_deactivated(this, status);
}

void Protocol::on_status(Protocol_status status) {
  if (Protocol* upper = above())
    upper->on_status(status);
  else if (owner_)
    owner_->on_status(status);
}

void Protocol::prepare_head(Packet& packet) {
  if (Protocol* lower = below()) lower->prepare_head(packet);
  local_prepare_head(packet);
}

void Protocol::prepare_tail(Packet& packet) {
  if (Protocol* lower = below()) lower->prepare_tail(packet);
  local_prepare_tail(packet);
}

Protocol_status Protocol::initialize() {
  if (Protocol* lower = below()) {
    Protocol_status status = lower->initialize();
    if (status.is_null()) SmartPtrAssertion();
    if (!status->success()) return status;
  }
  return local_initialize();
}

// ---- ProtocolsList ----

ProtocolsList::~ProtocolsList() {
  while (Protocol* layer = tail()) {
    remove(layer);
    layer->owner_ = nullptr;
    delete layer;
  }
}

void ProtocolsList::adopt(Protocol* layer) {
  if (layer->owner_ && layer->owner_ != this) layer->owner_->remove(layer);
  layer->owner_ = this;
}

Protocol* ProtocolsList::add_protocol_head(Protocol* layer) {
  adopt(layer);
  insert_to_head(layer);
  return layer;
}

Protocol* ProtocolsList::add_protocol_tail(Protocol* layer) {
  adopt(layer);
  insert_to_tail(layer);
  return layer;
}

Protocol* ProtocolsList::search(Protocol_name const& name) const {
  for (Protocol* layer : *this)
    if (layer->compare_name(name)) return layer;
  return nullptr;
}

// ---- ProtocolsFamily ----

void ProtocolsFamily::local_prepare_head(Packet& packet) {
  if (Protocol* inner = top()) inner->prepare_head(packet);
}

void ProtocolsFamily::local_prepare_tail(Packet& packet) {
  if (Protocol* inner = top()) inner->prepare_tail(packet);
}

Protocol_status ProtocolsFamily::local_initialize() {
  if (Protocol* inner = top()) return inner->initialize();
  return new Protocol_initialize_error(this);
}

void ProtocolsFamily::local_activate() {
  if (Protocol* inner = top())
    inner->activate();
  else
    on_activate();
}

void ProtocolsFamily::local_deactivate() {
  if (Protocol* inner = top())
    inner->deactivate();
  else
    on_deactivate(new Protocol_status_success(this));
}

void ProtocolsFamily::message(Packet& packet) {
  if (Protocol* inner = top()) inner->message(packet);
}

void ProtocolsFamily::receive(Packet& packet) {
  if (Protocol* inner = bottom()) inner->receive(packet);
}

void ProtocolsFamily::on_activated(Protocol* layer) {
  if (layer == top()) on_activate();
}

void ProtocolsFamily::on_deactivated(Protocol*, Protocol_status status) { on_deactivate(status); }
