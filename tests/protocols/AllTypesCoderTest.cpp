// Every type a control or monitoring message can hold, built full from its descriptors
// (each alternative in turn, every optional field present, numbers and sizes near the
// middle and then at their widest), printed and parsed back, and taken through BER and
// back: each comes back equal.

#include "Descriptors.h"
#include "asn1/FullValues.h"

#include "protocols/LGCP.h"
#include "protocols/MON.h"

#include <gtest/gtest.h>

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

TEST(AllTypesCoderTest, PrintedValuesParseBack) { EXPECT_GT(expectRoundTrips(ASN1::CoderEnv::avn), 1000u); }

TEST(AllTypesCoderTest, BerValuesDecodeBack) { EXPECT_GT(expectRoundTrips(ASN1::CoderEnv::ber), 1000u); }
