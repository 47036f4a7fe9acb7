#include "core/SysLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <ostream>
#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/Fd.h"
#include "core/Version.h"
#include "LogTestSupport.h"
#include "support/TestRoot.h"

namespace {

std::string const ident = "kvo-" + Version::current.tag();

// The zero-terminated messages of one datagram.
std::vector<std::string> messages(std::string const& datagram) {
  std::vector<std::string> result;
  size_t start = 0;
  for (size_t end; (end = datagram.find('\0', start)) != std::string::npos; start = end + 1)
    result.push_back(datagram.substr(start, end - start));
  EXPECT_EQ(start, datagram.size()) << "a message without its zero byte";
  return result;
}

struct SysLogTest : ::testing::Test {
  testsupport::TestRoot root;
  testsupport::DatagramSink sink{root.file("/dev/log")};
  ManagedSysLogStreamBuf noticeBuf{3, LOG_NOTICE};
  std::ostream notice{&noticeBuf};

  void SetUp() override {
    ASSERT_TRUE(sink.bound());
    testsupport::setClock(2026, 12, 6, 11, 42, 20, 1000);
    syslogManager.setlogmask(0xff);
    syslogManager.openlog(ident.c_str(), LOG_NDELAY, 0);
  }
  void TearDown() override {
    syslogManager.closelog();
    Mux::set_test_offset(0);
  }

  // One message as it travels, with its zero byte.
  static std::string message(int priority, std::string const& text, std::string const& id = ident) {
    return "<" + std::to_string(priority) + ">Dec  6 11:42:20 " + id + ": " + text + std::string(1, '\0');
  }
};

}  // namespace

TEST_F(SysLogTest, OneLineIsOneMessageOfTheStreamsPriority) {
  EXPECT_EQ(ident, "kvo-T240205-1126");  // the record is complete before any static reads it
  notice << "abc" << std::endl;
  EXPECT_EQ(sink.receive(), message(29, "abc"));

  // Without LOG_NDELAY the first message connects.
  syslogManager.closelog();
  syslogManager.openlog("id", 0, 0);
  EXPECT_FALSE(syslogManager.connected());
  notice << "abc" << std::endl;
  EXPECT_EQ(sink.receive(), message(29, "abc", "id"));
}

TEST_F(SysLogTest, LinesOfOneFlushShareOneDatagram) {
  notice << "one\ntwo\n" << std::flush;
  EXPECT_EQ(sink.receive(), message(29, "one") + message(29, "two"));

  // An unfinished line waits for its end.
  notice << "pending" << std::flush;
  EXPECT_EQ(sink.receive(200), "");
  notice << " line" << std::endl;
  EXPECT_EQ(sink.receive(), message(29, "pending line"));
}

TEST_F(SysLogTest, ABatchHoldsAtMost256Messages) {
  for (int i = 0; i < 300; ++i) notice << i << '\n';
  notice << std::flush;
  std::vector<std::string> first;
  for (std::string datagram; first.size() < 256 && !(datagram = sink.receive()).empty();)
    for (std::string const& m : messages(datagram)) first.push_back(m);
  std::vector<std::string> second = messages(sink.receive());
  ASSERT_EQ(first.size(), 256u);
  ASSERT_EQ(second.size(), 44u);
  EXPECT_EQ(first[255] + '\0', message(29, "255"));
  EXPECT_EQ(second[43] + '\0', message(29, "299"));
}

TEST_F(SysLogTest, AMaskedSeveritySendsNothing) {
  ManagedSysLogStreamBuf debugBuf(3, LOG_DEBUG);
  std::ostream debug(&debugBuf);
  EXPECT_EQ(syslogManager.setlogmask(LOG_UPTO(LOG_NOTICE)), 0xff);
  EXPECT_EQ(syslogManager.setlogmask(0), LOG_UPTO(LOG_NOTICE));
  debug << "hidden" << std::endl;
  notice << "shown" << std::endl;
  EXPECT_EQ(sink.receive(), message(29, "shown"));
}

// Text is never taken as a format, and a line longer than one message is
// sent in chunks that add up to it, none cutting a UTF-8 character.
TEST_F(SysLogTest, AnyLineArrivesWholeAsText) {
  std::string line;
  while (line.size() < 40000) line += "%s%n%d 100% \xc3\xbc\xe2\x82\xac ";
  notice << line << std::endl;
  std::string prefix = message(29, "").substr(0, message(29, "").size() - 1);
  std::string text;
  while (text.size() < line.size()) {
    std::string datagram = sink.receive();
    ASSERT_NE(datagram, "") << "only " << text.size() << " bytes arrived";
    for (std::string const& m : messages(datagram)) {
      ASSERT_LE(m.size(), 1023u);
      ASSERT_EQ(m.compare(0, prefix.size(), prefix), 0) << m;
      std::string chunk = m.substr(prefix.size());
      ASSERT_FALSE(chunk.empty());
      EXPECT_NE(static_cast<unsigned char>(chunk[0]) & 0xC0, 0x80);
      text += chunk;
    }
  }
  EXPECT_EQ(text, line);

  // A zero byte would end the message early: it travels as a blank.
  notice << std::string("a\0b", 3) << std::endl;
  EXPECT_EQ(sink.receive(), message(29, "a b"));
}

