#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/Multiplexer.h"
#include "hardware/Device.h"
#include "hardware/SimBoard.h"
#include "support/LoopHelpers.h"
#include "support/TestRoot.h"

namespace hwtest {

// Collects what is written to a standard stream while it lives.
class Capture {
 public:
  explicit Capture(std::ostream& stream) : stream_(stream), old_(stream.rdbuf(text_.rdbuf())) {}
  ~Capture() { stream_.rdbuf(old_); }
  std::string text() const { return text_.str(); }
  bool has(std::string const& part) const { return text().find(part) != std::string::npos; }

 private:
  std::ostream& stream_;
  std::ostringstream text_;
  std::streambuf* old_;
};

// A private board root with a fresh simulated board.
class BoardTest : public ::testing::Test {
 protected:
  testsupport::TestRoot root;
  Dev::Sim::Board& board = Dev::Sim::Board::reset();
};

// Runs the loop until `done` holds (checked every millisecond) or `ms` pass.
inline bool runUntil(std::function<bool()> done, unsigned ms = 2000) {
  testsupport::FnTimer* self = nullptr;
  testsupport::FnTimer check([&] {
    if (done())
      multiplexer.terminate();
    else
      self->arm(1);
  });
  self = &check;
  check.arm(0);
  testsupport::LoopStopper stopper(ms);
  multiplexer.run(false, true);
  return !stopper.fired();
}

// Runs the loop for `ms` milliseconds.
inline void runFor(unsigned ms) {
  testsupport::LoopStopper stopper(ms);
  multiplexer.run(false, true);
}

// A record of big-endian 32-bit words.
inline std::vector<uint8_t> words(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> out(values.size() * 4);
  size_t at = 0;
  for (uint32_t v : values) Dev::put32(out.data() + 4 * at++, v);
  return out;
}

}  // namespace hwtest
