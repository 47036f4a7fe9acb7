// The DSP receiver service on the simulated "/dev/dsp": request records,
// skipped repeats, configuration parameters by driver version, events through
// the loop to the receiver of their time slot, and hostile records.
#include <cerrno>
#include <cstring>

#include "control/TraceCtl.h"
#include "hardware/DSProcReceiver.h"
#include "HwTestSupport.h"

namespace {

using Hardware::DSProcReceiver;
using Hardware::DSProcReceiverService;
using hwtest::words;

constexpr uint32_t kConfigure = 0x40146401, kEnable = 0x400C6402, kDisable = 0x400C6403;

struct Rx : DSProcReceiver {
  explicit Rx(unsigned ts) : ts(ts) {}
  ~Rx() override { CleanBeforeDestroy(); }
  void dsproc_vad_event(Hardware::DSProcVADEvent const& e) override { vad.push_back({e.rx, e.tx}); }
  void dsproc_bss_event(::dsproc_bss_event const* e) override { bss.push_back(e->score); }
  void dsproc_sd_event(Hardware::DSProcSDEvent const& e) override { sd.push_back(e.sd_rx); }
  void dsproc_tone_flt_event(::dsproc_tone_event const* e) override { tone.push_back({e->p1, e->p2, e->p3}); }
  void dsproc_flags_event(::dsproc_flags_event const* e) override { flags.push_back({e->flags, e->mask}); }
  unsigned dsproc_timeslot() const override { return ts; }
  unsigned ts;
  std::vector<std::pair<int, int>> vad;
  std::vector<float> bss;
  std::vector<int> sd;
  std::vector<std::vector<uint32_t>> tone;
  std::vector<std::pair<uint32_t, uint32_t>> flags;
  size_t total() const { return vad.size() + bss.size() + sd.size() + tone.size() + flags.size(); }
};

uint32_t bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

class DSProcTest : public hwtest::BoardTest {
 protected:
  DSProcTest() {
    DSProcReceiverService::instance();
    traces.signalling_events = true;
  }
  ~DSProcTest() override { traces.signalling_events = false; }
  void event(uint32_t ts, uint32_t id, uint32_t type, uint32_t p1, uint32_t p2 = 0, uint32_t p3 = 0) {
    ASSERT_TRUE(dsp.push(words({ts, id, type, p1, p2, p3})));
  }
  void settle() { hwtest::runFor(30); }
  Dev::Sim::Device& dsp = board.device("/dev/dsp");
};

TEST_F(DSProcTest, AFreshReceiverSendsItsFirstVadSdAndMuteRequestsButNotABssOrNgDisable) {
  Rx rx(4);
  EXPECT_TRUE(rx.disableBSS());
  EXPECT_TRUE(rx.disableNG());
  EXPECT_TRUE(dsp.requests().empty());
  EXPECT_TRUE(rx.disableVAD());
  EXPECT_EQ(dsp.last().number, kDisable);
  EXPECT_EQ(dsp.last().record, words({4, 0, 1}));
  EXPECT_TRUE(rx.disableSD());
  EXPECT_EQ(dsp.last().record, words({4, 0, 2}));
  EXPECT_TRUE(rx.disableMute());
  EXPECT_EQ(dsp.last().record, words({4, 0, 12}));
  EXPECT_EQ(dsp.requests().size(), 3u);
  // Known now: repeating them sends nothing.
  EXPECT_TRUE(rx.disableVAD());
  EXPECT_TRUE(rx.disableSD());
  EXPECT_TRUE(rx.disableMute());
  EXPECT_EQ(dsp.requests().size(), 3u);
}

TEST_F(DSProcTest, EnablingTwiceSendsOneRequestWithAFreshRequestIdAndTheKind) {
  Rx rx(4);
  hwtest::Capture err(std::cerr);
  ASSERT_TRUE(rx.enableVAD(true));
  ASSERT_TRUE(rx.enableVAD(true));
  ASSERT_EQ(dsp.requests().size(), 1u);
  uint32_t id = dsp.last().word(4);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(dsp.last().number, kEnable);
  EXPECT_EQ(dsp.last().record, words({4, id, 1}));
  EXPECT_TRUE(err.has("DSPROC_ENABLE VAD done: timeslot=4 id=" + std::to_string(id) + "\n"));
  ASSERT_TRUE(rx.enableBSS(true));
  EXPECT_EQ(dsp.last().record, words({4, id + 1, 16}));
  ASSERT_TRUE(rx.enableNG(true));
  EXPECT_EQ(dsp.last().record, words({4, id + 2, 128}));
  ASSERT_TRUE(rx.enableSD(true));
  EXPECT_EQ(dsp.last().record, words({4, id + 3, 2}));
  ASSERT_TRUE(rx.enableMute(true, false));
  EXPECT_EQ(dsp.last().record, words({4, id + 4, 4}));
  ASSERT_TRUE(rx.enableMute(true, true));
  EXPECT_EQ(dsp.last().record, words({4, id + 5, 12}));
}

TEST_F(DSProcTest, FailedRequestsReportAndLeaveTheStateAlone) {
  Rx rx(4);
  dsp.fail(kEnable, EIO);
  hwtest::Capture err(std::cerr);
  EXPECT_FALSE(rx.enableVAD(true));
  EXPECT_EQ(rx.vad_state(), -1);
  EXPECT_TRUE(err.has("DSPROC_ENABLE VAD fail: timeslot=4 id=" + std::to_string(dsp.last().word(4)) +
                      " errno=\"Input/output error\"\n"));
  dsp.fail(kDisable, EIO);
  EXPECT_FALSE(rx.disableSD());
  EXPECT_EQ(rx.sd_state(), -1);
  EXPECT_TRUE(err.has("DSPROC_DISABLE SD fail: timeslot=4 errno=\"Input/output error\"\n"));
}

TEST_F(DSProcTest, VadEventsCountOnlyWithTheLatestRequestIdAndBssEventsWhateverTheirId) {
  Rx rx(6);
  ASSERT_TRUE(rx.enableVAD(true));
  uint32_t old = dsp.last().word(4);
  ASSERT_TRUE(rx.disableVAD());
  ASSERT_TRUE(rx.enableVAD(true));
  uint32_t id = dsp.last().word(4);
  ASSERT_TRUE(rx.enableBSS(true));
  hwtest::Capture log(std::clog);
  event(6, old, 1, 3, 1, 1);
  event(6, id, 1, 3, 10, 20);
  event(6, 12345, 16, bits(0.75f));
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.total() == 2; }));
  settle();
  EXPECT_EQ(rx.vad, (std::vector<std::pair<int, int>>{{10, 20}}));
  EXPECT_EQ(rx.bss, std::vector<float>{0.75f});
  EXPECT_TRUE(log.has("ignore spurious dsproc vad event:  timeslot=6 id=" + std::to_string(old) +
                      " type=1 rid=" + std::to_string(id) + "\n"));
  EXPECT_TRUE(log.has("dsproc event:  timeslot=6 id=12345 type=16\ndsproc bss event:  score=0.75\n"));
}

