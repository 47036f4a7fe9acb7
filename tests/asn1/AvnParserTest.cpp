// Value notation read back: what the printer writes, the tokens of each kind, fields in
// order, and the stream the text comes from.

#include "AllocationCounter.h"
#include "FullValues.h"
#include "Messages.h"
#include "TestModule.h"
#include "asn1/AVNDecoder.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace asn1test;
using namespace TestLGCP;

namespace {

template <class T>
bool parses(const std::string& text, T& value) {
  return value.setFromValueNotation(text);
}

}  // namespace

TEST(AvnParserTest, WhatThePrinterWritesReadsBack) {
  Message m;
  ASSERT_TRUE(parses(pingMessage().asValueNotation(), m)) << pingMessage();
  EXPECT_EQ(m.compare(pingMessage()), 0);
  EXPECT_TRUE(parses("{seq 5,slot 12,pdu command:ping:NULL}", m)) << "blanks are optional";
  EXPECT_EQ(m.compare(pingMessage()), 0);
  // Words end at a comma or a closing brace: enumerations and named numbers right before one.
  ActivateParams a;
  ASSERT_TRUE(parses("{ payload pcmu,tones {}, cause radio-no-permissions}", a));
  EXPECT_EQ(a.get_payload().getValue(), Payload::pcmu);
  EXPECT_EQ(a.get_cause().getValue(), ED137CauseCode::radio_no_permissions);
  EXPECT_FALSE(a.hasOptionalField(0));
  Message error;
  error.get_pdu().set_response().set_error(ErrorCause::slotIdBusy);
  ASSERT_TRUE(parses("{ pdu response : error : slotIdBusy}", m));
  EXPECT_EQ(m.compare(error), 0);
}

TEST(AvnParserTest, EveryTypeOfTheTestModuleGoesThereAndBack) {
  auto report = [](const ASN1::TypeInfo*, const ASN1::AbstractData& v, const std::string& failure) {
    ADD_FAILURE() << failure << "\n" << v;
  };
  EXPECT_GT(roundTripEveryType(&Message::theInfo, ASN1::CoderEnv::avn, report), 120u);
}

TEST(AvnParserTest, Sequences) {
  SDEvent sd;
  sd.set_sd_rx(true);
  ASSERT_TRUE(parses("{ }", sd));
  EXPECT_FALSE(sd.hasOptionalField(0)) << "a field the text leaves out is absent";
  ASSERT_TRUE(parses("{\n}", sd));
  Message m;
  EXPECT_FALSE(parses("{ slot 12, seq 5, pdu command : ping : NULL }", m)) << "fields out of order";
  EXPECT_FALSE(parses("{ seq 5, port 1, pdu command : ping : NULL }", m)) << "a field the type lacks";
  EXPECT_FALSE(parses("{ seq 5 }", m)) << "no pdu";
  EXPECT_FALSE(parses("{ pdu command : ping : NULL, }", m)) << "a comma before the brace";
  EXPECT_FALSE(parses("{ pdu command : ping : NULL seq 5 }", m)) << "no comma";
  EXPECT_FALSE(parses("{ pdu command : ping : NULL", m)) << "no closing brace";
  EXPECT_FALSE(parses("{ Seq 5, pdu command : ping : NULL }", m)) << "names are compared exactly";
}

TEST(AvnParserTest, ChoicesAndLists) {
  TonecCode code;
  ASSERT_TRUE(parses("dtmfDone : NULL", code)) << "an extension alternative";
  EXPECT_EQ(code.currentSelection(), TonecCode::dtmfDone_id);
  ASSERT_TRUE(parses("iva:ringoff:NULL", code));
  EXPECT_NE(code.get_iva()->get_ringoff(), nullptr);
  EXPECT_FALSE(parses("dtmf 3", code)) << "no colon";
  EXPECT_FALSE(parses("pong : NULL", code));
  ASN1::SEQUENCE_OF<ASN1::INTEGER> list;
  list.push_back(9);
  ASSERT_TRUE(parses("{}", list));
  EXPECT_TRUE(list.empty());
  ASSERT_TRUE(parses("{ 1,2 , -3}", list));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[2].getValue(), -3);
  EXPECT_FALSE(parses("{ 1 2 }", list));
  EXPECT_FALSE(parses("{ 1, }", list));
  EXPECT_FALSE(parses("{ 1", list));
}

