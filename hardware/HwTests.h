#pragma once
#include <iosfwd>

#include "control/CtrlSrv.h"

// The controller's bus test ("testBpc"): writes a pseudo-random byte pattern
// to a run of time-slot switch outputs, reads a pattern back and compares it,
// or turns a run of outputs off. A test runs to its end inside the command.
class HwTests : public CtrlSrv::Service {
 public:
  static HwTests& instance();
  // Switch outputs: 8192 + bus * 128 + time slot; the last one is 10239.
  static constexpr unsigned kFirstOutput = 8192;
  static constexpr unsigned kOutputCount = 2048;
  static constexpr unsigned kBusSlots = 128;

  void OnConnect() override {}
  void OnDisconnect() override {}
  bool OnCommand(LGCP::Command const& command) override;
  std::ostream& PutHeader(std::ostream& os) const;

 private:
  HwTests() = default;
  void OnTestBpc(LGCP::BpcTestParams const& params);
  void TestRead();
  void TestWrite();
  void TestDisconnect();
  // Compares the switch's channels with the pattern; answers busError at the
  // first difference, success when there is none.
  void Compare(char const* failed, char const* expected, char const* read);

  unsigned bus_ = 0;
  unsigned first_ = 0;
  unsigned end_ = 0;
  unsigned seed_ = 0;
};
