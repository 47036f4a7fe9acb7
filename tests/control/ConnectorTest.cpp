#include "control/Connector.h"

#include <gtest/gtest.h>

#include <string>

#include "ControlTestSupport.h"
#include "control/Acceptor.h"
#include "support/TestRoot.h"

using controltest::advance;
using controltest::Client;
using controltest::ClosedPort;
using controltest::count;
using controltest::due_in;
using controltest::frame;
using controltest::jump_past;
using controltest::Recorder;
using testloop::Capture;
using State = Control::Service::State;

namespace {

// Lets the attempt that is due now run, and waits for its failure line.
template <class Connector>
bool next_failure(Connector& connector, Capture const& errors, std::string const& line, int expected) {
  jump_past(connector.retry_timer());
  return testloop::run_until([&] { return count(errors.text(), line) >= expected; }, 1000);
}

// Checks the whole retry schedule of a connector whose every attempt fails the same way.
template <class Connector>
void expect_schedule(Connector& connector, Capture const& errors, std::string const& line, unsigned slowMs) {
  ASSERT_TRUE(testloop::run_until([&] { return count(errors.text(), line) == 1; }, 1000)) << errors.text();
  for (int failures = 1; failures <= 9; ++failures) {
    unsigned expected = failures <= 7 ? 1000 : slowMs;
    int32_t left = due_in(connector.retry_timer());
    EXPECT_GE(left, static_cast<int32_t>(expected) - 50) << "after failure " << failures;
    EXPECT_LE(left, static_cast<int32_t>(expected)) << "after failure " << failures;
    advance(static_cast<unsigned>(left) - 40, 5);
    EXPECT_EQ(count(errors.text(), line), failures) << "no attempt before its time";
    ASSERT_TRUE(next_failure(connector, errors, line, failures + 1));
  }
  EXPECT_EQ(connector.attempts_left(), 0);
}

// A TCP connector to 127.0.0.1, activated, with its listener bound.
struct Link {
  Recorder recorder;
  Control::ConnectorNet connector;
  explicit Link(unsigned short port, std::string const& name = "") : connector("127.0.0.1", port) {
    connector.Bind(&recorder);
    connector.service_name(name);
    connector.Activate();
  }
};

struct TcpPeer {
  ClosedPort port;
  TcpPeer() { port.listen(); }
  Fd accept() {
    pollfd entry{port.socket.get(), POLLIN, 0};
    if (::poll(&entry, 1, 0) != 1) return Fd();
    return Fd(::accept(port.socket.get(), nullptr, nullptr));
  }
};

}  // namespace

// ---- retry schedule ----

TEST(ConnectorRetry, ARefusingTcpPeerGetsSevenQuickRetriesThenOneEvery15000ms) {
  ClosedPort closed;
  Capture errors(std::cerr);
  Link link(closed.port);
  std::string line = "fail to connect to 127.0.0.1:" + std::to_string(closed.port) + "\n";
  expect_schedule(link.connector, errors, line, 15000);
  EXPECT_EQ(link.connector.state(), State::Connecting);
  EXPECT_EQ(link.recorder.connects + link.recorder.disconnects, 0) << "failed attempts are not the listener's business";
}

TEST(ConnectorRetry, AConnectThatFailsAtOnceRetriesEvery20000msAfterTheQuickOnes) {
  testsupport::TestRoot root;
  std::string path = root.dir() + "/nobody";
  Capture errors(std::cerr);
  Control::ConnectorUnix connector(path);
  connector.Activate();
  expect_schedule(connector, errors, "can't connect to " + path + " : No such file or directory\n", 20000);
}

TEST(ConnectorRetry, DeactivateStopsTheAttempts) {
  ClosedPort closed;
  Capture errors(std::cerr);
  Control::ConnectorNet connector("127.0.0.1", closed.port);
  connector.Activate();
  testloop::run_loop(20);
  connector.Deactivate();
  EXPECT_EQ(connector.state(), State::Idle);
  EXPECT_FALSE(connector.retry_timer().pending());
  advance(30000);
  EXPECT_EQ(count(errors.text(), "fail to connect"), 1);
}

TEST(ConnectorRetry, AnAddressThatDoesNotParseEndsTheActivity) {
  Capture errors(std::cerr);
  Control::ConnectorNet connector("gateway.invalid", 20001);
  connector.Activate();
  EXPECT_EQ(connector.state(), State::Idle);
  EXPECT_EQ(errors.text(), "can't connect to gateway.invalid : Invalid argument\n");
  EXPECT_FALSE(connector.retry_timer().pending());
}

TEST(ConnectorRetry, TheOneTextConstructorTakesThePortFromTheText) {
  Control::ConnectorNet withPort("127.0.0.1:4321");
  EXPECT_EQ(withPort.host(), "127.0.0.1");
  EXPECT_EQ(withPort.port(), 4321);
  Control::ConnectorNet withoutPort("10.1.2.3");
  EXPECT_EQ(withoutPort.host(), "10.1.2.3");
  EXPECT_EQ(withoutPort.port(), 0);
}

