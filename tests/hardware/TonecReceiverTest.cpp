// The tone receiver service on the simulated "/dev/dtmf": exact requests,
// request ids, events through the loop to the right receiver, DTMF playout,
// the wait tone and hostile event records.
#include <fcntl.h>
#include <poll.h>

#include <cerrno>

#include "core/Fd.h"
#include "core/MuxTime.h"
#include "hardware/TonecReceiver.h"
#include "HwTestSupport.h"

namespace {

using Hardware::TonecReceiver;
using Hardware::TonecReceiverService;
using hwtest::words;

constexpr uint32_t kEnable = 0x40084203, kDisable = 0x40044204, kDial = 0x400C4205;

struct Rx : TonecReceiver {
  explicit Rx(unsigned ts) : ts(ts) {}
  ~Rx() override { CleanBeforeDestroy(); }
  void tonec_event(Params const& p) override { events.push_back({p.code, p.timestamp}); }
  unsigned tonec_timeslot() const override { return ts; }
  void tone_gen_complete() override { ++completes; }
  unsigned ts;
  std::vector<std::pair<uint32_t, uint32_t>> events;
  int completes = 0;
};

// The generator record: time slot, then f1, f2, l1, l2 in 16 bits each.
std::vector<uint8_t> dial(uint32_t ts, uint16_t f1, uint16_t f2, uint16_t l1, uint16_t l2) {
  Dev::Record<12> r;
  r.put32(0, ts);
  r.put16(4, f1);
  r.put16(6, f2);
  r.put16(8, l1);
  r.put16(10, l2);
  return std::vector<uint8_t>(r.bytes, r.bytes + 12);
}

std::vector<std::vector<uint8_t>> dials(Dev::Sim::Device const& d) {
  std::vector<std::vector<uint8_t>> out;
  for (auto const& r : d.requests())
    if (r.number == kDial) out.push_back(r.record);
  return out;
}

LGCP::TranslateDtmfParams digits(std::vector<std::pair<int, int>> const& tones) {
  LGCP::TranslateDtmfParams p;
  for (auto const& [f1, f2] : tones) {
    LGCP::DualTone t;
    t.set_freq1(f1);
    t.set_freq2(f2);
    p.get_digits().push_back_clone(t);
  }
  return p;
}

class TonecTest : public hwtest::BoardTest {
 protected:
  TonecTest() { TonecReceiverService::instance(); }
  // One event record from the driver: code, time slot, time stamp, request id.
  void event(uint32_t code, uint32_t ts, uint32_t timestamp, uint32_t id) {
    ASSERT_TRUE(dtmf.push(words({code, ts, timestamp, id})));
  }
  void settle() { hwtest::runFor(30); }
  Dev::Sim::Device& dtmf = board.device("/dev/dtmf");
};

TEST_F(TonecTest, EnablingDTMFTwiceSendsOneRequestWithTheNextRequestId) {
  Rx rx(7);
  hwtest::Capture err(std::cerr);
  ASSERT_TRUE(rx.enableDTMF(true));
  uint32_t id = rx.request_id();
  EXPECT_NE(id, 0u);
  ASSERT_TRUE(rx.enableDTMF(true));
  ASSERT_EQ(dtmf.requests().size(), 1u);
  EXPECT_EQ(dtmf.last().number, kEnable);
  EXPECT_EQ(dtmf.last().record, words({7, id}));
  EXPECT_TRUE(err.has("DTMF_ENABLE_DETECTOR done: timeslot=7 id=" + std::to_string(id) + "\n"));

  ASSERT_TRUE(rx.disableDTMF());
  EXPECT_EQ(dtmf.last().number, kDisable);
  EXPECT_EQ(dtmf.last().value, 7u);
  EXPECT_TRUE(dtmf.last().record.empty());
  ASSERT_TRUE(rx.enableDTMF(true));
  EXPECT_EQ(rx.request_id(), id + 1);
}

TEST_F(TonecTest, AFailedEnableStillUsesUpItsRequestIdAndChangesNothing) {
  Rx rx(7);
  dtmf.fail(kEnable, EIO);
  hwtest::Capture err(std::cerr);
  EXPECT_FALSE(rx.enableDTMF(true));
  uint32_t failed = dtmf.last().word(4);
  EXPECT_TRUE(err.has("DTMF_ENABLE_DETECTOR fail: timeslot=7 id=" + std::to_string(failed) +
                      " errno=\"Input/output error\"\n"));
  EXPECT_FALSE(rx.events_enabled());
  EXPECT_EQ(rx.request_id(), 0u);
  board.reset();
  ASSERT_TRUE(rx.enableDTMF(true));
  EXPECT_EQ(rx.request_id(), failed + 1);
}

TEST_F(TonecTest, EventsReachTheReceiverOnlyWithItsLatestRequestId) {
  Rx rx(7);
  ASSERT_TRUE(rx.enableDTMF(true));
  uint32_t old = rx.request_id();
  ASSERT_TRUE(rx.disableDTMF());
  ASSERT_TRUE(rx.enableDTMF(true));
  uint32_t id = rx.request_id();
  hwtest::Capture log(std::clog);
  event(0x31, 7, 1000, old);
  event(0x32, 7, 1001, id);
  ASSERT_TRUE(hwtest::runUntil([&] { return !rx.events.empty(); }));
  settle();
  EXPECT_EQ(rx.events, (std::vector<std::pair<uint32_t, uint32_t>>{{0x32, 1001}}));
  EXPECT_TRUE(log.has("dtmf event:  timestamp=1000 timeslot=7 code=49 id=" + std::to_string(old) + "\n"));
  EXPECT_TRUE(log.has("ignore spurious dtmf event:  timestamp=1000 timeslot=7 code=49 id=" + std::to_string(old) +
                      " rid=" + std::to_string(id) + "\n"));
}

TEST_F(TonecTest, TheOlderOfTwoReceiversOnOneTimeSlotDecides) {
  Rx older(9), younger(9);
  ASSERT_TRUE(younger.enableDTMF(true));
  hwtest::Capture log(std::clog);
  event(1, 9, 5, younger.request_id());
  settle();
  EXPECT_TRUE(older.events.empty());
  EXPECT_TRUE(younger.events.empty());
  EXPECT_TRUE(log.has("ignore spurious dtmf event (DTMF disabled):  timestamp=5 timeslot=9 code=1"));

  ASSERT_TRUE(older.enableDTMF(true));
  event(2, 9, 6, older.request_id());
  settle();
  EXPECT_EQ(older.events.size(), 1u);
  EXPECT_TRUE(younger.events.empty());
}

TEST_F(TonecTest, HostileRecordsAreReportedAndDroppedAndLaterRecordsStillArrive) {
  Rx rx(3);
  ASSERT_TRUE(rx.enableDTMF(true));
  hwtest::Capture err(std::cerr);
  ASSERT_TRUE(dtmf.push(std::vector<uint8_t>(10, 0xFF)));
  ASSERT_TRUE(dtmf.push(std::vector<uint8_t>(300, 0x00)));
  event(1, 0xFFFFFFFF, 0, rx.request_id());
  event(4, 3, 77, rx.request_id());
  ASSERT_TRUE(hwtest::runUntil([&] { return !rx.events.empty(); }));
  EXPECT_EQ(rx.events, (std::vector<std::pair<uint32_t, uint32_t>>{{4, 77}}));
  EXPECT_TRUE(err.has("dtmf event: bad record size 10, dropped\n"));
  EXPECT_TRUE(err.has("dtmf event: bad record size 257, dropped\n"));
  EXPECT_TRUE(err.has("receive tonec event from unknown timeslot 4294967295\n"));
}

TEST_F(TonecTest, EveryRecordOfAReadThatBringsSeveralIsDelivered) {
  Rx rx(3);
  ASSERT_TRUE(rx.enableDTMF(true));
  uint32_t const id = rx.request_id();
  std::vector<uint8_t> two = words({5, 3, 10, id, 6, 3, 11, id});
  ASSERT_TRUE(dtmf.push(two));
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.events.size() == 2; }));
  EXPECT_EQ(rx.events, (std::vector<std::pair<uint32_t, uint32_t>>{{5, 10}, {6, 11}}));
}

