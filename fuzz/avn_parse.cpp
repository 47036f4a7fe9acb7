// Fuzzes the value-notation parser with texts of whole control and monitoring messages.
// Every text must parse cleanly or fail cleanly; a parsed value that is valid must print
// as text that parses again to an equal value.

#include "fuzz/RoundTrip.h"

#include "protocols/LGCP.h"
#include "protocols/MON.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::decodeAndRoundTrip<LGCP::Message>(data, size, ASN1::CoderEnv::avn);
  fuzzing::decodeAndRoundTrip<MON::Message>(data, size, ASN1::CoderEnv::avn);
  return 0;
}
