// The bus test service through the time-slot switch on the simulated
// "/dev/hal": the outputs of a run, the pattern written and read back, the
// first difference logged and answered, outputs turned off, and runs refused.
#include <cerrno>
#include <cstdlib>

#include "ServiceTestSupport.h"
#include "hardware/HwMux.h"
#include "hardware/HwTests.h"

namespace {

using hwtest::Capture;
using hwtest::words;

// The first `n` bytes of the pattern of a seed.
std::vector<uint8_t> Pattern(unsigned seed, int n) {
  ::srandom(seed);
  std::vector<uint8_t> out;
  for (int i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(::random() & 0xFF));
  return out;
}

class HwTestsTest : public hwtest::ServiceTest<HwTests> {
 protected:
  Dev::Sim::Device& hal = board.device("/dev/hal");

  void SetUp() override {
    ServiceTest::SetUp();
    HwMux::instance();  // opened, its start-up sweep done
    Connect();
    hal.clear();
  }
  // Runs one test; mode by alternative index, or none at all for -1.
  void Test(unsigned bus, int seed, int mode, unsigned start, unsigned length) {
    Command([&](LGCP::Command& c) {
      LGCP::BpcTestParams& p = c.set_testBpc();
      p.set_bus(bus);
      p.set_seed(seed);
      if (mode >= 0) p.get_mode().select(mode);
      p.set_timeslot_start(start);
      p.set_timeslot_length(length);
    });
  }
  int Answer() {
    auto m = Sent();
    EXPECT_EQ(m.size(), 1u);
    return m.empty() ? -2 : testsupport::is_success(m[0]) ? -1 : testsupport::error_of(m[0]);
  }
  // The requests of one kind the switch saw, with their records.
  std::vector<std::vector<uint8_t>> Records(uint32_t number) {
    std::vector<std::vector<uint8_t>> out;
    for (auto const& r : hal.requests())
      if (r.number == number) out.push_back(r.record);
    return out;
  }
};

int const kSuccess = -1;

TEST_F(HwTestsTest, WriteTestOnBusOneWritesThePatternFromOutput8325AndReadsItBack) {
  Test(1, 4242, LGCP::BpcTestMode::write_id, 5, 3);
  EXPECT_EQ(Answer(), kSuccess);
  auto const pattern = Pattern(4242, 3);
  EXPECT_EQ(Records(HwMux::MUX_WRITE), (std::vector<std::vector<uint8_t>>{
                                           words({8325, pattern[0]}), words({8326, pattern[1]}), words({8327, pattern[2]})}));
  EXPECT_EQ(Records(HwMux::MUX_READ),
            (std::vector<std::vector<uint8_t>>{words({8325, 255}), words({8326, 255}), words({8327, 255})}));
  // Every write comes before the first read.
  EXPECT_EQ(hal.requests()[3].number, HwMux::MUX_READ);
  // The read test finds the same pattern where the write left it.
  hal.clear();
  Test(1, 4242, LGCP::BpcTestMode::read_id, 5, 3);
  EXPECT_EQ(Answer(), kSuccess);
  EXPECT_EQ(Records(HwMux::MUX_READ).size(), 3u);
  EXPECT_TRUE(Records(HwMux::MUX_WRITE).empty());
}

TEST_F(HwTestsTest, FirstDifferenceIsLoggedWithTheChannelOfTheBusAndAnsweredBusError) {
  Test(1, 7, LGCP::BpcTestMode::write_id, 5, 4);
  Sent();
  hal.on(HwMux::MUX_READ, [](Dev::Sim::Request& r) {
    Dev::put32(r.record.data() + 4, 0x3C);
    return 0;
  });
  hal.clear();
  Capture err(std::cerr);
  Test(1, 8, LGCP::BpcTestMode::read_id, 5, 4);
  EXPECT_EQ(Answer(), LGCP::ErrorCause::busError);
  char expected[80];
  std::snprintf(expected, sizeof expected, "bus 1: test failed on channel 5 expected %02X  read 3C \n", Pattern(8, 1)[0]);
  EXPECT_EQ(err.text(), expected);
  EXPECT_EQ(Records(HwMux::MUX_READ).size(), 1u);  // the test stops at the first difference

  // A write test words its report as such; a failed read counts as 255.
  hal.fail(HwMux::MUX_READ, EIO);
  Capture err2(std::cerr);
  Test(1, 7, LGCP::BpcTestMode::write_id, 5, 4);
  EXPECT_EQ(Answer(), LGCP::ErrorCause::busError);
  EXPECT_NE(err2.text().find("bus 1: write failed on channel 5 write "), std::string::npos);
  EXPECT_NE(err2.text().find(" written FF \n"), std::string::npos);
}

TEST_F(HwTestsTest, DisconnectTestTurnsTheRunOff) {
  Test(15, 0, LGCP::BpcTestMode::disconnect_id, 126, 2);
  EXPECT_EQ(Answer(), kSuccess);
  EXPECT_EQ(Records(HwMux::MUX_DISABLE), (std::vector<std::vector<uint8_t>>{words({10238}), words({10239})}));
  EXPECT_EQ(hal.requests().size(), 2u);
}

TEST_F(HwTestsTest, DisconnectTestThatCouldNotTurnAnOutputOffIsNotASuccess) {
  hal.on(HwMux::MUX_DISABLE, [](Dev::Sim::Request& r) { return r.word(0) == 8193 ? -EIO : 0; });
  Test(0, 0, LGCP::BpcTestMode::disconnect_id, 0, 3);
  EXPECT_EQ(Answer(), LGCP::ErrorCause::busError);
  EXPECT_EQ(Records(HwMux::MUX_DISABLE).size(), 3u);  // the run still ends
}

TEST_F(HwTestsTest, EmptyRunSucceedsAtOnceInEveryMode) {
  for (int mode : {LGCP::BpcTestMode::read_id, LGCP::BpcTestMode::write_id, LGCP::BpcTestMode::disconnect_id}) {
    Test(3, 1, mode, 10, 0);
    EXPECT_EQ(Answer(), kSuccess);
  }
  EXPECT_TRUE(hal.requests().empty());
}

TEST_F(HwTestsTest, UnknownModeAndRunsPastTheLastOutputAreInvalid) {
  Test(2, 1, -1, 0, 4);
  EXPECT_EQ(Answer(), LGCP::ErrorCause::invalidParams);
  Capture err(std::cerr);
  Test(15, 1, LGCP::BpcTestMode::write_id, 127, 2);
  EXPECT_EQ(Answer(), LGCP::ErrorCause::invalidParams);
  EXPECT_EQ(err.text(), "bus 15: test run 10239..10241 leaves the switch\n");
  EXPECT_TRUE(hal.requests().empty());
  // Crossing into the next bus stays on the switch.
  Test(14, 1, LGCP::BpcTestMode::disconnect_id, 127, 2);
  EXPECT_EQ(Answer(), kSuccess);
  EXPECT_EQ(Records(HwMux::MUX_DISABLE), (std::vector<std::vector<uint8_t>>{words({10111}), words({10112})}));
}

TEST_F(HwTestsTest, OtherCommandsAreDeclined) {
  Command([](LGCP::Command& c) { c.set_clockCfg(); });
  EXPECT_EQ(Answer(), LGCP::ErrorCause::unexpectedMsgType);
}

}  // namespace
