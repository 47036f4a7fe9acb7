#pragma once
// The coder environment: which encoding rule turns a whole message into octets and back.

#include "asn1/ASN1.h"

#include <loki/AssocVector.h>

#include <algorithm>
#include <cstring>

namespace ASN1 {

class Module;

class CoderEnv {
 public:
  enum EncodingRules { avn = 0, ber = 1, per_Aligned = 2 };

  // Orders module names as text; Loki's vector wants the classic argument typedefs.
  struct StringListeralCmp {
    typedef const char* first_argument_type;
    typedef const char* second_argument_type;
    typedef bool result_type;
    bool operator()(const char* a, const char* b) const { return std::strcmp(a, b) < 0; }
  };
  using ModuleRegistry = Loki::AssocVector<const char*, Module*, StringListeralCmp>;

  explicit CoderEnv(int rule = per_Aligned) : rule_(rule) {}
  int get_encodingRule() const { return rule_; }
  void set_encodingRule(int rule) { rule_ = rule; }
  ModuleRegistry& modules() { return modules_; }

  // Appends the encoding of `value` to `out`; on failure `out` is left as it was.
  bool encode(const AbstractData& value, Octets& out) const;
  bool encodePER(const AbstractData& value, Octets& out) const;
  bool encodeBER(const AbstractData& value, Octets& out) const;
  bool encodeAVN(const AbstractData& value, Octets& out) const;
  // Fills `value`, constructed with its type beforehand, from [begin, end). A deferred
  // decode gives the decoder no environment.
  bool decode(const unsigned char* begin, const unsigned char* end, AbstractData& value, bool defer) const;

 private:
  int rule_;
  ModuleRegistry modules_;
};

inline bool encode(const AbstractData& value, const CoderEnv& env, Octets& out) { return env.encode(value, out); }

template <class OutputIterator>
bool encode(const AbstractData& value, const CoderEnv& env, OutputIterator out) {
  Octets octets;
  if (!env.encode(value, octets)) return false;
  std::copy(octets.begin(), octets.end(), out);
  return true;
}

inline bool decode(const unsigned char* begin, const unsigned char* end, const CoderEnv& env, AbstractData& value,
                   bool defer = false) {
  return env.decode(begin, end, value, defer);
}

inline bool decode(const Octets& octets, const CoderEnv& env, AbstractData& value, bool defer = false) {
  return env.decode(octets.data(), octets.data() + octets.size(), value, defer);
}

}  // namespace ASN1
