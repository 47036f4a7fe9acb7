#pragma once
#include <cstdint>
#include <iosfwd>

#include "core/Multiplexer.h"
#include "core/Packet.h"

// The sending side of an HDLC link as the link protocols see it.
class GenericHDLC {
 public:
  virtual ~GenericHDLC() = default;
  // Sends one frame; false when it was not sent (closed channel, a write that
  // would block, a write error). After a blocked write wait for on_hdlc_ready.
  virtual bool hdlc_transmit(Packet& frame) = 0;
  virtual bool is_open() const = 0;
  virtual bool is_ready() const = 0;
};

// One HDLC channel of the multi-channel controller ("/dev/mcc/ctl"). On
// activation it allocates a controller channel, learns its time slot and
// cross-connects it with the line time slot through the time-slot switch;
// then each write sends one frame and each read returns one received frame.
//
// The owner fills `params`, `trunk` and `log`, points the channel at its
// receiver with set_notify() and calls activate(); it may deactivate or even
// delete the channel from inside the receiver's callbacks.
class HDLC : public GenericHDLC {
 public:
  // The receiving side: what a channel reports to its owner.
  class Notify {
   public:
    struct Cause {
      enum Type { readError = 0 };
    };
    virtual ~Notify() = default;
    // One received frame; the channel drops its own reference afterwards.
    virtual void on_hdlc_receive(Packet& frame) = 0;
    // The channel failed and is already closed.
    virtual void on_hdlc_error(Cause::Type cause) = 0;
    // The channel takes frames again after a refused write.
    virtual void on_hdlc_ready() = 0;
  };

  struct Params {
    int trunk = 0;      // trunk of the line, kept for the owner
    int timeslot = 0;   // time slot on that trunk, shown in the log prefix
    int tdm = -1;       // line channel on the time-slot switch
    int tdm2 = -1;      // second line channel: the transmit side in mode 2
    int mode = 0;       // 0, 1 or 2
  };

  static constexpr uint32_t MCC_ALLOCATE = 0x40144D00;  // mode word, 512, 0, 1, 4
  static constexpr uint32_t MCC_TIMESLOT = 0x20004D02;  // the result is the time slot

  HDLC();
  ~HDLC() override;
  HDLC(HDLC const&) = delete;
  HDLC& operator=(HDLC const&) = delete;

  bool activate();
  // Closes the channel; the switch connections made by activate() stay.
  void deactivate();

  bool hdlc_transmit(Packet& frame) override;
  bool is_open() const override { return m_event.fd().valid(); }
  bool is_ready() const override { return ready; }

  void set_notify(Notify* receiver);
  // Points the channel at a receiver that ignores everything.
  void unbind();

  void on_event(int fd, short revents);
  // While no packet is free, reading pauses and is tried again this often.
  static constexpr unsigned kNoPacketRetryMs = 20;
  std::ostream& PutHeader(std::ostream& os) const;

  Params params;
  // Frames written, refused on a closed channel, failed, (never counted), received.
  uint32_t txSU = 0, txDiscard = 0, txError = 0, txOverflow = 0, rxSU = 0;
  uint32_t log = 0;    // the owner's link log setting
  uint32_t trunk = 0;  // trunk number shown in log prefixes

 private:
  void do_read(short revents);
  void fail(char const* cause);
  void Watch();
  void ResumeReading();
  bool ready = false;
  bool paused = false;    // no packet was free: the descriptor is not read
  bool starving = false;  // the no-packet line of this episode was written
  Event m_event;
  Timer m_resume;
  Notify* notify;
  bool* alive_ = nullptr;  // set while a callback runs; cleared by the destructor
};
