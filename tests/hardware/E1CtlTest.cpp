// The E1 trunk service on the simulated "/dev/maintenance" and "/dev/e1-cas":
// status reports at connect and every second, the TCLK mask, CAS commands
// with their exact records and signals, and events from the CAS device.
#include <fcntl.h>
#include <poll.h>

#include <cerrno>

#include "core/Fd.h"
#include "ServiceTestSupport.h"
#include "hardware/E1Ctl.h"

namespace {

using hwtest::Capture;
using hwtest::Status;
using hwtest::words;

struct Cas {
  int trunk, ts, rx, tx;
  bool operator==(Cas const& o) const { return trunk == o.trunk && ts == o.ts && rx == o.rx && tx == o.tx; }
};
std::ostream& operator<<(std::ostream& os, Cas const& c) {
  return os << "{" << c.trunk << ", " << c.ts << ", " << c.rx << ", " << c.tx << "}";
}

// The cas signals among the messages, and whether the last message is a success.
std::vector<Cas> CasSignals(std::vector<LGCP::Message> const& messages) {
  std::vector<Cas> out;
  for (auto const& m : messages) {
    LGCP::Signal const* s = m.get_pdu().get_signal();
    if (s == nullptr || s->get_cas() == nullptr) continue;
    LGCP::CasSignalling const& c = *s->get_cas();
    out.push_back({c.get_channel().get_path().getValue(), c.get_channel().get_timeslot().getValue(),
                   c.get_rx().getValue(), c.get_tx().getValue()});
  }
  return out;
}

// A channel record as the driver sees it: trunk, time slot, rx, tx, two zero
// bytes; and the enable flag when the request carries one.
std::vector<uint8_t> ChannelRecord(uint32_t trunk, uint32_t ts, uint8_t rx, uint8_t tx, int flag = -1) {
  std::vector<uint8_t> r = words({trunk, ts, 0});
  r[8] = rx;
  r[9] = tx;
  if (flag >= 0) {
    auto f = words({uint32_t(flag)});
    r.insert(r.end(), f.begin(), f.end());
  }
  return r;
}

class E1CtlTest : public hwtest::ServiceTest<E1Ctl> {
 protected:
  Dev::Sim::Device& maintenance = board.device("/dev/maintenance");
  Dev::Sim::Device& cas = board.device("/dev/e1-cas");

