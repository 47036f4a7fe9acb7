// The coder environment: rules, appending, failures that leave the output alone, and the
// held value of an open type decoded on demand.

#include "Hex.h"
#include "TestModule.h"
#include "asn1/PER.h"

#include <gtest/gtest.h>

using namespace asn1test;
using namespace TestLGCP;
using ASN1::CoderEnv;

TEST(CoderEnvTest, EncodingAppendsToWhatTheVectorHolds) {
  Message m;
  m.get_pdu().set_command().set_ping();
  ASN1::Octets out{0xEE};
  ASSERT_TRUE(ASN1::encode(m, CoderEnv(), out));
  EXPECT_EQ(toHex(out), "EE 06 00");
  std::vector<unsigned char> other{0x01};
  ASSERT_TRUE(ASN1::encode(m, CoderEnv(), std::back_inserter(other)));
  EXPECT_EQ(toHex(other), "01 06 00");
}

TEST(CoderEnvTest, AFailedEncodeLeavesTheOutputAsItWas) {
  Message m;
  m.set_seq(1);
  m.get_pdu().set_command().set_connect(5000);  // fails after seq was written
  ASN1::Octets out{0xEE};
  EXPECT_FALSE(ASN1::encode(m, CoderEnv(), out));
  EXPECT_EQ(toHex(out), "EE");
  EXPECT_FALSE(ASN1::encode(Message(), CoderEnv(CoderEnv::ber), out)) << "no PDU selected";
  EXPECT_EQ(toHex(out), "EE");
  for (int rule : {3, -1}) {
    m.get_pdu().set_command().set_ping();
    EXPECT_FALSE(ASN1::encode(m, CoderEnv(rule), out)) << rule;
    EXPECT_EQ(toHex(out), "EE") << rule;
  }
}

TEST(CoderEnvTest, DecodingNeedsAKnownRuleAndInput) {
  Message m;
  ASN1::Octets empty;
  EXPECT_FALSE(ASN1::decode(empty, CoderEnv(), m));
  ASN1::Octets ping = fromHex("06 00");
  EXPECT_FALSE(ASN1::decode(ping, CoderEnv(CoderEnv::ber), m)) << "aligned PER is no BER";
  EXPECT_FALSE(ASN1::decode(ping, CoderEnv(9), m));
  EXPECT_EQ(m.get_pdu().currentSelection(), -1) << "an unknown rule touches nothing";
  EXPECT_TRUE(ASN1::decode(fromHex("06 00 FF FF"), CoderEnv(), m)) << "trailing octets are ignored";
}

TEST(CoderEnvTest, AnOpenTypeKeepsItsOctetsUntilRevisited) {
  ASN1::OpenData open;
  ASSERT_TRUE(perDecode("03 02 01 00", open));
  ASSERT_TRUE(open.has_buf());
  EXPECT_EQ(toHex(*open.get_buf()), "02 01 00");
  EXPECT_EQ(perHex(open), "03 02 01 00") << "re-encoded from its octets";
  ASN1::Octets none;
  ASN1::PERDecoder decoder(none.data(), none.data(), nullptr);
  EXPECT_FALSE(decoder.do_revisit(open)) << "no value to fill";
  open.set_data(new ASN1::INTEGER);
  ASSERT_TRUE(decoder.do_revisit(open));
  EXPECT_EQ(static_cast<ASN1::INTEGER*>(open.get_data())->getValue(), 256);
  EXPECT_EQ(perHex(open), "03 02 01 00");
}

TEST(CoderEnvTest, TheModuleRegistryOrdersNamesAsText) {
  CoderEnv env;
  char lgcp[] = "LGCP";
  env.modules()[lgcp] = nullptr;
  env.modules()["ACP"] = nullptr;
  EXPECT_EQ(env.modules().size(), 2u);
  EXPECT_STREQ(env.modules().begin()->first, "ACP");
  EXPECT_EQ(env.modules().count("LGCP"), 1u);
}
