// HDLC channels on the simulated controller: activation records and switch
// connections, frames both ways through the loop, blocked writes, read
// failures and owners that close or delete the channel from a callback.
#include <poll.h>

#include <cerrno>
#include <memory>

#include "control/TraceCtl.h"
#include "hardware/HDLC.h"
#include "hardware/HwMux.h"
#include "HwTestSupport.h"

namespace {

using hwtest::words;

struct Receiver : HDLC::Notify {
  std::vector<std::vector<uint8_t>> frames;
  std::vector<int> errors;
  int ready = 0;
  std::function<void()> onReceive;
  void on_hdlc_receive(Packet& frame) override {
    frames.emplace_back(frame.data(), frame.data() + frame.length());
    if (onReceive) onReceive();
  }
  void on_hdlc_error(Cause::Type cause) override { errors.push_back(cause); }
  void on_hdlc_ready() override { ++ready; }
};

Packet packet(std::vector<uint8_t> const& bytes) {
  Packet p;
  p.reserve_head(0);
  for (uint8_t b : bytes) p.put8(b);
  return p;
}

class HDLCTest : public hwtest::BoardTest {
 protected:
  HDLCTest() { hdlc->set_notify(&receiver); }
  bool activate(int mode, int tdm = 8300, int tdm2 = 8301) {
    hdlc->params.mode = mode;
    hdlc->params.tdm = tdm;
    hdlc->params.tdm2 = tdm2;
    hdlc->params.timeslot = 5;
    hdlc->trunk = 2;
    HwMux::instance();
    hal.clear();
    return hdlc->activate();
  }
  // Runs the loop until the channel has taken its first writable event.
  void becomeReady() { ASSERT_TRUE(hwtest::runUntil([&] { return hdlc->is_ready(); })); }

