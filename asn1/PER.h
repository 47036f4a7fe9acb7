#pragma once
// Aligned PER: the encoder and the decoder of every message on the control connection.
// Both read everything they need from the type descriptors; no code per type.

#include "asn1/ASN1.h"

namespace ASN1 {

class CoderEnv;

class PEREncoder : public ConstVisitor {
 public:
  // Appends to `out`, which it does not own; the octets already there stay.
  explicit PEREncoder(Octets& out) : out_(out) {}

  void encodeSingleBit(bool bit) { encodeMultiBit(bit, 1); }
  void encodeMultiBit(unsigned value, unsigned bits);
  void encodeBitMap(const Octets& map, unsigned bits);
  void encodeBlock(const unsigned char* data, std::size_t n);
  void encodeByte(unsigned char octet) { encodeBlock(&octet, 1); }
  bool encodeUnsigned(unsigned value, int lb, unsigned ub);
  bool encodeLength(std::size_t n, int lb, unsigned ub);
  void encodeSmallUnsigned(unsigned n);
  bool encodeConstrainedLength(const ConstrainedObject& o, std::size_t size);
  bool encodeAnyType(const AbstractData* value);
  void byteAlign() { bitsFree_ = 8; }

  using ConstVisitor::do_visit;
  bool do_visit(const Null&) override { return true; }
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
  bool visitExtensionRoot(const SEQUENCE& seq, unsigned index) override;
  bool preVisitExtensions(const SEQUENCE& seq) override;
  bool visitKnownExtension(const SEQUENCE& seq, unsigned index) override;

 private:
  // Writes the extension bit of an extensible constraint; true when `number` is then
  // coded as unconstrained.
  bool encodeConstraint(const ConstrainedInfo& c, unsigned number);
  bool encodeUnconstrainedInteger(int value);
  bool encodeOpenOctets(const Octets& octets);

  Octets& out_;
  unsigned bitsFree_ = 8;  // free low bits of the last octet; 8 = no open octet
};

class PERDecoder : public Visitor {
 public:
  // Reads [begin, end), which it does not own. `env` goes on to the decoders of held
  // open-type values.
  PERDecoder(const unsigned char* begin, const unsigned char* end, const CoderEnv* env = nullptr);

  // Where decoding resumes after a CHOICE alternative that came as an open type: the octet
  // after the open type (bit count 8 there). Empty: on from where the alternative ends.
  struct memento_type {
    const unsigned char* octet = nullptr;
    explicit operator bool() const { return octet != nullptr; }
  };

  // One bit; 0 at the end of the input, where it consumes nothing. A caller to which a
  // missing bit is an error checks the end first.
  bool decodeSingleBit();
  // `bits` bits (0..32) into `value`; false when fewer are left.
  bool decodeMultiBit(unsigned bits, unsigned& value);
  bool decodeBitMap(SEQUENCE::BitMap& map, unsigned bits);
  // Aligns and copies `n` octets, as encodeBlock writes them: nothing at all for 0.
  bool decodeBlock(unsigned char* dest, std::size_t n);
  bool decodeUnsigned(int lb, unsigned ub, unsigned& value);
  bool decodeLength(int lb, unsigned ub, unsigned& n);
  bool decodeSmallUnsigned(unsigned& n);
  bool decodeConstrainedLength(const ConstrainedObject& o, unsigned& n);
  // The extension bit and index of a CHOICE; selects that alternative. For an extension
  // alternative `resume` is where its open type ends. Fails at the end of the input, even
  // where the index takes no bits.
  bool decodeChoicePreamle(CHOICE& v, memento_type& resume);
  void byteAlign();
  std::size_t getBitsLeft() const;
  // Moves to `octet` (at most the end of the input), at an octet boundary.
  void setPosition(const unsigned char* octet);
  std::size_t octetsLeft() const { return pos_ < end_ ? end_ - pos_ : 0; }
  // Position after the outermost value, in octets from the start (a partial octet counts).
  std::size_t consumed() const { return (pos_ - begin_) + (bitsLeft_ != 8); }

  bool do_visit(Null&) override { return true; }
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
  int preVisitExtensions(SEQUENCE& seq) override;
  int visitKnownExtension(SEQUENCE& seq, unsigned index, int optId) override;
  bool visitUnknownExtensions(SEQUENCE& seq) override;

 private:
  PERDecoder(const PERDecoder& parent, const unsigned char* begin, const unsigned char* end);
  bool atEnd() const { return getBitsLeft() == 0; }
  // The extension bit of an extensible type, 0 for any other; fails at the end of the input.
  bool decodeExtensionBit(bool extensible, bool& bit);
  // Past the budget the input is taken as hostile and the decode fails.
  bool withinBudget() const { return budget_.allows(); }
  // An unconstrained length; `end` is the octet after the octets it counts, which must lie
  // within the input.
  bool decodeLengthSpan(const unsigned char*& end);
  // Decodes `value` (null: skips) from the octets up to `end` alone, then goes on at `end`.
  bool decodeUpTo(AbstractData* value, const unsigned char* end);
  // Reads an open type's length and decodes `value` (null: skips) from exactly that span.
  bool decodeOpenType(AbstractData* value);
  bool decodeOpenOctets(Octets& octets);
  bool decodeCharacters(AbstractString& v, unsigned n);

  const CoderEnv* env_;
  const unsigned char* begin_;
  const unsigned char* pos_;
  const unsigned char* end_;
  unsigned bitsLeft_ = 8;  // unread low bits of *pos_; 8 = at an octet boundary
  ValueBudget budget_;
};

}  // namespace ASN1
