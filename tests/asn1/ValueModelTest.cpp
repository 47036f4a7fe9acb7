// The value model and its descriptors: creation, optional fields and additions, choices,
// lists, comparison, names of enumerations, object identifiers and times.

#include "Hex.h"
#include "TestModule.h"

#include <gtest/gtest.h>

using namespace asn1test;
using namespace TestLGCP;

namespace {
// Counts the fields a constant walk visits; overrides nothing else.
struct FieldCounter : ASN1::ConstVisitor {
  std::vector<unsigned> seen;
  bool visitExtensionRoot(const ASN1::SEQUENCE&, unsigned i) override { return seen.push_back(i), true; }
  bool visitKnownExtension(const ASN1::SEQUENCE&, unsigned i) override { return seen.push_back(i), true; }
};

// SEQUENCE { flag BOOLEAN, ..., e0 BOOLEAN, e1 BOOLEAN, e2 BOOLEAN, e3 BOOLEAN }: no
// optional root field, so addition j has the optional id j.
class Extras : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  Extras() : SEQUENCE(&theInfo) {}
};
constexpr const ASN1::TypeInfo* const Extras_fieldInfos[] = {&ASN1::BOOLEAN::theInfo, &ASN1::BOOLEAN::theInfo,
                                                             &ASN1::BOOLEAN::theInfo, &ASN1::BOOLEAN::theInfo,
                                                             &ASN1::BOOLEAN::theInfo};
constexpr int Extras_fieldIds[] = {-1, 0, 0, 0, 0};
constexpr const char* const Extras_fieldNames[] = {"flag", "e0", "e1", "e2", "e3"};
constexpr ASN1::SequenceInfo Extras::theInfo = {
    {&ASN1::make<Extras>, 16}, true, Extras_fieldInfos, Extras_fieldIds, 1, 4, 0, nullptr, nullptr, Extras_fieldNames};

// An INTEGER that counts the objects of its class alive.
class Counted : public ASN1::INTEGER {
 public:
  static const InfoType theInfo;
  static int alive;
  Counted(int v = 0) : INTEGER(v, &theInfo) { ++alive; }
  Counted(const Counted& o) : INTEGER(o) { ++alive; }
  ~Counted() override { --alive; }
};
constexpr ASN1::ConstrainedInfo Counted::theInfo = {{&ASN1::make<Counted>, 2}, ASN1::Unconstrained, 0, 4294967295u};
int Counted::alive = 0;
}  // namespace

TEST(ValueModelTest, ANewMessageHasItsMandatoryFieldOnly) {
  Message m;
  EXPECT_NE(m.getField(2), nullptr);
  EXPECT_EQ(m.getField(0), nullptr);
  EXPECT_EQ(m.getField(1), nullptr);
  EXPECT_FALSE(m.hasOptionalField(0));
  m.includeOptionalField(1, 1);
  ASSERT_NE(m.getField(1), nullptr);
  m.set_slot(7);
  m.removeOptionalField(1);
  EXPECT_FALSE(m.hasOptionalField(1));
  ASSERT_NE(m.getField(1), nullptr) << "the value stays in its slot";
  FieldCounter walk;
  m.accept(walk);
  EXPECT_EQ(walk.seen, std::vector<unsigned>{2});
  m.includeOptionalField(1, 1);
  EXPECT_EQ(m.get_slot().getValue(), 7u) << "a later include brings the old contents back";
}

TEST(ValueModelTest, EveryValueTheRuntimeBuildsIsOfItsGeneratedClass) {
  Message m;
  ASSERT_TRUE(perDecode("20 10 01 02 01 03 02 41 42 01 00 01 07 01 08 80 02 01 09 02 01 00", m));
  const ASN1::AbstractData* query = m.get_pdu().get_signal()->getSelection();
  EXPECT_NE(dynamic_cast<const Resources*>(query), nullptr);
  const Resources& r = *m.get_pdu().get_signal()->get_query();
  EXPECT_NE(dynamic_cast<const MixerResources_subtype*>(&r.get_mixer()[0]), nullptr);
  std::unique_ptr<ASN1::AbstractData> copy(m.clone());
  EXPECT_NE(dynamic_cast<Message*>(copy.get()), nullptr);
  EXPECT_EQ(copy->compare(m), 0);
  std::unique_ptr<ASN1::AbstractData> slot(ASN1::create(&ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023>::theInfo));
  EXPECT_NE((dynamic_cast<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023>*>(slot.get())), nullptr);
}

TEST(ValueModelTest, ExtensionAdditionsWithoutAKnownExtensionMap) {
  ActivateParams a;
  EXPECT_EQ(a.extensionMap().size(), 0u);
  FieldCounter roots;
  a.accept(roots);
  EXPECT_EQ(roots.seen, (std::vector<unsigned>{0, 1}));
  a.includeOptionalField(3, 5);  // addition 2 (standby): optional id 1 + 2
  EXPECT_EQ(a.extensionMap().size(), 3u);
  FieldCounter all;
  a.accept(all);
  EXPECT_EQ(all.seen, (std::vector<unsigned>{0, 1, 5}));
  ActivateParams b(a);
  EXPECT_EQ(a.compare(b), 0);
  b.set_standby(RadioStandby::standby);
  EXPECT_NE(a.compare(b), 0);
  b.removeOptionalField(3);
  a.removeOptionalField(3);
  EXPECT_EQ(a.compare(b), 0) << "an absent addition does not compare";
}