TEST(AvnParserTest, NumbersAndNames) {
  using Full = ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>;
  Full full;
  ASSERT_TRUE(parses("4294967295", full));
  EXPECT_EQ(full.getValue(), 4294967295u);
  EXPECT_FALSE(parses("4294967296", full));
  EXPECT_FALSE(parses("-1", full)) << "unsigned as the printer writes it";
  ASN1::INTEGER i;
  ASSERT_TRUE(parses("-2147483648", i));
  EXPECT_EQ(i.getValue(), INT_MIN);
  EXPECT_FALSE(parses("2147483648", i));
  EXPECT_FALSE(parses("12abc", i));
  EXPECT_FALSE(parses("", i));
  ASN1::BOOLEAN b;
  ASSERT_TRUE(parses(" TRUE", b));
  EXPECT_TRUE(b.getValue());
  EXPECT_FALSE(parses("true", b));
  ASN1::Null null;
  EXPECT_FALSE(parses("NULLx", null));
  AnalogGainID gain;
  ASSERT_TRUE(parses("max", gain));
  EXPECT_EQ(gain.getValue(), 10);
  EXPECT_FALSE(parses("maxi", gain)) << "a name the table does not hold";
  EXPECT_FALSE(parses("10", gain));
}

namespace {
class Priority : public ASN1::IntegerWithNamedNumber {
 public:
  static const InfoType theInfo;
  Priority() : IntegerWithNamedNumber(&theInfo) {}
};
constexpr ASN1::NamedNumberEntry Priority_names[] = {{-1, "low"}, {5, "high"}};
constexpr ASN1::NamedIntegerInfo Priority::theInfo = {
    {{&ASN1::make<Priority>, 2}, ASN1::Unconstrained, 0, UINT_MAX}, Priority_names, 2};
}  // namespace

TEST(AvnParserTest, NamedNumbers) {
  ASN1::SEQUENCE_OF<Priority> list;
  ASSERT_TRUE(parses("{high,-1,7}", list));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].getValue(), 5);
  EXPECT_EQ(list[1].getValue(), -1);
  EXPECT_EQ(list.asValueNotation(), "{\n  high,\n  low,\n  7\n}");
  EXPECT_FALSE(parses("{medium}", list));
}

TEST(AvnParserTest, StringsBitsAndOctets) {
  ASN1::BIT_STRING bits;
  ASSERT_TRUE(parses("'101'B", bits));
  EXPECT_EQ(bits.size(), 3u);
  EXPECT_EQ(bits.bytes(), ASN1::Octets{0xA0});
  ASSERT_TRUE(parses("'1010 1010 1'B", bits)) << "blanks inside are dropped";
  EXPECT_EQ(bits.size(), 9u);
  EXPECT_EQ(bits.bytes(), (ASN1::Octets{0xAA, 0x80}));
  EXPECT_FALSE(parses("'102'B", bits));
  EXPECT_FALSE(parses("'101'H", bits));
  ASN1::OCTET_STRING octets;
  ASSERT_TRUE(parses("'0a 1F'H", octets));
  EXPECT_EQ(octets, (ASN1::Octets{0x0A, 0x1F}));
  ASSERT_TRUE(parses("'abc'H", octets));
  EXPECT_EQ(octets, (ASN1::Octets{0xAB, 0xC0})) << "an odd last digit";
  ASSERT_TRUE(parses("''H", octets));
  EXPECT_TRUE(octets.empty());
  EXPECT_FALSE(parses("'0g'H", octets));
  EXPECT_FALSE(parses("'01'B", octets));
  EXPECT_FALSE(parses("'01", octets));
  ASN1::IA5String text;
  ASSERT_TRUE(parses("\"two words,\n and a brace}\"", text));
  EXPECT_EQ(text, "two words,\n and a brace}");
  EXPECT_FALSE(parses("\"open", text));
  EXPECT_FALSE(parses("open", text));
  ASN1::OBJECT_IDENTIFIER oid;
  ASSERT_TRUE(parses("{ iso(1) identified-organization(3) 6 }", oid));
  EXPECT_EQ(oid.arcs(), (std::vector<unsigned>{1, 3, 6}));
  EXPECT_FALSE(parses("{ 1 x }", oid));
  EXPECT_FALSE(parses("{ 1 (3) }", oid));
  EXPECT_FALSE(parses("{ 1 3", oid));
  // Characters the locale cannot write come out as quadruples, and read back.
  ASN1::BMPString wide(L"\u00e9t\u00e9");
  ASN1::BMPString back;
  ASSERT_TRUE(parses(wide.asValueNotation(), back)) << wide;
  EXPECT_EQ(back.compare(wide), 0);
  ASSERT_TRUE(parses("\"plain\"", back));
  EXPECT_EQ(static_cast<const std::wstring&>(back), L"plain");
  EXPECT_FALSE(parses("{{ 0, 0, 1, 256}}", back));
}

