#include "core/ChildWait.h"

#include <cerrno>
#include <csignal>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "RunHelpers.h"

namespace {

// A child process that exits with `code`, at once or when released.
class Child {
 public:
  explicit Child(int code, bool held = false) {
    if (held && ::pipe(gate_) != 0) ADD_FAILURE() << "pipe";
    pid_ = ::fork();
    if (pid_ == 0) {
      if (held) {
        char c;
        ::close(gate_[1]);
        while (::read(gate_[0], &c, 1) < 0 && errno == EINTR) {
        }
      }
      ::_exit(code);
    }
    if (held) ::close(gate_[0]);
  }
  ~Child() {
    if (gate_[1] >= 0) ::close(gate_[1]);
  }
  void release() {
    ::close(gate_[1]);
    gate_[1] = -1;
  }
  // Waits until the child has ended, without reaping it.
  void wait_ended() const {
    siginfo_t info;
    while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
  }
  int pid() const { return pid_; }

 private:
  int pid_ = -1;
  int gate_[2] = {-1, -1};
};

// Keeps SIGCHLD pending while it lives; letting it go runs the handler once
// for every child that ended meanwhile.
class HoldSigchld {
 public:
  HoldSigchld() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGCHLD);
    ::sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~HoldSigchld() { release(); }
  void release() {
    if (released_) return;
    released_ = true;
    ::sigprocmask(SIG_SETMASK, &old_, nullptr);
  }

 private:
  sigset_t old_;
  bool released_ = false;
};

struct Waiter {
  ChildWait wait;
  std::vector<int> statuses;
  std::vector<unsigned> passes;
  testloop::PassCounter const* counter = nullptr;
  std::function<void()> then;

  Waiter() { wait.Bind(this, &Waiter::OnExit); }
  void OnExit(int status) {
    statuses.push_back(status);
    if (counter) passes.push_back(counter->passes());
    if (then) then();
  }
};

// A waiter that heard exactly one exit, with this code.
void expect_one_exit(Waiter const& w, int code) {
  ASSERT_EQ(w.statuses.size(), 1u) << "expected the exit with code " << code;
  EXPECT_EQ(WEXITSTATUS(w.statuses[0]), code);
}

}  // namespace

TEST(ChildWait, TwoChildrenAreEachReportedOnceWithTheirOwnStatus) {
  ChildWait::Activate();
  Child first(3, true);
  Child second(7);
  Waiter a, b;
  a.wait.Attach(first.pid());
  b.wait.Attach(second.pid());
  std::vector<char> order;
  b.then = [&] {
    order.push_back('b');
    first.release();
  };
  a.then = [&] {
    order.push_back('a');
    multiplexer.terminate();
  };

  ASSERT_TRUE(testloop::run_loop(5000));
  expect_one_exit(a, 3);
  expect_one_exit(b, 7);
  EXPECT_EQ(order, (std::vector<char>{'b', 'a'}));
  EXPECT_FALSE(a.wait.waiting());
}

// The waiting list is walked from its head, so of two ChildWaits for one pid
// the first in the list hears of it.
TEST(ChildWait, AttachingAgainMovesToTheEndAndKeepsTheOthers) {
  ChildWait::Activate();
  Child other(6, true);
  Child child(4, true);  // holds other's gate too: it must end first
  Waiter a, b, c;
  a.wait.Attach(child.pid());
  c.wait.Attach(other.pid());
  b.wait.Attach(child.pid());
  a.wait.Attach(child.pid());  // now behind b
  EXPECT_TRUE(a.wait.waiting());
  EXPECT_TRUE(b.wait.waiting());
  EXPECT_TRUE(c.wait.waiting());
  b.then = [&] { other.release(); };
  c.then = [] { multiplexer.terminate(); };
  child.release();

  ASSERT_TRUE(testloop::run_loop(5000));
  expect_one_exit(b, 4);
  EXPECT_TRUE(a.statuses.empty());
  EXPECT_TRUE(a.wait.waiting());
  expect_one_exit(c, 6);
}

TEST(ChildWait, DestroyingOneThatIsNotWaitingLeavesTheListAlone) {
  ChildWait::Activate();
  Child first(1);
  Child second(2, true);
  Child third(3, true);
  Waiter before, after;
  auto done = std::make_unique<Waiter>();
  auto idle = std::make_unique<Waiter>();  // never attached
  before.wait.Attach(second.pid());
  done->wait.Attach(first.pid());
  after.wait.Attach(third.pid());
  ASSERT_TRUE(testloop::run_until([&] { return !done->statuses.empty(); }, 5000));
  EXPECT_FALSE(done->wait.waiting());
  done.reset();
  idle.reset();
  EXPECT_TRUE(before.wait.waiting());
  EXPECT_TRUE(after.wait.waiting());

  int reported = 0;
  before.then = after.then = [&] {
    if (++reported == 2) multiplexer.terminate();
  };
  second.release();
  third.release();
  ASSERT_TRUE(testloop::run_loop(5000));
  expect_one_exit(before, 2);
  expect_one_exit(after, 3);
}

