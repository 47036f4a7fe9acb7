#include "hardware/HDLC.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <new>

#include "control/TraceCtl.h"
#include "core/Ext.h"
#include "core/Fd.h"
#include "hardware/Device.h"
#include "hardware/HwMux.h"
#include "hardware/ReceiverSupport.h"

namespace {

char const* const kDevice = "/dev/mcc/ctl";

class Unbound : public HDLC::Notify {
 public:
  void on_hdlc_receive(Packet&) override {}
  void on_hdlc_error(Cause::Type) override {}
  void on_hdlc_ready() override {}
};

HDLC::Notify* unbound() {
  static Unbound none;
  return &none;
}

// The controller's mode word of a channel mode; -1 for a mode it has not.
int modeWord(int mode) {
  switch (mode) {
    case 0: return 3;
    case 1: return 0;
    case 2: return 1;
    default: return -1;
  }
}

}  // namespace

HDLC::HDLC() : notify(unbound()) {}

HDLC::~HDLC() {
  if (alive_) *alive_ = false;
}

std::ostream& HDLC::PutHeader(std::ostream& os) const {
  return os << "hdlc" << " [" << trunk << "/" << params.timeslot << "]: ";
}

void HDLC::set_notify(Notify* receiver) { notify = receiver ? receiver : unbound(); }

void HDLC::unbind() { notify = unbound(); }

bool HDLC::activate() {
  deactivate();
  txSU = txDiscard = txError = txOverflow = rxSU = 0;
  int word = modeWord(params.mode);
  if (word < 0) {
    std::cerr << ext::header(this) << "unsupported mode " << params.mode << std::endl;
    return false;
  }
  // A channel with no line time slot would carry nothing.
  if (params.tdm < 0 || (params.mode == 2 && params.tdm2 < 0)) {
    std::cerr << ext::header(this) << "no line time slot (tdm=" << params.tdm << " tdm2=" << params.tdm2 << ")"
              << std::endl;
    return false;
  }
  Fd fd(Dev::open(kDevice, O_RDWR | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    std::cerr << ext::header(this) << "fail to open MCC device: " << std::strerror(errno) << std::endl;
    return false;
  }
  Dev::Record<20> allocate;
  allocate.put32(0, static_cast<uint32_t>(word));
  allocate.put32(4, 512);
  allocate.put32(8, 0);
  allocate.put32(12, 1);
  allocate.put32(16, 4);
  if (Dev::ioctl(fd.get(), MCC_ALLOCATE, allocate) == -1) {
    std::cerr << ext::header(this) << "MCC_ALLOCATE fail: " << std::strerror(errno) << std::endl;
    return false;
  }
  int ts = Dev::ioctlValue(fd.get(), MCC_TIMESLOT, 0);
  if (ts < 0) {
    std::cerr << ext::header(this) << "MCC_TIMESLOT fail: " << std::strerror(errno) << std::endl;
    return false;
  }
  // A time slot the switch does not have would leave the channel unconnected.
  if (ts > HwMux::kLastChannel) {
    std::cerr << ext::header(this) << "MCC_TIMESLOT fail: time slot " << ts << " out of range" << std::endl;
    return false;
  }
  HwMux& mux = HwMux::instance();
  mux.Connect(ts, params.mode == 2 ? params.tdm2 : params.tdm);
  mux.Connect(params.tdm, ts);

  m_event.Bind<HDLC>("HDLC::OnEvent", &HDLC::on_event, this);
  m_event.Schedule(fd, POLLIN | POLLOUT);
  ready = false;
  if (traces.signalling_hdlc) std::clog << ext::header(this) << "activated" << std::endl;
  return true;
}

void HDLC::deactivate() {
  m_event.Release();
  m_resume.reset();
  ready = paused = starving = false;
  if (traces.signalling_hdlc) std::clog << ext::header(this) << "deactivated" << std::endl;
}

bool HDLC::hdlc_transmit(Packet& frame) {
  if (frame.length() == 0) return true;
  if (!is_open()) {
    ++txDiscard;
    return false;
  }
  if (traces.signalling_hdlc) std::clog << "HDLC[" << trunk << "]: tx " << frame.text() << std::endl;
  for (;;) {
    if (Dev::write(m_event.fd().get(), frame.data(), frame.length()) >= 0) {
      ++txSU;
      return true;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN) {
      ready = false;
      Watch();
      return false;
    }
    ++txError;
    return false;
  }
}

void HDLC::Watch() { m_event.Schedule(m_event.fd(), static_cast<short>((paused ? 0 : POLLIN) | (ready ? 0 : POLLOUT))); }

void HDLC::ResumeReading() {
  paused = false;
  if (is_open()) Watch();
}

void HDLC::on_event(int, short revents) {
  bool alive = true;
  alive_ = &alive;
  if (revents & (POLLIN | Hardware::detail::kDeviceFailure)) do_read(revents);
  if (!alive) return;
  alive_ = nullptr;
  if ((revents & POLLOUT) && !ready && is_open()) {
    ready = true;
    Watch();
    notify->on_hdlc_ready();
  }
}

// Closes the channel after a read failure or a hang-up and tells the owner.
void HDLC::fail(char const* cause) {
  std::cerr << ext::header(this) << "read error: " << cause << std::endl;
  deactivate();
  notify->on_hdlc_error(Notify::Cause::readError);
}

// Reads every frame the controller holds; called with alive_ set.
void HDLC::do_read(short revents) {
  bool const& alive = *alive_;
  bool const failed = (revents & Hardware::detail::kDeviceFailure) != 0;
  if (traces.signalling_hdlc) std::clog << ext::header(this) << "do_read" << std::endl;
  if (!is_open()) {
    std::clog << ext::header(this) << "do_read: !m_event.IsActive()" << std::endl;
    return;
  }
  for (;;) {
    Packet frame;
    try {
      frame.reserve_head(0);
    } catch (std::bad_alloc const&) {
      if (failed) return fail("channel hung up or failed");
      // The frames stay with the controller; reading pauses until a buffer
      // may be free again, with one line for the whole episode.
      if (!starving) std::cerr << ext::header(this) << "read: no free packet, reading paused" << std::endl;
      starving = paused = true;
      Watch();
      m_resume.set(kNoPacketRetryMs, &HDLC::ResumeReading, this);
      return;
    }
    starving = false;
    _Packet* buffer = frame.operator->();
    ssize_t n = Dev::read(m_event.fd().get(), buffer->tail, buffer->_tailroom());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN && !failed) return;
    if (n == 0 || (n < 0 && errno == EAGAIN)) return fail("channel hung up or failed");
    if (n < 0) return fail(std::strerror(errno));
    buffer->tail += n;
    if (traces.signalling_hdlc) std::clog << "HDLC[" << trunk << "]: rx " << frame.text() << std::endl;
    ++rxSU;
    notify->on_hdlc_receive(frame);
    if (!alive || !is_open()) return;
  }
}