// ---- connected links ----

TEST(ConnectorLink, ConnectsCarriesMessagesAndReconnects10000msAfterALoss) {
  TcpPeer peer;
  Capture out(std::cout), errors(std::cerr);
  Link link(peer.port.port, "agent");
  auto& [recorder, connector] = link;
  ASSERT_TRUE(testloop::run_until([&] { return recorder.connects == 1; }, 1000));
  EXPECT_EQ(count(out.text(), "connected to 127.0.0.1:" + std::to_string(peer.port.port) + ".\n"), 1);
  Fd accepted = peer.accept();
  ASSERT_TRUE(accepted);

  connector.Send("ping", 4);
  EXPECT_EQ(Client::read_from(accepted.get(), 8, 500, nullptr), frame("ping"));
  std::string pong = frame("pong");
  (void)!::write(accepted.get(), pong.data(), pong.size());
  ASSERT_TRUE(testloop::run_until([&] { return !recorder.messages.empty(); }, 1000));
  EXPECT_EQ(recorder.messages, std::vector<std::string>{"pong"});

  accepted.close();
  ASSERT_TRUE(testloop::run_until([&] { return recorder.disconnects == 1; }, 1000));
  int32_t left = due_in(connector.retry_timer());
  EXPECT_GE(left, 9950);
  EXPECT_LE(left, 10000);
  advance(static_cast<unsigned>(left) - 40, 5);
  EXPECT_FALSE(peer.accept()) << "no attempt before 10000 ms";
  jump_past(connector.retry_timer());
  ASSERT_TRUE(testloop::run_until([&] { return recorder.connects == 2; }, 1000));
  EXPECT_TRUE(peer.accept());
  EXPECT_EQ(recorder.disconnects, 1);
}

TEST(ConnectorLink, DisconnectByTheUserDropsThePeerAndReconnectsLater) {
  TcpPeer peer;
  Link link(peer.port.port);
  auto& [recorder, connector] = link;
  ASSERT_TRUE(testloop::run_until([&] { return recorder.connects == 1; }, 1000));
  Fd accepted = peer.accept();
  connector.Disconnect();
  bool ended = false;
  Client::read_from(accepted.get(), 1, 200, &ended);
  EXPECT_TRUE(ended);
  testloop::run_loop(20);
  EXPECT_EQ(recorder.disconnects, 1);
  EXPECT_GE(due_in(connector.retry_timer()), 9950);
}

TEST(ConnectorLink, QuickRetriesUsedUpBeforeALossStayUsedUp) {
  ClosedPort port;
  Capture errors(std::cerr);
  Link link(port.port);
  auto& [recorder, connector] = link;
  std::string line = "fail to connect to";
  ASSERT_TRUE(testloop::run_until([&] { return count(errors.text(), line) == 1; }, 1000));
  for (int i = 2; i <= 8; ++i) ASSERT_TRUE(next_failure(connector, errors, line, i));
  EXPECT_EQ(connector.attempts_left(), 0);

  port.listen();
  jump_past(connector.retry_timer());
  ASSERT_TRUE(testloop::run_until([&] { return recorder.connects == 1; }, 1000));
  Fd accepted(::accept(port.socket.get(), nullptr, nullptr));
  ::shutdown(port.socket.get(), SHUT_RDWR);  // stops listening, keeps the port bound
  accepted.close();
  ASSERT_TRUE(testloop::run_until([&] { return recorder.disconnects == 1; }, 1000));
  ASSERT_TRUE(next_failure(connector, errors, line, 9));
  EXPECT_GE(due_in(connector.retry_timer()), 14950) << "the slow period, not a quick retry";
}

TEST(ConnectorLink, AUnixConnectorFromANamedSocketReachesAUnixAcceptor) {
  testsupport::TestRoot root;
  std::string path = root.dir() + "/ctl";
  std::string local = root.dir() + "/me";
  Control::AcceptorUnix acceptor(path);
  Recorder server;
  acceptor.Bind(&server);
  acceptor.Activate();
  Capture log(std::clog);
  Control::ConnectorUnix connector(path, local);
  Recorder client;
  connector.Bind(&client);
  connector.Activate();
  EXPECT_EQ(client.connects, 1) << "a UNIX-domain connect stands at once";
  EXPECT_EQ(count(log.text(), "connected to " + path + "\n"), 1);
  ASSERT_TRUE(testloop::run_until([&] { return server.connects == 1; }, 1000));
  EXPECT_EQ(acceptor.peer_name(), local);

  connector.Send("up", 2);
  acceptor.Send("down", 4);
  testloop::run_until([&] { return !server.messages.empty() && !client.messages.empty(); }, 1000);
  EXPECT_EQ(server.messages, std::vector<std::string>{"up"});
  EXPECT_EQ(client.messages, std::vector<std::string>{"down"});

  acceptor.Disconnect();
  ASSERT_TRUE(testloop::run_until([&] { return client.disconnects == 1; }, 1000));
  EXPECT_GE(due_in(connector.retry_timer()), 9950);
}
