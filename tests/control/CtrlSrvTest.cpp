#include "control/CtrlSrv.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/ControllerPair.h"

using testsupport::command_message;
using testsupport::ControllerPair;
using testsupport::error_of;
using testsupport::has_seq;
using testsupport::has_slot;
using testsupport::is_success;
using ::testing::HasSubstr;

namespace {

// A service whose reaction to a command is set by the test.
struct Scripted : CtrlSrv::Service {
  std::function<bool(LGCP::Command const&)> onCommand = [](LGCP::Command const&) { return false; };
  std::vector<int> signalsSeen;
  int connects = 0, disconnects = 0;
  void OnConnect() override { ++connects; }
  void OnDisconnect() override { ++disconnects; }
  bool OnCommand(LGCP::Command const& c) override { return onCommand(c); }
  void OnSignal(LGCP::Signal const& s) override { signalsSeen.push_back(s.currentSelection()); }
};

LGCP::Signal activated() {
  LGCP::Signal s;
  s.set_activated();
  return s;
}

struct ServerTest : ::testing::Test {
  CtrlSrv::Server server;
  ControllerPair* pair = new ControllerPair;
  Scripted first, second;
  void SetUp() override {
    server.Bind(&first);
    server.Bind(&second);
    ASSERT_TRUE(server.Activate(pair));
  }
  std::vector<LGCP::Message> sent() { return pair->messages(); }
};

}  // namespace

TEST_F(ServerTest, AnswerRulesGiveOneResponseUnlessAnErrorFollows) {
  second.onCommand = [&](LGCP::Command const&) {
    second.Success();
    second.Success();
    return true;
  };
  server.OnMessage(command_message(LGCP::Command::display_id, 7));
  auto m = sent();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_TRUE(is_success(m[0]));
  EXPECT_EQ(m[0].get_seq().getValue(), 7);
  EXPECT_FALSE(has_slot(m[0]));

  second.onCommand = [&](LGCP::Command const&) {
    second.Success();
    second.Error(LGCP::ErrorCause::busError);
    second.Error(LGCP::ErrorCause::internal);
    return true;
  };
  server.OnMessage(command_message(LGCP::Command::display_id, 8, 4));
  m = sent();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_TRUE(is_success(m[0]));
  EXPECT_EQ(error_of(m[1]), LGCP::ErrorCause::busError);
  EXPECT_EQ(m[1].get_slot().getValue(), 4u);

  // Between messages the last answer state holds: a late Success sends nothing.
  second.Success();
  EXPECT_TRUE(sent().empty());
}

TEST_F(ServerTest, UnansweredCommandIsAnsweredInternalAndReported) {
  first.onCommand = [](LGCP::Command const&) { return true; };
  testing::internal::CaptureStderr();
  server.OnMessage(command_message(LGCP::Command::query_id, 3));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_THAT(err, HasSubstr("ctrl [pair]: software error: server do NOT send ack!!!\nplease contact with techsupport ("));
  auto m = sent();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(error_of(m[0]), LGCP::ErrorCause::internal);
}

TEST_F(ServerTest, CommandNoServiceTakesAndNonCommandsAreUnexpected) {
  server.OnMessage(command_message(LGCP::Command::protoZeri_id, 1));
  LGCP::Message response;
  response.set_seq(2);
  response.get_pdu().set_response().set_success();
  server.OnMessage(response);
  auto m = sent();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(error_of(m[0]), LGCP::ErrorCause::unexpectedMsgType);
  EXPECT_EQ(error_of(m[1]), LGCP::ErrorCause::unexpectedMsgType);
  EXPECT_EQ(m[1].get_seq().getValue(), 2);
}

TEST_F(ServerTest, SlotAbove1023IsRefusedBeforeAnyService) {
  int offered = 0;
  first.onCommand = [&](LGCP::Command const&) {
    ++offered;
    return false;
  };
  server.OnMessage(command_message(LGCP::Command::destroy_id, 5, 1024));
  server.OnMessage(command_message(LGCP::Command::destroy_id, 6, 1023));
  auto m = sent();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(error_of(m[0]), LGCP::ErrorCause::invalidSlot);
  EXPECT_FALSE(has_slot(m[0]));
  EXPECT_EQ(offered, 1);
  EXPECT_EQ(m[1].get_slot().getValue(), 1023u);
}

TEST_F(ServerTest, DeferredAnswerWaitsForDelayedSuccess) {
  unsigned kept = 0;
  first.onCommand = [&](LGCP::Command const&) {
    kept = first.delayResponse();
    return true;
  };
  server.OnMessage(command_message(LGCP::Command::destroy_id, 41, 9));
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(kept, 41u);
  first.delayedSuccess(9, kept);
  auto m = sent();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_TRUE(is_success(m[0]));
  EXPECT_EQ(m[0].get_seq().getValue(), 41);
  EXPECT_EQ(m[0].get_slot().getValue(), 9u);
  // Without seq in the command, the last received number is kept.
  server.OnMessage(command_message(LGCP::Command::destroy_id, -1, 2));
  EXPECT_EQ(kept, 41u);
}

