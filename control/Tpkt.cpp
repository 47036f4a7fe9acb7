#include "control/Tpkt.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <new>

#include "core/Profile.h"

namespace {
constexpr uint8_t kVersion = 0x03;
constexpr uint8_t kReserved = 0x00;
}  // namespace

Tpkt_protocol::~Tpkt_protocol() = default;

void Tpkt_protocol::message(Packet& packet) {
  static Profile::Point point("Tpkt_protocol::message");
  Profile::Scope scope(point);
  unsigned n = packet.length();
  if (n > kMaxBody) {
    std::clog << name().name() << " TPKT message too long, length = " << n << " max = " << kMaxBody << std::endl;
    return;
  }
  if (packet.headroom() < kHeaderSize) {
    // Not built through prepare_head: copy the body behind a reserved header.
    Packet framed;
    prepare_head(framed);
    if (n) std::memcpy(framed.put(n), packet.data(), n);
    packet = framed;
  }
  packet.push16_b(static_cast<uint16_t>(n + kHeaderSize));
  packet.push8(kReserved);
  packet.push8(kVersion);
  transmit(packet);
}

void Tpkt_protocol::receive(Packet& in) {
  while (active_ && in.length() > 0) {
    switch (state_) {
      case Idle: receive_idle(in); break;
      case WaitReserved: receive_wait_r(in); break;
      case Length1: receive_len_1(in); break;
      case Length2: receive_len_2(in); break;
      case Body: receive_body(in); break;
      case Ignore: receive_ignore(in); break;
    }
  }
  if (!active_ || state_ == Idle)
    timer_.reset();
  else
    timer_.set(kIncompleteFrameMs, &Tpkt_protocol::on_timeout, this);
}

void Tpkt_protocol::local_activate() {
  reset();
  active_ = true;
  on_activate();
}

void Tpkt_protocol::local_deactivate() { on_deactivate(new Protocol_status_success(this, "TPKT deactivated")); }

void Tpkt_protocol::on_deactivate(Protocol_status status) {
  reset();
  active_ = false;
  Protocol::on_deactivate(status);
}

void Tpkt_protocol::reset() {
  timer_.reset();
  body_.reset();
  remaining_ = 0;
  skipping_ = false;
  next_state(Idle);
}

void Tpkt_protocol::on_timeout(Timer*) {
  std::clog << " TPKT packet timeout." << std::endl;
  reset();
}

void Tpkt_protocol::receive_idle(Packet& in) {
  // A run of stray bytes is skipped in one step and reported once.
  void const* start = std::memchr(in.data(), kVersion, in.length());
  unsigned stray = start ? static_cast<unsigned>(static_cast<uint8_t const*>(start) - in.data()) : in.length();
  if (stray > 0) {
    if (!skipping_) std::clog << name().name() << " bad TPKT packet start." << std::endl;
    skipping_ = true;
    in.pull(stray);
    return;
  }
  in.pull8();
  skipping_ = false;
  next_state(WaitReserved);
}

void Tpkt_protocol::receive_wait_r(Packet& in) {
  uint8_t byte = in.pull8();
  if (byte == kReserved) {
    next_state(Length1);
    return;
  }
  std::clog << name().name() << " bad TPKT reserved." << std::endl;
  // A stray 0x03 right before a frame: the second one starts the frame.
  next_state(byte == kVersion ? WaitReserved : Idle);
}

void Tpkt_protocol::receive_len_1(Packet& in) {
  remaining_ = in.pull8();
  next_state(Length2);
}

void Tpkt_protocol::receive_len_2(Packet& in) {
  uint32_t total = remaining_ * 256 + in.pull8();
  if (total < kHeaderSize) {
    std::clog << "TPKT too small " << total << std::endl;
    next_state(Idle);
    return;
  }
  remaining_ = total - kHeaderSize;
  body_.reset();
  try {
    body_.reserve_head(0);
  } catch (std::bad_alloc const&) {
    std::clog << "TPKT no packet buffer left, frame of " << remaining_ << " bytes skipped" << std::endl;
    next_state(Ignore);
    return;
  }
  if (remaining_ > body_.tailroom()) {
    std::clog << "TPKT length too big, received = " << remaining_ << " max = " << body_.tailroom() << std::endl;
    body_.reset();
    next_state(Ignore);
    return;
  }
  next_state(Body);
  if (remaining_ == 0) deliver();
}

void Tpkt_protocol::receive_body(Packet& in) {
  unsigned n = std::min(in.length(), remaining_);
  uint8_t const* bytes = in.pull(n);
  std::memcpy(body_.put(n), bytes, n);
  remaining_ -= n;
  if (remaining_ == 0) deliver();
}

void Tpkt_protocol::receive_ignore(Packet& in) {
  unsigned n = std::min(in.length(), remaining_);
  in.pull(n);
  remaining_ -= n;
  if (remaining_ == 0) next_state(Idle);
}

void Tpkt_protocol::deliver() {
  Packet body = std::move(body_);
  next_state(Idle);
  on_message(body);
}
