#pragma once
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

class Measure;

// Stream helpers for log lines and console tables.
namespace ext {

// The log prefix of an object: streaming it calls the object's PutHeader.
template <class T>
struct OutObjHeader {
  T const* object;
};
template <class T>
OutObjHeader<T> header(T const* object) {
  return OutObjHeader<T>{object};
}
template <class T>
std::ostream& operator<<(std::ostream& os, OutObjHeader<T> const& h) {
  return h.object->PutHeader(os);
}

// A value between double quotes.
template <class T>
struct OutQuoted {
  T const& value;
};
template <class T>
OutQuoted<T> quoted(T const& value) {
  return OutQuoted<T>{value};
}
template <class T>
std::ostream& operator<<(std::ostream& os, OutQuoted<T> const& q) {
  return os << '"' << q.value << '"';
}

// Bytes as upper-case hexadecimal pairs, each followed by a blank.
struct OutBufInHex {
  unsigned char const* begin;
  unsigned char const* end;
  OutBufInHex(void const* b, void const* e)
      : begin(static_cast<unsigned char const*>(b)), end(static_cast<unsigned char const*>(e)) {}
  OutBufInHex(void const* b, size_t n) : OutBufInHex(b, static_cast<unsigned char const*>(b) + n) {}
  void Put(std::ostream& os) const;
};
inline std::ostream& operator<<(std::ostream& os, OutBufInHex const& h) {
  h.Put(os);
  return os;
}

// "0x" and the value's upper-case hexadecimal digits.
struct OutUnsignedInHex {
  uint32_t value;
  int width;
  explicit OutUnsignedInHex(uint32_t v, int w = 0) : value(v), width(w) {}
  void Put(std::ostream& os) const;
};
inline std::ostream& operator<<(std::ostream& os, OutUnsignedInHex const& h) {
  h.Put(os);
  return os;
}

// A fixed-width text table: cells are centred in their column, a longer text
// is written whole and widens its cell.
class Table {
 public:
  Table() = default;
  explicit Table(int a) : widths_{a} {}
  Table(int a, int b) : widths_{a, b} {}
  Table(int a, int b, int c) : widths_{a, b, c} {}
  Table(int a, int b, int c, int d) : widths_{a, b, c, d} {}
  Table(int a, int b, int c, int d, int e) : widths_{a, b, c, d, e} {}
  Table(int a, int b, int c, int d, int e, int f) : widths_{a, b, c, d, e, f} {}
  Table(int a, int b, int c, int d, int e, int f, int g) : widths_{a, b, c, d, e, f, g} {}

  void add(int width) { widths_.push_back(width); }
  void init() { resetrow(); }
  void resetrow() {
    column_ = 0;
    rowOpen_ = false;
  }
  void row(std::ostream& os, std::string const& text);
  void finalize(std::ostream& os);
  void delimeter(std::ostream& os);
  void gap(std::ostream& os);

  // Collects the cells of one output statement; completes an open row when
  // the statement ends.
  class Sentry {
   public:
    Sentry(std::ostream& os, Table& table) : os_(os), table_(table) {}
    ~Sentry() { table_.finalize(os_); }
    Sentry(Sentry const&) = delete;
    Sentry& operator=(Sentry const&) = delete;
    void row() const;
    Table& table() const { return table_; }
    std::ostream& stream() const { return os_; }
    std::ostringstream& cell() const { return cell_; }

   private:
    std::ostream& os_;
    Table& table_;
    mutable std::ostringstream cell_;
  };

 private:
  std::vector<int> widths_;
  unsigned column_ = 0;
  bool rowOpen_ = false;
};

void beginrow(Table::Sentry const& s);
void nextrow(Table::Sentry const& s);
void delimeter(Table::Sentry const& s);

inline Table::Sentry const& operator<<(Table::Sentry const& s, void (*manip)(Table::Sentry const&)) {
  manip(s);
  return s;
}
inline Table::Sentry const& operator<<(Table::Sentry const& s, char const* v) {
  s.cell() << v;
  return s;
}
inline Table::Sentry const& operator<<(Table::Sentry const& s, std::string const& v) {
  s.cell() << v;
  return s;
}
inline Table::Sentry const& operator<<(Table::Sentry const& s, unsigned int v) {
  s.cell() << v;
  return s;
}
inline Table::Sentry const& operator<<(Table::Sentry const& s, int v) {
  s.cell() << v;
  return s;
}
Table::Sentry const& operator<<(Table::Sentry const& s, Measure const& m);

}  // namespace ext
