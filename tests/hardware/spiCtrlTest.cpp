// The SPI line interfaces on the simulated "/dev/hal": the register records of
// start-up and of the clock master, the decoding of the status register, the
// per-second reports between connect and disconnect, and a hal without SPI.
#include <fcntl.h>

#include <cerrno>
#include <map>

#include "ServiceTestSupport.h"
#include "hardware/spiCtrl.h"

namespace {

using hwtest::Capture;
using hwtest::Status;

std::vector<uint8_t> Reg(uint8_t channel, uint8_t reg, uint8_t data) { return {channel, reg, data}; }

// The register writes the device saw, in order.
std::vector<std::vector<uint8_t>> Writes(Dev::Sim::Device& hal) {
  std::vector<std::vector<uint8_t>> out;
  for (auto const& r : hal.requests())
    if (r.number == 0xC0034204u) out.push_back(r.record);
  return out;
}

class SpiTest : public hwtest::ServiceTest<spiCtrl> {
 protected:
  Dev::Sim::Device& hal = board.device("/dev/hal");

  // Status register values by channel; unlisted channels read 0xC5 (in sync).
  void StatusValues(std::map<int, int> values) {
    hal.on(spiCtrl::kReadRegister, [values](Dev::Sim::Request& r) {
      auto it = values.find(r.record[0]);
      return it == values.end() ? 0xC5 : it->second;
    });
  }
  std::vector<Status> Lines(int state) {
    std::vector<Status> out;
    for (int c = 0; c < 8; ++c) out.push_back({ACP::TrunkType::bri, c, state, 0});
    return out;
  }
};

// The service is made inside each test, so its start-up records are seen.
class SpiStartUp : public hwtest::BoardTest {
 protected:
  Dev::Sim::Device& hal = board.device("/dev/hal");
};

TEST_F(SpiStartUp, InitialisesAndEnablesChannelsZeroToSixInOrder) {
  Capture log(std::clog);
  spiCtrl::instance();
  std::vector<std::vector<uint8_t>> expected;
  for (uint8_t c = 0; c < 7; ++c) {
    for (auto [reg, data] : {std::pair<uint8_t, uint8_t>{50, 128}, {48, 8}, {87, 48}, {52, 96}, {53, 0}, {54, 0}, {55, 0}})
      expected.push_back(Reg(c, reg, data));
    expected.push_back(Reg(c, 50, 0));
  }
  EXPECT_EQ(Writes(hal), expected);
  EXPECT_EQ(hal.requests().size(), expected.size());
  EXPECT_TRUE(log.has("spi: try init\nspi: init channel 0\nspi: enable channel 0\nspi: init channel 1\n"));
  EXPECT_FALSE(log.has("channel 7"));
}

TEST_F(SpiStartUp, HalThatDoesNotOpenIsTriedAgainAtTheNextOperation) {
  hal.setOpenError(ENOENT);
  Capture log(std::clog);
  spiCtrl& spi = spiCtrl::instance();
  EXPECT_TRUE(log.has("spi: try init\nspi: /dev/hal open fail\n"));
  EXPECT_FALSE(spi.opened());
  hal.setOpenError(0);
  spi.enable_channel(3);
  EXPECT_TRUE(spi.opened());
  EXPECT_EQ(Writes(hal), (std::vector<std::vector<uint8_t>>{Reg(3, 50, 0)}));
}

TEST_F(SpiStartUp, ControllerArrivingAfterAFailedOpenStartsTheChannels) {
  hal.setOpenError(ENOENT);
  spiCtrl& spi = spiCtrl::instance();
  hal.setOpenError(0);
  spi.OnConnect();
  EXPECT_TRUE(spi.opened());
  EXPECT_EQ(Writes(hal).size(), 7u * 8u);
  EXPECT_TRUE(spi.reporting());
}

TEST_F(SpiStartUp, HalDescriptorIsNotInheritedByChildPrograms) {
  spiCtrl::instance();
  int flags = -1;
  for (int fd = 0; fd < 1024; ++fd) {
    Dev::Sim::Device* device = nullptr;
    if (board.lookup(fd, &device) && device == &hal) flags = ::fcntl(fd, F_GETFD);
  }
  ASSERT_GE(flags, 0);
  EXPECT_TRUE(flags & FD_CLOEXEC);
}

TEST(SpiStatusRegister, DecodesCarrierFramingAndAlarmBits) {
  EXPECT_EQ(spiCtrl::DecodeState(0xC5), ACP::TrunkState::normal);  // bits 0, 2, 7, 6
  EXPECT_EQ(spiCtrl::DecodeState(0x85), ACP::TrunkState::rai);
  EXPECT_EQ(spiCtrl::DecodeState(0x05), ACP::TrunkState::ais);
  EXPECT_EQ(spiCtrl::DecodeState(0x45), ACP::TrunkState::ais);
  EXPECT_EQ(spiCtrl::DecodeState(0x01), ACP::TrunkState::lossBF);
  EXPECT_EQ(spiCtrl::DecodeState(0xC1), ACP::TrunkState::lossBF);
  EXPECT_EQ(spiCtrl::DecodeState(0xFE), ACP::TrunkState::lossCarrier);
  EXPECT_EQ(spiCtrl::DecodeState(0x00), ACP::TrunkState::lossCarrier);
}

TEST_F(SpiTest, EightLineReportsEverySecondAfterAConnectAndNoneBefore) {
  Connect();
  hal.clear();
  Advance(999);
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(hal.requests().empty());
  Advance(1);
  EXPECT_EQ(hwtest::StatusReports(Sent()), Lines(ACP::TrunkState::normal));
  ASSERT_EQ(hal.requests().size(), 8u);
  for (uint8_t c = 0; c < 8; ++c) {
    EXPECT_EQ(hal.requests()[c].number, 0xC0034203u);
    EXPECT_EQ(hal.requests()[c].record, Reg(c, 51, 0xFF));
  }
  Advance(1000);
  auto m = Sent();
  EXPECT_EQ(hwtest::StatusReports(m), Lines(ACP::TrunkState::normal));
  EXPECT_FALSE(testsupport::has_slot(m[0]));
}

TEST_F(SpiTest, ReportsStopAtDisconnectAndStartASecondAfterTheNextConnect) {
  Connect();
  Advance(1000);
  Disconnect();
  hal.clear();
  Advance(1000);
  Advance(1000);
  EXPECT_TRUE(hal.requests().empty());
  Connect();
  Advance(999);
  EXPECT_TRUE(Sent().empty());
  Advance(1);
  EXPECT_EQ(hwtest::StatusReports(Sent()).size(), 8u);
}

TEST_F(SpiTest, EachLineReportsTheStateOfItsOwnRegister) {
  StatusValues({{1, 0x85}, {2, 0x05}, {3, 0x01}, {4, 0x00}});
  Connect();
  Advance(1000);
  auto reports = hwtest::StatusReports(Sent());
  ASSERT_EQ(reports.size(), 8u);
  std::vector<int> states;
  for (auto const& r : reports) states.push_back(r.state);
  EXPECT_EQ(states, (std::vector<int>{ACP::TrunkState::normal, ACP::TrunkState::rai, ACP::TrunkState::ais,
                                      ACP::TrunkState::lossBF, ACP::TrunkState::lossCarrier, ACP::TrunkState::normal,
                                      ACP::TrunkState::normal, ACP::TrunkState::normal}));
}

TEST_F(SpiTest, SlipIsReportedOnceWhenBitFiveRisesAndAgainOnlyAfterItFell) {
  Connect();
  std::vector<int> slips;
  for (int value : {0xE5, 0xE5, 0xE5, 0xC5, 0xE5}) {
    StatusValues({{6, value}});
    Advance(1000);
    auto reports = hwtest::StatusReports(Sent());
    ASSERT_EQ(reports.size(), 8u);
    slips.push_back(reports[6].slips);
    EXPECT_EQ(reports[5].slips, 0);
  }
  EXPECT_EQ(slips, (std::vector<int>{1, 0, 0, 0, 1}));
}

TEST_F(SpiTest, FailedReadIsLoggedAndReadsAsZero) {
  hal.on(spiCtrl::kReadRegister, [](Dev::Sim::Request& r) { return r.record[0] == 3 ? -EIO : 0xC5; });
  Connect();
  Capture log(std::clog);
  Advance(1000);
  EXPECT_TRUE(log.has("spi: read error: channel=3 addr=51\n"));
  auto reports = hwtest::StatusReports(Sent());
  ASSERT_EQ(reports.size(), 8u);
  EXPECT_EQ(reports[3].state, ACP::TrunkState::lossCarrier);
  EXPECT_EQ(reports[4].state, ACP::TrunkState::normal);
}

TEST_F(SpiTest, HalWithoutSpiIsLoggedOnceAndLeftAloneWithNoReportForTheLinesNotRead) {
  hal.on(spiCtrl::kReadRegister, [](Dev::Sim::Request& r) { return r.record[0] == 2 ? -ENODEV : 0xC5; });
  Connect();
  Capture log(std::clog);
  Advance(1000);
  EXPECT_TRUE(log.has("spi: hal without spi\n"));
  // Lines 0 and 1 were read; no made-up lost carriers for the others.
  auto reports = hwtest::StatusReports(Sent());
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].trunk, 1);
  EXPECT_FALSE(spiCtrl::instance().present());
  hal.clear();
  Advance(1000);
  spiCtrl::instance().clock(2);
  spiCtrl::instance().enable_channel(1);
  spiCtrl::instance().OnConnect();
  Advance(1000);
  EXPECT_TRUE(hal.requests().empty());
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(log.text().find("spi:"), log.text().rfind("spi:"));  // one line in all
}

