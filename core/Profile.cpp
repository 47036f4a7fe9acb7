#include "core/Profile.h"

#include "core/MuxTime.h"

namespace Profile {

Point* mRoot = nullptr;

Point::Point(char const* name) : next_(mRoot), name_(name) { mRoot = this; }

Point::~Point() {
  for (Point** p = &mRoot; *p; p = &(*p)->next_) {
    if (*p == this) {
      *p = next_;
      break;
    }
  }
}

void Point::begin() { started_ = Mux::microseconds(); }

void Point::end() {
  uint32_t d = Mux::microseconds() - started_;
  if (first_) {
    min_ = max_ = last_ = d;
    counter_ = 1;
    first_ = false;
    return;
  }
  ++counter_;
  if (d < min_) min_ = d;
  if (d > max_) max_ = d;
  last_ = d;
}

void Point::put(std::ostream& os) const {
  os << "[" << name_ << "]: min=" << min_ << " max=" << max_ << " avg=" << last_ << " counter=" << counter_;
}

void dump(std::ostream& os) {
  for (Point* p = mRoot; p; p = p->next()) {
    p->put(os);
    os << '\n';
  }
}

}  // namespace Profile
