#include "core/ASync.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <random>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "RunHelpers.h"
#include "support/TestRoot.h"

namespace {

std::string random_bytes(size_t n) {
  std::mt19937 gen(42);
  std::string data(n, '\0');
  for (char& c : data) c = static_cast<char>(gen());
  return data;
}

// Records every report of a copier or connector.
struct Reports {
  std::vector<int> statuses;
  std::vector<bool> sockets;
  bool stopLoop = true;
  void OnCopy(ASync::Copy::Status::Type status) {
    statuses.push_back(status);
    if (stopLoop) multiplexer.terminate();
  }
  void OnConnect(ASync::Connect::Status::Type status, Fd socket) {
    statuses.push_back(status);
    sockets.push_back(socket.valid());
    if (stopLoop) multiplexer.terminate();
  }
};

// Reads everything that arrives on a descriptor until its end.
struct Reader {
  Event event;
  std::string received;
  bool ended = false;
  explicit Reader(int fd) {
    NonBlockMode(fd);
    event.Bind<Reader>("test reader", &Reader::OnRead, this);
    event.Schedule(Fd(fd), POLLIN);
  }
  void OnRead(int fd, short revents) {
    if (!(revents & (POLLIN | POLLHUP))) return;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) received.append(buffer, static_cast<size_t>(n));
    if (n == 0) {
      ended = true;
      event.Release();
    }
  }
};

Fd file_with(testsupport::TestRoot const& root, std::string const& name, std::string const& content) {
  root.write("/data/" + name, content);
  return Fd(::open(root.file("/data/" + name).c_str(), O_RDONLY));
}

struct StreamPair {
  int fd[2] = {-1, -1};
  StreamPair() { ::socketpair(AF_UNIX, SOCK_STREAM, 0, fd); }
};

// A TCP listener on 127.0.0.1 with a port the kernel picked.
struct Listener {
  Fd socket{::socket(AF_INET, SOCK_STREAM, 0)};
  sockaddr_in address{};
  explicit Listener(int backlog = 8, bool listening = true) {
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&address), &length);
    if (listening) ::listen(socket.get(), backlog);
  }
  int port() const { return ntohs(address.sin_port); }
  std::string text() const { return "127.0.0.1:" + std::to_string(port()); }
  bool has_pending(int waitMs) const {
    pollfd entry{socket.get(), POLLIN, 0};
    return ::poll(&entry, 1, waitMs) == 1;
  }
};

// A loopback TCP connection; with small buffers a copy soon finds it full.
struct TcpLink {
  Listener listener;
  Fd client{::socket(AF_INET, SOCK_STREAM, 0)};
  Fd peer;
  explicit TcpLink(bool smallBuffers) {
    int small = 4096;
    if (smallBuffers) {
      ::setsockopt(listener.socket.get(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
      ::setsockopt(client.get(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    }
    if (::connect(client.get(), reinterpret_cast<sockaddr*>(&listener.address), sizeof listener.address) == 0)
      peer = Fd(::accept(listener.socket.get(), nullptr, nullptr));
  }
  // The peer goes with a reset.
  void reset() {
    linger hard{1, 0};
    ::setsockopt(peer.get(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    peer.close();
  }
};

// A listener whose accept queue is full: further connects get no answer.
struct DeafListener : Listener {
  Fd filler{::socket(AF_INET, SOCK_STREAM, 0)};
  DeafListener() : Listener(0) {
    ::connect(filler.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
};

}  // namespace

// ---- Copy ----

TEST(AsyncCopy, AFileReachesASocketByteExactAndEndsDone) {
  testsupport::TestRoot root;
  std::string data = random_bytes(100003);
  StreamPair pair;
  Reader reader(pair.fd[1]);
  Reports reports;
  reports.stopLoop = false;
  ASync::Copy copy;
  copy.Bind(&Reports::OnCopy, &reports);
  EXPECT_EQ(copy.Start(file_with(root, "prompt", data), Fd(pair.fd[0])), 0);

  ASSERT_TRUE(testloop::run_until([&] { return reader.ended; }, 5000));
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Copy::Status::Done}));
  EXPECT_EQ(copy.total(), data.size());
  EXPECT_TRUE(reader.received == data) << reader.received.size() << " bytes received";
}

TEST(AsyncCopy, AnEmptySourceEndsDoneAfterTheFlushWaitOrAtOnceWithoutOne) {
  testsupport::TestRoot root;
  StreamPair pair;
  Reports reports;
  reports.stopLoop = false;
  ASync::Copy copy;
  copy.Bind(&Reports::OnCopy, &reports);
  copy.Start(file_with(root, "empty", ""), Fd(pair.fd[0]));
  EXPECT_TRUE(reports.statuses.empty());
  EXPECT_EQ(copy.status(), ASync::Copy::Status::Flushing);
  ASSERT_TRUE(testloop::run_until([&] { return !reports.statuses.empty(); }, 5000));
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Copy::Status::Done}));

  ASync::Copy::EventsParams noFlush;
  noFlush.flush = 0;
  copy.set_events(noFlush);
  copy.Start(file_with(root, "empty", ""), Fd(pair.fd[0]));
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Copy::Status::Done, ASync::Copy::Status::Done}));
  EXPECT_EQ(copy.total(), 0u);
  ::close(pair.fd[0]);
  ::close(pair.fd[1]);
}