  void TrunkCfg(int trunk, LGCP::TrunkMode::NamedNumber mode) {
    Command([&](LGCP::Command& c) {
      LGCP::TrunkCfg& cfg = c.set_trunkCfg();
      cfg.set_trunk(trunk);
      cfg.set_mode(mode);
    });
  }
  // A CAS command as an ioctl without slot number; `value` for open and set.
  void CasCommand(int trunk, int ts, int cmd, int value = 0) {
    Command([&](LGCP::Command& c) {
      LGCP::CasCommand& command = c.set_ioctl().set_cas();
      command.get_channel().set_path(trunk);
      command.get_channel().set_timeslot(ts);
      switch (cmd) {
        case LGCP::CasCommandSignal::open_id: command.get_cmd().set_open(value); break;
        case LGCP::CasCommandSignal::close_id: command.get_cmd().set_close(); break;
        case LGCP::CasCommandSignal::set_id: command.get_cmd().set_set(value); break;
        default: command.get_cmd().set_get(); break;
      }
    });
  }
  // Connects, then forgets what the connect sent and issued.
  void ConnectQuietly() {
    Connect();
    Sent();
    maintenance.clear();
    cas.clear();
  }
};

using Trunks = std::vector<Status>;
Trunks E1Reports() {
  Trunks out;
  for (int t = 0; t < 4; ++t) out.push_back({ACP::TrunkType::e1, t, ACP::TrunkState::normal, 0});
  return out;
}

// ---- status reports ----

TEST_F(E1CtlTest, FourTrunkReportsFollowEachConnectAndThenEverySecond) {
  Connect();
  EXPECT_EQ(hwtest::StatusReports(Sent()), E1Reports());
  ASSERT_EQ(maintenance.count(E1Ctl::kTrunkStatus), 4u);
  for (uint32_t t = 0; t < 4; ++t) {
    Dev::Sim::Request const& r = maintenance.requests()[t];
    EXPECT_EQ(r.number, 0xC0504D03u);
    std::vector<uint8_t> expected(80, 0);
    Dev::put32(expected.data(), t);
    EXPECT_EQ(r.record, expected);
  }
  Advance(999);
  EXPECT_TRUE(Sent().empty());
  Advance(1);
  EXPECT_EQ(hwtest::StatusReports(Sent()), E1Reports());
  Advance(1000);
  EXPECT_EQ(hwtest::StatusReports(Sent()), E1Reports());
}

TEST_F(E1CtlTest, ReportsGoOnAfterTheControllerLeftAndReachTheNextOne) {
  Connect();
  Disconnect();
  maintenance.clear();
  {
    Capture err(std::cerr);
    Advance(1000);
    EXPECT_TRUE(err.has("send fail: Service not attached!"));
  }
  EXPECT_EQ(maintenance.count(E1Ctl::kTrunkStatus), 4u);
  Connect();
  EXPECT_EQ(hwtest::StatusReports(Sent()), E1Reports());
  Advance(1000);
  EXPECT_EQ(hwtest::StatusReports(Sent()).size(), 4u);  // one timer, not two
}

TEST_F(E1CtlTest, ReportCarriesTheDriverCountersAndAnUnknownStateWordAsUnknown) {
  maintenance.on(E1Ctl::kTrunkStatus, [](Dev::Sim::Request& r) {
    uint32_t const t = r.word(0);
    for (uint32_t at = 36, v = 1; at <= 52; at += 4, ++v) Dev::put32(r.record.data() + at, 10 * t + v);
    Dev::put32(r.record.data() + 76, t == 3 ? 77 : t + 1);
    return 0;
  });
  Connect();
  auto m = Sent();
  ASSERT_EQ(m.size(), 4u);
  ACP::TrunkStatus const& one = *m[1].get_pdu().get_signal()->get_trunkStatus();
  EXPECT_EQ(one.get_state().getValue(), ACP::TrunkState::lossCarrier);
  EXPECT_EQ(one.get_slips().getValue(), 11);
  EXPECT_EQ(one.get_lossBF().getValue(), 12);
  EXPECT_EQ(one.get_lossCarrier().getValue(), 13);
  EXPECT_EQ(one.get_lossAIS().getValue(), 14);
  EXPECT_EQ(one.get_lossRAI().getValue(), 15);
  EXPECT_EQ(one.get_name().size(), 0u);
  EXPECT_FALSE(one.get_clockMaster().getValue());
  EXPECT_EQ(one.get_type().getValue(), ACP::TrunkType::e1);
  EXPECT_FALSE(testsupport::has_slot(m[1]));
  // A state the enumeration lacks would make the report unsendable.
  EXPECT_EQ(m[3].get_pdu().get_signal()->get_trunkStatus()->get_state().getValue(), ACP::TrunkState::unknown);
}

TEST_F(E1CtlTest, FailedStatusReadSkipsThatTrunkOnly) {
  maintenance.on(E1Ctl::kTrunkStatus, [](Dev::Sim::Request& r) { return r.word(0) == 2 ? -EIO : 0; });
  Capture err(std::cerr);
  Connect();
  EXPECT_TRUE(err.has("E1: synchronization status read fail, trunk = 2 cause = "));
  auto reports = hwtest::StatusReports(Sent());
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[2].trunk, 3);
}

