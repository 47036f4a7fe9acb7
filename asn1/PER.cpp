#include "asn1/PER.h"

#include <algorithm>

namespace ASN1 {

namespace {
constexpr unsigned Unbounded = 2147483647;  // upper bound of an unconstrained length

// True when a size or value of kind 3 lies outside its root range: above ub compared
// unsigned, or below lb compared signed when lb is negative and unsigned otherwise. A
// negative value of a range with a negative lb is thus above ub and goes as unconstrained.
bool outsideRoot(const ConstrainedInfo& c, unsigned number) {
  bool below = c.lowerLimit < 0 ? int(number) < c.lowerLimit : number < unsigned(c.lowerLimit);
  return below || number > c.upperLimit;
}

// Characters go one by one in `w` bits, as their own code or as their index in the set.
bool ownCodes(const StringInfo& s, unsigned w) { return s.canonicalSetBits <= w && s.canonicalSetBits > 4; }

// Whether the characters of a string of n characters follow its length without alignment.
bool packedCharacters(const ConstrainedInfo& c, unsigned n, unsigned bitsPerChar) {
  bool bounded = c.type == FixedConstraint || (c.type == ExtendableConstraint && !outsideRoot(c, n));
  return bounded && std::uint64_t(c.upperLimit) * bitsPerChar <= 16;
}

// Number of extension-map bits the encoder writes: up to the last addition present with a
// value. A bit without a value behind it never goes on the wire.
unsigned extensionsToWrite(const SEQUENCE& seq) {
  const SequenceInfo& info = *seq.info();
  if (!info.extendable) return 0;
  unsigned n = 0;
  for (unsigned i = info.rootCount; i < seq.fieldCount(); ++i)
    if (seq.isPresent(i) && seq.getField(i)) n = i - info.rootCount + 1;
  return n;
}
}  // namespace

// ----- encoder -------------------------------------------------------------------------

void PEREncoder::encodeMultiBit(unsigned value, unsigned bits) {
  while (bits) {
    if (bitsFree_ == 8) out_.push_back(0);
    unsigned take = std::min(bits, bitsFree_);
    unsigned chunk = (value >> (bits - take)) & ((1u << take) - 1);
    out_.back() |= chunk << (bitsFree_ - take);
    bitsFree_ -= take;
    bits -= take;
    if (bitsFree_ == 0) bitsFree_ = 8;
  }
}

void PEREncoder::encodeBitMap(const Octets& map, unsigned bits) {
  for (unsigned i = 0; i < bits; ++i) encodeSingleBit(i / 8 < map.size() && (map[i / 8] & (0x80 >> (i % 8))));
}

void PEREncoder::encodeBlock(const unsigned char* data, std::size_t n) {
  if (n == 0) return;
  byteAlign();
  out_.insert(out_.end(), data, data + n);
}

bool PEREncoder::encodeUnsigned(unsigned value, int lb, unsigned ub) {
  unsigned offset = value - unsigned(lb), span = ub - unsigned(lb);
  if (offset > span) return false;
  if (span == 0) return true;
  unsigned range = span + 1;  // 0 stands for 2^32
  if (range != 0 && range <= 255) {
    encodeMultiBit(offset, CountBits(range));
  } else if (range == 256) {
    byteAlign();
    encodeMultiBit(offset, 8);
  } else if (range != 0 && range <= 65536) {
    byteAlign();
    encodeMultiBit(offset, 16);
  } else {
    unsigned maxOctets = (CountBits(range) + 7) / 8;
    unsigned k = offset == 0 ? 1 : (CountBits(offset + 1) + 7) / 8;
    encodeMultiBit(k - 1, CountBits(maxOctets));
    byteAlign();
    encodeMultiBit(offset, 8 * k);
  }
  return true;
}

bool PEREncoder::encodeLength(std::size_t n, int lb, unsigned ub) {
  if ((long long)n < lb || n > ub) return false;
  if (ub <= 65535) return encodeUnsigned(unsigned(n), lb, ub);
  byteAlign();
  if (n <= 127) {
    encodeMultiBit(unsigned(n), 8);
  } else if (n <= 16383) {
    encodeMultiBit(0x8000 | unsigned(n), 16);
  } else {
    return false;  // lengths of 16384 or more are not coded
  }
  return true;
}

void PEREncoder::encodeSmallUnsigned(unsigned n) {
  if (n <= 63) {
    encodeMultiBit(n, 7);
    return;
  }
  encodeSingleBit(true);
  unsigned k = n < 0x100 ? 1 : n < 0x10000 ? 2 : n < 0x1000000 ? 3 : 4;
  encodeLength(k, 0, Unbounded);
  encodeMultiBit(n, 8 * k);
}

bool PEREncoder::encodeConstraint(const ConstrainedInfo& c, unsigned number) {
  if (c.type == FixedConstraint) return false;
  if (c.type != ExtendableConstraint) return true;
  bool outside = outsideRoot(c, number);
  encodeSingleBit(outside);
  return outside;
}

bool PEREncoder::encodeConstrainedLength(const ConstrainedObject& o, std::size_t size) {
  const ConstrainedInfo& c = *o.info();
  if (encodeConstraint(c, unsigned(size))) return encodeLength(size, 0, Unbounded);
  return encodeLength(size, c.lowerLimit, c.upperLimit);
}

bool PEREncoder::encodeOpenOctets(const Octets& octets) {
  static const unsigned char empty = 0;  // an open type that writes no bits is one octet 0
  const unsigned char* data = octets.empty() ? &empty : octets.data();
  std::size_t n = octets.empty() ? 1 : octets.size();
  if (!encodeLength(n, 0, Unbounded)) return false;
  encodeBlock(data, n);
  return true;
}

bool PEREncoder::encodeAnyType(const AbstractData* value) {
  Octets inner;
  inner.reserve(256);
  PEREncoder sub(inner);
  if (value && !value->accept(sub)) return false;
  return encodeOpenOctets(inner);
}

bool PEREncoder::encodeUnconstrainedInteger(int value) {
  unsigned k = getIntegerDataLength(value);
  if (!encodeLength(k, 0, Unbounded)) return false;
  encodeMultiBit(unsigned(value), 8 * k);
  return true;
}

bool PEREncoder::do_visit(const BOOLEAN& v) {
  encodeSingleBit(v.getValue());
  return true;
}

bool PEREncoder::do_visit(const INTEGER& v) {
  const ConstrainedInfo& c = *v.info();
  if (encodeConstraint(c, v.getUnsignedValue())) return encodeUnconstrainedInteger(v.getValue());
  return encodeUnsigned(v.getUnsignedValue(), c.lowerLimit, c.upperLimit);
}

// An ENUMERATED is coded by its value, not its index in the name list.
bool PEREncoder::do_visit(const ENUMERATED& v) {
  int value = v.getValue();
  if (value < 0) return false;
  if (v.extendable()) {
    bool extension = value > v.getMaximum();
    encodeSingleBit(extension);
    if (extension) {
      encodeSmallUnsigned(unsigned(value) + 1);
      return encodeUnsigned(unsigned(value), 0, unsigned(value));
    }
  }
  return v.getMaximum() >= 0 && encodeUnsigned(unsigned(value), 0, unsigned(v.getMaximum()));
}

bool PEREncoder::do_visit(const OBJECT_IDENTIFIER& v) {
  Octets contents;
  v.encodeCommon(contents);
  if (!encodeUnsigned(unsigned(contents.size()), 0, 255)) return false;
  encodeBlock(contents.data(), contents.size());
  return true;
}

bool PEREncoder::do_visit(const BIT_STRING& v) {
  if (!v.complete() || !encodeConstrainedLength(v, v.size())) return false;
  if (v.size() <= 16) {
    encodeBitMap(v.bytes(), v.size());
  } else {
    encodeBlock(v.bytes().data(), (v.size() + 7) / 8);
  }
  return true;
}

// One or two octets go unaligned; three or more as one aligned block.
bool PEREncoder::do_visit(const OCTET_STRING& v) {
  if (!encodeConstrainedLength(v, v.size())) return false;
  if (v.size() <= 2) {
    for (unsigned char c : static_cast<const Octets&>(v)) encodeMultiBit(c, 8);
  } else {
    encodeBlock(v.data(), v.size());
  }
  return true;
}

bool PEREncoder::do_visit(const AbstractString& v) {
  const StringInfo& s = *v.info();
  unsigned n = unsigned(v.size()), w = s.alignedSetBits;
  if (!encodeConstrainedLength(v, n)) return false;
  if (!packedCharacters(s, n, w)) {
    if (w == 8) {
      encodeBlock(reinterpret_cast<const unsigned char*>(v.data()), n);
      return true;
    }
    byteAlign();
  }
  const unsigned char* set = reinterpret_cast<const unsigned char*>(s.characterSet);
  for (unsigned char c : static_cast<const std::string&>(v)) {
    if (ownCodes(s, w)) {
      encodeMultiBit(c, w);
      continue;
    }
    const unsigned char* at = std::lower_bound(set, set + s.characterSetSize, c);
    if (at == set + s.characterSetSize || *at != c) return false;
    encodeMultiBit(unsigned(at - set), w);
  }
  return true;
}

bool PEREncoder::do_visit(const BMPString& v) {
  const BMPStringInfo& s = *v.info();
  unsigned n = unsigned(v.size());
  if (!encodeConstrainedLength(v, n)) return false;
  if (!packedCharacters(s, n, 16)) byteAlign();
  for (wchar_t c : static_cast<const std::wstring&>(v)) {
    unsigned code = unsigned(c) - s.firstChar;
    if (code > 0xFFFF || !v.legalCharacter(c)) return false;
    encodeMultiBit(code, 16);
  }
  return true;
}

bool PEREncoder::do_visit(const CHOICE& v) {
  if (!v.isSelected()) return false;
  const ChoiceInfo& info = *v.info();
  unsigned index = unsigned(v.getSelectionID());
  if (index >= info.totalCount) return false;
  if (info.extendable) {
    bool extension = index >= info.rootCount;
    encodeSingleBit(extension);
    if (extension) {
      encodeSmallUnsigned(index - info.rootCount);
      return encodeAnyType(v.getSelection());
    }
  } else if (index >= info.rootCount) {
    return false;
  }
  return encodeUnsigned(index, 0, info.rootCount - 1) && v.getSelection()->accept(*this);
}

bool PEREncoder::do_visit(const OpenData& v) {
  if (v.has_data()) return encodeAnyType(v.get_data());
  return v.has_buf() && encodeOpenOctets(*v.get_buf());
}

bool PEREncoder::do_visit(const GeneralizedTime& v) {
  std::string text = v.get();
  if (!encodeLength(text.size(), 0, Unbounded)) return false;
  encodeBlock(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  return true;
}

bool PEREncoder::do_visit(const SEQUENCE_OF_Base& v) {
  if (!encodeConstrainedLength(v, v.size())) return false;
  for (std::size_t i = 0; i < v.size(); ++i)
    if (!v.at(i).accept(*this)) return false;
  return true;
}

bool PEREncoder::preVisitExtensionRoots(const SEQUENCE& seq) {
  const SequenceInfo& info = *seq.info();
  if (info.extendable) encodeSingleBit(extensionsToWrite(seq) > 0);
  encodeBitMap(seq.optionalMap().bytes(), info.optionalCount);
  return true;
}

bool PEREncoder::visitExtensionRoot(const SEQUENCE& seq, unsigned index) {
  const AbstractData* field = seq.getField(index);
  return field && field->accept(*this);
}

bool PEREncoder::preVisitExtensions(const SEQUENCE& seq) {
  unsigned n = extensionsToWrite(seq);
  if (n == 0) return true;
  encodeSmallUnsigned(n - 1);
  unsigned root = seq.info()->rootCount;
  for (unsigned j = 0; j < n; ++j) encodeSingleBit(seq.isPresent(root + j) && seq.getField(root + j));
  return true;
}

bool PEREncoder::visitKnownExtension(const SEQUENCE& seq, unsigned index) {
  return !seq.info()->extendable || encodeAnyType(seq.getField(index));
}

// ----- decoder -------------------------------------------------------------------------

PERDecoder::PERDecoder(const unsigned char* begin, const unsigned char* end, const CoderEnv* env)
    : env_(env), begin_(begin), pos_(begin), end_(end) {}

PERDecoder::PERDecoder(const PERDecoder& parent, const unsigned char* begin, const unsigned char* end)
    : env_(parent.env_), begin_(begin), pos_(begin), end_(end), budget_(parent.budget_) {}

std::size_t PERDecoder::getBitsLeft() const { return pos_ < end_ ? (end_ - pos_) * 8 - (8 - bitsLeft_) : 0; }

void PERDecoder::setPosition(const unsigned char* octet) {
  pos_ = std::min(octet, end_);
  bitsLeft_ = 8;
}

void PERDecoder::byteAlign() {
  if (bitsLeft_ != 8) {
    ++pos_;
    bitsLeft_ = 8;
  }
}

bool PERDecoder::decodeSingleBit() {
  unsigned bit = 0;
  return decodeMultiBit(1, bit) && bit;
}

bool PERDecoder::decodeExtensionBit(bool extensible, bool& bit) {
  if (extensible && atEnd()) return false;
  bit = extensible && decodeSingleBit();
  return true;
}

bool PERDecoder::decodeMultiBit(unsigned bits, unsigned& value) {
  if (bits > 32 || bits > getBitsLeft()) return false;
  std::uint64_t v = 0;
  while (bits) {
    unsigned take = std::min(bits, bitsLeft_);
    v = (v << take) | ((*pos_ >> (bitsLeft_ - take)) & ((1u << take) - 1));
    bitsLeft_ -= take;
    bits -= take;
    if (bitsLeft_ == 0) {
      ++pos_;
      bitsLeft_ = 8;
    }
  }
  value = unsigned(v);
  return true;
}

bool PERDecoder::decodeBitMap(SEQUENCE::BitMap& map, unsigned bits) {
  if (bits > getBitsLeft()) return false;
  map.resize(bits);
  for (unsigned i = 0; i < bits; ++i)
    if (decodeSingleBit()) map.set(i); else map.clear(i);
  return true;
}

bool PERDecoder::decodeBlock(unsigned char* dest, std::size_t n) {
  if (n == 0) return true;
  byteAlign();
  if (n > octetsLeft()) return false;
  std::copy(pos_, pos_ + n, dest);
  pos_ += n;
  return true;
}

bool PERDecoder::decodeUnsigned(int lb, unsigned ub, unsigned& value) {
  unsigned span = ub - unsigned(lb), offset = 0;
  if (span == 0) {
    value = unsigned(lb);
    return true;
  }
  unsigned range = span + 1;
  bool ok;
  if (range != 0 && range <= 255) {
    ok = decodeMultiBit(CountBits(range), offset);
  } else if (range == 256 || (range != 0 && range <= 65536)) {
    byteAlign();
    ok = decodeMultiBit(range == 256 ? 8 : 16, offset);
  } else {
    unsigned maxOctets = (CountBits(range) + 7) / 8, k;
    ok = decodeMultiBit(CountBits(maxOctets), k);
    byteAlign();
    ok = ok && decodeMultiBit(8 * (k + 1), offset);
  }
  value = unsigned(lb) + offset;
  return ok;
}

bool PERDecoder::decodeLength(int lb, unsigned ub, unsigned& n) {
  if (ub <= 65535) return decodeUnsigned(lb, ub, n);
  byteAlign();
  if (atEnd()) return false;
  if (!decodeSingleBit()) return decodeMultiBit(7, n);
  return !decodeSingleBit() && decodeMultiBit(14, n);  // a second bit 1 is not a length
}

bool PERDecoder::decodeSmallUnsigned(unsigned& n) {
  if (atEnd()) return false;
  if (!decodeSingleBit()) return decodeMultiBit(6, n);
  unsigned k;
  if (!decodeLength(0, Unbounded, k) || k > 4) return false;
  byteAlign();
  return decodeMultiBit(8 * k, n);
}

bool PERDecoder::decodeConstrainedLength(const ConstrainedObject& o, unsigned& n) {
  const ConstrainedInfo& c = *o.info();
  bool extension;
  if (!decodeExtensionBit(c.type == ExtendableConstraint, extension)) return false;
  // Kinds 0 and 1 code as unconstrained, kind 3 when its extension bit is set.
  bool unconstrained = c.type == ExtendableConstraint ? extension : c.type != FixedConstraint;
  return unconstrained ? decodeLength(0, Unbounded, n) : decodeLength(c.lowerLimit, c.upperLimit, n);
}

bool PERDecoder::decodeLengthSpan(const unsigned char*& end) {
  unsigned n;
  if (!decodeLength(0, Unbounded, n) || n > octetsLeft()) return false;
  end = pos_ + n;
  return true;
}

bool PERDecoder::decodeOpenOctets(Octets& octets) {
  const unsigned char* end;
  if (!decodeLengthSpan(end)) return false;
  octets.assign(pos_, end);
  setPosition(end);
  return true;
}

bool PERDecoder::decodeUpTo(AbstractData* value, const unsigned char* end) {
  if (value) {
    PERDecoder inner(*this, pos_, end);
    if (!value->accept(inner)) return false;
  }
  setPosition(end);
  return true;
}

bool PERDecoder::decodeOpenType(AbstractData* value) {
  const unsigned char* end;
  return decodeLengthSpan(end) && decodeUpTo(value, end);
}

bool PERDecoder::do_visit(BOOLEAN& v) {
  if (atEnd()) return false;
  v = decodeSingleBit();
  return true;
}

bool PERDecoder::do_visit(INTEGER& v) {
  const ConstrainedInfo& c = *v.info();
  unsigned value;
  bool extension;
  if (!decodeExtensionBit(c.type == ExtendableConstraint, extension)) return false;
  bool constrained = c.type == FixedConstraint || (c.type == ExtendableConstraint && !extension);
  if (constrained) {
    if (!decodeUnsigned(c.lowerLimit, c.upperLimit, value)) return false;
    v.setValue(int(value));
    return true;
  }
  unsigned k;
  if (!decodeLength(0, Unbounded, k) || k > 4) return false;
  value = 0;
  if (k && !decodeMultiBit(8 * k, value)) return false;
  if (c.type == Unconstrained && k && k < 4 && (value & (1u << (8 * k - 1)))) value |= ~0u << (8 * k);
  v.setValue(int(value));
  return true;
}

bool PERDecoder::do_visit(ENUMERATED& v) {
  unsigned value;
  bool extension;
  if (!decodeExtensionBit(v.extendable(), extension)) return false;
  if (extension) {
    unsigned m;
    if (!decodeSmallUnsigned(m) || m == 0 || !decodeUnsigned(0, m - 1, value) || value > unsigned(INT_MAX))
      return false;  // octet counts can carry more than 0..m-1: never a negative value
  } else if (v.getMaximum() < 0 || !decodeUnsigned(0, unsigned(v.getMaximum()), value) || value > unsigned(INT_MAX)) {
    return false;
  }
  v.setValue(int(value));
  return true;
}

bool PERDecoder::do_visit(OBJECT_IDENTIFIER& v) {
  unsigned n;
  if (!decodeUnsigned(0, 255, n)) return false;
  byteAlign();
  if (n > octetsLeft()) return false;
  bool ok = v.decodeCommon(pos_, n);
  pos_ += n;
  return ok;
}

bool PERDecoder::do_visit(OCTET_STRING& v) {
  unsigned n;
  if (!decodeConstrainedLength(v, n) || n > MaximumStringSize) return false;
  if (n <= 2) {
    if (n * 8 > getBitsLeft()) return false;
    v.resize(n);
    for (unsigned i = 0, octet = 0; i < n; ++i) v[i] = (decodeMultiBit(8, octet), octet);
    return true;
  }
  byteAlign();
  if (n > octetsLeft()) return false;
  v.assign(pos_, pos_ + n);
  pos_ += n;
  return true;
}

bool PERDecoder::do_visit(BIT_STRING& v) {
  unsigned n;
  if (!decodeConstrainedLength(v, n) || n > MaximumStringSize) return false;
  if (n > 16) byteAlign();
  if (n > getBitsLeft()) return false;
  v.resize(n);
  if (n > 16) return decodeBlock(v.bytes().data(), (n + 7) / 8);
  for (unsigned i = 0; i < n; ++i) v.set(i, decodeSingleBit());
  return true;
}

bool PERDecoder::decodeCharacters(AbstractString& v, unsigned n) {
  const StringInfo& s = *v.info();
  unsigned w = s.alignedSetBits;
  if (!packedCharacters(s, n, w)) {
    if (w == 8) {  // one block of raw octets, as the encoder writes it: nothing at all for none
      if (std::uint64_t(n) * 8 > getBitsLeft()) return false;
      v.resize(n);
      return decodeBlock(reinterpret_cast<unsigned char*>(v.data()), n);
    }
    byteAlign();
  }
  if (std::uint64_t(n) * w > getBitsLeft()) return false;
  v.resize(n);
  for (unsigned i = 0, code = 0; i < n; ++i) {
    decodeMultiBit(w, code);
    if (!ownCodes(s, w)) {
      if (code >= s.characterSetSize) return false;
      code = static_cast<unsigned char>(s.characterSet[code]);
    }
    v[i] = char(code);
  }
  return true;
}

bool PERDecoder::do_visit(AbstractString& v) {
  unsigned n;
  return decodeConstrainedLength(v, n) && n <= MaximumStringSize && decodeCharacters(v, n);
}

bool PERDecoder::do_visit(BMPString& v) {
  unsigned n;
  if (!decodeConstrainedLength(v, n) || n > MaximumStringSize) return false;
  if (!packedCharacters(*v.info(), n, 16)) byteAlign();
  if (std::uint64_t(n) * 16 > getBitsLeft()) return false;
  v.resize(n);
  for (unsigned i = 0, code = 0; i < n; ++i) v[i] = wchar_t((decodeMultiBit(16, code), code) + v.info()->firstChar);
  return true;
}

bool PERDecoder::decodeChoicePreamle(CHOICE& v, memento_type& resume) {
  const ChoiceInfo& info = *v.info();
  bool extension;
  if (atEnd() || !decodeExtensionBit(info.extendable, extension)) return false;
  unsigned index;
  resume = memento_type();
  if (extension) {
    // Compared before adding: a huge received number never wraps into a valid index.
    if (!decodeSmallUnsigned(index) || index >= info.totalCount - info.rootCount) return false;
    index += info.rootCount;
    if (!decodeLengthSpan(resume.octet)) return false;
  } else if (info.rootCount == 0 || !decodeUnsigned(0, info.rootCount - 1, index) || index >= info.rootCount) {
    return false;
  }
  return v.currentSelection() == int(index) || (v.select(int(index)) && withinBudget());
}

bool PERDecoder::do_visit(CHOICE& v) {
  memento_type resume;
  if (!decodeChoicePreamle(v, resume)) return false;
  AbstractData* value = v.getSelection();
  if (!value) return false;
  return resume ? decodeUpTo(value, resume.octet) : value->accept(*this);
}

bool PERDecoder::do_visit(SEQUENCE_OF_Base& v) {
  unsigned n;
  if (!decodeConstrainedLength(v, n) || n > MaximumArraySize) return false;
  if (v.size() > n) v.resize(n);
  for (unsigned i = 0; i < n; ++i) {
    if (i == v.size()) {
      AbstractData* element = v.createElement();
      if (!element) return false;
      v.push_back_owned(element);
    }
    if (!withinBudget() || !v.at(i).accept(*this)) {
      v.erase(i, v.size());
      return false;
    }
  }
  return true;
}

bool PERDecoder::do_visit(OpenData& v) {
  Octets octets;
  if (!decodeOpenOctets(octets)) return false;
  v.set_buf(octets);
  return true;
}

bool PERDecoder::do_revisit(OpenData& v) {
  if (!v.has_buf() || !v.has_data()) return false;
  const Octets& octets = *v.get_buf();
  PERDecoder inner(octets.data(), octets.data() + octets.size(), env_);
  return v.get_data()->accept(inner);
}

bool PERDecoder::do_visit(TypeConstrainedOpenData& v) {
  if (!v.has_data()) return do_visit(static_cast<OpenData&>(v));
  return decodeOpenType(v.get_data());
}

bool PERDecoder::do_visit(GeneralizedTime& v) {
  const unsigned char* end;
  if (!decodeLengthSpan(end)) return false;
  std::string text(pos_, end);
  setPosition(end);
  return v.set(text.c_str());
}

int PERDecoder::preVisitExtensionRoots(SEQUENCE& seq) {
  const SequenceInfo& info = *seq.info();
  bool extension;
  if (!decodeExtensionBit(info.extendable, extension)) return FAIL;
  if (!decodeBitMap(seq.optionalMap(), info.optionalCount)) return FAIL;
  if (extension) return CONTINUE_WITH_EXTENSIONS;
  seq.extensionMap().resize(0);
  return CONTINUE;
}

int PERDecoder::visitExtensionRoot(SEQUENCE& seq, unsigned index, int optId) {
  if (optId != -1 && !seq.hasOptionalField(optId)) return CONTINUE;
  if (!seq.info()->fieldInfos[index]) return FAIL;
  AbstractData& field = seq.fieldValue(index);
  return withinBudget() && field.accept(*this) ? CONTINUE : FAIL;
}

int PERDecoder::preVisitExtensions(SEQUENCE& seq) {
  unsigned last;
  // Compared before adding one: a huge count never wraps.
  if (!decodeSmallUnsigned(last) || last >= MaximumArraySize) return FAIL;
  return decodeBitMap(seq.extensionMap(), last + 1) ? CONTINUE_WITH_EXTENSIONS : FAIL;
}

int PERDecoder::visitKnownExtension(SEQUENCE& seq, unsigned index, int) {
  unsigned j = index - seq.info()->rootCount;
  if (!seq.extensionMap()[j]) return CONTINUE_WITH_EXTENSIONS;
  AbstractData* field = nullptr;
  if (seq.info()->fieldInfos[index]) {
    field = &seq.fieldValue(index);
    if (!withinBudget()) return FAIL;
  }
  return decodeOpenType(field) ? CONTINUE_WITH_EXTENSIONS : FAIL;
}

bool PERDecoder::visitUnknownExtensions(SEQUENCE& seq) {
  for (unsigned j = seq.info()->extensionCount; j < seq.extensionMap().size(); ++j)
    if (seq.extensionMap()[j] && !decodeOpenType(nullptr)) return false;
  return true;
}

}  // namespace ASN1
