// Aligned PER of single values and of the coder's primitives, as golden hex.

#include "Hex.h"
#include "TestModule.h"
#include "asn1/PER.h"

#include <gtest/gtest.h>

using namespace asn1test;
using namespace TestLGCP;
using ASN1::Octets;

namespace {

template <class T>
std::string roundTrip(const T& value) {
  std::string hex = perHex(value);
  T back;
  if (hex == "fails" || !perDecode(hex, back)) return "no decode";
  return back.compare(value) == 0 && perHex(back) == hex ? hex : "differs";
}

// An OCTET STRING of 0..7 octets, and one with an extensible size 1..2.
constexpr ASN1::ConstrainedInfo smallOctets = {{&ASN1::make<ASN1::OCTET_STRING>, 4}, ASN1::FixedConstraint, 0, 7};
constexpr ASN1::ConstrainedInfo extOctets = {{&ASN1::make<ASN1::OCTET_STRING>, 4}, ASN1::ExtendableConstraint, 1, 2};

// BMPString (SIZE(1)) of the characters 0x20..0x7E.
constexpr ASN1::BMPStringInfo oneCharacter = {
    {{&ASN1::make<ASN1::BMPString>, 30}, ASN1::FixedConstraint, 1, 1}, 0x20, 0x7E, 16, 16};

// CHOICE { ping NULL }: one root alternative, not extensible, so it writes no bits.
class Beacon : public ASN1::CHOICE {
 public:
  static const InfoType theInfo;
  Beacon() : CHOICE(&theInfo) {}
};
constexpr const ASN1::TypeInfo* const Beacon_selectionInfos[] = {&ASN1::Null::theInfo};
constexpr const char* const Beacon_selectionNames[] = {"ping"};
constexpr ASN1::ChoiceInfo Beacon::theInfo = {{&ASN1::make<Beacon>, 0}, false, Beacon_selectionInfos, 1, 1, nullptr, Beacon_selectionNames};

std::string afterOneBit(const ASN1::AbstractData& value) {
  Octets out;
  ASN1::PEREncoder encoder(out);
  encoder.encodeSingleBit(true);
  return value.accept(encoder) ? toHex(out) : "fails";
}

}  // namespace

TEST(PerCoderTest, UnconstrainedIntegers) {
  const std::pair<int, const char*> cases[] = {{0, "01 00"},        {127, "01 7F"},    {128, "02 00 80"},
                                               {-1, "01 FF"},       {-128, "01 80"},   {-129, "02 FF 7F"},
                                               {2147483647, "04 7F FF FF FF"}, {INT_MIN, "04 80 00 00 00"}};
  for (auto [value, hex] : cases) {
    EXPECT_EQ(roundTrip(ASN1::INTEGER(value)), hex) << value;
  }
  ASN1::INTEGER zero(99);
  EXPECT_TRUE(perDecode("00", zero));
  EXPECT_EQ(zero.getValue(), 0);
  EXPECT_FALSE(perDecode("05 01 02 03 04 05", zero)) << "more than four octets";
}

TEST(PerCoderTest, ConstrainedIntegers) {
  EXPECT_EQ(roundTrip(ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023>(1000)), "03 E8");
  EXPECT_EQ(roundTrip(ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>(0)), "00 00");
  EXPECT_EQ(roundTrip(ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>(256)), "40 01 00");
  EXPECT_EQ(roundTrip(ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>(4294967295u)), "C0 FF FF FF FF");
  EXPECT_EQ(roundTrip(ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127>(-1)), "7F");
  EXPECT_EQ(roundTrip(ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 21>(21)), "A0");
  EXPECT_EQ(roundTrip(ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 20, 1000>(1000)), "03 D4");
  // 112000..399975 needs three octets: the octet count goes in two bits.
  EXPECT_EQ(roundTrip(ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 112000, 399975>(112001)), "00 01");
  EXPECT_EQ(roundTrip(ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 5, 5>(5)), "");
  EXPECT_EQ(perHex(ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023>(1024)), "fails");
  EXPECT_EQ(perHex(ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127>(200)), "fails");
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023> slot;
  EXPECT_FALSE(perDecode("03", slot)) << "bits past the end of the input";
}

