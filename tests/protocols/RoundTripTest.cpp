// Every type a control or monitoring message can hold, built full from its descriptors:
// each alternative in turn, every optional field present, lists of two, every bound at
// its low end and then at its high end, strings at their smallest and largest size. Each
// such value encodes, decodes to an equal value that encodes the same, and prints with
// the name of every field and alternative in it. One step past any bound fails the encode.

#include "Descriptors.h"
#include "asn1/Hex.h"

#include "protocols/LGCP.h"
#include "protocols/MON.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>

using namespace protocolstest;

namespace {

// The longest string and octet count the coder takes (a length needs fewer than 15 bits).
constexpr unsigned LongestUnbounded = 16383;

// Fills a value and everything in it from the descriptors, at the low or the high end.
class Filler {
 public:
  explicit Filler(bool high) : high_(high) {}

  // `alternative`: which alternative a CHOICE at the top takes; nested ones take their
  // first (low end) or last (high end).
  void fill(ASN1::AbstractData& v, int alternative = -1) const {
    if (auto s = dynamic_cast<ASN1::SEQUENCE*>(&v)) {
      for (unsigned i = 0; i < s->fieldCount(); ++i) fill(s->includeField(i));
    } else if (auto c = dynamic_cast<ASN1::CHOICE*>(&v)) {
      int last = int(c->info()->totalCount) - 1;
      ASSERT_TRUE(c->select(alternative >= 0 ? alternative : high_ ? last : 0));
      fill(*c->getSelection());
    } else if (auto l = dynamic_cast<ASN1::SEQUENCE_OF_Base*>(&v)) {
      l->resize(size(*l, 2, 2));
      for (std::size_t i = 0; i < l->size(); ++i) fill(l->at(i));
    } else if (auto n = dynamic_cast<ASN1::INTEGER*>(&v)) {
      if (n->constraintType() == ASN1::Unconstrained)
        n->setValue(high_ ? INT_MAX : INT_MIN);
      else
        n->setValue(high_ ? int(n->upperLimit()) : n->lowerLimit());
    } else if (auto e = dynamic_cast<ASN1::ENUMERATED*>(&v)) {
      e->setValue(enumEnd(*e->info()));
    } else if (auto str = dynamic_cast<ASN1::AbstractString*>(&v)) {
      std::string chars;
      for (unsigned k = 0; k < str->info()->characterSetSize; ++k) {
        char ch = str->info()->characterSet[k];
        if (ch >= ' ' && ch <= '~') chars += ch;  // printable, so the printed text keeps its lines
      }
      std::size_t n = size(*str, 0, LongestUnbounded);
      str->clear();
      for (std::size_t k = 0; k < n; ++k) *str += chars[k % chars.size()];
    } else if (auto o = dynamic_cast<ASN1::OCTET_STRING*>(&v)) {
      o->resize(size(*o, 0, LongestUnbounded));
      for (std::size_t k = 0; k < o->size(); ++k) (*o)[k] = static_cast<unsigned char>(k * 37 + 1);
    } else if (auto b = dynamic_cast<ASN1::BOOLEAN*>(&v)) {
      *b = high_;
    } else if (auto oid = dynamic_cast<ASN1::OBJECT_IDENTIFIER*>(&v)) {
      oid->arcs() = high_ ? std::vector<unsigned>{2, 999, UINT_MAX} : std::vector<unsigned>{0, 0};
    } else {
      ASSERT_NE(dynamic_cast<ASN1::Null*>(&v), nullptr) << "no filling for this kind of value";
    }
  }

 private:
  // A size within the constraint: low or high end, or the given one where unbounded.
  std::size_t size(const ASN1::ConstrainedObject& o, std::size_t low, std::size_t high) const {
    if (o.constraintType() == ASN1::Unconstrained) return high_ ? high : low;
    return high_ ? std::min<std::size_t>(o.upperLimit(), std::max(high, std::size_t(o.lowerLimit())))
                 : std::size_t(o.lowerLimit());
  }

