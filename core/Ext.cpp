#include "core/Ext.h"

#include <algorithm>

#include "core/Measure.h"

namespace ext {

void OutBufInHex::Put(std::ostream& os) const {
  std::ios::fmtflags flags = os.flags();
  os.fill('0');
  for (unsigned char const* p = begin; p < end; ++p) {
    os.setf(std::ios::hex, std::ios::basefield);
    os.setf(std::ios::uppercase);
    os.setf(std::ios::right, std::ios::adjustfield);
    os.width(2);
    os << static_cast<unsigned>(*p) << ' ';
  }
  os.fill(' ');
  os.flags(flags);
}

void OutUnsignedInHex::Put(std::ostream& os) const {
  std::ios::fmtflags flags = os.flags();
  os.fill('0');
  os.setf(std::ios::hex, std::ios::basefield);
  os.setf(std::ios::uppercase);
  os.setf(std::ios::right, std::ios::adjustfield);
  os.width(width);
  os << "0x" << value;
  os.fill(' ');
  os.flags(flags);
}

void Table::row(std::ostream& os, std::string const& text) {
  if (column_ >= widths_.size()) return;
  rowOpen_ = true;
  int w = widths_[column_];
  int n = static_cast<int>(std::min<size_t>(text.size(), static_cast<size_t>(std::max(w, 0))));
  os << '|' << std::string(static_cast<size_t>((w - n) / 2), ' ') << text
     << std::string(static_cast<size_t>((w - n + 1) / 2), ' ');
  if (++column_ == widths_.size()) {
    os << "|\n";
    rowOpen_ = false;
  }
}

void Table::finalize(std::ostream& os) {
  if (!rowOpen_) return;
  while (column_ < widths_.size()) row(os, std::string());
}

void Table::delimeter(std::ostream& os) {
  finalize(os);
  if (widths_.empty()) return;
  for (int w : widths_) os << '+' << std::string(static_cast<size_t>(w), '-');
  os << "+\n";
}

void Table::gap(std::ostream& os) {
  finalize(os);
  if (widths_.empty()) return;
  for (int w : widths_) os << '|' << std::string(static_cast<size_t>(w), ' ');
  os << "|\n";
}

void Table::Sentry::row() const {
  table_.row(os_, cell_.str());
  cell_.str(std::string());
}

void beginrow(Table::Sentry const& s) { s.table().resetrow(); }
void nextrow(Table::Sentry const& s) { s.row(); }
void delimeter(Table::Sentry const& s) { s.table().delimeter(s.stream()); }

Table::Sentry const& operator<<(Table::Sentry const& s, Measure const& m) {
  m.put(s.cell());
  return s;
}

}  // namespace ext
