#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/IntrusiveList.h"

// Pooled packets: a `Packet` is a copy-on-write handle to one buffer of a fixed
// pool of 1024. A buffer has head room in front of its data, for headers that
// lower layers push, and tail room behind it, for data that is appended.
// Misuse of a packet (reading past the end, writing past the buffer, a null
// packet) is a programming error: the process prints a banner and ends.

constexpr unsigned packet_max_size = 65536;

// "SMART POINTER ASSERTION!" (or "SHARED POINTER ASSERTION!"), then the end.
[[noreturn]] void SmartPtrAssertion();
[[noreturn]] void SharedPtrAssertion();

// One pooled buffer. Invariant: buffer <= data <= tail <= buffer end.
class _Packet {
 public:
  _Packet() : data(buffer + packet_max_size), tail(data) {}
  // Same head room and length as the source; only the data bytes are copied.
  _Packet(_Packet const& other);
  _Packet& operator=(_Packet const&) = delete;

  unsigned _headroom() const { return static_cast<unsigned>(data - buffer); }
  unsigned _length() const { return static_cast<unsigned>(tail - data); }
  unsigned _tailroom() const { return static_cast<unsigned>(buffer + packet_max_size - tail); }
  bool consistent() const { return buffer <= data && data <= tail && tail <= buffer + packet_max_size; }

  uint32_t refcount = 0;
  uint8_t* data;
  uint8_t* tail;
  uint8_t buffer[packet_max_size];
};

// Returns a buffer whose last handle went to the pool.
void smart_pointer_free(_Packet* packet);

