#include "core/Profile.h"

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

void Point::put(std::ostream& os) const { os << "[" << name_ << "]: " << measure_; }

void dump(std::ostream& os) {
  for (Point* p = mRoot; p; p = p->next()) {
    p->put(os);
    os << '\n';
  }
}

}  // namespace Profile
