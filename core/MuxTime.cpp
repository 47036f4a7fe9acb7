#include "core/MuxTime.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace Mux {

namespace {
timeval cache;  // zero while the loop keeps no time of its own
int64_t offset_us = 0;
bool frozen = false;
::timeval frozenAt;

void system_time(timeval& tv) {
  ::timeval now;
  if (frozen)
    now = frozenAt;
  else
    ::gettimeofday(&now, nullptr);
  int64_t us = static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_usec + offset_us;
  tv.tv_sec = static_cast<long>(us / 1000000);
  tv.tv_usec = static_cast<long>(us % 1000000);
}

void normalise(timeval& t) {
  while (t.tv_usec >= 1000000) {
    t.tv_usec -= 1000000;
    ++t.tv_sec;
  }
  while (t.tv_usec < 0) {
    t.tv_usec += 1000000;
    --t.tv_sec;
  }
}
}  // namespace

void set_test_offset(int64_t microseconds) { offset_us = microseconds; }
int64_t test_offset() { return offset_us; }

void freeze_test_clock(bool on) {
  if (on && !frozen) ::gettimeofday(&frozenAt, nullptr);
  frozen = on;
}

void mux_settimeofday() { system_time(cache); }
void mux_cleartimeofday() { cache = timeval(); }

void mux_gettimeofday(timeval& tv) {
  if (cache.tv_sec != 0 || cache.tv_usec != 0)
    tv = cache;
  else
    system_time(tv);
}

int gettimeval(timeval& tv) {
  mux_gettimeofday(tv);
  return 0;
}

uint32_t milliseconds() {
  timeval tv;
  mux_gettimeofday(tv);
  return static_cast<uint32_t>((static_cast<uint64_t>(tv.tv_sec) * 1000000u + static_cast<uint64_t>(tv.tv_usec)) / 1000u);
}

uint32_t microseconds() {
  timeval tv;
  mux_gettimeofday(tv);
  return static_cast<uint32_t>(static_cast<uint64_t>(tv.tv_sec) * 1000000u + static_cast<uint64_t>(tv.tv_usec));
}

long seconds() {
  timeval tv;
  mux_gettimeofday(tv);
  return tv.tv_sec;
}

std::string timevaltostring(timeval const& tv) {
  char date[64];
  char full[96];
  time_t secs = tv.tv_sec;
  struct tm local;
  ::localtime_r(&secs, &local);
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(full, sizeof full, "%s.%06ld", date, tv.tv_usec);
  return full;
}

void timevaladd(timeval& a, timeval const& b) {
  a.tv_sec += b.tv_sec;
  a.tv_usec += b.tv_usec;
  normalise(a);
}

void timevalsub(timeval& a, timeval const& b) {
  a.tv_sec -= b.tv_sec + 1;
  a.tv_usec += 1000000 - b.tv_usec;
  normalise(a);
}

void timevaladd2(timeval const& a, timeval const& b, timeval& out) {
  out = a;
  timevaladd(out, b);
}

void timevalsub2(timeval const& a, timeval const& b, timeval& out) {
  out = a;
  timevalsub(out, b);
}

void timevalset(timeval& tv, int64_t ms) {
  tv.tv_sec = static_cast<long>(ms / 1000);
  tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
}

timeval make_from_msec(uint32_t ms) {
  timeval tv;
  timevalset(tv, ms);
  return tv;
}

timeval make_from_usec(uint32_t us) {
  timeval tv;
  tv.tv_sec = static_cast<long>(us / 1000000u);
  tv.tv_usec = static_cast<long>(us % 1000000u);
  return tv;
}

int timevalcompare(timeval const& a, timeval const& b) {
  if (a.tv_sec != b.tv_sec) return a.tv_sec < b.tv_sec ? -1 : 1;
  if (a.tv_usec != b.tv_usec) return a.tv_usec < b.tv_usec ? -1 : 1;
  return 0;
}

int64_t timevaldiff(timeval const& a, timeval const& b) {
  if (timevalcompare(b, a) < 0) return 0;
  return static_cast<int64_t>(b.tv_sec - a.tv_sec) * 1000 + (b.tv_usec - a.tv_usec) / 1000;
}

int max_fd(Set const& a, Set const& b) { return std::max(a.max, b.max); }
int max_fd(Set const& a, Set const& b, Set const& c) { return std::max(max_fd(a, b), c.max); }

int select(Set* rd, Set* wr, Set* ex, ::timeval* timeout) {
  int top = -1;
  for (Set* s : {rd, wr, ex})
    if (s && s->max > top) top = s->max;
  auto pass = [](Set* s) { return (s && !s->empty()) ? &s->set : nullptr; };
  return ::select(top + 1, pass(rd), pass(wr), pass(ex), timeout);
}

int select_rd(Set& rd, ::timeval* timeout) { return select(&rd, nullptr, nullptr, timeout); }
int select_wr(Set& wr, ::timeval* timeout) { return select(nullptr, &wr, nullptr, timeout); }

}  // namespace Mux