TEST_F(ServerTest, SignalsCarryNoSeqAndTheSlotOfTheCommandBeingHandled) {
  first.SendSignal(activated());  // between messages: no slot
  first.onCommand = [&](LGCP::Command const&) {
    first.SendSignal(activated());
    first.Success();
    return true;
  };
  server.OnMessage(command_message(LGCP::Command::display_id, 12, 5));
  first.SendSignal(77, activated());
  auto m = sent();
  ASSERT_EQ(m.size(), 4u);
  EXPECT_FALSE(has_seq(m[0]));
  EXPECT_FALSE(has_slot(m[0]));
  EXPECT_NE(m[0].get_pdu().get_signal(), nullptr);
  EXPECT_FALSE(has_seq(m[1]));
  EXPECT_EQ(m[1].get_slot().getValue(), 5u);
  EXPECT_TRUE(is_success(m[2]));
  EXPECT_EQ(m[3].get_slot().getValue(), 77u);
}

TEST_F(ServerTest, SignalIsOfferedToEveryOtherServiceFirst) {
  LGCP::Signal s;
  s.set_trunkStatus();
  second.SendSignal(s);
  EXPECT_TRUE(second.signalsSeen.empty());
  ASSERT_EQ(first.signalsSeen.size(), 1u);
  EXPECT_EQ(first.signalsSeen[0], LGCP::Signal::trunkStatus_id);
}

TEST_F(ServerTest, UndecodableBodyIsReportedCutAndNotAnswered) {
  std::string garbage(1000, '\xff');
  testing::internal::CaptureStderr();
  server.OnMessage(garbage.data(), static_cast<int>(garbage.size()));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_THAT(err, HasSubstr("ctrl [pair]: receive fail: decode error!\n msg: FF FF "));
  EXPECT_THAT(err, HasSubstr("... (1000 octets)\n"));
  EXPECT_LT(err.size(), 1000u);
  EXPECT_TRUE(sent().empty());
  auto ping = testsupport::encode(command_message(LGCP::Command::ping_id, 1));
  first.onCommand = [&](LGCP::Command const&) {
    first.Success();
    return true;
  };
  server.OnMessage(reinterpret_cast<char const*>(ping.data()), static_cast<int>(ping.size()));
  EXPECT_EQ(sent().size(), 1u);
}

TEST_F(ServerTest, DeactivateTellsEveryServiceAndLaterSendsAreNotAttached) {
  server.Deactivate();
  EXPECT_EQ(first.disconnects, 1);
  EXPECT_EQ(second.disconnects, 1);
  testing::internal::CaptureStderr();
  first.SendSignal(activated());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ctrl [null]: send fail: Service not attached!\n");
  bool connected = true;
  EXPECT_FALSE(first.CheckServerConnection(connected));
}

TEST_F(ServerTest, EncodeFailureIsReportedAndLaterErrorLinesStillAppear) {
  testing::internal::CaptureStderr();
  first.delayedSuccess(1024, 1);  // the slot field stops at 1023
  LGCP::Signal unselected;
  first.SendSignal(unselected);
  std::cerr << "still here" << std::endl;
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_THAT(err, HasSubstr("ctrl [pair]: send fail: encode error!"));
  EXPECT_THAT(err, HasSubstr("still here\n"));
  EXPECT_TRUE(sent().empty());
}

TEST(ServerWithoutController, DeactivateStillTellsEveryService) {
  struct Idle : Control::ServiceUnix {
    bool ImplActivate() override { return true; }  // waits for a peer that never comes
    void ImplDeactivate() override {}
    void ImplOnDisconnect() override {}
  };
  CtrlSrv::Server server;
  Scripted a, b;
  server.Bind(&a);
  server.Bind(&b);
  ASSERT_TRUE(server.Activate(new Idle));
  bool connected = true;
  EXPECT_TRUE(a.CheckServerConnection(connected));
  EXPECT_FALSE(connected);
  testing::internal::CaptureStderr();
  a.SendSignal(activated());  // dropped by the connection: no controller
  testing::internal::GetCapturedStderr();
  server.Deactivate();
  EXPECT_EQ(a.disconnects, 1);
  EXPECT_EQ(b.disconnects, 1);
  EXPECT_EQ(a.connects, 0);
}

TEST(ServiceWithoutServer, EveryCallSaysSoAndReturnsNothing) {
  Scripted lone;
  testing::internal::CaptureStderr();
  lone.Success();
  EXPECT_EQ(lone.GetSlot(), 0xFFFFFFFFu);
  EXPECT_EQ(lone.delayResponse(), 0xFFFFFFFFu);
  bool connected;
  EXPECT_FALSE(lone.CheckServerConnection(connected));
  std::string err = testing::internal::GetCapturedStderr();
  size_t lines = 0;
  for (size_t at = err.find("CtrlSrv::Service error! service not connected to server.\n"); at != std::string::npos;
       at = err.find("CtrlSrv::Service error!", at + 1))
    ++lines;
  EXPECT_EQ(lines, 3u);
}
