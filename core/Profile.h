#pragma once
#include <cstdint>
#include <iosfwd>
#include <ostream>

#include "core/Measure.h"

namespace Profile {

// A named timing point: microsecond statistics of one code step. Points are
// process-wide objects that join the global list (newest first) when made.
class Point {
 public:
  explicit Point(char const* name);
  ~Point();
  Point(Point const&) = delete;
  Point& operator=(Point const&) = delete;

  void begin() { measure_.begin(); }
  void end() { measure_.end(); }
  // "[name]: " and the statistics.
  void put(std::ostream& os) const;

  char const* name() const { return name_; }
  uint32_t minimum() const { return measure_.minimum(); }
  uint32_t maximum() const { return measure_.maximum(); }
  uint32_t last() const { return measure_.last(); }
  uint32_t counter() const { return measure_.counter(); }
  Point* next() const { return next_; }

 private:
  Point* next_;
  char const* name_;
  Measure measure_;
};

extern Point* mRoot;
void dump(std::ostream& os);

// Measures one scope with a point.
class Scope {
 public:
  explicit Scope(Point& p) : point_(p) { point_.begin(); }
  ~Scope() { point_.end(); }

 private:
  Point& point_;
};

}  // namespace Profile

namespace Trace {

// Writes "Enter <name>" and "Leave <name>" around a scope when enabled.
class Block {
 public:
  Block(bool enabled, char const* name, std::ostream& os) : enabled_(enabled), name_(name), os_(os) {
    if (enabled_) os_ << "Enter " << name_ << '\n';
  }
  ~Block() {
    if (enabled_) os_ << "Leave " << name_ << '\n';
  }

 private:
  bool enabled_;
  char const* name_;
  std::ostream& os_;
};

}  // namespace Trace
