#include "control/CtrlSrv.h"

#include <algorithm>
#include <iostream>

#include "asn1/CoderEnv.h"
#include "core/Ext.h"

CtrlSrv::Server ctrlServer;

namespace CtrlSrv {

namespace {

// Field slots of LGCP::Message.
constexpr unsigned kSeqField = 0;
constexpr unsigned kSlotField = 1;
// A hex dump of an undecodable body stops here, so one hostile frame cannot
// flood the log.
constexpr int kDumpLimit = 256;

void remove_field(LGCP::Message& message, unsigned field) {
  message.removeOptionalField(message.optionalId(field));
}

}  // namespace

// ---- Service ----

bool Service::CheckServer() const {
  if (server_) return true;
  std::cerr << "CtrlSrv::Service error! service not connected to server." << std::endl;
  return false;
}

void Service::Success() {
  if (CheckServer()) server_->Success();
}

void Service::Error(LGCP::ErrorCause::NamedNumber cause) {
  if (CheckServer()) server_->Error(cause);
}

void Service::OfferSignal(LGCP::Signal const& signal) {
  for (Service* other : server_->services())
    if (other != this) other->OnSignal(signal);
}

void Service::SendSignal(LGCP::Signal const& signal) {
  if (!CheckServer()) return;
  OfferSignal(signal);
  server_->SendSignal(signal);
}

void Service::SendSignal(unsigned slot, LGCP::Signal const& signal) {
  if (!CheckServer()) return;
  OfferSignal(signal);
  server_->SendSignal(slot, signal);
}

unsigned Service::GetSlot() const { return CheckServer() ? server_->GetSlot() : Server::kNoSlot; }

bool Service::IsSlotPresent() const { return CheckServer() && server_->IsSlotPresent(); }

unsigned Service::delayResponse() { return CheckServer() ? server_->delayResponse() : 0xFFFFFFFFu; }

void Service::delayedSuccess(unsigned slot, unsigned seq) {
  if (CheckServer()) server_->delayedSuccess(slot, seq);
}

bool Service::CheckServerConnection(bool& connected) const {
  return server_ != nullptr && server_->CheckServerConnection(connected);
}

// ---- Server ----

Server::Server() = default;

Server::~Server() {
  // At process exit the services, singletons made after this object, are
  // already gone: nobody is told of this last disconnect.
  services_.clear();
  Deactivate();
}

void Server::Bind(Service* service) {
  services_.push_back(service);
  service->server_ = this;
}

bool Server::Activate(Control::Service* connection) {
  Deactivate();
  connection_ = connection;
  connection_->service_name("server");
  connection_->Bind(this);
  return connection_->Activate();
}

void Server::Deactivate() {
  if (connection_ == nullptr) return;
  connection_->Deactivate();
  OnDisconnect();
  connection_->UnBind();
  delete connection_;
  connection_ = nullptr;
}

void Server::OnConnect() {
  std::clog << ext::header(this) << "controller connect." << std::endl;
  for (Service* s : services_) s->OnConnect();
}

void Server::OnDisconnect() {
  for (Service* s : services_) s->OnDisconnect();
}

void Server::OnMessage(char const* data, int length) {
  ASN1::CoderEnv env(ASN1::CoderEnv::per_Aligned);
  LGCP::Message message;
  auto const* begin = reinterpret_cast<unsigned char const*>(data);
  if (!ASN1::decode(begin, begin + length, env, message, true)) {
    std::cerr << ext::header(this) << "receive fail: decode error!" << std::endl;
    std::cerr << " msg: " << ext::OutBufInHex(begin, static_cast<size_t>(std::min(length, kDumpLimit)));
    if (length > kDumpLimit) std::cerr << "... (" << length << " octets)";
    std::cerr << std::endl;
  } else {
    OnMessage(message);
  }
  slot_ = kNoSlot;
}

void Server::OnMessage(LGCP::Message const& message) {
  answer_ = kNothingSent;
  seqPresent_ = message.isPresent(kSeqField);
  if (seqPresent_) seq_ = message.get_seq().getValue();
  slot_ = kNoSlot;

  LGCP::Command const* command = message.get_pdu().get_command();
  if (command == nullptr) {
    Error(LGCP::ErrorCause::unexpectedMsgType);
    return;
  }
  if (message.isPresent(kSlotField)) {
    unsigned slot = static_cast<unsigned>(message.get_slot().getValue());
    if (slot > 1023) {
      Error(LGCP::ErrorCause::invalidSlot);
      return;
    }
    slot_ = slot;
  }

  bool taken = false;
  for (Service* s : services_) {
    if (s->OnCommand(*command)) {
      taken = true;
      break;
    }
  }
  if (!taken) {
    Error(LGCP::ErrorCause::unexpectedMsgType);
  } else if (answer_ == kNothingSent) {
    std::cerr << ext::header(this) << "software error: server do NOT send ack!!!" << std::endl
              << "please contact with techsupport (the gateway's support team)" << std::endl;
    Error(LGCP::ErrorCause::internal);
  }
}

void Server::SendResponse(bool success, LGCP::ErrorCause::NamedNumber cause) {
  LGCP::Message message;
  AssignSeq(message);
  AssignSlot(message);
  LGCP::Response& response = message.get_pdu().set_response();
  if (success)
    response.set_success();
  else
    response.set_error(cause);
  SendMsg(message);
}

void Server::Success() {
  if (answer_ != kNothingSent) return;
  SendResponse(true, LGCP::ErrorCause::invalidParams);
  answer_ = kSucceeded;
}

void Server::Error(LGCP::ErrorCause::NamedNumber cause) {
  if (answer_ == kFailed) return;
  SendResponse(false, cause);
  answer_ = kFailed;
}

unsigned Server::delayResponse() {
  answer_ = kSucceeded;
  return static_cast<unsigned>(seq_);
}

void Server::delayedSuccess(unsigned slot, unsigned seq) {
  LGCP::Message message;
  message.set_seq(static_cast<int>(seq));
  message.set_slot(slot);
  message.get_pdu().set_response().set_success();
  SendMsg(message);
}

void Server::SendSignal(LGCP::Signal const& signal) {
  LGCP::Message message;
  AssignSlot(message);
  message.get_pdu().set_signal(signal);
  SendMsg(message);
}

void Server::SendSignal(unsigned slot, LGCP::Signal const& signal) {
  LGCP::Message message;
  message.set_slot(slot);
  message.get_pdu().set_signal(signal);
  SendMsg(message);
}

void Server::SendMsg(LGCP::Message& message) {
  ASN1::CoderEnv env(ASN1::CoderEnv::per_Aligned);
  // The coder reserves room for a whole message itself.
  ASN1::Octets octets;
  if (!ASN1::encode(message, env, octets)) {
    std::cerr << ext::header(this) << "send fail: encode error!" << message << std::endl;
    // Printing a value that cannot be coded may leave the stream failed;
    // later error lines must still come out.
    std::cerr.clear();
    return;
  }
  if (connection_ == nullptr) {
    std::cerr << ext::header(this) << "send fail: Service not attached!" << std::endl;
    return;
  }
  connection_->Send(reinterpret_cast<char const*>(octets.data()), static_cast<int>(octets.size()));
}

void Server::AssignSeq(LGCP::Message& message) const {
  if (seqPresent_)
    message.set_seq(seq_);
  else
    remove_field(message, kSeqField);
}

void Server::AssignSlot(LGCP::Message& message) const {
  if (slot_ != kNoSlot)
    message.set_slot(slot_);
  else
    remove_field(message, kSlotField);
}

bool Server::CheckServerConnection(bool& connected) const {
  if (connection_ == nullptr) return false;
  connected = connection_->state() == Control::Service::State::Connected;
  return true;
}

void Server::OnHeartbeatTimeout() {
  if (connection_) connection_->Disconnect();
}

std::ostream& Server::PutHeader(std::ostream& os) const {
  if (connection_ == nullptr) return os << "ctrl [null]: ";
  if (connection_->state() == Control::Service::State::Connected)
    return os << "ctrl [" << connection_->peer_name() << "]: ";
  return os << "ctrl [not connected]: ";
}

}  // namespace CtrlSrv