TEST(PerCoderTest, ExtensibleIntegerRange) {
  using Ext = ASN1::Constrained_INTEGER<ASN1::ExtendableConstraint, 0, 7>;
  EXPECT_EQ(roundTrip(Ext(5)), "50");
  EXPECT_EQ(roundTrip(Ext(300)), "80 02 01 2C");
  // With a negative lb the number is above ub compared unsigned: every negative value goes
  // as unconstrained, its extension bit set.
  using Signed = ASN1::Constrained_INTEGER<ASN1::ExtendableConstraint, -128, 127>;
  EXPECT_EQ(perHex(Signed(-1)), "80 01 FF");
  EXPECT_EQ(perHex(Signed(-128)), "80 01 80");
  EXPECT_EQ(roundTrip(Signed(5)), "00 85") << "inside the root: offset 133, aligned";
  EXPECT_EQ(roundTrip(Signed(127)), "00 FF");
}

TEST(PerCoderTest, Enumerations) {
  EXPECT_EQ(roundTrip(ED137CauseCode(ED137CauseCode::radio_no_permissions)), "00 08 33");
  EXPECT_EQ(roundTrip(ErrorCause(ErrorCause::NamedNumber(13))), "8E D0");
  EXPECT_EQ(roundTrip(ErrorCause(ErrorCause::NamedNumber(100))), "C0 01 65 C8");
  EXPECT_EQ(roundTrip(R1Code(R1Code::silence)), "80");
  EXPECT_EQ(perHex(R1Code(R1Code::NamedNumber(3))), "fails") << "beyond a root that has no extension";
  EXPECT_EQ(perHex(RadioStandby(RadioStandby::not_use)), "fails") << "negative";
  ErrorCause e;
  EXPECT_FALSE(perDecode("80 00", e)) << "extension value with small number 0";
  EXPECT_FALSE(perDecode("C0 04 13 13 FF FF FF FF FF FF FF FF", e)) << "an extension value beyond 0..m-1 and negative";
  R1Code r;
  EXPECT_TRUE(perDecode("C0", r)) << "3 in the two bits of 0..2 is read as it is";
  EXPECT_EQ(r.ENUMERATED::getValue(), 3);
}

TEST(PerCoderTest, Lengths) {
  auto length = [](std::size_t n) {
    Octets out;
    ASN1::PEREncoder encoder(out);
    return encoder.encodeLength(n, 0, 2147483647) ? toHex(out) : "fails";
  };
  EXPECT_EQ(length(127), "7F");
  EXPECT_EQ(length(128), "80 80");
  EXPECT_EQ(length(16383), "BF FF");
  EXPECT_EQ(length(16384), "fails");
  ASN1::OCTET_STRING s;
  EXPECT_FALSE(perDecode("C0 01", s)) << "first two length bits both 1";
  EXPECT_TRUE(perDecode("80 80" + std::string(128 * 3, '0'), s));
  EXPECT_EQ(s.size(), 128u);
}

TEST(PerCoderTest, SmallNumbers) {
  auto small = [](unsigned n) {
    Octets out;
    ASN1::PEREncoder encoder(out);
    encoder.encodeSmallUnsigned(n);
    return toHex(out);
  };
  EXPECT_EQ(small(63), "7E");
  EXPECT_EQ(small(64), "80 01 40");
  EXPECT_EQ(small(65536), "80 03 01 00 00");
  Octets five = fromHex("80 05 01 02 03 04 05");
  ASN1::PERDecoder decoder(five.data(), five.data() + five.size());
  unsigned n;
  EXPECT_FALSE(decoder.decodeSmallUnsigned(n)) << "more than four octets";
}

TEST(PerCoderTest, TheEndOfTheInputYieldsZeroBitsAndNoMovement) {
  const Octets octets = fromHex("A5");
  ASN1::PERDecoder decoder(octets.data(), octets.data() + octets.size());
  unsigned seven = 0;
  ASSERT_TRUE(decoder.decodeMultiBit(7, seven));
  EXPECT_EQ(seven, 0x52u);
  EXPECT_TRUE(decoder.decodeSingleBit());
  EXPECT_FALSE(decoder.decodeSingleBit()) << "past the end";
  EXPECT_EQ(decoder.consumed(), 1u);
  unsigned none = 9;
  EXPECT_FALSE(decoder.decodeMultiBit(1, none));
  EXPECT_EQ(none, 9u);
  ASN1::PERDecoder jumper(octets.data(), octets.data() + octets.size());
  jumper.decodeSingleBit();
  jumper.setPosition(octets.data() + 5);
  EXPECT_EQ(jumper.consumed(), 1u) << "never past the end";
  EXPECT_EQ(jumper.getBitsLeft(), 0u);
}

