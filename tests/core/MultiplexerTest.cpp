#include "core/Multiplexer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <csignal>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "RunHelpers.h"
#include "support/LoopHelpers.h"
#include "support/TestRoot.h"

using testsupport::FnTimer;
using testsupport::LoopStopper;
using testsupport::SocketPair;
using ::testing::HasSubstr;

namespace {

// An Event on one end of a socket pair that records what each pass gave it.
struct Watched {
  SocketPair pair;
  Event event;
  std::vector<short> seen;
  std::function<void()> onServe;

  explicit Watched(char const* name) {
    event.Bind(name, &Watched::serve, this);
    event.Schedule(Fd(::dup(pair.fd[0])), POLLIN);
  }
  void serve(int fd, short revents) {
    seen.push_back(revents);
    if (revents & POLLIN) {
      char buffer[64];
      (void)!::read(fd, buffer, sizeof buffer);
    }
    if (onServe) onServe();
  }
};

struct Recorder {
  std::vector<int>* order;
  int id;
  Timer timer;
  void fire() { order->push_back(id); }
};

// Moves loop time so that milliseconds() reads `target` now.
void set_clock_ms(uint32_t target) {
  Mux::set_test_offset(0);
  uint32_t now = Mux::milliseconds();
  Mux::set_test_offset(static_cast<int64_t>(static_cast<int32_t>(target - now)) * 1000);
}

}  // namespace

// ---- timers ----

TEST(MultiplexerTimers, EqualExpiriesFireInArmingOrderAndEarlierFirst) {
  std::vector<int> order;
  Recorder r[4] = {{&order, 1, {}}, {&order, 2, {}}, {&order, 3, {}}, {&order, 4, {}}};
  set_clock_ms(1000000);
  r[0].timer.set(30, &Recorder::fire, &r[0]);
  r[1].timer.set(10, &Recorder::fire, &r[1]);
  r[2].timer.set(30, &Recorder::fire, &r[2]);
  r[3].timer.set(10, &Recorder::fire, &r[3]);
  LoopStopper stop(80);
  multiplexer.run(false, true);
  Mux::set_test_offset(0);
  EXPECT_EQ(order, (std::vector<int>{2, 4, 1, 3}));
}

TEST(MultiplexerTimers, ExpiriesAcrossTheWrapFireInOrder) {
  std::vector<int> order;
  Recorder r[3] = {{&order, 1, {}}, {&order, 2, {}}, {&order, 3, {}}};
  set_clock_ms(0xFFFFFFFFu - 20);
  r[0].timer.set(40, &Recorder::fire, &r[0]);  // after the wrap
  r[1].timer.set(5, &Recorder::fire, &r[1]);   // before it
  r[2].timer.set(60, &Recorder::fire, &r[2]);
  EXPECT_LT(r[0].timer.get()->expiry(), r[1].timer.get()->expiry());
  LoopStopper stop(120);
  multiplexer.run(false, true);
  Mux::set_test_offset(0);
  EXPECT_EQ(order, (std::vector<int>{2, 1, 3}));
}

TEST(MultiplexerTimers, SetReplacesThePendingEventAndDestroyCancels) {
  FnTimer a, b;
  a.arm(10);
  a.arm(20);
  EXPECT_EQ(multiplexer.timer_count(), 1u);
  {
    FnTimer gone;
    gone.arm(5);
    EXPECT_EQ(multiplexer.timer_count(), 2u);
  }
  EXPECT_EQ(multiplexer.timer_count(), 1u);
  b.arm(30);
  b.timer.reset();
  LoopStopper stop(60);
  multiplexer.run(false, true);
  EXPECT_EQ(a.fired, 1);
  EXPECT_EQ(b.fired, 0);
}

namespace {
// Re-arms itself every millisecond until it has ticked `limit` times.
struct Periodic {
  explicit Periodic(int l) : limit(l) {}
  int limit;
  Timer timer;
  int count = 0;
  void tick(Timer* owner) {
    if (++count < limit) owner->set(1, &Periodic::tick, this);
  }
};
struct SelfDestroying {
  Timer timer;
  int* fired;
  void fire() {
    ++*fired;
    delete this;
  }
};
}  // namespace

