#include "asn1/CoderEnv.h"

#include "asn1/AVN.h"
#include "asn1/PER.h"

#include <sstream>

namespace ASN1 {

bool CoderEnv::encode(const AbstractData& value, Octets& out) const {
  switch (rule_) {
    case per_Aligned: return encodePER(value, out);
    case ber: return encodeBER(value, out);
    case avn: return encodeAVN(value, out);
    default: return false;
  }
}

bool CoderEnv::encodePER(const AbstractData& value, Octets& out) const {
  std::size_t mark = out.size();
  if (out.capacity() < mark + 256) out.reserve(mark + 256);
  PEREncoder encoder(out);
  if (value.accept(encoder)) return true;
  out.resize(mark);
  return false;
}

// BER is not offered yet: the rule fails like an unknown one.
bool CoderEnv::encodeBER(const AbstractData&, Octets&) const { return false; }

bool CoderEnv::encodeAVN(const AbstractData& value, Octets& out) const {
  std::ostringstream text;
  AVNEncoder printer(text);
  if (!value.accept(printer)) return false;
  std::string s = text.str();
  out.insert(out.end(), s.begin(), s.end());
  return true;
}

bool CoderEnv::decode(const unsigned char* begin, const unsigned char* end, AbstractData& value, bool defer) const {
  if (rule_ != per_Aligned) return false;  // value notation and BER are read by coders built later
  PERDecoder decoder(begin, end, defer ? nullptr : this);
  return value.accept(decoder);
}

}  // namespace ASN1