TEST_F(E1CtlTest, MaintenanceDeviceThatDoesNotOpenSendsNothingAndRefusesTrunkModes) {
  maintenance.setOpenError(ENOENT);
  Connect();
  Advance(1000);
  EXPECT_TRUE(Sent().empty());
  TrunkCfg(1, LGCP::TrunkMode::slave);
  EXPECT_EQ(testsupport::error_of(Sent().at(0)), LGCP::ErrorCause::unsupported);
  // Once the device is there, the next step reports.
  maintenance.setOpenError(0);
  Advance(1000);
  EXPECT_EQ(hwtest::StatusReports(Sent()).size(), 4u);
}

// ---- TCLK mask ----

TEST_F(E1CtlTest, TrunkModeSetsAndClearsTheTrunksBitOfTheMask) {
  Connect();
  ASSERT_EQ(maintenance.count(E1Ctl::kTclkMask), 1u);  // cleared at connect
  EXPECT_EQ(maintenance.last().number, 0xC0044D0Bu);
  EXPECT_EQ(maintenance.last().value, 0u);
  Sent();
  Capture log(std::clog);
  TrunkCfg(2, LGCP::TrunkMode::slave);
  EXPECT_EQ(maintenance.last().number, 0xC0044D0Bu);
  EXPECT_EQ(maintenance.last().value, 4u);
  EXPECT_TRUE(log.has("E1: TCLT = 0x4\n"));
  TrunkCfg(0, LGCP::TrunkMode::slave);
  EXPECT_EQ(maintenance.last().value, 5u);
  TrunkCfg(2, LGCP::TrunkMode::master);
  EXPECT_EQ(maintenance.last().value, 1u);
  auto m = Sent();
  ASSERT_EQ(m.size(), 3u);
  for (auto const& answer : m) EXPECT_TRUE(testsupport::is_success(answer));
  // A new controller starts from a mask of 0.
  Disconnect();
  Connect();
  EXPECT_EQ(maintenance.last().value, 0u);
  EXPECT_EQ(E1Ctl::instance().tclk(), 0u);
}

TEST_F(E1CtlTest, TrunkWithoutABitInTheMaskIsRefusedAndANegativeOneIgnored) {
  ConnectQuietly();
  TrunkCfg(32, LGCP::TrunkMode::slave);
  TrunkCfg(-1, LGCP::TrunkMode::slave);
  auto m = Sent();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(testsupport::error_of(m[0]), LGCP::ErrorCause::invalidParams);
  EXPECT_TRUE(testsupport::is_success(m[1]));
  EXPECT_EQ(maintenance.count(E1Ctl::kTclkMask), 0u);
  TrunkCfg(31, LGCP::TrunkMode::slave);
  EXPECT_EQ(maintenance.last().value, 0x80000000u);
}

TEST_F(E1CtlTest, FailedMaskWriteIsLoggedAndAnsweredAndLeavesTheMaskAsItWas) {
  ConnectQuietly();
  maintenance.fail(E1Ctl::kTclkMask, EIO);
  Capture err(std::cerr);
  TrunkCfg(1, LGCP::TrunkMode::slave);
  EXPECT_TRUE(err.has("E1: fail to set TCLK [cause="));
  EXPECT_EQ(testsupport::error_of(Sent().at(0)), LGCP::ErrorCause::internal);
  EXPECT_EQ(E1Ctl::instance().tclk(), 0u);
  maintenance.on(E1Ctl::kTclkMask, [](Dev::Sim::Request&) { return 0; });
  TrunkCfg(2, LGCP::TrunkMode::slave);
  EXPECT_EQ(maintenance.last().value, 4u);  // the refused bit does not go out
}

// ---- CAS commands ----

