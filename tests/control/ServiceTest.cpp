#include "control/Control.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "ControlTestSupport.h"
#include "support/LoopHelpers.h"

using controltest::Client;
using controltest::count;
using controltest::frame;
using controltest::Recorder;
using testloop::Capture;
using testsupport::SocketPair;
using State = Control::Service::State;

namespace {

// A connection whose peer is one end of a socket pair, attached by the test.
struct PairService : Control::ServiceUnix {
  int activations = 0;
  int deactivations = 0;
  int losses = 0;
  bool ImplActivate() override {
    ++activations;
    return true;
  }
  void ImplDeactivate() override { ++deactivations; }
  void ImplOnDisconnect() override { ++losses; }
  void attach(int fd, std::string const& peer = "pair") { Connected(Fd(::dup(fd)), peer); }
};

struct Connection {
  SocketPair pair;
  Recorder recorder;
  PairService service;
  int peer() const { return pair.fd[1]; }
  Connection() {
    service.Bind(&recorder);
    service.service_name("test");
    service.Activate();
    service.attach(pair.fd[0]);
  }
  std::string read(size_t n) { return Client::read_from(peer(), n, 500, &ended); }
  bool ended = false;
};

// Counts the runs of deferred calls.
struct DpcRuns {
  Dpc dpc;
  int runs = 0;
  DpcRuns() {
    dpc.Bind(this, &DpcRuns::tick);
    dpc.Activate();
  }
  void tick() { ++runs; }
};

}  // namespace

// ---- sending and receiving ----

TEST(ServiceSend, OutsideConnectedNothingIsWrittenAndConnectingSaysSoOnce) {
  PairService service;
  Capture errors(std::cerr);
  service.Send("x", 1);  // Idle
  service.Activate();
  errors.text();
  EXPECT_EQ(service.state(), State::Connecting);
  service.Send("abc", 3);
  EXPECT_EQ(errors.text(),
            "Control::Service::Send() ignore Send request in Idle state.\n"
            "Control::Service::Send() ignore Send request in Connecting state.\n");
}

TEST(ServiceSend, MessagesAreFramedUpToTheLargestAndALongerOneIsRefusedWithoutHarm) {
  Connection c;
  c.service.Send("hello", 5);
  EXPECT_EQ(c.read(9), frame("hello"));

  std::string largest(Tpkt_protocol::kMaxBody, 'L');
  c.service.Send(largest.data(), static_cast<int>(largest.size()));
  std::string got = c.read(65535);
  EXPECT_EQ(got.size(), 65535u);
  EXPECT_TRUE(got == frame(largest));

  Capture errors(std::cerr);
  std::string tooLong(Tpkt_protocol::kMaxBody + 1, 'T');
  c.service.Send(tooLong.data(), static_cast<int>(tooLong.size()));
  c.service.Send("neg", -1);
  EXPECT_EQ(count(errors.text(), "Send() refused: message of "), 2) << errors.text();
  EXPECT_EQ(c.service.state(), State::Connected);
  c.service.Send("after", 5);
  EXPECT_EQ(c.read(9), frame("after")) << "nothing of the refused messages reached the wire";
}

TEST(ServiceReceive, EachFrameBodyReachesTheListenerOnceWhateverTheReads) {
  Connection c;
  std::string stream = frame("one") + frame("") + frame("three");
  (void)!::write(c.peer(), stream.data(), 5);
  testloop::run_loop(20);
  EXPECT_TRUE(c.recorder.messages.empty()) << "half a frame is not a message";
  (void)!::write(c.peer(), stream.data() + 5, stream.size() - 5);
  testloop::run_until([&] { return c.recorder.messages.size() == 3; }, 500);
  EXPECT_EQ(c.recorder.messages, (std::vector<std::string>{"one", "", "three"}));
  EXPECT_EQ(c.recorder.connects, 1);
}

// ---- losing the peer ----

TEST(ServiceLoss, APeerThatClosesGivesOneDeferredDisconnectAndKeepsItsName) {
  Connection c;
  Capture errors(std::cerr);
  ::shutdown(c.peer(), SHUT_RDWR);
  testloop::run_until([&] { return c.recorder.disconnects > 0; }, 500);
  testloop::run_loop(20);
  EXPECT_EQ(c.recorder.disconnects, 1);
  EXPECT_EQ(c.service.losses, 1);
  EXPECT_EQ(c.service.state(), State::Connecting);
  EXPECT_EQ(c.service.peer_name(), "pair");
  EXPECT_EQ(count(errors.text(), "control connection pair closed.\n"), 1);
}

TEST(ServiceLoss, DisconnectIsReportedOnePassOfDeferredCallsLaterAndOnlyOnce) {
  Connection c;
  DpcRuns dpcs;
  int runsAtLoss = -1;
  int runsAtReport = -1;
  struct : Recorder {
    std::function<void()> onDisconnect;
    void OnDisconnect() override {
      Recorder::OnDisconnect();
      onDisconnect();
    }
  } listener;
  listener.onDisconnect = [&] { runsAtReport = dpcs.runs; };
  listener.onMessage = [&](std::string const&) {
    runsAtLoss = dpcs.runs;
    c.service.Disconnect();
    EXPECT_EQ(c.service.state(), State::Deactivating);
    EXPECT_EQ(listener.disconnects, 0) << "never from inside the call that found the loss";
    c.service.Disconnect();
  };
  c.service.Bind(&listener);
  Capture errors(std::cerr);
  std::string two = frame("first") + frame("second");
  (void)!::write(c.peer(), two.data(), two.size());
  testloop::run_until([&] { return listener.disconnects > 0; }, 500);
  testloop::run_loop(20);

  EXPECT_EQ(listener.messages, std::vector<std::string>{"first"}) << "frames after the loss are ignored";
  EXPECT_EQ(listener.disconnects, 1);
  EXPECT_EQ(count(errors.text(), "closed."), 1);
  EXPECT_LE(runsAtReport - runsAtLoss, 1) << "reported at the next pass of deferred calls";
  EXPECT_GE(runsAtReport, runsAtLoss);
  c.read(1);
  EXPECT_TRUE(c.ended) << "the peer sees the end of the stream";
}

