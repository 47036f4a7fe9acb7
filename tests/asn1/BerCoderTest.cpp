// BER: golden octets, the tags the descriptors give, lengths checked against the input,
// and whole messages of the test module taken there and back.

#include "AllocationCounter.h"
#include "FullValues.h"
#include "Hex.h"
#include "Messages.h"
#include "TestModule.h"
#include "asn1/BER.h"
#include "asn1/PER.h"

#include <gtest/gtest.h>

using namespace asn1test;
using namespace TestLGCP;
using ASN1::CoderEnv;
using ASN1::Octets;

namespace {

std::string berHex(const ASN1::AbstractData& value) {
  Octets out;
  if (!ASN1::encode(value, CoderEnv(CoderEnv::ber), out)) return "fails";
  return toHex(out);
}

bool berDecode(const std::string& hex, ASN1::AbstractData& value) {
  return ASN1::decode(fromHex(hex), CoderEnv(CoderEnv::ber), value);
}

// A SEQUENCE of no fields tagged [200]: its identifier takes two base-128 digits.
class Tagged200 : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  Tagged200() : SEQUENCE(&theInfo) {}
};
constexpr ASN1::SequenceInfo Tagged200::theInfo = {
    {&ASN1::make<Tagged200>, ASN1::ContextSpecificTag | 200}, false, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, nullptr};

// A SEQUENCE whose fields carry the tags of their own types: an optional INTEGER, an
// optional untagged CHOICE (Stream: [0] NULL, [1] INTEGER) and a BOOLEAN.
class OwnTags : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  OwnTags() : SEQUENCE(&theInfo) {}
  ASN1::INTEGER& number() { return setField<ASN1::INTEGER>(0); }
  Stream& stream() { return setField<Stream>(1); }
  ASN1::BOOLEAN& flag() { return setField<ASN1::BOOLEAN>(2); }
};
constexpr const ASN1::TypeInfo* const OwnTags_fieldInfos[] = {&ASN1::INTEGER::theInfo, &Stream::theInfo, &ASN1::BOOLEAN::theInfo};
constexpr int OwnTags_fieldIds[] = {0, 1, -1};
constexpr const char* const OwnTags_fieldNames[] = {"number", "stream", "flag"};
constexpr ASN1::SequenceInfo OwnTags::theInfo = {
    {&ASN1::make<OwnTags>, 16}, false, OwnTags_fieldInfos, OwnTags_fieldIds, 3, 0, 2, nullptr,
    ASN1::SEQUENCE::defaultTag, OwnTags_fieldNames};

// A CHOICE with a tag table: an untagged first alternative (Stream, whose own
// alternatives carry the tags) and an OCTET STRING tagged [APPLICATION 5].
class Tabled : public ASN1::CHOICE {
 public:
  static const InfoType theInfo;
  Tabled() : CHOICE(&theInfo) {}
};
constexpr const ASN1::TypeInfo* const Tabled_selectionInfos[] = {&Stream::theInfo, &ASN1::OCTET_STRING::theInfo};
constexpr unsigned Tabled_tags[] = {0, (1u << 22) | 5};
constexpr const char* const Tabled_selectionNames[] = {"stream", "octets"};
constexpr ASN1::ChoiceInfo Tabled::theInfo = {
    {&ASN1::make<Tabled>, 0}, false, Tabled_selectionInfos, 2, 2, Tabled_tags, Tabled_selectionNames};

class IntegerHolder : public ASN1::TypeConstrainedOpenData {
 public:
  static const InfoType theInfo;
  IntegerHolder() : TypeConstrainedOpenData(&theInfo) {}
};
constexpr ASN1::OpenTypeInfo IntegerHolder::theInfo = {{&ASN1::make<IntegerHolder>, 0}, &ASN1::INTEGER::theInfo};

}  // namespace

