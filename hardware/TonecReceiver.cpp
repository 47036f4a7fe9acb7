#include "hardware/TonecReceiver.h"

#include <fcntl.h>
#include <poll.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <utility>

#include "core/Fd.h"
#include "hardware/DevNames.h"
#include "hardware/Device.h"
#include "hardware/ReceiverSupport.h"

namespace Hardware {

namespace {

using detail::Err;

// The live receivers, oldest first. The head has no destructor, so receivers
// that outlive the static objects at exit still unlink safely.
Containers::CyclicList& receivers() {
  static Containers::CyclicList head;
  return head;
}

unsigned short const kDefaultLevel = 16384;
unsigned const kDefaultDuration = 70;
int const kDefaultSelcalAmp = 12000;

int optional(ASN1::SEQUENCE const& s, unsigned index, ASN1::INTEGER const& value, int fallback) {
  return s.isPresent(index) ? value.getValue() : fallback;
}

bool in16(int v) { return v >= 0 && v <= 0xFFFF; }

// Digit lists the generator can play: 16-bit frequencies and levels and
// durations that are not negative.
bool playable(LGCP::TranslateDtmfParams const& p) {
  auto const& digits = p.get_digits();
  for (size_t i = 0; i < digits.size(); ++i)
    if (!in16(digits[i].get_freq1().getValue()) || !in16(digits[i].get_freq2().getValue())) return false;
  return in16(optional(p, 1, p.get_amp1(), kDefaultLevel)) && in16(optional(p, 2, p.get_amp2(), kDefaultLevel)) &&
         optional(p, 3, p.get_toneDuration(), 0) >= 0 && optional(p, 4, p.get_pauseDuration(), 0) >= 0;
}

}  // namespace

// ---- receiver ----

TonecReceiver::TonecReceiver() {
  link_.owner = this;
  link_.InsertBefore(&receivers());
}

TonecReceiver::~TonecReceiver() {
  link_.Remove();
  toneTimer_.reset();
}

bool TonecReceiver::enableDTMF(bool on) {
  if (!TonecReceiverService::instance().enableDTMF(*this, on)) return false;
  dtmfOn_ = on;
  return true;
}

bool TonecReceiver::configureDTMF(LGCP::DTMFParams const& params) {
  return TonecReceiverService::instance().configureDTMF(tonec_timeslot(), params);
}

bool TonecReceiver::configureIVA(LGCP::IVAParams const& params) {
  return TonecReceiverService::instance().configureIVA(*this, params);
}

bool TonecReceiver::enableIVA(bool on) {
  if (!TonecReceiverService::instance().enableIVA(*this, on)) return false;
  ivaOn_ = on;
  return true;
}

bool TonecReceiver::enableDTMFReject(bool on) {
  if (!TonecReceiverService::instance().enableDTMFReject(tonec_timeslot(), on)) return false;
  rejectOn_ = on;
  return true;
}

bool TonecReceiver::echoCancel(bool on) { return TonecReceiverService::instance().echoCancel(tonec_timeslot(), on); }

bool TonecReceiver::translateSelcal(TERM::SelcalCommand const& command) {
  return TonecReceiverService::instance().translateSelcal(*this, command);
}

bool TonecReceiver::enableToneGenerator(unsigned short f1, unsigned short f2, unsigned short l1, unsigned short l2) {
  return TonecReceiverService::instance().enableToneGenerator(tonec_timeslot(), f1, f2, l1, l2);
}

bool TonecReceiver::disableToneGenerator(bool force) {
  if (!force && !playing_) return false;
  if (playing_) {
    toneTimer_.reset();
    playing_ = false;
  }
  return enableToneGenerator(0, 0, 0, 0);
}

bool TonecReceiver::translateDTMF(LGCP::TranslateDtmfParams const& params) {
  if (!playable(params)) {
    std::cerr << "translate DTMF fail: timeslot=" << tonec_timeslot() << " (values out of range)" << std::endl;
    return false;
  }
  playout_ = params;
  if (!playing_) {
    playing_ = true;
    DigitStep();
  }
  return true;
}

void TonecReceiver::DigitStep() {
  auto& digits = playout_.get_digits();
  if (digits.empty()) {
    disableToneGenerator(true);
    tone_gen_complete();
    return;
  }
  int f1 = digits[0].get_freq1().getValue(), f2 = digits[0].get_freq2().getValue();
  digits.erase(digits.begin());
  enableToneGenerator(static_cast<unsigned short>(f1), static_cast<unsigned short>(f2),
                      static_cast<unsigned short>(optional(playout_, 1, playout_.get_amp1(), kDefaultLevel)),
                      static_cast<unsigned short>(optional(playout_, 2, playout_.get_amp2(), kDefaultLevel)));
  toneTimer_.set(static_cast<unsigned>(optional(playout_, 3, playout_.get_toneDuration(), kDefaultDuration)),
                 &TonecReceiver::PauseStep, this);
}

void TonecReceiver::PauseStep() {
  enableSilence();
  toneTimer_.set(static_cast<unsigned>(optional(playout_, 4, playout_.get_pauseDuration(), kDefaultDuration)),
                 &TonecReceiver::DigitStep, this);
}

void TonecReceiver::activateAudibleCall() {
  // The wait tone takes the generator: a running playout ends here, so that
  // the next digit list starts a playout of its own, and its owner hears of
  // the end as of any other.
  bool const ended = std::exchange(playing_, false);
  CallToneStep();
  if (ended) tone_gen_complete();
}

void TonecReceiver::CallToneStep() {
  enableToneGenerator(425, 0, 2048, 2048);
  toneTimer_.set(1000, &TonecReceiver::CallSilenceStep, this);
}

void TonecReceiver::CallSilenceStep() {
  enableSilence();
  toneTimer_.set(3000, &TonecReceiver::CallToneStep, this);
}

void TonecReceiver::cancelAudibleCall() {
  if (playing_) return;
  toneTimer_.reset();
  enableToneGenerator(0, 0, 0, 0);
}

void TonecReceiver::CleanBeforeDestroy() {
  if (dtmfOn_) disableDTMF();
  if (ivaOn_) enableIVA(false);
  if (rejectOn_) enableDTMFReject(false);
}

// ---- service ----

TonecReceiverService& TonecReceiverService::instance() {
  static TonecReceiverService service;
  return service;
}

TonecReceiverService::TonecReceiverService() { init(); }

bool TonecReceiverService::init() {
  Fd fd = detail::OpenDevice(GetDTMFDevName(), O_RDONLY, "open tonec fail, DTMF proceeding disabled: ");
  if (!fd) return false;
  event_.Bind<TonecReceiverService>("TonecReceiverService::OnEvent", &TonecReceiverService::OnEvent, this);
  event_.Schedule(fd, POLLIN);
  return true;
}

bool TonecReceiverService::configureDTMF(unsigned ts, LGCP::DTMFParams const& params) {
  if (!opened() && !init()) {
    std::cerr << "configure DTMF fail: (interface not opened)" << " timeslot=" << ts << std::endl;
    return false;
  }
  unsigned twist = params.get_threshold().get_twist().getValue();
  unsigned ratio = params.get_threshold().get_ratio().getValue();
  unsigned noise = params.get_threshold().get_noise().getValue();
  unsigned silence = params.get_level().get_silence().getValue();
  Dev::Record<20> r;
  r.put32(0, ts);
  r.put32(4, twist);
  r.put32(8, ratio);
  r.put32(12, silence);
  r.put32(16, noise);
  if (Dev::ioctl(fd(), DTMF_CONFIGURE_DETECTOR, r) < 0) {
    std::cerr << "DTMF_CONFIGURE_DETECTOR fail:" << " timeslot=" << ts << Err() << std::endl;
    return false;
  }
  std::clog << "DTMF_CONFIGURE_DETECTOR" << " ts=" << ts << " twist=" << twist << " ratio=" << ratio
            << " noise=" << noise << " silence=" << silence << std::endl;
  return true;
}

bool TonecReceiverService::Switch(Toggle const& t, bool on, unsigned ts) {
  char const* suffix = on ? t.onText : t.offText;
  if (Dev::ioctlValue(fd(), on ? t.onRequest : t.offRequest, ts) < 0) {
    std::cerr << t.name << suffix << " fail:" << " timeslot=" << ts << Err() << std::endl;
    return false;
  }
  std::clog << t.name << suffix << "[" << ts << "] ok" << std::endl;
  return true;
}

bool TonecReceiverService::echoCancel(unsigned ts, bool on) {
  return Switch({"CHANNEL_LMS", "_ON", "_OFF", CHANNEL_LMS_ON, CHANNEL_LMS_OFF}, on, ts);
}

bool TonecReceiverService::enableDTMFReject(unsigned ts, bool on) {
  return Switch({"DTMF_REJECTION", "_ENABLE", "_DISABLE", DTMF_REJECTION_ENABLE, DTMF_REJECTION_DISABLE}, on, ts);
}

bool TonecReceiverService::enableIVA(TonecReceiver& receiver, bool on) {
  Toggle const iva{"IVA_DETECTOR", "_ENABLE", "_DISABLE", IVA_DETECTOR_ENABLE, IVA_DETECTOR_DISABLE};
  if (!Switch(iva, on, receiver.tonec_timeslot())) return false;
  receiver.eventsEnabled_ = on;
  return true;
}

bool TonecReceiverService::enableDTMF(TonecReceiver& receiver, bool on) {
  if (receiver.eventsEnabled_ == on) return true;
  unsigned ts = receiver.tonec_timeslot();
  if (on) {
    if (++counter_ == 0) counter_ = 1;
    Dev::Record<8> r;
    r.put32(0, ts);
    r.put32(4, counter_);
    if (Dev::ioctl(fd(), DTMF_ENABLE_DETECTOR, r) < 0) {
      std::cerr << "DTMF_ENABLE_DETECTOR fail:" << " timeslot=" << ts << " id=" << counter_ << Err() << std::endl;
      return false;
    }
    std::cerr << "DTMF_ENABLE_DETECTOR done:" << " timeslot=" << ts << " id=" << counter_ << std::endl;
    receiver.requestId_ = counter_;
    receiver.eventsEnabled_ = true;
    return true;
  }
  if (Dev::ioctlValue(fd(), DTMF_DISABLE_DETECTOR, ts) < 0) {
    std::cerr << "DTMF_DISABLE_DETECTOR fail:" << " timeslot=" << ts << Err() << std::endl;
    return false;
  }
  std::cerr << "DTMF_DISABLE_DETECTOR done:" << " timeslot=" << ts << std::endl;
  receiver.eventsEnabled_ = false;
  return true;
}

bool TonecReceiverService::enableToneGenerator(unsigned ts, unsigned short f1, unsigned short f2, unsigned short l1,
                                               unsigned short l2) {
  Dev::Record<12> r;
  r.put32(0, ts);
  r.put16(4, f1);
  r.put16(6, f2);
  r.put16(8, l1);
  r.put16(10, l2);
  if (Dev::ioctl(fd(), DTMF_DIAL, r) < 0) {
    std::cerr << "DTMF_DIAL fail:" << " timeslot=" << ts << Err() << std::endl;
    return false;
  }
  return true;
}

bool TonecReceiverService::configureIVA(TonecReceiver& receiver, LGCP::IVAParams const& params) {
  unsigned ts = receiver.tonec_timeslot();
  if (!opened() && !init()) {
    std::cerr << "configure IVA fail: (interface not opened)" << " timeslot=" << ts << std::endl;
    return false;
  }
  int level = params.get_det_lvl_dB().getValue();
  Dev::Record<8> r;
  r.put32(0, ts);
  r.put32(4, static_cast<uint32_t>(level));
  if (Dev::ioctl(fd(), IVA_CONFIGURE_DETECTOR, r) < 0) {
    std::cerr << "IVA_CONFIGURE_DETECTOR fail:" << " timeslot=" << ts << Err() << std::endl;
    return false;
  }
  std::clog << "IVA_CONFIGURE_DETECTOR" << " ts=" << ts << " det_lvl_dB=" << level << std::endl;
  return true;
}

bool TonecReceiverService::translateSelcal(TonecReceiver& receiver, TERM::SelcalCommand const& command) {
  unsigned ts = receiver.tonec_timeslot();
  std::string const& signs = command.get_signs();
  if (signs.size() < 4) {
    std::cerr << "SELCAL_DIAL fail:" << " timeslot=" << ts << " incorect signs:" << signs << std::endl;
    return false;
  }
  int amp = command.isPresent(0) ? command.get_amp().getValue() : kDefaultSelcalAmp;
  if (!in16(amp)) {
    std::cerr << "SELCAL_DIAL fail:" << " timeslot=" << ts << " amp out of range:" << amp << std::endl;
    return false;
  }
  Dev::Record<12> r;
  r.put32(0, ts);
  r.put16(4, static_cast<uint16_t>(amp));
  std::memcpy(r.bytes + 6, signs.data(), 4);
  if (Dev::ioctl(fd(), SELCAL_DIAL, r) < 0) {
    std::cerr << "SELCAL_DIAL fail:" << " timeslot=" << ts << Err() << std::endl;
    return false;
  }
  return true;
}

void TonecReceiverService::OnEvent(int fd, short revents) {
  detail::ServeEvents(event_, fd, revents, kEventSize, "dtmf", "fail to read from tonec: ",
                      [this](uint8_t const* record) { Dispatch(record); });
}

void TonecReceiverService::Dispatch(uint8_t const* record) {
  uint32_t code = Dev::get32(record), ts = Dev::get32(record + 4);
  uint32_t timestamp = Dev::get32(record + 8), id = Dev::get32(record + 12);
  auto fields = [&](std::ostream& os) -> std::ostream& {
    return os << " timestamp=" << timestamp << " timeslot=" << ts << " code=" << code << " id=" << id;
  };
  fields(std::clog << "dtmf event: ") << std::endl;
  TonecReceiver* r = detail::FindReceiver<TonecReceiver::Link>(receivers(), ts, &TonecReceiver::tonec_timeslot);
  if (r == nullptr) {
    std::cerr << "receive tonec event from unknown timeslot " << ts << std::endl;
  } else if (!r->eventsEnabled_) {
    fields(std::clog << "ignore spurious dtmf event (DTMF disabled): ") << std::endl;
  } else if (r->requestId_ != id) {
    fields(std::clog << "ignore spurious dtmf event: ") << " rid=" << r->requestId_ << std::endl;
  } else {
    r->tonec_event(TonecReceiver::Params{code, timestamp});
  }
}

}  // namespace Hardware
