#include "Hex.h"
#include "TestModule.h"

#include <gtest/gtest.h>

using namespace asn1test;
using namespace TestLGCP;

TEST(EnvelopeVectorTest, Ping) {
  Message m;
  m.get_pdu().set_command().set_ping();
  EXPECT_EQ(perHex(m), "06 00");
}
