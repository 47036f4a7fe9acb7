// Hostile and damaged input: every decode ends in a clean failure or a sound value, within
// the input it was given and within a bounded amount of memory.

#include "AllocationCounter.h"
#include "FullValues.h"
#include "Hex.h"
#include "TestModule.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace asn1test;
using namespace TestLGCP;
using ASN1::Octets;

namespace {

// A type-constrained open type holding an unconstrained INTEGER.
class IntegerHolder : public ASN1::TypeConstrainedOpenData {
 public:
  static const InfoType theInfo;
  IntegerHolder() : TypeConstrainedOpenData(&theInfo) {}
};
constexpr ASN1::OpenTypeInfo IntegerHolder::theInfo = {{&ASN1::make<IntegerHolder>, 0}, &ASN1::INTEGER::theInfo};

// Lists of lists of lists of NULL: few octets can declare millions of values.
using Nested = ASN1::SEQUENCE_OF<ASN1::SEQUENCE_OF<ASN1::SEQUENCE_OF<ASN1::Null>>>;

}  // namespace

TEST(HostileInputTest, OpenTypesAreDecodedFromTheirDeclaredSpanOnly) {
  ActivateParams a;
  ASSERT_TRUE(perDecode("90 00 02 80 03 00 08 33", a));
  EXPECT_EQ(a.get_cause().getValue(), ED137CauseCode::radio_no_permissions);
  // The addition declares one octet but its value needs three: the octets after the span
  // are not read.
  EXPECT_FALSE(perDecode("90 00 02 80 01 00 08 33", a));
  EXPECT_FALSE(perDecode("90 00 02 80 07 00 08 33", a)) << "a span beyond the input";
  TonecCode code;
  EXPECT_FALSE(perDecode("80 05 00", code)) << "an extension alternative's span beyond the input";
  IntegerHolder holder;
  EXPECT_FALSE(perDecode("01 02 00 80", holder));
  ASSERT_TRUE(perDecode("03 02 00 80", holder));
  EXPECT_EQ(static_cast<const ASN1::INTEGER*>(holder.get_data())->getValue(), 128);
  EXPECT_FALSE(perDecode("09 02 00 80", holder));
}

// Every octet of an encoding carries bits that the decoder needs: cut anywhere, it fails.
TEST(HostileInputTest, EveryCutEncodingFailsToDecode) {
  std::size_t cuts = 0;
  for (const ASN1::TypeInfo* info : reachableTypes(&Message::theInfo))
    for (bool extremes : {false, true})
      for (auto& value : fullValues(info, extremes)) {
        Octets whole;
        ASSERT_TRUE(ASN1::encode(*value, ASN1::CoderEnv(), whole)) << value->asValueNotation();
        for (std::size_t n = 0; n < whole.size(); ++n, ++cuts) {
          std::unique_ptr<ASN1::AbstractData> back(ASN1::create(info));
          EXPECT_FALSE(ASN1::decode(whole.data(), whole.data() + n, ASN1::CoderEnv(), *back, true))
              << toHex(whole) << " cut to " << n << " octets";
        }
      }
  EXPECT_GT(cuts, 1000u);
}

TEST(HostileInputTest, HugeExtensionNumbersNeverWrapIntoValidOnes) {
  Message m;
  // Extension index 0xFFFFFFF2 + 15 root alternatives would wrap round to 1 (testBpc).
  EXPECT_FALSE(perDecode("0C 04 FF FF FF F2 01 00", m));
  EXPECT_FALSE(perDecode("0C 04 00 01 00 00 01 00", m));
  ActivateParams a;
  EXPECT_FALSE(perDecode("90 00 80 04 FF FF FF FF FF", a)) << "extension count 2^32 would wrap to 0";
  EXPECT_FALSE(perDecode("90 00 80 01 80 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF", a))
      << "129 extension bits";
}

TEST(HostileInputTest, NoExtensionBitGoesOnTheWireWithoutItsAddition) {
  ActivateParams plain, stray;
  stray.includeOptionalField(7, 99);  // a bit far beyond the additions of the type
  stray.extensionMap().set(0);        // an addition marked present that holds no value
  ASSERT_EQ(stray.getField(3), nullptr);
  EXPECT_EQ(perHex(stray), perHex(plain));
  EXPECT_EQ(perHex(stray), "00 00");
  stray.set_label("x");
  EXPECT_EQ(perHex(stray), "80 00 01 02 01 78");
}

