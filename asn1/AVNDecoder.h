#pragma once
// Value notation read back: the text the printer writes, parsed into a value constructed
// with its type beforehand.

#include "asn1/ASN1.h"

#include <istream>
#include <streambuf>

namespace ASN1 {

// Token readers. Each skips blanks first and leaves what follows its token in the stream.
// A double-quoted text, taken unchanged up to the next double quote.
bool get_string(std::istream& is, std::string& text);
// A quoted bit or hexadecimal string ('0110'B, '0a 1f'H): its base (2 or 16), or 0 when
// the text is none of them.
int get_value_from(std::istream& is, Octets& octets, unsigned& digits);
// Digits of a base (2 or 16) packed into octets, most significant first, the last padded
// with 0 digits.
bool get_from_string(std::string_view text, Octets& octets, unsigned& digits, int base);
// Index of a name in a table, compared exactly.
bool get_id(const char* const* names, unsigned count, std::string_view name, unsigned& index);

class AVNDecoder : public Visitor {
 public:
  explicit AVNDecoder(std::istream& is);

  bool do_visit(Null& v) override;
  bool do_visit(BOOLEAN& v) override;
  bool do_visit(INTEGER& v) override;
  bool do_visit(IntegerWithNamedNumber& v) override;
  bool do_visit(ENUMERATED& v) override;
  bool do_visit(OBJECT_IDENTIFIER& v) override;
  bool do_visit(OCTET_STRING& v) override;
  bool do_visit(BIT_STRING& v) override;
  bool do_visit(AbstractString& v) override;
  bool do_visit(BMPString& v) override;
  bool do_visit(CHOICE& v) override;
  bool do_visit(SEQUENCE_OF_Base& v) override;
  bool do_visit(OpenData&) override { return false; }
  bool do_revisit(OpenData&) override { return false; }
  bool do_visit(TypeConstrainedOpenData& v) override;
  bool do_visit(GeneralizedTime& v) override;
  int preVisitExtensionRoots(SEQUENCE& seq) override;
  int visitExtensionRoot(SEQUENCE& seq, unsigned index, int optId) override;
  int visitKnownExtension(SEQUENCE& seq, unsigned index, int optId) override;
  bool visitUnknownExtensions(SEQUENCE& seq) override;

 private:
  int peek();  // the next character after blanks, or EOF
  int take();
  bool expect(char c) { return take() == c; }
  // Letters, digits and the like, up to a blank, ",", "{", "}" or ":".
  std::string word();
  bool parseField(SEQUENCE& seq, unsigned index, int optId);
  bool parseQuadruples(BMPString& v);
  bool withinBudget() const { return budget_.allows(); }

  std::streambuf& buf_;  // the source's
  std::istream in_;
  // The field name read last, one per SEQUENCE being parsed; "}" once its brace closed.
  std::vector<std::string> words_;
  ValueBudget budget_;
};

}  // namespace ASN1
