// Fuzzes the BER decoder with whole control and monitoring messages. Every input must
// decode cleanly or fail cleanly; a decoded value that is valid must print, encode, and
// decode again to an equal value.

#include "fuzz/RoundTrip.h"

#include "protocols/LGCP.h"
#include "protocols/MON.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::decodeAndRoundTrip<LGCP::Message>(data, size, ASN1::CoderEnv::ber);
  fuzzing::decodeAndRoundTrip<MON::Message>(data, size, ASN1::CoderEnv::ber);
  return 0;
}