TEST(ServiceLoss, DisconnectOutsideConnectedDoesNothing) {
  PairService service;
  Recorder recorder;
  service.Bind(&recorder);
  Capture errors(std::cerr);
  service.Disconnect();  // Idle
  service.Activate();
  service.Disconnect();  // Connecting
  testloop::run_loop(20);
  EXPECT_EQ(recorder.disconnects, 0);
  EXPECT_EQ(service.losses, 0);
  EXPECT_EQ(service.state(), State::Connecting);
  EXPECT_EQ(count(errors.text(), "closed"), 0);
}

TEST(ServiceLoss, AWriteToAClosedPeerFailsAndIsReportedAfterTheSend) {
  Connection c;
  Capture errors(std::cerr);
  ::close(c.pair.fd[1]);
  c.pair.fd[1] = -1;
  c.service.Send("lost", 4);
  EXPECT_EQ(c.service.state(), State::Deactivating);
  EXPECT_EQ(c.recorder.disconnects, 0);
  EXPECT_EQ(c.service.GetOverflowCounter(), 1u);
  EXPECT_NE(errors.text().find("SockStream[test]: write error, sendbuf="), std::string::npos) << errors.text();
  EXPECT_NE(errors.text().find(", error="), std::string::npos);
  testloop::run_loop(20);
  EXPECT_EQ(c.recorder.disconnects, 1);
}

TEST(ServiceLoss, APeerThatDoesNotReadEndsTheConnectionAfterTheWriteBudget) {
  Connection c;
  Capture errors(std::cerr);
  std::string big(Tpkt_protocol::kMaxBody, 'B');
  auto slowest = std::chrono::milliseconds(0);
  for (int i = 0; i < 100 && c.service.connected(); ++i) {
    auto start = std::chrono::steady_clock::now();
    c.service.Send(big.data(), static_cast<int>(big.size()));
    slowest = std::max(slowest, std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start));
  }
  EXPECT_EQ(c.service.state(), State::Deactivating);
  EXPECT_GE(slowest.count(), 950);
  EXPECT_LT(slowest.count(), 1500);
  EXPECT_EQ(c.service.GetOverflowCounter(), 1u);
  EXPECT_EQ(count(errors.text(), "SockStream[test]: write timeout, sendbuf="), 1) << errors.text();
  EXPECT_EQ(count(errors.text(), ", outq="), 1);

  // The peer gets what was written and then, at once, the end of the stream.
  c.read(100 << 20);
  EXPECT_TRUE(c.ended);
  testloop::run_loop(20);
  EXPECT_EQ(c.recorder.disconnects, 1);
}

// ---- activation ----

TEST(ServiceActivation, ActivateOnAConnectedConnectionDropsThePeerAndStartsOver) {
  Connection c;
  c.service.Activate();
  EXPECT_EQ(c.service.state(), State::Connecting);
  EXPECT_EQ(c.service.deactivations, 2);
  EXPECT_EQ(c.service.activations, 2);
  c.read(1);
  EXPECT_TRUE(c.ended);
  testloop::run_loop(20);
  EXPECT_EQ(c.recorder.disconnects, 0) << "the owner asked for it and is not told";
}

TEST(ServiceActivation, DeactivateWhileAPeerLossIsPendingCancelsItsReport) {
  Connection c;
  c.service.Disconnect();
  c.service.Deactivate();
  testloop::run_loop(20);
  EXPECT_EQ(c.service.state(), State::Idle);
  EXPECT_EQ(c.service.losses, 0) << "no reconnection is armed after Deactivate";
  EXPECT_EQ(c.recorder.disconnects, 0);
}

TEST(ServiceActivation, APeerAttachedWhileDeactivatingIsIgnored) {
  Connection c;
  c.service.Disconnect();
  SocketPair other;
  c.service.attach(other.fd[0], "other");
  EXPECT_EQ(c.recorder.connects, 1);
  EXPECT_EQ(c.service.peer_name(), "pair");
  testloop::run_loop(20);
  c.service.attach(other.fd[0], "other");
  EXPECT_EQ(c.recorder.connects, 2);
  EXPECT_EQ(c.service.state(), State::Connected);
}

TEST(ServiceActivation, StateChangesAreLoggedOldToNew) {
  Capture log(std::clog);
  Connection c;
  EXPECT_NE(log.text().find("control [test ]: state Idle -> Connecting"), std::string::npos) << log.text();
  EXPECT_NE(log.text().find("control [test pair]: state Connecting -> Connected"), std::string::npos);
  EXPECT_EQ(Control::GetTextNotation(static_cast<State::Type>(9)), std::string("Unknown"));
}
