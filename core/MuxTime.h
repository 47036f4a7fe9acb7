#pragma once
#include <cstdint>
#include <string>
#include <sys/select.h>
#include <sys/time.h>

// Loop time. Milliseconds wrap after 2^32 ms and are compared by signed
// difference; microseconds wrap about every 71.6 minutes and serve only for
// durations by unsigned difference.
namespace Mux {

struct timeval {
  long tv_sec = 0;
  long tv_usec = 0;
};

void mux_settimeofday();
// Forgets the stored time of day, so readings ask the system clock again.
void mux_cleartimeofday();
void mux_gettimeofday(timeval& tv);
int gettimeval(timeval& tv);
uint32_t milliseconds();
uint32_t microseconds();
long seconds();
std::string timevaltostring(timeval const& tv);

// Test hook: every reading of the clock is moved by this many microseconds,
// so the 2^32 ms wrap, the two-hour guard and hourly roll-overs can be tested
// without waiting.
void set_test_offset(int64_t microseconds);
int64_t test_offset();
// Test hook: while frozen the system clock stands still at the moment of
// freezing, so only the test offset moves time.
void freeze_test_clock(bool frozen);

void timevaladd(timeval& a, timeval const& b);
void timevalsub(timeval& a, timeval const& b);
void timevaladd2(timeval const& a, timeval const& b, timeval& out);
void timevalsub2(timeval const& a, timeval const& b, timeval& out);
void timevalset(timeval& tv, int64_t ms);
timeval make_from_msec(uint32_t ms);
timeval make_from_usec(uint32_t us);
int timevalcompare(timeval const& a, timeval const& b);
// b minus a in milliseconds; 0 when b is earlier than a.
int64_t timevaldiff(timeval const& a, timeval const& b);

// A start time and a period in milliseconds.
struct timeval_timer {
  timeval start;
  int period = 0;
  void init(timeval const& s, int p) {
    start = s;
    period = p;
  }
  void init_now() { mux_gettimeofday(start); }
  bool is_expired(timeval const& now) const { return period >= 1 && timevaldiff(start, now) > period; }
  void inc() { timevaladd(start, make_from_msec(static_cast<uint32_t>(period))); }
};

// An fd_set with the highest descriptor in it (negative when empty).
struct Set {
  fd_set set;
  int max = -1;
  Set() { FD_ZERO(&set); }
  void add(int fd) {
    FD_SET(fd, &set);
    if (fd > max) max = fd;
  }
  bool has(int fd) const { return FD_ISSET(fd, &set); }
  bool empty() const { return max < 0; }
};

int max_fd(Set const& a, Set const& b);
int max_fd(Set const& a, Set const& b, Set const& c);
// select() over the non-empty sets (read, write, except); no time-out waits for ever.
int select(Set* rd, Set* wr, Set* ex, ::timeval* timeout = nullptr);
int select_rd(Set& rd, ::timeval* timeout);
int select_wr(Set& wr, ::timeval* timeout);

}  // namespace Mux
