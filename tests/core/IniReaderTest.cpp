#include "core/IniReader.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// A file parsed from text, and the first occurrence of its section "s".
struct Config {
  IniFile::File file;
  explicit Config(std::string const& text) {
    std::istringstream in(text);
    in >> file;
  }
  IniFile::SubSection& s() {
    file["s"].CheckEmpty();
    return *file["s"].first();
  }
};

struct ReaderTest : ::testing::Test {
  std::ostringstream out;
  IniFile::Reader reader{"traces: ", out};
};

}  // namespace

TEST_F(ReaderTest, RequiredKeyMissingReportsTheHeaderLine) {
  Config c("\n\n[s]\nother = 1\n");
  std::string name = "unchanged";
  bool& found = reader.required.add(&name, "name");
  EXPECT_FALSE(reader.parse(c.s()));
  EXPECT_FALSE(found);
  EXPECT_EQ(name, "unchanged");
  EXPECT_EQ(out.str(), "traces: required key \"name\" not present, line 3\n");
  // The lookup left the key in the occurrence, without values.
  EXPECT_EQ(c.s().count(), 2);
}

TEST_F(ReaderTest, RequiredKeyOfAnOccurrenceThatNeverWasReportsLineMinusOne) {
  Config c("");
  std::string name;
  reader.required.add(&name, "name");
  EXPECT_FALSE(reader.parse(c.s()));
  EXPECT_EQ(out.str(), "traces: required key \"name\" not present, line -1\n");
}

TEST_F(ReaderTest, RequiredKeyInvalidStopsTheOccurrence) {
  Config c("[s]\nflag = On\nlater = yes\nname = x\n");
  bool flag = true;
  bool later = false;
  std::string name = "kept";
  bool& flagFound = reader.required.add(&flag, "flag");
  bool& nameFound = reader.required.add(&name, "name");
  bool& laterFound = reader.optional.add(&later, "later");
  EXPECT_FALSE(reader.parse(c.s()));
  EXPECT_EQ(out.str(), "traces: required key \"flag\" has invalid value=\"On\", line 2\n");
  EXPECT_FALSE(flagFound);
  EXPECT_TRUE(flag);
  // The keys after the failing one are not looked at.
  EXPECT_FALSE(nameFound);
  EXPECT_EQ(name, "kept");
  EXPECT_FALSE(laterFound);
  EXPECT_FALSE(later);
}

TEST_F(ReaderTest, RequiredKeyTwiceOrMore) {
  Config c("[s]\na = 1\n\na = 2\nb = x\n\n\n\nb = y\n\n\nb = z\n");
  bool a = false;
  reader.required.add(&a, "a");
  EXPECT_FALSE(reader.parse(c.s()));
  EXPECT_EQ(out.str(),
            "traces: required key \"a\" is duplicated!\n"
            "traces:  first occurence at 2 line.\n"
            "traces:  second occurence at 4 line.\n");
  EXPECT_FALSE(a);

  std::ostringstream out2;
  IniFile::Reader second("snmpagent: ", out2);
  std::string b;
  second.required.add(&b, "b");
  EXPECT_FALSE(second.parse(c.s()));
  EXPECT_EQ(out2.str(), "snmpagent: required key \"b\" specified more than once: 5 9 12 lines\n");
  EXPECT_EQ(b, "");
}

TEST_F(ReaderTest, RequiredTextMayBeEmpty) {
  Config c("[s]\nname =\n");
  std::string name = "x";
  bool& found = reader.required.add(&name, "name");
  EXPECT_TRUE(reader.parse(c.s()));
  EXPECT_TRUE(found);
  EXPECT_EQ(name, "");
  EXPECT_EQ(out.str(), "");
}

