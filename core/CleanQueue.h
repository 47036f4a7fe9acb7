#pragma once
#include <cstdint>
#include <utility>

// A bounded first-in first-out ring of N handles (packets in the link layers)
// that can also take an element back in at the front and give out the newest
// one. Fixed storage, no allocation; handles are shared, not copied.
template <class T, unsigned N>
class CleanQueue {
  static_assert(N > 0, "a queue holds at least one element");

 public:
  CleanQueue() = default;
  CleanQueue(CleanQueue const&) = delete;
  CleanQueue& operator=(CleanQueue const&) = delete;

  // At the back; false when full.
  bool put(T const& item) {
    if (count_ == N) return false;
    slots_[tail_] = item;
    tail_ = forward(tail_);
    ++count_;
    return true;
  }

  // At the front, so it is the next one `get` returns; false when full.
  bool append(T const& item) {
    if (count_ == N) return false;
    head_ = backward(head_);
    slots_[head_] = item;
    ++count_;
    return true;
  }

  // The oldest; false (and the out handle untouched) when empty.
  bool get(T& out) {
    if (count_ == 0) return false;
    out = std::move(slots_[head_]);
    slots_[head_] = T();
    head_ = forward(head_);
    --count_;
    return true;
  }
  bool get(T* out) {
    T dropped;
    return get(out ? *out : dropped);
  }

  // The newest; false when empty.
  bool get_last(T* out) {
    if (count_ == 0) return false;
    tail_ = backward(tail_);
    T dropped;
    (out ? *out : dropped) = std::move(slots_[tail_]);
    slots_[tail_] = T();
    --count_;
    return true;
  }

  // Whether something is queued; the oldest is shared into out when given.
  bool preview(T* out) const {
    if (count_ == 0) return false;
    if (out) *out = slots_[head_];
    return true;
  }

  uint32_t count() const { return count_; }
  uint32_t size() const { return N; }
  bool empty() const { return count_ == 0; }

  // Forgets the queued elements. Their handles stay in the slots, and so stay
  // held, until `put` or `append` writes the slot again or the queue goes;
  // that is bounded by the capacity.
  void clear() { head_ = tail_ = count_ = 0; }

 private:
  static uint32_t forward(uint32_t i) { return i + 1 == N ? 0 : i + 1; }
  static uint32_t backward(uint32_t i) { return i == 0 ? N - 1 : i - 1; }

  T slots_[N];
  uint32_t head_ = 0;
  uint32_t tail_ = 0;
  uint32_t count_ = 0;
};

// A counter modulo Max + 1 (0..127 for the 7-bit sequence numbers of the
// link layers) with a window test: `a <= b <= c` holds when b lies on the way
// from a forward to c, both ends included.
template <class T, T Max>
class Cyclic {
  static_assert((Max & (Max + 1)) == 0, "the modulus is a power of two");

 public:
  // The two ends of a window test, made by `a <= b`.
  struct LessEqPair {
    T low;
    T mid;
    bool operator<=(Cyclic const& high) const {
      return ((high.value_ - low) & Max) >= ((mid - low) & Max);
    }
  };

  Cyclic() = default;
  Cyclic(T v) : value_(v & Max) {}
  operator T() const { return value_; }

  Cyclic& operator++() {
    value_ = (value_ + 1) & Max;
    return *this;
  }
  Cyclic operator++(int) {
    Cyclic old = *this;
    ++*this;
    return old;
  }
  Cyclic& operator--() {
    value_ = (value_ - 1) & Max;
    return *this;
  }
  Cyclic operator+(Cyclic const& other) const { return Cyclic(value_ + other.value_); }
  LessEqPair operator<=(Cyclic const& mid) const { return LessEqPair{value_, mid.value_}; }

 private:
  T value_ = 0;
};
