#include "control/Acceptor.h"

#include <gtest/gtest.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <string>

#include "ControlTestSupport.h"
#include "support/TestRoot.h"

using controltest::advance;
using controltest::Client;
using controltest::count;
using controltest::due_in;
using controltest::frame;
using controltest::jump_past;
using controltest::Recorder;
using testloop::Capture;
using State = Control::Service::State;
using CheckState = Control::AcceptorNetCheckConnection::CheckState;

namespace {

int tcp_option(int fd, int option) {
  int value = -1;
  socklen_t length = sizeof value;
  ::getsockopt(fd, IPPROTO_TCP, option, &value, &length);
  return value;
}

// The controller's listener on a port the kernel picked, with its listener bound.
struct Controller {
  Control::AcceptorNetCheckConnection acceptor{0};
  Recorder recorder;
  Controller() {
    acceptor.Bind(&recorder);
    acceptor.service_name("server");
    acceptor.Activate();
  }
  unsigned short port() const { return acceptor.local_port(); }
  // Connects a client and waits until it is attached.
  bool attach(Client& client) { return client.connect(port()) && settle(recorder.connects + 1); }
  bool settle(int connects) {
    return testloop::run_until([&] { return recorder.connects >= connects; }, 1000);
  }
};

// While it lives, the process cannot open one more descriptor.
struct NoFreeDescriptor {
  rlimit saved;
  NoFreeDescriptor() {
    ::getrlimit(RLIMIT_NOFILE, &saved);
    rlimit tight{static_cast<rlim_t>(::dup(0)), saved.rlim_max};
    ::close(static_cast<int>(tight.rlim_cur));
    EXPECT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  }
  ~NoFreeDescriptor() { ::setrlimit(RLIMIT_NOFILE, &saved); }
};

// A port on all addresses that somebody else listens on.
struct PortTaker : controltest::ClosedPort {
  PortTaker() : ClosedPort(INADDR_ANY) { listen(); }
};

}  // namespace

// ---- setting up the listening socket ----

TEST(AcceptorSetup, ABindToATakenPortIsRetriedEvery5000msUntilItIsFree) {
  PortTaker taker;
  Capture errors(std::cerr);
  Control::AcceptorNet acceptor(taker.port);
  Recorder recorder;
  acceptor.Bind(&recorder);
  EXPECT_TRUE(acceptor.Activate());
  EXPECT_EQ(acceptor.state(), State::Connecting);
  EXPECT_FALSE(acceptor.listening());
  EXPECT_EQ(errors.text(), "can't bind to socket: \"Address already in use\"  waiting...\n");
  EXPECT_GE(due_in(acceptor.retry_timer()), 4950);
  EXPECT_LE(due_in(acceptor.retry_timer()), 5000);

  advance(4900);
  EXPECT_EQ(count(errors.text(), "can't bind"), 1);
  jump_past(acceptor.retry_timer());
  testloop::run_loop(10);
  EXPECT_EQ(count(errors.text(), "can't bind"), 2);

  taker.socket.close();
  jump_past(acceptor.retry_timer());
  testloop::run_loop(10);
  EXPECT_TRUE(acceptor.listening());
  EXPECT_EQ(acceptor.local_port(), taker.port);
  Client client;
  ASSERT_TRUE(client.connect(taker.port));
  testloop::run_until([&] { return recorder.connects == 1; }, 1000);
  EXPECT_EQ(acceptor.state(), State::Connected);
  EXPECT_EQ(count(errors.text(), "can't bind"), 2);
}

TEST(AcceptorSetup, ASocketThatCannotBeCreatedIsRetriedLikeABind) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer's own checks need free descriptors for every virtual call.
  GTEST_SKIP() << "runs in the plain build only";
#endif
  Capture errors(std::cerr);
  Control::AcceptorNet acceptor(0);
  bool activated;
  {
    NoFreeDescriptor full;  // only the activation runs without a free descriptor
    activated = acceptor.Activate();
  }
  EXPECT_TRUE(activated);
  EXPECT_EQ(errors.text(), "can't create socket:Too many open files\n");
  EXPECT_EQ(acceptor.state(), State::Connecting) << "the daemon waits to listen, it does not give up";
  EXPECT_FALSE(acceptor.listening());
  EXPECT_GE(due_in(acceptor.retry_timer()), 4950);

  jump_past(acceptor.retry_timer());
  testloop::run_loop(10);
  EXPECT_TRUE(acceptor.listening());
  EXPECT_NE(acceptor.local_port(), 0);
}

