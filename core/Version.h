#pragma once
#include <iosfwd>
#include <string>

// The build record; it prints as its tag.
class Version {
 public:
  enum Type { snapshot = 0, test = 1, release = 2, unit_test = 3 };

  Version(Type type, int number, std::string text, std::string builder, std::string date, std::string tag,
          std::string architecture);
  void update() {}
  void put(std::ostream& os) const;

  Type type() const { return type_; }
  int number() const { return number_; }
  std::string const& builder() const { return builder_; }
  std::string const& date() const { return date_; }
  std::string const& tag() const { return tag_; }
  std::string const& architecture() const { return architecture_; }

  static Version const current;

 private:
  Type type_;
  int number_;
  std::string text_;
  std::string builder_;
  std::string date_;
  std::string tag_;
  std::string architecture_;
};

char const* version_string(Version::Type type);
char const* version_suffix(Version::Type type);
std::ostream& operator<<(std::ostream& os, Version::Type type);
std::ostream& operator<<(std::ostream& os, Version const& v);