TEST_F(TonecTest, AReadFailureIsReportedAndTheServiceKeepsWatching) {
  Rx rx(3);
  ASSERT_TRUE(rx.enableDTMF(true));
  hwtest::Capture err(std::cerr);
  dtmf.latest().failNextRead(EIO);
  event(4, 3, 1, rx.request_id());
  ASSERT_TRUE(hwtest::runUntil([&] { return !rx.events.empty(); }));
  EXPECT_TRUE(err.has("fail to read from tonec: Input/output error\n"));
}

TEST_F(TonecTest, ADestroyedReceiverLeavesTheRegistry) {
  auto rx = std::make_unique<Rx>(11);
  ASSERT_TRUE(rx->enableDTMF(true));
  uint32_t id = rx->request_id();
  rx.reset();
  hwtest::Capture err(std::cerr);
  event(1, 11, 1, id);
  settle();
  EXPECT_TRUE(err.has("receive tonec event from unknown timeslot 11\n"));
}

TEST_F(TonecTest, IVASwitchesEventDeliveryWithoutARequestId) {
  Rx rx(5);
  hwtest::Capture log(std::clog);
  ASSERT_TRUE(rx.enableIVA(true));
  EXPECT_EQ(dtmf.last().number, 0x4004420Bu);
  EXPECT_EQ(dtmf.last().value, 5u);
  EXPECT_TRUE(log.has("IVA_DETECTOR_ENABLE[5] ok\n"));
  EXPECT_TRUE(rx.events_enabled());
  EXPECT_EQ(rx.request_id(), 0u);
  dtmf.clear();
  ASSERT_TRUE(rx.enableDTMF(true));
  EXPECT_TRUE(dtmf.requests().empty());

  event(8, 5, 1, 0);
  settle();
  EXPECT_EQ(rx.events.size(), 1u);
  ASSERT_TRUE(rx.enableIVA(false));
  EXPECT_EQ(dtmf.last().number, 0x4004420Cu);
  event(8, 5, 2, 0);
  settle();
  EXPECT_EQ(rx.events.size(), 1u);
  EXPECT_TRUE(log.has("ignore spurious dtmf event (DTMF disabled): "));
}

