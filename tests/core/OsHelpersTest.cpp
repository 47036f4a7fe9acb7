#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <net/if.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <list>
#include <sstream>

#include "core/Fd.h"
#include "core/INet4.h"
#include "core/MuxTime.h"
#include "core/OsHelpers.h"
#include "support/TestRoot.h"

TEST(FdHelpers, CloseCopyAndCloexec) {
  int pipes[2];
  ASSERT_EQ(::pipe(pipes), 0);
  ::close(pipes[1]);
  Fd fd(pipes[0]);
  EXPECT_TRUE(::fcntl(fd.get(), F_GETFD) & FD_CLOEXEC);
  Fd copy(fd);
  EXPECT_TRUE(copy);
  EXPECT_NE(copy.get(), fd.get());
  EXPECT_TRUE(::fcntl(copy.get(), F_GETFD) & FD_CLOEXEC);
  EXPECT_EQ(fd.close(), 0);
  EXPECT_FALSE(fd);
  errno = 0;
  EXPECT_EQ(fd.close(), -1);
  EXPECT_EQ(errno, EBADF);
  Fd empty;
  Fd emptyCopy(empty);
  EXPECT_FALSE(emptyCopy);
  EXPECT_FALSE(empty.NonBlock());
  EXPECT_TRUE(copy.NonBlock());
  EXPECT_TRUE(::fcntl(copy.get(), F_GETFL) & O_NONBLOCK);
  EXPECT_TRUE(BlockMode(copy.get()));
  EXPECT_FALSE(::fcntl(copy.get(), F_GETFL) & O_NONBLOCK);
  EXPECT_FALSE(SetCloexec(copy.get(), false));  // false means it worked
  EXPECT_FALSE(::fcntl(copy.get(), F_GETFD) & FD_CLOEXEC);
  EXPECT_TRUE(SetCloexec(-1, true));
  copy = copy;  // self-assignment keeps the descriptor
  EXPECT_TRUE(copy);
}

TEST(INet4Addr, ParsesDottedQuadWithOptionalPort) {
  INet4::Addr a;
  int port = 0;
  EXPECT_TRUE(a.Assign("10.0.0.1:20001", &port));
  EXPECT_EQ(port, 20001);
  EXPECT_EQ(a.GetString(), "10.0.0.1:20001");
  std::ostringstream os;
  os << a;
  EXPECT_EQ(os.str(), "10.0.0.1:20001");

  EXPECT_TRUE(a.Assign("10.0.0.2", &port));
  EXPECT_EQ(port, -1);
  EXPECT_EQ(a.GetString(), "10.0.0.2:20001");  // the port is kept

  INet4::Addr named;
  EXPECT_FALSE(named.Assign("gateway:80", &port));
  EXPECT_EQ(named.port(), 80);

  EXPECT_TRUE(a.Assign("10.0.0.1:70000", &port));
  EXPECT_EQ(port, 70000);
  EXPECT_EQ(a.port(), 4464);

  a.Reset();
  EXPECT_EQ(a.GetString(), "0.0.0.0:0");
  EXPECT_EQ(a.GetVector(), std::vector<char>(4, 0));
  EXPECT_FALSE(a.Assign(static_cast<char const*>(nullptr)));
}

TEST(INet4Addr, OverlongAddressTextIsRejectedNotCopied) {
  INet4::Addr a;
  std::string longText(5000, '1');
  EXPECT_FALSE(a.Assign(longText + ":80"));
  EXPECT_FALSE(a.Assign("10.0.0.1" + std::string(40, ' ') + ":80"));
  EXPECT_TRUE(a.Assign("255.255.255.255:1"));
}

TEST(INet4Addr, EqualityIgnoresFamily) {
  INet4::Addr a("192.168.1.2:5"), b("192.168.1.2:5"), c("192.168.1.2:6");
  b.raw().sin_family = AF_UNIX;
  EXPECT_TRUE(a == b);
  EXPECT_TRUE(a != c);
  EXPECT_EQ(a.GetVector(), (std::vector<char>{static_cast<char>(192), static_cast<char>(168), 1, 2}));
}

TEST(NetHelpers, InterfaceFilters) {
  in_addr_t priv = inet_addr("192.168.3.4"), ll = inet_addr("169.254.1.1"), pub = inet_addr("8.8.8.8");
  EXPECT_TRUE(Net::ifconfig_accepts("lo", inet_addr("127.0.0.1"), Net::IFCONFIG_ALL));
  EXPECT_FALSE(Net::ifconfig_accepts("LO", inet_addr("127.0.0.1"), Net::IFCONFIG_NOT_LOOPBACK));
  EXPECT_TRUE(Net::ifconfig_accepts("eth0", pub, Net::IFCONFIG_NOT_LOOPBACK));
  EXPECT_FALSE(Net::ifconfig_accepts("eth0", priv, Net::IFCONFIG_LINK_LOCAL));
  EXPECT_TRUE(Net::ifconfig_accepts("eth0", ll, Net::IFCONFIG_LINK_LOCAL));
  EXPECT_TRUE(Net::ifconfig_accepts("eth0", priv, Net::IFCONFIG_PRIVATE));
  EXPECT_TRUE(Net::ifconfig_accepts("eth0", inet_addr("172.31.0.1"), Net::IFCONFIG_PRIVATE));
  EXPECT_FALSE(Net::ifconfig_accepts("eth0", inet_addr("172.32.0.1"), Net::IFCONFIG_PRIVATE));
  EXPECT_TRUE(Net::ifconfig_accepts("eth0", inet_addr("10.1.2.3"), Net::IFCONFIG_PRIVATE));
  EXPECT_FALSE(Net::ifconfig_accepts("eth0", pub, static_cast<Net::ifconfig_mode_t>(6)));
}

