#include "core/OsHelpers.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <iostream>
#include <net/if.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace IPC {

Signal::Set::Set(int a, int b) {
  sigemptyset(&set);
  sigaddset(&set, a);
  sigaddset(&set, b);
}

Signal::Set::Set(int a, int b, int c) {
  sigemptyset(&set);
  sigaddset(&set, a);
  sigaddset(&set, b);
  sigaddset(&set, c);
}

bool Signal::Set::is_signal(int signo) {
  sigset_t empty;
  sigemptyset(&empty);
  return sigismember(&empty, signo) != -1;
}

int Signal::handle(int signo, Handler1 handler, Set const& mask, int flags) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sa.sa_mask = mask.set;
  sa.sa_flags = flags & ~SA_SIGINFO;
  return ::sigaction(signo, &sa, nullptr);
}

int Signal::handle(int signo, Handler3 handler, Set const& mask, int flags) {
  struct sigaction sa {};
  sa.sa_sigaction = handler;
  sa.sa_mask = mask.set;
  sa.sa_flags = flags | SA_SIGINFO;
  return ::sigaction(signo, &sa, nullptr);
}

static int set_disposition(int signo, void (*disposition)(int)) {
  struct sigaction sa {};
  sa.sa_handler = disposition;
  sigemptyset(&sa.sa_mask);
  return ::sigaction(signo, &sa, nullptr);
}

int Signal::ignore(int signo) { return set_disposition(signo, SIG_IGN); }
int Signal::system(int signo) { return set_disposition(signo, SIG_DFL); }
// siginterrupt(): with interruption off, system calls restart after the signal.
static int set_restart(int signo, bool restart) {
  struct sigaction sa;
  if (::sigaction(signo, nullptr, &sa) != 0) return -1;
  if (restart)
    sa.sa_flags |= SA_RESTART;
  else
    sa.sa_flags &= ~SA_RESTART;
  return ::sigaction(signo, &sa, nullptr);
}

int Signal::disable_int(int signo) { return set_restart(signo, true); }
int Signal::enable_int(int signo) { return set_restart(signo, false); }

}  // namespace IPC

namespace Net {

std::string hostname() {
  char buffer[512] = {};
  if (::gethostname(buffer, sizeof buffer - 1) != 0) return std::string();
  return buffer;
}

int hostname(std::string const& name) { return ::sethostname(name.data(), name.size()); }

bool ifconfig_accepts(char const* name, in_addr_t address, ifconfig_mode_t mode) {
  if (mode == IFCONFIG_ALL) return true;
  uint32_t a = ntohl(address);
  if ((mode & IFCONFIG_NOT_LOOPBACK) && ::strcasecmp(name, "lo") != 0) return true;
  if ((mode & IFCONFIG_LINK_LOCAL) && (a & 0xFFFF0000u) == 0xA9FE0000u) return true;
  if ((mode & IFCONFIG_PRIVATE) &&
      ((a & 0xFF000000u) == 0x0A000000u || (a & 0xFFF00000u) == 0xAC100000u || (a & 0xFFFF0000u) == 0xC0A80000u))
    return true;
  return false;
}

namespace {

// Walks the IPv4 interface records (at most 16) and calls `take` for every
// accepted one with the socket and the record; returns the number taken or -1.
template <class Take>
int walk_interfaces(ifconfig_mode_t mode, Take take) {
  int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (sock < 0) return -1;
  ifreq records[16];
  std::memset(records, 0, sizeof records);
  ifconf conf{};
  conf.ifc_len = sizeof records;
  conf.ifc_req = records;
  if (::ioctl(sock, SIOCGIFCONF, &conf) < 0) {
    ::close(sock);
    return -1;
  }
  // Records are stepped by the platform's own record size.
  int n = conf.ifc_len / static_cast<int>(sizeof(ifreq));
  int count = 0;
  for (int i = 0; i < n && i < 16; ++i) {
    ifreq const& r = records[i];
    if (r.ifr_addr.sa_family != AF_INET) continue;
    sockaddr_in sin;
    std::memcpy(&sin, &r.ifr_addr, sizeof sin);
    if (!ifconfig_accepts(r.ifr_name, sin.sin_addr.s_addr, mode)) continue;
    if (take(sock, r)) ++count;
  }
  ::close(sock);
  return count;
}

}  // namespace

int ifconfig(std::list<INet4::Addr>& addresses, ifconfig_mode_t mode) {
  return walk_interfaces(mode, [&](int sock, ifreq const& record) {
    ifreq req = record;
    if (::ioctl(sock, SIOCGIFADDR, &req) < 0) return false;
    sockaddr_in sin;
    std::memcpy(&sin, &req.ifr_addr, sizeof sin);
    INet4::Addr addr;
    addr.Assign(static_cast<unsigned long>(sin.sin_addr.s_addr));
    addresses.push_back(addr);
    return true;
  });
}

int ifconfig(std::list<std::string>& names, ifconfig_mode_t mode, unsigned flags) {
  return walk_interfaces(mode, [&](int sock, ifreq const& record) {
    ifreq req = record;
    if (::ioctl(sock, SIOCGIFADDR, &req) < 0) return false;
    req = record;
    if (::ioctl(sock, SIOCGIFFLAGS, &req) < 0) return false;
    if ((static_cast<unsigned>(static_cast<unsigned short>(req.ifr_flags)) & flags) != flags) return false;
    names.emplace_back(record.ifr_name, strnlen(record.ifr_name, IFNAMSIZ));
    return true;
  });
}

}  // namespace Net

void Console::SwitchToBinaryMode() {
  termios t;
  if (::tcgetattr(STDIN_FILENO, &t) != 0) {
    std::cerr << "can't obtain terminal attributes" << std::endl;
    return;
  }
  t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHOE | ECHOK | ECHONL | ECHOPRT | ECHOCTL);
  if (::tcsetattr(STDIN_FILENO, TCSADRAIN, &t) != 0) std::cerr << "can't set terminal attributes" << std::endl;
}

void Console::SwitchToNonBlockMode() {
  int on = 1;
  if (::ioctl(STDIN_FILENO, FIONBIO, &on) != 0) std::cerr << "can't switch terminal to blocked mode" << std::endl;
}

namespace {

bool proc_has_name(int pid, char const* name) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char text[256] = {};
  ssize_t n = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  if (n <= 0) return false;
  char* close = std::strrchr(text, ')');
  char* open = std::strchr(text, '(');
  if (close == nullptr || open == nullptr || open > close) return false;
  *close = '\0';
  return std::strcmp(open + 1, name) == 0;
}

}  // namespace

int find_proc_by_name(char const* name, int pid_hint) {
  if (pid_hint > 0 && proc_has_name(pid_hint, name)) return pid_hint;
  DIR* dir = ::opendir("/proc");
  if (dir == nullptr) return -1;
  int result = -1;
  while (dirent* entry = ::readdir(dir)) {
    int pid = std::atoi(entry->d_name);
    if (pid > 0 && proc_has_name(pid, name)) {
      result = pid;
      break;
    }
  }
  ::closedir(dir);
  return result;
}