TEST_F(TonecTest, ConfigurationRecordsAndLines) {
  Rx rx(6);
  LGCP::DTMFParams p;
  p.get_threshold().set_twist(8);
  p.get_threshold().set_ratio(9);
  p.get_threshold().set_noise(10);
  p.get_level().set_silence(11);
  hwtest::Capture log(std::clog);
  ASSERT_TRUE(rx.configureDTMF(p));
  EXPECT_EQ(dtmf.last().number, 0x40144202u);
  EXPECT_EQ(dtmf.last().record, words({6, 8, 9, 11, 10}));
  EXPECT_TRUE(log.has("DTMF_CONFIGURE_DETECTOR ts=6 twist=8 ratio=9 noise=10 silence=11\n"));

  LGCP::IVAParams iva;
  iva.set_det_lvl_dB(-12);
  ASSERT_TRUE(rx.configureIVA(iva));
  EXPECT_EQ(dtmf.last().number, 0x4008420Du);
  EXPECT_EQ(dtmf.last().record, words({6, 0xFFFFFFF4}));
  EXPECT_TRUE(log.has("IVA_CONFIGURE_DETECTOR ts=6 det_lvl_dB=-12\n"));

  ASSERT_TRUE(rx.echoCancel(true));
  EXPECT_EQ(dtmf.last().number, 0x40044206u);
  ASSERT_TRUE(rx.echoCancel(false));
  EXPECT_EQ(dtmf.last().number, 0x40044207u);
  EXPECT_TRUE(log.has("CHANNEL_LMS_ON[6] ok\nCHANNEL_LMS_OFF[6] ok\n"));

  dtmf.fail(0x4004420Au, EIO);
  hwtest::Capture err(std::cerr);
  ASSERT_TRUE(rx.enableDTMFReject(true));
  EXPECT_EQ(dtmf.last().number, 0x40044209u);
  EXPECT_FALSE(rx.enableDTMFReject(false));
  EXPECT_TRUE(err.has("DTMF_REJECTION_DISABLE fail: timeslot=6 errno=\"Input/output error\"\n"));
}

