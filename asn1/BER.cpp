#include "asn1/BER.h"

#include <algorithm>

namespace ASN1 {

unsigned fieldTag(const SEQUENCE& seq, unsigned index) {
  const SequenceInfo& info = *seq.info();
  if (!info.tags) return ContextSpecificTag | index;
  if (info.tags == SEQUENCE::defaultTag) return info.fieldInfos[index] ? info.fieldInfos[index]->tag : 0;
  return info.tags[index];
}

unsigned alternativeTag(const CHOICE& choice, unsigned index) {
  const ChoiceInfo& info = *choice.info();
  return info.tags ? info.tags[index] : ContextSpecificTag | index;
}

bool CHOICE::setID(unsigned number, unsigned classBits) {
  const InfoType& i = *info();
  if (!i.tags) return classBits == ContextSpecificTag && number < i.totalCount && select(int(number));
  unsigned tag = classBits | number;
  for (unsigned k = 0; k < i.totalCount; ++k)
    if (i.tags[k] == tag && tag != 0) return select(int(k));
  // An untagged first alternative is a CHOICE whose own alternatives carry the tags.
  if (i.totalCount == 0 || i.tags[0] != 0 || !select(0)) return false;
  CHOICE* nested = dynamic_cast<CHOICE*>(getSelection());
  return nested && nested->setID(number, classBits);
}

std::size_t getDataLength(const AbstractData& value) {
  DataLengthCounter counter;
  value.accept(counter);
  return counter.length();
}

std::size_t getObjectLength(const AbstractData& value, unsigned tag) {
  Octets octets;
  BEREncoder encoder(octets, tag);
  value.accept(encoder);
  return octets.size();
}

// ----- encoder -------------------------------------------------------------------------

std::size_t BEREncoder::encodeHeader(const AbstractData& v) {
  unsigned tag = pending_ == NoTag ? v.info()->tag : pending_;
  pending_ = NoTag;
  if (tag == 0) return NoHeader;
  PrimitiveChecker checker;
  unsigned char first = (tag >> 22 & 3) << 6 | (v.accept(checker) ? 0 : 0x20);
  unsigned number = tag & TagNumberMask;
  if (number < 31) {
    out_.push_back(first | number);
  } else {
    out_.push_back(first | 0x1F);
    int digits = 1;
    while (number >> (7 * digits)) ++digits;
    while (digits--) out_.push_back((number >> (7 * digits) & 0x7F) | (digits ? 0x80 : 0));
  }
  return out_.size();
}

// Puts the length octets in front of the contents that start at `contents`.
void BEREncoder::closeHeader(std::size_t contents) {
  if (contents == NoHeader) return;
  std::size_t n = out_.size() - contents;
  unsigned char octets[1 + sizeof n];
  unsigned k = 0;
  if (n < 128) {
    octets[k++] = static_cast<unsigned char>(n);
  } else {
    unsigned bytes = 0;
    for (std::size_t m = n; m; m >>= 8) ++bytes;
    octets[k++] = static_cast<unsigned char>(0x80 | bytes);
    while (bytes) octets[k++] = static_cast<unsigned char>(n >> (8 * --bytes));
  }
  out_.insert(out_.begin() + contents, octets, octets + k);
}

bool BEREncoder::primitive(const AbstractData& v, const unsigned char* data, std::size_t n) {
  std::size_t at = encodeHeader(v);
  out_.insert(out_.end(), data, data + n);
  closeHeader(at);
  return true;
}

bool BEREncoder::encodeInteger(const AbstractData& v, int value) {
  unsigned char octets[4];
  unsigned k = getIntegerDataLength(value);
  for (unsigned i = 0; i < k; ++i) octets[i] = static_cast<unsigned char>(unsigned(value) >> (8 * (k - 1 - i)));
  return primitive(v, octets, k);
}

bool BEREncoder::do_visit(const Null& v) { return primitive(v, nullptr, 0); }

bool BEREncoder::do_visit(const BOOLEAN& v) {
  unsigned char octet = v.getValue() ? 0xFF : 0x00;
  return primitive(v, &octet, 1);
}

bool BEREncoder::do_visit(const INTEGER& v) { return encodeInteger(v, v.getValue()); }
bool BEREncoder::do_visit(const ENUMERATED& v) { return encodeInteger(v, v.getValue()); }

bool BEREncoder::do_visit(const OBJECT_IDENTIFIER& v) {
  Octets octets;
  v.encodeCommon(octets);
  return primitive(v, octets.data(), octets.size());
}

// The count of unused bits in the last octet, then the octets as stored.
bool BEREncoder::do_visit(const BIT_STRING& v) {
  if (!v.complete()) return false;
  Octets octets{static_cast<unsigned char>((8 - v.size() % 8) % 8)};
  octets.insert(octets.end(), v.bytes().begin(), v.bytes().begin() + (v.size() + 7) / 8);
  return primitive(v, octets.data(), octets.size());
}

bool BEREncoder::do_visit(const OCTET_STRING& v) { return primitive(v, v.data(), v.size()); }

bool BEREncoder::do_visit(const AbstractString& v) {
  return primitive(v, reinterpret_cast<const unsigned char*>(v.data()), v.size());
}

bool BEREncoder::do_visit(const BMPString& v) {
  Octets octets;
  for (wchar_t c : static_cast<const std::wstring&>(v)) {
    if (c < 0 || c > 0xFFFF) return false;
    octets.push_back(static_cast<unsigned char>(c >> 8));
    octets.push_back(static_cast<unsigned char>(c));
  }
  return primitive(v, octets.data(), octets.size());
}

bool BEREncoder::do_visit(const GeneralizedTime& v) {
  std::string text = v.get();
  return primitive(v, reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

bool BEREncoder::do_visit(const CHOICE& v) {
  if (!v.isSelected() || unsigned(v.getSelectionID()) >= v.info()->totalCount) return false;
  std::size_t at = encodeHeader(v);
  pending_ = alternativeTag(v, unsigned(v.getSelectionID()));
  if (!v.getSelection()->accept(*this)) return false;
  closeHeader(at);
  return true;
}

bool BEREncoder::do_visit(const OpenData& v) {
  if (!v.has_data() && !v.has_buf()) return false;
  std::size_t at = encodeHeader(v);
  if (v.has_data()) {
    if (!v.get_data()->accept(*this)) return false;
  } else {
    out_.insert(out_.end(), v.get_buf()->begin(), v.get_buf()->end());
  }
  closeHeader(at);
  return true;
}

bool BEREncoder::do_visit(const SEQUENCE_OF_Base& v) {
  std::size_t at = encodeHeader(v);
  for (std::size_t i = 0; i < v.size(); ++i)
    if (!v.at(i).accept(*this)) return false;
  closeHeader(at);
  return true;
}

bool BEREncoder::preVisitExtensionRoots(const SEQUENCE& seq) {
  sequences_.push_back(encodeHeader(seq));
  return true;
}

bool BEREncoder::encodeField(const SEQUENCE& seq, unsigned index) {
  const AbstractData* field = seq.getField(index);
  if (!field) return false;
  pending_ = fieldTag(seq, index);
  return field->accept(*this);
}

bool BEREncoder::afterVisitSequence(const SEQUENCE&) {
  closeHeader(sequences_.back());
  sequences_.pop_back();
  return true;
}

// ----- decoder -------------------------------------------------------------------------

BERDecoder::BERDecoder(const unsigned char* begin, const unsigned char* end, const CoderEnv* env)
    : env_(env), pos_(begin), end_(end) {}

bool BERDecoder::decodeHeader(unsigned& tag, bool& primitive, std::size_t& length) {
  const unsigned char* p = pos_;
  if (p == end_) return false;
  unsigned char first = *p++;
  unsigned number = first & 0x1F;
  if (number == 0x1F) {
    number = 0;
    for (int digits = 0;; ++digits) {
      if (p == end_ || digits == 4) return false;
      number = number << 7 | (*p & 0x7F);
      if (!(*p++ & 0x80)) break;
    }
    if (number > TagNumberMask) return false;
  }
  if (p == end_) return false;
  std::size_t n = *p++;
  if (n & 0x80) {
    // The indefinite form (no octet count) and counts above 4 are not taken.
    std::size_t k = n & 0x7F;
    if (k == 0 || k > 4 || k > std::size_t(end_ - p)) return false;
    for (n = 0; k; --k) n = n << 8 | *p++;
  }
  if (n > std::size_t(end_ - p)) return false;  // before anything of the contents is read
  tag = unsigned(first >> 6) << 22 | number;
  primitive = !(first & 0x20);
  length = n;
  pos_ = p;
  return true;
}

bool BERDecoder::decodeHeader(const AbstractData& value, std::size_t& length) {
  const unsigned char* start = pos_;
  unsigned tag;
  bool primitive;
  if (!decodeHeader(tag, primitive, length)) return false;
  if (tag == value.info()->tag) {
    mismatches_ = 0;
  } else if (mismatches_ > 0) {
    --mismatches_;
  } else {
    pos_ = start;
    return false;
  }
  return true;
}

bool BERDecoder::contents(const AbstractData& v, const unsigned char*& data, std::size_t& n) {
  if (!decodeHeader(v, n)) return false;
  data = pos_;
  pos_ += n;
  return true;
}

bool BERDecoder::decodeInteger(const AbstractData& v, int& value) {
  const unsigned char* data;
  std::size_t n;
  if (!contents(v, data, n) || n == 0 || n > 4) return false;
  unsigned bits = data[0] & 0x80 ? ~0u : 0u;
  for (std::size_t i = 0; i < n; ++i) bits = bits << 8 | data[i];
  value = int(bits);
  return true;
}

bool BERDecoder::do_visit(Null& v) {
  const unsigned char* data;
  std::size_t n;
  return contents(v, data, n);
}

bool BERDecoder::do_visit(BOOLEAN& v) {
  const unsigned char* data;
  std::size_t n;
  if (!contents(v, data, n)) return false;
  if (n) v = data[n - 1] != 0;
  return true;
}

bool BERDecoder::do_visit(INTEGER& v) {
  int value;
  if (!decodeInteger(v, value)) return false;
  v.setValue(value);
  return true;
}

// Signed like INTEGER, so that a negative value comes back as the encoder wrote it.
bool BERDecoder::do_visit(ENUMERATED& v) {
  int value;
  if (!decodeInteger(v, value)) return false;
  v.setValue(value);
  return true;
}

bool BERDecoder::do_visit(OBJECT_IDENTIFIER& v) {
  const unsigned char* data;
  std::size_t n;
  return contents(v, data, n) && v.decodeCommon(data, n);
}

bool BERDecoder::do_visit(OCTET_STRING& v) {
  const unsigned char* data;
  std::size_t n;
  if (!contents(v, data, n) || n > MaximumStringSize) return false;
  v.assign(data, data + n);
  return true;
}

bool BERDecoder::do_visit(BIT_STRING& v) {
  const unsigned char* data;
  std::size_t n;
  if (!contents(v, data, n) || n == 0) return false;
  unsigned unused = data[0];
  if (unused > 7 || (n == 1 && unused != 0) || 8 * (n - 1) - unused > MaximumStringSize) return false;
  v.resize(unsigned(8 * (n - 1) - unused));
  std::copy(data + 1, data + n, v.bytes().begin());
  return true;
}

bool BERDecoder::do_visit(AbstractString& v) {
  const unsigned char* data;
  std::size_t n;
  if (!contents(v, data, n) || n > MaximumStringSize) return false;
  v.assign(reinterpret_cast<const char*>(data), n);
  return true;
}

bool BERDecoder::do_visit(BMPString& v) {
  const unsigned char* data;
  std::size_t n;
  if (!contents(v, data, n) || n % 2 || n / 2 > MaximumStringSize) return false;
  v.resize(n / 2);
  for (std::size_t i = 0; i < n / 2; ++i) v[i] = wchar_t(data[2 * i] << 8 | data[2 * i + 1]);
  return true;
}

bool BERDecoder::do_visit(GeneralizedTime& v) {
  const unsigned char* data;
  std::size_t n;
  return contents(v, data, n) && v.set(std::string(reinterpret_cast<const char*>(data), n).c_str());
}

bool BERDecoder::decodeChoicePreamle(CHOICE& v, const unsigned char*& after) {
  std::size_t n;
  bool wrapped = mismatches_ != 0 || v.info()->tag != 0;  // a tag of its own before the alternative's
  if (wrapped) {
    if (!decodeHeader(v, n)) return false;
    end_ = pos_ + n;
  }
  const unsigned char* alternative = pos_;
  unsigned tag;
  bool primitive;
  if (!decodeHeader(tag, primitive, n)) return false;
  after = wrapped ? end_ : pos_ + n;
  end_ = pos_ + n;
  pos_ = alternative;
  if (!v.setID(tag & TagNumberMask, tag & TagClassMask)) return false;
  mismatches_ = alternativeTag(v, unsigned(v.getSelectionID())) != 0;
  return true;
}

bool BERDecoder::do_visit(CHOICE& v) {
  const unsigned char *start = pos_, *end = end_, *after;
  if (!decodeChoicePreamle(v, after)) {
    pos_ = start;  // a tag that selects nothing is a rejected header
    end_ = end;
    return false;
  }
  bool ok = withinBudget() && v.getSelection()->accept(*this);
  pos_ = after;
  end_ = end;
  return ok;
}

bool BERDecoder::do_visit(SEQUENCE_OF_Base& v) {
  v.clear();
  std::size_t n;
  if (!decodeHeader(v, n)) return false;
  const unsigned char* end = end_;
  end_ = pos_ + n;
  bool ok = true;
  while (ok && pos_ < end_) {
    const unsigned char* start = pos_;
    AbstractData* element = v.size() < MaximumArraySize && withinBudget() ? v.createElement() : nullptr;
    if (element) v.push_back_owned(element);
    ok = element && element->accept(*this) && pos_ > start;
  }
  pos_ = end_;
  end_ = end;
  return ok;
}

bool BERDecoder::openSpan(const OpenData& v, const unsigned char*& begin, const unsigned char*& end) {
  const unsigned char* start = pos_;
  unsigned tag;
  bool primitive;
  std::size_t n;
  if (!decodeHeader(tag, primitive, n)) return false;
  bool own = mismatches_ > 0 || (tag != 0 && tag == v.info()->tag);
  if (!own && v.info()->tag != 0) {
    pos_ = start;
    return false;
  }
  mismatches_ = 0;
  begin = own ? pos_ : start;
  end = pos_ + n;
  pos_ = end;
  return true;
}

bool BERDecoder::decodeWithin(AbstractData& value, const unsigned char* begin, const unsigned char* end) {
  const unsigned char *pos = pos_, *outer = end_;
  pos_ = begin;
  end_ = end;
  mismatches_ = 0;
  bool ok = value.accept(*this);
  pos_ = pos;
  end_ = outer;
  return ok;
}

bool BERDecoder::do_visit(OpenData& v) {
  const unsigned char *begin, *end;
  if (!openSpan(v, begin, end)) return false;
  v.set_buf(Octets(begin, end));
  return true;
}

bool BERDecoder::do_revisit(OpenData& v) {
  if (!v.has_buf() || !v.has_data()) return false;
  const Octets& octets = *v.get_buf();
  BERDecoder inner(octets.data(), octets.data() + octets.size(), env_);
  return v.get_data()->accept(inner);
}

bool BERDecoder::do_visit(TypeConstrainedOpenData& v) {
  if (!v.has_data()) return do_visit(static_cast<OpenData&>(v));
  const unsigned char *begin, *end;
  return openSpan(v, begin, end) && decodeWithin(*v.get_data(), begin, end);
}

int BERDecoder::preVisitExtensionRoots(SEQUENCE& seq) {
  std::size_t n;
  if (!decodeHeader(seq, n)) return FAIL;
  outerEnds_.push_back(end_);
  end_ = pos_ + n;
  return CONTINUE_WITH_EXTENSIONS;
}

// A field is present when the next tag is its own; an optional field that fails before
// any octet of it was taken is absent.
bool BERDecoder::decodeField(SEQUENCE& seq, unsigned index, int optId) {
  bool optional = optId != -1;
  unsigned tag = fieldTag(seq, index);
  bool present = pos_ != end_ && seq.info()->fieldInfos[index];
  if (present && tag != 0) {
    const unsigned char* start = pos_;
    unsigned seen;
    bool primitive;
    std::size_t n;
    if (!decodeHeader(seen, primitive, n)) return false;
    pos_ = start;
    present = seen == tag;
  }
  if (!withinBudget()) return false;
  if (!present) {
    seq.removeOptionalField(optId);
    return optional;
  }
  AbstractData& field = optional ? seq.includeField(index) : seq.fieldValue(index);
  const unsigned char *start = pos_, *end = end_;
  std::size_t depth = outerEnds_.size();
  mismatches_ = seq.info()->tags != SEQUENCE::defaultTag;
  bool ok = field.accept(*this);
  mismatches_ = 0;
  if (ok || !optional || pos_ != start) return ok;
  end_ = end;
  outerEnds_.resize(depth);
  seq.removeOptionalField(optId);
  return true;
}

int BERDecoder::visitExtensionRoot(SEQUENCE& seq, unsigned index, int optId) {
  return decodeField(seq, index, optId) ? CONTINUE : FAIL;
}

int BERDecoder::visitKnownExtension(SEQUENCE& seq, unsigned index, int optId) {
  return decodeField(seq, index, optId) ? CONTINUE_WITH_EXTENSIONS : FAIL;
}

// Additions this type does not know are passed over with the rest of the contents.
bool BERDecoder::visitUnknownExtensions(SEQUENCE&) {
  pos_ = end_;
  end_ = outerEnds_.back();
  outerEnds_.pop_back();
  return true;
}

}  // namespace ASN1
