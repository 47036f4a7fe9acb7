#pragma once
#include <array>
#include <cstdint>

#include "control/CtrlSrv.h"
#include "core/Multiplexer.h"
#include "hardware/Device.h"
#include "protocols/ACP.h"

// The line-interface chips of the board's eight BRI line channels, reached as
// byte registers over SPI through "/dev/hal". Initialises and enables the
// channels at start-up; from one second after a controller connects until it
// disconnects, reports each channel's line state once a second as a
// "trunkStatus" signal of type bri; can make one channel the clock master.
// A "/dev/hal" without SPI is noticed at the first register access that says
// so, logged once, and left alone from then on.
class spiCtrl : public CtrlSrv::Service {
 public:
  static constexpr uint32_t kWriteRegister = Dev::iowr('B', 4, 3);  // 0xC0034204
  static constexpr uint32_t kReadRegister = Dev::iowr('B', 3, 3);   // 0xC0034203
  static constexpr int kChannels = 8;
  static constexpr unsigned kStatusPeriodMs = 1000;
  // Registers of the line-interface chip.
  static constexpr unsigned kRegPower = 50;
  static constexpr unsigned kRegStatus = 51;
  static constexpr unsigned kRegClock = 87;

  static spiCtrl& instance();
  ~spiCtrl() override;

  void init_device_and_channels();
  void init_channel(int channel);
  void enable_channel(int channel);
  void disable_channel(int channel);
  // -1 releases the clock master; 0..7 makes that channel the master.
  void clock(int channel);
  void write(unsigned channel, unsigned reg, unsigned data);
  // The register's value; 0 when nothing could be read.
  unsigned read(unsigned channel, unsigned reg);

  void OnConnect() override;
  void OnDisconnect() override { timer_.reset(); }
  bool OnCommand(LGCP::Command const&) override { return false; }
  // The status step: one report per channel, then the next step in a second.
  void status();

  // The line state a status register value reports.
  static ACP::TrunkState::NamedNumber DecodeState(unsigned value);

  bool opened() const { return fd_ >= 0; }
  bool present() const { return present_; }
  bool reporting() const { return timer_.pending(); }

 private:
  spiCtrl();
  bool Open();
  // True when the channel's registers may be written (SPI present, channel
  // 0..7, device opened if it can be); a bad channel is logged.
  bool ChannelUsable(int channel, char const* operation);
  // Issues one register request; false when it failed.
  bool Request(uint32_t request, unsigned channel, unsigned reg, unsigned data, int& result);
  void SetClockRegisters(int master);

  int fd_ = -1;
  Timer timer_;
  bool present_ = true;
  std::array<bool, kChannels> bit5_{};
};