TEST_F(SysLogTest, PrintfStyleMessagesAndTheirFacility) {
  syslogManager.syslog(LOG_DAEMON | LOG_ERR, "%d%% of %s", 50, "x");
  syslogManager.syslog(LOG_ERR, "default facility");
  EXPECT_EQ(syslogManager.sendmsg(), static_cast<int>(2 * message(27, "").size() + 8 + 16));
  EXPECT_EQ(sink.receive(), message(27, "50% of x") + message(11, "default facility"));

  syslogManager.openlog(nullptr, LOG_NDELAY | LOG_PID, LOG_DAEMON);
  syslogManager.syslog(LOG_ERR, "%s", std::string(1500, 'y').c_str());
  syslogManager.sendmsg();
  std::vector<std::string> chunks = messages(sink.receive());
  ASSERT_EQ(chunks.size(), 2u);
  std::string id = ident + "[" + std::to_string(::getpid()) + "]";
  EXPECT_EQ(chunks[0].compare(0, 20 + id.size(), "<27>Dec  6 11:42:20 " + id), 0) << chunks[0];
  EXPECT_EQ(chunks[0].size(), 1023u);
}

TEST_F(SysLogTest, WithoutALoggerTheConsoleGetsTheText) {
  sink.close();
  root.write("/dev/console", "");
  syslogManager.openlog(nullptr, LOG_NDELAY | LOG_CONS, 0);
  notice << "no logger" << std::endl;
  EXPECT_EQ(root.read("/dev/console"), ident + ": no logger\r\n");

  // Without LOG_CONS the text is dropped.
  syslogManager.openlog(nullptr, LOG_NDELAY, 0);
  notice << "dropped" << std::endl;
  EXPECT_EQ(root.read("/dev/console"), ident + ": no logger\r\n");
}

TEST_F(SysLogTest, AFailedSendGoesToTheConsoleAndLosesNoLine) {
  root.write("/dev/console", "");
  syslogManager.openlog(nullptr, LOG_NDELAY | LOG_CONS, 0);
  ASSERT_TRUE(syslogManager.connected());
  sink.close();
  notice << "first\nsecond\n" << std::flush;
  EXPECT_EQ(root.read("/dev/console"), ident + ": first\r\n" + ident + ": second\r\n");
  EXPECT_FALSE(syslogManager.connected());

  // A logger that is back gets the next line.
  testsupport::DatagramSink again(root.file("/dev/log"));
  notice << "third" << std::endl;
  EXPECT_EQ(again.receive(), message(29, "third"));
  EXPECT_EQ(root.read("/dev/console"), ident + ": first\r\n" + ident + ": second\r\n");
}

// A logger that stops reading must not hang the single-threaded daemon: a
// send waits a short time once, then fails like any other send.
TEST_F(SysLogTest, AStalledLoggerCostsOneShortWaitAndTheLinesGoToTheConsole) {
  root.write("/dev/console", "");
  syslogManager.openlog(nullptr, LOG_NDELAY | LOG_CONS, 0);
  ASSERT_TRUE(syslogManager.connected());
  // Fill the logger's receive queue from sockets of our own; each has its own
  // send budget, so one whose first datagram is refused found the queue full.
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, root.file("/dev/log").c_str(), sizeof address.sun_path - 1);
  std::vector<int> fillers;
  for (bool full = false; !full && fillers.size() < 64;) {
    fillers.push_back(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    int sent = 0;
    while (::sendto(fillers.back(), "f", 1, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&address), sizeof address) == 1)
      ++sent;
    ASSERT_EQ(errno, EAGAIN);
    full = sent == 0;
  }

  ::alarm(5);  // a send that blocks ends the test here
  auto start = std::chrono::steady_clock::now();
  notice << "stalled" << std::endl;
  auto elapsed = std::chrono::steady_clock::now() - start;
  notice << "still stalled" << std::endl;  // costs no second wait
  EXPECT_LT(std::chrono::steady_clock::now() - start - elapsed, std::chrono::milliseconds(50));
  ::alarm(0);
  EXPECT_LT(elapsed, std::chrono::milliseconds(500));
  EXPECT_EQ(root.read("/dev/console"), ident + ": stalled\r\n" + ident + ": still stalled\r\n");

  // Once the logger reads again, the next line reaches it.
  for (int fd : fillers) ::close(fd);
  while (sink.receive(0) == "f") {
  }
  notice << "flowing" << std::endl;
  EXPECT_EQ(sink.receive(), message(29, "flowing"));
  EXPECT_EQ(root.read("/dev/console"), ident + ": stalled\r\n" + ident + ": still stalled\r\n");
}

