// Golden vectors of the control and monitoring messages and the records they carry:
// each value encodes to exactly these octets, and the octets decode back to an equal
// value that encodes the same again. Then values that must not encode, and octets that
// must not decode.

#include "asn1/Hex.h"

#include "protocols/LGCP.h"
#include "protocols/MON.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

using namespace asn1test;

namespace {

using Value = std::unique_ptr<ASN1::AbstractData>;

struct Vector {
  const char* name;
  std::function<Value()> build;
  std::string hex;
};
// The test name stands for the parameter in gtest's output.
void PrintTo(const Vector& v, std::ostream* os) { *os << v.name; }

// A value of T set up by `fill`.
template <class T, class Fill>
std::function<Value()> value(Fill fill) {
  return [fill] {
    auto v = std::make_unique<T>();
    fill(*v);
    return Value(std::move(v));
  };
}

std::string repeat(const std::string& octet, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += " " + octet;
  return out;
}

LGCP::Message message(std::optional<int> seq, std::optional<unsigned> slot) {
  LGCP::Message m;
  if (seq) m.set_seq(*seq);
  if (slot) m.set_slot(*slot);
  return m;
}

std::function<Value()> ping(std::optional<int> seq, std::optional<unsigned> slot) {
  return value<LGCP::Message>([=](LGCP::Message& m) {
    m = message(seq, slot);
    m.get_pdu().set_command().set_ping();
  });
}

std::function<Value()> error(std::optional<int> seq, std::optional<unsigned> slot) {
  return value<LGCP::Message>([=](LGCP::Message& m) {
    m = message(seq, slot);
    m.get_pdu().set_response().set_error(LGCP::ErrorCause::destroyInProgress);
  });
}

void fillRadioStatus(TERM::ZeriRadioStatus& s) {
  s.get_flags().set_selcall(3);
  s.get_flags().set_li(511);
  s.get_remote().set_no(255);
  s.set_standby_state_channel(TERM::RadioStandby::active);
  s.set_standby_state_receiver(TERM::RadioStandby::standby);
}

void fillKeepAlive(ZEDORO::ProtoZeriPacket& p) {
  p.set_msgID(ZEDORO::ProtoZeriMsgID::gw_keep_alive);
  p.get_payload().set_gw_keep_alive().set_keep_alive_v1();
}

const Vector vectors[] = {
    // The envelope.
    {"PingAlone", ping({}, {}), "06 00"},
    {"PingWithSeq", ping(5, {}), "80 01 05 18"},
    {"PingWithSeqAndSlot", ping(5, 12), "C0 01 05 00 0C 18"},
    {"PingToTheLastSlot", ping({}, 1023), "40 03 FF 18"},
    {"SuccessAlone", value<LGCP::Message>([](LGCP::Message& m) { m.get_pdu().set_response().set_success(); }), "10"},
    {"SuccessWithSeq", value<LGCP::Message>([](LGCP::Message& m) {
       m.set_seq(5);
       m.get_pdu().set_response().set_success();
     }),
     "80 01 05 40"},
    {"ErrorAlone", error({}, {}), "1B 00"},
    {"ErrorWithSeqAndSlot", error(7, 3), "C0 01 07 00 03 6C"},
    {"TonecDtmf", value<LGCP::Message>([](LGCP::Message& m) {
       m.set_slot(5);
       LGCP::TonecEvent& e = m.get_pdu().set_signal().set_tonec();
       e.set_timestamp(0);
       e.get_event().set_dtmf(127);
     }),
     "40 00 05 81 01 00 0F E0"},
    {"TonecDtmfDoneExtensionAlternative", value<LGCP::Message>([](LGCP::Message& m) {
       m.set_slot(5);
       m.get_pdu().set_signal().set_tonec().get_event().set_dtmfDone();
     }),
     "40 00 05 81 01 00 80 01 00"},
    // Board commands.
    {"FramerInfoTrunkIn2Bits", value<LGCP::FramerInfo>([](LGCP::FramerInfo& f) {
       f.set_e1(3);
       f.get_info().set_line(true);
     }),
     "64"},
    {"BpcTestParamsTimeslotBounds", value<LGCP::BpcTestParams>([](LGCP::BpcTestParams& p) {
       p.get_mode().set_read();
       p.set_timeslot_start(127);
       p.set_timeslot_length(127);
     }),
     "00 01 00 3F FF"},
    {"TermCounterWithoutOwnerId", value<LGCP::TermCounter>([](LGCP::TermCounter&) {}), "00 01 00"},
    // Slot creation.
    {"CreateTrunk", value<LGCP::CreateParams>([](LGCP::CreateParams& c) { c.set_trunk().set_timeslot(31); }),
     "1C 00 F8"},
    {"CreateTrunkBri", value<LGCP::CreateParams>([](LGCP::CreateParams& c) { c.set_trunk_bri().set_timeslot(31); }),
     "20 00 F8"},
    {"SharedChannelBounds", value<LGCP::SharedChannel>([](LGCP::SharedChannel& c) {
       c.set_bus(15);
       c.set_channel(127);
     }),
     "FF E0"},
    {"MapParamsEmpty", value<LGCP::MapParams>([](LGCP::MapParams&) {}), "00"},
    {"AtsQsigBParamsBounds", value<LGCP::AtsQsigBParams>([](LGCP::AtsQsigBParams& p) {
       p.set_slot(1023);
       p.set_subslot(3);
     }),
     "00 03 FF 80"},
    // Control requests.
    {"IoctlToneGenDisable", value<LGCP::IoctlParams>([](LGCP::IoctlParams& p) { p.set_tone_gen_disable(); }), "48"},
    {"IoctlActivateTonecEmpty", value<LGCP::IoctlParams>([](LGCP::IoctlParams& p) { p.set_activateTonec(); }),
     "04 00"},
    {"DtmfThresholdTwist", value<LGCP::DTMFParams_threshold>([](LGCP::DTMFParams_threshold& t) { t.set_twist(65535); }),
     "FF FF 00 00 00 00"},
    {"DelaysSelcalOnly", value<LGCP::Delays>([](LGCP::Delays& d) { d.set_selcal(5); }), "10 01 05"},
    // Signal payloads.
    {"SdWithoutSdRx", value<LGCP::Signal>([](LGCP::Signal& s) { s.set_sd(); }), "4C"},
    {"QueryWithEmptyLists", value<LGCP::Signal>([](LGCP::Signal& s) { s.set_query().set_mux(true); }),
     "00" + repeat("01 00", 7) + " 00 80" + repeat("01 00", 3) + " 00" + repeat("01 00", 4)},
    // Slot parameters.
    {"HostAddressPort", value<TERM::HostAddress>([](TERM::HostAddress& h) {
       h.set_iaddr("1.2");
       h.set_port(65535);
     }),
     "03 31 2E 32 FF FF"},
    {"RtpParamsMandatoryOnly", value<TERM::RtpParams>([](TERM::RtpParams& p) { p.set_payload(TERM::Payload::ptR2S); }),
     "00 07 00 00 00 00"},
    {"RtpParamsLongestDname", value<TERM::RtpParams>([](TERM::RtpParams& p) {
       p.set_payload(TERM::Payload::ptR2S);
       p.set_dname(std::string(64, 'a'));
     }),
     "20 07 00 00 00 00 FC" + repeat("61", 64)},
    // Status records.
    {"TrunkStatusStateAndType", value<ACP::TrunkStatus>([](ACP::TrunkStatus& s) {
       s.set_trunk(1);
       s.set_state(ACP::TrunkState::disabled);
       s.set_clockMaster(true);
       s.set_type(ACP::TrunkType::bri);
     }),
     "00 01 01 C0" + repeat("01 00", 5) + " 00 A0"},
    {"IsdnLinkInfoTimerRecovery", value<ACP::IsdnLinkInfo>([](ACP::IsdnLinkInfo& i) {
       i.set_side(ACP::IsdnSide::network);
       i.set_lapdState(ACP::LAPDState::timer_recovery);
       i.set_peerBusy(true);
     }),
     "80" + repeat("01 00", 10) + " E0 01 00 80 00" + repeat("01 00", 5)},
    {"SS7LinkInfoZeroCounters", value<ACP::SS7LinkInfo>([](ACP::SS7LinkInfo& i) { i.set_ss7state(ACP::SS7State::worked); }),
     repeat("01 00", 10).substr(1) + " A0"},
    // Radio signalling.
    {"ZeriRadioStatus", value<TERM::ZeriRadioStatus>(fillRadioStatus), "00 01 00 00 60 01 FF 01 00 00 FF 00 00 00 80"},
    {"ED137RadioResponseMandatoryOnly", value<TERM::ED137RadioResponse>([](TERM::ED137RadioResponse& r) {
       r.set_type(TERM::ED137RadioType::coupling);
       r.set_txrxmode(TERM::ED137RadioTxRxMode::txrx);
       r.set_ptt_id(63);
     }),
     "00 00 8B F0"},
    {"ED137RadioResponseCauseCode", value<TERM::ED137RadioResponse>([](TERM::ED137RadioResponse& r) {
       r.set_type(TERM::ED137RadioType::coupling);
       r.set_txrxmode(TERM::ED137RadioTxRxMode::txrx);
       r.set_ptt_id(63);
       r.set_code(TERM::ED137CauseCode::radio_no_permissions);
     }),
     "00 08 8B F0 08 33"},
    // Monitoring.
    {"MonPing", value<MON::Message>([](MON::Message& m) { m.get_pdu().set_command().set_ping(); }), "18"},
    {"MonSnmpSetEmpty", value<MON::Message>([](MON::Message& m) { m.get_pdu().set_command().set_snmp_set(); }),
     "00 00"},
    {"MonTrapsinkWithoutPort", value<MON::SnmpTrapsink>([](MON::SnmpTrapsink& t) { t.set_host("ab"); }),
     "00 02 61 62"},
    // Radio gateway packets.
    {"ProtoZeriKeepAlive", value<ZEDORO::ProtoZeriPacket>(fillKeepAlive),
     "00 01 00 01 00 00 10 02 00 01 00 00 01 00 00 01 00 01 00"},
    {"ProtoZeriLargestRootMsgID", value<ZEDORO::ProtoZeriMsgID>([](ZEDORO::ProtoZeriMsgID& id) {
       id = ZEDORO::ProtoZeriMsgID::ali_server_p1;
     }),
     "00 33 00"},
    {"ProtoZeriMsgIDExtensionValue", value<ZEDORO::ProtoZeriMsgID>([](ZEDORO::ProtoZeriMsgID& id) { id.setValue(13057); }),
     "C0 02 33 02 33 01"},
    {"ProtoZeriPacketsEmpty", value<ZEDORO::ProtoZeriPackets>([](ZEDORO::ProtoZeriPackets&) {}), "00 00"},
    {"GwKeepAliveV1", value<ZEDORO::ProtoZeriPacketPayloadGWKeepAlive>([](ZEDORO::ProtoZeriPacketPayloadGWKeepAlive& k) {
       k.set_keep_alive_v1();
     }),
     "00"},
    {"AnalogGainFake", value<ZEDORO::ProtoZeriAnalogGainIDV1>([](ZEDORO::ProtoZeriAnalogGainIDV1& g) {
       g = ZEDORO::ProtoZeriAnalogGainIDV1::fake;
     }),
     "00 FF"},
    {"DliRadLinkErr", value<ZEDORO::ProtoZeriPacketPayload>([](ZEDORO::ProtoZeriPacketPayload& p) {
       p.set_dli_rad_link_err();
     }),
     "27"},
    {"AnalogHwStateSingleBits", value<ZEDORO::ProtoZeriPacketPayloadAnalogHwState>([](ZEDORO::ProtoZeriPacketPayloadAnalogHwState& s) {
       s.set_processor_load(1);
       s.set_fault_power1(true);
       s.set_fault_sound_spi(true);
     }),
     "00 01 01 01 00 01 00 80 00 00 01"},
};

class VectorTest : public testing::TestWithParam<Vector> {};

TEST_P(VectorTest, EncodesDecodesAndEncodesAgain) {
  Value built = GetParam().build();
  ASSERT_EQ(perHex(*built), GetParam().hex) << *built;
  Value decoded(ASN1::create(built->info()));
  ASSERT_TRUE(perDecode(GetParam().hex, *decoded));
  EXPECT_EQ(*decoded, *built) << *decoded;
  EXPECT_EQ(perHex(*decoded), GetParam().hex);
}

INSTANTIATE_TEST_SUITE_P(Protocols, VectorTest, testing::ValuesIn(vectors),
                         [](const testing::TestParamInfo<Vector>& info) { return std::string(info.param.name); });

// Values outside a bound: the whole encode fails.
struct Unencodable {
  const char* name;
  std::function<Value()> build;
};
void PrintTo(const Unencodable& v, std::ostream* os) { *os << v.name; }

const Unencodable unencodable[] = {
    {"SlotAboveTheLast", ping({}, 1024)},
    {"ConnectTargetAboveTheLast", value<LGCP::Message>([](LGCP::Message& m) { m.get_pdu().set_command().set_connect(1024); })},
    {"FramerTrunk4", value<LGCP::FramerInfo>([](LGCP::FramerInfo& f) {
       f.set_e1(4);
       f.get_info().set_line(true);
     })},
    {"BpcTimeslotStart128", value<LGCP::BpcTestParams>([](LGCP::BpcTestParams& p) {
       p.get_mode().set_read();
       p.set_timeslot_start(128);
     })},
    {"BpcTimeslotLength128", value<LGCP::BpcTestParams>([](LGCP::BpcTestParams& p) {
       p.get_mode().set_read();
       p.set_timeslot_length(128);
     })},
    {"SharedChannelBus16", value<LGCP::SharedChannel>([](LGCP::SharedChannel& c) { c.set_bus(16); })},
    {"SharedChannelChannel128", value<LGCP::SharedChannel>([](LGCP::SharedChannel& c) { c.set_channel(128); })},
    {"AtsQsigBSubslot0", value<LGCP::AtsQsigBParams>([](LGCP::AtsQsigBParams& p) { p.set_subslot(0); })},
    {"AtsQsigBSubslot4", value<LGCP::AtsQsigBParams>([](LGCP::AtsQsigBParams& p) { p.set_subslot(4); })},
    {"DtmfTwist65536", value<LGCP::DTMFParams_threshold>([](LGCP::DTMFParams_threshold& t) { t.set_twist(65536); })},
    {"HostPort65536", value<TERM::HostAddress>([](TERM::HostAddress& h) { h.set_port(65536); })},
    {"DnameEmpty", value<TERM::RtpParams>([](TERM::RtpParams& p) { p.set_dname(""); })},
    {"Dname65Characters", value<TERM::RtpParams>([](TERM::RtpParams& p) { p.set_dname(std::string(65, 'a')); })},
    {"RadioStandbyNotUse", value<TERM::ZeriRadioStatus>([](TERM::ZeriRadioStatus& s) {
       fillRadioStatus(s);
       s.set_standby_state_channel(TERM::RadioStandby::not_use);
     })},
    {"PayloadAboveTheLast", value<TERM::RtpParams>([](TERM::RtpParams& p) { p.get_payload().setValue(15); })},
    {"NoPduSelected", value<LGCP::Message>([](LGCP::Message&) {})},
    {"ResponseBeyondItsAlternatives", value<LGCP::Message>([](LGCP::Message& m) {
       m.get_pdu().set_response().setSelection(2, new ASN1::Null);
     })},
};

class UnencodableTest : public testing::TestWithParam<Unencodable> {};

TEST_P(UnencodableTest, FailsToEncode) {
  Value built = GetParam().build();
  EXPECT_EQ(perHex(*built), "fails");
}

INSTANTIATE_TEST_SUITE_P(Protocols, UnencodableTest, testing::ValuesIn(unencodable),
                         [](const testing::TestParamInfo<Unencodable>& info) { return std::string(info.param.name); });

// Octets that are not a value of the type: the decode fails cleanly.
struct Undecodable {
  const char* name;
  const ASN1::TypeInfo* info;
  std::string hex;
};
void PrintTo(const Undecodable& v, std::ostream* os) { *os << v.name; }

const Undecodable undecodable[] = {
    {"PduIndex3", &LGCP::Message::theInfo, "30"},
    {"CommandIndex15", &LGCP::Message::theInfo, "07 80"},
    {"MonPduIndex3", &MON::Message::theInfo, "C0"},
    {"Empty", &LGCP::Message::theInfo, ""},
    {"SeqCutShort", &LGCP::Message::theInfo, "80 02 05"},
    {"SlotCutShort", &LGCP::Message::theInfo, "40 03"},
    {"TonecWithoutItsCode", &LGCP::Message::theInfo, "40 00 05 81 01 00"},
    {"DnameLongerThanTheInput", &TERM::RtpParams::theInfo, "20 07 00 00 00 00 FC 61 61"},
    {"UnknownAdditionPastTheEnd", &LGCP::TermCounter::theInfo, "80 01 00 01 05 AB"},
    {"ListLongerThanTheInput", &ZEDORO::ProtoZeriPackets::theInfo, "00 05"},
    {"IntegerOfFiveOctets", &LGCP::TermCounter::theInfo, "00 05 01 02 03 04 05"},
};

class UndecodableTest : public testing::TestWithParam<Undecodable> {};

TEST_P(UndecodableTest, FailsToDecode) {
  Value value(ASN1::create(GetParam().info));
  EXPECT_FALSE(perDecode(GetParam().hex, *value));
}

INSTANTIATE_TEST_SUITE_P(Protocols, UndecodableTest, testing::ValuesIn(undecodable),
                         [](const testing::TestParamInfo<Undecodable>& info) { return std::string(info.param.name); });

// A peer that knows more extension additions than this side: they are skipped, and the
// rest of the value is read as usual.
TEST(ExtensionTest, UnknownAdditionsAreSkipped) {
  // TermCounter with ownerId 7 and cnt 5, extension bit 1, then two additions this side
  // does not know: the one-octet NULL encoding and two octets AB CD.
  LGCP::TermCounter decoded;
  ASSERT_TRUE(perDecode("C0 01 07 01 05 03 80 01 00 02 AB CD", decoded));
  LGCP::TermCounter expected;
  expected.set_ownerId(7);
  expected.set_cnt(5);
  EXPECT_EQ(decoded, expected) << decoded;
  EXPECT_EQ(perHex(decoded), "40 01 07 01 05");
}

TEST(ExtensionTest, UnknownAlternativeFailsToDecode) {
  // Alternative 7 of TonecCode, one past the known extension alternative dtmfDone.
  LGCP::TonecCode code;
  EXPECT_FALSE(perDecode("81 01 00", code));
}

}  // namespace