TEST(MultiplexerTimers, CallbackMayRearmItsTimerOrDestroyItsOwner) {
  Periodic p{3};
  p.timer.set(1, &Periodic::tick, &p);
  int fired = 0;
  auto* gone = new SelfDestroying{{}, &fired};
  gone->timer.set(2, &SelfDestroying::fire, gone);
  LoopStopper stop(50);
  multiplexer.run(false, true);
  EXPECT_EQ(p.count, 3);
  EXPECT_FALSE(p.timer.pending());
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(multiplexer.timer_count(), 0u);
}

// The firing loop reads the time once: a timer armed for 0 ms from a fire()
// is due in that loop while the millisecond lasts, else on the next pass.
TEST(MultiplexerTimers, ZeroDelayFromAFireIsDueInTheSameLoopOnlyWithinItsMillisecond) {
  Mux::freeze_test_clock(true);
  testloop::PassCounter counter;
  for (bool nextMillisecond : {false, true}) {
    unsigned armedIn = 0, firedIn = 0;
    FnTimer second([&] {
      firedIn = counter.passes();
      multiplexer.terminate();
    });
    FnTimer first([&] {
      armedIn = counter.passes();
      if (nextMillisecond) Mux::set_test_offset(Mux::test_offset() + 1000);
      second.arm(0);
    });
    first.arm(0);
    ::alarm(5);
    multiplexer.run(false, true);
    ::alarm(0);
    EXPECT_EQ(firedIn, armedIn + (nextMillisecond ? 1 : 0)) << "next millisecond: " << nextMillisecond;
  }
  Mux::freeze_test_clock(false);
  Mux::set_test_offset(0);
}

TEST(MultiplexerTimers, TimerArmedByADeferredCallBeforePollDoesNotBlock) {
  // Nothing but an idle socket: a due timer must keep poll from waiting for ever.
  SocketPair idle;
  Event event;
  event.Schedule(Fd(::dup(idle.fd[0])), POLLIN);
  FnTimer due([] { multiplexer.terminate(); });
  struct Arm {
    FnTimer* timer;
    int runs = 0;
    void invoke() {
      if (++runs == 2) timer->arm(0);  // the run right before poll
    }
  } arm{&due};
  Dpc dpc;
  dpc.Bind(&arm, &Arm::invoke);
  dpc.Activate();
  ::alarm(5);
  multiplexer.run(false, true);
  ::alarm(0);
  EXPECT_EQ(due.fired, 1);
}

TEST(MultiplexerTimers, WaitBeyondTwoHoursIsReportedAndFiresAboutASecondLater) {
  SocketPair idle;
  Event event;
  event.Schedule(Fd(::dup(idle.fd[0])), POLLIN);
  FnTimer far([] { multiplexer.terminate(); });
  far.arm(3 * 3600 * 1000);
  testing::internal::CaptureStderr();
  auto start = std::chrono::steady_clock::now();
  ::alarm(10);
  multiplexer.run(false, true);
  ::alarm(0);
  auto elapsed = std::chrono::steady_clock::now() - start;
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(far.fired, 1);
  EXPECT_GE(elapsed, std::chrono::milliseconds(900));
  EXPECT_LT(elapsed, std::chrono::milliseconds(2500));
  EXPECT_THAT(err, HasSubstr("******** RUNTIME ERROR CONDITION *************Multiplexer::timers_schedule() "
                             "invalid wait time detected!\nnow = "));
  EXPECT_THAT(err, HasSubstr("count = 1\n"));
}

// ---- descriptor handlers ----

TEST(MultiplexerHandlers, EveryHandlerIsServedWithItsOwnResultAndOnlyMatchesCount) {
  Watched a("a"), b("b"), c("c");
  b.pair.send("x", 1);
  c.onServe = [] { multiplexer.terminate(); };
  multiplexer.run(false, true);
  ASSERT_EQ(a.seen.size(), 1u);
  ASSERT_EQ(b.seen.size(), 1u);
  ASSERT_EQ(c.seen.size(), 1u);
  EXPECT_EQ(a.seen[0], 0);
  EXPECT_EQ(b.seen[0], POLLIN);
  EXPECT_EQ(c.seen[0], 0);
  EXPECT_EQ(a.event.counter(), 0u);
  EXPECT_EQ(b.event.counter(), 1u);
}

TEST(MultiplexerHandlers, NothingIsServedWhenPollTimesOut) {
  Watched a("a");
  LoopStopper stop(20);
  multiplexer.run(false, true);
  EXPECT_TRUE(a.seen.empty());
}

