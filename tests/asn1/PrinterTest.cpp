// Value notation as the logs show it.

#include "Hex.h"
#include "TestModule.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <stdexcept>

using namespace asn1test;
using namespace TestLGCP;

TEST(PrinterTest, AMessageTakesOneLinePerField) {
  Message m;
  m.set_seq(5);
  m.set_slot(12);
  m.get_pdu().set_command().set_ping();
  EXPECT_EQ(m.asValueNotation(), "{\n  seq 5,\n  slot 12,\n  pdu command : ping : NULL\n}");
}

TEST(PrinterTest, NestedSequencesAndLists) {
  Message m;
  Resources& r = m.get_pdu().set_signal().set_query();
  r.set_boardMajor(1);
  r.get_echoBus().push_back(1);
  r.get_echoBus().push_back(2);
  r.get_mixer().append().set_unit(3);
  EXPECT_EQ(m.asValueNotation(),
            "{\n"
            "  pdu signal : query : {\n"
            "    boardMajor 1,\n"
            "    boardMinor 0,\n"
            "    mixer {\n"
            "      {\n"
            "        unit 3,\n"
            "        tdm_inputs 0\n"
            "      }\n"
            "    },\n"
            "    mux FALSE,\n"
            "    echoBus {\n"
            "      1,\n"
            "      2\n"
            "    }\n"
            "  }\n"
            "}");
}

TEST(PrinterTest, OutermostSequencesAndLists) {
  EXPECT_EQ(SDEvent().asValueNotation(), "{\n}");
  ASN1::SEQUENCE_OF<ASN1::INTEGER> list;
  EXPECT_EQ(list.asValueNotation(), "{\n}");
  list.push_back(1);
  list.push_back(2);
  EXPECT_EQ(list.asValueNotation(), "{\n  1,\n  2\n}");
  Signal s;
  s.set_trunkStatus();
  EXPECT_EQ(s.asValueNotation(), "trunkStatus : {\n}");
}

namespace {
class Status : public ASN1::ENUMERATED {
 public:
  static const InfoType theInfo;
  explicit Status(int v = 0) : ENUMERATED(&theInfo, v) {}
};
constexpr const char* const Status_enum_names__[] = {"ok", "fsm=32", "unexpected_command=64", "hardware=128"};
constexpr ASN1::EnumInfo Status::theInfo = {{&ASN1::make<Status>, 10}, true, 128, Status_enum_names__, 4};
}  // namespace

TEST(PrinterTest, Enumerations) {
  EXPECT_EQ(Status(32).asValueNotation(), "fsm");
  EXPECT_EQ(Status(0).asValueNotation(), "ok");
  EXPECT_EQ(Status(33).asValueNotation(), "33");
  EXPECT_EQ(ErrorCause(ErrorCause::destroyInProgress).asValueNotation(), "destroyInProgress");
}

TEST(PrinterTest, LeafKinds) {
  std::ostringstream os;
  os << ASN1::OCTET_STRING({0x00, 0xAB}) << ' ' << 17;
  EXPECT_EQ(os.str(), "'00 ab'H 17") << "base and fill are back to decimal and blank";
  EXPECT_EQ(ASN1::OCTET_STRING().asValueNotation(), "''H");
  EXPECT_EQ(ASN1::IA5String("say \"hi\"").asValueNotation(), "\"say \"hi\"\"");
  EXPECT_EQ((ASN1::OBJECT_IDENTIFIER{1, 3, 6}).asValueNotation(), "{ 1 3 6 }");
  ASN1::BIT_STRING bits;
  bits.resize(3);
  bits.set(0);
  EXPECT_EQ(bits.asValueNotation(), "'100'B");
  using Full = ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>;
  EXPECT_EQ(Full(4294967295u).asValueNotation(), "4294967295");
  EXPECT_EQ(ASN1::INTEGER(-5).asValueNotation(), "-5");
  EXPECT_EQ(ASN1::GeneralizedTime("20240102030405Z").asValueNotation(), "\"20240102030405Z\"");
  EXPECT_EQ(ASN1::BMPString(L"ab").asValueNotation(), "\"ab\"");
  ASN1::OpenData open;
  open.set_buf({0x01});
  EXPECT_EQ(open.asValueNotation(), "'01'H");
}

TEST(PrinterTest, OctetsLeaveTheStreamDecimalAndBlankFilled) {
  std::ostringstream os;
  os << std::hex << std::setfill('*');
  os << ASN1::OCTET_STRING({0x0A, 0xFF}) << ' ' << std::setw(4) << 17;
  EXPECT_EQ(os.str(), "'0a ff'H   17");
  std::ostringstream held;
  ASN1::OpenData open;
  open.set_buf({0x1F});
  held << std::hex << std::setfill('*') << open << ' ' << std::setw(3) << 20;
  EXPECT_EQ(held.str(), "'1f'H  20") << "octets held by an open type print as an OCTET STRING";
}

TEST(PrinterTest, FailuresStopThePrintAndSetFailbit) {
  std::ostringstream os;
  os << ASN1::OpenData();
  EXPECT_TRUE(os.fail());
  std::ostringstream bad;
  bad.setstate(std::ios::failbit);
  bad << ASN1::INTEGER(1);
  EXPECT_EQ(bad.str(), "");
  Message m;
  std::ostringstream partial;
  partial << m;
  EXPECT_EQ(partial.str(), "{\n  pdu ");
  EXPECT_TRUE(partial.fail());
}

namespace {
// Takes nothing: every character written throws.
struct ThrowingBuf : std::streambuf {
  int_type overflow(int_type) override { throw std::runtime_error("device gone"); }
};
}  // namespace

TEST(PrinterTest, StatesAndExceptionsReachTheStream) {
  std::ostringstream strict;
  strict.exceptions(std::ios::failbit);
  EXPECT_THROW(strict << ASN1::OpenData(), std::ios::failure) << "the failbit of a failed print";
  std::istringstream strictIn("x");
  strictIn.exceptions(std::ios::failbit);
  ASN1::INTEGER n;
  EXPECT_THROW(strictIn >> n, std::ios::failure) << "the failbit of a failed parse";

  ThrowingBuf gone;
  std::ostream quiet(&gone);
  EXPECT_NO_THROW(quiet << ASN1::INTEGER(5));
  EXPECT_TRUE(quiet.bad());
  std::ostream loud(&gone);
  loud.exceptions(std::ios::badbit);
  EXPECT_THROW(loud << ASN1::INTEGER(5), std::runtime_error) << "thrown on as it was";
  EXPECT_TRUE(loud.bad());
}

TEST(PrinterTest, ValueNotationIsEncodingRuleZero) {
  Message m;
  m.get_pdu().set_response().set_success();
  ASN1::Octets out{'>'};
  ASSERT_TRUE(ASN1::encode(m, ASN1::CoderEnv(ASN1::CoderEnv::avn), out));
  EXPECT_EQ(std::string(out.begin(), out.end()), ">{\n  pdu response : success : NULL\n}");
}