TEST(NetHelpers, LoopbackIsListedOnlyWithoutFilters) {
  std::list<INet4::Addr> all, external;
  ASSERT_GE(Net::ifconfig(all, Net::IFCONFIG_ALL), 1);
  bool loopback = false;
  for (auto const& a : all) loopback |= a.GetString() == "127.0.0.1:0";
  EXPECT_TRUE(loopback);
  Net::ifconfig(external, Net::IFCONFIG_NOT_LOOPBACK);
  for (auto const& a : external) EXPECT_NE(a.GetString(), "127.0.0.1:0");
  EXPECT_EQ(external.size() + 1, all.size());
  std::list<std::string> up;
  EXPECT_GE(Net::ifconfig(up, Net::IFCONFIG_ALL, IFF_UP | IFF_LOOPBACK), 1);
  EXPECT_EQ(up.front(), "lo");
  EXPECT_FALSE(Net::hostname().empty());
}

TEST(ProcessLookup, FindsByWholeCommandName) {
  char own[64] = {};
  FILE* f = std::fopen("/proc/self/comm", "r");
  ASSERT_NE(f, nullptr);
  ASSERT_NE(std::fgets(own, sizeof own, f), nullptr);
  std::fclose(f);
  own[std::strcspn(own, "\n")] = '\0';
  EXPECT_EQ(find_proc_by_name(own, ::getpid()), ::getpid());
  // A stale hint scans /proc; tests running beside this one share its name.
  int found = find_proc_by_name(own, 1 << 30);
  ASSERT_GT(found, 0);
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/comm", found);
  char theirs[64] = {};
  if (FILE* g = std::fopen(path, "r")) {
    (void)!std::fgets(theirs, sizeof theirs, g);
    std::fclose(g);
  }
  EXPECT_EQ(std::string(theirs), std::string(own) + "\n");
  std::string prefix(own, std::strlen(own) - 1);
  EXPECT_EQ(find_proc_by_name(prefix.c_str(), ::getpid()), -1);
}

// The command name runs to the last ')' of the stat line; a hint that belongs
// to another program is passed over for a scan of /proc.
TEST(ProcessLookup, ANameWithAParenthesisAndAHintOfAnotherProgram) {
  testsupport::TestRoot root;
  std::string name = "x)" + std::to_string(::getpid());  // unique to this test process
  std::string program = root.file("/" + name);
  {
    std::ifstream from("/bin/sleep", std::ios::binary);
    std::ofstream to(program, std::ios::binary);
    to << from.rdbuf();
  }
  ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
  pid_t child = ::fork();
  if (child == 0) {
    ::execl(program.c_str(), name.c_str(), "30", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_GT(child, 0);
  struct Ender {
    pid_t pid;
    ~Ender() {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  } ender{child};
  std::string comm;
  for (int i = 0; i < 500 && comm != name; ++i) {
    ::usleep(10000);
    std::ifstream in("/proc/" + std::to_string(child) + "/comm");
    std::getline(in, comm);
  }
  ASSERT_EQ(comm, name) << "the copy of sleep did not start";

  EXPECT_EQ(find_proc_by_name(name.c_str(), child), child);
  EXPECT_EQ(find_proc_by_name(name.c_str(), ::getpid()), child);
  EXPECT_EQ(find_proc_by_name(name.substr(0, name.find(')')).c_str(), child), -1);
}

TEST(LoopTime, ArithmeticAndText) {
  Mux::timeval a, b, c;
  a.tv_sec = 10;
  a.tv_usec = 900000;
  b.tv_sec = 2;
  b.tv_usec = 200000;
  Mux::timevaladd2(a, b, c);
  EXPECT_EQ(c.tv_sec, 13);
  EXPECT_EQ(c.tv_usec, 100000);
  Mux::timevalsub2(a, b, c);
  EXPECT_EQ(c.tv_sec, 8);
  EXPECT_EQ(c.tv_usec, 700000);
  Mux::timevalsub2(b, a, c);
  EXPECT_EQ(c.tv_sec, -9);
  EXPECT_EQ(c.tv_usec, 300000);
  EXPECT_EQ(Mux::timevaldiff(b, a), 8700);
  EXPECT_EQ(Mux::timevaldiff(a, b), 0);
  EXPECT_EQ(Mux::timevalcompare(a, b), 1);
  EXPECT_EQ(Mux::timevalcompare(a, a), 0);
  Mux::timeval m = Mux::make_from_msec(2500);
  EXPECT_EQ(m.tv_sec, 2);
  EXPECT_EQ(m.tv_usec, 500000);
  Mux::timeval_timer t;
  t.init(a, 0);
  EXPECT_FALSE(t.is_expired(b));
  t.init(b, 100);
  EXPECT_TRUE(t.is_expired(a));
  t.inc();
  EXPECT_EQ(t.start.tv_usec, 300000);
  std::string text = Mux::timevaltostring(a);
  EXPECT_EQ(text.substr(text.size() - 7), ".900000");
  EXPECT_EQ(text.size(), 26u);
}

TEST(LoopTime, MillisecondsWrapAndTestOffsetMovesEveryReading) {
  Mux::set_test_offset(0);
  uint32_t before = Mux::milliseconds();
  Mux::set_test_offset(int64_t(3600) * 1000000);
  uint32_t after = Mux::milliseconds();
  EXPECT_GE(static_cast<int32_t>(after - before), 3600000);
  EXPECT_LT(static_cast<int32_t>(after - before), 3601000);
  Mux::set_test_offset(0);
}