TEST(ValueModelTest, IncludingTheFourthAdditionGrowsTheMapToFourBits) {
  Extras x;
  EXPECT_EQ(x.extensionMap().size(), 0u);
  x.includeOptionalField(3, 4);  // addition 3: optional count 0 + 3
  EXPECT_EQ(x.extensionMap().size(), 4u);
  EXPECT_EQ(x.extensionMap().bytes(), ASN1::Octets{0x10});
  EXPECT_TRUE(x.hasOptionalField(3));
  EXPECT_FALSE(x.hasOptionalField(0));
  ASSERT_NE(x.getField(4), nullptr);
  EXPECT_EQ(x.getField(3), nullptr);
  FieldCounter walk;
  x.accept(walk);
  EXPECT_EQ(walk.seen, (std::vector<unsigned>{0, 4})) << "the root field, then that addition only";
}

TEST(ValueModelTest, DefaultVisitorRefusesFieldsAndAcceptsLists) {
  ASN1::ConstVisitor nothing;
  Message m;
  EXPECT_FALSE(m.accept(nothing));
  ASN1::SEQUENCE_OF<ASN1::INTEGER> list;
  list.push_back(1);
  EXPECT_TRUE(list.accept(nothing));
}

TEST(ValueModelTest, Choices) {
  Command c;
  EXPECT_EQ(c.getSelectionID(), -1);
  EXPECT_FALSE(c.select(15));
  EXPECT_EQ(c.getSelectionID(), -2);
  c.set_connect(5);
  EXPECT_EQ(c.get_connect()->getValue(), 5u);
  EXPECT_EQ(c.get_ping(), nullptr);
  Command d(c);
  d.set_connect(6);
  EXPECT_LT(c.compare(d), 0);
  d.set_ping();
  EXPECT_NE(c.compare(d), 0);
  d = c;
  EXPECT_EQ(d.compare(c), 0);
  d.swap(c);
  EXPECT_EQ(d.get_connect()->getValue(), 5u);
}

TEST(ValueModelTest, Lists) {
  ASN1::SEQUENCE_OF<ASN1::INTEGER> a, b;
  a.push_back(1);
  a.push_back(2);
  b.push_back(9);
  b = a;
  a[0] = 5;
  EXPECT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0].getValue(), 1);
  EXPECT_GT(a.compare(b), 0);
  auto it = b.erase(b.begin());
  EXPECT_EQ(it->getValue(), 2);
  b.resize(3);
  EXPECT_EQ(b[2].getValue(), 0);
  int sum = 0;
  for (const ASN1::INTEGER& v : static_cast<const ASN1::SEQUENCE_OF<ASN1::INTEGER>&>(b)) sum += v.getValue();
  EXPECT_EQ(sum, 2);
  b.insert(1, 2, ASN1::INTEGER(4));
  EXPECT_EQ(b.size(), 5u);
  EXPECT_EQ(b[2].getValue(), 4);
  b.clear();
  EXPECT_LT(b.compare(a), 0);
}

TEST(ValueModelTest, AssigningAListDeletesTheElementsItHeld) {
  {
    ASN1::SEQUENCE_OF<Counted> source, target;
    source.push_back(Counted(1));
    for (int v : {7, 8, 9}) target.push_back(Counted(v));
    ASSERT_EQ(Counted::alive, 4);
    target = source;
    EXPECT_EQ(Counted::alive, 2) << "the three former elements are gone";
    target[0].setValue(5);
    ASSERT_EQ(source.size(), 1u);
    EXPECT_EQ(source[0].getValue(), 1) << "the source is unchanged";
  }
  EXPECT_EQ(Counted::alive, 0);
}

TEST(ValueModelTest, InsertingARangeInsertsClones) {
  ASN1::SEQUENCE_OF<ASN1::INTEGER> list, other;
  for (int v : {1, 2}) list.push_back(v);
  for (int v : {7, 8, 9}) other.push_back(v);
  list.insert(1, other.begin() + 1, other.end());
  other[1] = 0;
  auto values = [](const ASN1::SEQUENCE_OF<ASN1::INTEGER>& l) {
    std::vector<int> out;
    for (const ASN1::INTEGER& v : l) out.push_back(v.getValue());
    return out;
  };
  EXPECT_EQ(values(list), (std::vector<int>{1, 8, 9, 2}));
  list.insert(4, list.begin(), list.end());
  EXPECT_EQ(values(list), (std::vector<int>{1, 8, 9, 2, 1, 8, 9, 2})) << "a list's own range";
  const ASN1::INTEGER plain[] = {5, 6};
  list.insert(0, std::begin(plain), std::end(plain));
  EXPECT_EQ(list.size(), 10u);
  EXPECT_EQ(list[1].getValue(), 6);
}

