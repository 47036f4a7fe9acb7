#pragma once
// Full values built from descriptors alone: every optional field and extension addition
// present, sizes and numbers inside their constraints: near the middle, or at the ends
// (the widest numbers, long strings, two elements in every list), or the largest that
// fit one frame body (lists of up to 128 elements). With
// the types reachable from a root, they let a test take every type of a module through a
// coder without code per type.

#include "Hex.h"
#include "asn1/CoderEnv.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace asn1test {

class FullValueFiller : public ASN1::Visitor {
 public:
  // `alternative`: the alternative the outermost CHOICE selects; nested ones take their first.
  // `listLength`: the length of every list in place of one (two for the extremes).
  explicit FullValueFiller(int alternative = 0, bool extremes = false, unsigned listLength = 0)
      : alternative_(alternative), extremes_(extremes), listLength_(listLength) {}

  bool do_visit(ASN1::Null&) override { return true; }
  bool do_visit(ASN1::BOOLEAN& v) override {
    v = true;
    return true;
  }
  bool do_visit(ASN1::INTEGER& v) override {
    // Inside the bounds, off both of them where the range allows, and negative when it may
    // be; or the end of the range that takes the most octets.
    if (extremes_) {
      v.setValue(v.constraintType() == ASN1::Unconstrained ? INT_MIN
                 : v.lowerLimit() < 0                        ? v.lowerLimit()
                                                             : int(v.upperLimit()));
    } else if (v.constraintType() == ASN1::Unconstrained) {
      v.setValue(-129);
    } else if (v.lowerLimit() < 0) {
      v.setValue(v.lowerLimit() + 1 <= int(v.upperLimit()) ? v.lowerLimit() + 1 : v.lowerLimit());
    } else {
      unsigned lb = unsigned(v.lowerLimit()), ub = v.upperLimit();
      v.setValue(int(ub - lb >= 2 ? ub - 1 : ub));
    }
    return true;
  }
  bool do_visit(ASN1::ENUMERATED& v) override {
    // The largest value that has a name and lies in the root.
    int best = 0;
    ASN1::forEachEnumName(*v.info(), [&](std::string_view, int value) {
      if (value >= 0 && value <= v.getMaximum() && value > best) best = value;
      return false;
    });
    v.setValue(best);
    return true;
  }
  bool do_visit(ASN1::OBJECT_IDENTIFIER& v) override {
    v.arcs() = {1, 3, 6, 1, 4, 200};
    return true;
  }
  bool do_visit(ASN1::OCTET_STRING& v) override {
    v.assign(size(v, extremes_ ? 300 : 3), 0);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<unsigned char>(0x5A + 0x31 * i);
    return true;
  }
  bool do_visit(ASN1::BIT_STRING& v) override {
    v.resize(unsigned(size(v, 12)));
    for (unsigned i = 0; i < v.size(); i += 3) v.set(i);
    return true;
  }
  bool do_visit(ASN1::AbstractString& v) override {
    std::string legal;
    for (char c : std::string("Tarvox 1-2:")) if (v.legalCharacter(c)) legal += c;
    if (legal.empty()) legal = "0";
    std::string text;
    for (std::size_t i = 0, n = size(v, extremes_ ? 200 : 7); i < n; ++i) text += legal[i % legal.size()];
    v = text;
    return true;
  }
  bool do_visit(ASN1::BMPString& v) override {
    v = std::wstring(size(v, 2), L'b');
    return true;
  }
  bool do_visit(ASN1::CHOICE& v) override {
    int id = alternative_ < 0 ? 0 : alternative_;
    alternative_ = 0;
    return v.select(id) && v.getSelection()->accept(*this);
  }
  bool do_visit(ASN1::SEQUENCE_OF_Base& v) override {
    alternative_ = 0;
    v.resize(size(v, listLength_ ? listLength_ : extremes_ ? 2 : 1));
    for (std::size_t i = 0; i < v.size(); ++i)
      if (!v.at(i).accept(*this)) return false;
    // Lists of lists of 128 soon hold far more values than a frame body: building stops.
    return ASN1::AbstractData::constructedCount() - start_ < 1000000;
  }
  bool do_visit(ASN1::OpenData& v) override {
    v.set_buf({0x05, 0x00});
    return true;
  }
  bool do_revisit(ASN1::OpenData&) override { return true; }
  bool do_visit(ASN1::TypeConstrainedOpenData& v) override { return v.get_data() && v.get_data()->accept(*this); }
  bool do_visit(ASN1::GeneralizedTime& v) override {
    v = ASN1::GeneralizedTime(2024, 2, 29, 23, 59, 58, 500, 90);
    return true;
  }
  int preVisitExtensionRoots(ASN1::SEQUENCE&) override {
    alternative_ = 0;
    return ASN1::CONTINUE_WITH_EXTENSIONS;
  }
  int visitExtensionRoot(ASN1::SEQUENCE& seq, unsigned index, int) override {
    return fill(seq, index) ? ASN1::CONTINUE : ASN1::FAIL;
  }
  int visitKnownExtension(ASN1::SEQUENCE& seq, unsigned index, int) override {
    return fill(seq, index) ? ASN1::CONTINUE_WITH_EXTENSIONS : ASN1::FAIL;
  }

 private:
  // A size inside the constraint, `wanted` when it may.
  static std::size_t size(const ASN1::ConstrainedObject& v, std::size_t wanted) {
    if (v.constraintType() == ASN1::Unconstrained) return wanted;
    std::size_t lb = std::size_t(std::max(v.lowerLimit(), 0)), ub = v.upperLimit();
    return wanted < lb ? lb : (wanted > ub ? ub : wanted);
  }
  bool fill(ASN1::SEQUENCE& seq, unsigned index) {
    if (!seq.info()->fieldInfos[index]) return true;
    return seq.includeField(index).accept(*this);
  }