TEST(AcceptorSetup, DeactivateClosesTheListeningSocketAndCancelsTheRetry) {
  PortTaker taker;
  Capture errors(std::cerr);
  Control::AcceptorNet acceptor(taker.port);
  acceptor.Activate();
  acceptor.Deactivate();
  EXPECT_FALSE(acceptor.retry_timer().pending());
  EXPECT_EQ(acceptor.state(), State::Idle);

  Control::AcceptorNet other(0);
  other.Activate();
  unsigned short port = other.local_port();
  other.Deactivate();
  Client client;
  EXPECT_FALSE(client.connect(port));
}

// ---- one controller at a time ----

TEST(AcceptorPeers, ASecondControllerIsRefusedAtOnceWhileTheFirstIsStillServed) {
  Controller c;
  Client first;
  ASSERT_TRUE(c.attach(first));
  Capture errors(std::cerr);

  Client second, third;
  ASSERT_TRUE(second.connect(c.port()));
  testloop::run_loop(20);
  ASSERT_TRUE(third.connect(c.port()));
  testloop::run_loop(20);
  second.read(1);
  third.read(1);
  EXPECT_TRUE(second.ended);
  EXPECT_TRUE(third.ended);
  EXPECT_EQ(count(errors.text(), "refuse connection from 127.0.0.1:"), 2);
  EXPECT_EQ(count(errors.text(), "CheckConnectionState CheckConnection\n"), 1);
  EXPECT_EQ(c.recorder.connects, 1);

  first.send(frame("still here"));
  testloop::run_until([&] { return !c.recorder.messages.empty(); }, 1000);
  EXPECT_EQ(c.recorder.messages, std::vector<std::string>{"still here"});
  c.acceptor.Send("reply", 5);
  EXPECT_EQ(first.read(9), frame("reply"));
}

TEST(AcceptorPeers, WithNoDescriptorFreeTheListenerRestsInsteadOfSpinningThenRefusesTheWaitingPeer) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "runs in the plain build only";  // as ASocketThatCannotBeCreatedIsRetriedLikeABind
#endif
  Controller c;
  Client first, second;
  ASSERT_TRUE(c.attach(first));
  Capture errors(std::cerr);
  {
    NoFreeDescriptor full;
    ASSERT_TRUE(second.connect(c.port()));
    testloop::PassCounter counter;
    testloop::run_loop(200);
    jump_past(c.acceptor.retry_timer());  // a retry while still full
    testloop::run_loop(20);
    EXPECT_LT(counter.passes(), 20u);
  }
  EXPECT_EQ(count(errors.text(), "can't accept connection: Too many open files"), 1);
  jump_past(c.acceptor.retry_timer());
  testloop::run_loop(20);
  second.read(1);
  EXPECT_TRUE(second.ended);
}

TEST(AcceptorPeers, ARefusedPeerSwitchesToFastKeepAliveUntilACheckFindsTheLinkOpen) {
  Controller c;
  Client first;
  ASSERT_TRUE(c.attach(first));
  int fd = c.acceptor.socket();
  EXPECT_EQ(tcp_option(fd, TCP_KEEPIDLE), 7200);

  Capture errors(std::cerr);
  Client second;
  ASSERT_TRUE(second.connect(c.port()));
  testloop::run_loop(20);
  EXPECT_EQ(c.acceptor.check_state(), CheckState::CheckConnection);
  EXPECT_EQ(tcp_option(fd, TCP_KEEPIDLE), 1);
  EXPECT_EQ(tcp_option(fd, TCP_KEEPINTVL), 1);
  EXPECT_EQ(tcp_option(fd, TCP_KEEPCNT), 3);

  advance(1000);
  EXPECT_EQ(c.acceptor.check_state(), CheckState::Idle);
  EXPECT_EQ(tcp_option(fd, TCP_KEEPIDLE), 7200);
  EXPECT_EQ(tcp_option(fd, TCP_KEEPINTVL), 75);
  EXPECT_EQ(tcp_option(fd, TCP_KEEPCNT), 9);
  EXPECT_EQ(count(errors.text(), "CheckConnectionState Idle\n"), 1);
  EXPECT_EQ(c.acceptor.state(), State::Connected);
}

