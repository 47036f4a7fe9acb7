#pragma once
// Validity checks of a value against the constraints of its descriptors: valid (sizes and
// values may leave an extensible range), strictly valid (everything lies in its root
// constraints), and the first reason why a value is not valid, as text. An ENUMERATED is
// bounded above only: a negative value is valid, and it is the encoder that refuses it.

#include "asn1/ASN1.h"

#include <sstream>

namespace ASN1 {

class ValidChecker : public ConstVisitor {
 public:
  explicit ValidChecker(bool strict = false) : strict_(strict) {}

  using ConstVisitor::do_visit;
  bool do_visit(const INTEGER& v) override { return strict_ ? v.isStrictValid() : v.isValueValid(); }
  bool do_visit(const ENUMERATED& v) override;
  bool do_visit(const OBJECT_IDENTIFIER& v) override { return !v.arcs().empty(); }
  bool do_visit(const BIT_STRING& v) override { return sizeOk(v, v.size()); }
  bool do_visit(const OCTET_STRING& v) override { return sizeOk(v, v.size()); }
  bool do_visit(const AbstractString& v) override { return strict_ ? v.isStrictlyValid() : v.isValid(); }
  bool do_visit(const BMPString& v) override { return strict_ ? v.isStrictlyValid() : v.isValid(); }
  bool do_visit(const GeneralizedTime& v) override { return v.isStrictlyValid(); }
  bool do_visit(const CHOICE& v) override;
  bool do_visit(const OpenData& v) override;
  bool do_visit(const SEQUENCE_OF_Base& v) override;
  bool visitExtensionRoot(const SEQUENCE& seq, unsigned index) override { return fieldOk(seq, index); }
  bool visitKnownExtension(const SEQUENCE& seq, unsigned index) override { return fieldOk(seq, index); }

 private:
  bool sizeOk(const ConstrainedObject& o, std::size_t n) const {
    return strict_ ? o.sizeStrictlyValid(n) : o.sizeValid(n);
  }
  bool fieldOk(const SEQUENCE& seq, unsigned index) {
    const AbstractData* field = seq.getField(index);
    return field && field->accept(*this);
  }
  bool strict_;
};

class StrictlyValidChecker : public ValidChecker {
 public:
  StrictlyValidChecker() : ValidChecker(true) {}
};

class InvalidTracer : public ConstVisitor {
 public:
  std::string text() const { return strm_.str(); }

  using ConstVisitor::do_visit;
  bool do_visit(const INTEGER& v) override;
  bool do_visit(const ENUMERATED& v) override;
  bool do_visit(const OBJECT_IDENTIFIER& v) override;
  bool do_visit(const BIT_STRING& v) override { return traceSize(v, v.size(), "BIT STRING"); }
  bool do_visit(const OCTET_STRING& v) override { return traceSize(v, v.size(), "OCTET STRING"); }
  bool do_visit(const AbstractString& v) override;
  bool do_visit(const BMPString& v) override;
  bool do_visit(const CHOICE& v) override;
  bool do_visit(const OpenData& v) override;
  bool do_visit(const GeneralizedTime& v) override;
  bool do_visit(const SEQUENCE_OF_Base& v) override;
  bool visitExtensionRoot(const SEQUENCE& seq, unsigned index) override { return traceField(seq, index); }
  bool visitKnownExtension(const SEQUENCE& seq, unsigned index) override { return traceField(seq, index); }

 private:
  bool traceSize(const ConstrainedObject& o, std::size_t n, const char* kind);
  bool traceField(const SEQUENCE& seq, unsigned index);
  std::ostringstream strm_;
};

}  // namespace ASN1