TEST(AsyncCopy, ADestinationThatWouldBlockStopsTheReads) {
  int source[2];
  ASSERT_EQ(::pipe2(source, O_NONBLOCK), 0);
  std::string data = random_bytes(60000);
  ASSERT_EQ(::write(source[1], data.data(), data.size()), static_cast<ssize_t>(data.size()));
  StreamPair destination;
  int small = 1;  // the kernel's minimum
  ::setsockopt(destination.fd[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  ::setsockopt(destination.fd[1], SOL_SOCKET, SO_RCVBUF, &small, sizeof small);

  Reports reports;
  ASync::Copy copy;
  copy.Bind(&Reports::OnCopy, &reports);
  copy.Start(Fd(::dup(source[0])), Fd(destination.fd[0]));
  testloop::PassCounter counter;
  testloop::run_loop(200);

  int left = 0;
  ::ioctl(source[0], FIONREAD, &left);
  unsigned consumed = static_cast<unsigned>(data.size()) - static_cast<unsigned>(left);
  EXPECT_TRUE(reports.statuses.empty());
  EXPECT_EQ(copy.status(), ASync::Copy::Status::Copying);
  EXPECT_GT(left, 0) << "the copy stopped reading";
  EXPECT_LE(consumed, copy.total() + copy.bufsize()) << "at most one buffer in flight";
  EXPECT_LT(counter.passes(), 10u) << "the copy waits instead of spinning";

  // Once the peer reads, the rest follows and the copy ends at the source's end.
  Reader reader(destination.fd[1]);
  ::close(source[1]);
  ASSERT_TRUE(testloop::run_until([&] { return reader.ended; }, 5000));
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Copy::Status::Done}));
  EXPECT_TRUE(reader.received == data);
  ::close(source[0]);
}

// A reset of the destination ends the copy Failed, while copying and also
// while draining (Stop with the destination full leaves data to write).
TEST(AsyncCopy, APeerResetEndsFailedAlsoWhileDraining) {
  testsupport::TestRoot root;
  std::string data = random_bytes(1 << 20);
  Reports reports;
  ASync::Copy copy;
  copy.Bind(&Reports::OnCopy, &reports);
  for (bool draining : {false, true}) {
    SCOPED_TRACE(draining ? "draining" : "copying");
    reports.statuses.clear();
    TcpLink link(true);
    ASSERT_TRUE(link.peer);
    copy.Start(file_with(root, "big", data), link.client);
    ASSERT_EQ(copy.status(), ASync::Copy::Status::Copying) << "the destination is full";
    if (draining) {
      copy.Stop();
      EXPECT_EQ(copy.status(), ASync::Copy::Status::Draining);
      EXPECT_TRUE(reports.statuses.empty());
    }
    testsupport::FnTimer reset([&] { link.reset(); });
    reset.arm(50);

    ASSERT_TRUE(testloop::run_loop(5000));
    EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Copy::Status::Failed}));
    EXPECT_TRUE(copy.error() == ECONNRESET || copy.error() == EPIPE) << copy.error();
    EXPECT_LT(copy.total(), data.size());
  }
}

