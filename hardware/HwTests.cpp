#include "hardware/HwTests.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "core/Ext.h"
#include "hardware/HwMux.h"

namespace {

// The pattern byte of the next channel.
unsigned char NextPatternByte() { return static_cast<unsigned char>(::random() & 0xFF); }

}  // namespace

HwTests& HwTests::instance() {
  static HwTests service;
  return service;
}

std::ostream& HwTests::PutHeader(std::ostream& os) const { return os << "bus " << bus_ << ": "; }

bool HwTests::OnCommand(LGCP::Command const& command) {
  LGCP::BpcTestParams const* params = command.get_testBpc();
  if (params == nullptr) return false;
  OnTestBpc(*params);
  return true;
}

void HwTests::OnTestBpc(LGCP::BpcTestParams const& params) {
  bus_ = params.get_bus().getValue();
  first_ = kFirstOutput + bus_ * kBusSlots + params.get_timeslot_start().getValue();
  end_ = first_ + params.get_timeslot_length().getValue();
  seed_ = static_cast<unsigned>(params.get_seed().getValue());
  // A run that leaves the switch would reach outputs that do not exist.
  if (bus_ >= 16 || end_ > kFirstOutput + kOutputCount) {
    std::cerr << ext::header(this) << "test run " << first_ << ".." << end_ << " leaves the switch" << std::endl;
    Error(LGCP::ErrorCause::invalidParams);
    return;
  }
  ::srandom(seed_);
  switch (params.get_mode().currentSelection()) {
    case LGCP::BpcTestMode::read_id: TestRead(); break;
    case LGCP::BpcTestMode::write_id: TestWrite(); break;
    case LGCP::BpcTestMode::disconnect_id: TestDisconnect(); break;
    default: Error(LGCP::ErrorCause::invalidParams); break;
  }
}

void HwTests::TestRead() { Compare("test failed on channel ", " expected ", " read "); }

void HwTests::TestWrite() {
  for (unsigned ch = first_; ch < end_; ++ch) HwMux::instance().Write(static_cast<int>(ch), NextPatternByte());
  ::usleep(500);
  ::srandom(seed_);
  Compare("write failed on channel ", " write ", " written ");
}

void HwTests::TestDisconnect() {
  bool allOff = true;
  for (unsigned ch = first_; ch < end_; ++ch) allOff = HwMux::instance().Disable(static_cast<int>(ch)) && allOff;
  ::usleep(250);
  // The switch has logged each output it could not turn off.
  if (allOff)
    Success();
  else
    Error(LGCP::ErrorCause::busError);
}

void HwTests::Compare(char const* failed, char const* expected, char const* read) {
  for (unsigned ch = first_; ch < end_; ++ch) {
    unsigned char const want = NextPatternByte();
    unsigned char const got = static_cast<unsigned char>(HwMux::instance().Read(static_cast<int>(ch)));
    if (want != got) {
      std::cerr << ext::header(this) << failed << (ch & (kBusSlots - 1)) << expected << ext::OutBufInHex(&want, 1)
                << read << ext::OutBufInHex(&got, 1) << std::endl;
      Error(LGCP::ErrorCause::busError);
      return;
    }
  }
  Success();
}