namespace {
// What the signal handler of the next test needs: plain globals.
int interruptPeer = -1;
testloop::PassCounter const* interruptCounter = nullptr;
volatile std::sig_atomic_t interruptedPass = -1;
void on_interrupt(int) {
  interruptedPass = static_cast<int>(interruptCounter->passes());
  (void)!::write(interruptPeer, "x", 1);
}
}  // namespace

// The signal makes the descriptor readable as it interrupts poll: the pass
// it interrupted serves nobody, the next one serves the handler.
TEST(MultiplexerHandlers, APollInterruptedByASignalEndsThePassWithoutServing) {
  Watched a("a");
  testloop::PassCounter counter;
  unsigned servedIn = 0;
  a.onServe = [&] {
    servedIn = counter.passes();
    multiplexer.terminate();
  };
  interruptPeer = a.pair.fd[1];
  interruptCounter = &counter;
  struct sigaction action {}, old {};
  action.sa_handler = on_interrupt;
  ::sigaction(SIGALRM, &action, &old);
  itimerval once{{0, 0}, {0, 50000}};
  ::setitimer(ITIMER_REAL, &once, nullptr);
  LoopStopper stop(3000);
  multiplexer.run(false, true);
  ::sigaction(SIGALRM, &old, nullptr);
  EXPECT_FALSE(stop.fired());
  ASSERT_GE(interruptedPass, 1);
  EXPECT_EQ(a.seen, std::vector<short>{POLLIN});
  EXPECT_EQ(servedIn, static_cast<unsigned>(interruptedPass) + 1);
}

TEST(MultiplexerHandlers, AttachedMidPassWaitsForNextPassAndDetachedIsNotServed) {
  Watched first("first"), victim("victim");
  std::unique_ptr<Watched> late;
  first.pair.send("x", 1);
  int passes = 0;
  first.onServe = [&] {
    if (++passes == 1) {
      victim.event.Release();  // detached before its turn
      late = std::make_unique<Watched>("late");
      late->pair.send("y", 1);
      first.pair.send("x", 1);
    } else {
      multiplexer.terminate();
    }
  };
  ::alarm(5);
  multiplexer.run(false, true);
  ::alarm(0);
  EXPECT_TRUE(victim.seen.empty());
  ASSERT_TRUE(late);
  // Polled from the second pass on, which the terminate ended after `first`.
  EXPECT_TRUE(late->seen.empty());
  EXPECT_TRUE(late->event.attached());
}

TEST(MultiplexerHandlers, DeferredCallDetachingAfterThePollArrayKeepsResultsWithTheirHandlers) {
  Watched a("a"), b("b"), c("c");
  c.pair.send("x", 1);
  c.onServe = [] { multiplexer.terminate(); };
  struct Detacher {
    Watched* victim;
    Dpc* self;
    int runs = 0;
    void invoke() {
      if (++runs == 2) {
        victim->event.Release();
        self->Deactivate();
      }
    }
  };
  Dpc dpc;
  Detacher d{&b, &dpc};
  dpc.Bind(&d, &Detacher::invoke);
  dpc.Activate();
  ::alarm(5);
  multiplexer.run(false, true);
  ::alarm(0);
  EXPECT_TRUE(b.seen.empty());
  ASSERT_EQ(c.seen.size(), 1u);
  EXPECT_EQ(c.seen[0], POLLIN);
  ASSERT_EQ(a.seen.size(), 1u);
  EXPECT_EQ(a.seen[0], 0);
}

TEST(MultiplexerHandlers, TerminateFromACallbackLeavesTheRestAttachedForTheNextRun) {
  Watched a("a"), b("b");
  a.pair.send("x", 1);
  b.pair.send("y", 1);
  a.onServe = [] { multiplexer.terminate(); };
  multiplexer.run(false, true);
  EXPECT_EQ(a.seen.size(), 1u);
  EXPECT_TRUE(b.seen.empty());
  EXPECT_TRUE(multiplexer.event_exists(&b.event));

  a.onServe = nullptr;
  b.onServe = [] { multiplexer.terminate(); };
  ::alarm(5);
  multiplexer.run(false, true);
  ::alarm(0);
  ASSERT_FALSE(b.seen.empty());
  EXPECT_EQ(b.seen[0], POLLIN);
}

