#include "hardware/E1Ctl.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "core/Ext.h"
#include "hardware/DevNames.h"
#include "hardware/ReceiverSupport.h"
#include "hardware/TrunkReport.h"

namespace {

char const* const kCasDevice = "/dev/e1-cas";
int const kTimeSlots = 32;
int const kSignallingSlot = 16;

// Offsets in the trunk status record that the driver fills.
size_t const kSlipsAt = 36, kLossBFAt = 40, kLossCarrierAt = 44, kLossAISAt = 48, kLossRAIAt = 52, kStateAt = 76;

int Int32(Dev::Record<80> const& r, size_t at) { return static_cast<int>(r.get32(at)); }

}  // namespace

E1Ctl& E1Ctl::instance() {
  static E1Ctl service;
  return service;
}

E1Ctl::~E1Ctl() {
  if (maintenance_ >= 0) Dev::close(maintenance_);
}

std::ostream& E1Ctl::PutHeader(std::ostream& os) const { return os << "E1: "; }

void E1Ctl::OnConnect() {
  SendStatus();
  timer_.set(kStatusPeriodMs, &E1Ctl::OnCheckStatus, this);
  tclk_ = 0;
  UpdateTclk(0);
  CheckOpenCas();
}

void E1Ctl::OnCheckStatus(Timer*) {
  SendStatus();
  CheckOpenCas();
  timer_.set(kStatusPeriodMs, &E1Ctl::OnCheckStatus, this);
}

bool E1Ctl::OnCommand(LGCP::Command const& command) {
  if (LGCP::IoctlParams const* ioctl = command.get_ioctl())
    HandleCas(*ioctl);
  else if (LGCP::TrunkCfg const* cfg = command.get_trunkCfg())
    SetMode(*cfg);
  else
    return false;
  return true;
}

