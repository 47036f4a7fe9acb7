#include "slots/Slots.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "rtp/RtpFactories.h"
#include "slots/Factories.h"
#include "support/ControllerPair.h"
#include "support/LoopHelpers.h"

using testsupport::command_message;
using testsupport::ControllerPair;
using testsupport::error_of;
using testsupport::has_slot;
using testsupport::is_success;

namespace {

std::vector<std::string> asked;  // factories in the order they were asked
int deleted = 0;

struct TestSlot : Slot {
  bool async = false;
  Slot* source = nullptr;
  char const* kind() const override { return "test"; }
  ~TestSlot() override { ++deleted; }
  void IAfterCreate() override { SendSignal(activated()); }
  bool IDestroy() override { return !async; }
  SlotAnswer IConnect(Slot& from) override {
    source = &from;
    return SlotAnswer::Done();
  }
  static LGCP::Signal activated() {
    LGCP::Signal s;
    s.set_activated();
    return s;
  }
};

// Makes a test slot for a `map` request whose transmitter is present.
struct TestFactory : SlotFactory {
  std::string label;
  int trunkReports = 0;
  explicit TestFactory(char const* l) : SlotFactory(l), label(l) {}
  Slot* INewSlot(LGCP::CreateParams const& p) override {
    asked.push_back(label);
    if (label != "maker" || p.get_map() == nullptr) return nullptr;
    auto* s = new TestSlot;
    s->async = p.get_map()->isPresent(0);
    return s;
  }
  void IAddResources(LGCP::Resources& r) override { r.set_rtp_g711(r.get_rtp_g711().getValue() + 4); }
  void OnTrunkStatus(ACP::TrunkStatus const&) override { ++trunkReports; }
};

LGCP::Message create(unsigned slot, int seq, bool async = false) {
  LGCP::Message m = command_message(LGCP::Command::create_id, seq, static_cast<int>(slot));
  LGCP::MapParams& map = m.get_pdu().get_command()->get_create()->set_map();
  if (async) map.set_transmitter(LGCP::SharedChannel());
  return m;
}

struct SlotsTest : ::testing::Test {
  TestFactory maker{"maker"};
  TestFactory newer{"newer"};
  ControllerPair* pair = new ControllerPair;
  void SetUp() override {
    asked.clear();
    deleted = 0;
    Mux::set_test_offset(0);
    ctrlServer.Bind(&Slots::instance());
    ASSERT_TRUE(ctrlServer.Activate(pair));
  }
  void TearDown() override { Mux::set_test_offset(0); }
  Slots& slots() { return Slots::instance(); }
};

}  // namespace

TEST_F(SlotsTest, CreateAsksNewestFactoryFirstAnswersThenStartsTheSlot) {
  ctrlServer.OnMessage(create(5, 1));
  EXPECT_EQ(asked, (std::vector<std::string>{"newer", "maker"}));
  auto m = pair->messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_TRUE(is_success(m[0]));
  EXPECT_EQ(m[0].get_slot().getValue(), 5u);
  ASSERT_NE(m[1].get_pdu().get_signal(), nullptr);  // the slot's first signal follows the answer
  EXPECT_EQ(m[1].get_slot().getValue(), 5u);
  EXPECT_FALSE(testsupport::has_seq(m[1]));
  std::ostringstream os;
  os << *slots().slot(5);
  EXPECT_EQ(os.str(), "05:test");
}

TEST_F(SlotsTest, CreateNoFactoryAcceptsAndCommandsToAnEmptyNumber) {
  LGCP::Message m = command_message(LGCP::Command::create_id, 2, 7);
  m.get_pdu().get_command()->get_create()->set_echo();
  ctrlServer.OnMessage(m);
  ctrlServer.OnMessage(command_message(LGCP::Command::activate_id, 3, 7));
  ctrlServer.OnMessage(command_message(LGCP::Command::destroy_id, 4, 8));
  ctrlServer.OnMessage(command_message(LGCP::Command::destroy_id, 5));  // without slot: not taken
  auto r = pair->messages();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(error_of(r[0]), LGCP::ErrorCause::insufficientResources);
  EXPECT_EQ(error_of(r[1]), LGCP::ErrorCause::slotNotExists);
  EXPECT_EQ(error_of(r[2]), LGCP::ErrorCause::slotNotExists);
  EXPECT_EQ(error_of(r[3]), LGCP::ErrorCause::unexpectedMsgType);
}

TEST_F(SlotsTest, ConnectFindsTheSourceAndUnsupportedOperationsAreRefused) {
  ctrlServer.OnMessage(create(1, 1));
  ctrlServer.OnMessage(create(2, 2));
  pair->messages();
  LGCP::Message connect = command_message(LGCP::Command::connect_id, 3, 2);
  connect.get_pdu().get_command()->set_connect(1u);
  ctrlServer.OnMessage(connect);
  connect.get_pdu().get_command()->set_connect(9u);
  ctrlServer.OnMessage(connect);
  ctrlServer.OnMessage(command_message(LGCP::Command::deactivate_id, 4, 2));
  auto r = pair->messages();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_TRUE(is_success(r[0]));
  EXPECT_EQ(static_cast<TestSlot*>(slots().slot(2))->source, slots().slot(1));
  EXPECT_EQ(error_of(r[1]), LGCP::ErrorCause::slotNotExists);
  EXPECT_EQ(error_of(r[2]), LGCP::ErrorCause::unsupported);
}

