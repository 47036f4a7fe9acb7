#include "core/IniReader.h"

#include <cerrno>
#include <cstdlib>
#include <ostream>

namespace IniFile {

namespace {

// A value as it stands in a message: control bytes are shown as \xNN, so a
// hostile value cannot break or forge log lines.
struct Shown {
  std::string const& text;
};

std::ostream& operator<<(std::ostream& os, Shown const& v) {
  static char const hex[] = "0123456789ABCDEF";
  for (unsigned char c : v.text) {
    if (c < 0x20 || c == 0x7f)
      os << "\\x" << hex[c >> 4] << hex[c & 15];
    else
      os << static_cast<char>(c);
  }
  return os;
}

}  // namespace

namespace Private {

namespace {

Symbol<bool> const boolWords[] = {
    {"true", true},     {"false", false},    {"yes", true},   {"no", false}, {"enabled", true},
    {"disabled", false}, {"enable", true}, {"disable", false}, {"1", true},  {"0", false},
    {nullptr, false},
};

}  // namespace

bool parse_number(std::string const& text, long& value) {
  if (text.empty()) return false;
  char const* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(begin, &end, 0);
  // An embedded zero byte ends strtol early, so it never counts as used up.
  if (end == begin || errno == ERANGE || end != begin + text.size()) return false;
  value = v;
  return true;
}

template <>
bool TKeyValue<bool>::do_parse(std::string const& text) {
  return find_symbol(boolWords, text, *target_);
}

template <>
bool TKeyValue<std::string>::do_parse(std::string const& text) {
  *target_ = text;
  return true;
}

}  // namespace Private

Reader::Field::~Field() {
  for (Private::KeyValue* key : keys_) delete key;
}

bool& Reader::Field::add(Private::KeyValue* key) {
  keys_.push_back(key);
  return key->found;
}

bool Reader::parse(SubSection& section) {
  for (Private::KeyValue* key : required)
    if (!parseRequired(section, *key)) return false;
  for (Private::KeyValue* key : optional) parseOptional(section, *key);
  return true;
}

bool Reader::parseRequired(SubSection& section, Private::KeyValue& key) {
  Key const& values = section[key.name()];
  switch (values.count()) {
    case 0:
      os_ << prefix_ << "required key \"" << key.name() << "\" not present, line " << section.lineNo() << std::endl;
      return false;
    case 1:
      key.found = key.do_parse(values.first()->value());
      if (!key.found) {
        invalid("required", key, *values.first());
        os_ << std::endl;
      }
      return key.found;
    case 2:
      duplicated("required", values);
      os_ << std::endl;
      return false;
    default:
      lines("required", values);
      os_ << std::endl;
      return false;
  }
}

void Reader::parseOptional(SubSection& section, Private::KeyValue& key) {
  key.found = false;
  Key const& values = section[key.name()];
  switch (values.count()) {
    case 0:
      return;
    case 1:
      key.found = key.do_parse(values.first()->value());
      if (!key.found) {
        invalid("optional", key, *values.first());
        os_ << ". Key will be ignored." << std::endl;
      }
      return;
    case 2:
      duplicated("optional", values);
      os_ << " Both keys will be ignored." << std::endl;
      return;
    default:
      lines("optional", values);
      os_ << ". All keys will be ignored." << std::endl;
      return;
  }
}

// The shared beginnings of the messages; the caller ends the line.
void Reader::invalid(char const* kind, Private::KeyValue& key, SubKey const& value) {
  os_ << prefix_ << kind << " key \"" << key.name() << "\" has invalid value=\"" << Shown{value.value()} << "\", line "
      << value.lineNo();
}

void Reader::duplicated(char const* kind, Key const& key) {
  os_ << prefix_ << kind << " key \"" << key.name() << "\" is duplicated!" << std::endl;
  os_ << prefix_ << " first occurence at " << key.first()->lineNo() << " line." << std::endl;
  os_ << prefix_ << " second occurence at " << key.last()->lineNo() << " line.";
}

void Reader::lines(char const* kind, Key const& key) {
  os_ << prefix_ << kind << " key \"" << key.name() << "\" specified more than once:";
  for (SubKey const& v : key) os_ << ' ' << v.lineNo();
  os_ << " lines";
}

}  // namespace IniFile