bool E1Ctl::OpenMaintenance() {
  if (maintenance_ < 0) maintenance_ = Dev::open(GetMaintenance(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  return maintenance_ >= 0;
}

void E1Ctl::SendStatus() {
  if (!OpenMaintenance()) return;
  for (int trunk = 0; trunk < kTrunks; ++trunk) {
    Dev::Record<80> record;
    record.put32(0, static_cast<uint32_t>(trunk));
    if (Dev::ioctl(maintenance_, kTrunkStatus, record) < 0) {
      std::cerr << ext::header(this) << "synchronization status read fail, trunk = " << trunk
                << " cause = " << std::strerror(errno) << std::endl;
      continue;
    }
    // A state word the controller's enumeration lacks would make the whole
    // report unsendable.
    uint32_t const state = record.get32(kStateAt);
    auto const reported = state <= ACP::TrunkState::disabled ? ACP::TrunkState::NamedNumber(state)
                                                              : ACP::TrunkState::unknown;
    TrunkCounters counters;
    counters.slips = Int32(record, kSlipsAt);
    counters.lossBF = Int32(record, kLossBFAt);
    counters.lossCarrier = Int32(record, kLossCarrierAt);
    counters.lossAIS = Int32(record, kLossAISAt);
    counters.lossRAI = Int32(record, kLossRAIAt);
    SendSignal(TrunkStatusSignal(trunk, reported, ACP::TrunkType::e1, counters));
  }
}

void E1Ctl::select_source(int source) {
  if (!OpenMaintenance() || Dev::ioctlValue(maintenance_, kClockSource, static_cast<unsigned long>(source)) < 0)
    std::cerr << ext::header(this) << "fail to set clock source" << std::endl;
}

void E1Ctl::SetMode(LGCP::TrunkCfg const& cfg) {
  int const trunk = cfg.get_trunk().getValue();
  if (trunk < 0) {  // no trunk: nothing to do
    Success();
    return;
  }
  if (trunk >= 32) {  // no bit in the mask
    Error(LGCP::ErrorCause::invalidParams);
    return;
  }
  uint32_t const bit = 1u << trunk;
  uint32_t mask = tclk_;
  switch (cfg.get_mode().getValue()) {
    case LGCP::TrunkMode::slave: mask |= bit; break;
    case LGCP::TrunkMode::master: mask &= ~bit; break;
    default: Success(); return;
  }
  // A refused command leaves the mask as it was.
  if (!OpenMaintenance())
    Error(LGCP::ErrorCause::unsupported);
  else if (!UpdateTclk(mask))
    Error(LGCP::ErrorCause::internal);
  else
    Success();
}

bool E1Ctl::UpdateTclk(uint32_t mask) {
  if (maintenance_ < 0) return false;
  if (Dev::ioctlValue(maintenance_, kTclkMask, mask) < 0) {
    std::cerr << ext::header(this) << "fail to set TCLK [cause=" << std::strerror(errno) << "]" << std::endl;
    return false;
  }
  tclk_ = mask;
  std::clog << ext::header(this) << "TCLT = " << ext::OutUnsignedInHex(tclk_) << std::endl;
  return true;
}

bool E1Ctl::CheckOpenCas() {
  if (cas_.valid()) return true;
  int const fd = Dev::open(kCasDevice, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  cas_ = Fd(fd);
  std::clog << ext::header(this) << "cas interface opened!" << std::endl;
  casEvent_.Bind("E1/Cas", &E1Ctl::OnUpdateCas, this);
  casEvent_.Schedule(cas_, POLLIN);
  return true;
}

void E1Ctl::CloseCas() {
  casEvent_.Release();
  cas_.close();
}

void E1Ctl::OnUpdateCas(int fd, short revents) {
  auto const end = Hardware::detail::ReadRecords(
      fd, revents, kCasRecordSize, "E1: cas", "E1: fail to read from cas: ", [this](uint8_t const* record) {
        SendCas(static_cast<int>(Dev::get32(record)), static_cast<int>(Dev::get32(record + 4)), record[8], record[9]);
      });
  if (end == Hardware::detail::ReadEnd::drained) return;
  // A device that failed or went away would wake the loop on every pass:
  // close it; the next status step opens it again.
  std::cerr << ext::header(this) << "cas interface failed, closed" << std::endl;
  CloseCas();
}

void E1Ctl::SendCas(int trunk, int ts, int rx, int tx) {
  LGCP::Signal signal;
  LGCP::CasSignalling& cas = signal.set_cas();
  cas.get_channel().set_path(trunk);
  cas.get_channel().set_timeslot(ts);
  cas.set_rx(rx);
  cas.set_tx(tx);
  SendSignal(signal);
}

int E1Ctl::CasRequest(uint32_t request, int trunk, int ts, int tx, int flag, Dev::Record<16>& record) {
  record = Dev::Record<16>();
  record.put32(0, static_cast<uint32_t>(trunk));
  record.put32(4, static_cast<uint32_t>(ts));
  record.put8(9, static_cast<uint8_t>(tx & 15));
  record.put32(12, static_cast<uint32_t>(flag));  // read only by the enable request
  return Dev::ioctl(cas_.get(), request, record);
}

int E1Ctl::CasRequest(uint32_t request, int trunk, int ts, int tx, int flag) {
  Dev::Record<16> record;
  return CasRequest(request, trunk, ts, tx, flag, record);
}

void E1Ctl::CasReport(int trunk, int ts) {
  Dev::Record<16> record;
  int const r = CasRequest(kCasGet, trunk, ts, 0, 0, record);
  if (r < 0)
    SendCas(trunk, ts, r, 0);
  else
    SendCas(trunk, ts, record.get8(8), record.get8(9));
}

void E1Ctl::HandleCas(LGCP::IoctlParams const& params) {
  LGCP::CasCommand const* command = params.get_cas();
  if (command == nullptr) {  // no other request reaches the board without a slot
    Error(LGCP::ErrorCause::unsupported);
    return;
  }
  int const trunk = command->get_channel().get_path().getValue();
  int const ts = command->get_channel().get_timeslot().getValue();
  if (trunk < 0 || trunk >= kTrunks || ts < 0 || ts >= kTimeSlots) {
    Error(LGCP::ErrorCause::invalidParams);
    return;
  }
  if (!CheckOpenCas()) {
    Error(LGCP::ErrorCause::unsupported);
    return;
  }
  LGCP::CasCommandSignal const& cmd = command->get_cmd();
  if (ASN1::INTEGER const* value = cmd.get_open())
    CasOpen(trunk, ts, value->getValue());
  else if (cmd.get_close())
    CasClose(trunk, ts);
  else if (ASN1::INTEGER const* value = cmd.get_set())
    CasSet(trunk, ts, value->getValue());
  else if (cmd.get_get() && casOpen_[trunk])
    CasReport(trunk, ts);
  Success();
}

void E1Ctl::CasOpen(int trunk, int ts, int value) {
  if (!casOpen_[trunk]) {
    int const r = Dev::ioctlValue(cas_.get(), kCasOpen, static_cast<unsigned long>(trunk));
    SendCas(trunk, 0, r, 0);
    if (r < 0) {
      std::clog << ext::header(this) << "open cas signalling on trunk(" << trunk << ") - fail(" << r << ")"
                << std::endl;
      return;
    }
    std::clog << ext::header(this) << "open cas signalling on trunk(" << trunk << ") - ok" << std::endl;
    casOpen_[trunk] = true;
  } else {
    SendCas(trunk, 0, 0, 0);
  }
  if (ts == 0 || ts == kSignallingSlot) return;
  int const r = CasRequest(kCasChannelEnable, trunk, ts, value, kEnable);
  if (r < 0)
    SendCas(trunk, ts, r, 0);
  else
    CasReport(trunk, ts);
}

void E1Ctl::CasClose(int trunk, int ts) {
  if (ts == 0) {
    int r = Dev::ioctlValue(cas_.get(), kCasClose, static_cast<unsigned long>(trunk));
    if (r == 0) r = 1;
    SendCas(trunk, 0, r, 0);
    if (r >= 0) casOpen_[trunk] = false;
    return;
  }
  if (!casOpen_[trunk] || ts == kSignallingSlot) return;
  int const r = CasRequest(kCasChannelEnable, trunk, ts, 0, kDisable);
  if (r < 0)
    SendCas(trunk, ts, r, 0);
  else
    SendCas(trunk, ts, -1, 1);
}

void E1Ctl::CasSet(int trunk, int ts, int value) {
  if (!casOpen_[trunk]) return;
  int const r = CasRequest(kCasSet, trunk, ts, value, 0);
  if (r < 0)
    SendCas(trunk, ts, r, 0);
  else
    CasReport(trunk, ts);
}
