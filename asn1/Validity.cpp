#include "asn1/Validity.h"

#include <ostream>

namespace ASN1 {

bool AbstractData::isValid() const {
  ValidChecker checker;
  return accept(checker);
}

bool AbstractData::isStrictlyValid() const {
  StrictlyValidChecker checker;
  return accept(checker);
}

bool trace_invalid(std::ostream& os, const char* prefix, const AbstractData& value) {
  InvalidTracer tracer;
  if (value.accept(tracer)) return true;
  os << prefix << tracer.text() << '\n';
  return false;
}

namespace {
bool enumerationValid(const ENUMERATED& v) { return v.extendable() || v.isStrictlyValid(); }

// A selection that holds a value and lies among the alternatives the type admits.
bool selectionAdmitted(const CHOICE& v, bool strict) {
  if (!v.isSelected()) return false;
  unsigned id = unsigned(v.getSelectionID());
  const ChoiceInfo& info = *v.info();
  if (strict || !info.extendable) return id < info.rootCount;
  return id < info.totalCount;
}
}  // namespace

bool ValidChecker::do_visit(const ENUMERATED& v) {
  return strict_ ? v.isStrictlyValid() : enumerationValid(v);
}

bool ValidChecker::do_visit(const CHOICE& v) {
  return selectionAdmitted(v, strict_) && v.getSelection()->accept(*this);
}

bool ValidChecker::do_visit(const OpenData& v) {
  if (v.has_data()) return v.get_data()->accept(*this);
  return v.has_buf();
}

bool ValidChecker::do_visit(const SEQUENCE_OF_Base& v) {
  if (!sizeOk(v, v.size())) return false;
  for (std::size_t i = 0; i < v.size(); ++i)
    if (!v.at(i).accept(*this)) return false;
  return true;
}

// ----- InvalidTracer -------------------------------------------------------------------

bool InvalidTracer::do_visit(const INTEGER& v) {
  if (v.isValueValid()) return true;
  bool below = v.lowerLimit() >= 0 ? v.getUnsignedValue() < unsigned(v.lowerLimit()) : v.getValue() < v.lowerLimit();
  strm_ << " The INTEGER value ";
  if (v.lowerLimit() >= 0) strm_ << v.getUnsignedValue(); else strm_ << v.getValue();
  if (below)
    strm_ << " is smaller than lower bound " << v.lowerLimit();
  else
    strm_ << " is greater than upper bound " << v.upperLimit();
  return false;
}

bool InvalidTracer::do_visit(const ENUMERATED& v) {
  if (enumerationValid(v)) return true;
  strm_ << " This ENUMERATED has invalid value " << v.getValue();
  return false;
}

bool InvalidTracer::do_visit(const OBJECT_IDENTIFIER& v) {
  if (!v.arcs().empty()) return true;
  strm_ << " This OBJECT IDENTIFIER is not assigned";
  return false;
}

bool InvalidTracer::traceSize(const ConstrainedObject& o, std::size_t n, const char* kind) {
  if ((long long)n < o.lowerLimit()) {
    strm_ << " This " << kind << " has size " << n << " smaller than its lower bound " << o.lowerLimit();
    return false;
  }
  if (!o.sizeValid(n)) {
    strm_ << " This " << kind << " has size " << n << " greater than its upper bound " << o.upperLimit();
    return false;
  }
  return true;
}

bool InvalidTracer::do_visit(const AbstractString& v) {
  if (!traceSize(v, v.size(), "AbstractString")) return false;
  for (char c : static_cast<const std::string&>(v))
    if (!v.legalCharacter(c)) {
      strm_ << " The character '" << c << "' is not valid for the string";
      return false;
    }
  return true;
}

bool InvalidTracer::do_visit(const BMPString& v) {
  if (!traceSize(v, v.size(), "BMPString")) return false;
  std::size_t at = v.first_illegal_at();
  if (at == v.size()) return true;
  strm_ << " The character '" << (unsigned long)v[at] << "' is not valid for the string";
  return false;
}

bool InvalidTracer::do_visit(const CHOICE& v) {
  if (v.getSelectionID() == CHOICE::unknownSelection_) {
    strm_ << " This selection is not understood by this decoder";
    return false;
  }
  if (!v.isSelected()) {
    strm_ << " This CHOICE is not selected";
    return false;
  }
  if (!selectionAdmitted(v, false)) {
    strm_ << " This selection is not understood by this decoder";
    return false;
  }
  strm_ << '.' << v.selectionName();
  return v.getSelection()->accept(*this);
}

bool InvalidTracer::do_visit(const OpenData& v) {
  if (v.has_data()) return v.get_data()->accept(*this);
  if (v.has_buf()) return true;
  strm_ << " This Open Type does not contain any valid data";
  return false;
}

bool InvalidTracer::do_visit(const GeneralizedTime& v) {
  if (v.isStrictlyValid()) return true;
  strm_ << " This GeneralizedTime is not valid";
  return false;
}

bool InvalidTracer::do_visit(const SEQUENCE_OF_Base& v) {
  if (!traceSize(v, v.size(), "SEQUENCE OF")) return false;
  for (std::size_t i = 0; i < v.size(); ++i) {
    InvalidTracer element;
    if (!v.at(i).accept(element)) {
      strm_ << '[' << i << ']' << element.text();
      return false;
    }
  }
  return true;
}

bool InvalidTracer::traceField(const SEQUENCE& seq, unsigned index) {
  InvalidTracer field;
  const AbstractData* value = seq.getField(index);
  if (value && value->accept(field)) return true;
  strm_ << '.' << seq.fieldName(index) << field.text();
  return false;
}

}  // namespace ASN1
