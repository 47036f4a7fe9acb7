#include "asn1/AVNDecoder.h"
#include "asn1/AVN.h"

#include <boost/scoped_array.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace ASN1 {

namespace {
constexpr int End = std::char_traits<char>::eof();

int skipBlanks(std::streambuf& in) {
  int c = in.sgetc();
  while (c != End && std::isspace(c)) c = in.snextc();
  return c;
}

bool wordEnds(int c) { return c == End || std::isspace(c) || std::strchr(",{}:", c); }

// A whole word as a number of type T; from_chars takes no sign for unsigned types.
template <class T>
bool toNumber(std::string_view word, T& value) {
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  return error == std::errc() && end == word.data() + word.size() && !word.empty();
}

int digitValue(char c, int base) {
  int v = c >= '0' && c <= '9' ? c - '0' : (c >= 'a' && c <= 'f' ? c - 'a' + 10 : (c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99));
  return v < base ? v : -1;
}
}  // namespace

bool get_string(std::istream& is, std::string& text) {
  std::streambuf& in = *is.rdbuf();
  if (skipBlanks(in) != '"') return false;
  text.clear();
  for (int c = in.snextc(); c != '"'; c = in.snextc()) {
    if (c == End) return false;
    text += char(c);
  }
  in.sbumpc();
  return true;
}

bool get_from_string(std::string_view text, Octets& octets, unsigned& digits, int base) {
  unsigned width = base == 2 ? 1 : 4;
  digits = unsigned(text.size());
  octets.assign((std::size_t(digits) * width + 7) / 8, 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    int v = digitValue(text[i], base);
    if (v < 0) return false;
    std::size_t bit = i * width;
    octets[bit / 8] |= static_cast<unsigned char>(v << (8 - width - bit % 8));
  }
  return true;
}

int get_value_from(std::istream& is, Octets& octets, unsigned& digits) {
  std::streambuf& in = *is.rdbuf();
  if (skipBlanks(in) != '\'') return 0;
  std::string text;
  for (int c = in.snextc(); c != '\''; c = in.snextc()) {
    if (c == End) return 0;
    if (!std::isspace(c)) text += char(c);
  }
  int suffix = in.snextc();
  int base = suffix == 'B' ? 2 : (suffix == 'H' ? 16 : 0);
  if (!base) return 0;
  in.sbumpc();
  return get_from_string(text, octets, digits, base) ? base : 0;
}

bool get_id(const char* const* names, unsigned count, std::string_view name, unsigned& index) {
  for (unsigned i = 0; i < count; ++i)
    if (name == names[i]) {
      index = i;
      return true;
    }
  return false;
}

// ----- decoder -------------------------------------------------------------------------

AVNDecoder::AVNDecoder(std::istream& is) : buf_(*is.rdbuf()), in_(&buf_) {}

int AVNDecoder::peek() { return skipBlanks(buf_); }

int AVNDecoder::take() {
  skipBlanks(buf_);
  return buf_.sbumpc();
}

std::string AVNDecoder::word() {
  std::string w;
  for (int c = skipBlanks(buf_); !wordEnds(c); c = buf_.snextc()) w += char(c);
  return w;
}

bool AVNDecoder::do_visit(Null&) { return word() == "NULL"; }

bool AVNDecoder::do_visit(BOOLEAN& v) {
  std::string w = word();
  if (w != "TRUE" && w != "FALSE") return false;
  v = w == "TRUE";
  return true;
}

// Read as the printer writes it: unsigned when a lower bound of 0 or more makes it so.
bool AVNDecoder::do_visit(INTEGER& v) {
  std::string w = word();
  unsigned u;
  int i;
  bool ok = v.isUnsigned() ? toNumber(w, u) : toNumber(w, i);
  if (ok) v.setValue(v.isUnsigned() ? int(u) : i);
  return ok;
}

bool AVNDecoder::do_visit(IntegerWithNamedNumber& v) {
  int c = peek();
  if (c == '-' || std::isdigit(c)) return do_visit(static_cast<INTEGER&>(v));
  return v.setFromName(word());
}

bool AVNDecoder::do_visit(ENUMERATED& v) { return v.setFromName(word()); }

// Arcs between braces: numbers, or names with their number in parentheses.
bool AVNDecoder::do_visit(OBJECT_IDENTIFIER& v) {
  if (!expect('{')) return false;
  std::string text;
  for (int c = buf_.sbumpc(); c != '}'; c = buf_.sbumpc()) {
    if (c == End) return false;
    text += char(c);
  }
  std::istringstream tokens(text);
  v.arcs().clear();
  for (std::string token; tokens >> token;) {
    std::string_view number = token;
    std::size_t open = token.find('(');
    if (open != std::string::npos) {
      if (open == 0 || token.back() != ')') return false;
      number = number.substr(open + 1, number.size() - open - 2);
    }
    unsigned arc;
    if (!toNumber(number, arc)) return false;
    v.arcs().push_back(arc);
  }
  return true;
}

bool AVNDecoder::do_visit(BIT_STRING& v) {
  Octets octets;
  unsigned digits;
  if (get_value_from(in_, octets, digits) != 2) return false;
  v.resize(digits);
  v.bytes() = octets;
  return true;
}