  Dev::Sim::Device& mcc = board.device("/dev/mcc/ctl");
  Dev::Sim::Device& hal = board.device("/dev/hal");
  std::unique_ptr<HDLC> hdlc = std::make_unique<HDLC>();
  Receiver receiver;
};

TEST_F(HDLCTest, ActivationAllocatesAChannelAndConnectsItsTimeSlotBothWays) {
  ASSERT_TRUE(activate(0));
  ASSERT_EQ(mcc.requests().size(), 2u);
  EXPECT_EQ(mcc.requests()[0].number, 0x40144D00u);
  EXPECT_EQ(mcc.requests()[0].record, words({3, 512, 0, 1, 4}));
  EXPECT_EQ(mcc.requests()[1].number, 0x20004D02u);
  int ts = 9216 + static_cast<int>(mcc.last().file);
  ASSERT_EQ(hal.requests().size(), 2u);
  EXPECT_EQ(hal.requests()[0].record, words({8300, uint32_t(ts)}));  // output tdm <- input ts
  EXPECT_EQ(hal.requests()[1].record, words({uint32_t(ts), 8300}));  // output ts <- input tdm
  EXPECT_TRUE(hdlc->is_open());
  EXPECT_FALSE(hdlc->is_ready());
}

TEST_F(HDLCTest, ModeTwoSendsTowardTheSecondLineChannelAndListensToTheFirst) {
  ASSERT_TRUE(activate(2));
  EXPECT_EQ(mcc.requests()[0].record, words({1, 512, 0, 1, 4}));
  uint32_t ts = 9216 + static_cast<uint32_t>(mcc.last().file);
  EXPECT_EQ(hal.requests()[0].record, words({8301, ts}));
  EXPECT_EQ(hal.requests()[1].record, words({ts, 8300}));

  ASSERT_TRUE(activate(1));
  EXPECT_EQ(mcc.requests()[2].record, words({0, 512, 0, 1, 4}));
  ts = 9216 + static_cast<uint32_t>(mcc.last().file);
  EXPECT_EQ(hal.requests()[0].record, words({8300, ts}));
  EXPECT_EQ(hal.requests()[1].record, words({ts, 8300}));
}

TEST_F(HDLCTest, ActivationFailuresLeaveTheChannelClosed) {
  hwtest::Capture err(std::cerr);
  mcc.setOpenError(ENOENT);
  EXPECT_FALSE(activate(0));
  EXPECT_TRUE(err.has("hdlc [2/5]: fail to open MCC device: No such file or directory"));
  mcc.setOpenError(0);

  mcc.fail(0x40144D00u, EBUSY);
  EXPECT_FALSE(activate(0));
  EXPECT_TRUE(err.has("hdlc [2/5]: MCC_ALLOCATE fail: Device or resource busy"));
  EXPECT_FALSE(hdlc->is_open());
  EXPECT_TRUE(mcc.latest().closed());

  board.reset();
  mcc.fail(0x20004D02u, EIO);
  EXPECT_FALSE(activate(0));
  EXPECT_TRUE(err.has("hdlc [2/5]: MCC_TIMESLOT fail: Input/output error"));
  EXPECT_TRUE(hal.requests().empty());

  // A time slot the switch does not have is a driver fault, not a channel.
  mcc.on(0x20004D02u, [](Dev::Sim::Request&) { return 70000; });
  EXPECT_FALSE(activate(0));
  EXPECT_TRUE(err.has("time slot 70000 out of range"));
  EXPECT_TRUE(hal.requests().empty());
  EXPECT_FALSE(hdlc->is_open());
}

TEST_F(HDLCTest, AnUnknownModeOrNoLineTimeSlotIsRefusedBeforeTheControllerIsTouched) {
  hwtest::Capture err(std::cerr), log(std::clog);
  EXPECT_FALSE(activate(3));
  EXPECT_FALSE(activate(-1));
  EXPECT_TRUE(err.has("hdlc [2/5]: unsupported mode 3"));
  EXPECT_FALSE(activate(0, -1));
  EXPECT_FALSE(activate(2, 8300, -1));
  EXPECT_TRUE(err.has("hdlc [2/5]: no line time slot (tdm=-1 tdm2=8301)"));
  EXPECT_TRUE(mcc.requests().empty());
  EXPECT_TRUE(hal.requests().empty());
  EXPECT_FALSE(log.has("hwMux: ERROR"));
}

TEST_F(HDLCTest, EmptyFramesAreTakenAndClosedChannelsDiscard) {
  Packet none, empty;
  empty.reserve_head(0);
  EXPECT_TRUE(hdlc->hdlc_transmit(none));
  EXPECT_TRUE(hdlc->hdlc_transmit(empty));
  Packet frame = packet({1, 2});
  EXPECT_FALSE(hdlc->hdlc_transmit(frame));
  EXPECT_EQ(hdlc->txDiscard, 1u);
  ASSERT_TRUE(activate(0));
  EXPECT_EQ(hdlc->txDiscard, 0u);  // counters start again at activation
  EXPECT_TRUE(hdlc->hdlc_transmit(empty));
  EXPECT_EQ(hdlc->txSU + hdlc->txDiscard + hdlc->txError, 0u);
  EXPECT_TRUE(mcc.latest().written().empty());
}

TEST_F(HDLCTest, FramesAreWrittenWholeAndCounted) {
  ASSERT_TRUE(activate(0));
  Packet a = packet({0x00, 0x01, 0x7F}), b = packet({0xFF});
  EXPECT_TRUE(hdlc->hdlc_transmit(a));
  EXPECT_TRUE(hdlc->hdlc_transmit(b));
  mcc.latest().failNextWrite(EIO);
  EXPECT_FALSE(hdlc->hdlc_transmit(b));
  EXPECT_EQ(hdlc->txSU, 2u);
  EXPECT_EQ(hdlc->txError, 1u);
  EXPECT_EQ(mcc.latest().written(), (std::vector<std::vector<uint8_t>>{{0x00, 0x01, 0x7F}, {0xFF}}));
  EXPECT_TRUE(hdlc->is_open());
}

TEST_F(HDLCTest, ABlockedWriteClearsReadyAndTheNextWritableEventReportsReadyOnce) {
  ASSERT_TRUE(activate(0));
  becomeReady();
  EXPECT_EQ(receiver.ready, 1);
  mcc.latest().failNextWrite(EAGAIN);
  Packet frame = packet({9});
  EXPECT_FALSE(hdlc->hdlc_transmit(frame));
  EXPECT_EQ(hdlc->txSU + hdlc->txError + hdlc->txDiscard, 0u);
  EXPECT_FALSE(hdlc->is_ready());
  becomeReady();
  hwtest::runFor(20);
  EXPECT_EQ(receiver.ready, 2);
  EXPECT_TRUE(hdlc->hdlc_transmit(frame));
}

TEST_F(HDLCTest, QueuedFramesArriveInOrderInOneReadableEvent) {
  ASSERT_TRUE(activate(0));
  becomeReady();
  // Every frame is taken before the loop polls again.
  int passes = 0;
  struct Counter {
    int* passes;
    void on() { ++*passes; }
  } counter{&passes};
  Dpc dpc;
  dpc.Bind(&counter, &Counter::on);
  dpc.Activate();
  std::vector<int> seenAt;
  receiver.onReceive = [&] { seenAt.push_back(passes); };
  for (uint8_t i = 1; i <= 3; ++i) ASSERT_TRUE(mcc.latest().push(std::vector<uint8_t>{i, i, i}));
  hwtest::Capture err(std::cerr);
  ASSERT_TRUE(hwtest::runUntil([&] { return receiver.frames.size() == 3; }));
  EXPECT_EQ(receiver.frames, (std::vector<std::vector<uint8_t>>{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}));
  EXPECT_EQ(seenAt[0], seenAt[2]);
  EXPECT_EQ(hdlc->rxSU, 3u);
  EXPECT_TRUE(receiver.errors.empty());
  EXPECT_EQ(err.text(), "");
  EXPECT_TRUE(hdlc->is_open());
}

TEST_F(HDLCTest, AnOwnerThatClosesTheChannelInsideReceiveGetsNoFurtherCallback) {
  ASSERT_TRUE(activate(0));
  receiver.onReceive = [&] { hdlc->deactivate(); };
  mcc.latest().push(std::vector<uint8_t>{1});
  mcc.latest().push(std::vector<uint8_t>{2});
  hwtest::runFor(50);
  EXPECT_EQ(receiver.frames.size(), 1u);
  EXPECT_EQ(receiver.ready, 0);
  EXPECT_FALSE(hdlc->is_open());
  EXPECT_TRUE(mcc.latest().closed());
}

TEST_F(HDLCTest, AnOwnerMayDeleteTheChannelInsideReceive) {
  ASSERT_TRUE(activate(0));
  receiver.onReceive = [&] { hdlc.reset(); };
  mcc.latest().push(std::vector<uint8_t>{1});
  mcc.latest().push(std::vector<uint8_t>{2});
  hwtest::runFor(50);
  EXPECT_EQ(receiver.frames.size(), 1u);
  EXPECT_EQ(receiver.ready, 0);
}

TEST_F(HDLCTest, AReadFailureClosesTheChannelAndReportsCauseZero) {
  ASSERT_TRUE(activate(0));
  becomeReady();
  hwtest::Capture err(std::cerr);
  mcc.latest().push(std::vector<uint8_t>{1});
  mcc.latest().failNextRead(EIO);
  ASSERT_TRUE(hwtest::runUntil([&] { return !receiver.errors.empty(); }));
  EXPECT_EQ(receiver.errors, std::vector<int>{0});
  EXPECT_TRUE(receiver.frames.empty());
  EXPECT_FALSE(hdlc->is_open());
  EXPECT_TRUE(err.has("hdlc [2/5]: read error: Input/output error"));
  Packet frame = packet({1});
  EXPECT_FALSE(hdlc->hdlc_transmit(frame));
  EXPECT_EQ(hdlc->txDiscard, 1u);
}

TEST_F(HDLCTest, AChannelThatHangsUpOrReportsAnErrorIsClosedOnceAndItsOwnerTold) {
  ASSERT_TRUE(activate(0));
  becomeReady();
  hwtest::Capture err(std::cerr);
  mcc.latest().push(std::vector<uint8_t>{7});
  mcc.latest().retire();
  uint32_t const start = multiplexer.pass_count();
  hwtest::runFor(300);
  EXPECT_LT(multiplexer.pass_count() - start, 20u);
  EXPECT_EQ(receiver.frames, (std::vector<std::vector<uint8_t>>{{7}}));  // what was queued still arrives
  EXPECT_EQ(receiver.errors, std::vector<int>{0});
  EXPECT_FALSE(hdlc->is_open());
  EXPECT_TRUE(err.has("hdlc [2/5]: read error: channel hung up or failed\n"));

  // An error event with nothing to read.
  ASSERT_TRUE(activate(0));
  hdlc->on_event(-1, POLLERR);
  EXPECT_EQ(receiver.errors, (std::vector<int>{0, 0}));
  EXPECT_FALSE(hdlc->is_open());
}

TEST_F(HDLCTest, WithNoFreePacketReadingPausesWithOneLineAndResumesWhenBuffersAreFree) {
  ASSERT_TRUE(activate(0));
  becomeReady();
  std::vector<Packet> held(Packet::pool_available());
  for (Packet& p : held) p.reserve_head(0);
  hwtest::Capture err(std::cerr);
  mcc.latest().push(std::vector<uint8_t>{1, 2});
  uint32_t const start = multiplexer.pass_count();
  hwtest::runFor(200);
  EXPECT_LT(multiplexer.pass_count() - start, 40u);
  std::string const text = err.text();
  EXPECT_EQ(text, "hdlc [2/5]: read: no free packet, reading paused\n");
  EXPECT_TRUE(receiver.frames.empty());
  held.clear();
  ASSERT_TRUE(hwtest::runUntil([&] { return !receiver.frames.empty(); }));
  EXPECT_EQ(receiver.frames, (std::vector<std::vector<uint8_t>>{{1, 2}}));
  EXPECT_TRUE(hdlc->is_open());
}

TEST_F(HDLCTest, TracesShowTheStepsAndTheFramesInHex) {
  traces.signalling_hdlc = true;
  hwtest::Capture log(std::clog);
  ASSERT_TRUE(activate(0));
  Packet frame = packet({0x0A, 0xFF});
  hdlc->hdlc_transmit(frame);
  mcc.latest().push(std::vector<uint8_t>{0x01});
  hwtest::runUntil([&] { return receiver.frames.size() == 1; });
  hdlc->deactivate();
  traces.signalling_hdlc = false;
  EXPECT_TRUE(log.has("hdlc [2/5]: activated\n"));
  EXPECT_TRUE(log.has("HDLC[2]: tx 0A FF\n"));
  EXPECT_TRUE(log.has("hdlc [2/5]: do_read\n"));
  EXPECT_TRUE(log.has("HDLC[2]: rx 01\n"));
  EXPECT_TRUE(log.has("hdlc [2/5]: deactivated\n"));
}

TEST_F(HDLCTest, DeactivationKeepsTheSwitchConnections) {
  ASSERT_TRUE(activate(0));
  hal.clear();
  hdlc->deactivate();
  EXPECT_TRUE(hal.requests().empty());
  EXPECT_FALSE(hdlc->is_open());
  EXPECT_FALSE(hdlc->is_ready());
}

}  // namespace
