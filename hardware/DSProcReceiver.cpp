#include "hardware/DSProcReceiver.h"

#include <fcntl.h>
#include <poll.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "control/TraceCtl.h"
#include "core/Ext.h"
#include "core/Fd.h"
#include "hardware/DevNames.h"
#include "hardware/Device.h"
#include "hardware/ReceiverSupport.h"

namespace Hardware {

namespace {

using detail::Err;

// The live receivers, oldest first; the head has no destructor (see the tone receivers).
Containers::CyclicList& receivers() {
  static Containers::CyclicList head;
  return head;
}

bool in16(long v) { return v >= 0 && v <= 0xFFFF; }
bool in8(long v) { return v >= -128 && v <= 255; }

void put16(uint8_t* p, long v) { Dev::put16(p, static_cast<uint16_t>(v)); }

}  // namespace

// ---- receiver ----

DSProcReceiver::DSProcReceiver() {
  link_.owner = this;
  link_.InsertBefore(&receivers());
}

DSProcReceiver::~DSProcReceiver() { link_.Remove(); }

bool DSProcReceiver::configureVAD(LGCP::VADParams const& params) {
  return DSProcReceiverService::instance().configureVAD(dsproc_timeslot(), params);
}
bool DSProcReceiver::enableVAD(bool on) { return DSProcReceiverService::instance().enableVAD(*this, on); }
bool DSProcReceiver::enableBSS(bool on) { return DSProcReceiverService::instance().enableBSS(*this, on); }
bool DSProcReceiver::enableNG(bool on) { return DSProcReceiverService::instance().enableNG(*this, on); }
bool DSProcReceiver::configureSD() { return DSProcReceiverService::instance().configureSD(dsproc_timeslot()); }
bool DSProcReceiver::enableSD(bool on) { return DSProcReceiverService::instance().enableSD(*this, on); }
bool DSProcReceiver::enableMute(bool rx, bool tx) { return DSProcReceiverService::instance().enableMute(*this, rx, tx); }

bool DSProcReceiver::configureDelays(unsigned rx, unsigned tx, unsigned selcal) {
  bool ok = DSProcReceiverService::instance().configureDelays(dsproc_timeslot(), rx, tx, selcal);
  delaysSet_ = rx != 0 || tx != 0 || selcal != 0;
  return ok;
}

bool DSProcReceiver::configureRxGain(char gain) {
  bool ok = DSProcReceiverService::instance().configureRxGain(dsproc_timeslot(), gain);
  rxGainSet_ = gain != 0;
  return ok;
}

bool DSProcReceiver::configureToneFilter(unsigned freq, unsigned enable, int durationMs, int levelDb) {
  return DSProcReceiverService::instance().configureToneFilter(dsproc_timeslot(), freq, enable, durationMs, levelDb);
}

bool DSProcReceiver::disableToneAll() { return DSProcReceiverService::instance().disableToneAll(*this); }

void DSProcReceiver::CleanBeforeDestroy() {
  if (vad_.state == 1) disableVAD();
  if (bss_.state == 1) disableBSS();
  if (ng_.state == 1) disableNG();
  if (delaysSet_) configureDelays(0, 0, 0);
  if (rxGainSet_) configureRxGain(0);
  disableToneAll();
}

// ---- service: requests ----

DSProcReceiverService& DSProcReceiverService::instance() {
  static DSProcReceiverService service;
  return service;
}

DSProcReceiverService::DSProcReceiverService() { init(); }

bool DSProcReceiverService::init() {
  Fd fd = detail::OpenDevice(GetDSPDevName(), O_RDWR, "open dsproc fail, VAD proceeding disabled: ");
  if (!fd) return false;
  event_.Bind<DSProcReceiverService>("DSProcReceiverService::OnEvent", &DSProcReceiverService::OnEvent, this);
  event_.Schedule(fd, POLLIN);
  return true;
}

bool DSProcReceiverService::Enable(char const* name, uint32_t kind, unsigned ts, uint32_t& id) {
  if (++counter_ == 0) counter_ = 1;
  Dev::Record<12> r;
  r.put32(0, ts);
  r.put32(4, counter_);
  r.put32(8, kind);
  if (Dev::ioctl(fd(), DSPROC_ENABLE, r) < 0) {
    std::cerr << "DSPROC_ENABLE " << name << " fail:" << " timeslot=" << ts << " id=" << counter_ << Err() << std::endl;
    return false;
  }
  std::cerr << "DSPROC_ENABLE " << name << " done:" << " timeslot=" << ts << " id=" << counter_ << std::endl;
  id = counter_;
  return true;
}

bool DSProcReceiverService::Disable(char const* name, uint32_t kind, unsigned ts) {
  Dev::Record<12> r;
  r.put32(0, ts);
  r.put32(8, kind);
  if (Dev::ioctl(fd(), DSPROC_DISABLE, r) < 0) {
    std::cerr << "DSPROC_DISABLE " << name << " fail:" << " timeslot=" << ts << Err() << std::endl;
    return false;
  }
  std::cerr << "DSPROC_DISABLE " << name << " done:" << " timeslot=" << ts << std::endl;
  return true;
}

bool DSProcReceiverService::Switch(DSProcReceiver::Function& f, char const* name, uint32_t kind, unsigned ts, bool on) {
  if (f.state != -1 && f.state == (on ? 1 : 0)) return true;
  if (on ? !Enable(name, kind, ts, f.id) : !Disable(name, kind, ts)) return false;
  f.state = on ? 1 : 0;
  return true;
}

bool DSProcReceiverService::enableVAD(DSProcReceiver& r, bool on) {
  return Switch(r.vad_, "VAD", VAD, r.dsproc_timeslot(), on);
}
bool DSProcReceiverService::enableBSS(DSProcReceiver& r, bool on) {
  return Switch(r.bss_, "BSS", BSS, r.dsproc_timeslot(), on);
}
bool DSProcReceiverService::enableNG(DSProcReceiver& r, bool on) {
  return Switch(r.ng_, "NG", NG, r.dsproc_timeslot(), on);
}
bool DSProcReceiverService::enableSD(DSProcReceiver& r, bool on) {
  return Switch(r.sd_, "SD", SD, r.dsproc_timeslot(), on);
}

bool DSProcReceiverService::enableMute(DSProcReceiver& r, bool rx, bool tx) {
  if (r.muteRx_ != -1 && r.muteTx_ != -1 && r.muteRx_ == rx && r.muteTx_ == tx) return true;
  unsigned ts = r.dsproc_timeslot();
  if (!rx && !tx) {
    if (!Disable("MUTE", MUTE_RX | MUTE_TX, ts)) return false;
  } else if (!Enable("MUTE", (rx ? uint32_t(MUTE_RX) : 0u) | (tx ? uint32_t(MUTE_TX) : 0u), ts, r.muteId_)) {
    return false;
  }
  r.muteRx_ = rx;
  r.muteTx_ = tx;
  return true;
}

bool DSProcReceiverService::Ready(char const* closedText, unsigned ts) {
  if (opened() || init()) return true;
  std::cerr << closedText << " timeslot=" << ts << std::endl;
  return false;
}

bool DSProcReceiverService::Configure(unsigned ts, uint32_t kind, uint8_t const (&params)[12], char const* failText) {
  Dev::Record<20> r;
  r.put32(0, ts);
  r.put32(4, kind);
  std::memcpy(r.bytes + 8, params, sizeof params);
  if (Dev::ioctl(fd(), DSPROC_CONFIGURE, r) < 0) {
    std::cerr << failText << " timeslot=" << ts << Err() << std::endl;
    return false;
  }
  return true;
}

bool DSProcReceiverService::configureVAD(unsigned ts, LGCP::VADParams const& params) {
  if (!Ready("configure VAD fail: (interface not opened)", ts)) return false;
  uint8_t p[12] = {};
  if (Dev::ioctlValue(fd(), DSPROC_VAD_VERSION, 0) == 2) {
    TERM::VADParamsV2 const* v2 = params.get_v2();
    if (v2 == nullptr) {
      std::cerr << "DSPROC_CONFIGURE VAD: params not specified for v2: " << " timeslot=" << ts << std::endl;
      return false;
    }
    long voice = v2->get_voice_th_msec().getValue(), silence = v2->get_silence_th_msec().getValue();
    long energy = v2->get_e_th_dB().getValue();
    if (!in16(voice) || !in16(silence) || !in8(energy)) {
      std::cerr << "DSPROC_CONFIGURE VAD fail: timeslot=" << ts << " parameters out of range" << std::endl;
      return false;
    }
    put16(p, voice);
    put16(p + 2, silence);
    p[4] = static_cast<uint8_t>(energy);
  } else {
    Dev::put32(p, 3);
    Dev::put32(p + 4, 127);
  }
  if (!Configure(ts, VAD, p, "DSPROC_CONFIGURE VAD fail:")) return false;
  std::clog << "DSPROC_CONFIGURE VAD" << " ts=" << ts << std::endl;
  return true;
}

bool DSProcReceiverService::configureSD(unsigned ts) {
  uint8_t p[12] = {};
  if (!Ready("configure SD fail: (interface not opened)", ts) || !Configure(ts, SD, p, "DSPROC_CONFIGURE SD fail:"))
    return false;
  std::clog << "DSPROC_CONFIGURE SD" << " ts=" << ts << std::endl;
  return true;
}

bool DSProcReceiverService::configureDelays(unsigned ts, unsigned rx, unsigned tx, unsigned selcal) {
  uint8_t p[12];
  Dev::put32(p, rx);
  Dev::put32(p + 4, tx);
  Dev::put32(p + 8, selcal);
  if (!Ready("configure Delays fail: (interface not opened)", ts) ||
      !Configure(ts, DELAYS, p, "DSPROC_CONFIGURE DELAYS fail:"))
    return false;
  std::clog << "DSPROC_CONFIGURE DELAYS" << " ts=" << ts << " rx=" << rx << " tx=" << tx << " selcal=" << selcal
            << std::endl;
  return true;
}

bool DSProcReceiverService::configureRxGain(unsigned ts, char gain) {
  uint8_t p[12] = {static_cast<uint8_t>(gain)};
  if (!Ready("Configure Rx gain fail: (interface not opened)", ts) ||
      !Configure(ts, RX_GAIN, p, "DSPROC_CONFIGURE Rx Gain fail:"))
    return false;
  std::clog << "DSPROC_CONFIGURE RX GAIN" << " ts=" << ts << " gain_dB=" << static_cast<int>(gain) << std::endl;
  return true;
}

bool DSProcReceiverService::configureToneFilter(unsigned ts, unsigned freq, unsigned enable, int durationMs,
                                                int levelDb) {
  if (!Ready("Configure Tone Filter fail: (interface not opened)", ts)) return false;
  // Each value has a field of 8 or 16 bits; a cut value would be another filter.
  if (!in16(freq) || enable > 0xFF || !in16(durationMs) || !in8(levelDb)) {
    std::cerr << "DSPROC_CONFIGURE Tone Filter fail:" << " timeslot=" << ts << " parameters out of range" << std::endl;
    return false;
  }
  uint8_t p[12] = {};
  put16(p, freq);
  p[2] = static_cast<uint8_t>(enable);
  put16(p + 4, durationMs);
  p[6] = static_cast<uint8_t>(levelDb);
  if (!Configure(ts, TONE_FILTER, p, "DSPROC_CONFIGURE Tone Filter fail:")) return false;
  std::clog << "DSPROC_CONFIGURE TONE FILTER" << " ts=" << ts << " freq=" << freq << ", en=" << enable
            << ", dur_th_msec=" << durationMs << ", det_lvl_dB=" << levelDb << std::endl;
  return true;
}

bool DSProcReceiverService::disableToneAll(DSProcReceiver& receiver) {
  unsigned ts = receiver.dsproc_timeslot();
  if (!Ready("Disable All Tone fail: (interface not opened)", ts)) return false;
  Dev::Record<12> r;
  r.put32(0, ts);
  r.put32(8, TONE_FILTER);
  if (Dev::ioctl(fd(), DSPROC_DISABLE, r) < 0) {
    std::cerr << "Disable All Tone fail:" << " timeslot=" << ts << Err() << std::endl;
    return false;
  }
  std::clog << "DISABLE ALL TONE done: " << " ts=" << ts << std::endl;
  return true;
}

// ---- service: events ----

void DSProcReceiverService::OnEvent(int fd, short revents) {
  detail::ServeEvents(event_, fd, revents, kEventSize, "dsproc", "fail to read from dsproc: ",
                      [this](uint8_t const* record) { Dispatch(record); });
}

void DSProcReceiverService::Dispatch(uint8_t const* record) {
  uint32_t ts = Dev::get32(record), id = Dev::get32(record + 4), type = Dev::get32(record + 8);
  uint32_t p[3] = {Dev::get32(record + 12), Dev::get32(record + 16), Dev::get32(record + 20)};
  float score;
  std::memcpy(&score, &p[0], sizeof score);
  bool const trace = traces.signalling_events;
  auto fields = [&](std::ostream& os) -> std::ostream& {
    return os << " timeslot=" << ts << " id=" << id << " type=" << type;
  };
  if (trace) {
    fields(std::clog << "dsproc event: ") << std::endl;
    if (type == EV_VAD)
      std::clog << "dsproc vad event: " << " dir_mask=" << p[0] << " vad_rx=" << p[1] << " vad_tx=" << p[2] << std::endl;
    else if (type == EV_SD)
      std::clog << "dsproc sd event: " << " sd_rx=" << p[0] << std::endl;
    else if (type == EV_BSS)
      std::clog << "dsproc bss event: " << " score=" << score << std::endl;
    else if (type == EV_FLAGS)
      std::clog << "dsproc flags event: " << " flags=" << ext::OutUnsignedInHex(p[0])
                << ", mask=" << ext::OutUnsignedInHex(p[1]) << std::endl;
  }
  DSProcReceiver* r = detail::FindReceiver<DSProcReceiver::Link>(receivers(), ts, &DSProcReceiver::dsproc_timeslot);
  if (r == nullptr) {
    if (trace) std::cerr << "receive dsproc event from unknown timeslot " << ts << std::endl;
    return;
  }
  // VAD and SD events count only for a function switched on by the request
  // they name. A dropped SD event is logged with the lines of a VAD event.
  auto current = [&](DSProcReceiver::Function const& f) {
    if (f.state != 1) {
      if (trace) fields(std::clog << "ignore spurious dsproc vad event (dsproc disabled): ") << std::endl;
      return false;
    }
    if (f.id != id) {
      if (trace) fields(std::clog << "ignore spurious dsproc vad event: ") << " rid=" << f.id << std::endl;
      return false;
    }
    return true;
  };
  switch (type) {
    case EV_VAD:
      if (current(r->vad_))
        r->dsproc_vad_event({(p[0] & 1) ? static_cast<int>(p[1]) : -1, (p[0] & 2) ? static_cast<int>(p[2]) : -1});
      break;
    case EV_SD:
      if (current(r->sd_)) r->dsproc_sd_event({static_cast<int>(p[0])});
      break;
    case EV_BSS:
      if (r->bss_.state == 0) {
        if (trace) fields(std::clog << "ignore spurious dsproc bss event (dsproc disabled): ") << std::endl;
      } else {
        ::dsproc_bss_event bss{score, p[1], p[2]};
        r->dsproc_bss_event(&bss);
      }
      break;
    case EV_TONE_FILTER: {
      ::dsproc_tone_event tone{p[0], p[1], p[2]};
      r->dsproc_tone_flt_event(&tone);
      break;
    }
    case EV_FLAGS: {
      ::dsproc_flags_event flags{p[0], p[1], p[2]};
      r->dsproc_flags_event(&flags);
      break;
    }
    default:
      break;
  }
}

}  // namespace Hardware