TEST_F(TonecTest, CleaningTurnsOffWhatWasSwitchedOnInOrder) {
  {
    Rx rx(4);
    ASSERT_TRUE(rx.enableDTMF(true));
    ASSERT_TRUE(rx.enableIVA(true));
    ASSERT_TRUE(rx.enableDTMFReject(true));
    dtmf.clear();
  }
  ASSERT_EQ(dtmf.requests().size(), 3u);
  EXPECT_EQ(dtmf.requests()[0].number, kDisable);
  EXPECT_EQ(dtmf.requests()[1].number, 0x4004420Cu);
  EXPECT_EQ(dtmf.requests()[2].number, 0x4004420Au);
}


TEST_F(TonecTest, SelcalSendsTheFirstFourSignsAndRefusesFewerThanFour) {
  Rx rx(12);
  TERM::SelcalCommand c;
  c.set_signs("ABCDE");
  ASSERT_TRUE(rx.translateSelcal(c));
  EXPECT_EQ(dtmf.last().number, 0x400C420Eu);
  // 12000 = 0x2EE0 when the amplitude is absent.
  EXPECT_EQ(dtmf.last().record, (std::vector<uint8_t>{0, 0, 0, 12, 0x2E, 0xE0, 'A', 'B', 'C', 'D', 0, 0}));
  c.set_amp(500);
  c.set_signs("WXYZ");
  ASSERT_TRUE(rx.translateSelcal(c));
  EXPECT_EQ(dtmf.last().record, (std::vector<uint8_t>{0, 0, 0, 12, 0x01, 0xF4, 'W', 'X', 'Y', 'Z', 0, 0}));

  dtmf.clear();
  hwtest::Capture err(std::cerr);
  c.set_signs("ABC");
  EXPECT_FALSE(rx.translateSelcal(c));
  c.set_signs("ABCD");
  c.set_amp(70000);  // would be cut to 16 bits
  EXPECT_FALSE(rx.translateSelcal(c));
  EXPECT_TRUE(dtmf.requests().empty());
  EXPECT_TRUE(err.has("SELCAL_DIAL fail: timeslot=12 incorect signs:ABC\n"));
  EXPECT_TRUE(err.has("SELCAL_DIAL fail: timeslot=12 amp out of range:70000\n"));
}

TEST_F(TonecTest, ADigitListPlaysWithDefaultLevelsAndDurationsThenStopsAndCompletesOnce) {
  Rx rx(2);
  uint32_t start = Mux::milliseconds();
  ASSERT_TRUE(rx.translateDTMF(digits({{697, 1209}, {770, 1336}})));
  EXPECT_TRUE(rx.playing());
  EXPECT_EQ(dials(dtmf), (std::vector<std::vector<uint8_t>>{dial(2, 697, 1209, 16384, 16384)}));
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.completes > 0; }));
  uint32_t took = Mux::milliseconds() - start;
  hwtest::runFor(200);
  EXPECT_EQ(rx.completes, 1);
  EXPECT_FALSE(rx.playing());
  EXPECT_GE(took, 270u);  // 70 ms of tone and 70 ms of pause per digit
  EXPECT_LT(took, 1000u);
  EXPECT_EQ(dials(dtmf), (std::vector<std::vector<uint8_t>>{
                             dial(2, 697, 1209, 16384, 16384), dial(2, 1000, 1000, 0, 0),
                             dial(2, 770, 1336, 16384, 16384), dial(2, 1000, 1000, 0, 0), dial(2, 0, 0, 0, 0)}));
}