TEST(AcceptorPeers, ConnectionsPendingAtOnePollAreTakenFirstAttachedTheRestRefused) {
  Controller c;
  Capture errors(std::cerr), out(std::cout);
  Client a, b;
  ASSERT_TRUE(a.connect(c.port()));
  ASSERT_TRUE(b.connect(c.port()));
  testloop::run_loop(30);
  EXPECT_EQ(c.recorder.connects, 1);
  EXPECT_EQ(count(out.text(), "new connection from 127.0.0.1:"), 1);
  EXPECT_EQ(count(errors.text(), "refuse connection from"), 1);
  EXPECT_EQ(c.acceptor.check_state(), CheckState::CheckConnection);
}

// ---- dropping the controller ----

TEST(AcceptorDrop, WhenTheDaemonDropsTheControllerItSeesTheEndAtOnceAndTheNextIsAccepted) {
  Controller c;
  Client first;
  ASSERT_TRUE(c.attach(first));
  c.acceptor.Disconnect();  // as the heartbeat does
  first.read(1, 200);
  EXPECT_TRUE(first.ended) << "no copy of the socket keeps the connection open";
  testloop::run_loop(20);
  EXPECT_EQ(c.recorder.disconnects, 1);
  EXPECT_EQ(c.acceptor.state(), State::Connecting);

  Client next;
  ASSERT_TRUE(next.connect(c.port()));
  ASSERT_TRUE(c.settle(2));
  EXPECT_EQ(c.acceptor.peer_name().rfind("127.0.0.1:", 0), 0u);
  EXPECT_EQ(c.acceptor.check_state(), CheckState::Idle);
}

TEST(AcceptorDrop, ThePeriodicCheckDropsAPeerWhoseConnectionLeftEstablished) {
  Controller c;
  Client first;
  ASSERT_TRUE(c.attach(first));
  Capture errors(std::cerr);
  ::shutdown(first.socket.get(), SHUT_WR);
  // Timers fire before the socket is polled: the check sees it first.
  advance(1000);
  EXPECT_EQ(count(errors.text(), "closed: tcp socket change state.\n"), 1) << errors.text();
  first.read(1, 200);
  EXPECT_TRUE(first.ended);
  testloop::run_loop(20);
  EXPECT_EQ(c.recorder.disconnects, 1);
}

TEST(AcceptorDrop, AResetPeerIsLostOnceWhoeverSeesItFirst) {
  Controller c;
  Client first;
  ASSERT_TRUE(c.attach(first));
  linger hard{1, 0};
  ::setsockopt(first.socket.get(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  first.socket.close();
  advance(1000);
  testloop::run_loop(20);
  EXPECT_EQ(c.recorder.disconnects, 1);
  EXPECT_EQ(c.acceptor.state(), State::Connecting);
}

// ---- UNIX domain ----

TEST(AcceptorUnixPeers, ListensOnItsPathOnePeerAtATimeAndRetriesAMissingFolder) {
  testsupport::TestRoot root;
  std::string folder = root.dir() + "/sockets";
  std::string path = folder + "/ctl";
  Capture errors(std::cerr);
  Control::AcceptorUnix acceptor(path);
  Recorder recorder;
  acceptor.Bind(&recorder);
  acceptor.Activate();
  EXPECT_EQ(count(errors.text(), "can't bind to socket: \"No such file or directory\"  waiting..."), 1);
  ::mkdir(folder.c_str(), 0700);
  jump_past(acceptor.retry_timer());
  testloop::run_loop(10);
  ASSERT_TRUE(acceptor.listening());

  auto connect = [&](Fd& s) {
    s = Fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address;
    socklen_t length = Control::UnixAddress(path, address);
    return ::connect(s.get(), reinterpret_cast<sockaddr*>(&address), length) == 0;
  };
  Fd a, b;
  ASSERT_TRUE(connect(a));
  testloop::run_until([&] { return recorder.connects == 1; }, 1000);
  ASSERT_TRUE(connect(b));
  testloop::run_loop(20);
  bool ended = false;
  Client::read_from(b.get(), 1, 200, &ended);
  EXPECT_TRUE(ended);
  EXPECT_EQ(recorder.connects, 1);
  EXPECT_EQ(acceptor.peer_name(), "") << "an unnamed peer";

  std::string hello = frame("unix");
  (void)!::write(a.get(), hello.data(), hello.size());
  testloop::run_until([&] { return !recorder.messages.empty(); }, 1000);
  EXPECT_EQ(recorder.messages, std::vector<std::string>{"unix"});
}