TEST(ValueModelTest, EnumerationNames) {
  ED137CauseCode cause(ED137CauseCode::radio_missing_r2s_keepalive);
  EXPECT_EQ(cause.getName(), "radio-missing-r2s-keepalive");
  cause.setValue(2050);
  EXPECT_TRUE(cause.getName().empty());
  IpQoSDSCP dscp(IpQoSDSCP::cs1);
  EXPECT_EQ(dscp.getName(), "cs1");
  dscp.setValue(2);
  EXPECT_TRUE(dscp.getName().empty());
  EXPECT_TRUE(dscp.setFromName("count"));
  EXPECT_EQ(dscp.getValue(), 23);
  RadioStandby standby(RadioStandby::standby);
  EXPECT_TRUE(standby.setFromName("active"));
  EXPECT_EQ(standby.getValue(), 0);
  standby.setValue(-1);
  EXPECT_EQ(standby.getName(), "not-use");
  AnalogGainID gain;
  EXPECT_EQ(gain.getName(), "rtx1") << "the first entry with the value";
  EXPECT_TRUE(gain.setFromName("mux"));
  EXPECT_EQ(gain.getValue(), 11);
  EXPECT_TRUE(gain.setFromName("min"));
  EXPECT_EQ(gain.getValue(), 0);
  EXPECT_FALSE(gain.setFromName("nope"));
  EXPECT_EQ(gain.getValue(), 0);
  EXPECT_EQ(ED137CauseCode().ENUMERATED::getValue(), 0) << "a value never set holds 0";
}

TEST(ValueModelTest, NamedIntegers) {
  static const ASN1::NamedNumberEntry entries[] = {{-1, "off"}, {0, "zero"}, {10, "ten"}};
  static constexpr ASN1::NamedIntegerInfo info = {
      {{&ASN1::make<ASN1::INTEGER>, 2}, ASN1::Unconstrained, 0, 4294967295u}, entries, 3};
  ASN1::IntegerWithNamedNumber v(&info, 10);
  std::string name;
  EXPECT_TRUE(v.getName(name));
  EXPECT_EQ(name, "ten");
  v.setValue(3);
  EXPECT_FALSE(v.getName(name));
  EXPECT_TRUE(v.setFromName("off"));
  EXPECT_EQ(v.getValue(), -1);
}

TEST(ValueModelTest, ObjectIdentifierContents) {
  ASN1::Octets out{9};
  ASN1::OBJECT_IDENTIFIER{1}.encodeCommon(out);
  EXPECT_TRUE(out.empty());
  ASN1::OBJECT_IDENTIFIER oid;
  const unsigned char contents[] = {0x2B, 0x06, 0x01};
  ASSERT_TRUE(oid.decodeCommon(contents, 3));
  EXPECT_EQ(oid.arcs(), (std::vector<unsigned>{1, 3, 6, 1}));
  const unsigned char big[] = {0x88, 0x37, 0x81, 0x00};
  ASSERT_TRUE(oid.decodeCommon(big, 4));
  EXPECT_EQ(oid.arcs(), (std::vector<unsigned>{2, 999, 128}));
  oid.encodeCommon(out);
  EXPECT_EQ(toHex(out), "88 37 81 00");
}

TEST(ValueModelTest, GeneralizedTimeText) {
  ASN1::GeneralizedTime t("20240102030405.5+0130");
  EXPECT_EQ(t.millisec, 500);
  EXPECT_EQ(t.mindiff, 90);
  EXPECT_EQ(t.get(), "20240102030405.500+0130");
  t.mindiff = -90;
  EXPECT_EQ(t.get(), "20240102030405.500-0130");
  ASN1::GeneralizedTime u;
  u.set_time_t(86400);
  EXPECT_EQ(u.get(), "19700102000000");
  EXPECT_LT(u.compare(t), 0);
}

TEST(ValueModelTest, ComparingLeafKinds) {
  EXPECT_LT(ASN1::OCTET_STRING({1, 2}).compare(ASN1::OCTET_STRING({1, 2, 0})), 0);
  EXPECT_GT(ASN1::OCTET_STRING({2}).compare(ASN1::OCTET_STRING({1, 9})), 0);
  EXPECT_LT(ASN1::IA5String("ab").compare(ASN1::IA5String("abc")), 0);
  EXPECT_EQ(ASN1::BOOLEAN(true).compare(ASN1::BOOLEAN(false)), 1);
  EXPECT_LT(ASN1::INTEGER(INT_MIN).compare(ASN1::INTEGER(INT_MAX)), 0);
  ASN1::OpenData a, b;
  EXPECT_EQ(a.compare(b), 0);
  b.set_buf({1});
  EXPECT_LT(a.compare(b), 0);
  a.set_data(new ASN1::Null);
  EXPECT_GT(a.compare(b), 0);
}