// A logger that reads more slowly than a burst is written, through a queue
// of a few datagrams, is waited for: no line goes to the console.
TEST_F(SysLogTest, ABurstWaitsForASlowLogger) {
  root.write("/dev/console", "");
  syslogManager.openlog(nullptr, LOG_NDELAY | LOG_CONS, 0);
  std::string expected, arrived;
  for (int i = 0; i < 1000; ++i) expected += message(29, "burst " + std::to_string(i));
  std::thread logger([&] {
    for (std::string datagram; arrived.size() < expected.size() && !(datagram = sink.receive()).empty();) {
      arrived += datagram;
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  });
  for (int i = 0; i < 1000; ++i) notice << "burst " << i << std::endl;
  logger.join();
  EXPECT_EQ(root.read("/dev/console"), "");
  EXPECT_TRUE(arrived == expected) << arrived.size() << " of " << expected.size() << " bytes";
}

// A stream logger may take only part of a batch: the rest, the message cut
// short included, goes whole over a new connection.
TEST_F(SysLogTest, WhatAStreamLoggerDidNotTakeGoesOverANewConnection) {
  sink.close();
  Fd listener(::socket(AF_UNIX, SOCK_STREAM, 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, root.file("/dev/log").c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener.get(), 8), 0);
  syslogManager.closelog();
  syslogManager.openlog(ident.c_str(), LOG_NDELAY, 0);
  ASSERT_TRUE(syslogManager.connected());
  int small = 1;  // the kernel's minimum: far less than the batch
  ::setsockopt(syslogManager.socket(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);

  std::vector<std::string> lines;
  for (int i = 0; i < 100; ++i) {
    lines.push_back("line " + std::to_string(i) + std::string(80, 'x'));
    notice << lines.back() << '\n';
  }
  ::alarm(5);
  notice << std::flush;
  ::alarm(0);

  auto read_all = [](int fd) {
    std::string text;
    char buffer[4096];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 200) == 1) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  };
  Fd first(::accept(listener.get(), nullptr, nullptr));
  Fd second(::accept(listener.get(), nullptr, nullptr));
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  std::string cut = read_all(first.get());
  std::string rest = read_all(second.get());
  std::vector<std::string> arrived = messages(cut.substr(0, cut.rfind('\0') + 1));
  size_t onFirst = arrived.size();
  for (std::string const& m : messages(rest)) arrived.push_back(m);
  EXPECT_GT(onFirst, 0u);
  EXPECT_LT(onFirst, lines.size());
  ASSERT_EQ(arrived.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(arrived[i] + '\0', message(29, lines[i])) << i;
}

TEST_F(SysLogTest, ClosingSendsWhatIsQueued) {
  syslogManager.syslog(LOG_DAEMON | LOG_NOTICE, "queued");
  EXPECT_EQ(sink.receive(200), "");
  syslogManager.closelog();
  EXPECT_EQ(sink.receive(), message(29, "queued"));
}

TEST_F(SysLogTest, DestroyingAStreamBufferLogsItsUnfinishedLine) {
  {
    ManagedSysLogStreamBuf buf(3, LOG_ERR);
    std::ostream err(&buf);
    err << "done\nunfinished" << std::flush;
    EXPECT_EQ(sink.receive(), message(27, "done"));
  }
  EXPECT_EQ(sink.receive(), message(27, "unfinished"));
}

// The plain stream buffer goes through the system library; LOG_PERROR shows
// what it logged on the error descriptor.
TEST(SysLogStreamBuf, LogsEachLineThroughTheSystemLibraryAsText) {
  testsupport::TestRoot root;
  std::string path = root.file("/stderr.txt");
  int saved = ::dup(STDERR_FILENO);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ::dup2(fd, STDERR_FILENO);
  ::close(fd);
  ::openlog("sys-id", LOG_PERROR, LOG_DAEMON);
  {
    SysLogStreamBuf buf(3, LOG_NOTICE);
    EXPECT_EQ(buf.priority(), 29);
    std::ostream os(&buf);
    os << "100% %s %n\nsecond" << std::flush << " line" << std::endl;
  }
  ::closelog();
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  EXPECT_EQ(root.read("/stderr.txt"), "sys-id: 100% %s %n\nsys-id: second line\n");
}
