#include "core/Version.h"

#include <ostream>

Version const Version::current(Version::snapshot, 0, "", "tarvox", "2024-02-05 11:26", "T240205-1126", "ppc");

void Version::put(std::ostream& os) const { os << tag_; }

char const* version_string(Version::Type type) {
  switch (type) {
    case Version::snapshot: return "snapshot";
    case Version::test: return "test";
    case Version::release: return "release";
    case Version::unit_test: return "unit-test";
  }
  return "unknown";
}

char const* version_suffix(Version::Type type) {
  switch (type) {
    case Version::snapshot: return "S";
    case Version::test: return "T";
    case Version::release: return "R";
    case Version::unit_test: return "T";
  }
  return "U";
}

std::ostream& operator<<(std::ostream& os, Version::Type type) { return os << version_string(type); }

std::ostream& operator<<(std::ostream& os, Version const& v) {
  v.put(os);
  return os;
}
