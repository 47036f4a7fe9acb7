#pragma once
#include <cstdint>

#include "core/IntrusiveList.h"
#include "core/Multiplexer.h"
#include "protocols/LGCP.h"

// Parameter words of the DSP driver's events, in host byte order.
struct dsproc_bss_event {
  float score;
  uint32_t p2;
  uint32_t p3;
};
struct dsproc_tone_event {
  uint32_t p1;
  uint32_t p2;
  uint32_t p3;
};
struct dsproc_flags_event {
  uint32_t flags;
  uint32_t mask;
  uint32_t p3;
};

namespace Hardware {

// Voice activity per direction; -1 for a direction the event does not report.
struct DSProcVADEvent {
  int rx;
  int tx;
};
struct DSProcSDEvent {
  int sd_rx;
};

// The mix-in base of every slot that uses the DSP functions of "/dev/dsp" on
// its time slot: voice activity (VAD), signal detection (SD), BSS scoring,
// noise gate (NG), mute, delays, receive gain and tone filters. It remembers
// what it has switched on, so repeated requests are skipped and everything is
// switched off by CleanBeforeDestroy(), which the owner calls before it goes.
class DSProcReceiver {
 public:
  DSProcReceiver();
  virtual ~DSProcReceiver();
  DSProcReceiver(DSProcReceiver const&) = delete;
  DSProcReceiver& operator=(DSProcReceiver const&) = delete;

  virtual void dsproc_vad_event(DSProcVADEvent const& event) = 0;
  virtual void dsproc_bss_event(::dsproc_bss_event const* event) = 0;
  virtual void dsproc_sd_event(DSProcSDEvent const& event) = 0;
  virtual void dsproc_tone_flt_event(::dsproc_tone_event const* event) = 0;
  virtual void dsproc_flags_event(::dsproc_flags_event const* event) = 0;
  virtual unsigned dsproc_timeslot() const = 0;

  // Each returns true on success.
  bool configureVAD(LGCP::VADParams const& params);
  bool enableVAD(bool on);
  bool disableVAD() { return enableVAD(false); }
  bool enableBSS(bool on);
  bool disableBSS() { return enableBSS(false); }
  bool enableNG(bool on);
  bool disableNG() { return enableNG(false); }
  bool configureSD();
  bool enableSD(bool on);
  bool disableSD() { return enableSD(false); }
  bool enableMute(bool rx, bool tx);
  bool disableMute() { return enableMute(false, false); }
  bool configureDelays(unsigned rx, unsigned tx, unsigned selcal);
  bool configureRxGain(char gain);
  bool configureToneFilter(unsigned freq, unsigned enable, int durationMs, int levelDb);
  bool disableToneAll();
  void CleanBeforeDestroy();

  // A function's state: -1 not yet known, 0 off, 1 on.
  int vad_state() const { return vad_.state; }
  int sd_state() const { return sd_.state; }
  bool delays_set() const { return delaysSet_; }
  bool rx_gain_set() const { return rxGainSet_; }

 private:
  friend class DSProcReceiverService;
  struct Function {
    int state;
    uint32_t id;  // the latest successful enable request
  };
  struct Link : Containers::CyclicList {
    DSProcReceiver* owner;
  };

  Function vad_{-1, 0};
  Function bss_{0, 0};
  Function ng_{0, 0};
  Function sd_{-1, 0};
  int muteRx_ = -1;
  int muteTx_ = -1;
  uint32_t muteId_ = 0;
  bool delaysSet_ = false;
  bool rxGainSet_ = false;
  Link link_;
};

// The owner of "/dev/dsp": configures, enables and disables the functions of
// one time slot at a time and hands each event to the receiver of its time slot.
class DSProcReceiverService {
 public:
  static constexpr uint32_t DSPROC_CONFIGURE = 0x40146401;  // ts, kind, 12 bytes of parameters
  static constexpr uint32_t DSPROC_ENABLE = 0x400C6402;     // ts, request id, kind
  static constexpr uint32_t DSPROC_DISABLE = 0x400C6403;    // ts, 0, kind
  static constexpr uint32_t DSPROC_VAD_VERSION = 0x40046404;  // 0; the result is the version
  enum Kind : uint32_t {
    VAD = 1, SD = 2, MUTE_RX = 4, MUTE_TX = 8, BSS = 16, DELAYS = 32, RX_GAIN = 64, NG = 128, TONE_FILTER = 256
  };
  enum EventType : uint32_t { EV_VAD = 1, EV_SD = 2, EV_BSS = 16, EV_TONE_FILTER = 256, EV_FLAGS = 512 };
  static constexpr size_t kEventSize = 24;  // ts, request id, type, p1, p2, p3

  static DSProcReceiverService& instance();
  DSProcReceiverService(DSProcReceiverService const&) = delete;
  DSProcReceiverService& operator=(DSProcReceiverService const&) = delete;

  bool init();
  bool configureVAD(unsigned ts, LGCP::VADParams const& params);
  bool enableVAD(DSProcReceiver& receiver, bool on);
  bool enableBSS(DSProcReceiver& receiver, bool on);
  bool enableNG(DSProcReceiver& receiver, bool on);
  bool enableSD(DSProcReceiver& receiver, bool on);
  bool enableMute(DSProcReceiver& receiver, bool rx, bool tx);
  bool configureSD(unsigned ts);
  bool configureDelays(unsigned ts, unsigned rx, unsigned tx, unsigned selcal);
  bool configureRxGain(unsigned ts, char gain);
  bool configureToneFilter(unsigned ts, unsigned freq, unsigned enable, int durationMs, int levelDb);
  bool disableToneAll(DSProcReceiver& receiver);
  void OnEvent(int fd, short revents);

  bool opened() const { return event_.fd().valid(); }

 private:
  DSProcReceiverService();
  bool Switch(DSProcReceiver::Function& f, char const* name, uint32_t kind, unsigned ts, bool on);
  bool Enable(char const* name, uint32_t kind, unsigned ts, uint32_t& id);
  bool Disable(char const* name, uint32_t kind, unsigned ts);
  // Opens the device if needed; reports `closedText` when it stays closed.
  bool Ready(char const* closedText, unsigned ts);
  bool Configure(unsigned ts, uint32_t kind, uint8_t const (&params)[12], char const* failText);
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
