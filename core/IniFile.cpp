#include "core/IniFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace IniFile {

namespace {

// How a file is named in reports; a parsed stream has no name.
std::string origin(File const& file) { return file.FileName().empty() ? "configuration" : file.FileName(); }

// Reads the file one character at a time. Carriage returns are dropped
// everywhere; an open comment swallows everything up to the line feed, which
// the current state then sees as usual.
class Parser {
 public:
  Parser(File& file, std::ostream& report) : file_(file), report_(report) {}

  void feed(char c) {
    if (c == '\r') return;
    if (comment_ && c != '\n') return;
    comment_ = false;
    step(c);
    if (c == '\n') ++line_;
  }

  // End of the text: a pending value is stored as at a line end.
  void finish() {
    if (state_ == BeforeValue || state_ == Value) storeKey();
  }

 private:
  enum State { Outside, SectionName, HeaderRest, LineStart, KeyName, BeforeValue, Value };

  void step(char c) {
    switch (state_) {
      case Outside:
        if (c == '#') comment_ = true;
        else if (c == '[') startHeader();
        break;
      case SectionName:
        if (c == '\n') {
          state_ = Outside;
        } else if (c == ']') {
          current_ = &file_.NewSubSection(section_, line_);
          state_ = HeaderRest;
        } else {
          append(section_, c);
        }
        break;
      case HeaderRest:
        if (c == '\n') state_ = LineStart;
        else if (c == '#') comment_ = true;
        break;
      case LineStart:
        if (c == '#') {
          comment_ = true;
        } else if (c == '[') {
          startHeader();
        } else if (c != ' ' && c != '\t' && c != '\n') {
          key_.assign(1, c);
          blanks_ = 0;
          state_ = KeyName;
        }
        break;
      case KeyName:
        if (c == ' ') {
          ++blanks_;
        } else if (c == '=') {
          value_.clear();
          state_ = BeforeValue;
        } else if (c == '\n') {
          state_ = LineStart;
        } else {
          appendAfterBlanks(key_, c);
        }
        break;
      case BeforeValue:
        if (c == '#') {
          comment_ = true;
        } else if (c == '\n') {
          storeKey();
        } else if (c != ' ') {
          value_.assign(1, c);
          blanks_ = 0;
          state_ = Value;
        }
        break;
      case Value:
        if (c == ' ') {
          ++blanks_;
        } else if (c == '\n') {
          storeKey();
        } else if (c == '#' && blanks_ > 0) {
          comment_ = true;
          blanks_ = 0;
        } else {
          appendAfterBlanks(value_, c);
        }
        break;
    }
  }

  void startHeader() {
    section_.clear();
    state_ = SectionName;
  }

  void storeKey() {
    current_->NewSubKey(key_, value_, line_);
    key_.clear();
    state_ = LineStart;
  }

  void appendAfterBlanks(std::string& text, char c) {
    if (text.size() + blanks_ >= File::maxText) return drop();
    text.append(blanks_, ' ');
    blanks_ = 0;
    append(text, c);
  }

  void append(std::string& text, char c) {
    if (text.size() >= File::maxText) return drop();
    text += c;
  }

  // A name or value grew too long: the rest of its line is swallowed like a
  // comment, a header together with the keys that follow it.
  void drop() {
    report_ << origin(file_) << ": line " << line_
            << ": text longer than " << File::maxText << " bytes, line dropped" << std::endl;
    state_ = state_ == SectionName ? Outside : LineStart;
    comment_ = true;
    key_.clear();
    value_.clear();
    blanks_ = 0;
  }

  File& file_;
  std::ostream& report_;
  State state_ = Outside;
  bool comment_ = false;
  int line_ = 1;
  std::string section_;
  std::string key_;
  std::string value_;
  size_t blanks_ = 0;
  SubSection* current_ = nullptr;
};

}  // namespace

bool SubKey::GetBool(bool def) const {
  if (mValue == "true" || mValue == "yes" || mValue == "1" || mValue == "on") return true;
  if (mValue == "false" || mValue == "no" || mValue == "0" || mValue == "off") return false;
  return def;
}

int SubKey::GetInt(int def) const {
  char const* text = mValue.c_str();
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (end == text || errno == ERANGE || v < INT_MIN || v > INT_MAX) return def;
  return static_cast<int>(v);
}

float SubKey::GetFloat(float def) const {
  char const* text = mValue.c_str();
  char* end = nullptr;
  float v = std::strtof(text, &end);
  return end == text ? def : v;
}

void SubKey::SetFloat(float v) {
  std::ostringstream os;
  os << v;
  mValue = os.str();
}

void SubKey::Dump(std::ostream& os) const {
  os << "dumping IniFile::SubKey" << std::endl;
  os << "mValue=\"" << mValue << '"' << std::endl;
  os << "mLineNo=" << mLineNo << std::endl;
}

void Key::CheckEmpty() {
  if (count() == 0) NewSubKey("", -1);
}

void Key::Dump(std::ostream& os) const { DumpNode(os, "Key", "mName", mName, "mSubKeyCount"); }

void SubSection::Dump(std::ostream& os) const { DumpNode(os, "SubSection", "mLineNo", mLineNo, "mKeyCount"); }

void Section::CheckEmpty() {
  if (count() == 0) NewSubSection(-1);
}

void Section::Dump(std::ostream& os) const { DumpNode(os, "Section", "mName", mName, "mSubSectionCount"); }

bool File::Open(std::string const& name) {
  Close();
  mFileName = name;
  std::ifstream in(name, std::ios::in | std::ios::binary);
  if (in.is_open()) IntOpenStream(in);
  return mOpen;
}

// Sections looked up on a file that never opened are freed as well.
void File::Close() {
  CleanSections();
  mOpen = false;
}

void File::Dump(std::ostream& os) const {
  os << "dumping IniFile::File" << std::endl;
  os << "mFileName=\"" << mFileName << '"' << std::endl;
  os << std::endl;
  os << "mSectionCount=" << count() << std::endl;
  for (Section const& s : *this) s.Dump(os);
}

void File::IntOpenStream(std::istream& in) {
  mOpen = true;
  std::ostream& report = mReport ? *mReport : std::cerr;
  Parser parser(*this, report);
  char chunk[65536];
  size_t total = 0;
  for (;;) {
    in.read(chunk, sizeof chunk);
    size_t n = static_cast<size_t>(in.gcount());
    if (n == 0) break;
    bool tooLarge = total + n > maxSize;
    if (tooLarge) n = maxSize - total;
    for (size_t i = 0; i < n; ++i) parser.feed(chunk[i]);
    total += n;
    if (tooLarge) {
      report << origin(*this) << ": larger than " << maxSize
             << " bytes, the rest is ignored" << std::endl;
      break;
    }
  }
  parser.finish();
}

std::istream& operator>>(std::istream& in, File& file) {
  file.Close();
  file.mFileName = "";
  file.IntOpenStream(in);
  return in;
}

}  // namespace IniFile
