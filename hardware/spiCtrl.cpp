#include "hardware/spiCtrl.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "hardware/TrunkReport.h"

namespace {

char const* const kHalDevice = "/dev/hal";
unsigned const kClockSlave = 48;
unsigned const kClockMaster = 56;
unsigned const kPowerDown = 128;
unsigned const kPowerUp = 0;
unsigned const kSlipBit = 1u << 5;

bool ValidChannel(int channel) { return channel >= 0 && channel < spiCtrl::kChannels; }

}  // namespace

spiCtrl& spiCtrl::instance() {
  static spiCtrl service;
  return service;
}

spiCtrl::spiCtrl() { init_device_and_channels(); }

spiCtrl::~spiCtrl() {
  if (fd_ < 0) return;
  timer_.reset();
  for (int c = 0; c < kChannels; ++c) disable_channel(c);
  clock(-1);
  Dev::close(fd_);
  fd_ = -1;
}

bool spiCtrl::Open() {
  if (fd_ >= 0) return true;
  // Close-on-exec, like every other descriptor: the modem and fax programs
  // have no business with the switch.
  fd_ = Dev::open(kHalDevice, O_RDWR | O_CLOEXEC);
  if (fd_ < 0) std::clog << "spi: /dev/hal open fail" << std::endl;
  return fd_ >= 0;
}

void spiCtrl::init_device_and_channels() {
  if (fd_ >= 0 || !present_) return;
  std::clog << "spi: try init" << std::endl;
  if (!Open()) return;
  // Channel 7 is left as the chip starts; it is still polled and clocked.
  for (int c = 0; c < kChannels - 1; ++c) {
    init_channel(c);
    enable_channel(c);
  }
}

bool spiCtrl::ChannelUsable(int channel, char const* operation) {
  if (!present_) return false;
  if (!ValidChannel(channel)) {
    std::clog << "spi: bad channel for " << operation << " " << channel << std::endl;
    return false;
  }
  Open();
  return true;
}

void spiCtrl::init_channel(int channel) {
  if (!ChannelUsable(channel, "init")) return;
  static unsigned const writes[][2] = {{kRegPower, kPowerDown}, {48, 8}, {kRegClock, kClockSlave}, {52, 96},
                                       {53, 0},                 {54, 0}, {55, 0}};
  for (auto const& w : writes) write(static_cast<unsigned>(channel), w[0], w[1]);
  std::clog << "spi: init channel " << channel << std::endl;
}

void spiCtrl::enable_channel(int channel) {
  if (!ChannelUsable(channel, "enable")) return;
  write(static_cast<unsigned>(channel), kRegPower, kPowerUp);
  std::clog << "spi: enable channel " << channel << std::endl;
}

void spiCtrl::disable_channel(int channel) {
  if (!ChannelUsable(channel, "disable")) return;
  write(static_cast<unsigned>(channel), kRegPower, kPowerDown);
  std::clog << "spi: disable channel " << channel << std::endl;
}

void spiCtrl::clock(int channel) {
  if (!present_) return;
  if (channel == -1) {
    SetClockRegisters(-1);
    std::clog << "spi: clock master disabled" << std::endl;
  } else if (ValidChannel(channel)) {
    SetClockRegisters(channel);
    std::clog << "spi: set clock master on channel " << channel << std::endl;
  } else {
    std::clog << "spi: bad channel for set clock master " << channel << std::endl;
  }
}

void spiCtrl::SetClockRegisters(int master) {
  for (unsigned c = 0; c < kChannels; ++c) write(c, kRegClock, kClockSlave);
  if (master >= 0) write(static_cast<unsigned>(master), kRegClock, kClockMaster);
}

bool spiCtrl::Request(uint32_t request, unsigned channel, unsigned reg, unsigned data, int& result) {
  if (fd_ < 0 || !present_) return false;
  Dev::Record<3> record;
  record.put8(0, static_cast<uint8_t>(channel));
  record.put8(1, static_cast<uint8_t>(reg));
  record.put8(2, static_cast<uint8_t>(data));
  result = Dev::ioctl(fd_, request, record);
  if (result >= 0) return true;
  if (errno == ENODEV) {
    present_ = false;
    timer_.reset();
    std::clog << "spi: hal without spi" << std::endl;
    return false;
  }
  if (request == kWriteRegister)
    std::clog << "spi: write error: channel=" << channel << " addr=" << reg << " data=" << data << std::endl;
  else
    std::clog << "spi: read error: channel=" << channel << " addr=" << reg << std::endl;
  return false;
}

void spiCtrl::write(unsigned channel, unsigned reg, unsigned data) {
  int result;
  Request(kWriteRegister, channel, reg, data, result);
}

unsigned spiCtrl::read(unsigned channel, unsigned reg) {
  int result = 0;
  if (!Request(kReadRegister, channel, reg, 0xFF, result)) return 0;
  return static_cast<unsigned>(result) & 0xFF;
}

void spiCtrl::OnConnect() {
  // A device that failed to open at start-up is tried again.
  init_device_and_channels();
  if (fd_ >= 0 && present_) timer_.set(kStatusPeriodMs, &spiCtrl::status, this);
}

ACP::TrunkState::NamedNumber spiCtrl::DecodeState(unsigned value) {
  if (!(value & 0x01)) return ACP::TrunkState::lossCarrier;
  if (!(value & 0x04)) return ACP::TrunkState::lossBF;
  switch (value & 0xC0) {
    case 0x80: return ACP::TrunkState::rai;
    case 0xC0: return ACP::TrunkState::normal;
    default: return ACP::TrunkState::ais;
  }
}

void spiCtrl::status() {
  if (!present_) return;
  for (int c = 0; c < kChannels; ++c) {
    unsigned const value = read(static_cast<unsigned>(c), kRegStatus);
    // A board without SPI has no lines to report, not eight lost carriers.
    if (!present_) return;
    bool const slip = (value & kSlipBit) != 0;
    TrunkCounters counters;
    counters.slips = slip && !bit5_[c] ? 1 : 0;
    bit5_[c] = slip;
    SendSignal(TrunkStatusSignal(c, DecodeState(value), ACP::TrunkType::bri, counters));
  }
  timer_.set(kStatusPeriodMs, &spiCtrl::status, this);
}
