#include "asn1/CoderEnv.h"

#include "asn1/AVN.h"
#include "asn1/AVNDecoder.h"
#include "asn1/BER.h"
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

namespace {
// Appends what the encoder writes, or nothing when it fails.
template <class Encoder>
bool appendEncoding(const AbstractData& value, Octets& out) {
  std::size_t mark = out.size();
  if (out.capacity() < mark + 256) out.reserve(mark + 256);
  Encoder encoder(out);
  if (value.accept(encoder)) return true;
  out.resize(mark);
  return false;
}
}  // namespace

bool CoderEnv::encodePER(const AbstractData& value, Octets& out) const { return appendEncoding<PEREncoder>(value, out); }
bool CoderEnv::encodeBER(const AbstractData& value, Octets& out) const { return appendEncoding<BEREncoder>(value, out); }

bool CoderEnv::encodeAVN(const AbstractData& value, Octets& out) const {
  std::ostringstream text;
  AVNEncoder printer(text);
  if (!value.accept(printer)) return false;
  std::string s = text.str();
  out.insert(out.end(), s.begin(), s.end());
  return true;
}

bool CoderEnv::decode(const unsigned char* begin, const unsigned char* end, AbstractData& value, bool defer) const {
  const CoderEnv* env = defer ? nullptr : this;
  switch (rule_) {
    case per_Aligned: {
      PERDecoder decoder(begin, end, env);
      return value.accept(decoder);
    }
    case ber: {
      BERDecoder decoder(begin, end, env);
      return value.accept(decoder);
    }
    case avn: {
      std::istringstream text(std::string(begin, end));
      AVNDecoder parser(text);
      return value.accept(parser);
    }
    default: return false;
  }
}

}  // namespace ASN1
