#pragma once
// Hex text of octets and back, for golden vectors.

#include "asn1/CoderEnv.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace asn1test {

inline ASN1::Octets fromHex(const std::string& text) {
  ASN1::Octets out;
  std::string digits;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(std::stoi(digits.substr(i, 2), nullptr, 16));
  return out;
}

inline std::string toHex(const ASN1::Octets& octets) {
  std::string text;
  char buf[4];
  for (std::size_t i = 0; i < octets.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", octets[i]);
    text += buf;
  }
  return text;
}

// The aligned PER encoding of a value as hex text; "fails" when it does not encode.
inline std::string perHex(const ASN1::AbstractData& value) {
  ASN1::Octets out;
  if (!ASN1::encode(value, ASN1::CoderEnv(), out)) return "fails";
  return toHex(out);
}

inline bool perDecode(const std::string& hex, ASN1::AbstractData& value) {
  return ASN1::decode(fromHex(hex), ASN1::CoderEnv(), value, true);
}

}  // namespace asn1test