namespace {

// Decodes hostile octets into a fresh value of the type: a clean success or failure,
// never a crash; a value that decodes also prints.
void decodeHostile(const ASN1::TypeInfo* info, const ASN1::Octets& octets) {
  Value value(ASN1::create(info));
  if (ASN1::decode(octets, ASN1::CoderEnv(), *value)) {
    std::ostringstream text;
    value->print_on(text);
  }
}

TEST(HostileInputTest, EveryBitFlipAndTruncationOfTheVectors) {
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.name);
    const ASN1::TypeInfo* info = v.build()->info();
    const ASN1::Octets good = fromHex(v.hex);
    for (std::size_t bit = 0; bit < good.size() * 8; ++bit) {
      ASN1::Octets bad = good;
      bad[bit / 8] ^= 0x80 >> (bit % 8);
      decodeHostile(info, bad);
    }
    for (std::size_t n = 0; n < good.size(); ++n) {
      ASN1::Octets cut(good.begin(), good.begin() + n);
      Value value(ASN1::create(info));
      // A strict prefix of a vector whose last octet carries bits never decodes.
      if (good.back() != 0) EXPECT_FALSE(ASN1::decode(cut, ASN1::CoderEnv(), *value)) << n << " octets";
    }
  }
}

TEST(HostileInputTest, RandomOctetsIntoBothMessages) {
  unsigned state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return static_cast<unsigned char>(state >> 16);
  };
  for (int round = 0; round < 4000; ++round) {
    ASN1::Octets octets(next() % 64);
    for (auto& o : octets) o = next();
    decodeHostile(&LGCP::Message::theInfo, octets);
    decodeHostile(&MON::Message::theInfo, octets);
  }
}

}  // namespace