TEST_F(E1CtlTest, OpenOnAVoiceSlotOpensTheTrunkEnablesTheChannelAndReportsItsBits) {
  ConnectQuietly();
  Capture log(std::clog);
  CasCommand(1, 5, LGCP::CasCommandSignal::open_id, 0x1F);
  auto const& seen = cas.requests();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].number, 0x80044300u);
  EXPECT_EQ(seen[0].value, 1u);
  EXPECT_EQ(seen[1].number, 0xC0104304u);
  EXPECT_EQ(seen[1].record, ChannelRecord(1, 5, 0, 0x0F, 0));
  EXPECT_EQ(seen[2].number, 0xC00C4303u);
  EXPECT_EQ(seen[2].record, ChannelRecord(1, 5, 0, 0));
  EXPECT_TRUE(log.has("E1: open cas signalling on trunk(1) - ok\n"));
  auto m = Sent();
  EXPECT_EQ(CasSignals(m), (std::vector<Cas>{{1, 0, 0, 0}, {1, 5, 15, 15}}));
  ASSERT_EQ(m.size(), 3u);
  EXPECT_TRUE(testsupport::is_success(m[2]));  // the answer follows the signals
  EXPECT_TRUE(E1Ctl::instance().cas_open(1));

  // Already open: the trunk is reported with 0 and not opened again.
  cas.clear();
  CasCommand(1, 6, LGCP::CasCommandSignal::open_id, 2);
  EXPECT_EQ(cas.count(0x80044300u), 0u);
  EXPECT_EQ(CasSignals(Sent()), (std::vector<Cas>{{1, 0, 0, 0}, {1, 6, 2, 2}}));
}

TEST_F(E1CtlTest, OpenOnTheAlignmentOrSignallingSlotTouchesNoChannel) {
  ConnectQuietly();
  CasCommand(2, 16, LGCP::CasCommandSignal::open_id, 3);
  CasCommand(3, 0, LGCP::CasCommandSignal::open_id, 3);
  ASSERT_EQ(cas.requests().size(), 2u);
  EXPECT_EQ(cas.requests()[0].value, 2u);
  EXPECT_EQ(cas.requests()[1].value, 3u);
  EXPECT_EQ(CasSignals(Sent()), (std::vector<Cas>{{2, 0, 0, 0}, {3, 0, 0, 0}}));
}

TEST_F(E1CtlTest, DriverFailuresTravelAsNegativeRx) {
  ConnectQuietly();
  cas.fail(E1Ctl::kCasOpen, EIO);
  Capture log(std::clog);
  CasCommand(0, 5, LGCP::CasCommandSignal::open_id, 1);
  EXPECT_TRUE(log.has("E1: open cas signalling on trunk(0) - fail(-1)\n"));
  EXPECT_EQ(cas.requests().size(), 1u);  // no channel request on a trunk that did not open
  EXPECT_FALSE(E1Ctl::instance().cas_open(0));

  cas.on(E1Ctl::kCasOpen, [](Dev::Sim::Request&) { return 0; });
  cas.fail(E1Ctl::kCasChannelEnable, EIO);
  CasCommand(0, 5, LGCP::CasCommandSignal::open_id, 1);
  cas.fail(E1Ctl::kCasGet, EIO);
  CasCommand(0, 5, LGCP::CasCommandSignal::get_id);
  cas.fail(E1Ctl::kCasSet, EIO);
  CasCommand(0, 5, LGCP::CasCommandSignal::set_id, 1);
  EXPECT_EQ(CasSignals(Sent()),
            (std::vector<Cas>{{0, 0, -1, 0}, {0, 0, 0, 0}, {0, 5, -1, 0}, {0, 5, -1, 0}, {0, 5, -1, 0}}));
}