TEST_F(SlotsTest, AsynchronousDestroyIsAnsweredWhenTheSlotIsReleased) {
  ctrlServer.OnMessage(create(9, 1, true));
  pair->messages();
  ctrlServer.OnMessage(command_message(LGCP::Command::destroy_id, 31, 9));
  EXPECT_TRUE(pair->messages().empty());
  ctrlServer.OnMessage(command_message(LGCP::Command::activate_id, 32, 9));
  ctrlServer.OnMessage(create(9, 33));
  auto r = pair->messages();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(error_of(r[0]), LGCP::ErrorCause::destroyInProgress);
  EXPECT_EQ(error_of(r[1]), LGCP::ErrorCause::destroyInProgress);

  slots().on_release(slots().slot(9));
  r = pair->messages();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_TRUE(is_success(r[0]));
  EXPECT_EQ(r[0].get_seq().getValue(), 31);
  EXPECT_EQ(r[0].get_slot().getValue(), 9u);
  EXPECT_EQ(slots().slot(9), nullptr);
  EXPECT_EQ(deleted, 0);  // deleted outside the slot's own call
  testsupport::LoopStopper stop(20);
  multiplexer.run(false, true);
  EXPECT_EQ(deleted, 1);
}

TEST_F(SlotsTest, CreateOverAnExistingSlotReplacesIt) {
  ctrlServer.OnMessage(create(3, 1));
  ctrlServer.OnMessage(create(3, 2));
  EXPECT_EQ(deleted, 1);
  EXPECT_NE(slots().slot(3), nullptr);

  // A slot that finishes its destruction later lives on until it reports.
  ctrlServer.OnMessage(create(4, 3, true));
  Slot* slow = slots().slot(4);
  ctrlServer.OnMessage(create(4, 4));
  EXPECT_NE(slots().slot(4), slow);
  EXPECT_EQ(slots().dying(), 1u);
  EXPECT_EQ(deleted, 1);
  pair->messages();
  slots().on_release(slow);
  EXPECT_TRUE(pair->messages().empty());  // nobody waits for its answer
  testsupport::LoopStopper stop(20);
  multiplexer.run(false, true);
  EXPECT_EQ(deleted, 2);
  EXPECT_EQ(slots().dying(), 0u);
}

TEST_F(SlotsTest, DisconnectReleasesEverySlotAndDeletesSlowOnesASecondLater) {
  ctrlServer.OnMessage(create(1, 1));
  ctrlServer.OnMessage(create(2, 2, true));
  ctrlServer.OnDisconnect();
  EXPECT_EQ(slots().slot(1), nullptr);
  EXPECT_EQ(slots().slot(2), nullptr);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(slots().dying(), 1u);
  Mux::set_test_offset(1100 * 1000);
  testsupport::LoopStopper stop(20);
  multiplexer.run(false, true);
  EXPECT_EQ(deleted, 2);
  EXPECT_EQ(slots().dying(), 0u);
}

TEST_F(SlotsTest, QueryAnswersThenReportsEveryFactorysResources) {
  ctrlServer.OnMessage(command_message(LGCP::Command::query_id, 6));
  auto r = pair->messages();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_TRUE(is_success(r[0]));
  LGCP::Signal const* s = r[1].get_pdu().get_signal();
  ASSERT_NE(s, nullptr);
  ASSERT_NE(s->get_query(), nullptr);
  EXPECT_EQ(s->get_query()->get_rtp_g711().getValue(), 8);
  EXPECT_FALSE(has_slot(r[1]));
}

TEST_F(SlotsTest, TrunkStatusFromAnotherServiceReachesEveryFactory) {
  struct Other : CtrlSrv::Service {
    void OnConnect() override {}
    void OnDisconnect() override {}
    bool OnCommand(LGCP::Command const&) override { return false; }
  } other;
  ctrlServer.Bind(&other);
  LGCP::Signal status;
  status.set_trunkStatus();
  other.SendSignal(status);
  EXPECT_EQ(maker.trunkReports, 1);
  EXPECT_EQ(newer.trunkReports, 1);
}

TEST(SlotFactories, EveryKindOfThisBuildJoinsTheChainAndDeclines) {
  MapFactory map;
  RtpFactory rtp;
  HdlcSlotFactory hdlc;
  EXPECT_EQ(firstFactory, &hdlc);
  EXPECT_EQ(hdlc.next(), &rtp);
  LGCP::CreateParams params;
  params.set_map();
  for (SlotFactory* f = firstFactory; f; f = f->next()) EXPECT_EQ(f->INewSlot(params), nullptr);
  {
    RtpED137Factory gone;
    EXPECT_EQ(firstFactory, &gone);
  }
  EXPECT_EQ(firstFactory, &hdlc);
}
