#pragma once
#include <cstdint>

#include "core/Multiplexer.h"
#include "core/Packet.h"
#include "core/Protocol.h"

// TPKT framing of a byte stream: each frame is 0x03, 0x00, the 16-bit
// big-endian length of the whole frame (header included) and the body. The
// receiver cuts the stream into frames whatever the read boundaries are,
// resynchronises on the next 0x03 after garbage, and discards an incomplete
// frame 3000 ms after the last bytes that added to it. None of this ever ends
// the connection.
class Tpkt_protocol : public Protocol {
 public:
  static constexpr unsigned kHeaderSize = 4;
  // The largest body the 16-bit length can announce.
  static constexpr unsigned kMaxBody = 0xFFFF - kHeaderSize;
  static constexpr unsigned kIncompleteFrameMs = 3000;

  enum State { Idle = 0, WaitReserved = 1, Length1 = 2, Length2 = 3, Body = 4, Ignore = 5 };

  Tpkt_protocol() = default;
  ~Tpkt_protocol() override;

  // Frames one message and hands it down; a body too long for a frame is
  // refused with a log line and not sent.
  void message(Packet& packet) override;
  // Consumes every byte of a chunk of the stream, delivering each completed
  // body up, in order. Bytes that arrive while the layer is not active are
  // dropped.
  void receive(Packet& packet) override;
  void local_prepare_head(Packet& packet) override { packet.reserve_head(kHeaderSize); }
  void local_prepare_tail(Packet& packet) override { packet.reserve_tail(0); }
  void local_activate() override;
  void local_deactivate() override;
  // Any way down, orderly or by an error below, forgets the partial frame.
  void on_deactivate(Protocol_status status) override;

  void reset();
  void on_timeout(Timer*);

  State state() const { return state_; }
  bool active() const { return active_; }

 private:
  void next_state(State state) { state_ = state; }
  void receive_idle(Packet& in);
  void receive_wait_r(Packet& in);
  void receive_len_1(Packet& in);
  void receive_len_2(Packet& in);
  void receive_body(Packet& in);
  void receive_ignore(Packet& in);
  void deliver();

  Timer timer_;
  State state_ = Idle;
  uint32_t remaining_ = 0;
  Packet body_;
  bool active_ = false;
  bool skipping_ = false;  // inside a run of stray bytes, already reported
};