TEST_F(E1CtlTest, CloseOfTheTrunkReportsAZeroResultAsOneAndClosesIt) {
  ConnectQuietly();
  CasCommand(1, 0, LGCP::CasCommandSignal::open_id, 0);
  Sent();
  CasCommand(1, 0, LGCP::CasCommandSignal::close_id);
  EXPECT_EQ(cas.last().number, 0x80044301u);
  EXPECT_EQ(cas.last().value, 1u);
  EXPECT_EQ(CasSignals(Sent()), (std::vector<Cas>{{1, 0, 1, 0}}));
  EXPECT_FALSE(E1Ctl::instance().cas_open(1));

  // A driver result above 0 is reported as it is; a failure keeps the trunk open.
  CasCommand(2, 0, LGCP::CasCommandSignal::open_id, 0);
  cas.on(E1Ctl::kCasClose, [](Dev::Sim::Request&) { return 3; });
  CasCommand(2, 0, LGCP::CasCommandSignal::close_id);
  CasCommand(3, 0, LGCP::CasCommandSignal::open_id, 0);
  cas.fail(E1Ctl::kCasClose, EBUSY);
  CasCommand(3, 0, LGCP::CasCommandSignal::close_id);
  auto signals = CasSignals(Sent());
  ASSERT_EQ(signals.size(), 4u);
  EXPECT_EQ(signals[1], (Cas{2, 0, 3, 0}));
  EXPECT_EQ(signals[3], (Cas{3, 0, -1, 0}));
  EXPECT_TRUE(E1Ctl::instance().cas_open(3));
}

TEST_F(E1CtlTest, CloseOfAChannelDisablesItOnlyOnAnOpenTrunk) {
  ConnectQuietly();
  CasCommand(1, 5, LGCP::CasCommandSignal::close_id);  // trunk not open: nothing
  EXPECT_TRUE(cas.requests().empty());
  CasCommand(1, 0, LGCP::CasCommandSignal::open_id, 0);
  Sent();
  cas.clear();
  CasCommand(1, 5, LGCP::CasCommandSignal::close_id);
  CasCommand(1, 16, LGCP::CasCommandSignal::close_id);
  ASSERT_EQ(cas.requests().size(), 1u);
  EXPECT_EQ(cas.last().number, 0xC0104304u);
  EXPECT_EQ(cas.last().record, ChannelRecord(1, 5, 0, 0, 1));
  EXPECT_EQ(CasSignals(Sent()), (std::vector<Cas>{{1, 5, -1, 1}}));
}

TEST_F(E1CtlTest, SetAndGetActOnlyOnAnOpenTrunk) {
  ConnectQuietly();
  CasCommand(2, 7, LGCP::CasCommandSignal::set_id, 9);
  CasCommand(2, 7, LGCP::CasCommandSignal::get_id);
  EXPECT_TRUE(cas.requests().empty());
  auto m = Sent();
  EXPECT_TRUE(CasSignals(m).empty());
  ASSERT_EQ(m.size(), 2u);
  EXPECT_TRUE(testsupport::is_success(m[1]));

  CasCommand(2, 0, LGCP::CasCommandSignal::open_id, 0);
  Sent();
  cas.clear();
  CasCommand(2, 7, LGCP::CasCommandSignal::set_id, 0x39);
  ASSERT_EQ(cas.requests().size(), 2u);
  EXPECT_EQ(cas.requests()[0].number, 0xC00C4302u);
  EXPECT_EQ(cas.requests()[0].record, ChannelRecord(2, 7, 0, 9));
  EXPECT_EQ(cas.requests()[1].number, 0xC00C4303u);
  CasCommand(2, 7, LGCP::CasCommandSignal::get_id);
  EXPECT_EQ(CasSignals(Sent()), (std::vector<Cas>{{2, 7, 9, 9}, {2, 7, 9, 9}}));
}

TEST_F(E1CtlTest, TrunksAndSlotsOutsideTheBoardAreRefusedUntouched) {
  ConnectQuietly();
  for (auto [trunk, ts] : {std::pair{4, 1}, {-1, 1}, {100000, 1}, {0, 32}, {0, -1}})
    CasCommand(trunk, ts, LGCP::CasCommandSignal::open_id, 1);
  EXPECT_TRUE(cas.requests().empty());
  auto m = Sent();
  ASSERT_EQ(m.size(), 5u);
  for (auto const& answer : m) EXPECT_EQ(testsupport::error_of(answer), LGCP::ErrorCause::invalidParams);
}