TEST(BerCoderTest, Integers) {
  const std::pair<int, const char*> vectors[] = {
      {0, "02 01 00"}, {127, "02 01 7F"}, {128, "02 02 00 80"}, {-1, "02 01 FF"}, {-128, "02 01 80"},
      {-129, "02 02 FF 7F"}, {65535, "02 03 00 FF FF"}, {2147483647, "02 04 7F FF FF FF"},
      {INT_MIN, "02 04 80 00 00 00"}};
  for (auto [value, hex] : vectors) {
    EXPECT_EQ(berHex(ASN1::INTEGER(value)), hex) << value;
    ASN1::INTEGER back(99);
    ASSERT_TRUE(berDecode(hex, back)) << hex;
    EXPECT_EQ(back.getValue(), value);
  }
  EXPECT_EQ(ASN1::getIntegerDataLength(-32768), 2u);
  EXPECT_EQ(ASN1::getIntegerDataLength(32768), 3u);
  ASN1::INTEGER i;
  EXPECT_FALSE(berDecode("02 00", i)) << "no octet";
  EXPECT_FALSE(berDecode("02 05 00 80 00 00 00", i)) << "more than 32 bits";
  // A negative ENUMERATED comes back as it went.
  RadioStandby standby(RadioStandby::not_use);
  EXPECT_EQ(berHex(standby), "0A 01 FF");
  RadioStandby back;
  ASSERT_TRUE(berDecode("0A 01 FF", back));
  EXPECT_EQ(back.getValue(), RadioStandby::not_use);
  EXPECT_EQ(berHex(ED137CauseCode(ED137CauseCode::radio_no_permissions)), "0A 02 08 33");
}

TEST(BerCoderTest, LeafKinds) {
  EXPECT_EQ(berHex(ASN1::Null()), "05 00");
  EXPECT_EQ(berHex(ASN1::BOOLEAN(true)), "01 01 FF");
  ASN1::BOOLEAN b;
  ASSERT_TRUE(berDecode("01 01 01", b));
  EXPECT_TRUE(b.getValue());
  EXPECT_EQ(berHex(ASN1::OCTET_STRING{0xAB, 0xCD}), "04 02 AB CD");
  EXPECT_EQ(berHex(ASN1::IA5String("hi")), "16 02 68 69");
  EXPECT_EQ(berHex(ASN1::BMPString(L"\u00e9a")), "1E 04 00 E9 00 61");
  EXPECT_EQ(berHex(ASN1::BMPString(std::wstring(1, wchar_t(0x10000)))), "fails") << "beyond 16 bits";
  ASN1::BMPString bmp;
  EXPECT_FALSE(berDecode("1E 03 00 E9 00", bmp)) << "half a character";
  EXPECT_EQ(berHex(ASN1::OBJECT_IDENTIFIER{1, 3, 6, 1}), "06 03 2B 06 01");
  ASN1::OBJECT_IDENTIFIER oid;
  ASSERT_TRUE(berDecode("06 03 2B 06 01", oid));
  EXPECT_EQ(oid.arcs(), (std::vector<unsigned>{1, 3, 6, 1}));
  EXPECT_FALSE(berDecode("06 02 2B 86", oid)) << "an arc cut short";
  ASN1::GeneralizedTime time(2024, 1, 2, 3, 4, 5, 500, 0, true);
  EXPECT_EQ(berHex(time), "18 13 32 30 32 34 30 31 30 32 30 33 30 34 30 35 2E 35 30 30 5A");
  ASN1::GeneralizedTime t2;
  ASSERT_TRUE(berDecode(berHex(time), t2));
  EXPECT_EQ(t2.compare(time), 0);
  EXPECT_FALSE(berDecode("18 04 32 30 32 34", t2)) << "a time shorter than its fields";
  EXPECT_EQ(t2.compare(time), 0);
}