bool AVNDecoder::do_visit(OCTET_STRING& v) {
  Octets octets;
  unsigned digits;
  if (get_value_from(in_, octets, digits) != 16) return false;
  v = octets;
  return true;
}

bool AVNDecoder::do_visit(AbstractString& v) {
  std::string text;
  if (!get_string(in_, text)) return false;
  v = text;
  return true;
}

// The printer's form for text the locale cannot write: { {0, 0, row, cell}, ... }.
bool AVNDecoder::parseQuadruples(BMPString& v) {
  if (!expect('{')) return false;
  std::wstring text;
  int c = peek() == '}' ? take() : ',';
  while (c == ',') {
    unsigned q[4];
    if (!expect('{')) return false;
    for (int i = 0; i < 4; ++i)
      if (!toNumber(word(), q[i]) || take() != (i < 3 ? ',' : '}')) return false;
    if (q[0] || q[1] || q[2] > 255 || q[3] > 255) return false;
    text += wchar_t(q[2] * 256 + q[3]);
    c = take();
  }
  if (c != '}') return false;
  v = text;
  return true;
}

bool AVNDecoder::do_visit(BMPString& v) {
  if (peek() == '{') return parseQuadruples(v);
  std::string text;
  if (!get_string(in_, text)) return false;
  std::size_t n = std::mbstowcs(nullptr, text.c_str(), 0);
  if (n == std::size_t(-1)) return false;
  boost::scoped_array<wchar_t> wide(new wchar_t[n + 1]);
  std::mbstowcs(wide.get(), text.c_str(), n + 1);
  v = std::wstring(wide.get(), n);
  return true;
}

bool AVNDecoder::do_visit(GeneralizedTime& v) {
  std::string text;
  return get_string(in_, text) && v.set(text.c_str());
}

bool AVNDecoder::do_visit(CHOICE& v) {
  const ChoiceInfo& info = *v.info();
  unsigned index;
  if (!get_id(info.selectionNames, info.totalCount, word(), index) || !expect(':')) return false;
  if (v.currentSelection() != int(index) && (!v.select(int(index)) || !withinBudget())) return false;
  return v.getSelection()->accept(*this);
}

bool AVNDecoder::do_visit(SEQUENCE_OF_Base& v) {
  if (!expect('{')) return false;
  v.clear();
  if (peek() == '}') {
    take();
    return true;
  }
  for (;;) {
    AbstractData* element = withinBudget() ? v.createElement() : nullptr;
    if (!element) return false;
    v.push_back_owned(element);
    if (!element->accept(*this)) return false;
    int c = take();
    if (c == '}') return true;
    if (c != ',') return false;
  }
}

bool AVNDecoder::do_visit(TypeConstrainedOpenData& v) { return v.has_data() && v.get_data()->accept(*this); }

// Fields come in the type's order, each named; absent optional fields are left out.
int AVNDecoder::preVisitExtensionRoots(SEQUENCE& seq) {
  if (!expect('{')) return FAIL;
  Octets& optional = seq.optionalMap().bytes();
  std::fill(optional.begin(), optional.end(), 0);
  seq.extensionMap().resize(0);
  if (peek() == '}') {
    take();
    return STOP;
  }
  words_.push_back(word());
  return CONTINUE_WITH_EXTENSIONS;
}

bool AVNDecoder::parseField(SEQUENCE& seq, unsigned index, int optId) {
  if (words_.back() != seq.fieldName(index)) return optId != -1;
  if (!seq.info()->fieldInfos[index] || !withinBudget()) return false;
  AbstractData& field = optId != -1 ? seq.includeField(index) : seq.fieldValue(index);
  if (!field.accept(*this)) return false;
  int c = take();
  if (c == ',') {
    words_.back() = word();
    return true;
  }
  words_.back() = "}";
  return c == '}';
}

int AVNDecoder::visitExtensionRoot(SEQUENCE& seq, unsigned index, int optId) {
  return parseField(seq, index, optId) ? CONTINUE : FAIL;
}

int AVNDecoder::visitKnownExtension(SEQUENCE& seq, unsigned index, int optId) {
  return parseField(seq, index, optId) ? CONTINUE_WITH_EXTENSIONS : FAIL;
}

// A word still unread names a field the type does not have.
bool AVNDecoder::visitUnknownExtensions(SEQUENCE&) {
  bool closed = words_.back() == "}";
  words_.pop_back();
  return closed;
}

// ----- entry points --------------------------------------------------------------------

bool AbstractData::get_from(std::istream& is) {
  AVNDecoder parser(is);
  return accept(parser);
}

bool AbstractData::setFromValueNotation(const std::string& text) {
  std::istringstream is(text);
  return get_from(is);
}

std::ios::iostate ExtractorWrapper::do_real_io() {
  std::istream::sentry sentry(is_);  // skips leading blanks
  if (!sentry) return std::ios::goodbit;
  std::ios::iostate state = value_.get_from(is_) ? std::ios::goodbit : std::ios::failbit;
  if (is_.rdbuf()->sgetc() == End) state |= std::ios::eofbit;
  return state;
}

void g_extractor(std::istream& is, AbstractData& value) { ExtractorWrapper(is, value).do_it(is); }

std::istream& operator>>(std::istream& is, AbstractData& value) {
  if (is.good()) g_extractor(is, value);
  return is;
}

}  // namespace ASN1