  int alternative_;
  bool extremes_;
  unsigned listLength_;
  unsigned long start_ = ASN1::AbstractData::constructedCount();
};

// The descriptors a value of `root` can hold, each once, root first.
inline std::vector<const ASN1::TypeInfo*> reachableTypes(const ASN1::TypeInfo* root) {
  std::vector<const ASN1::TypeInfo*> order;
  std::set<const ASN1::TypeInfo*> seen;
  std::function<void(const ASN1::TypeInfo*)> walk = [&](const ASN1::TypeInfo* info) {
    if (!info || !seen.insert(info).second) return;
    order.push_back(info);
    std::unique_ptr<ASN1::AbstractData> v(ASN1::create(info));
    if (auto* s = dynamic_cast<ASN1::SEQUENCE*>(v.get())) {
      for (unsigned i = 0; i < s->fieldCount(); ++i) walk(s->info()->fieldInfos[i]);
    } else if (auto* c = dynamic_cast<ASN1::CHOICE*>(v.get())) {
      for (unsigned i = 0; i < c->info()->totalCount; ++i) walk(c->info()->selectionInfos[i]);
    } else if (auto* l = dynamic_cast<ASN1::SEQUENCE_OF_Base*>(v.get())) {
      walk(l->info()->elementInfo);
    } else if (auto* o = dynamic_cast<ASN1::TypeConstrainedOpenData*>(v.get())) {
      walk(o->info()->containedInfo);
    }
  };
  walk(root);
  return order;
}

// One value per alternative for a CHOICE, else one: those that `make`(alternative) builds.
template <class Make>
std::vector<std::unique_ptr<ASN1::AbstractData>> perAlternative(const ASN1::TypeInfo* info, Make make) {
  std::vector<std::unique_ptr<ASN1::AbstractData>> values;
  std::unique_ptr<ASN1::AbstractData> probe(ASN1::create(info));
  auto* choice = dynamic_cast<ASN1::CHOICE*>(probe.get());
  unsigned count = choice ? choice->info()->totalCount : 1;
  for (unsigned a = 0; a < count; ++a)
    if (!choice || choice->info()->selectionInfos[a])
      if (auto v = make(int(a))) values.push_back(std::move(v));
  return values;
}

// Full values of a type: one per alternative for a CHOICE, else one.
inline std::vector<std::unique_ptr<ASN1::AbstractData>> fullValues(const ASN1::TypeInfo* info, bool extremes = false) {
  return perAlternative(info, [&](int a) {
    std::unique_ptr<ASN1::AbstractData> v(ASN1::create(info));
    FullValueFiller filler{a, extremes};
    return v->accept(filler) ? std::move(v) : nullptr;
  });
}

// The largest values of a type, one per alternative: every list of 128 elements, or, where
// the aligned PER encoding would then not fit one TPKT frame body (65,531 octets), every
// list of as many elements as fit.
inline std::vector<std::unique_ptr<ASN1::AbstractData>> largestValues(const ASN1::TypeInfo* info) {
  return perAlternative(info, [&](int a) {
    std::unique_ptr<ASN1::AbstractData> best;
    unsigned fits = 0, overflows = ASN1::MaximumArraySize + 1;
    for (unsigned n = ASN1::MaximumArraySize; n > fits; n = (fits + overflows) / 2) {
      std::unique_ptr<ASN1::AbstractData> v(ASN1::create(info));
      FullValueFiller filler{a, false, n};
      ASN1::Octets octets;
      bool fit = v->accept(filler) && ASN1::encode(*v, ASN1::CoderEnv(), octets) && octets.size() <= 65531;
      if (fit) {
        fits = n;
        best = std::move(v);
      } else {
        overflows = n;
      }
    }
    return best;
  });
}

// Encodes a value under a rule and decodes the octets into a fresh value of its type:
// empty when that value is equal, else what went wrong.
inline std::string roundTripFailure(const ASN1::AbstractData& value, int rule) {
  ASN1::CoderEnv env(rule);
  ASN1::Octets octets;
  if (!ASN1::encode(value, env, octets)) return "does not encode";
  std::unique_ptr<ASN1::AbstractData> back(ASN1::create(value.info()));
  auto cut = [](std::string text) { return text.size() > 300 ? text.substr(0, 300) + "..." : text; };
  std::string shown = rule == ASN1::CoderEnv::avn ? std::string(octets.begin(), octets.end()) : toHex(octets);
  if (!ASN1::decode(octets, env, *back)) return "does not decode from " + cut(shown);
  if (back->compare(value) != 0) return "decodes to another value: " + cut(back->asValueNotation());
  return "";
}

// Takes every full value (middle and widest) of every type reachable from `root` through
// a rule; calls report(type, value, failure) for each one that does not come back equal.
// Returns how many values went.
template <class Report>
std::size_t roundTripEveryType(const ASN1::TypeInfo* root, int rule, Report report) {
  std::size_t values = 0;
  for (const ASN1::TypeInfo* info : reachableTypes(root))
    for (bool extremes : {false, true})
      for (auto& value : fullValues(info, extremes)) {
        ++values;
        std::string failure = roundTripFailure(*value, rule);
        if (!failure.empty()) report(info, *value, failure);
      }
  return values;
}

}  // namespace asn1test