TEST_F(SpiTest, ClockMasterIsOneChannelAtMostAndOthersAreRefused) {
  spiCtrl& spi = spiCtrl::instance();
  hal.clear();
  Capture log(std::clog);
  spi.clock(3);
  std::vector<std::vector<uint8_t>> expected;
  for (uint8_t c = 0; c < 8; ++c) expected.push_back(Reg(c, 87, 48));
  auto master = expected;
  master.push_back(Reg(3, 87, 56));
  EXPECT_EQ(Writes(hal), master);
  hal.clear();
  spi.clock(-1);
  EXPECT_EQ(Writes(hal), expected);
  hal.clear();
  spi.clock(8);
  spi.clock(-2);
  spi.init_channel(8);
  spi.enable_channel(-1);
  spi.disable_channel(9);
  EXPECT_TRUE(hal.requests().empty());
  EXPECT_EQ(log.text(),
            "spi: set clock master on channel 3\n"
            "spi: clock master disabled\n"
            "spi: bad channel for set clock master 8\n"
            "spi: bad channel for set clock master -2\n"
            "spi: bad channel for init 8\n"
            "spi: bad channel for enable -1\n"
            "spi: bad channel for disable 9\n");
}

TEST_F(SpiTest, FailedWriteIsLoggedWithItsRegister) {
  hal.fail(spiCtrl::kWriteRegister, EIO);
  Capture log(std::clog);
  spiCtrl::instance().disable_channel(4);
  EXPECT_EQ(log.text(), "spi: write error: channel=4 addr=50 data=128\nspi: disable channel 4\n");
}

TEST_F(SpiTest, DeclinesEveryCommand) {
  Connect();
  Command([](LGCP::Command& c) { c.set_ioctl().set_dtmf_disable(); });
  EXPECT_EQ(testsupport::error_of(Sent().at(0)), LGCP::ErrorCause::unexpectedMsgType);
}

}  // namespace
