// The generated modules as the runtime sees them: counts read from the descriptors, the
// shape of the tables, the enumeration look-ups and the state of new values.

#include "Descriptors.h"
#include "asn1/Hex.h"

#include "protocols/LGCP.h"
#include "protocols/MON.h"

#include <gtest/gtest.h>

using namespace protocolstest;

namespace {

// Built while the program's static objects are constructed, as slot factories may do:
// the descriptors are constant-initialised, so they are complete before any of that runs.
const std::string tonecBuiltAtStartup = [] {
  LGCP::Message m;
  m.set_slot(5);
  LGCP::TonecEvent& e = m.get_pdu().set_signal().set_tonec();
  e.set_timestamp(0);
  e.get_event().set_dtmf(127);
  return asn1test::perHex(m);
}();

// Every descriptor named by any generated type, the generated ones included.
std::set<const ASN1::TypeInfo*> everyDescriptor() {
  std::set<const ASN1::TypeInfo*> all;
  for (const auto& entry : generatedTypes())
    for (auto info : reachable(entry.first)) all.insert(info);
  return all;
}

}  // namespace

TEST(GeneratedModulesTest, TypeCountsByKind) {
  std::map<Kind, int> kinds;
  for (const auto& entry : generatedTypes()) ++kinds[kindOf(entry.first)];
  EXPECT_EQ(generatedTypes().size(), 508u);
  EXPECT_EQ(kinds[Kind::Sequence], 290);
  EXPECT_EQ(kinds[Kind::Choice], 110);
  EXPECT_EQ(kinds[Kind::Enumerated], 107);
  EXPECT_EQ(kinds[Kind::String], 1);  // TERM::RtpParams::dname::value_type
  std::vector<std::string> names;
  for (const Protocols::Module* m : Protocols::allModules) names.push_back(m->name);
  EXPECT_EQ(names, (std::vector<std::string>{"ACP", "BASE", "CCP", "HSP", "LGCP", "MEDIA", "MON", "TERM", "ZEDORO"}));
}

TEST(GeneratedModulesTest, ListAndConstrainedIntegerInstances) {
  // A list or constrained INTEGER instance is one template instance, so one descriptor
  // however many fields use it.
  int sequenceOf = 0, setOf = 0, integers = 0;
  for (auto info : everyDescriptor()) {
    Kind kind = kindOf(info);
    if (kind == Kind::List) ++(info->tag == 17 ? setOf : sequenceOf);
    if (kind == Kind::Integer && static_cast<const ASN1::ConstrainedInfo*>(info)->type != ASN1::Unconstrained)
      ++integers;
  }
  EXPECT_EQ(sequenceOf, 32);
  EXPECT_EQ(setOf, 1);
  EXPECT_EQ(integers, 22);
}

TEST(GeneratedModulesTest, TypesReachableFromTheTwoMessages) {
  // Reachable types are counted as the SEQUENCE, CHOICE and ENUMERATED types a message
  // can hold. The one constrained string type, TERM::RtpParams::dname::value_type, is
  // part of the field it is nested in and counted with the string types, apart: so 328
  // types and that string are reachable from LGCP::Message.
  auto count = [](const ASN1::TypeInfo* root, Kind wanted) {
    int n = 0;
    for (auto info : reachable(root)) {
      Kind kind = kindOf(info);
      bool generated = generatedTypes().count(info) > 0;
      if (wanted == Kind::String ? generated && kind == Kind::String
                                 : kind == Kind::Sequence || kind == Kind::Choice || kind == Kind::Enumerated)
        ++n;
    }
    return n;
  };
  EXPECT_EQ(count(&LGCP::Message::theInfo, Kind::Sequence), 328);
  EXPECT_EQ(count(&LGCP::Message::theInfo, Kind::String), 1);
  EXPECT_EQ(count(&MON::Message::theInfo, Kind::Sequence), 19);
  EXPECT_EQ(count(&MON::Message::theInfo, Kind::String), 0);
}

TEST(GeneratedModulesTest, DescriptorTables) {
  for (const auto& [info, name] : generatedTypes()) {
    SCOPED_TRACE(name);
    std::unique_ptr<ASN1::AbstractData> value(ASN1::create(info));
    EXPECT_EQ(value->info(), info);
    switch (kindOf(info)) {
      case Kind::Sequence: {
        auto s = static_cast<const ASN1::SequenceInfo*>(info);
        EXPECT_EQ(s->tag, 16u);
        EXPECT_EQ(s->tags, nullptr);
        EXPECT_EQ(s->knownExtensions, nullptr);
        // Optional ids number the OPTIONAL root fields from 0 in field order.
        int next = 0;
        for (unsigned i = 0; i < s->rootCount; ++i) {
          if (s->fieldIds[i] == -1) continue;
          EXPECT_EQ(s->fieldIds[i], next);
          ++next;
        }
        EXPECT_EQ(unsigned(next), s->optionalCount);
        for (unsigned i = 0; i < s->rootCount + s->extensionCount; ++i) EXPECT_NE(s->fieldNames[i], nullptr);
        break;
      }
      case Kind::Choice: {
        auto c = static_cast<const ASN1::ChoiceInfo*>(info);
        EXPECT_EQ(c->tag, 0u);
        EXPECT_EQ(c->tags, nullptr);
        EXPECT_LE(c->rootCount, c->totalCount);
        for (unsigned i = 0; i < c->totalCount; ++i) EXPECT_NE(c->selectionInfos[i], nullptr);
        break;
      }
      case Kind::Enumerated:
        EXPECT_EQ(info->tag, 10u);
        break;
      default:
        EXPECT_EQ(info->tag, 22u);
    }
  }
}