TEST(MultiplexerHandlers, ScheduleKeepsItsOwnDescriptorOrHoldsADuplicate) {
  SocketPair pair;
  Event event;
  int mine = ::dup(pair.fd[0]);
  {
    Fd caller(mine);
    event.Schedule(caller, POLLIN);
  }  // the caller's copy is closed; the Event holds its own
  int held = event.fd().get();
  EXPECT_NE(held, mine);
  EXPECT_NE(::fcntl(held, F_GETFD), -1);
  event.Schedule(event.fd(), POLLOUT);
  EXPECT_EQ(event.fd().get(), held);
  EXPECT_EQ(event.events(), POLLOUT);
  EXPECT_TRUE(event.attached());
  event.Release();
  EXPECT_FALSE(event.attached());
  EXPECT_EQ(::fcntl(held, F_GETFD), -1);
}

TEST(MultiplexerHandlers, DuplicateAttachAndInvalidDetachAreReportedVerbatim) {
  SocketPair pair;
  Event event;
  event.Bind("ctrl", static_cast<void (Multiplexer::*)(int, short)>(nullptr), &multiplexer);
  event.Schedule(Fd(::dup(pair.fd[0])), POLLIN);
  testing::internal::CaptureStderr();
  multiplexer.attach(&event);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "duplicate multiplexer attach \"ctrl\" ignored.\n");
  event.Release();
  testing::internal::CaptureStderr();
  multiplexer.detach(&event);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "indvalid Multiplexer::detach ctrl\n");
}

TEST(MultiplexerHandlers, HandlerWithNullMemberFunctionDoesNothing) {
  Watched a("a");
  a.event.Bind("a", static_cast<void (Watched::*)(int, short)>(nullptr), &a);
  a.pair.send("x", 1);
  LoopStopper stop(20);
  multiplexer.run(false, true);
  EXPECT_TRUE(a.seen.empty());
  EXPECT_GE(a.event.counter(), 1u);  // the unread byte matches every pass
}

// ---- deferred calls ----

namespace {
struct Counted {
  std::vector<Counted*>* log;
  int runs = 0;
  void invoke() {
    ++runs;
    log->push_back(this);
  }
};
}  // namespace

TEST(MultiplexerDpc, RunsTwiceAPassInAddressOrderOnce) {
  std::vector<Counted*> log;
  Counted calls[2] = {{&log}, {&log}};
  std::unique_ptr<Dpc> dpcs[2] = {std::make_unique<Dpc>(), std::make_unique<Dpc>()};
  Dpc* low = dpcs[0].get() < dpcs[1].get() ? dpcs[0].get() : dpcs[1].get();
  Dpc* high = low == dpcs[0].get() ? dpcs[1].get() : dpcs[0].get();
  high->Bind(&calls[1], &Counted::invoke);
  low->Bind(&calls[0], &Counted::invoke);
  high->Activate();
  low->Activate();
  low->Activate();
  EXPECT_EQ(multiplexer.dpc_count(), 2u);

  SocketPair pair;
  Event event;
  event.Schedule(Fd(::dup(pair.fd[0])), POLLIN);
  pair.send("x", 1);
  struct Stop {
    void serve(int, short) { multiplexer.terminate(); }
  } stop;
  event.Bind("stop", &Stop::serve, &stop);
  multiplexer.run(false, true);
  EXPECT_EQ(calls[0].runs, 2);
  EXPECT_EQ(calls[1].runs, 2);
  EXPECT_EQ(log, (std::vector<Counted*>{&calls[0], &calls[1], &calls[0], &calls[1]}));
}

TEST(MultiplexerDpc, DeactivatedWhileRunningIsSkippedAndActivatedWaitsForNextCall) {
  std::vector<Counted*> log;
  Counted later{&log};
  auto a = std::make_unique<Dpc>();
  auto b = std::make_unique<Dpc>();
  Dpc* first = std::min(a.get(), b.get());
  Dpc* second = std::max(a.get(), b.get());
  struct Toggler {
    Dpc* other;
    int runs = 0;
    void invoke() {
      ++runs;
      if (other->active())
        other->Deactivate();
      else
        other->Activate();
    }
  } toggler{second};
  first->Bind(&toggler, &Toggler::invoke);
  second->Bind(&later, &Counted::invoke);
  first->Activate();
  second->Activate();
  multiplexer.execute_dpc();  // first deactivates second before its turn
  EXPECT_EQ(later.runs, 0);
  multiplexer.execute_dpc();  // first activates second: it waits for the next call
  EXPECT_EQ(later.runs, 0);
  first->Deactivate();
  multiplexer.execute_dpc();
  EXPECT_EQ(later.runs, 1);
}

