#pragma once
// BER with definite lengths. Tags come from the descriptors: a SEQUENCE field or a CHOICE
// alternative without a tag table carries the context-specific tag of its index.

#include "asn1/ASN1.h"

namespace ASN1 {

class CoderEnv;

// Tag words: class in bits 22-23, number in bits 0-21.
constexpr unsigned TagNumberMask = 0x3FFFFF;
constexpr unsigned TagClassMask = 0xC00000;
constexpr unsigned ContextSpecificTag = 2u << 22;

// The tag a field of a SEQUENCE and an alternative of a CHOICE go on the wire with; 0 when
// the field's own type is untagged.
unsigned fieldTag(const SEQUENCE& seq, unsigned index);
unsigned alternativeTag(const CHOICE& choice, unsigned index);

// Octets of the contents of a value, and of its whole encoding under `tag` (NoTag: its own).
std::size_t getDataLength(const AbstractData& value);
std::size_t getObjectLength(const AbstractData& value, unsigned tag);

class BEREncoder : public ConstVisitor {
 public:
  static constexpr unsigned NoTag = ~0u;  // the value's own descriptor tag

  // Appends to `out`, which it does not own. The top value goes with `tag`; 0 writes
  // its contents alone.
  explicit BEREncoder(Octets& out, unsigned tag = NoTag) : out_(out), pending_(tag) {}

  using ConstVisitor::do_visit;
  bool do_visit(const Null& v) override;
  bool do_visit(const BOOLEAN& v) override;
  bool do_visit(const INTEGER& v) override;
  bool do_visit(const ENUMERATED& v) override;
  bool do_visit(const OBJECT_IDENTIFIER& v) override;
  bool do_visit(const BIT_STRING& v) override;
  bool do_visit(const OCTET_STRING& v) override;
  bool do_visit(const AbstractString& v) override;
  bool do_visit(const BMPString& v) override;
  bool do_visit(const CHOICE& v) override;
  bool do_visit(const OpenData& v) override;
  bool do_visit(const GeneralizedTime& v) override;
  bool do_visit(const SEQUENCE_OF_Base& v) override;
  bool preVisitExtensionRoots(const SEQUENCE& seq) override;
  bool visitExtensionRoot(const SEQUENCE& seq, unsigned index) override { return encodeField(seq, index); }
  bool visitKnownExtension(const SEQUENCE& seq, unsigned index) override { return encodeField(seq, index); }
  bool afterVisitSequence(const SEQUENCE& seq) override;

 private:
  static constexpr std::size_t NoHeader = ~std::size_t(0);
  // The header of a value under the pending tag (none when that tag is 0): its identifier
  // octets now, its length octets by closeHeader once its contents are written, so that
  // the contents are encoded once. Returns where the contents start, or NoHeader.
  std::size_t encodeHeader(const AbstractData& v);
  void closeHeader(std::size_t contents);
  bool primitive(const AbstractData& v, const unsigned char* data, std::size_t n);
  bool encodeInteger(const AbstractData& v, int value);
  bool encodeField(const SEQUENCE& seq, unsigned index);

  Octets& out_;
  unsigned pending_;
  std::vector<std::size_t> sequences_;  // contents start of each SEQUENCE being written
};

// Counts the contents octets of a value: its encoding without its own header.
class DataLengthCounter : public BEREncoder {
 public:
  DataLengthCounter() : BEREncoder(octets_, 0) {}
  std::size_t length() const { return octets_.size(); }

 private:
  Octets octets_;
};

// Whether a value's encoding is primitive: lists and SEQUENCEs are constructed, a CHOICE
// or an open type is what its held value is.
class PrimitiveChecker : public ConstVisitor {
 public:
  using ConstVisitor::do_visit;
  bool do_visit(const CHOICE& v) override { return !v.getSelection() || v.getSelection()->accept(*this); }
  bool do_visit(const OpenData& v) override { return !v.has_data() || v.get_data()->accept(*this); }
  bool do_visit(const SEQUENCE_OF_Base&) override { return false; }
  bool preVisitExtensionRoots(const SEQUENCE&) override { return false; }
};

class BERDecoder : public Visitor {
 public:
  // Reads [begin, end), which it does not own. `env` goes on to the decoders of held
  // open-type values.
  BERDecoder(const unsigned char* begin, const unsigned char* end, const CoderEnv* env = nullptr);

  // Reads identifier and length octets; the contents must lie within the input.
  bool decodeHeader(unsigned& tag, bool& primitive, std::size_t& length);
  // The same for a value, whose tag it must carry unless a mismatch is accepted; a rejected
  // header leaves the position where it was.
  bool decodeHeader(const AbstractData& value, std::size_t& length);
  // Selects the alternative from the tags ahead and bounds the input to its octets;
  // `after` is where the CHOICE's octets end.
  bool decodeChoicePreamle(CHOICE& v, const unsigned char*& after);

  bool do_visit(Null& v) override;
  bool do_visit(BOOLEAN& v) override;
  bool do_visit(INTEGER& v) override;
  bool do_visit(ENUMERATED& v) override;
  bool do_visit(OBJECT_IDENTIFIER& v) override;
  bool do_visit(OCTET_STRING& v) override;
  bool do_visit(BIT_STRING& v) override;
  bool do_visit(AbstractString& v) override;
  bool do_visit(BMPString& v) override;
  bool do_visit(CHOICE& v) override;
  bool do_visit(SEQUENCE_OF_Base& v) override;
  bool do_visit(OpenData& v) override;
  bool do_revisit(OpenData& v) override;
  bool do_visit(TypeConstrainedOpenData& v) override;
  bool do_visit(GeneralizedTime& v) override;
  int preVisitExtensionRoots(SEQUENCE& seq) override;
  int visitExtensionRoot(SEQUENCE& seq, unsigned index, int optId) override;
  int visitKnownExtension(SEQUENCE& seq, unsigned index, int optId) override;
  bool visitUnknownExtensions(SEQUENCE& seq) override;

 private:
  // The contents of a value: its header checked, then `n` octets at `data`, passed over.
  bool contents(const AbstractData& v, const unsigned char*& data, std::size_t& n);
  bool decodeInteger(const AbstractData& v, int& value);
  bool decodeField(SEQUENCE& seq, unsigned index, int optId);
  // The octets an open type holds: the contents under its own tag, or, untagged, the
  // whole encoding that follows.
  bool openSpan(const OpenData& v, const unsigned char*& begin, const unsigned char*& end);
  // Decodes `value` from [begin, end) and comes back to where it was.
  bool decodeWithin(AbstractData& value, const unsigned char* begin, const unsigned char* end);
  bool withinBudget() const { return budget_.allows(); }

  const CoderEnv* env_;
  const unsigned char* pos_;
  const unsigned char* end_;                     // end of the value being decoded
  std::vector<const unsigned char*> outerEnds_;  // one per SEQUENCE being decoded
  unsigned mismatches_ = 0;                      // tags to accept in place of a value's own
  ValueBudget budget_;
};

}  // namespace ASN1
