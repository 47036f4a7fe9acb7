// Validity, strict validity and the traced reason of invalid values.

#include "Hex.h"
#include "TestModule.h"
#include "asn1/Validity.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace asn1test;
using namespace TestLGCP;

namespace {
// The traced reason; the result of the trace must be the value's validity.
std::string reason(const ASN1::AbstractData& v) {
  std::ostringstream os;
  EXPECT_EQ(ASN1::trace_invalid(os, ">", v), v.isValid());
  return os.str();
}
}  // namespace

TEST(ValidityTest, Integers) {
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u> full(0x80000000u);
  EXPECT_TRUE(full.isValid());
  EXPECT_TRUE(full.isStrictlyValid());
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127> small(-5);
  EXPECT_TRUE(small.isValid());
  small = 200;
  EXPECT_FALSE(small.isValid());
  EXPECT_EQ(reason(small), "> The INTEGER value 200 is greater than upper bound 127\n");
  small = -129;
  EXPECT_EQ(reason(small), "> The INTEGER value -129 is smaller than lower bound -128\n");
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 21> code(0);
  EXPECT_EQ(reason(code), "> The INTEGER value 0 is smaller than lower bound 1\n");
  ASN1::Constrained_INTEGER<ASN1::ExtendableConstraint, 0, 7> ext(9);
  EXPECT_TRUE(ext.isValid());
  EXPECT_FALSE(ext.isStrictlyValid());
}

TEST(ValidityTest, EnumerationsAndChoices) {
  ErrorCause beyond(ErrorCause::NamedNumber(13));
  EXPECT_TRUE(beyond.isValid());
  EXPECT_FALSE(beyond.isStrictlyValid());
  R1Code r1(R1Code::NamedNumber(3));
  EXPECT_FALSE(r1.isValid());
  EXPECT_EQ(reason(r1), "> This ENUMERATED has invalid value 3\n");
  // Only a value above the maximum is out of bounds: a negative one is valid and strictly
  // valid; it is the encoder that keeps it off the wire.
  RadioStandby notUse(RadioStandby::not_use);
  EXPECT_TRUE(notUse.isValid());
  EXPECT_TRUE(notUse.isStrictlyValid());
  EXPECT_EQ(reason(notUse), "");
  EXPECT_EQ(perHex(notUse), "fails");
  R1Code negative(R1Code::NamedNumber(-7));
  EXPECT_TRUE(negative.isValid()) << "no name needed, not extendable";
  EXPECT_EQ(perHex(negative), "fails");
  TonecCode done;
  done.set_dtmfDone();
  EXPECT_TRUE(done.isValid());
  EXPECT_FALSE(done.isStrictlyValid());
  Response response;
  EXPECT_EQ(reason(response), "> This CHOICE is not selected\n");
  response.select(2);
  EXPECT_EQ(reason(response), "> This selection is not understood by this decoder\n");
  // Not extensible: an alternative at or above the root count is never valid, even holding
  // a value that is.
  response.setSelection(2, new ASN1::Null);
  EXPECT_TRUE(response.isSelected());
  EXPECT_FALSE(response.isValid());
  EXPECT_FALSE(response.isStrictlyValid());
  EXPECT_EQ(reason(response), "> This selection is not understood by this decoder\n");
}

TEST(ValidityTest, TimesIdentifiersAndOpenTypes) {
  EXPECT_TRUE(ASN1::GeneralizedTime(1, 1, 1, 0, 0, 0).isStrictlyValid());
  ASN1::GeneralizedTime t(2024, 13, 1, 0, 0, 0);
  EXPECT_FALSE(t.isValid());
  EXPECT_EQ(reason(t), "> This GeneralizedTime is not valid\n");
  ASN1::OBJECT_IDENTIFIER none;
  EXPECT_FALSE(none.isValid());
  EXPECT_FALSE(none.isStrictlyValid());
  EXPECT_EQ(reason(ASN1::OpenData()), "> This Open Type does not contain any valid data\n");
}

TEST(ValidityTest, StringsAndLists) {
  RtpParams::dname::value_type name("");
  EXPECT_EQ(reason(name), "> This AbstractString has size 0 smaller than its lower bound 1\n");
  name = std::string(65, 'a');
  EXPECT_EQ(reason(name), "> This AbstractString has size 65 greater than its upper bound 64\n");
  name = "a\xC3";
  EXPECT_EQ(reason(name), "> The character '\xC3' is not valid for the string\n");
  EXPECT_FALSE(ASN1::NumericString("1a").isValid());
  EXPECT_TRUE(ASN1::PrintableString("Hi there").isValid());
}

TEST(ValidityTest, ThePathReadsFromTheOutsideIn) {
  Message m;
  m.set_slot(1023);
  RtpParams& rtp = m.get_pdu().set_command().set_create().set_rtp();
  EXPECT_TRUE(m.isValid());
  std::ostringstream quiet;
  EXPECT_TRUE(ASN1::trace_invalid(quiet, ">", m));
  EXPECT_EQ(quiet.str(), "") << "a valid value writes nothing";
  rtp.set_ttl(0);
  EXPECT_EQ(reason(m), ">.pdu.command.create.rtp.ttl The INTEGER value 0 is smaller than lower bound 1\n");
  m.set_slot(1024);
  EXPECT_EQ(reason(m), ">.slot The INTEGER value 1024 is greater than upper bound 1023\n");
  Resources r;
  r.get_echoBus().push_back(1);
  r.get_mixer().append();
  EXPECT_TRUE(r.isStrictlyValid());
  DisplayParams d;
  d.get_lines().push_back("ok");
  d.get_lines().push_back("\xFF");
  EXPECT_EQ(reason(d), ">.lines[1] The character '\xFF' is not valid for the string\n");
}
