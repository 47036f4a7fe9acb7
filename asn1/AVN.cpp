#include "asn1/AVN.h"

#include <boost/scoped_array.hpp>

#include <cstdlib>
#include <sstream>

namespace ASN1 {

std::ostream& AVNEncoder::blanks(int n) {
  for (int i = 0; i < n; ++i) os_.put(' ');
  return os_;
}

bool AVNEncoder::do_visit(const Null&) { return bool(os_ << "NULL"); }
bool AVNEncoder::do_visit(const BOOLEAN& v) { return bool(os_ << (v.getValue() ? "TRUE" : "FALSE")); }

bool AVNEncoder::do_visit(const INTEGER& v) {
  if (v.isUnsigned()) return bool(os_ << v.getUnsignedValue());
  return bool(os_ << v.getValue());
}

bool AVNEncoder::do_visit(const IntegerWithNamedNumber& v) {
  std::string name;
  if (v.getName(name)) return bool(os_ << name);
  return do_visit(static_cast<const INTEGER&>(v));
}

bool AVNEncoder::do_visit(const ENUMERATED& v) {
  std::string_view name = v.getName();
  if (name.empty()) return bool(os_ << v.getValue());
  return bool(os_ << name);
}

bool AVNEncoder::do_visit(const OBJECT_IDENTIFIER& v) {
  os_ << "{ ";
  for (unsigned arc : v.arcs()) os_ << arc << ' ';
  return bool(os_ << '}');
}

bool AVNEncoder::do_visit(const BIT_STRING& v) {
  os_ << '\'';
  for (unsigned i = 0; i < v.size(); ++i) os_.put(v[i] ? '1' : '0');
  return bool(os_ << "'B");
}

// Leaves the stream's number base and fill at decimal and blank, whatever they were.
void AVNEncoder::printOctets(const Octets& octets) {
  static const char digits[] = "0123456789abcdef";
  os_ << '\'';
  for (std::size_t i = 0; i < octets.size(); ++i) {
    if (i) os_.put(' ');
    os_.put(digits[octets[i] >> 4]).put(digits[octets[i] & 15]);
  }
  os_ << "'H" << std::dec;
  os_.fill(' ');
}

bool AVNEncoder::do_visit(const OCTET_STRING& v) {
  printOctets(v);
  return bool(os_);
}

bool AVNEncoder::do_visit(const AbstractString& v) {
  return bool(os_ << '"' << static_cast<const std::string&>(v) << '"');
}

bool AVNEncoder::do_visit(const BMPString& v) {
  std::size_t n = std::wcstombs(nullptr, v.c_str(), 0);
  if (n != std::size_t(-1)) {
    boost::scoped_array<char> text(new char[n + 1]);
    std::wcstombs(text.get(), v.c_str(), n + 1);
    return bool(os_ << '"' << text.get() << '"');
  }
  os_ << '{';
  for (std::size_t i = 0; i < v.size(); ++i) {
    unsigned code = unsigned(v[i]);
    os_ << (i ? ", " : "") << "{ 0, 0, " << code / 256 << ", " << code % 256 << '}';
  }
  return bool(os_ << '}');
}

bool AVNEncoder::do_visit(const CHOICE& v) {
  const char* name = v.selectionName();
  if (!name) return false;  // nothing selected, or a selection holding no value
  os_ << name << " : ";
  return os_ && v.getSelection()->accept(*this);
}

bool AVNEncoder::do_visit(const OpenData& v) {
  if (v.has_data()) return v.get_data()->accept(*this);
  if (!v.has_buf()) return false;
  printOctets(*v.get_buf());
  return bool(os_);
}

bool AVNEncoder::do_visit(const GeneralizedTime& v) { return bool(os_ << '"' << v.get() << '"'); }

bool AVNEncoder::do_visit(const SEQUENCE_OF_Base& v) {
  os_ << "{\n";
  indent_ += 2;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (i) os_ << ",\n";
    blanks(indent_);
    if (!os_ || !v.at(i).accept(*this)) return false;
  }
  indent_ -= 2;
  if (v.size()) os_ << '\n';
  blanks(indent_) << '}';
  return bool(os_);
}

bool AVNEncoder::preVisitExtensionRoots(const SEQUENCE&) {
  fieldPrinted_.push_back(false);
  return bool(os_ << "{\n");
}

bool AVNEncoder::printField(const SEQUENCE& seq, unsigned index) {
  const AbstractData* field = seq.getField(index);
  if (!field) return false;
  if (fieldPrinted_.back()) os_ << ",\n";
  blanks(indent_ + 2) << seq.fieldName(index) << ' ';
  indent_ += 2;
  bool ok = os_ && field->accept(*this);
  indent_ -= 2;
  fieldPrinted_.back() = true;
  return ok && os_;
}

bool AVNEncoder::afterVisitSequence(const SEQUENCE&) {
  if (fieldPrinted_.back()) os_ << '\n';
  fieldPrinted_.pop_back();
  blanks(indent_) << '}';
  return bool(os_);
}

bool AbstractData::print_on(std::ostream& os) const {
  AVNEncoder printer(os);
  return accept(printer);
}

std::string AbstractData::asValueNotation() const {
  std::ostringstream text;
  print_on(text);
  return text.str();
}

void IOWrapper::do_it(std::ios& stream) {
  std::ios::iostate state = std::ios::goodbit;
  try {
    state = do_real_io();
  } catch (...) {
    try {
      stream.setstate(std::ios::badbit);
    } catch (...) {
    }
    if (stream.exceptions() & std::ios::badbit) throw;
  }
  if (state) stream.setstate(state);
}

std::ios::iostate InserterWrapper::do_real_io() {
  std::ostream::sentry sentry(os_);
  if (!sentry) return std::ios::goodbit;
  return value_.print_on(os_) ? std::ios::goodbit : std::ios::failbit;
}

void g_inserter(std::ostream& os, const AbstractData& value) { InserterWrapper(os, value).do_it(os); }

std::ostream& operator<<(std::ostream& os, const AbstractData& value) {
  if (os.good()) g_inserter(os, value);
  return os;
}

}  // namespace ASN1