  // The smallest value >= 0 that has a name, or the largest one (an extension value
  // where the type has names after its extension marker).
  int enumEnd(const ASN1::EnumInfo& info) const {
    int low = INT_MAX, high = 0;
    ASN1::forEachEnumName(info, [&](std::string_view, int value) {
      if (value >= 0) low = std::min(low, value);
      high = std::max(high, value);
      return false;
    });
    return high_ ? high : low;
  }

  bool high_;
};

// Finds, from `pos` on, `token` at the start of a line (after the indentation), or
// anywhere when it is an alternative ("name : "). Moves pos behind it.
bool findToken(const std::string& text, const std::string& token, bool lineStart, std::size_t& pos) {
  for (std::size_t p = text.find(token, pos); p != std::string::npos; p = text.find(token, p + 1)) {
    std::size_t q = p;
    while (lineStart && q > 0 && text[q - 1] == ' ') --q;
    if (!lineStart || (q > 0 && text[q - 1] == '\n')) {
      pos = p + token.size();
      return true;
    }
  }
  return false;
}

// Every field and alternative name of the value, in the order the printer writes them.
void expectNamesPrinted(const ASN1::AbstractData& v, const std::string& text, std::size_t& pos) {
  if (auto s = dynamic_cast<const ASN1::SEQUENCE*>(&v)) {
    for (unsigned i = 0; i < s->fieldCount(); ++i) {
      if (!s->isPresent(i)) continue;
      ASSERT_TRUE(findToken(text, std::string(s->fieldName(i)) + " ", true, pos)) << "field " << s->fieldName(i);
      expectNamesPrinted(*s->getField(i), text, pos);
    }
  } else if (auto c = dynamic_cast<const ASN1::CHOICE*>(&v)) {
    ASSERT_TRUE(findToken(text, std::string(c->selectionName()) + " : ", false, pos))
        << "alternative " << c->selectionName();
    expectNamesPrinted(*c->getSelection(), text, pos);
  } else if (auto l = dynamic_cast<const ASN1::SEQUENCE_OF_Base*>(&v)) {
    for (std::size_t i = 0; i < l->size(); ++i) expectNamesPrinted(l->at(i), text, pos);
  }
}

void expectRoundTrip(const ASN1::AbstractData& value) {
  ASN1::Octets octets;
  ASSERT_TRUE(ASN1::encode(value, ASN1::CoderEnv(), octets)) << value;
  std::unique_ptr<ASN1::AbstractData> decoded(ASN1::create(value.info()));
  ASSERT_TRUE(ASN1::decode(octets, ASN1::CoderEnv(), *decoded)) << asn1test::toHex(octets);
  EXPECT_EQ(*decoded, value) << *decoded;
  ASN1::Octets again;
  ASSERT_TRUE(ASN1::encode(*decoded, ASN1::CoderEnv(), again));
  EXPECT_EQ(again, octets);

  std::ostringstream text;
  ASSERT_TRUE(value.print_on(text));
  std::size_t pos = 0;
  expectNamesPrinted(value, text.str(), pos);
}

// Values one step past a bound of the leaf's constraint; empty where none exists.
std::vector<long long> outside(const ASN1::INTEGER& n) {
  if (n.constraintType() != ASN1::FixedConstraint) return {};
  long long lb = n.lowerLimit(), ub = n.upperLimit();
  bool isSigned = lb < 0;
  std::vector<long long> out;
  if (isSigned ? lb > INT_MIN : !(lb == 0 && ub == UINT_MAX)) out.push_back(lb - 1);
  if (ub < (isSigned ? INT_MAX : UINT_MAX)) out.push_back(ub + 1);
  return out;
}

std::vector<long long> outside(const ASN1::AbstractString& s) {
  if (s.constraintType() != ASN1::FixedConstraint) return {};
  std::vector<long long> out{(long long)s.upperLimit() + 1};
  if (s.lowerLimit() > 0) out.push_back(s.lowerLimit() - 1);
  return out;
}

std::vector<long long> outside(const ASN1::ENUMERATED& e) {
  if (e.extendable()) return {-1};
  return {-1, e.getMaximum() + 1LL};
}

// Sets each bounded leaf in turn one step past its bound: the whole value must then
// fail to encode, and encode again once the leaf is put back.
void expectBoundsEnforced(ASN1::AbstractData& top, ASN1::AbstractData& v) {
  auto encodes = [&top] {
    ASN1::Octets out;
    return ASN1::encode(top, ASN1::CoderEnv(), out);
  };
  if (auto s = dynamic_cast<ASN1::SEQUENCE*>(&v)) {
    for (unsigned i = 0; i < s->fieldCount(); ++i)
      if (s->isPresent(i)) expectBoundsEnforced(top, *s->getField(i));
  } else if (auto c = dynamic_cast<ASN1::CHOICE*>(&v)) {
    expectBoundsEnforced(top, *c->getSelection());
  } else if (auto l = dynamic_cast<ASN1::SEQUENCE_OF_Base*>(&v)) {
    for (std::size_t i = 0; i < l->size(); ++i) expectBoundsEnforced(top, l->at(i));
  } else if (auto n = dynamic_cast<ASN1::INTEGER*>(&v)) {
    int kept = n->getValue();
    for (long long bad : outside(*n)) {
      n->setValue(static_cast<int>(bad));
      EXPECT_FALSE(encodes()) << "INTEGER " << n->lowerLimit() << ".." << n->upperLimit() << " holding " << bad;
    }
    n->setValue(kept);
  } else if (auto e = dynamic_cast<ASN1::ENUMERATED*>(&v)) {
    int kept = e->getValue();
    for (long long bad : outside(*e)) {
      e->setValue(static_cast<int>(bad));
      EXPECT_FALSE(encodes()) << "ENUMERATED holding " << bad;
    }
    e->setValue(kept);
  } else if (auto str = dynamic_cast<ASN1::AbstractString*>(&v)) {
    std::string kept = *str;
    for (long long bad : outside(*str)) {
      str->assign(static_cast<std::size_t>(bad), 'a');
      EXPECT_FALSE(encodes()) << "string of " << bad << " characters";
    }
    str->assign(kept);
  }
  EXPECT_TRUE(encodes());
}

std::vector<std::string> typesOfTheMessages() {
  std::set<std::string> names;
  for (const ASN1::TypeInfo* root : {static_cast<const ASN1::TypeInfo*>(&LGCP::Message::theInfo),
                                     static_cast<const ASN1::TypeInfo*>(&MON::Message::theInfo)})
    for (auto info : reachable(root))
      if (generatedTypes().count(info)) names.insert(generatedTypes().at(info));
  return {names.begin(), names.end()};
}

class RoundTripTest : public testing::TestWithParam<std::string> {};

TEST_P(RoundTripTest, EveryAlternativeAtBothEnds) {
  const ASN1::TypeInfo* info = findType(GetParam());
  ASSERT_NE(info, nullptr);
  int alternatives = kindOf(info) == Kind::Choice ? int(static_cast<const ASN1::ChoiceInfo*>(info)->totalCount) : 1;
  for (bool high : {false, true}) {
    for (int alternative = 0; alternative < alternatives; ++alternative) {
      SCOPED_TRACE(std::string(high ? "high" : "low") + " end, alternative " + std::to_string(alternative));
      std::unique_ptr<ASN1::AbstractData> value(ASN1::create(info));
      Filler(high).fill(*value, kindOf(info) == Kind::Choice ? alternative : -1);
      expectRoundTrip(*value);
      expectBoundsEnforced(*value, *value);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Protocols, RoundTripTest, testing::ValuesIn(typesOfTheMessages()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST(RoundTripTest, CoversEveryTypeOfTheTwoMessages) {
  // 328 types and the dname string from LGCP::Message, 19 from MON::Message, of which
  // LGCP::Message reaches 4 (the snmp-set records it carries in `display`).
  EXPECT_EQ(typesOfTheMessages().size(), 329u + 19 - 4);
}

}  // namespace
