#pragma once
#include <csignal>
#include <list>
#include <string>

#include "core/INet4.h"

namespace IPC {

// Signal installation; every call returns the system call's result (0 on success).
struct Signal {
  using Handler1 = void (*)(int);
  using Handler3 = void (*)(int, siginfo_t*, void*);

  struct Set {
    sigset_t set;
    Set() { sigemptyset(&set); }
    Set(int a, int b);
    Set(int a, int b, int c);
    static bool is_signal(int signo);
  };

  static int handle(int signo, Handler1 handler, Set const& mask, int flags);
  static int handle(int signo, Handler3 handler, Set const& mask, int flags);
  static int handle(int signo, Handler1 handler, int flags) { return handle(signo, handler, Set(), flags); }
  static int handle(int signo, Handler3 handler, int flags) { return handle(signo, handler, Set(), flags); }
  static int ignore(int signo);
  static int system(int signo);
  static int disable_int(int signo);
  static int enable_int(int signo);
};

}  // namespace IPC

namespace Net {

// Acceptance filters of interface addresses; an address is taken when any set
// bit accepts it, and mode 0 takes every IPv4 address.
enum ifconfig_mode_t : unsigned {
  IFCONFIG_ALL = 0,
  IFCONFIG_NOT_LOOPBACK = 1,
  IFCONFIG_LINK_LOCAL = 2,
  IFCONFIG_PRIVATE = 4,
};

std::string hostname();
int hostname(std::string const& name);
int ifconfig(std::list<INet4::Addr>& addresses, ifconfig_mode_t mode);
int ifconfig(std::list<std::string>& names, ifconfig_mode_t mode, unsigned flags);
// The filter itself, for one interface name and address (network byte order).
bool ifconfig_accepts(char const* name, in_addr_t address, ifconfig_mode_t mode);

}  // namespace Net

// Terminal modes of standard input for an interactive console.
struct Console {
  static void SwitchToBinaryMode();
  static void SwitchToNonBlockMode();
};

// The id of a running process whose command name is exactly `name`, or -1;
// the hint is tried first, then /proc is scanned.
int find_proc_by_name(char const* name, int pid_hint);
