#pragma once
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "core/Multiplexer.h"

namespace testloop {

// Runs the main loop until a callback calls multiplexer.terminate(), or until
// `limitMs` have passed; returns false when the limit ended it.
class Runner {
 public:
  bool run(unsigned limitMs) {
    expired_ = false;
    limit_.set<Runner>(limitMs, &Runner::expire, this);
    multiplexer.run(false, true);
    limit_.reset();
    return !expired_;
  }

 private:
  void expire() {
    expired_ = true;
    multiplexer.terminate();
  }
  Timer limit_;
  bool expired_ = false;
};

inline bool run_loop(unsigned limitMs) { return Runner().run(limitMs); }

// Runs the main loop until `done` holds (asked every 5 ms) or the limit passes.
inline bool run_until(std::function<bool()> done, unsigned limitMs) {
  struct Poll {
    std::function<bool()> done;
    Timer timer;
    void tick() {
      if (done())
        multiplexer.terminate();
      else
        timer.set<Poll>(5, &Poll::tick, this);
    }
  } poll{std::move(done), {}};
  poll.timer.set<Poll>(0, &Poll::tick, &poll);
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
