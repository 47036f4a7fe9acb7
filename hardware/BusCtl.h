#pragma once
#include <cstdint>
#include <iosfwd>

#include "control/CtrlSrv.h"
#include "hardware/Device.h"

// The clock source of the board's TDM bus, selected through "/dev/hal" by
// source number. Answers the controller's "clockCfg" and returns the bus to
// the free-running clock whenever a controller connects or disconnects.
// Clock control can be switched off for the whole run; then "clockCfg" is
// refused as unsupported and the device is never opened.
class BusCtl : public CtrlSrv::Service {
 public:
  static constexpr uint32_t kClockSelect = Dev::iow('C', 1, 4);  // 0x80044301
  static constexpr int kFreeRun = 4;
  static constexpr int kX3 = 5;

  static BusCtl& instance();
  ~BusCtl() override;

  void DisableControl();
  bool enabled() const { return enabled_; }

  void OnConnect() override { SetDefaultClock(); }
  void OnDisconnect() override { SetDefaultClock(); }
  bool OnCommand(LGCP::Command const& command) override;

  // Each returns false when the clock could not be set.
  bool SetClockSrc(LGCP::ClockCfg const& cfg);
  bool DrvSetClkSrc(int source);
  bool IsOpen();
  std::ostream& PutHeader(std::ostream& os) const;

 private:
  BusCtl() = default;
  void SetDefaultClock();

  int fd_ = -1;
  bool enabled_ = true;
};