TEST_F(TonecTest, GivenLevelsAndDurationsAreUsed) {
  Rx rx(2);
  auto p = digits({{941, 1477}});
  p.set_amp1(1000);
  p.set_amp2(2000);
  p.set_toneDuration(10);
  p.set_pauseDuration(10);
  ASSERT_TRUE(rx.translateDTMF(p));
  uint32_t start = Mux::milliseconds();
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.completes > 0; }));
  EXPECT_LT(Mux::milliseconds() - start, 140u);
  EXPECT_EQ(dials(dtmf).front(), dial(2, 941, 1477, 1000, 2000));
}

TEST_F(TonecTest, ANewListDuringAPlayoutReplacesTheDigitsStillToPlay) {
  Rx rx(2);
  ASSERT_TRUE(rx.translateDTMF(digits({{1, 1}, {2, 2}, {3, 3}})));
  ASSERT_TRUE(rx.translateDTMF(digits({{9, 9}})));
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.completes > 0; }));
  auto sent = dials(dtmf);
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[0], dial(2, 1, 1, 16384, 16384));
  EXPECT_EQ(sent[2], dial(2, 9, 9, 16384, 16384));
}

TEST_F(TonecTest, DigitListsTheGeneratorCannotPlayAreRefusedWhole) {
  Rx rx(2);
  hwtest::Capture err(std::cerr);
  EXPECT_FALSE(rx.translateDTMF(digits({{697, 70000}})));
  EXPECT_FALSE(rx.translateDTMF(digits({{-1, 1209}})));
  auto p = digits({{697, 1209}});
  p.set_pauseDuration(-5);
  EXPECT_FALSE(rx.translateDTMF(p));
  p = digits({{697, 1209}});
  p.set_amp1(65536);
  EXPECT_FALSE(rx.translateDTMF(p));
  EXPECT_TRUE(dtmf.requests().empty());
  EXPECT_FALSE(rx.playing());
  EXPECT_TRUE(err.has("translate DTMF fail: timeslot=2 (values out of range)\n"));
}

TEST_F(TonecTest, TheGeneratorStopsUnforcedOnlyDuringAPlayout) {
  Rx rx(2);
  EXPECT_FALSE(rx.disableToneGenerator(false));
  EXPECT_TRUE(dtmf.requests().empty());
  EXPECT_TRUE(rx.disableToneGenerator(true));
  EXPECT_EQ(dtmf.last().record, dial(2, 0, 0, 0, 0));
  ASSERT_TRUE(rx.translateDTMF(digits({{1, 1}, {2, 2}})));
  EXPECT_TRUE(rx.disableToneGenerator(false));
  EXPECT_FALSE(rx.playing());
  dtmf.clear();
  hwtest::runFor(200);
  EXPECT_TRUE(dtmf.requests().empty());
  EXPECT_EQ(rx.completes, 0);
}

TEST_F(TonecTest, TheWaitToneRunsItsCadenceAndStaysOffAfterCancel) {
  Rx rx(2);
  rx.activateAudibleCall();
  EXPECT_EQ(dtmf.last().record, dial(2, 425, 0, 2048, 2048));
  ASSERT_TRUE(hwtest::runUntil([&] { return dials(dtmf).size() == 2; }, 1500));
  EXPECT_EQ(dtmf.last().record, dial(2, 1000, 1000, 0, 0));
  rx.cancelAudibleCall();
  EXPECT_EQ(dtmf.last().record, dial(2, 0, 0, 0, 0));
  dtmf.clear();
  hwtest::runFor(3200);
  EXPECT_TRUE(dtmf.requests().empty());
}

