#include "core/Packet.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>

namespace {

using Pool = List_allocator<_Packet, 1024, Dummy_critical_section>;

// Made on first use and never destroyed (its destructor is trivial), so
// packets held by static objects may be dropped at any time during exit.
Pool& pool() {
  static Pool instance;
  return instance;
}

[[noreturn]] void check_fail(char const* format, ...) __attribute__((format(printf, 1, 2)));

void check_fail(char const* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::clog << "packet check fail" << std::endl << text << std::endl << "terminate." << std::endl;
  std::terminate();
}

}  // namespace

void SmartPtrAssertion() {
  std::clog << "SMART POINTER ASSERTION!" << std::endl;
  std::terminate();
}

void SharedPtrAssertion() {
  std::clog << "SHARED POINTER ASSERTION!" << std::endl;
  std::terminate();
}

_Packet::_Packet(_Packet const& other)
    : data(buffer + other._headroom()), tail(data + other._length()) {
  std::memcpy(data, other.data, other._length());
}

void smart_pointer_free(_Packet* packet) { pool().deallocate(packet); }

unsigned Packet::pool_available() { return pool().available(); }

void Packet::allocate() {
  _Packet* buffer = pool().allocate();
  if (buffer == nullptr) throw std::bad_alloc();
  buffer->refcount = 0;
  assign(buffer);
}

void Packet::prepare_for_modify() {
  if (p_ == nullptr) SmartPtrAssertion();
  if (p_->refcount <= 1) return;
  _Packet* copy = pool().allocate();
  if (copy == nullptr) throw std::bad_alloc();
  new (copy) _Packet(*p_);
  assign(copy);
}

_Packet* Packet::writable(char const* nullText) {
  passert(p_ != nullptr, nullText);
  prepare_for_modify();
  return p_;
}

// ---- sizes ----

void Packet::reserve_head(unsigned len) {
  passert(len <= packet_max_size, "length>packet_max_size");
  if (p_ == nullptr) {
    allocate();
    p_->data = p_->tail = p_->buffer + len;
    return;
  }
  passert(len <= p_->_tailroom(), "new_len>packet_max_size");
  _Packet* b = writable();
  std::memmove(b->data + len, b->data, b->_length());
  b->data += len;
  b->tail += len;
}

void Packet::reserve_tail(unsigned len) {
  passert(len <= packet_max_size, "len>packet_max_size");
  if (p_ == nullptr) {
    allocate();
    p_->data = p_->tail = p_->buffer + packet_max_size - len;
    return;
  }
  passert(len <= p_->_headroom(), "_tailroom()+len <= packet_max_size");
  _Packet* b = writable();
  std::memmove(b->data - len, b->data, b->_length());
  b->data -= len;
  b->tail -= len;
}

// ---- writing ----

void Packet::push8(uint8_t byte) {
  passert(p_ != nullptr, "null packet");
  passert(p_->_headroom() >= 1, "len<=_headroom()");
  *--writable()->data = byte;
  check("push");
}

void Packet::push16_b(uint16_t value) {
  push8(static_cast<uint8_t>(value));
  push8(static_cast<uint8_t>(value >> 8));
}

void Packet::put8(uint8_t byte) { *put(1) = byte; }

uint8_t* Packet::put(unsigned len) {
  passert(p_ != nullptr, "null packet");
  passert(len <= p_->_tailroom(), "len<=_tailroom()");
  _Packet* b = writable();
  uint8_t* added = b->tail;
  b->tail += len;
  check("put");
  return added;
}

void Packet::put16_b(uint16_t value) {
  uint8_t* bytes = put(2);
  bytes[0] = static_cast<uint8_t>(value >> 8);
  bytes[1] = static_cast<uint8_t>(value);
}