TEST(AsyncCopy, EveryStartIsReportedOnce) {
  testsupport::TestRoot root;
  StreamPair pair;
  Reader reader(pair.fd[1]);
  Fd destination(pair.fd[0]);
  ASync::Copy copy;
  std::vector<int> statuses;
  struct Chain {
    ASync::Copy* copy;
    std::vector<int>* statuses;
    Fd second;
    Fd destination;
    void OnCopy(ASync::Copy::Status::Type status) {
      statuses->push_back(status);
      if (statuses->size() == 1) copy->Start(std::move(second), std::move(destination));  // from inside the report
    }
  } chain{&copy, &statuses, file_with(root, "two", "second"), destination};
  copy.Bind(&Chain::OnCopy, &chain);
  copy.Start(file_with(root, "one", "first "), destination);
  destination.close();

  ASSERT_TRUE(testloop::run_until([&] { return reader.ended; }, 5000));
  EXPECT_EQ(statuses, (std::vector<int>{ASync::Copy::Status::Done, ASync::Copy::Status::Done}));
  EXPECT_EQ(reader.received, "first second");

}

TEST(AsyncCopy, AChangeOfMasksOrBufferAbortsTheCopyOnce) {
  StreamPair idle;
  int source[2];
  ASSERT_EQ(::pipe(source), 0);
  Reports reports;
  reports.stopLoop = false;
  ASync::Copy copy;
  copy.Bind(&Reports::OnCopy, &reports);
  (void)!::write(source[1], "x", 1);
  copy.Start(Fd(source[0]), Fd(idle.fd[0]));
  EXPECT_EQ(copy.total(), 1u);
  copy.set_events(ASync::Copy::EventsParams());
  copy.set_bufsize(64);  // nothing under way any more: no second report
  testloop::run_loop(50);
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Copy::Status::Aborted}));
  ::close(source[1]);
  ::close(idle.fd[1]);
}

// While the copy waits for its source, an error event on the destination ends
// it: a socket's pending error is kept, anything else has none to give.
TEST(AsyncCopy, AnErrorEventOnTheDestinationKeepsOnlyASocketsPendingError) {
  int source[2];
  ASSERT_EQ(::pipe(source), 0);
  int sink[2];
  ASSERT_EQ(::pipe(sink), 0);
  Reports reports;
  ASync::Copy copy;
  copy.Bind(&Reports::OnCopy, &reports);
  copy.Start(Fd(::dup(source[0])), Fd(sink[1]));
  ::close(sink[0]);  // the pipe's reader goes: POLLERR on its writer
  ASSERT_TRUE(testloop::run_loop(5000));
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Copy::Status::Failed}));
  EXPECT_EQ(copy.error(), 0) << std::strerror(copy.error());

  TcpLink link(false);
  ASSERT_TRUE(link.peer);
  copy.Start(Fd(::dup(source[0])), link.client);
  link.reset();
  ASSERT_TRUE(testloop::run_loop(5000));
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Copy::Status::Failed, ASync::Copy::Status::Failed}));
  EXPECT_EQ(copy.error(), ECONNRESET) << std::strerror(copy.error());
  EXPECT_EQ(copy.total(), 0u);
  ::close(source[0]);
  ::close(source[1]);
}

TEST(AsyncCopy, AReadErrorEndsFailedAndKeepsItsErrno) {
  testsupport::TestRoot root;
  StreamPair pair;
  Reports reports;
  ASync::Copy copy;
  copy.Bind(&Reports::OnCopy, &reports);
  copy.Start(Fd(::open(root.dir().c_str(), O_RDONLY | O_DIRECTORY)), Fd(pair.fd[0]));
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Copy::Status::Failed}));
  EXPECT_EQ(copy.error(), EISDIR);
  ::close(pair.fd[1]);
}

