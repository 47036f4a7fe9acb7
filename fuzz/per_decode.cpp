// Fuzzes the aligned PER decoder with whole control-message bodies. Every input must
// decode cleanly or fail cleanly; a decoded value that is valid must encode, decode again
// to an equal value, and print.
//
// Until the protocol modules are built, the message is the one of the test module, which
// has the envelope's shape; it is compiled into this fuzzer.

#include "tests/asn1/TestModule.cpp"

#include "asn1/CoderEnv.h"

#include <cstddef>
#include <cstdint>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ASN1::CoderEnv env;
  TestLGCP::Message message;
  if (!ASN1::decode(data, data + size, env, message, true)) return 0;
  std::ostringstream text;
  text << message;
  if (!message.isValid()) return 0;
  ASN1::Octets again;
  if (!ASN1::encode(message, env, again)) __builtin_trap();
  TestLGCP::Message back;
  if (!ASN1::decode(again, env, back, true) || back.compare(message) != 0) __builtin_trap();
  return 0;
}