TEST_F(DSProcTest, TheDirectionMaskPicksTheReportedDirections) {
  Rx rx(6);
  ASSERT_TRUE(rx.enableVAD(true));
  uint32_t id = dsp.last().word(4);
  event(6, id, 1, 2, 111, 222);
  event(6, id, 1, 1, 333, 444);
  event(6, id, 1, 0, 555, 666);
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.vad.size() == 3; }));
  EXPECT_EQ(rx.vad, (std::vector<std::pair<int, int>>{{-1, 222}, {333, -1}, {-1, -1}}));
}

TEST_F(DSProcTest, SdToneAndFlagsEventsAndDisabledFunctions) {
  Rx rx(8);
  hwtest::Capture log(std::clog);
  event(8, 0, 1, 3, 1, 1);   // VAD never switched on: no request of it has id 0
  event(8, 0, 16, 0);        // BSS off
  event(8, 0, 2, 1);         // SD never switched on
  event(8, 9, 256, 1, 2, 3);
  event(8, 9, 512, 0xF0, 0x0F);
  event(8, 9, 1000, 1);      // unknown type: nothing
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.total() == 2; }));
  settle();
  EXPECT_TRUE(rx.vad.empty());
  EXPECT_TRUE(rx.bss.empty());
  EXPECT_EQ(rx.tone, (std::vector<std::vector<uint32_t>>{{1, 2, 3}}));
  EXPECT_EQ(rx.flags, (std::vector<std::pair<uint32_t, uint32_t>>{{0xF0, 0x0F}}));
  EXPECT_TRUE(log.has("ignore spurious dsproc vad event (dsproc disabled):  timeslot=8 id=0 type=1\n"));
  EXPECT_TRUE(log.has("ignore spurious dsproc bss event (dsproc disabled):  timeslot=8 id=0 type=16\n"));
  // An SD event is dropped with the very lines of a VAD event.
  EXPECT_TRUE(log.has("ignore spurious dsproc vad event (dsproc disabled):  timeslot=8 id=0 type=2\n"));
  EXPECT_TRUE(log.has("dsproc flags event:  flags=0xF0, mask=0xF\n"));

  ASSERT_TRUE(rx.enableSD(true));
  uint32_t const sdId = dsp.last().word(4);
  event(8, sdId + 7, 2, 41);
  event(8, sdId, 2, 42);
  ASSERT_TRUE(hwtest::runUntil([&] { return !rx.sd.empty(); }));
  settle();
  EXPECT_EQ(rx.sd, std::vector<int>{42});
  EXPECT_TRUE(log.has("dsproc sd event:  sd_rx=42\n"));
  EXPECT_TRUE(log.has("ignore spurious dsproc vad event:  timeslot=8 id=" + std::to_string(sdId + 7) +
                      " type=2 rid=" + std::to_string(sdId) + "\n"));
  EXPECT_FALSE(log.has("ignore spurious dsproc sd"));
}