TEST(PerCoderTest, OctetStrings) {
  EXPECT_EQ(afterOneBit(ASN1::OCTET_STRING(Octets{0xAB}, &smallOctets)), "9A B0") << "one octet not aligned";
  EXPECT_EQ(afterOneBit(ASN1::OCTET_STRING(Octets{0xAB, 0xCD}, &smallOctets)), "AA BC D0") << "two not aligned";
  EXPECT_EQ(afterOneBit(ASN1::OCTET_STRING(Octets{0xAB, 0xCD, 0xEF}, &smallOctets)), "B0 AB CD EF");
  EXPECT_EQ(perHex(ASN1::OCTET_STRING(Octets(8, 0), &smallOctets)), "fails");
  EXPECT_EQ(perHex(ASN1::OCTET_STRING(Octets{1, 2, 3}, &extOctets)), "80 03 01 02 03") << "outside the root";
  EXPECT_EQ(perHex(ASN1::OCTET_STRING(Octets{1, 2}, &extOctets)), "40 40 80") << "inside the root";
  EXPECT_EQ(roundTrip(ASN1::OCTET_STRING()), "00");
  ASN1::OCTET_STRING s;
  EXPECT_FALSE(perDecode("05 01 02", s)) << "short block";
}

TEST(PerCoderTest, BitStrings) {
  ASN1::BIT_STRING twelve;
  twelve.resize(12);
  twelve.set(0), twelve.set(11);
  EXPECT_EQ(roundTrip(twelve), "0C 80 10");
  ASN1::BIT_STRING twenty;
  twenty.resize(20);
  twenty.set(19);
  EXPECT_EQ(roundTrip(twenty), "14 00 00 10");
  ASN1::BIT_STRING b;
  EXPECT_FALSE(perDecode("80 80 FF", b)) << "more bits than remain";
}

TEST(PerCoderTest, CharacterStrings) {
  EXPECT_EQ(roundTrip(ASN1::IA5String("ab")), "02 61 62");
  EXPECT_EQ(roundTrip(ASN1::NumericString(" 19")), "03 02 A0");
  EXPECT_EQ(roundTrip(ASN1::PrintableString("Hi")), "02 48 69");
  EXPECT_EQ(perHex(ASN1::NumericString("1a")), "fails") << "outside the alphabet";
  ASN1::NumericString n;
  EXPECT_FALSE(perDecode("01 F0", n)) << "index outside the alphabet";
  EXPECT_EQ(roundTrip(ASN1::BMPString(L"\x20AC" L"A")), "02 20 AC 00 41");
  ASN1::IA5String s;
  EXPECT_FALSE(perDecode("05 61 62", s));
}

TEST(PerCoderTest, ABmpStringOfOneCharacterIsNotAligned) {
  ASN1::BMPString one(&oneCharacter);
  EXPECT_EQ(one.info(), &oneCharacter);
  EXPECT_TRUE(one.empty());
  one = L"A";
  // No length (the size is fixed), then the character minus the first one, 0x20, unaligned.
  EXPECT_EQ(afterOneBit(one), "80 10 80");
  ASN1::BMPString back(&oneCharacter);
  ASSERT_TRUE(perDecode("00 21", back));
  EXPECT_EQ(back, one);
  one = L"\x7F";
  EXPECT_FALSE(one.isValid());
  EXPECT_EQ(perHex(one), "fails") << "outside the permitted characters";
}

