// Golden vectors of whole control messages: each value encodes to its octets, the octets
// decode to an equal value that re-encodes to the same octets, and no strict prefix of
// them decodes with a fault.

#include "Hex.h"
#include "TestModule.h"

#include <gtest/gtest.h>

#include <functional>

using namespace asn1test;
using namespace TestLGCP;

namespace {

struct Vector {
  const char* name;
  const char* hex;
  std::function<void(Message&)> build;
};

const Vector vectors[] = {
    {"ping alone", "06 00", [](Message& m) { m.get_pdu().set_command().set_ping(); }},
    {"seq 5 and ping", "80 01 05 18",
     [](Message& m) {
       m.set_seq(5);
       m.get_pdu().set_command().set_ping();
     }},
    {"seq 5, slot 12 and ping", "C0 01 05 00 0C 18",
     [](Message& m) {
       m.set_seq(5);
       m.set_slot(12);
       m.get_pdu().set_command().set_ping();
     }},
    {"success", "10", [](Message& m) { m.get_pdu().set_response().set_success(); }},
    {"error destroyInProgress", "1B 00",
     [](Message& m) { m.get_pdu().set_response().set_error(ErrorCause::destroyInProgress); }},
    {"error beyond the root values", "1C 76 80",
     [](Message& m) { m.get_pdu().set_response().set_error(ErrorCause::NamedNumber(13)); }},
    {"slot 1023 and connect 1000", "40 03 FF 04 03 E8",
     [](Message& m) {
       m.set_slot(1023);
       m.get_pdu().set_command().set_connect(1000);
     }},
    {"negative seq", "80 02 FF 7F 18",
     [](Message& m) {
       m.set_seq(-129);
       m.get_pdu().set_command().set_ping();
     }},
    {"tonec dtmf 127", "20 40 01 00 0F E0",
     [](Message& m) {
       TonecEvent& e = m.get_pdu().set_signal().set_tonec();
       e.get_event().set_dtmf(127);
     }},
    {"tonec dtmfDone, an extension alternative", "20 40 01 00 80 01 00",
     [](Message& m) { m.get_pdu().set_signal().set_tonec().get_event().set_dtmfDone(); }},
    {"tonec iva code 21", "20 40 01 00 45 00",
     [](Message& m) { m.get_pdu().set_signal().set_tonec().get_event().set_iva().set_code(21); }},
    {"sd without sd-rx", "24 C0", [](Message& m) { m.get_pdu().set_signal().set_sd(); }},
    {"query with empty lists", "20 00 01 00 01 00 00 00 00",
     [](Message& m) { m.get_pdu().set_signal().set_query(); }},
    {"query with lists and an optional string", "20 10 01 02 01 03 02 41 42 01 00 01 07 01 08 80 02 01 09 02 01 00",
     [](Message& m) {
       Resources& r = m.get_pdu().set_signal().set_query();
       r.set_boardMajor(2);
       r.set_boardMinor(3);
       r.set_drvVersion("AB");
       MixerResources_subtype mixer;
       mixer.set_unit(7);
       mixer.set_tdm_inputs(8);
       r.get_mixer().push_back(mixer);
       r.set_mux(true);
       r.get_echoBus().push_back(9);
       r.get_echoBus().push_back(256);
     }},
    {"userData of two octets", "04 00 02 AB CD",
     [](Message& m) { m.get_pdu().set_command().set_userData(ASN1::OCTET_STRING{0xAB, 0xCD}); }},
    {"activate with extension additions", "03 50 01 00 01 00 02 03 80 02 01 20 03 00 08 33",
     [](Message& m) {
       ActivateParams& a = m.get_pdu().set_command().set_activate();
       a.set_payload(Payload::g723);
       DualTone tone;
       tone.set_f1(1);
       tone.set_f2(2);
       a.get_tones().push_back(tone);
       a.set_label(" ");
       a.set_cause(ED137CauseCode::radio_no_permissions);
     }},
    {"trunkStatus: an empty extensible SEQUENCE", "22 C0", [](Message& m) { m.get_pdu().set_signal().set_trunkStatus(); }},
};


}  // namespace