TEST_F(DSProcTest, EventLinesAreWrittenOnlyWithTheEventsTrace) {
  traces.signalling_events = false;
  Rx rx(8);
  hwtest::Capture log(std::clog), err(std::cerr);
  event(8, 0, 1, 3, 1, 1);
  event(99, 0, 1, 3, 1, 1);
  event(8, 0, 256, 1, 2, 3);
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.total() == 1; }));
  settle();
  EXPECT_FALSE(log.has("dsproc"));
  EXPECT_EQ(err.text(), "");
  traces.signalling_events = true;
  event(99, 0, 1, 3, 1, 1);
  settle();
  EXPECT_TRUE(err.has("receive dsproc event from unknown timeslot 99\n"));
}

TEST_F(DSProcTest, HostileRecordsAreReportedAndDropped) {
  Rx rx(8);
  hwtest::Capture err(std::cerr);
  ASSERT_TRUE(dsp.push(std::vector<uint8_t>(16, 0xFF)));
  ASSERT_TRUE(dsp.push(std::vector<uint8_t>(25, 0)));
  event(8, 0, 256, 7, 7, 7);
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.total() == 1; }));
  EXPECT_TRUE(err.has("dsproc event: bad record size 16, dropped\n"));
  EXPECT_TRUE(err.has("dsproc event: bad record size 25, dropped\n"));
  dsp.latest().failNextRead(EIO);
  event(8, 0, 256, 8, 8, 8);
  ASSERT_TRUE(hwtest::runUntil([&] { return rx.total() == 2; }));
  EXPECT_TRUE(err.has("fail to read from dsproc: Input/output error\n"));
}

TEST_F(DSProcTest, VadParametersFollowTheDriversVersion) {
  Rx rx(3);
  LGCP::VADParams v2;
  TERM::VADParamsV2& p = v2.set_v2();
  p.set_voice_th_msec(300);
  p.set_silence_th_msec(0x1234);
  p.set_e_th_dB(-40);
  hwtest::Capture log(std::clog), err(std::cerr);
  ASSERT_TRUE(rx.configureVAD(v2));
  EXPECT_EQ(dsp.requests()[0].number, 0x40046404u);
  EXPECT_EQ(dsp.last().number, kConfigure);
  EXPECT_EQ(dsp.last().record, (std::vector<uint8_t>{0, 0, 0, 3, 0, 0, 0, 1, 0x01, 0x2C, 0x12, 0x34, 0xD8, 0, 0, 0,
                                                     0, 0, 0, 0}));
  EXPECT_TRUE(log.has("DSPROC_CONFIGURE VAD ts=3\n"));

  dsp.clear();
  LGCP::VADParams v1;
  v1.set_v1();
  EXPECT_FALSE(rx.configureVAD(v1));
  EXPECT_EQ(dsp.count(kConfigure), 0u);
  EXPECT_TRUE(err.has("DSPROC_CONFIGURE VAD: params not specified for v2:  timeslot=3\n"));

  p.set_voice_th_msec(70000);
  EXPECT_FALSE(rx.configureVAD(v2));
  EXPECT_EQ(dsp.count(kConfigure), 0u);

  dsp.on(0x40046404u, [](Dev::Sim::Request&) { return 1; });
  p.set_voice_th_msec(300);
  ASSERT_TRUE(rx.configureVAD(v2));
  EXPECT_EQ(dsp.last().record, words({3, 1, 3, 127, 0}));
  dsp.fail(kConfigure, EIO);
  EXPECT_FALSE(rx.configureVAD(v1));
  EXPECT_TRUE(err.has("DSPROC_CONFIGURE VAD fail: timeslot=3 errno=\"Input/output error\"\n"));
}