TEST(PerCoderTest, ABlockOfNoCharactersIsNotAligned) {
  Caption c;  // s IA5String (SIZE(0..10)), b BOOLEAN
  c.set_b(true);
  EXPECT_EQ(roundTrip(c), "08") << "length 0 in four bits, then b";
  c.set_s("ab");
  EXPECT_EQ(roundTrip(c), "20 61 62 80") << "the characters as an aligned block";
  ASN1::IA5String empty;
  EXPECT_EQ(roundTrip(empty), "00");
}

TEST(PerCoderTest, ObjectIdentifierAndTime) {
  EXPECT_EQ(roundTrip(ASN1::OBJECT_IDENTIFIER{1, 3, 6, 1}), "03 2B 06 01");
  EXPECT_EQ(perHex(ASN1::OBJECT_IDENTIFIER{1}), "00");
  EXPECT_EQ(roundTrip(ASN1::GeneralizedTime("20240102030405Z")), "0F 32 30 32 34 30 31 30 32 30 33 30 34 30 35 5A");
  ASN1::OBJECT_IDENTIFIER oid;
  EXPECT_FALSE(perDecode("02 2B 86", oid)) << "an unfinished arc";
  EXPECT_FALSE(perDecode("05 2B 06", oid)) << "contents past the end";
}

TEST(PerCoderTest, Choices) {
  IvaCode iva;
  iva.set_ringoff();
  EXPECT_EQ(roundTrip(iva), "80");
  TonecCode done;
  done.set_dtmfDone();
  EXPECT_EQ(roundTrip(done), "80 01 00") << "an open type that writes no bits";
  PDU pdu;
  EXPECT_FALSE(perDecode("C0", pdu)) << "index 3 of three root alternatives";
  Response response;
  response.set_error(ErrorCause::internal);
  EXPECT_EQ(roundTrip(response), "94");
  CreateParams create;
  EXPECT_FALSE(perDecode("C0", create)) << "root index 3 of three";
  Beacon beacon;
  EXPECT_FALSE(perDecode("", beacon)) << "nothing to read, though the index takes no bits";
  EXPECT_EQ(beacon.getSelectionID(), -1);
  ASSERT_TRUE(perDecode("00", beacon));
  EXPECT_EQ(beacon.getSelectionID(), 0);
}

TEST(PerCoderTest, Lists) {
  IoctlParams io;
  io.set_code(7);
  io.get_args().push_back(1);
  io.get_args().push_back(-1);
  EXPECT_EQ(roundTrip(io), "07 02 01 01 01 FF");
  DisplayParams d;
  d.set_title("t");
  EXPECT_EQ(roundTrip(d), "01 74 00");
  ASN1::SEQUENCE_OF<ASN1::INTEGER> big;
  Octets body = fromHex("80 81");  // 129 elements: above the limit
  for (int i = 0; i < 129; ++i) body.insert(body.end(), {1, 0});
  EXPECT_FALSE(ASN1::decode(body, ASN1::CoderEnv(), big));
  body[1] = 0x80;  // 128 elements: the limit itself
  EXPECT_TRUE(ASN1::decode(body, ASN1::CoderEnv(), big));
  EXPECT_EQ(big.size(), 128u);
}

TEST(PerCoderTest, AFailingElementLeavesOnlyTheGoodOnes) {
  ASN1::SEQUENCE_OF<ASN1::INTEGER> list;
  EXPECT_FALSE(perDecode("03 01 05 01 06 05", list));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].getValue(), 6);
}

TEST(PerCoderTest, SequenceExtensions) {
  ActivateParams a;
  a.set_payload(Payload::pcmu);
  a.set_standby(RadioStandby::standby);
  // Extension bit, gain absent, payload 1; empty list; count 3 as 2; map 001; the open type.
  EXPECT_EQ(roundTrip(a), "90 00 04 40 01 80");
  a.set_gain(-2);
  EXPECT_EQ(roundTrip(a), "D0 00 7E 04 40 01 80");
  // An addition in the map that is not in the type is skipped over.
  ActivateParams b;
  ASSERT_TRUE(perDecode("90 00 06 60 01 80 02 AA BB", b));
  EXPECT_TRUE(b.hasOptionalField(3));
  EXPECT_EQ(b.get_standby().getValue(), RadioStandby::standby);
  EXPECT_FALSE(perDecode("90 00 06 60 01 80 05 AA BB", b)) << "skipped octets past the end";
}
