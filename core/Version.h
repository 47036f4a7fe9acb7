#pragma once
#include <iosfwd>
#include <string>

// The build record; it prints as its tag. Its texts are constants, so the
// record is complete before any other static object can read it.
class Version {
 public:
  enum Type { snapshot = 0, test = 1, release = 2, unit_test = 3 };

  constexpr Version(Type type, int number, char const* text, char const* builder, char const* date, char const* tag,
                    char const* architecture)
      : type_(type),
        number_(number),
        text_(text),
        builder_(builder),
        date_(date),
        tag_(tag),
        architecture_(architecture) {}
  void update() {}
  void put(std::ostream& os) const;

  Type type() const { return type_; }
  int number() const { return number_; }
  std::string builder() const { return builder_; }
  std::string date() const { return date_; }
  std::string tag() const { return tag_; }
  std::string architecture() const { return architecture_; }

  static Version const current;

 private:
  Type type_;
  int number_;
  char const* text_;
  char const* builder_;
  char const* date_;
  char const* tag_;
  char const* architecture_;
};

char const* version_string(Version::Type type);
char const* version_suffix(Version::Type type);
std::ostream& operator<<(std::ostream& os, Version::Type type);
std::ostream& operator<<(std::ostream& os, Version const& v);
