#pragma once
#include <iosfwd>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "core/IniFile.h"

namespace IniFile {

// One entry of a word table; a table ends with an entry whose name is null.
template <class T>
struct Symbol {
  char const* name;
  T value;
};

namespace Private {

// One registered key: its name, and whether the last parse found it once
// with a valid value.
class KeyValue {
 public:
  explicit KeyValue(std::string name) : key_(std::move(name)) {}
  KeyValue(KeyValue const&) = delete;
  KeyValue& operator=(KeyValue const&) = delete;
  virtual ~KeyValue() = default;

  std::string const& name() const { return key_; }
  // Converts the text into the target; false leaves the target as it was.
  virtual bool do_parse(std::string const& text) = 0;

  bool found = false;

 private:
  std::string key_;
};

// A whole number as strtol reads it with base 0, using up the entire text.
bool parse_number(std::string const& text, long& value);

// The value of the word `text` in a word table (none when the table is null);
// false, `value` unchanged, when no word matches.
template <class T>
bool find_symbol(Symbol<T> const* table, std::string const& text, T& value) {
  for (Symbol<T> const* s = table; s && s->name; ++s) {
    if (text == s->name) {
      value = s->value;
      return true;
    }
  }
  return false;
}

// The key kinds: bool and std::string, and enumerations named by a Symbol
// table or given as a number.
template <class T>
class TKeyValue : public KeyValue {
 public:
  TKeyValue(T* target, std::string name, Symbol<T> const* table)
      : KeyValue(std::move(name)), target_(target), table_(table) {}

  bool do_parse(std::string const& text) override {
    static_assert(std::is_enum<T>::value, "configuration keys are bool, std::string or enumerations");
    if (find_symbol(table_, text, *target_)) return true;
    using Base = typename std::underlying_type<T>::type;
    long v = 0;
    if (!parse_number(text, v) || v < static_cast<long>(std::numeric_limits<Base>::min()) ||
        v > static_cast<long>(std::numeric_limits<Base>::max()))
      return false;
    *target_ = static_cast<T>(v);
    return true;
  }

 private:
  T* target_;
  Symbol<T> const* table_;
};

template <>
bool TKeyValue<bool>::do_parse(std::string const& text);
template <>
bool TKeyValue<std::string>::do_parse(std::string const& text);

}  // namespace Private

// Reads one occurrence of a section: the owner registers its required and
// optional keys with the variables they fill, then parse checks and converts
// the whole occurrence and reports every problem behind the owner's prefix.
class Reader {
 public:
  // The registered keys, in the order they were added; owned.
  class Field {
   public:
    Field() = default;
    Field(Field const&) = delete;
    Field& operator=(Field const&) = delete;
    ~Field();

    // Returns the key's found flag, valid while the reader lives.
    bool& add(Private::KeyValue* key);
    template <class T>
    bool& add(T* target, std::string const& name, Symbol<T> const* table = nullptr) {
      return add(new Private::TKeyValue<T>(target, name, table));
    }

    std::vector<Private::KeyValue*>::const_iterator begin() const { return keys_.begin(); }
    std::vector<Private::KeyValue*>::const_iterator end() const { return keys_.end(); }

   private:
    std::vector<Private::KeyValue*> keys_;
  };

  Reader(std::string prefix, std::ostream& os) : prefix_(std::move(prefix)), os_(os) {}

  // True when every required key was there once with a valid value; the first
  // required key that fails ends the parse. Keys the occurrence lacks are
  // added to it without values.
  bool parse(SubSection& section);

  Field required;
  Field optional;

 private:
  bool parseRequired(SubSection& section, Private::KeyValue& key);
  void parseOptional(SubSection& section, Private::KeyValue& key);
  void invalid(char const* kind, Private::KeyValue& key, SubKey const& value);
  void duplicated(char const* kind, Key const& key);
  void lines(char const* kind, Key const& key);

  std::string prefix_;
  std::ostream& os_;
};

}  // namespace IniFile
