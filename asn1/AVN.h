#pragma once
// Value notation: the text of every log dump of a message.

#include "asn1/ASN1.h"

#include <ostream>

namespace ASN1 {

class AVNEncoder : public ConstVisitor {
 public:
  explicit AVNEncoder(std::ostream& os, int indent = 0) : os_(os), indent_(indent) {}

  using ConstVisitor::do_visit;
  bool do_visit(const Null& v) override;
  bool do_visit(const BOOLEAN& v) override;
  bool do_visit(const INTEGER& v) override;
  bool do_visit(const IntegerWithNamedNumber& v) override;
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
  bool visitExtensionRoot(const SEQUENCE& seq, unsigned index) override { return printField(seq, index); }
  bool visitKnownExtension(const SEQUENCE& seq, unsigned index) override { return printField(seq, index); }
  bool afterVisitSequence(const SEQUENCE& seq) override;

 private:
  bool printField(const SEQUENCE& seq, unsigned index);
  void printOctets(const Octets& octets);
  std::ostream& blanks(int n);

  std::ostream& os_;
  int indent_;
  std::vector<bool> fieldPrinted_;  // one mark per SEQUENCE being printed
};

}  // namespace ASN1
