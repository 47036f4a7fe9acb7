#pragma once
// Value notation: the text of every log dump of a message.

#include "asn1/ASN1.h"

#include <istream>
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

// One stream operation on a value (printing or parsing), run by do_it, which applies to
// the stream the state that the operation reports.
class IOWrapper {
 public:
  // Sets a non-zero state that do_real_io returns on `stream`. An exception thrown meanwhile
  // sets badbit and goes on when the stream's exception mask has badbit.
  void do_it(std::ios& stream);

 protected:
  ~IOWrapper() = default;

 private:
  virtual std::ios::iostate do_real_io() = 0;
};

// Prints a value in value notation.
class InserterWrapper : public IOWrapper {
 public:
  InserterWrapper(std::ostream& os, const AbstractData& value) : os_(os), value_(value) {}

 private:
  // Under the stream's sentry; failbit when the printer fails.
  std::ios::iostate do_real_io() override;
  std::ostream& os_;
  const AbstractData& value_;
};

// Parses a value from value notation.
class ExtractorWrapper : public IOWrapper {
 public:
  ExtractorWrapper(std::istream& is, AbstractData& value) : is_(is), value_(value) {}

 private:
  // Under the stream's sentry, which skips leading blanks; failbit when the parser fails,
  // eofbit when it took the last character.
  std::ios::iostate do_real_io() override;
  std::istream& is_;
  AbstractData& value_;
};

// What operator<< and operator>> do with a value on a good stream.
void g_inserter(std::ostream& os, const AbstractData& value);
void g_extractor(std::istream& is, AbstractData& value);

}  // namespace ASN1