// The reference counting shared by every Smart_pointer: copying a handle
// shares the object, dropping the last handle frees it (smart_pointer_free,
// found for the object's type). The object keeps its own count in `refcount`.
template <class T>
class Smart_handle {
 public:
  Smart_handle() = default;
  Smart_handle(T* object) : p_(object) { hold(p_); }
  Smart_handle(Smart_handle const& other) : p_(other.p_) { hold(p_); }
  Smart_handle(Smart_handle&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  ~Smart_handle() { drop(p_); }
  Smart_handle& operator=(Smart_handle const& other) {
    assign(other.p_);
    return *this;
  }
  Smart_handle& operator=(Smart_handle&& other) noexcept {
    if (this != &other) {
      T* old = p_;
      p_ = other.p_;
      other.p_ = nullptr;
      drop(old);
    }
    return *this;
  }
  Smart_handle& operator=(T* object) {
    assign(object);
    return *this;
  }

  T* get() const { return p_; }
  bool is_null() const { return p_ == nullptr; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() { assign(nullptr); }

 protected:
  static void hold(T* object) {
    if (object) ++object->refcount;
  }
  static void drop(T* object) {
    if (object == nullptr) return;
    if (object->refcount > 0) --object->refcount;
    if (object->refcount == 0) smart_pointer_free(object);
  }
  // The new object is held before the old one is dropped, so assigning a
  // handle its own object never frees it.
  void assign(T* object) {
    hold(object);
    T* old = p_;
    p_ = object;
    drop(old);
  }

  T* p_ = nullptr;
};

template <class T>
class Smart_pointer : public Smart_handle<T> {
 public:
  using Smart_handle<T>::Smart_handle;
  using Smart_handle<T>::operator=;
  T* operator->() const {
    if (this->p_ == nullptr) SmartPtrAssertion();
    return this->p_;
  }
  T& operator*() const { return *operator->(); }
};

// The packet handle. A null handle stands for no packet (length 0). Every
// change through a handle whose buffer is shared first copies the buffer, so
// the other holders keep the old contents.
template <>
class Smart_pointer<_Packet> : public Smart_handle<_Packet> {
 public:
  using Smart_handle<_Packet>::Smart_handle;
  using Smart_handle<_Packet>::operator=;

  _Packet* operator->() {
    prepare_for_modify();
    return p_;
  }
  _Packet const* operator->() const {
    if (p_ == nullptr) SmartPtrAssertion();
    return p_;
  }
  // Unshares the buffer: a shared one is copied into a new pool buffer
  // (std::bad_alloc when the pool is empty).
  void prepare_for_modify();

  unsigned length() const { return p_ ? p_->_length() : 0; }
  unsigned headroom() const { return p_ ? p_->_headroom() : 0; }
  unsigned tailroom() const { return p_ ? p_->_tailroom() : 0; }
  // The data bytes, valid until the packet is next changed; null for no packet.
  uint8_t const* data() const { return p_ ? p_->data : nullptr; }

  // On no packet: takes a buffer with len bytes of head room (reserve_head) or
  // of tail room (reserve_tail) and no data. On a packet: moves its data len
  // bytes toward the end (reserve_head) or the start (reserve_tail), bytes
  // included, so the head room (tail room) grows by len.
  void reserve_head(unsigned len);
  void reserve_tail(unsigned len);

  void push8(uint8_t byte);
  void push16_b(uint16_t value);  // big-endian at the front

  void put8(uint8_t byte);
  // Appends len bytes and returns them for the caller to fill.
  uint8_t* put(unsigned len);
  void put16_b(uint16_t value);  // big-endian
  void put16(uint16_t value);    // little-endian
  void put(Smart_pointer const& other);
  // A length byte and the characters; a text longer than 255 characters
  // cannot be read back and is refused (false, nothing written).
  bool put(std::string const& text);

  // Reading from the front; bytes missing at the end read as 0.
  uint8_t pull8();
  // Removes len bytes and returns them (valid until the packet is next changed).
  uint8_t const* pull(unsigned len);
  uint16_t pull16_b();
  uint16_t pull16_l();
  std::string pull_string();

  uint8_t operator[](int index) const;
  // A new packet holding bytes start .. start + len - 1; this one is unchanged.
  Smart_pointer sub(unsigned start, unsigned len) const;

  void check(char const* op) const;
  // When the condition is false: "PACKET ASSERTION FAILED!", the text, a
  // report of the packet, and the end of the process.
  void passert(bool condition, char const* text) const;
  bool dump(std::ostream& os) const;
  bool dump_context(std::ostream& os) const;
  // The data bytes as "%02X" separated by blanks; "(null)", or "(bad)".
  std::string text() const;

  // Buffers of the pool not held by any packet.
  static unsigned pool_available();

 private:
  _Packet* writable(char const* nullText = "null packet");
  void allocate();
};

using Packet = Smart_pointer<_Packet>;

// A snapshot of one packet for the assertion report.
struct PacketInfo {
  explicit PacketInfo(Packet const& packet);
  void put(std::ostream& os) const;

  bool null = true;
  bool consistent = true;
  long head = 0;
  long length = 0;
  long tail = 0;
  std::vector<uint8_t> bytes;
};

std::ostream& operator<<(std::ostream& os, PacketInfo const& info);

// A lock that does nothing: the pool is used by the one thread only.
struct Dummy_critical_section {
  void lock() {}
  void unlock() {}
};

// A fixed pool of N objects reserved once; free objects are reused oldest
// freed first. It is never destroyed, so handles held by static objects stay
// valid until the process ends.
template <class T, unsigned N, class Lock>
class List_allocator {
 public:
  List_allocator() { free_.init(nodes_, N); }
  List_allocator(List_allocator const&) = delete;
  List_allocator& operator=(List_allocator const&) = delete;

  // The object at the head of the free list, or null when all are held.
  T* allocate() {
    lock_.lock();
    Node* node = free_.remove_from_head();
    lock_.unlock();
    return node ? &objects_[node - nodes_] : nullptr;
  }
  void deallocate(T* object) {
    lock_.lock();
    free_.insert_to_tail(&nodes_[object - objects_]);
    lock_.unlock();
  }
  bool owns(T const* object) const { return object >= objects_ && object < objects_ + N; }
  unsigned available() const { return free_.size(); }

 private:
  struct Node : F_dual_list_item<Node> {};
  Node nodes_[N];
  T objects_[N];
  F_dual_list<Node> free_;
  Lock lock_;
};
