// The bus clock service on the simulated "/dev/hal": the free-running clock at
// each connect and disconnect, the mapping of a clock configuration to a
// source number, clock control switched off, and a device that is not there.
#include <cerrno>

#include "ServiceTestSupport.h"
#include "hardware/BusCtl.h"
#include "hardware/spiCtrl.h"

namespace {

using hwtest::Capture;

class BusCtlTest : public hwtest::ServiceTest<BusCtl> {
 protected:
  Dev::Sim::Device& hal = board.device("/dev/hal");

  void ClockCfg(LGCP::ClkSel0::NamedNumber sel, LGCP::BExtEn::NamedNumber bext, int source) {
    Command([&](LGCP::Command& c) {
      LGCP::ClockCfg& cfg = c.set_clockCfg();
      cfg.set_clkSel0(sel);
      cfg.set_bextEn(bext);
      cfg.set_source(source);
    });
  }
  // The sources selected so far, in order.
  std::vector<uint32_t> Selected() {
    std::vector<uint32_t> out;
    for (auto const& r : hal.requests()) {
      EXPECT_EQ(r.number, 0x80044301u);
      EXPECT_EQ(r.record.size(), 4u);
      out.push_back(r.word(0));
    }
    return out;
  }
};

TEST_F(BusCtlTest, ConnectAndDisconnectEachReturnTheBusToTheFreeRunningClock) {
  Capture err(std::cerr);
  Connect();
  EXPECT_EQ(Selected(), (std::vector<uint32_t>{4}));
  EXPECT_TRUE(err.has("clkctl: set clock source cmd: "));
  EXPECT_TRUE(err.has("clkctl: clock source = freerun\n"));
  Disconnect();
  EXPECT_EQ(Selected(), (std::vector<uint32_t>{4, 4}));
}

TEST_F(BusCtlTest, ConfigurationSelectsItsSourceNumber) {
  Connect();
  hal.clear();
  Capture err(std::cerr);
  ClockCfg(LGCP::ClkSel0::external, LGCP::BExtEn::enabled, 2);
  ClockCfg(LGCP::ClkSel0::external, LGCP::BExtEn::disabled, 2);
  ClockCfg(LGCP::ClkSel0::internal, LGCP::BExtEn::enabled, 1);
  ClockCfg(LGCP::ClkSel0::external, LGCP::BExtEn::enabled, 9);  // past the names: sent as it is
  ClockCfg(LGCP::ClkSel0::external, LGCP::BExtEn::enabled, -1);  // no source: nothing sent
  EXPECT_EQ(Selected(), (std::vector<uint32_t>{2, 5, 4, 9}));
  std::string const text = err.text();
  EXPECT_NE(text.find("clock source = f2\n"), std::string::npos);
  EXPECT_LT(text.find("clock source = f2\n"), text.find("clock source = X3\n"));
  EXPECT_LT(text.find("clock source = X3\n"), text.find("clock source = freerun\n"));
  EXPECT_TRUE(err.has("clkctl: clock source = source 9\n"));
  auto m = Sent();
  ASSERT_EQ(m.size(), 5u);
  for (auto const& answer : m) EXPECT_TRUE(testsupport::is_success(answer));
}

TEST_F(BusCtlTest, WithClockControlDisabledTheDeviceIsNeverOpened) {
  Capture log(std::clog);
  BusCtl::instance().DisableControl();
  EXPECT_EQ(log.text(), "clkctl: clock control disabled.\n");
  Capture err(std::cerr);
  Connect();
  ClockCfg(LGCP::ClkSel0::internal, LGCP::BExtEn::disabled, -1);
  Disconnect();
  EXPECT_EQ(hal.files(), 0u);
  EXPECT_FALSE(err.has("clock source"));
  Connect();
  ClockCfg(LGCP::ClkSel0::external, LGCP::BExtEn::enabled, 1);
  EXPECT_EQ(testsupport::error_of(Sent().at(0)), LGCP::ErrorCause::unsupported);
  EXPECT_EQ(hal.files(), 0u);
}

TEST_F(BusCtlTest, UnreachableDeviceReleasesTheLineClockMasterAndRefusesTheConfiguration) {
  spiCtrl::instance();  // the line interfaces reached "/dev/hal" before it went away
  hal.clear();
  hal.setOpenError(ENOENT);
  Capture err(std::cerr);
  Capture log(std::clog);
  Connect();
  ClockCfg(LGCP::ClkSel0::external, LGCP::BExtEn::enabled, 1);
  EXPECT_TRUE(err.has("clkctl: set clock source fail: code 1.\n"));
  EXPECT_TRUE(log.has("spi: clock master disabled\n"));
  // Released at connect and again for the command: every line a clock slave.
  ASSERT_EQ(hal.requests().size(), 16u);
  for (uint8_t c = 0; c < 8; ++c) EXPECT_EQ(hal.requests()[c].record, (std::vector<uint8_t>{c, 87, 48}));
  EXPECT_EQ(testsupport::error_of(Sent().at(0)), LGCP::ErrorCause::unsupported);

  // The open is tried again at the next use.
  hal.setOpenError(0);
  hal.clear();
  ClockCfg(LGCP::ClkSel0::external, LGCP::BExtEn::enabled, 1);
  EXPECT_EQ(Selected(), (std::vector<uint32_t>{1}));
  EXPECT_TRUE(testsupport::is_success(Sent().at(0)));
}

TEST_F(BusCtlTest, FailedSelectionIsLoggedAndRefused) {
  hal.fail(BusCtl::kClockSelect, EIO);
  Capture err(std::cerr);
  Connect();
  ClockCfg(LGCP::ClkSel0::external, LGCP::BExtEn::enabled, 3);
  EXPECT_TRUE(err.has("clkctl: HW_CLOCK_SELECT fail.\n"));
  EXPECT_FALSE(err.has("clock source ="));
  EXPECT_EQ(testsupport::error_of(Sent().at(0)), LGCP::ErrorCause::internal);
}

TEST_F(BusCtlTest, OtherCommandsAreDeclined) {
  Connect();
  Command([](LGCP::Command& c) { c.set_trunkCfg(); });
  EXPECT_EQ(testsupport::error_of(Sent().at(0)), LGCP::ErrorCause::unexpectedMsgType);
}

}  // namespace