TEST_F(ReaderTest, OptionalKeyProblemsAreReportedAndIgnored) {
  Config c(
      "[s]\n\n\n\n\n\nsignalling.hdlc = maybe\n"  // line 7
      "d = 1\nd = 0\n"                             // lines 8, 9
      "e = yes\ne = no\n"                          // lines 10, 11
      "t = 1\nt = 1\nt = 1\n"                      // lines 12 to 14
      "good = enabled\n");
  bool hdlc = true, d = true, e = true, t = true, good = false, absent = true;
  bool& hdlcFound = reader.optional.add(&hdlc, "signalling.hdlc");
  bool& dFound = reader.optional.add(&d, "d");
  bool& eFound = reader.optional.add(&e, "e");
  bool& tFound = reader.optional.add(&t, "t");
  bool& goodFound = reader.optional.add(&good, "good");
  bool& absentFound = reader.optional.add(&absent, "absent");
  EXPECT_TRUE(reader.parse(c.s()));
  EXPECT_EQ(out.str(),
            "traces: optional key \"signalling.hdlc\" has invalid value=\"maybe\", line 7. Key will be ignored.\n"
            "traces: optional key \"d\" is duplicated!\n"
            "traces:  first occurence at 8 line.\n"
            "traces:  second occurence at 9 line. Both keys will be ignored.\n"
            "traces: optional key \"e\" is duplicated!\n"
            "traces:  first occurence at 10 line.\n"
            "traces:  second occurence at 11 line. Both keys will be ignored.\n"
            "traces: optional key \"t\" specified more than once: 12 13 14 lines. All keys will be ignored.\n");
  EXPECT_FALSE(hdlcFound || dFound || eFound || tFound || absentFound);
  EXPECT_TRUE(hdlc && d && e && t && absent);
  EXPECT_TRUE(goodFound);
  EXPECT_TRUE(good);
}

TEST_F(ReaderTest, FoundFlagsAreFromTheLatestParse) {
  Config first("[s]\nk = yes\n");
  Config second("[s]\n");
  bool k = false;
  bool& found = reader.optional.add(&k, "k");
  EXPECT_TRUE(reader.parse(first.s()));
  EXPECT_TRUE(found);
  EXPECT_TRUE(reader.parse(second.s()));
  EXPECT_FALSE(found);
  EXPECT_TRUE(k);
}

TEST(ReaderBool, AcceptsExactlyTheTenWords) {
  struct Case {
    char const* text;
    bool valid;
    bool value;
  } const cases[] = {
      {"true", true, true},      {"false", true, false},   {"yes", true, true},     {"no", true, false},
      {"enabled", true, true},   {"disabled", true, false}, {"enable", true, true},  {"disable", true, false},
      {"1", true, true},         {"0", true, false},        {"On", false, false},    {"on", false, false},
      {"off", false, false},     {"TRUE", false, false},    {"Yes", false, false},   {"", false, false},
      {"2", false, false},       {"01", false, false},      {"yes ", false, false},
  };
  for (Case const& c : cases) {
    for (bool initial : {false, true}) {
      bool target = initial;
      IniFile::Private::TKeyValue<bool> key(&target, "k", nullptr);
      EXPECT_EQ(key.do_parse(c.text), c.valid) << '"' << c.text << '"';
      EXPECT_EQ(target, c.valid ? c.value : initial) << '"' << c.text << '"';
    }
  }
  bool target = false;
  IniFile::Private::TKeyValue<bool> key(&target, "k", nullptr);
  EXPECT_FALSE(key.do_parse(std::string("1\0x", 3)));
}

TEST(ReaderNumber, UsesTheWholeText) {
  long v = -1;
  EXPECT_TRUE(IniFile::Private::parse_number("0x10", v));
  EXPECT_EQ(v, 16);
  EXPECT_TRUE(IniFile::Private::parse_number("010", v));
  EXPECT_EQ(v, 8);
  EXPECT_TRUE(IniFile::Private::parse_number("-12", v));
  EXPECT_EQ(v, -12);
  for (char const* bad : {"", "12abc", "0x", "abc", " ", "99999999999999999999"}) {
    v = 5;
    EXPECT_FALSE(IniFile::Private::parse_number(bad, v)) << bad;
    EXPECT_EQ(v, 5);
  }
  EXPECT_FALSE(IniFile::Private::parse_number(std::string("4\0", 2), v));
}

TEST_F(ReaderTest, ControlBytesOfAValueAreShownEscaped) {
  Config c(std::string("[s]\nflag = \x1b[2J\0\tx\x7f\xc3\xbc\n", 22));
  bool flag = false;
  reader.optional.add(&flag, "flag");
  EXPECT_TRUE(reader.parse(c.s()));
  EXPECT_EQ(out.str(),
            "traces: optional key \"flag\" has invalid value=\"\\x1B[2J\\x00\\x09x\\x7F\xc3\xbc\", line 2. Key will be "
            "ignored.\n");
}