TEST_F(TonecTest, CancellingTheWaitToneLeavesARunningPlayoutAlone) {
  Rx rx(2);
  ASSERT_TRUE(rx.translateDTMF(digits({{1, 1}})));
  rx.cancelAudibleCall();
  EXPECT_EQ(dials(dtmf).size(), 1u);
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.completes > 0; }));
}

TEST_F(TonecTest, AWaitToneStartedDuringAPlayoutEndsAndReportsItSoTheNextListPlays) {
  Rx rx(2);
  rx.activateAudibleCall();
  EXPECT_EQ(rx.completes, 0);  // no playout to end
  ASSERT_TRUE(rx.translateDTMF(digits({{1, 1}, {2, 2}})));
  rx.activateAudibleCall();
  EXPECT_FALSE(rx.playing());
  EXPECT_EQ(rx.completes, 1);
  EXPECT_EQ(dials(dtmf).back(), dial(2, 425, 0, 2048, 2048));  // the wait tone has the generator
  rx.cancelAudibleCall();
  ASSERT_TRUE(rx.translateDTMF(digits({{5, 5}})));
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.completes > 1; }));
  EXPECT_EQ(rx.completes, 2);
}

TEST_F(TonecTest, ADeviceThatHangsUpOrFailsIsClosedOnceAndOpenedAgainAtTheNextUse) {
  auto& service = TonecReceiverService::instance();
  Rx rx(3);
  size_t const opens = dtmf.files();
  hwtest::Capture err(std::cerr);
  dtmf.latest().retire();
  uint32_t const start = multiplexer.pass_count();
  hwtest::runFor(300);
  EXPECT_LT(multiplexer.pass_count() - start, 20u);
  EXPECT_FALSE(service.opened());
  EXPECT_TRUE(err.has("dtmf device hung up or failed, closed until its next use\n"));
  EXPECT_TRUE(rx.enableDTMF(true));
  EXPECT_EQ(dtmf.files(), opens + 1);
  // An error event with nothing to read.
  Fd idle(Dev::open("/dev/dtmf", O_RDWR | O_NONBLOCK));
  service.OnEvent(idle.get(), POLLERR);
  EXPECT_FALSE(service.opened());
}

class TonecClosedTest : public hwtest::BoardTest {};

TEST_F(TonecClosedTest, AMissingDeviceFailsRequestsAndConfigurationOpensItAgain) {
  board.device("/dev/dtmf").setOpenError(ENOENT);
  hwtest::Capture err(std::cerr);
  auto& service = TonecReceiverService::instance();
  if (service.opened()) GTEST_SKIP() << "the service was opened by an earlier test of this process";
  EXPECT_TRUE(err.has("open tonec fail, DTMF proceeding disabled: No such file or directory\n"));
  Rx rx(3);
  LGCP::DTMFParams p;
  LGCP::IVAParams iva;
  EXPECT_FALSE(rx.configureDTMF(p));
  EXPECT_FALSE(rx.configureIVA(iva));
  EXPECT_FALSE(rx.enableDTMF(true));
  EXPECT_TRUE(err.has("configure DTMF fail: (interface not opened) timeslot=3\n"));
  EXPECT_TRUE(err.has("configure IVA fail: (interface not opened) timeslot=3\n"));
  EXPECT_TRUE(err.has("DTMF_ENABLE_DETECTOR fail: timeslot=3 id=1 errno=\"Bad file descriptor\"\n"));

  board.device("/dev/dtmf").setOpenError(0);
  EXPECT_TRUE(rx.configureDTMF(p));
  EXPECT_TRUE(service.opened());
  EXPECT_TRUE(rx.enableDTMF(true));
  EXPECT_EQ(rx.request_id(), 2u);
}

}  // namespace