TEST(AsyncCopy, ABufferOfNoBytesIsRefused) {
  testsupport::TestRoot root;
  ASync::Copy copy;
  testloop::Capture err(std::cerr);
  EXPECT_FALSE(copy.set_bufsize(0));
  EXPECT_NE(err.text().find("buffer size 0 refused"), std::string::npos);
  EXPECT_TRUE(copy.set_bufsize(7));

  StreamPair pair;
  Reader reader(pair.fd[1]);
  Reports reports;
  reports.stopLoop = false;
  copy.Bind(&Reports::OnCopy, &reports);
  std::string data = random_bytes(5000);
  copy.Start(file_with(root, "file", data), Fd(pair.fd[0]));
  ASSERT_TRUE(testloop::run_until([&] { return reader.ended; }, 5000));
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Copy::Status::Done}));
  EXPECT_TRUE(reader.received == data);
}

// ---- Connect ----

TEST(AsyncConnect, ConnectsToAListener) {
  Listener listener;
  Reports reports;
  ASync::Connect connect;
  connect.Bind(&Reports::OnConnect, &reports);
  connect.Start(listener.text().c_str(), 1000);
  ASSERT_TRUE(testloop::run_loop(5000));
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Connect::Status::Connected}));
  EXPECT_EQ(reports.sockets, (std::vector<bool>{true}));
  EXPECT_TRUE(listener.has_pending(0));
}

TEST(AsyncConnect, ARefusedConnectEndsFailed) {
  Listener bound(0, false);  // bound, never listening: the connect is refused
  Reports reports;
  ASync::Connect connect;
  connect.Bind(&Reports::OnConnect, &reports);
  connect.Start(bound.text().c_str(), 1000);
  testloop::run_loop(2000);
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Connect::Status::Failed}));
  EXPECT_EQ(reports.sockets, (std::vector<bool>{false}));
  EXPECT_EQ(connect.error(), ECONNREFUSED);
}

TEST(AsyncConnect, NoAnswerEndsFailedAfterTheTimeOut) {
  DeafListener deaf;
  Reports reports;
  ASync::Connect connect;
  connect.Bind(&Reports::OnConnect, &reports);
  uint32_t start = Mux::milliseconds();
  connect.Start(deaf.text().c_str(), 200);
  ASSERT_TRUE(testloop::run_loop(5000));
  EXPECT_GE(Mux::milliseconds() - start, 200u);
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Connect::Status::Failed}));
  EXPECT_EQ(connect.error(), ETIMEDOUT);
}

TEST(AsyncConnect, StopEndsStoppedOnce) {
  DeafListener deaf;
  Reports reports;
  reports.stopLoop = false;
  ASync::Connect connect;
  connect.Bind(&Reports::OnConnect, &reports);
  connect.Start(deaf.text().c_str(), 100);
  testsupport::FnTimer stop([&] { connect.Stop(); });
  stop.arm(20);
  testloop::run_loop(300);  // past the time-out: it must not report again
  EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Connect::Status::Stopped}));
  EXPECT_EQ(reports.sockets, (std::vector<bool>{false}));
}

// A text that does not parse used to leave the address 0.0.0.0, which
// reaches this host.
TEST(AsyncConnect, AnAddressThatDoesNotParseNeverConnects) {
  Listener listener;
  std::string port = std::to_string(listener.port());
  testloop::Capture err(std::cerr);
  for (std::string text : std::vector<std::string>{"nonsense:" + port, "0.0.0.0:" + port, "127.0.0.1:" + port + "x",
                                                   "127.0.0.1:", "127.0.0.1:99999", "300.1.1.1:" + port}) {
    Reports reports;
    ASync::Connect connect;
    connect.Bind(&Reports::OnConnect, &reports);
    connect.Start(text.c_str(), 1000);
    EXPECT_EQ(reports.statuses, (std::vector<int>{ASync::Connect::Status::Failed})) << text;
    EXPECT_EQ(connect.error(), EINVAL) << text;
  }
  ASync::Connect none;
  none.Start(nullptr, 1000);
  EXPECT_EQ(none.status(), ASync::Connect::Status::Failed);
  EXPECT_FALSE(listener.has_pending(100));
  EXPECT_NE(err.text().find("bad address \"nonsense:"), std::string::npos) << err.text();
}