TEST(HostileInputTest, AChoiceHoldingNoValueIsNotSelected) {
  Message m;
  Command& c = m.get_pdu().set_command();
  c.setSelection(Command::ping_id, nullptr);
  EXPECT_FALSE(c.isSelected());
  EXPECT_EQ(c.currentSelection(), -1);
  EXPECT_EQ(c.get_ping(), nullptr);
  EXPECT_EQ(perHex(m), "fails");
  std::ostringstream text;
  text << m;
  EXPECT_TRUE(text.fail());
  EXPECT_EQ(text.str(), "{\n  pdu command : ");
  EXPECT_FALSE(m.isValid());
  std::ostringstream why;
  EXPECT_FALSE(ASN1::trace_invalid(why, "bad:", m));
  EXPECT_EQ(why.str(), "bad:.pdu.command This CHOICE is not selected\n");
  EXPECT_EQ(c.compare(Command()), 0);
}

TEST(HostileInputTest, DecodingStopsAtTheValueLimit) {
  // 128 x 128 lists, each claiming 128 NULLs: two million values declared in 33 KiB,
  // padded to 64 KiB. The decode gives up at the limit, some 8 MB in.
  Octets body = fromHex("80 80");
  for (int i = 0; i < 128; ++i) {
    body.insert(body.end(), {0x80, 0x80});
    for (int j = 0; j < 128; ++j) body.insert(body.end(), {0x80, 0x80});
  }
  body.resize(65536, 0);
  Nested nested;
  AllocationCount before = allocationsSoFar();
  EXPECT_FALSE(ASN1::decode(body, ASN1::CoderEnv(), nested));
  AllocationCount after = allocationsSoFar();
  EXPECT_LE(after.bytes - before.bytes, 64 * ASN1::MaximumValueCount);
  // An honest message of many values still decodes: 16,513 values in 258 octets.
  Octets honest = fromHex("80 80");
  for (int i = 0; i < 128; ++i) honest.insert(honest.end(), {0x80, 0x80});
  honest.resize(1024, 0);
  ASN1::SEQUENCE_OF<ASN1::SEQUENCE_OF<ASN1::Null>> lists;
  EXPECT_TRUE(ASN1::decode(honest, ASN1::CoderEnv(), lists));
}

TEST(HostileInputTest, StringsAndListsNeedTheirOctetsBeforeAnyAllocation) {
  ASN1::OCTET_STRING s;
  AllocationCount before = allocationsSoFar();
  EXPECT_FALSE(perDecode("BF FF 00", s)) << "16383 octets claimed, one present";
  EXPECT_FALSE(perDecode("80 80 00", s));
  EXPECT_LE(allocationsSoFar().bytes - before.bytes, 1024u);
}

TEST(HostileInputTest, MutatedAndRandomBodies) {
  const char* seeds[] = {"06 00", "80 01 05 18", "C0 01 05 00 0C 18", "10", "1B 00", "20 40 01 00 80 01 00",
                         "20 10 01 02 01 03 02 41 42 01 00 01 07 01 08 80 02 01 09 02 01 00",
                         "03 50 01 00 01 00 02 03 80 02 01 20 03 00 08 33", "04 00 02 AB CD", "22 C0"};
  std::mt19937 random(20240601);
  int decoded = 0;
  for (int round = 0; round < 100000; ++round) {
    Octets body;
    if (round % 4 == 0) {
      body.resize(random() % 48);
      for (auto& o : body) o = random();
    } else {
      body = fromHex(seeds[random() % std::size(seeds)]);
      for (int flips = 1 + random() % 3; flips; --flips) body[random() % body.size()] ^= 1 << (random() % 8);
      if (random() % 4 == 0) body.resize(random() % (body.size() + 4), random());
    }
    Message m;
    if (!ASN1::decode(body, ASN1::CoderEnv(), m, true)) continue;
    ++decoded;
    Octets again;
    if (m.isValid()) {
      EXPECT_TRUE(ASN1::encode(m, ASN1::CoderEnv(), again)) << toHex(body);
    }
  }
  EXPECT_GT(decoded, 1000);
}
