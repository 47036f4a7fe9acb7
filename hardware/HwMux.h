#pragma once
#include <cstdint>

#include "core/Multiplexer.h"

// The board's time-slot switch on "/dev/hal": one-way connections from an
// input time slot to a switch output (8192 + n, n = 0..2047), outputs driven
// with a fixed byte or turned off, and the byte seen on a channel. A shadow
// table remembers what each output should carry; outputs marked off are
// turned off again on every pass of the loop, 128 per pass, so each one at
// least once every 16 passes.
class HwMux {
 public:
  static constexpr int kFirstOutput = 8192;
  static constexpr int kOutputs = 2048;
  static constexpr int kLastChannel = kFirstOutput + kOutputs - 1;
  static constexpr uint16_t kFixedByte = 0xFFFE;  // driven with a byte
  static constexpr uint16_t kOff = 0xFFFF;        // turned off
  static constexpr unsigned char kIdleByte = 0xD5;

  static constexpr uint32_t MUX_CONNECT = 0x80084D02;  // output, input
  static constexpr uint32_t MUX_DISABLE = 0x80044D03;  // output
  static constexpr uint32_t MUX_WRITE = 0xC0084D04;    // channel, byte
  static constexpr uint32_t MUX_READ = 0xC0084D05;     // channel, 255 in, the byte out

  static HwMux& instance();

  // The process uses instance(); tests may make their own.
  HwMux();
  ~HwMux();
  HwMux(HwMux const&) = delete;
  HwMux& operator=(HwMux const&) = delete;

  // Each returns true on success; Read gives 255 on any failure. Outputs and
  // channels outside 0..10239 are refused; an input is any time slot that
  // fits a shadow entry without reading as one of its marks (0..65533).
  bool Connect(int src, int dst);
  bool Disconnect(int ch);
  bool Disable(int ch);
  bool Write(int ch, unsigned char byte);
  int Read(int ch);
  // Opens the device if needed; true when open.
  bool IsOpened();
  void Reset() {}

  // Refreshes the next 128 outputs. The loop calls it once a pass.
  void OnDPC();
  void RefreshChannel(int n);

  // What output 8192 + n should carry: an input, kFixedByte or kOff.
  uint16_t shadow(int n) const { return shadow_[n]; }
  uint32_t cursor() const { return cursor_; }

 private:
  bool Usable(int ch);
  void OnPass();
  bool Drive(int ch, unsigned char byte);
  int fd_ = -1;
  uint16_t shadow_[kOutputs];
  uint32_t cursor_ = 0;
  Dpc refresh_;  // runs twice a pass; OnPass refreshes on the first of them
  uint32_t refreshedIn_ = 0;
};