// ---- watchdog and fatal conditions ----

TEST(MultiplexerWatchdog, WritesStartPingsAtMostOnceASecondAndStops) {
  testsupport::TestRoot root;
  root.write("/dev/misc/gw-wd", "");
  Periodic busy{1 << 30};  // a pass every millisecond or so
  busy.timer.set(1, &Periodic::tick, &busy);
  LoopStopper stop(2500);
  testing::internal::CaptureStderr();
  multiplexer.run(true, true);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Mux: terminating...\n");
  EXPECT_GT(busy.count, 500);
  // One ping on the first pass, then one whenever a second has gone by.
  EXPECT_EQ(root.read("/dev/misc/gw-wd"), "STARTPINGPINGPINGSTOP");
  EXPECT_FALSE(multiplexer.watchdog_open());
}

TEST(MultiplexerWatchdog, IdleLoopStillPollsAtLeastOnceASecond) {
  testsupport::TestRoot root;
  root.write("/dev/misc/gw-wd", "");
  SocketPair idle;
  Event event;
  event.Schedule(Fd(::dup(idle.fd[0])), POLLIN);
  LoopStopper stop(3300);
  multiplexer.run(true, true);
  std::string words = root.read("/dev/misc/gw-wd");
  EXPECT_EQ(words.substr(0, 5), "START");
  // Pings at 0 and then every 1000-2000 ms: three or four in 3.3 s.
  size_t pings = 0;
  for (size_t at = words.find("PING"); at != std::string::npos; at = words.find("PING", at + 4)) ++pings;
  EXPECT_GE(pings, 3u);
  EXPECT_LE(pings, 4u);
  EXPECT_EQ(words.substr(words.size() - 4), "STOP");
}

TEST(MultiplexerWatchdog, MissingWatchdogIsReportedAndTheLoopRunsWithoutIt) {
  testsupport::TestRoot root;
  LoopStopper stop(10);
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  multiplexer.run(true, true);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Mux: fail to open watchdog: No such file or directory\nMux: terminating...\n");
}

TEST(MultiplexerDeathTest, NothingAttachedIsASystemHang) {
  EXPECT_DEATH(multiplexer.run(false, true), "multiplexer: system hang detected!!!");
}

// Deferred calls run right before poll; when they detach every polled
// handler, nothing is left that could ever end the wait.
TEST(MultiplexerDeathTest, DeferredCallsDetachingEveryHandlerIsASystemHang) {
  EXPECT_DEATH(
      {
        SocketPair idle;
        Event event;
        event.Schedule(Fd(::dup(idle.fd[0])), POLLIN);
        struct Detacher {
          Event* event;
          int runs = 0;
          void invoke() {
            if (++runs == 2) event->Release();
          }
        } detacher{&event};
        Dpc dpc;
        dpc.Bind(&detacher, &Detacher::invoke);
        dpc.Activate();
        ::alarm(5);  // a poll that waits for ever ends here, without the message
        multiplexer.run(false, true);
      },
      "multiplexer: system hang detected!!!");
}

TEST(MultiplexerHandlers, PollEventAsTextNamesBitsInOrder) {
  EXPECT_EQ(PollEventAsText(0), "");
  EXPECT_EQ(PollEventAsText(0x0005), "POLLIN|POLLOUT");
  EXPECT_EQ(PollEventAsText(static_cast<short>(0x0438)), "POLLERR|POLLHUP|POLLNVAL|POLLMSG");
  EXPECT_EQ(PollEventAsText(static_cast<short>(0x0800)), "");
}

// Owners that live as static objects detach from the loop when the process
// exits; the loop must still be there for them.
namespace {
struct StaticOwner {
  testsupport::SocketPair pair;
  Event event;
  Timer timer;
  Dpc dpc;
  void noop() {}
};
StaticOwner staticOwner;
}  // namespace

TEST(MultiplexerLifetime, StaticOwnersDetachCleanlyAtExit) {
  staticOwner.event.Schedule(Fd(::dup(staticOwner.pair.fd[0])), POLLIN);
  staticOwner.timer.set(100000, &StaticOwner::noop, &staticOwner);
  staticOwner.dpc.Bind(&staticOwner, &StaticOwner::noop);
  staticOwner.dpc.Activate();
  EXPECT_TRUE(multiplexer.event_exists(&staticOwner.event));
  EXPECT_EQ(multiplexer.timer_count(), 1u);
}
