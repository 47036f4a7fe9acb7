#pragma once
#include <cstdint>
#include <iosfwd>

// Timing statistics in microseconds of loop time: the shortest, longest and
// last duration and the number of measurements, all 0 until the first ends.
// The figure printed after "avg=" is the last duration, not a mean.
class Measure {
 public:
  void begin();
  // Ends a measurement begun last; returns its duration.
  uint32_t end();
  void put(std::ostream& os) const;

  uint32_t minimum() const { return min_; }
  uint32_t maximum() const { return max_; }
  uint32_t last() const { return last_; }
  uint32_t counter() const { return counter_; }

 private:
  uint32_t min_ = 0;
  uint32_t max_ = 0;
  uint32_t last_ = 0;
  bool noSample_ = true;
  uint32_t start_ = 0;
  uint32_t counter_ = 0;
};

std::ostream& operator<<(std::ostream& os, Measure const& m);
