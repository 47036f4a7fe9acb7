#include "hardware/BusCtl.h"

#include <fcntl.h>
#include <unistd.h>

#include <iostream>

#include "core/Ext.h"
#include "hardware/spiCtrl.h"

namespace {

char const* const kHalDevice = "/dev/hal";

// The name of a source number; sources above 7 have none and print as numbers.
void PutSourceName(std::ostream& os, int source) {
  static char const* const names[] = {"f0", "f1", "f2", "f3", "freerun", "X3", "?1", "?2"};
  if (source >= 0 && source < 8)
    os << names[source];
  else
    os << "source " << source;
}

}  // namespace

BusCtl& BusCtl::instance() {
  static BusCtl service;
  return service;
}

BusCtl::~BusCtl() {
  if (fd_ >= 0) Dev::close(fd_);
}

std::ostream& BusCtl::PutHeader(std::ostream& os) const { return os << "clkctl: "; }

void BusCtl::DisableControl() {
  enabled_ = false;
  std::clog << ext::header(this) << "clock control disabled." << std::endl;
}

void BusCtl::SetDefaultClock() {
  if (!enabled_) return;
  LGCP::ClockCfg cfg;
  cfg.set_clkSel0(LGCP::ClkSel0::internal);
  cfg.set_bextEn(LGCP::BExtEn::disabled);
  cfg.set_source(-1);
  SetClockSrc(cfg);
}

bool BusCtl::OnCommand(LGCP::Command const& command) {
  LGCP::ClockCfg const* cfg = command.get_clockCfg();
  if (cfg == nullptr) return false;
  if (!enabled_) {
    Error(LGCP::ErrorCause::unsupported);
    return true;
  }
  if (SetClockSrc(*cfg))
    Success();
  else  // the controller must not take the bus clock for set
    Error(fd_ < 0 ? LGCP::ErrorCause::unsupported : LGCP::ErrorCause::internal);
  return true;
}

bool BusCtl::IsOpen() {
  if (fd_ >= 0) return true;
  if (!enabled_) return false;
  fd_ = Dev::open(kHalDevice, O_RDWR | O_CLOEXEC);
  return fd_ >= 0;
}

bool BusCtl::SetClockSrc(LGCP::ClockCfg const& cfg) {
  if (!IsOpen()) {
    spiCtrl::instance().clock(-1);
    std::cerr << ext::header(this) << "set clock source fail: code 1." << std::endl;
    return false;
  }
  std::cerr << ext::header(this) << "set clock source cmd: " << cfg << std::endl;
  if (cfg.get_clkSel0().getValue() == LGCP::ClkSel0::internal) return DrvSetClkSrc(kFreeRun);
  if (cfg.get_bextEn().getValue() == LGCP::BExtEn::disabled) return DrvSetClkSrc(kX3);
  if (cfg.get_source().getValue() >= 0) return DrvSetClkSrc(cfg.get_source().getValue());
  return true;  // no source named: the clock stays as it is
}

bool BusCtl::DrvSetClkSrc(int source) {
  if (!IsOpen()) {
    std::cerr << ext::header(this) << "device open error" << std::endl;
    return false;
  }
  Dev::Record<4> record;
  record.put32(0, static_cast<uint32_t>(source));
  if (Dev::ioctl(fd_, kClockSelect, record) < 0) {
    std::cerr << ext::header(this) << "HW_CLOCK_SELECT fail." << std::endl;
    return false;
  }
  std::cerr << ext::header(this) << "clock source = ";
  PutSourceName(std::cerr, source);
  std::cerr << std::endl;
  return true;
}
