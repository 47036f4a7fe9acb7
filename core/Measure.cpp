#include "core/Measure.h"

#include <ostream>

#include "core/MuxTime.h"

void Measure::begin() { start_ = Mux::microseconds(); }

uint32_t Measure::end() {
  uint32_t d = Mux::microseconds() - start_;
  if (noSample_) {
    noSample_ = false;
    min_ = max_ = last_ = d;
    counter_ = 1;
    return d;
  }
  ++counter_;
  if (d < min_) min_ = d;
  if (d > max_) max_ = d;
  last_ = d;
  return d;
}

void Measure::put(std::ostream& os) const {
  os << "min=" << min_ << " max=" << max_ << " avg=" << last_ << " counter=" << counter_;
}

std::ostream& operator<<(std::ostream& os, Measure const& m) {
  m.put(os);
  return os;
}