TEST(AvnParserTest, TimesNeedTheirSixFields) {
  ASN1::GeneralizedTime t;
  ASSERT_TRUE(parses("\"20240102030405.5+0130\"", t));
  EXPECT_EQ(t.compare(ASN1::GeneralizedTime(2024, 1, 2, 3, 4, 5, 500, 90)), 0);
  for (const char* text : {"", "Z", "-0130", "2024", "2024010203040", "2024O102030405", "+1234567890123"}) {
    ASN1::GeneralizedTime kept(t);
    EXPECT_FALSE(kept.set(text)) << text;
    EXPECT_EQ(kept.compare(t), 0) << text;
    EXPECT_FALSE(parses('"' + std::string(text) + '"', kept)) << text;
  }
  EXPECT_TRUE(t.set("20240102030405"));
  // Every millisecond count comes back through the text.
  for (int ms = 1; ms < 1000; ++ms) {
    ASN1::GeneralizedTime a(2024, 1, 2, 3, 4, 5, ms), b;
    ASSERT_TRUE(b.set(a.get().c_str()));
    ASSERT_EQ(b.millisec, ms) << a.get();
  }
}

TEST(AvnParserTest, StreamsAndTheCoderEnvironment) {
  std::istringstream in("5 -7 x");
  ASN1::INTEGER a, b, c;
  in >> a >> b;
  EXPECT_EQ(a.getValue(), 5);
  EXPECT_EQ(b.getValue(), -7);
  EXPECT_TRUE(in.good());
  in >> c;
  EXPECT_TRUE(in.fail());
  in >> a;
  EXPECT_EQ(a.getValue(), 5) << "a stream that is not good is left alone";
  std::istringstream end("12");
  end >> a;
  EXPECT_FALSE(end.fail());
  EXPECT_TRUE(end.eof());
  std::string text = pingMessage().asValueNotation();
  ASN1::Octets octets(text.begin(), text.end());
  Message m;
  ASSERT_TRUE(ASN1::decode(octets, ASN1::CoderEnv(ASN1::CoderEnv::avn), m));
  EXPECT_EQ(m.compare(pingMessage()), 0);
  ASN1::OpenData open;
  EXPECT_FALSE(parses("'01'H", open)) << "open types are not read from text";
}

TEST(AvnParserTest, ParsingStopsAtTheValueLimit) {
  // Each "{}" makes a Resources with its mandatory fields: more values than the limit.
  std::string hostile = "{";
  for (int i = 0; i < 100000; ++i) hostile += "{},";
  hostile += "{}}";
  ASN1::SEQUENCE_OF<Resources> list;
  AllocationCount before = allocationsSoFar();
  EXPECT_FALSE(parses(hostile, list));
  EXPECT_LE(allocationsSoFar().bytes - before.bytes, 64 * ASN1::MaximumValueCount);
  // Honest text of as many values still parses.
  ASN1::SEQUENCE_OF<Resources> honest;
  for (int i = 0; i < 300; ++i) honest.append().set_boardMajor(i);
  ASSERT_TRUE(parses(honest.asValueNotation(), list));
  EXPECT_EQ(list.compare(honest), 0);
}