TEST(BerCoderTest, BitStrings) {
  ASN1::BIT_STRING bits;
  bits.resize(16);
  bits.set(0);
  bits.set(15);
  EXPECT_EQ(berHex(bits), "03 03 00 80 01");
  bits.resize(12);
  EXPECT_EQ(berHex(bits), "03 03 04 80 01") << "the unused bits go as stored";
  bits.bytes()[1] = 0x10;
  EXPECT_EQ(berHex(ASN1::BIT_STRING()), "03 01 00");
  ASN1::BIT_STRING back;
  ASSERT_TRUE(berDecode("03 03 04 80 10", back));
  EXPECT_EQ(back.size(), 12u);
  EXPECT_EQ(back.compare(bits), 0);
  ASSERT_TRUE(berDecode("03 01 00", back));
  EXPECT_EQ(back.size(), 0u);
  EXPECT_FALSE(berDecode("03 00", back)) << "no unused-bit count";
  EXPECT_FALSE(berDecode("03 02 08 FF", back)) << "8 unused bits";
  EXPECT_FALSE(berDecode("03 01 03", back)) << "unused bits of no octet";
  // Bytes cut shorter than the bit count: every coder refuses instead of reading past them.
  bits.bytes().resize(1);
  EXPECT_EQ(berHex(bits), "fails");
  bits.resize(24);
  bits.bytes().resize(2);
  EXPECT_EQ(perHex(bits), "fails");
  EXPECT_EQ(bits.asValueNotation(), "'100000000000000000000000'B");
}

TEST(BerCoderTest, Lengths) {
  ASN1::OCTET_STRING big(256, 0x11);
  std::string hex = berHex(big);
  EXPECT_EQ(hex.substr(0, 11), "04 82 01 00");
  EXPECT_EQ(ASN1::getDataLength(big), 256u);
  EXPECT_EQ(ASN1::getObjectLength(big, ASN1::BEREncoder::NoTag), 260u) << "3 length octets";
  EXPECT_EQ(ASN1::getObjectLength(big, 0), 256u);
  EXPECT_EQ(ASN1::getObjectLength(ASN1::OCTET_STRING(127, 0), ASN1::BEREncoder::NoTag), 129u);
  EXPECT_EQ(ASN1::getObjectLength(ASN1::OCTET_STRING(128, 0), ASN1::BEREncoder::NoTag), 131u);
  ASN1::OCTET_STRING back;
  ASSERT_TRUE(berDecode(hex, back));
  EXPECT_EQ(back.compare(big), 0);
  Response success;
  success.set_success();
  EXPECT_EQ(ASN1::getObjectLength(success, ASN1::BEREncoder::NoTag), 2u) << "an untagged CHOICE is its alternative";
  EXPECT_EQ(ASN1::getDataLength(success), 2u);
  EXPECT_EQ(ASN1::getDataLength(pingMessage()), 12u);
}

TEST(BerCoderTest, LengthsAreCheckedAgainstTheInputBeforeAnythingIsRead) {
  ASN1::OCTET_STRING s;
  AllocationCount before = allocationsSoFar();
  EXPECT_FALSE(berDecode("04 84 FF FF FF FF", s)) << "4 GB claimed in a 6-octet input";
  EXPECT_LE(allocationsSoFar().bytes - before.bytes, 1024u);
  EXPECT_FALSE(berDecode("04 85 00 00 00 00 01 AA", s)) << "5 length octets";
  EXPECT_FALSE(berDecode("04 80 AA 00 00", s)) << "the indefinite form";
  EXPECT_FALSE(berDecode("04 82 01", s)) << "length octets cut short";
  EXPECT_FALSE(berDecode("04 03 AA BB", s)) << "contents cut short";
  EXPECT_FALSE(berDecode("04", s));
  EXPECT_TRUE(berDecode("04 84 00 00 00 01 AA", s)) << "a long form that fits";
  // A field never reaches past the SEQUENCE that holds it, even where the input goes on.
  Message m;
  EXPECT_FALSE(berDecode("30 03 80 04 01 02 03 04 82 04 80 02 8C 00", m));
  // A list's element count is bounded by its contents, and by the decoders' limit.
  Octets list = {0x31, 0x82, 0x01, 0x80};  // 384 octets: 128 INTEGERs
  for (unsigned i = 0; i < ASN1::MaximumArraySize; ++i) list.insert(list.end(), {0x02, 0x01, 0x07});
  ASN1::SET_OF<ASN1::INTEGER> ints;
  EXPECT_TRUE(ASN1::decode(list, CoderEnv(CoderEnv::ber), ints));
  EXPECT_EQ(ints.size(), ASN1::MaximumArraySize);
  list.insert(list.end(), {0x02, 0x01, 0x07});
  list[3] += 3;
  EXPECT_FALSE(ASN1::decode(list, CoderEnv(CoderEnv::ber), ints));
}