TEST(EnvelopeVectorTest, EachValueEncodesToItsOctets) {
  for (const Vector* v = vectors; v != std::end(vectors); ++v) {
    Message m;
    v->build(m);
    EXPECT_EQ(perHex(m), v->hex) << v->name;
  }
}

TEST(EnvelopeVectorTest, EachVectorDecodesToTheSameValueAndReencodesAlike) {
  for (const Vector* v = vectors; v != std::end(vectors); ++v) {
    Message built, decoded;
    v->build(built);
    ASSERT_TRUE(perDecode(v->hex, decoded)) << v->name;
    EXPECT_EQ(decoded.compare(built), 0) << v->name << "\n" << decoded << "\n" << built;
    EXPECT_EQ(perHex(decoded), v->hex) << v->name;
  }
}

TEST(EnvelopeVectorTest, EveryStrictPrefixFailsCleanlyOrDecodes) {
  for (const Vector* v = vectors; v != std::end(vectors); ++v) {
    ASN1::Octets octets = fromHex(v->hex);
    for (std::size_t n = 0; n < octets.size(); ++n) {
      Message m;
      ASN1::Octets prefix(octets.begin(), octets.begin() + n);
      if (ASN1::decode(prefix, ASN1::CoderEnv(), m, true)) {
        EXPECT_TRUE(m.isValid()) << v->name << " prefix " << n;
      }
    }
  }
}

TEST(EnvelopeVectorTest, ReadingTheEnvelope) {
  Message m;
  ASSERT_TRUE(perDecode("C0 01 05 00 0C 18", m));
  EXPECT_TRUE(m.hasOptionalField(0));
  EXPECT_EQ(m.get_seq().getValue(), 5);
  EXPECT_EQ(m.get_slot().getValue(), 12u);
  ASSERT_NE(m.get_pdu().get_command(), nullptr);
  EXPECT_EQ(m.get_pdu().get_response(), nullptr);
  EXPECT_EQ(m.get_pdu().get_command()->currentSelection(), Command::ping_id);
  EXPECT_NE(m.get_pdu().get_command()->get_ping(), nullptr);
}

TEST(EnvelopeVectorTest, BoundsBrokenByTheValueFailTheWholeEncode) {
  Message slot;
  slot.set_slot(1024);
  slot.get_pdu().set_command().set_ping();
  EXPECT_EQ(perHex(slot), "fails");
  Message connect;
  connect.get_pdu().set_command().set_connect(1024);
  EXPECT_EQ(perHex(connect), "fails");
  Message unselected;
  EXPECT_EQ(perHex(unselected), "fails");
  Message negativeEnum;
  negativeEnum.get_pdu().set_command().set_activate().set_standby(RadioStandby::not_use);
  EXPECT_EQ(perHex(negativeEnum), "fails");
}

TEST(EnvelopeVectorTest, ConstrainedStringSizes) {
  auto rtp = [](std::size_t nameLength) {
    Message m;
    RtpParams& p = m.get_pdu().set_command().set_create().set_rtp();
    p.set_local_port(5004);
    p.set_ttl(1);
    p.set_dname(std::string(nameLength, 'a'));
    return perHex(m);
  };
  EXPECT_EQ(rtp(0), "fails");
  EXPECT_EQ(rtp(65), "fails");
  // create: index 4; rtp: extension bit 0, index 1; then the SEQUENCE extension bit, two
  // optional bits; local port 16 bits aligned; ssrc 0 (two bits, one octet); ttl 1 as 0 in
  // 8 bits; dname length 64 as 63 in 6 bits, then 64 aligned octets; payload in 2 bits.
  std::string expected = "02 16 13 8C 00 00 00 FC";
  for (int i = 0; i < 64; ++i) expected += " 61";
  expected += " 00";
  EXPECT_EQ(rtp(64), expected);
  Message decoded;
  ASSERT_TRUE(perDecode(expected, decoded));
  EXPECT_EQ(decoded.get_pdu().get_command()->get_create()->get_rtp()->get_dname(), std::string(64, 'a'));
}
