#pragma once
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "core/Multiplexer.h"
#include "support/LoopHelpers.h"

namespace testloop {

// Runs the main loop until a callback calls multiplexer.terminate(), or until
// `limitMs` have passed; returns false when the limit ended it.
inline bool run_loop(unsigned limitMs) {
  testsupport::LoopStopper stopper(limitMs);
  multiplexer.run(false, true);
  return !stopper.fired();
}

// Runs the main loop until `done` holds (asked every 5 ms) or the limit passes.
inline bool run_until(std::function<bool()> done, unsigned limitMs) {
  std::function<void()> check;
  testsupport::FnTimer poll([&] { check(); });
  check = [&] {
    if (done())
      multiplexer.terminate();
    else
      poll.arm(5);
  };
  poll.arm(0);
  return run_loop(limitMs);
}

// Counts the passes of the loop: a deferred call runs twice in every pass.
class PassCounter {
 public:
  PassCounter() {
    dpc_.Bind<PassCounter>(this, &PassCounter::tick);
    dpc_.Activate();
  }
  unsigned passes() const { return runs_ / 2; }

 private:
  void tick() { ++runs_; }
  Dpc dpc_;
  unsigned runs_ = 0;
};

// Takes what a standard stream prints while it lives.
class Capture {
 public:
  explicit Capture(std::ostream& stream) : stream_(stream), old_(stream.rdbuf(text_.rdbuf())) {}
  ~Capture() { stream_.rdbuf(old_); }
  Capture(Capture const&) = delete;
  Capture& operator=(Capture const&) = delete;
  std::string text() const { return text_.str(); }

 private:
  std::ostream& stream_;
  std::ostringstream text_;
  std::streambuf* old_;
};

}  // namespace testloop