TEST(BerCoderTest, TagNumbers) {
  EXPECT_EQ(berHex(Tagged200()), "BF 81 48 00") << "context-specific, constructed, 200";
  Tagged200 back;
  ASSERT_TRUE(berDecode("BF 81 48 00", back));
  EXPECT_FALSE(berDecode("BF 81 49 00", back)) << "tag 201";
  EXPECT_FALSE(berDecode("BF 81 81 81 81 48 00", back)) << "a tag number of five digits";
  ASN1::INTEGER i;
  EXPECT_FALSE(berDecode("04 01 05", i)) << "an OCTET STRING is no INTEGER";
  // A rejected header leaves the position where it was.
  Octets octets = fromHex("04 01 05");
  ASN1::BERDecoder decoder(octets.data(), octets.data() + octets.size());
  std::size_t length;
  EXPECT_FALSE(decoder.decodeHeader(i, length));
  unsigned tag;
  bool primitive;
  ASSERT_TRUE(decoder.decodeHeader(tag, primitive, length));
  EXPECT_EQ(tag, 4u);
  EXPECT_TRUE(primitive);
  EXPECT_EQ(length, 1u);
}

TEST(BerCoderTest, AMessageWithAutomaticTags) {
  // seq [0] 5, slot [1] 12, pdu [2] holding command [0] holding ping [12].
  const char* hex = "30 0C 80 01 05 81 01 0C 82 04 80 02 8C 00";
  EXPECT_EQ(berHex(pingMessage()), hex);
  Message back;
  ASSERT_TRUE(berDecode(hex, back));
  EXPECT_EQ(back.compare(pingMessage()), 0) << back;
  Message bare;
  bare.get_pdu().set_response().set_error(ErrorCause::slotIdBusy);
  EXPECT_EQ(berHex(bare), "30 07 82 05 81 03 81 01 0B");
  ASSERT_TRUE(berDecode("30 07 82 05 81 03 81 01 0B", back));
  EXPECT_FALSE(back.hasOptionalField(0)) << "fields absent from the octets are absent";
  EXPECT_FALSE(back.hasOptionalField(1));
  EXPECT_EQ(back.compare(bare), 0);
  EXPECT_FALSE(berDecode("30 05 80 01 05 81 00", back)) << "no pdu";
  EXPECT_FALSE(berDecode("30 06 82 04 80 02 8F 00", back)) << "command 15 does not exist";
  EXPECT_FALSE(berDecode("30 06 82 04 40 02 8C 00", back)) << "an application tag selects nothing";
  // An optional field that starts to decode and fails fails the message.
  EXPECT_FALSE(berDecode("30 08 80 00 82 04 80 02 8C 00", back));
  EXPECT_FALSE(berDecode("30 08 82 04 80 02 8C 00", back)) << "a length beyond the input";
  // An empty SEQUENCE may end the input.
  Message status;
  status.get_pdu().set_signal().set_trunkStatus();
  EXPECT_EQ(berHex(status), "30 06 A2 04 A2 02 AB 00");
  ASSERT_TRUE(berDecode("30 06 A2 04 A2 02 AB 00", back));
  EXPECT_EQ(back.compare(status), 0);
}