TEST(GeneratedModulesTest, UsableDuringStaticInitialisation) {
  EXPECT_EQ(tonecBuiltAtStartup, "40 00 05 81 01 00 0F E0");
}

// The names tables read back through the runtime's look-ups.
TEST(EnumerationNamesTest, ValuesAboveTheFirstName) {
  TERM::ED137CauseCode code(TERM::ED137CauseCode::radio_missing_r2s_keepalive);
  EXPECT_EQ(code.info()->nameCount, 17u);
  EXPECT_EQ(code.getValue(), 2001);
  EXPECT_EQ(code.getName(), "radio-missing-r2s-keepalive");
  code.setValue(2050);
  EXPECT_TRUE(code.getName().empty());
  EXPECT_TRUE(code.setFromName("radio-no-permissions"));
  EXPECT_EQ(code.getValue(), 2099);
  EXPECT_EQ(code.getMaximum(), 2099);
}

TEST(EnumerationNamesTest, GapsAndAValueBelowTheLastOne) {
  TERM::IpQoSDSCP dscp(TERM::IpQoSDSCP::cs1);
  EXPECT_EQ(dscp.getName(), "cs1");
  dscp.setValue(2);
  EXPECT_TRUE(dscp.getName().empty());
  EXPECT_TRUE(dscp.setFromName("count"));
  EXPECT_EQ(dscp.getValue(), 23);
  EXPECT_EQ(dscp.getMaximum(), 56);
  EXPECT_FALSE(dscp.setFromName("cs8"));
  EXPECT_EQ(dscp.getValue(), 23);
}

TEST(EnumerationNamesTest, NegativeFirstValue) {
  TERM::RadioStandby standby;
  EXPECT_TRUE(standby.setFromName("active"));
  EXPECT_EQ(standby.getValue(), TERM::RadioStandby::active);
  EXPECT_EQ(standby.getValue(), 0);
  standby = TERM::RadioStandby::not_use;
  EXPECT_EQ(standby.getValue(), -1);
  EXPECT_EQ(standby.getName(), "not-use");
  EXPECT_EQ(standby.getMaximum(), 1);
}

TEST(EnumerationNamesTest, SharedValues) {
  ZEDORO::ProtoZeriAnalogGainIDV1 gain;
  EXPECT_EQ(gain.getName(), "rtx1");  // the first name with the value 0
  EXPECT_TRUE(gain.setFromName("min"));
  EXPECT_EQ(gain.getValue(), 0);
  EXPECT_TRUE(gain.setFromName("mux"));
  EXPECT_EQ(gain.getValue(), 11);
  gain = ZEDORO::ProtoZeriAnalogGainIDV1::max;
  EXPECT_EQ(gain.getName(), "rsh");
  EXPECT_EQ(ZEDORO::ProtoZeriAnalogGainIDV1::fake, 255);
}

TEST(GeneratedTypesTest, NewMessageHasOnlyItsMandatoryField) {
  LGCP::Message m;
  EXPECT_NE(m.getField(2), nullptr);
  EXPECT_EQ(m.getField(0), nullptr);
  EXPECT_EQ(m.getField(1), nullptr);
  EXPECT_FALSE(m.hasOptionalField(0));
  m.set_slot(12);
  EXPECT_TRUE(m.hasOptionalField(1));
  EXPECT_EQ(m.get_slot().getValue(), 12u);
  EXPECT_FALSE(m.hasOptionalField(0));
}

TEST(GeneratedTypesTest, NoExtensionAdditionIsPresentInANewValue) {
  TERM::TermParams params;
  EXPECT_EQ(params.info()->knownExtensions, nullptr);
  EXPECT_EQ(params.extensionMap().size(), 0u);
  for (unsigned i = params.info()->rootCount; i < params.fieldCount(); ++i) EXPECT_EQ(params.getField(i), nullptr);
  EXPECT_EQ(params.fieldCount(), params.info()->rootCount + 13);
}

TEST(GeneratedTypesTest, TypedAccessToValuesTheRuntimeBuilds) {
  // Values the runtime creates are objects of the generated classes, so the typed
  // accessors reach them after a copy or a decode as well.
  LGCP::Message m;
  m.get_pdu().set_command().set_create().set_trunk_bri().set_timeslot(31);
  std::unique_ptr<ASN1::AbstractData> copy(m.clone());
  auto& typed = dynamic_cast<LGCP::Message&>(*copy);
  ASSERT_NE(typed.get_pdu().get_command(), nullptr);
  ASSERT_NE(typed.get_pdu().get_command()->get_create(), nullptr);
  EXPECT_EQ(typed.get_pdu().get_command()->get_create()->get_trunk_bri()->get_timeslot().getValue(), 31u);
  EXPECT_EQ(typed.get_pdu().get_command()->get_create()->get_trunk(), nullptr);
}
