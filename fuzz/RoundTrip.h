#pragma once
// The check every coder fuzzer makes of one input under one encoding rule.

#include "asn1/CoderEnv.h"

#include <cstddef>
#include <cstdint>
#include <sstream>

namespace fuzzing {

// Decodes the input as a Message; when it decodes and is valid, it must print, encode,
// and decode again to an equal value. Anything else traps.
template <class Message>
void decodeAndRoundTrip(const std::uint8_t* data, std::size_t size, int rule) {
  ASN1::CoderEnv env(rule);
  Message message;
  if (!ASN1::decode(data, data + size, env, message, true)) return;
  std::ostringstream text;
  text << message;
  if (!message.isValid()) return;
  ASN1::Octets again;
  if (!ASN1::encode(message, env, again)) __builtin_trap();
  Message back;
  if (!ASN1::decode(again, env, back, true) || back.compare(message) != 0) __builtin_trap();
}

}  // namespace fuzzing
