#include "control/HeartBeatCtl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/ControllerPair.h"
#include "support/LoopHelpers.h"

using testsupport::command_message;
using testsupport::ControllerPair;

namespace {

struct HeartBeatTest : ::testing::Test {
  ControllerPair* pair = new ControllerPair;
  void SetUp() override {
    Mux::set_test_offset(0);
    ctrlServer.Bind(&HeartBeatCtl::instance());
    ASSERT_TRUE(ctrlServer.Activate(pair));
  }
  void TearDown() override {
    ctrlServer.Deactivate();
    Mux::set_test_offset(0);
  }
  // Moves loop time on and lets the loop run briefly.
  void advance_and_run(int64_t ms) {
    Mux::set_test_offset(Mux::test_offset() + ms * 1000);
    testsupport::LoopStopper stop(50);
    multiplexer.run(false, true);
  }
};

}  // namespace

TEST_F(HeartBeatTest, PingIsAnsweredWithOrWithoutSlot) {
  ctrlServer.OnMessage(command_message(LGCP::Command::ping_id));
  ctrlServer.OnMessage(command_message(LGCP::Command::ping_id, 4, 3));
  auto m = pair->messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_TRUE(testsupport::is_success(m[0]));
  EXPECT_FALSE(testsupport::has_slot(m[0]));
  EXPECT_TRUE(testsupport::is_success(m[1]));
  EXPECT_EQ(m[1].get_slot().getValue(), 3u);
}

TEST_F(HeartBeatTest, SilentControllerIsDroppedTwoMinutesAfterItsLastCommand) {
  EXPECT_FALSE(HeartBeatCtl::instance().armed());  // connecting alone arms nothing
  ctrlServer.OnMessage(command_message(LGCP::Command::query_id, 1));  // no service takes it
  EXPECT_TRUE(HeartBeatCtl::instance().armed());
  advance_and_run(119000);
  EXPECT_FALSE(pair->peer_closed());
  ctrlServer.OnMessage(command_message(LGCP::Command::display_id, 2));  // restarts the two minutes
  advance_and_run(119000);
  EXPECT_FALSE(pair->peer_closed());
  testing::internal::CaptureStderr();
  advance_and_run(1500);
  EXPECT_THAT(testing::internal::GetCapturedStderr(), ::testing::HasSubstr("heartbeat timeout!!!\n"));
  EXPECT_TRUE(pair->peer_closed());
  EXPECT_FALSE(HeartBeatCtl::instance().armed());
}

TEST_F(HeartBeatTest, RefusedMessagesDoNotRestartTheTimeOut) {
  ctrlServer.OnMessage(command_message(LGCP::Command::destroy_id, 1, 1024));
  LGCP::Message signal;
  signal.get_pdu().set_signal().set_activated();
  ctrlServer.OnMessage(signal);
  EXPECT_FALSE(HeartBeatCtl::instance().armed());
}

TEST_F(HeartBeatTest, DisconnectCancelsThePendingTimeOut) {
  ctrlServer.OnMessage(command_message(LGCP::Command::ping_id, 1));
  ctrlServer.OnDisconnect();
  EXPECT_FALSE(HeartBeatCtl::instance().armed());
}
