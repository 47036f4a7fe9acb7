// The time-slot switch against the simulated "/dev/hal": the start-up sweep,
// the shadow table, the exact records and the refresh of outputs marked off.
#include <cerrno>

#include "hardware/HwMux.h"
#include "HwTestSupport.h"

namespace {

using hwtest::words;

class HwMuxTest : public hwtest::BoardTest {
 protected:
  Dev::Sim::Device& hal = board.device("/dev/hal");
};

TEST_F(HwMuxTest, OpeningTurnsEveryOutputOffAndMarksItOff) {
  HwMux mux;
  ASSERT_TRUE(mux.IsOpened());
  auto const& seen = hal.requests();
  ASSERT_EQ(seen.size(), 2048u);
  for (size_t n = 0; n < seen.size(); ++n) {
    ASSERT_EQ(seen[n].number, 0x80044D03u);
    ASSERT_EQ(seen[n].record, words({uint32_t(8192 + n)}));
    ASSERT_EQ(mux.shadow(static_cast<int>(n)), 0xFFFF);
  }
  EXPECT_EQ(mux.cursor(), 0u);
}

TEST_F(HwMuxTest, ConnectSendsOutputThenInputAndRecordsTheInputEvenWhenItFails) {
  HwMux mux;
  hal.clear();
  EXPECT_TRUE(mux.Connect(5, 8200));
  EXPECT_EQ(hal.last().number, 0x80084D02u);
  EXPECT_EQ(hal.last().record, words({8200, 5}));
  EXPECT_EQ(mux.shadow(8), 5);

  hal.fail(0x80084D02u, EIO);
  hwtest::Capture log(std::clog);
  EXPECT_FALSE(mux.Connect(7, 8201));
  EXPECT_EQ(mux.shadow(9), 7);
  EXPECT_TRUE(log.has("hwMux: connect 7 -> 8201 failed: Input/output error"));
}

TEST_F(HwMuxTest, ChannelsBelowTheOutputsReachTheDeviceButNotTheShadowTable) {
  HwMux mux;
  hal.clear();
  EXPECT_TRUE(mux.Connect(8200, 100));
  EXPECT_TRUE(mux.Disconnect(100));
  EXPECT_TRUE(mux.Write(100, 0x33));
  EXPECT_TRUE(mux.Disable(100));
  ASSERT_EQ(hal.requests().size(), 4u);
  EXPECT_EQ(hal.requests()[1].record, words({100, 213}));
  EXPECT_EQ(hal.requests()[2].record, words({100, 0x33}));
  EXPECT_EQ(hal.requests()[3].record, words({100}));
  for (int n = 0; n < HwMux::kOutputs; ++n) ASSERT_EQ(mux.shadow(n), 0xFFFF);
}

TEST_F(HwMuxTest, DisconnectDrivesTheIdleByteAndKeepsTheOutputOutOfTheRefresh) {
  HwMux mux;
  ASSERT_TRUE(mux.Disconnect(8200));
  EXPECT_EQ(hal.last().number, 0xC0084D04u);
  EXPECT_EQ(hal.last().record, words({8200, 213}));
  EXPECT_EQ(mux.shadow(8), 0xFFFE);
  hal.clear();
  for (int pass = 0; pass < 16; ++pass) mux.OnDPC();
  EXPECT_EQ(hal.count(0x80044D03u), 2047u);
  for (auto const& r : hal.requests()) ASSERT_NE(r.word(0), 8200u);

  ASSERT_TRUE(mux.Disable(8200));
  EXPECT_EQ(mux.shadow(8), 0xFFFF);
  for (int sweep = 0; sweep < 2; ++sweep) {
    hal.clear();
    for (int pass = 0; pass < 16; ++pass) mux.OnDPC();
    EXPECT_EQ(hal.count(0x80044D03u), 2048u);
  }
}

TEST_F(HwMuxTest, RefreshStartsAfterTheCursorAndWrapsFromTheLastOutputToTheFirst) {
  HwMux mux;
  hal.clear();
  mux.OnDPC();
  ASSERT_EQ(hal.requests().size(), 128u);
  EXPECT_EQ(hal.requests().front().word(0), 8193u);
  EXPECT_EQ(hal.requests().back().word(0), 8320u);
  for (int pass = 1; pass < 16; ++pass) mux.OnDPC();
  EXPECT_EQ(mux.cursor(), 0u);
  EXPECT_EQ(hal.requests().back().word(0), 8192u);
  EXPECT_EQ(hal.requests()[2048 - 2].word(0), 10239u);
}

TEST_F(HwMuxTest, TheLoopRefreshesAtMost128OutputsAPassAndSweepsThemAllIn16) {
  HwMux mux;
  hal.clear();
  uint32_t const start = multiplexer.pass_count();
  hwtest::runUntil([&] { return multiplexer.pass_count() - start > 16; });
  uint32_t const passes = multiplexer.pass_count() - start;
  EXPECT_GE(hal.count(0x80044D03u), 2048u);
  EXPECT_LE(hal.count(0x80044D03u), 128u * passes);
}

TEST_F(HwMuxTest, ReadGivesTheLowByteAnd255OnAnyFailure) {
  HwMux mux;
  hal.on(0xC0084D05u, [](Dev::Sim::Request& r) {
    Dev::put32(r.record.data() + 4, 0x1A2);
    return 0;
  });
  hal.clear();
  EXPECT_EQ(mux.Read(8300), 0xA2);
  EXPECT_EQ(hal.last().record, words({8300, 255}));
  EXPECT_EQ(mux.shadow(8300 - 8192), 0xFFFF);

  hal.clear();
  EXPECT_EQ(mux.Read(-1), 255);
  EXPECT_TRUE(hal.requests().empty());

  hal.fail(0xC0084D05u, EIO);
  hwtest::Capture log(std::clog);
  EXPECT_EQ(mux.Read(8300), 255);
  EXPECT_TRUE(log.has("hwMux: read failed 8300 -> 0xFF : "));
}

TEST_F(HwMuxTest, WriteAndDisableFailuresAreReportedWithTheChannel) {
  HwMux mux;
  hal.fail(0xC0084D04u, EIO);
  hal.fail(0x80044D03u, EIO);
  hwtest::Capture log(std::clog);
  EXPECT_FALSE(mux.Write(8200, 0x0A));
  EXPECT_FALSE(mux.Disconnect(8201));
  EXPECT_FALSE(mux.Disable(8202));
  EXPECT_EQ(mux.shadow(8), 0xFFFE);
  EXPECT_TRUE(log.has("hwMux: write failed 8200 <- 0xA : "));
  EXPECT_TRUE(log.has("hwMux: disconnect failed 8201 : "));
  EXPECT_TRUE(log.has("hwMux: disable failed 8202 : "));
}

TEST_F(HwMuxTest, OutputsPastTheLastAndInputsThatReadAsMarksAreRefused) {
  HwMux mux;
  hal.clear();
  hwtest::Capture log(std::clog);
  EXPECT_FALSE(mux.Connect(5, 10240));
  EXPECT_FALSE(mux.Connect(0xFFFF, 8200));  // would read as "turned off" in the shadow table
  EXPECT_FALSE(mux.Disconnect(10240));
  EXPECT_FALSE(mux.Write(70000, 1));
  EXPECT_FALSE(mux.Disable(10240));
  EXPECT_EQ(mux.Read(10240), 255);
  EXPECT_TRUE(hal.requests().empty());
  EXPECT_EQ(mux.shadow(8), 0xFFFF);
  EXPECT_TRUE(log.has("hwMux: channel out of range 10240"));
  EXPECT_FALSE(mux.Connect(0xFFFE, 8200));
  EXPECT_TRUE(log.has("hwMux: input out of range 65534"));
  EXPECT_TRUE(mux.Connect(10239, 8192));
  // An input is a plain time slot, not bounded by the outputs.
  EXPECT_TRUE(mux.Connect(20000, 8201));
  EXPECT_EQ(mux.shadow(9), 20000);
}

TEST_F(HwMuxTest, AMissingDeviceFailsEveryOperationAndIsOpenedAgainOnTheNextUse) {
  hal.setOpenError(ENOENT);
  hwtest::Capture log(std::clog);
  HwMux mux;
  EXPECT_TRUE(log.has("hwMux: can't open device: No such file or directory"));
  EXPECT_FALSE(mux.Connect(1, 8192));
  EXPECT_TRUE(log.has("hwMux: ERROR not opened"));
  EXPECT_FALSE(mux.Disconnect(8192));
  EXPECT_EQ(mux.Read(8192), 255);
  mux.OnDPC();
  EXPECT_TRUE(hal.requests().empty());

  hal.setOpenError(0);
  EXPECT_TRUE(mux.Connect(1, 8192));
  EXPECT_TRUE(log.has("hwMux: device opened"));
  EXPECT_EQ(hal.requests().size(), 2049u);
  EXPECT_EQ(mux.shadow(0), 1);
}

}  // namespace