TEST(BerCoderTest, ExtensionAdditionsAndLists) {
  ActivateParams a;
  a.set_payload(Payload::pcmu);
  DualTone tone;
  tone.set_f1(350);
  tone.set_f2(440);
  a.get_tones().push_back(tone);
  a.set_cause(ED137CauseCode::radio_no_permissions);
  const char* hex = "30 13 80 01 01 A1 0A 30 08 80 02 01 5E 81 02 01 B8 84 02 08 33";
  EXPECT_EQ(berHex(a), hex);
  ActivateParams back;
  ASSERT_TRUE(berDecode(hex, back));
  EXPECT_EQ(back.compare(a), 0) << back;
  EXPECT_FALSE(back.hasOptionalField(0));
  EXPECT_EQ(back.getField(3), nullptr) << "the label was not there";
  // Additions this type does not know are passed over.
  ASSERT_TRUE(berDecode("30 16 80 01 01 A1 0A 30 08 80 02 01 5E 81 02 01 B8 84 02 08 33 89 01 00", back));
  EXPECT_EQ(back.compare(a), 0);
  // A list element that fails fails the list.
  EXPECT_FALSE(berDecode("30 0B 80 01 01 A1 06 30 04 80 02 01 5E", back)) << "a tone without f2";
}

TEST(BerCoderTest, TagsFromTables) {
  OwnTags own;
  own.flag() = true;
  EXPECT_EQ(berHex(own), "30 03 01 01 FF");
  own.number() = 5;
  own.stream().set_active(7);
  const char* hex = "30 09 02 01 05 81 01 07 01 01 FF";
  EXPECT_EQ(berHex(own), hex);
  OwnTags back;
  ASSERT_TRUE(berDecode(hex, back));
  EXPECT_EQ(back.compare(own), 0);
  ASSERT_TRUE(berDecode("30 03 01 01 FF", back));
  EXPECT_FALSE(back.hasOptionalField(0));
  EXPECT_FALSE(back.hasOptionalField(1)) << "an untagged CHOICE whose tags do not match is absent";
  EXPECT_FALSE(berDecode("30 03 05 00 00", back)) << "no flag";

  Tabled t;
  t.select<ASN1::OCTET_STRING>(1) = Octets{0xAB};
  EXPECT_EQ(berHex(t), "45 01 AB");
  t.select<Stream>(0).set_active(3);
  EXPECT_EQ(berHex(t), "81 01 03");
  Tabled tBack;
  ASSERT_TRUE(berDecode("81 01 03", tBack)) << "found in the nested CHOICE";
  EXPECT_EQ(tBack.compare(t), 0);
  ASSERT_TRUE(berDecode("45 01 AB", tBack));
  EXPECT_EQ(tBack.getSelectionID(), 1);
  EXPECT_FALSE(berDecode("46 01 AB", tBack));
  EXPECT_TRUE(tBack.setID(0, ASN1::ContextSpecificTag));
  EXPECT_EQ(tBack.getSelectionID(), 0);
  EXPECT_FALSE(tBack.setID(2, ASN1::ContextSpecificTag));
}

TEST(BerCoderTest, OpenTypes) {
  IntegerHolder holder;
  static_cast<ASN1::INTEGER*>(holder.get_data())->setValue(300);
  EXPECT_EQ(berHex(holder), "02 02 01 2C") << "untagged: the held value alone";
  IntegerHolder back;
  ASSERT_TRUE(berDecode("02 02 01 2C", back));
  EXPECT_EQ(back.compare(holder), 0);
  ASN1::OpenData open;
  ASSERT_TRUE(berDecode("02 02 01 2C FF", open));
  EXPECT_EQ(toHex(*open.get_buf()), "02 02 01 2C") << "one whole encoding is kept";
  EXPECT_EQ(berHex(open), "02 02 01 2C");
  EXPECT_EQ(berHex(ASN1::OpenData()), "fails");
  Octets none;
  ASN1::BERDecoder decoder(none.data(), none.data());
  open.set_data(new ASN1::INTEGER);
  ASSERT_TRUE(decoder.do_revisit(open));
  EXPECT_EQ(static_cast<ASN1::INTEGER*>(open.get_data())->getValue(), 300);
}

TEST(BerCoderTest, EveryTypeOfTheTestModuleGoesThereAndBack) {
  auto report = [](const ASN1::TypeInfo*, const ASN1::AbstractData& v, const std::string& failure) {
    ADD_FAILURE() << failure << "\n" << v;
  };
  EXPECT_GT(roundTripEveryType(&Message::theInfo, CoderEnv::ber, report), 120u);
}