TEST_F(DSProcTest, DelaysAndGainRecordsAndTheirSetFlags) {
  Rx rx(3);
  hwtest::Capture log(std::clog);
  ASSERT_TRUE(rx.configureDelays(10, 20, 30));
  EXPECT_EQ(dsp.last().record, words({3, 32, 10, 20, 30}));
  EXPECT_TRUE(rx.delays_set());
  EXPECT_TRUE(log.has("DSPROC_CONFIGURE DELAYS ts=3 rx=10 tx=20 selcal=30\n"));
  dsp.fail(kConfigure, EIO);
  hwtest::Capture err(std::cerr);
  EXPECT_FALSE(rx.configureDelays(0, 0, 0));
  EXPECT_FALSE(rx.delays_set());
  EXPECT_TRUE(err.has("DSPROC_CONFIGURE DELAYS fail: timeslot=3 errno="));
  EXPECT_FALSE(rx.configureRxGain(-6));
  EXPECT_TRUE(rx.rx_gain_set());
  board.reset();
  ASSERT_TRUE(rx.configureRxGain(-6));
  EXPECT_EQ(dsp.last().record, (std::vector<uint8_t>{0, 0, 0, 3, 0, 0, 0, 64, 0xFA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(log.has("DSPROC_CONFIGURE RX GAIN ts=3 gain_dB=-6\n"));
  ASSERT_TRUE(rx.configureSD());
  EXPECT_EQ(dsp.last().record, words({3, 2, 0, 0, 0}));
}

TEST_F(DSProcTest, ToneFilterRecordAndValuesThatDoNotFitTheirFields) {
  Rx rx(3);
  hwtest::Capture log(std::clog), err(std::cerr);
  ASSERT_TRUE(rx.configureToneFilter(2100, 1, 400, -30));
  EXPECT_EQ(dsp.last().record,
            (std::vector<uint8_t>{0, 0, 0, 3, 0, 0, 1, 0, 0x08, 0x34, 1, 0, 0x01, 0x90, 0xE2, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(log.has("DSPROC_CONFIGURE TONE FILTER ts=3 freq=2100, en=1, dur_th_msec=400, det_lvl_dB=-30\n"));
  dsp.clear();
  EXPECT_FALSE(rx.configureToneFilter(70000, 1, 400, -30));
  EXPECT_FALSE(rx.configureToneFilter(2100, 1, -1, -30));
  EXPECT_FALSE(rx.configureToneFilter(2100, 1, 400, -300));
  EXPECT_TRUE(dsp.requests().empty());
  EXPECT_TRUE(err.has("DSPROC_CONFIGURE Tone Filter fail: timeslot=3 parameters out of range\n"));

  ASSERT_TRUE(rx.disableToneAll());
  EXPECT_EQ(dsp.last().number, kDisable);
  EXPECT_EQ(dsp.last().record, words({3, 0, 256}));
  EXPECT_TRUE(log.has("DISABLE ALL TONE done:  ts=3\n"));
}

TEST_F(DSProcTest, CleaningSwitchesOffWhatIsOnAndLeavesSdAndMute) {
  {
    Rx rx(5);
    ASSERT_TRUE(rx.enableVAD(true));
    ASSERT_TRUE(rx.enableBSS(true));
    ASSERT_TRUE(rx.enableNG(true));
    ASSERT_TRUE(rx.enableSD(true));
    ASSERT_TRUE(rx.enableMute(true, true));
    ASSERT_TRUE(rx.configureDelays(1, 0, 0));
    ASSERT_TRUE(rx.configureRxGain(3));
    dsp.clear();
  }
  std::vector<std::vector<uint8_t>> seen;
  for (auto const& r : dsp.requests()) seen.push_back(r.record);
  EXPECT_EQ(seen, (std::vector<std::vector<uint8_t>>{
                      words({5, 0, 1}), words({5, 0, 16}), words({5, 0, 128}), words({5, 32, 0, 0, 0}),
                      words({5, 64, 0, 0, 0}), words({5, 0, 256})}));
}

class DSProcClosedTest : public hwtest::BoardTest {};

TEST_F(DSProcClosedTest, AMissingDeviceFailsRequestsAndConfigurationOpensItAgain) {
  board.device("/dev/dsp").setOpenError(ENOENT);
  hwtest::Capture err(std::cerr);
  auto& service = DSProcReceiverService::instance();
  if (service.opened()) GTEST_SKIP() << "the service was opened by an earlier test of this process";
  EXPECT_TRUE(err.has("open dsproc fail, VAD proceeding disabled: No such file or directory\n"));
  Rx rx(3);
  EXPECT_FALSE(rx.enableVAD(true));
  EXPECT_TRUE(err.has("DSPROC_ENABLE VAD fail: timeslot=3 id=1 errno=\"Bad file descriptor\"\n"));
  EXPECT_FALSE(rx.configureSD());
  EXPECT_FALSE(rx.configureToneFilter(1, 1, 1, 1));
  EXPECT_FALSE(rx.disableToneAll());
  EXPECT_TRUE(err.has("configure SD fail: (interface not opened) timeslot=3\n"));
  EXPECT_TRUE(err.has("Configure Tone Filter fail: (interface not opened) timeslot=3\n"));
  EXPECT_TRUE(err.has("Disable All Tone fail: (interface not opened) timeslot=3\n"));
  board.device("/dev/dsp").setOpenError(0);
  EXPECT_TRUE(rx.configureSD());
  EXPECT_TRUE(service.opened());
}

}  // namespace
