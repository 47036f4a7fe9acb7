#include "hardware/HwMux.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "core/Ext.h"
#include "core/Fd.h"
#include "hardware/Device.h"

namespace {

char const* const kDevice = "/dev/hal";

int request2(int fd, uint32_t request, uint32_t first, uint32_t second, uint32_t* answer = nullptr) {
  Dev::Record<8> r;
  r.put32(0, first);
  r.put32(4, second);
  int result = Dev::ioctl(fd, request, r);
  if (answer) *answer = r.get32(4);
  return result;
}

int disable(int fd, int ch) {
  Dev::Record<4> r;
  r.put32(0, static_cast<uint32_t>(ch));
  return Dev::ioctl(fd, HwMux::MUX_DISABLE, r);
}

bool isOutput(int ch) { return ch >= HwMux::kFirstOutput; }

}  // namespace

HwMux& HwMux::instance() {
  static HwMux mux;
  return mux;
}

HwMux::HwMux() {
  for (auto& entry : shadow_) entry = kOff;
  std::clog << "hwMux: init" << std::endl;
  IsOpened();
  refresh_.Bind(this, &HwMux::OnPass);
}

HwMux::~HwMux() {
  if (fd_ >= 0) Dev::close(fd_);
  refresh_.Deactivate();
  refresh_.Bind(nullptr);
}

bool HwMux::IsOpened() {
  if (fd_ >= 0) return true;
  fd_ = Dev::open(kDevice, O_RDWR);
  if (fd_ < 0) {
    std::clog << "hwMux: can't open device: " << std::strerror(errno) << std::endl;
    return false;
  }
  SetCloexec(fd_, true);
  std::clog << "hwMux: device opened" << std::endl;
  for (int n = 0; n < kOutputs; ++n) {
    disable(fd_, kFirstOutput + n);
    shadow_[n] = kOff;
  }
  cursor_ = 0;
  refresh_.Activate();
  ::usleep(500);
  return true;
}

// A channel the switch has; numbers past the last output would fall outside
// the shadow table and are refused.
bool HwMux::Usable(int ch) {
  if (!IsOpened() || ch < 0) return false;
  if (ch > kLastChannel) {
    std::clog << "hwMux: channel out of range " << ch << std::endl;
    return false;
  }
  return true;
}

bool HwMux::Connect(int src, int dst) {
  if (!IsOpened() || src < 0 || dst < 0) {
    std::clog << "hwMux: ERROR not opened" << std::endl;
    return false;
  }
  // An input is a plain time slot; it only has to fit a shadow entry
  // without reading as a mark.
  if (src >= kFixedByte) {
    std::clog << "hwMux: input out of range " << src << std::endl;
    return false;
  }
  if (!Usable(dst)) return false;
  if (isOutput(dst)) shadow_[dst - kFirstOutput] = static_cast<uint16_t>(src);
  if (request2(fd_, MUX_CONNECT, dst, src) < 0) {
    std::clog << "hwMux: connect " << src << " -> " << dst << " failed: " << std::strerror(errno) << std::endl;
    return false;
  }
  return true;
}

bool HwMux::Drive(int ch, unsigned char byte) {
  if (isOutput(ch)) shadow_[ch - kFirstOutput] = kFixedByte;
  return request2(fd_, MUX_WRITE, ch, byte) >= 0;
}

bool HwMux::Disconnect(int ch) {
  if (!Usable(ch)) return false;
  if (Drive(ch, kIdleByte)) return true;
  std::clog << "hwMux: disconnect failed " << ch << " : " << std::strerror(errno) << std::endl;
  return false;
}

bool HwMux::Write(int ch, unsigned char byte) {
  if (!Usable(ch)) return false;
  if (Drive(ch, byte)) return true;
  std::clog << "hwMux: write failed " << ch << " <- " << ext::OutUnsignedInHex(byte) << " : "
            << std::strerror(errno) << std::endl;
  return false;
}

bool HwMux::Disable(int ch) {
  if (!Usable(ch)) return false;
  if (isOutput(ch)) shadow_[ch - kFirstOutput] = kOff;
  if (disable(fd_, ch) < 0) {
    std::clog << "hwMux: disable failed " << ch << " : " << std::strerror(errno) << std::endl;
    return false;
  }
  return true;
}

int HwMux::Read(int ch) {
  if (!Usable(ch)) return 255;
  uint32_t value = 255;
  if (request2(fd_, MUX_READ, ch, 255, &value) < 0) {
    std::clog << "hwMux: read failed " << ch << " -> " << ext::OutUnsignedInHex(value) << " : "
              << std::strerror(errno) << std::endl;
    return 255;
  }
  return value & 0xFF;
}

void HwMux::OnPass() {
  uint32_t const pass = multiplexer.pass_count();
  if (pass == refreshedIn_) return;
  refreshedIn_ = pass;
  OnDPC();
}

void HwMux::OnDPC() {
  if (fd_ < 0) return;
  for (int i = 0; i < 128; ++i) {
    cursor_ = (cursor_ + 1) % kOutputs;
    RefreshChannel(static_cast<int>(cursor_));
  }
}

void HwMux::RefreshChannel(int n) {
  if (shadow_[n] == kOff) disable(fd_, kFirstOutput + n);
}
