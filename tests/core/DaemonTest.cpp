#include "core/Daemon.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "LogTestSupport.h"
#include "core/Version.h"
#include "support/TestRoot.h"

namespace {

std::string const ident = "kvo-" + Version::current.tag();

// Runs `body` in a child process, which turns itself into a daemon there; the
// test process keeps its own streams. Returns once the daemon has ended: its
// end closes the pipe it inherited.
void runDaemon(std::function<void()> const& body) {
  int done[2];
  ASSERT_EQ(::pipe(done), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(done[0]);
    body();
    std::exit(0);
  }
  ::close(done[1]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  // daemon() ends the first child with status 0 and goes on in a new one.
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  pollfd p{done[0], POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 10000), 1) << "the daemon did not end";
  char byte;
  EXPECT_EQ(::read(done[0], &byte, 1), 0);
  ::close(done[0]);
}

// Waits up to ten seconds for a file to hold a text.
bool waitFor(std::string const& path, std::string const& text) {
  for (int i = 0; i < 100; ++i) {
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (content.find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

struct DaemonTest : ::testing::Test {
  testsupport::TestRoot root;
  void SetUp() override { testsupport::setClock(2026, 12, 6, 11, 42, 20); }
};

}  // namespace

TEST_F(DaemonTest, SystemLogKindSendsTheThreeStreamsWithTheirSeverities) {
  testsupport::DatagramSink sink(root.file("/dev/log"));
  ASSERT_TRUE(sink.bound());
  runDaemon([] {
    Daemon::Params params;
    params.text = ident;
    Daemon::Init(params);
    // A second call changes nothing, also with other parameters.
    Daemon::Params other;
    other.kind = Daemon::logFiles;
    other.text = "/var/log/other";
    Daemon::Init(other);
    char cwd[256];
    std::cout << "cwd " << ::getcwd(cwd, sizeof cwd) << (std::cin.tie() == &std::cout ? ", input tied" : "")
              << std::endl;
    std::cerr << "failed" << std::endl;
    std::clog << "detail" << std::endl;
    // The descriptors lead to the log socket as well.
    (void)!::write(STDERR_FILENO, "raw", 3);
  });
  std::string const stamp = ">Dec  6 11:42:2";
  auto expect = [&](std::string const& priority, std::string const& text) {
    std::string datagram = sink.receive();
    EXPECT_EQ(datagram.substr(0, 1 + priority.size() + stamp.size()), "<" + priority + stamp) << datagram;
    EXPECT_EQ(datagram.substr(datagram.size() - text.size() - ident.size() - 3),
              ident + ": " + text + std::string(1, '\0'));
  };
  expect("29", "cwd /, input tied");
  expect("27", "failed");
  expect("31", "detail");
  EXPECT_EQ(sink.receive(), "raw");
  EXPECT_FALSE(std::filesystem::exists(root.file("/var/log/other")));
}

TEST_F(DaemonTest, LogFileKindWritesTheThreeStreamsToTheHoursFile) {
  std::filesystem::create_directories(root.file("/var/log/tarvox/x"));
  runDaemon([] {
    Daemon::Params params;
    params.kind = Daemon::logFiles;
    params.text = "/var/log/tarvox";
    Daemon::Init(params);
    std::cout << "out\n";
    std::cerr << "err" << std::endl;
    std::clog << "unfinished at exit";
  });
  EXPECT_EQ(testsupport::withoutPrefixes(root.read("/var/log/tarvox/2026_12_06-11.log")),
            "out\nerr\nunfinished at exit\n");
}

// Debian's rsyslogd as the peer, on a socket under the private root with a
// configuration, pid file and work folder of its own.
TEST(SystemLoggerPeer, RsyslogdRecordsTheDaemonsLines) {
  char const* rsyslogd = "/usr/sbin/rsyslogd";
  if (::access(rsyslogd, X_OK) != 0)
    GTEST_SKIP() << "rsyslogd is not installed (Debian package rsyslog): no test against a real system logger";
  testsupport::TestRoot root;
  std::string const socket = root.file("/dev/log");
  std::string const output = root.file("/var/log/messages");
  std::string const work = root.file("/var/lib/rsyslog/x");
  std::filesystem::create_directories(std::filesystem::path(work).parent_path());
  root.write("/etc/rsyslog.conf",
             "global(workDirectory=\"" + std::filesystem::path(work).parent_path().string() +
                 "\")\n"
                 "module(load=\"imuxsock\" SysSock.Use=\"off\")\n"
                 "input(type=\"imuxsock\" Socket=\"" +
                 socket + "\")\n*.* action(type=\"omfile\" file=\"" + output + "\")\n");
  std::string const console = root.file("/rsyslogd.out");
  pid_t logger = ::fork();
  ASSERT_GE(logger, 0);
  if (logger == 0) {
    int fd = ::open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(fd, STDOUT_FILENO);
    ::dup2(fd, STDERR_FILENO);
    std::string conf = root.file("/etc/rsyslog.conf");
    std::string pid = root.file("/run/rsyslogd.pid");
    ::execl(rsyslogd, rsyslogd, "-n", "-f", conf.c_str(), "-i", pid.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  bool listening = false;
  for (int i = 0; i < 100 && !listening; ++i) {
    listening = std::filesystem::exists(socket);
    if (!listening) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (listening) {
    runDaemon([] {
      Daemon::Params params;
      params.text = ident;
      Daemon::Init(params);
      std::clog << "peer check: 100% %s %n" << std::endl;
      std::cerr << "peer error" << std::endl;
      // One flush of batches longer than the logger keeps of a datagram.
      for (int i = 1000; i < 1500; ++i) std::clog << "peer line " << i << std::string(60, '-') << "|\n";
      std::clog << std::flush;
    });
    EXPECT_TRUE(waitFor(output, ident + ": peer check: 100% %s %n")) << root.read("/var/log/messages");
    EXPECT_TRUE(waitFor(output, ident + ": peer error")) << root.read("/var/log/messages");
    EXPECT_TRUE(waitFor(output, "peer line 1499"));
    std::string const logged = root.read("/var/log/messages");
    for (int i = 1000; i < 1500; ++i) {
      std::string const line = ident + ": peer line " + std::to_string(i) + std::string(60, '-') + '|';
      EXPECT_NE(logged.find(line), std::string::npos) << line;
    }
  }
  ::kill(logger, SIGTERM);
  int status = 0;
  ::waitpid(logger, &status, 0);
  EXPECT_TRUE(listening) << "rsyslogd did not open its socket: " << root.read("/rsyslogd.out");
}
