// Every type a control or monitoring message can hold, built full from its descriptors
// (each alternative in turn, every optional field present, numbers and sizes near the
// middle and then at their widest), printed and parsed back, and taken through BER and
// back: each comes back equal.

#include "Descriptors.h"
#include "asn1/FullValues.h"

#include "protocols/LGCP.h"
#include "protocols/MON.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace protocolstest;

namespace {

std::string nameOf(const ASN1::TypeInfo* info) {
  auto it = generatedTypes().find(info);
  return it == generatedTypes().end() ? "a runtime type" : it->second;
}

// Runs every full value of every type reachable from the two messages through a rule.
std::size_t expectRoundTrips(int rule) {
  auto report = [](const ASN1::TypeInfo* info, const ASN1::AbstractData& value, const std::string& failure) {
    ADD_FAILURE() << nameOf(info) << ": " << failure << "\n" << value;
  };
  return asn1test::roundTripEveryType(&LGCP::Message::theInfo, rule, report) +
         asn1test::roundTripEveryType(&MON::Message::theInfo, rule, report);
}

}  // namespace

TEST(AllTypesCoderTest, EveryReachableTypeHasFullValues) {
  std::size_t types = 0, choices = 0;
  for (const ASN1::TypeInfo* root : {&LGCP::Message::theInfo, &MON::Message::theInfo})
    for (const ASN1::TypeInfo* info : asn1test::reachableTypes(root)) {
      ++types;
      auto values = asn1test::fullValues(info);
      ASSERT_FALSE(values.empty()) << nameOf(info);
      if (kindOf(info) == Kind::Choice) {
        ++choices;
        EXPECT_EQ(values.size(), static_cast<const ASN1::ChoiceInfo*>(info)->totalCount) << nameOf(info);
      }
    }
  EXPECT_GT(types, 200u);
  EXPECT_GT(choices, 40u);
}

// The decoders take every message that fits a frame body, however many values it holds:
// the largest value of every type comes back under each rule, and so does the densest
// message, 128 packets of 128 keep-alive records of ten BOOLEANs (182,275 values).
TEST(AllTypesCoderTest, LargestValuesDecodeUnderEveryRule) {
  std::vector<std::pair<std::string, std::unique_ptr<ASN1::AbstractData>>> values;
  for (const ASN1::TypeInfo* root : {&LGCP::Message::theInfo, &MON::Message::theInfo})
    for (const ASN1::TypeInfo* info : asn1test::reachableTypes(root))
      for (auto& value : asn1test::largestValues(info)) values.emplace_back(nameOf(info), std::move(value));
  auto dense = std::make_unique<LGCP::Message>();
  ZEDORO::ProtoZeriPacket packet;
  packet.set_msgID(ZEDORO::ProtoZeriMsgID::dli_keep_alive);
  packet.get_payload().set_dli_keep_alive().set_radio_v1().get_channels().resize(128);
  auto& packets = dense->get_pdu().set_command().set_protoZeri().get_packets();
  for (int i = 0; i < 128; ++i) packets.push_back(packet);
  values.emplace_back("the densest message", std::move(dense));
  std::size_t octets = 0;
  for (auto& [name, value] : values) {
    for (int rule : {ASN1::CoderEnv::per_Aligned, ASN1::CoderEnv::ber, ASN1::CoderEnv::avn})
      EXPECT_EQ(asn1test::roundTripFailure(*value, rule), "") << name << ", rule " << rule;
    ASN1::Octets per;
    ASSERT_TRUE(ASN1::encode(*value, ASN1::CoderEnv(), per));
    octets = std::max(octets, per.size());
  }
  EXPECT_GT(octets, 60000u) << "the largest values fill a frame body";
}

TEST(AllTypesCoderTest, PrintedValuesParseBack) { EXPECT_GT(expectRoundTrips(ASN1::CoderEnv::avn), 1000u); }

TEST(AllTypesCoderTest, BerValuesDecodeBack) { EXPECT_GT(expectRoundTrips(ASN1::CoderEnv::ber), 1000u); }