void Packet::put16(uint16_t value) {
  uint8_t* bytes = put(2);
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

void Packet::put(Packet const& other) {
  unsigned n = other.length();
  if (n == 0) return;
  // Hold the source: unsharing this packet must not drop the bytes read.
  Packet source(other);
  std::memcpy(put(n), source.data(), n);
}

bool Packet::put(std::string const& text) {
  if (text.size() > 255) {
    std::cerr << "packet: text of " << text.size() << " characters does not fit its length byte, refused"
              << std::endl;
    return false;
  }
  uint8_t* bytes = put(static_cast<unsigned>(text.size()) + 1);
  bytes[0] = static_cast<uint8_t>(text.size());
  std::memcpy(bytes + 1, text.data(), text.size());
  return true;
}

// ---- reading ----

uint8_t Packet::pull8() {
  passert(p_ != nullptr, "null packet");
  if (p_->_length() == 0) return 0;
  return *writable()->data++;
}

uint8_t const* Packet::pull(unsigned len) {
  passert(p_ != nullptr, "null packet");
  passert(len <= p_->_length(), "len<=_length()");
  _Packet* b = writable();
  uint8_t const* removed = b->data;
  b->data += len;
  return removed;
}

uint16_t Packet::pull16_b() {
  uint16_t high = pull8();
  return static_cast<uint16_t>(high << 8 | pull8());
}

uint16_t Packet::pull16_l() {
  uint16_t low = pull8();
  return static_cast<uint16_t>(low | pull8() << 8);
}

std::string Packet::pull_string() {
  unsigned n = pull8();
  std::string text;
  text.reserve(n);
  for (unsigned i = 0; i < n; ++i) text.push_back(static_cast<char>(pull8()));
  return text;
}

uint8_t Packet::operator[](int index) const {
  passert(p_ != nullptr, "null packet");
  passert(index >= 0 && static_cast<unsigned>(index) < p_->_length(), "index out of range");
  return p_->data[index];
}

Packet Packet::sub(unsigned start, unsigned len) const {
  passert(p_ != nullptr, "null packet");
  passert(start <= p_->_length(), "start<=_length()");
  // Written so that a huge len cannot wrap around the sum.
  passert(len <= p_->_length() - start, "start+len<=_length()");
  Packet part(*this);
  _Packet* b = part.writable();
  b->data += start;
  b->tail = b->data + len;
  return part;
}

// ---- checks and reports ----

void Packet::check(char const* op) const {
  if (p_ == nullptr) check_fail("after \"%s\" packet is null", op);
  uint8_t const* begin = p_->buffer;
  uint8_t const* end = begin + packet_max_size;
  if (p_->data < begin || p_->data > end) check_fail("after \"%s\" fdata invalid", op);
  if (p_->tail < begin || p_->tail > end) check_fail("after \"%s\" ftail invalid", op);
  if (p_->data > p_->tail) check_fail("after \"%s\" fdata>ftail", op);
}

void Packet::passert(bool condition, char const* text) const {
  if (condition) return;
  std::clog << "PACKET ASSERTION FAILED!" << std::endl << text << std::endl << PacketInfo(*this) << std::endl;
  std::terminate();
}

bool Packet::dump(std::ostream& os) const {
  if (p_ == nullptr) return false;
  os << "head=" << p_->_headroom() << ", data=" << p_->_length() << ", tail=" << p_->_tailroom();
  return true;
}

bool Packet::dump_context(std::ostream& os) const {
  if (p_ == nullptr || !p_->consistent()) return false;
  if (p_->_length() == 0) return true;
  os << "dump:" << std::hex;
  for (uint8_t const* b = p_->data; b != p_->tail; ++b) os << ' ' << static_cast<unsigned>(*b);
  os << std::dec;
  return true;
}

std::string Packet::text() const {
  if (p_ == nullptr) return "(null)";
  if (!p_->consistent()) return "(bad)";
  std::string out;
  out.reserve(p_->_length() * 3);
  char digits[4];
  for (uint8_t const* b = p_->data; b != p_->tail; ++b) {
    if (b != p_->data) out.push_back(' ');
    std::snprintf(digits, sizeof digits, "%02X", *b);
    out += digits;
  }
  return out;
}

PacketInfo::PacketInfo(Packet const& packet) {
  _Packet const* b = packet.get();
  if (b == nullptr) return;
  null = false;
  head = b->data - b->buffer;
  length = b->tail - b->data;
  tail = b->buffer + packet_max_size - b->tail;
  consistent = b->consistent();
  if (consistent) bytes.assign(b->data, b->tail);
}

void PacketInfo::put(std::ostream& os) const {
  if (null) {
    os << "(null)" << std::endl;
    return;
  }
  os << "head=" << head << ", data=" << length << ", tail=" << tail << std::endl;
  if (!consistent) {
    os << "can't dump packet: wrong pointers" << std::endl;
    return;
  }
  if (length == 0) return;
  os << "dump:" << std::endl << std::hex;
  for (uint8_t b : bytes) os << ' ' << static_cast<unsigned>(b);
  os << std::dec << std::endl;
}

std::ostream& operator<<(std::ostream& os, PacketInfo const& info) {
  info.put(os);
  return os;
}
