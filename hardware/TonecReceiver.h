#pragma once
#include <cstdint>

#include "core/IntrusiveList.h"
#include "core/Multiplexer.h"
#include "protocols/LGCP.h"
#include "protocols/TERM.h"

namespace Hardware {

// The mix-in base of every slot that uses the board's tone codec ("/dev/dtmf"):
// it keeps the slot's detector state, receives the DTMF/IVA events of its time
// slot and plays DTMF digit lists and the wait-tone cadence. The owner calls
// CleanBeforeDestroy() before it is destroyed.
class TonecReceiver {
 public:
  struct Params {
    uint32_t code;       // the driver's event code
    uint32_t timestamp;  // the driver's time stamp
  };

  TonecReceiver();
  virtual ~TonecReceiver();
  TonecReceiver(TonecReceiver const&) = delete;
  TonecReceiver& operator=(TonecReceiver const&) = delete;

  virtual void tonec_event(Params const& event) = 0;
  // The time slot this receiver listens on, as the driver numbers it.
  virtual unsigned tonec_timeslot() const = 0;
  // A DTMF playout has ended.
  virtual void tone_gen_complete() {}

  // Each returns true on success.
  bool enableDTMF(bool on);
  bool disableDTMF() { return enableDTMF(false); }
  bool configureDTMF(LGCP::DTMFParams const& params);
  bool configureIVA(LGCP::IVAParams const& params);
  bool enableIVA(bool on);
  bool enableDTMFReject(bool on);
  bool echoCancel(bool on);
  bool translateSelcal(TERM::SelcalCommand const& command);
  bool enableToneGenerator(unsigned short f1, unsigned short f2, unsigned short l1, unsigned short l2);
  bool enableSilence() { return enableToneGenerator(1000, 1000, 0, 0); }
  // Stops the generator; unless forced only while a DTMF playout runs.
  bool disableToneGenerator(bool force);
  // Plays the digit list (replacing the digits still to play of a running playout).
  bool translateDTMF(LGCP::TranslateDtmfParams const& params);
  // The wait tone: 425 Hz for 1000 ms, silence for 3000 ms, until cancelled.
  void activateAudibleCall();
  void cancelAudibleCall();
  void CleanBeforeDestroy();

  bool events_enabled() const { return eventsEnabled_; }
  uint32_t request_id() const { return requestId_; }
  bool playing() const { return playing_; }

 private:
  friend class TonecReceiverService;
  struct Link : Containers::CyclicList {
    TonecReceiver* owner;
  };
  void DigitStep();
  void PauseStep();
  void CallToneStep();
  void CallSilenceStep();

  bool eventsEnabled_ = false;
  Timer toneTimer_;
  bool playing_ = false;
  uint32_t requestId_ = 0;
  LGCP::TranslateDtmfParams playout_;
  Link link_;
  bool ivaOn_ = false;
  bool dtmfOn_ = false;
  bool rejectOn_ = false;
};

// The owner of "/dev/dtmf": issues the requests for one time slot at a time
// and hands each detector event to the receiver listening on its time slot.
class TonecReceiverService {
 public:
  static constexpr uint32_t DTMF_CONFIGURE_DETECTOR = 0x40144202;  // ts, twist, ratio, silence, noise
  static constexpr uint32_t DTMF_ENABLE_DETECTOR = 0x40084203;     // ts, request id
  static constexpr uint32_t DTMF_DISABLE_DETECTOR = 0x40044204;    // ts by value
  static constexpr uint32_t DTMF_DIAL = 0x400C4205;                // ts; f1, f2, l1, l2 (16 bits)
  static constexpr uint32_t CHANNEL_LMS_ON = 0x40044206;           // ts by value
  static constexpr uint32_t CHANNEL_LMS_OFF = 0x40044207;
  static constexpr uint32_t DTMF_REJECTION_ENABLE = 0x40044209;
  static constexpr uint32_t DTMF_REJECTION_DISABLE = 0x4004420A;
  static constexpr uint32_t IVA_DETECTOR_ENABLE = 0x4004420B;
  static constexpr uint32_t IVA_DETECTOR_DISABLE = 0x4004420C;
  static constexpr uint32_t IVA_CONFIGURE_DETECTOR = 0x4008420D;  // ts, det_lvl_dB
  static constexpr uint32_t SELCAL_DIAL = 0x400C420E;             // ts; amp (16 bits); 4 signs; 2 zeros
  static constexpr size_t kEventSize = 16;                        // code, ts, timestamp, request id

  static TonecReceiverService& instance();
  TonecReceiverService(TonecReceiverService const&) = delete;
  TonecReceiverService& operator=(TonecReceiverService const&) = delete;

  // Opens the device and watches it; false when it cannot be opened.
  bool init();
  bool configureDTMF(unsigned ts, LGCP::DTMFParams const& params);
  bool echoCancel(unsigned ts, bool on);
  bool enableDTMFReject(unsigned ts, bool on);
  bool enableDTMF(TonecReceiver& receiver, bool on);
  bool enableToneGenerator(unsigned ts, unsigned short f1, unsigned short f2, unsigned short l1, unsigned short l2);
  bool configureIVA(TonecReceiver& receiver, LGCP::IVAParams const& params);
  bool enableIVA(TonecReceiver& receiver, bool on);
  bool translateSelcal(TonecReceiver& receiver, TERM::SelcalCommand const& command);
  void OnEvent(int fd, short revents);

  bool opened() const { return event_.fd().valid(); }

 private:
  TonecReceiverService();
  // A request that switches something of a time slot on or off.
  struct Toggle {
    char const* name;
    char const* onText;
    char const* offText;
    uint32_t onRequest;
    uint32_t offRequest;
  };
  bool Switch(Toggle const& toggle, bool on, unsigned ts);
  void Dispatch(uint8_t const* record);
  // The device, opened again first when it was closed (after a failure).
  int fd() {
    if (!opened()) init();
    return event_.fd().get();
  }
  Event event_;
  uint32_t counter_ = 0;
};

}  // namespace Hardware
