#include "core/IniFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "support/TestRoot.h"

namespace {

std::string const dataDir = std::string(TARVOX_TEST_DATA) + "/ini/";

std::string slurp(std::string const& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string dump(IniFile::File const& file) {
  std::ostringstream out;
  file.Dump(out);
  return out.str();
}

// Parses a text; what the parser reports lands in `report`.
void parse(IniFile::File& file, std::string const& text, std::ostream& report) {
  std::istringstream in(text);
  file.ReportTo(report);
  in >> file;
}

// The only sub-section of a section.
IniFile::SubSection& only(IniFile::File& file, std::string const& section) {
  EXPECT_EQ(file[section].count(), 1);
  file[section].CheckEmpty();
  return *file[section].first();
}

}  // namespace

// Every input under data/ini has its expected dump beside it. Setting
// TARVOX_UPDATE_GOLDEN=1 rewrites the dumps from the parser's output.
TEST(IniFileGolden, DumpsMatch) {
  bool update = std::getenv("TARVOX_UPDATE_GOLDEN") != nullptr;
  for (char const* name : {"comments", "crlf", "no_final_line_end", "no_final_line_end_empty", "repeated",
                           "malformed", "binary"}) {
    SCOPED_TRACE(name);
    std::ifstream in(dataDir + name + ".conf", std::ios::binary);
    ASSERT_TRUE(in.is_open());
    IniFile::File file;
    std::ostringstream report;
    file.ReportTo(report);
    in >> file;
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(report.str(), "");
    std::string expected = dataDir + name + ".dump";
    if (update) std::ofstream(expected, std::ios::binary) << dump(file);
    EXPECT_EQ(dump(file), slurp(expected));
  }
}

TEST(IniFile, OpenReadsTheNamedFileAndFailsQuietlyOnAMissingOne) {
  IniFile::File file(dataDir + "repeated.conf");
  EXPECT_TRUE(file.IsOpen());
  EXPECT_EQ(file.FileName(), dataDir + "repeated.conf");
  EXPECT_EQ(file["traces"].count(), 3);

  EXPECT_FALSE(file.Open(dataDir + "missing.conf"));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.count(), 0);
  // Looking up creates an empty section, freed again with the file.
  EXPECT_EQ(file["traces"].count(), 0);
  EXPECT_EQ(file.count(), 1);
  file["traces"].CheckEmpty();
  EXPECT_EQ(file["traces"].first()->lineNo(), -1);
  file.Close();
  EXPECT_EQ(file.count(), 0);
}

TEST(IniFile, SectionsKeysAndValuesKeepFileOrder) {
  IniFile::File file;
  std::ostringstream report;
  parse(file, "[b]\nz = 1\n[a]\ny = 1\n[b]\nx = 2\nz = 3\nx = 4\n", report);
  std::string order;
  for (IniFile::Section const& s : file) order += s.name();
  EXPECT_EQ(order, "ba");
  IniFile::SubSection& second = *++file["b"].begin();
  EXPECT_EQ(second.lineNo(), 5);
  std::string keys;
  for (IniFile::Key const& k : second) keys += k.name();
  EXPECT_EQ(keys, "xz");
  std::string values;
  for (IniFile::SubKey const& v : second["x"]) values += v.value() + "@" + std::to_string(v.lineNo()) + " ";
  EXPECT_EQ(values, "2@6 4@8 ");

  IniFile::GenericIterator<IniFile::Section> it = file.begin();
  IniFile::GenericIterator<IniFile::Section> was = it++;
  EXPECT_EQ(was->name(), "b");
  EXPECT_EQ(it->name(), "a");
  ++it;
  EXPECT_TRUE(it == file.end());
  ++it;
  EXPECT_TRUE(it == file.end());
}

TEST(IniFile, EmptyKeysAndSectionsGetAPlaceholder) {
  IniFile::File file;
  IniFile::SubSection& s = file.NewSubSection("s", 3);
  IniFile::Key& key = s["k"];
  key.CheckEmpty();
  ASSERT_EQ(key.count(), 1);
  EXPECT_EQ(key.first()->value(), "");
  EXPECT_EQ(key.first()->lineNo(), -1);
  key.CheckEmpty();
  EXPECT_EQ(key.count(), 1);
  file["s"].CheckEmpty();
  EXPECT_EQ(file["s"].count(), 1);
}