TEST(ChildWait, SeveralExitsBeforeTheLoopRunsAreServedInOnePass) {
  ChildWait::Activate();
  testloop::PassCounter counter;
  HoldSigchld hold;
  std::vector<Child> children;
  children.reserve(3);
  for (int code = 1; code <= 3; ++code) children.emplace_back(code);
  Waiter waiters[3];
  int reported = 0;
  for (int i = 0; i < 3; ++i) {
    children[i].wait_ended();
    waiters[i].wait.Attach(children[i].pid());
    waiters[i].counter = &counter;
    waiters[i].then = [&] {
      if (++reported == 3) multiplexer.terminate();
    };
  }
  hold.release();  // one signal for three children: the handler reaps them all

  ASSERT_TRUE(testloop::run_loop(5000));
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(waiters[i].statuses.size(), 1u);
    EXPECT_EQ(WEXITSTATUS(waiters[i].statuses[0]), i + 1);
    EXPECT_EQ(waiters[i].passes[0], waiters[0].passes[0]);
  }
}

TEST(ChildWait, AChildNobodyWaitsForIsOnlyLogged) {
  ChildWait::Activate();
  testloop::Capture log(std::clog);
  Waiter other;
  other.wait.Attach(::getpid());
  ChildWait unbound;
  Child waited(9);
  unbound.Attach(waited.pid());
  Child child(5);
  std::string expected = "terminate child process, pid=" + std::to_string(child.pid()) + " status=1280\n";

  std::string expected2 = "pid=" + std::to_string(waited.pid()) + " status=2304\n";
  auto logged = [&] {
    return log.text().find(expected) != std::string::npos && log.text().find(expected2) != std::string::npos;
  };
  ASSERT_TRUE(testloop::run_until(logged, 5000)) << log.text();
  EXPECT_TRUE(other.statuses.empty());
  EXPECT_TRUE(other.wait.waiting());
  EXPECT_FALSE(unbound.waiting()) << "a never bound ChildWait ends quietly";
}

TEST(ChildWait, AHandlerMayWaitForItsNextChild) {
  ChildWait::Activate();
  Waiter w;
  std::vector<std::unique_ptr<Child>> children;
  children.push_back(std::make_unique<Child>(1));
  w.wait.Attach(children.back()->pid());
  w.then = [&] {
    if (w.statuses.size() == 3) {
      multiplexer.terminate();
      return;
    }
    children.push_back(std::make_unique<Child>(static_cast<int>(w.statuses.size()) + 1));
    w.wait.Attach(children.back()->pid());
  };
  ASSERT_TRUE(testloop::run_loop(5000));
  ASSERT_EQ(w.statuses.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(WEXITSTATUS(w.statuses[i]), i + 1);
}

// Installed like every handler of the daemon: the three-argument form with
// SA_RESTART and no mask.
TEST(ChildWait, ActivateInstallsTheSiginfoHandlerWithRestart) {
  ChildWait::Activate();
  struct sigaction installed {};
  ASSERT_EQ(::sigaction(SIGCHLD, nullptr, &installed), 0);
  EXPECT_TRUE(installed.sa_flags & SA_SIGINFO);
  EXPECT_TRUE(installed.sa_flags & SA_RESTART);
  EXPECT_TRUE(::sigisemptyset(&installed.sa_mask));
  using Any = void (*)();
  EXPECT_EQ(reinterpret_cast<Any>(installed.sa_sigaction),
            reinterpret_cast<Any>(&ChildWaitService::SigChldHandlerWrapper));
}

TEST(ChildWait, TheSignalHandlerGivesBackTheInterruptedErrno) {
  ChildWait::Activate();
  HoldSigchld hold;
  Child child(0);
  child.wait_ended();
  errno = EDOM;
  hold.release();  // the handler runs here; its last waitpid fails with ECHILD
  EXPECT_EQ(errno, EDOM);
}

TEST(ChildWait, TheSignalHandlerNeverBlocksOnAFullSocket) {
  ChildWait::Activate();
  int writer = ChildWaitService::childWaitService->write_descriptor();
  ASSERT_GE(writer, 0);
  int record[2] = {-1, 0};
  int queued = 0;
  while (::send(writer, record, sizeof record, MSG_DONTWAIT) == static_cast<ssize_t>(sizeof record)) ++queued;
  ASSERT_GT(queued, 0);

  testloop::Capture err(std::cerr);
  testloop::Capture log(std::clog);
  {
    HoldSigchld hold;
    Child child(0);
    child.wait_ended();
    ::alarm(10);  // a handler stuck in its write would end the test here
    hold.release();
    ::alarm(0);
  }

  testloop::run_loop(200);
  EXPECT_NE(err.text().find("ChildWaitService: 1 child exit records lost"), std::string::npos) << err.text();
  size_t served = 0;
  for (size_t at = 0; (at = log.text().find("terminate child process, pid=-1", at)) != std::string::npos; ++at)
    ++served;
  EXPECT_EQ(served, static_cast<size_t>(queued)) << "the queued records are all read";
}