TEST_F(E1CtlTest, IoctlOtherThanCasAndCasWithoutTheDeviceAreUnsupported) {
  cas.setOpenError(ENOENT);
  ConnectQuietly();
  Command([](LGCP::Command& c) { c.set_ioctl().set_dtmf_disable(); });
  CasCommand(1, 5, LGCP::CasCommandSignal::open_id, 1);
  auto m = Sent();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(testsupport::error_of(m[0]), LGCP::ErrorCause::unsupported);
  EXPECT_EQ(testsupport::error_of(m[1]), LGCP::ErrorCause::unsupported);
  // The next command finds the device once it is there.
  cas.setOpenError(0);
  CasCommand(1, 0, LGCP::CasCommandSignal::open_id, 1);
  EXPECT_TRUE(testsupport::is_success(Sent().back()));
}

TEST_F(E1CtlTest, OtherCommandsAreDeclined) {
  ConnectQuietly();
  Command([](LGCP::Command& c) { c.set_clockCfg(); });
  EXPECT_EQ(testsupport::error_of(Sent().at(0)), LGCP::ErrorCause::unexpectedMsgType);
}

// ---- events from the CAS device ----

TEST_F(E1CtlTest, EachTwelveByteEventBecomesACasSignalAndOthersAreDroppedWithALine) {
  ConnectQuietly();
  ASSERT_TRUE(E1Ctl::instance().cas_device_open());
  Capture err(std::cerr);
  std::vector<uint8_t> event = ChannelRecord(3, 9, 0x0A, 0x05);
  cas.push(event);
  cas.push(event.data(), 11);
  std::vector<uint8_t> longer = ChannelRecord(2, 4, 0x01, 0x01, 7);  // 16 bytes
  cas.push(longer);
  cas.push(std::vector<uint8_t>(300, 0));
  event[8] = 0x0B;
  cas.push(event);
  Settle();
  auto m = Sent();
  EXPECT_EQ(CasSignals(m), (std::vector<Cas>{{3, 9, 10, 5}, {3, 9, 11, 5}}));
  ASSERT_EQ(m.size(), 2u);
  EXPECT_FALSE(testsupport::has_slot(m[0]));
  EXPECT_FALSE(testsupport::has_seq(m[0]));
  EXPECT_TRUE(err.has("E1: cas event: bad record size 11, dropped\n"));
  EXPECT_TRUE(err.has("E1: cas event: bad record size 16, dropped\n"));
  EXPECT_TRUE(err.has("E1: cas event: bad record size 193, dropped\n"));
  EXPECT_TRUE(E1Ctl::instance().cas_device_open());
}

TEST_F(E1CtlTest, CasDeviceThatGoesAwayIsClosedAndOpenedAgainByTheNextStep) {
  ConnectQuietly();
  {
    Capture err(std::cerr);
    cas.latest().retire();
    Settle();
    EXPECT_TRUE(err.has("E1: cas interface failed, closed\n"));
  }
  EXPECT_FALSE(E1Ctl::instance().cas_device_open());
  Capture log(std::clog);
  Advance(1000);
  EXPECT_TRUE(log.has("E1: cas interface opened!\n"));
  EXPECT_EQ(cas.files(), 2u);
  cas.push(ChannelRecord(0, 1, 2, 3));
  Settle();
  EXPECT_EQ(CasSignals(Sent()), (std::vector<Cas>{{0, 1, 2, 3}}));
  // An error event with nothing to read closes it too.
  Fd idle(Dev::open("/dev/e1-cas", O_RDWR | O_NONBLOCK));
  Capture err(std::cerr);
  E1Ctl::instance().OnUpdateCas(idle.get(), POLLERR);
  EXPECT_FALSE(E1Ctl::instance().cas_device_open());
  EXPECT_TRUE(err.has("E1: cas interface failed, closed\n"));
}

}  // namespace