TEST(IniSubKey, TypedAccess) {
  auto b = [](char const* text, bool def) { return IniFile::SubKey(text, 1).GetBool(def); };
  for (char const* yes : {"true", "yes", "1", "on"}) EXPECT_TRUE(b(yes, false)) << yes;
  for (char const* no : {"false", "no", "0", "off"}) EXPECT_FALSE(b(no, true)) << no;
  for (char const* other : {"On", "TRUE", "", " yes", "2"}) {
    EXPECT_TRUE(b(other, true)) << other;
    EXPECT_FALSE(b(other, false)) << other;
  }

  auto i = [](char const* text) { return IniFile::SubKey(text, 1).GetInt(-7); };
  EXPECT_EQ(i("42"), 42);
  EXPECT_EQ(i("  -3abc"), -3);
  EXPECT_EQ(i("abc"), -7);
  EXPECT_EQ(i(""), -7);
  EXPECT_EQ(i("99999999999"), -7);

  EXPECT_FLOAT_EQ(IniFile::SubKey("2.5x", 1).GetFloat(0), 2.5f);
  EXPECT_FLOAT_EQ(IniFile::SubKey("x", 1).GetFloat(1.5f), 1.5f);

  IniFile::SubKey v("", 1);
  v.SetBool(true);
  EXPECT_EQ(v.value(), "yes");
  v.SetBool(false);
  EXPECT_EQ(v.value(), "no");
  v.SetInt(-12);
  EXPECT_EQ(v.value(), "-12");
  v.SetFloat(0.25f);
  EXPECT_EQ(v.value(), "0.25");
}

// Hostile configuration files are parsed or reported, never a crash, and
// nothing kept from them grows past the length limit.
TEST(IniFileHostile, AMegabyteLineIsReportedAndDropped) {
  std::string text = "[s]\nbig = " + std::string(1000000, 'x') + "\nafter = 1\n";
  IniFile::File file;
  std::ostringstream report;
  parse(file, text, report);
  EXPECT_EQ(report.str(), "configuration: line 2: text longer than 4096 bytes, line dropped\n");
  IniFile::SubSection& s = only(file, "s");
  EXPECT_EQ(s["big"].count(), 0);
  ASSERT_EQ(s["after"].count(), 1);
  EXPECT_EQ(s["after"].first()->lineNo(), 3);
}

TEST(IniFileHostile, LongNamesAndBlankRunsAreBoundedToo) {
  IniFile::File file;
  std::ostringstream report;
  parse(file,
        "[" + std::string(5000, 'n') + "]\nlost = 1\n[s]\n" + std::string(5000, 'k') + " = 1\nv = a" +
            std::string(1000000, ' ') + "b\nblank = a" + std::string(1000000, ' ') + "\nlimit = " +
            std::string(4096, 'x') + "\n",
        report);
  EXPECT_EQ(report.str(),
            "configuration: line 1: text longer than 4096 bytes, line dropped\n"
            "configuration: line 4: text longer than 4096 bytes, line dropped\n"
            "configuration: line 5: text longer than 4096 bytes, line dropped\n");
  EXPECT_EQ(file.count(), 1);
  IniFile::SubSection& s = only(file, "s");
  EXPECT_EQ(s.count(), 2);
  EXPECT_EQ(s["blank"].first()->value(), "a");
  EXPECT_EQ(s["limit"].first()->value().size(), 4096u);
}

TEST(IniFileHostile, AnOversizedFileIsCutAndReported) {
  std::string text = "[s]\nk = 1\n" + std::string(IniFile::File::maxSize, '#') + "\nlate = 1\n";
  IniFile::File file;
  std::ostringstream report;
  parse(file, text, report);
  EXPECT_EQ(report.str(), "configuration: larger than 4194304 bytes, the rest is ignored\n");
  IniFile::SubSection& s = only(file, "s");
  EXPECT_EQ(s.count(), 1);
  EXPECT_EQ(s["late"].count(), 0);
}

TEST(IniFileHostile, RandomBytesNeverBreakTheParser) {
  std::mt19937 random(4);
  for (int round = 0; round < 200; ++round) {
    std::string text(1 + random() % 20000, '\0');
    // Mostly structure characters, so that sections and keys really form.
    for (char& c : text) {
      unsigned r = random() % 16;
      c = r < 8 ? "[]=# \t\r\n"[r] : static_cast<char>(random());
    }
    IniFile::File file;
    std::ostringstream report;
    parse(file, text, report);
    for (IniFile::Section const& s : file) {
      EXPECT_LE(s.name().size(), IniFile::File::maxText);
      for (IniFile::SubSection const& sub : s)
        for (IniFile::Key const& k : sub) {
          EXPECT_LE(k.name().size(), IniFile::File::maxText);
          for (IniFile::SubKey const& v : k) {
            EXPECT_LE(v.value().size(), IniFile::File::maxText);
            EXPECT_EQ(v.value().find_first_of("\r\n"), std::string::npos);
          }
        }
    }
    std::ostringstream out;
    file.Dump(out);
  }
}
