#pragma once
#include <cstdint>
#include <iosfwd>
#include <ostream>

namespace Profile {

// A named timing point: microsecond statistics of one code step. Points are
// process-wide objects that join the global list (newest first) when made.
class Point {
 public:
  explicit Point(char const* name);
  ~Point();
  Point(Point const&) = delete;
  Point& operator=(Point const&) = delete;

  void begin();
  void end();
  void put(std::ostream& os) const;

  char const* name() const { return name_; }
  uint32_t minimum() const { return min_; }
  uint32_t maximum() const { return max_; }
  uint32_t last() const { return last_; }
  uint32_t counter() const { return counter_; }
  Point* next() const { return next_; }

 private:
  Point* next_;
  char const* name_;
  uint32_t min_ = 0;
  uint32_t max_ = 0;
  uint32_t last_ = 0;
  bool first_ = true;
  uint32_t started_ = 0;
  uint32_t counter_ = 0;
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
