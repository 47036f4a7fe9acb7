#include "asn1/ASN1.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ASN1 {

unsigned MaximumArraySize = 128;
unsigned MaximumStringSize = 16384;
// A message fills at most one TPKT frame body of 65,531 octets. Counting the fewest bits
// each value of the protocol modules takes, none of their messages holds more than 157,300
// values plus one per octet of its aligned PER encoding: 222,829 in a full frame body. The
// densest, a protoZeri keep-alive of 128 packets of 128 records of ten BOOLEANs, holds
// 182,275 values in 25,476 octets. 2^18 values leave room, and cost some 10 to 15 MB.
unsigned MaximumValueCount = 262144;
thread_local unsigned long AbstractData::constructed_ = 0;

// ----- character sets and built-in descriptors ------------------------------------------

const char NumericStringSet[] = " 0123456789";
const char PrintableStringSet[] =
    " '()+,-./0123456789:=?ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
const char VisibleStringSet[] =
    " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";
const char IA5StringSet[129] =
    "\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f"
    "\x20\x21\x22\x23\x24\x25\x26\x27\x28\x29\x2a\x2b\x2c\x2d\x2e\x2f\x30\x31\x32\x33\x34\x35\x36\x37\x38\x39\x3a\x3b\x3c\x3d\x3e\x3f"
    "\x40\x41\x42\x43\x44\x45\x46\x47\x48\x49\x4a\x4b\x4c\x4d\x4e\x4f\x50\x51\x52\x53\x54\x55\x56\x57\x58\x59\x5a\x5b\x5c\x5d\x5e\x5f"
    "\x60\x61\x62\x63\x64\x65\x66\x67\x68\x69\x6a\x6b\x6c\x6d\x6e\x6f\x70\x71\x72\x73\x74\x75\x76\x77\x78\x79\x7a\x7b\x7c\x7d\x7e\x7f";
const char GeneralStringSet[257] =
    "\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f"
    "\x20\x21\x22\x23\x24\x25\x26\x27\x28\x29\x2a\x2b\x2c\x2d\x2e\x2f\x30\x31\x32\x33\x34\x35\x36\x37\x38\x39\x3a\x3b\x3c\x3d\x3e\x3f"
    "\x40\x41\x42\x43\x44\x45\x46\x47\x48\x49\x4a\x4b\x4c\x4d\x4e\x4f\x50\x51\x52\x53\x54\x55\x56\x57\x58\x59\x5a\x5b\x5c\x5d\x5e\x5f"
    "\x60\x61\x62\x63\x64\x65\x66\x67\x68\x69\x6a\x6b\x6c\x6d\x6e\x6f\x70\x71\x72\x73\x74\x75\x76\x77\x78\x79\x7a\x7b\x7c\x7d\x7e\x7f"
    "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8a\x8b\x8c\x8d\x8e\x8f\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9a\x9b\x9c\x9d\x9e\x9f"
    "\xa0\xa1\xa2\xa3\xa4\xa5\xa6\xa7\xa8\xa9\xaa\xab\xac\xad\xae\xaf\xb0\xb1\xb2\xb3\xb4\xb5\xb6\xb7\xb8\xb9\xba\xbb\xbc\xbd\xbe\xbf"
    "\xc0\xc1\xc2\xc3\xc4\xc5\xc6\xc7\xc8\xc9\xca\xcb\xcc\xcd\xce\xcf\xd0\xd1\xd2\xd3\xd4\xd5\xd6\xd7\xd8\xd9\xda\xdb\xdc\xdd\xde\xdf"
    "\xe0\xe1\xe2\xe3\xe4\xe5\xe6\xe7\xe8\xe9\xea\xeb\xec\xed\xee\xef\xf0\xf1\xf2\xf3\xf4\xf5\xf6\xf7\xf8\xf9\xfa\xfb\xfc\xfd\xfe\xff";

constexpr TypeInfo Null::theInfo = {&make<Null>, 5};
constexpr TypeInfo BOOLEAN::theInfo = {&make<BOOLEAN>, 1};
constexpr ConstrainedInfo INTEGER::theInfo = {{&make<INTEGER>, 2}, Unconstrained, 0, UINT_MAX};
constexpr TypeInfo OBJECT_IDENTIFIER::theInfo = {&make<OBJECT_IDENTIFIER>, 6};
constexpr ConstrainedInfo BIT_STRING::theInfo = {{&make<BIT_STRING>, 3}, Unconstrained, 0, UINT_MAX};
constexpr ConstrainedInfo OCTET_STRING::theInfo = {{&make<OCTET_STRING>, 4}, Unconstrained, 0, UINT_MAX};
constexpr StringInfo NumericString::theInfo = {
    {{&make<NumericString>, 18}, Unconstrained, 0, UINT_MAX}, NumericStringSet, 11, 4, 4, 4};
constexpr StringInfo PrintableString::theInfo = {
    {{&make<PrintableString>, 19}, Unconstrained, 0, UINT_MAX}, PrintableStringSet, 74, 7, 7, 8};
constexpr StringInfo IA5String::theInfo = {
    {{&make<IA5String>, 22}, Unconstrained, 0, UINT_MAX}, IA5StringSet, 128, 7, 7, 8};
constexpr StringInfo VisibleString::theInfo = {
    {{&make<VisibleString>, 26}, Unconstrained, 0, UINT_MAX}, VisibleStringSet, 95, 7, 7, 8};
constexpr StringInfo GeneralString::theInfo = {
    {{&make<GeneralString>, 27}, Unconstrained, 0, UINT_MAX}, GeneralStringSet, 256, 8, 8, 8};
constexpr BMPStringInfo BMPString::theInfo = {{{&make<BMPString>, 30}, Unconstrained, 0, UINT_MAX}, 0, 65535, 16, 16};
constexpr TypeInfo GeneralizedTime::theInfo = {&make<GeneralizedTime>, 24};
constexpr TypeInfo OpenData::theInfo = {&make<OpenData>, 0};

// ----- helpers -------------------------------------------------------------------------

unsigned CountBits(unsigned range) {
  if (range == 0) return 32;
  unsigned n = 0;
  while (n < 32 && (std::uint64_t(1) << n) < range) ++n;
  return n;
}

unsigned getIntegerDataLength(int v) {
  if (v == 0) return 1;
  unsigned magnitude = v > 0 ? unsigned(v) + 1 : 0u - unsigned(v);
  return (CountBits(magnitude) + 1 + 7) / 8;
}

int lexicographic_compare_bytes(const unsigned char* a, std::size_t na, const unsigned char* b, std::size_t nb) {
  for (std::size_t i = 0; i < na && i < nb; ++i)
    if (a[i] != b[i]) return int(a[i]) - int(b[i]);
  return na == nb ? 0 : (na > nb ? 1 : -1);
}

AbstractData* create(const TypeInfo* info) { return info ? info->create(info, nullptr) : nullptr; }

namespace {
template <class T>
const T& same(const AbstractData& other) { return boost::polymorphic_downcast<const T&>(other); }
int sign(long long d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }
}  // namespace

#define ACCEPT(Kind, call)                                             \
  bool Kind::do_accept(Visitor& v) { return v.call(*this); }           \
  bool Kind::do_accept(ConstVisitor& v) const { return v.call(*this); }
ACCEPT(Null, do_visit)
ACCEPT(BOOLEAN, do_visit)
ACCEPT(INTEGER, do_visit)
ACCEPT(IntegerWithNamedNumber, do_visit)
ACCEPT(ENUMERATED, do_visit)
ACCEPT(OBJECT_IDENTIFIER, do_visit)
ACCEPT(BIT_STRING, do_visit)
ACCEPT(OCTET_STRING, do_visit)
ACCEPT(AbstractString, do_visit)
ACCEPT(BMPString, do_visit)
ACCEPT(GeneralizedTime, do_visit)
ACCEPT(CHOICE, do_visit)
ACCEPT(SEQUENCE, visit)
ACCEPT(SEQUENCE_OF_Base, do_visit)
ACCEPT(OpenData, do_visit)
#undef ACCEPT
bool TypeConstrainedOpenData::do_accept(Visitor& v) { return v.do_visit(*this); }

// ----- simple kinds --------------------------------------------------------------------

int Null::do_compare(const AbstractData&) const { return 0; }
int BOOLEAN::do_compare(const AbstractData& o) const { return int(value_) - int(same<BOOLEAN>(o).value_); }
int INTEGER::do_compare(const AbstractData& o) const { return sign((long long)value_ - same<INTEGER>(o).value_); }
int IntegerWithNamedNumber::do_compare(const AbstractData& o) const { return INTEGER::do_compare(o); }
int ENUMERATED::do_compare(const AbstractData& o) const { return sign((long long)value_ - same<ENUMERATED>(o).value_); }

bool ConstrainedObject::sizeValid(std::size_t n) const {
  long long lb = lowerLimit();
  return (long long)n >= lb && (constraintType() == ExtendableConstraint || n <= upperLimit());
}

bool ConstrainedObject::sizeStrictlyValid(std::size_t n) const {
  return (long long)n >= lowerLimit() && n <= upperLimit();
}

bool INTEGER::isStrictValid() const {
  if (lowerLimit() >= 0)
    return getUnsignedValue() >= unsigned(lowerLimit()) && getUnsignedValue() <= upperLimit();
  return value_ >= lowerLimit() && value_ <= int(upperLimit());
}

bool INTEGER::isValueValid() const { return constraintType() == ExtendableConstraint || isStrictValid(); }

bool IntegerWithNamedNumber::getName(std::string& name) const {
  const NamedNumberEntry* first = info()->entries;
  const NamedNumberEntry* last = first + info()->entryCount;
  auto it = std::lower_bound(first, last, getValue(),
                             [](const NamedNumberEntry& e, int v) { return e.value < v; });
  if (it == last || it->value != getValue()) return false;
  name = it->name;
  return true;
}

bool IntegerWithNamedNumber::setFromName(std::string_view name) {
  for (unsigned i = 0; i < info()->entryCount; ++i)
    if (name == info()->entries[i].name) {
      setValue(info()->entries[i].value);
      return true;
    }
  return false;
}

namespace detail {
bool parseEnumEntry(const char* entry, std::string_view& name, int& running) {
  const char* eq = std::strchr(entry, '=');
  if (!eq) {
    name = entry;
    ++running;
    return false;
  }
  name = std::string_view(entry, eq - entry);
  running = int(std::strtol(eq + 1, nullptr, 10));
  return true;
}
}  // namespace detail

std::string_view ENUMERATED::getName() const {
  std::string_view found;
  forEachEnumName(*info(), [&](std::string_view name, int value) {
    if (value != value_) return false;
    found = name;
    return true;
  });
  return found;
}

bool ENUMERATED::setFromName(std::string_view name) {
  return forEachEnumName(*info(), [&](std::string_view entry, int value) {
    if (entry != name) return false;
    value_ = value;
    return true;
  });
}

// ----- OBJECT IDENTIFIER ---------------------------------------------------------------

int OBJECT_IDENTIFIER::do_compare(const AbstractData& o) const {
  const std::vector<unsigned>& b = same<OBJECT_IDENTIFIER>(o).arcs_;
  for (std::size_t i = 0; i < arcs_.size() && i < b.size(); ++i)
    if (arcs_[i] != b[i]) return arcs_[i] < b[i] ? -1 : 1;
  return sign((long long)arcs_.size() - (long long)b.size());
}

void OBJECT_IDENTIFIER::encodeCommon(Octets& out) const {
  if (arcs_.size() < 2) {
    out.clear();
    return;
  }
  Octets octets;
  auto put = [&](unsigned long long sub) {
    unsigned char group[10];
    int n = 0;
    do {
      group[n++] = sub & 0x7F;
      sub >>= 7;
    } while (sub);
    while (n > 1) octets.push_back(group[--n] | 0x80);
    octets.push_back(group[0]);
  };
  put(40ull * arcs_[0] + arcs_[1]);
  for (std::size_t i = 2; i < arcs_.size(); ++i) put(arcs_[i]);
  out.insert(out.begin(), octets.begin(), octets.end());
}

bool OBJECT_IDENTIFIER::decodeCommon(const unsigned char* data, std::size_t n) {
  arcs_.clear();
  unsigned long long sub = 0;
  bool open = false;
  for (std::size_t i = 0; i < n; ++i) {
    sub = (sub << 7) | (data[i] & 0x7F);
    open = data[i] & 0x80;
    if (open) continue;
    if (arcs_.empty()) {
      unsigned first = sub < 40 ? 0 : (sub < 80 ? 1 : 2);
      arcs_.push_back(first);
      arcs_.push_back(unsigned(sub - 40ull * first));
    } else {
      arcs_.push_back(unsigned(sub));
    }
    sub = 0;
  }
  return !open;
}

// ----- strings -------------------------------------------------------------------------

void BIT_STRING::set(unsigned i, bool on) {
  if (i >= bits_ || i / 8 >= bytes_.size()) return;
  unsigned char mask = 0x80 >> (i % 8);
  bytes_[i / 8] = on ? (bytes_[i / 8] | mask) : (bytes_[i / 8] & ~mask);
}

int BIT_STRING::do_compare(const AbstractData& o) const {
  const BIT_STRING& b = same<BIT_STRING>(o);
  for (std::size_t i = 0; i < bytes_.size() && i < b.bytes_.size(); ++i) {
    unsigned d = bytes_[i] ^ b.bytes_[i];
    if (d) return int(bytes_[i] & d) - int(b.bytes_[i] & d);
  }
  return sign((long long)bits_ - (long long)b.bits_);
}

int OCTET_STRING::do_compare(const AbstractData& o) const {
  const OCTET_STRING& b = same<OCTET_STRING>(o);
  return lexicographic_compare_bytes(data(), size(), b.data(), b.size());
}

int AbstractString::do_compare(const AbstractData& o) const {
  const AbstractString& b = same<AbstractString>(o);
  std::size_t n = std::min(size(), b.size());
  int r = std::memcmp(data(), b.data(), n);
  return r ? sign(r) : sign((long long)size() - (long long)b.size());
}

bool AbstractString::legalCharacter(unsigned char c) const {
  const InfoType& i = *info();
  if (i.characterSetSize == 0) return true;
  const unsigned char* set = reinterpret_cast<const unsigned char*>(i.characterSet);
  return std::binary_search(set, set + i.characterSetSize, c);
}

bool AbstractString::isValid() const {
  return sizeValid(size()) && std::all_of(begin(), end(), [this](char c) { return legalCharacter(c); });
}

bool AbstractString::isStrictlyValid() const {
  return sizeStrictlyValid(size()) && std::all_of(begin(), end(), [this](char c) { return legalCharacter(c); });
}

int BMPString::do_compare(const AbstractData& o) const {
  const BMPString& b = same<BMPString>(o);
  std::size_t n = std::min(size(), b.size());
  for (std::size_t i = 0; i < n; ++i)
    if ((*this)[i] != b[i]) return (*this)[i] < b[i] ? -1 : 1;
  return sign((long long)size() - (long long)b.size());
}

bool BMPString::legalCharacter(wchar_t c) const {
  return (unsigned long)c >= info()->firstChar && (unsigned long)c <= info()->lastChar;
}

std::size_t BMPString::first_illegal_at() const {
  std::size_t i = 0;
  while (i < size() && legalCharacter((*this)[i])) ++i;
  return i;
}

bool BMPString::isValid() const { return sizeValid(size()) && first_illegal_at() == size(); }
bool BMPString::isStrictlyValid() const { return sizeStrictlyValid(size()) && first_illegal_at() == size(); }

// ----- GeneralizedTime -----------------------------------------------------------------

GeneralizedTime::GeneralizedTime(int y, int mo, int d, int h, int mi, int s, int ms, int md, bool u)
    : AbstractData(&theInfo), year(y), month(mo), day(d), hour(h), minute(mi), second(s),
      millisec(ms), mindiff(md), utc(u) {}

GeneralizedTime& GeneralizedTime::operator=(const GeneralizedTime& o) {
  year = o.year, month = o.month, day = o.day, hour = o.hour, minute = o.minute;
  second = o.second, millisec = o.millisec, mindiff = o.mindiff, utc = o.utc;
  return *this;
}

void GeneralizedTime::swap(GeneralizedTime& o) {
  GeneralizedTime t(*this);
  *this = o;
  o = t;
}

bool GeneralizedTime::set(const char* text) {
  std::size_t n = std::strlen(text);
  if (n < 14 || !std::all_of(text, text + 14, [](char c) { return c >= '0' && c <= '9'; })) return false;
  std::sscanf(text, "%4d%2d%2d%2d%2d%2d", &year, &month, &day, &hour, &minute, &second);
  // Milliseconds from the fraction's digits, truncated: a float would turn .251 into 250.
  if (n > 15 && text[14] == '.' && std::isdigit(static_cast<unsigned char>(text[15]))) {
    millisec = 0;
    for (int i = 15, scale = 100; std::isdigit(static_cast<unsigned char>(text[i])); ++i, scale /= 10)
      millisec += (text[i] - '0') * scale;
  }
  if (n > 0 && text[n - 1] == 'Z') {
    utc = true;
  } else if (n >= 5 && (text[n - 5] == '+' || text[n - 5] == '-')) {
    int hh = 0, mm = 0;
    if (std::sscanf(text + n - 4, "%2d%2d", &hh, &mm) == 2)
      mindiff = (text[n - 5] == '-' ? -1 : 1) * (hh * 60 + mm);
  }
  return true;
}

std::string GeneralizedTime::get() const {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", year, month, day, hour, minute, second);
  std::string text(buf, n);
  if (millisec) text += (std::snprintf(buf, sizeof buf, ".%03d", millisec), buf);
  if (utc) {
    text += 'Z';
  } else if (mindiff) {
    int m = std::abs(mindiff);
    std::snprintf(buf, sizeof buf, "%c%02d%02d", mindiff < 0 ? '-' : '+', m / 60, m % 60);
    text += buf;
  }
  return text;
}

time_t GeneralizedTime::get_time_t() const {
  std::tm t{};
  t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
  t.tm_hour = hour, t.tm_min = minute, t.tm_sec = second, t.tm_isdst = -1;
  return std::mktime(&t);
}

void GeneralizedTime::set_time_t(time_t when) {
  std::tm t{};
  gmtime_r(&when, &t);
  year = t.tm_year + 1900, month = t.tm_mon + 1, day = t.tm_mday;
  hour = t.tm_hour, minute = t.tm_min, second = t.tm_sec;
}

bool GeneralizedTime::isStrictlyValid() const {
  return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 && hour <= 24 &&
         minute >= 0 && minute <= 59 && second >= 0 && second <= 59 && mindiff >= -720 && mindiff <= 720;
}

int GeneralizedTime::do_compare(const AbstractData& o) const {
  const GeneralizedTime& b = same<GeneralizedTime>(o);
  const int a1[] = {year, month, day, hour, minute, second, millisec, mindiff, utc};
  const int b1[] = {b.year, b.month, b.day, b.hour, b.minute, b.second, b.millisec, b.mindiff, b.utc};
  for (unsigned i = 0; i < 9; ++i)
    if (a1[i] != b1[i]) return sign((long long)a1[i] - b1[i]);
  return 0;
}

// ----- CHOICE --------------------------------------------------------------------------

CHOICE& CHOICE::operator=(const CHOICE& o) {
  if (this != &o) {
    value_.reset(o.value_ ? o.value_->clone() : nullptr);
    id_ = o.id_;
  }
  return *this;
}

const char* CHOICE::selectionName() const {
  return isSelected() && unsigned(id_) < info()->totalCount ? info()->selectionNames[id_] : nullptr;
}

AbstractData* CHOICE::setSelection(int id, AbstractData* value) {
  value_.reset(value);
  id_ = id;
  return value;
}

bool CHOICE::createSelection() {
  const InfoType& i = *info();
  if (id_ >= 0 && unsigned(id_) < i.totalCount && i.selectionInfos[id_]) {
    value_.reset(create(i.selectionInfos[id_]));
    return true;
  }
  id_ = unknownSelection_;
  value_.reset();
  return false;
}

int CHOICE::do_compare(const AbstractData& o) const {
  const CHOICE& b = same<CHOICE>(o);
  if (isSelected() && b.isSelected() && id_ == b.id_) return value_->compare(*b.value_);
  return sign((long long)currentSelection() - b.currentSelection());
}

// ----- SEQUENCE ------------------------------------------------------------------------

const unsigned SEQUENCE::defaultTag[1] = {0};

void SEQUENCE::BitMap::resize(unsigned bits) {
  bits_ = bits;
  bytes_.resize((bits + 7) / 8);
  if (bits % 8) bytes_.back() &= static_cast<unsigned char>(0xFF00 >> (bits % 8));
}

bool SEQUENCE::BitMap::any() const {
  return std::any_of(bytes_.begin(), bytes_.end(), [](unsigned char b) { return b != 0; });
}

int SEQUENCE::BitMap::compare(const BitMap& o) const {
  int r = lexicographic_compare_bytes(bytes_.data(), bytes_.size(), o.bytes_.data(), o.bytes_.size());
  return r ? r : sign((long long)bits_ - (long long)o.bits_);
}

SEQUENCE::SEQUENCE(const InfoType* info) : AbstractData(info), fields_(info->rootCount + info->extensionCount) {
  optionalMap_.resize(info->optionalCount);
  for (unsigned i = 0; i < info->rootCount; ++i)
    if (info->fieldIds[i] == -1) fields_[i].reset(create(info->fieldInfos[i]));
  if (!info->knownExtensions) return;
  extensionMap_.resize(info->extensionCount);
  for (unsigned j = 0; j < info->extensionCount; ++j)
    if (info->knownExtensions[j / 8] & (0x80 >> (j % 8))) {
      extensionMap_.set(j);
      fields_[info->rootCount + j].reset(create(info->fieldInfos[info->rootCount + j]));
    }
}

SEQUENCE::SEQUENCE(const SEQUENCE& o)
    : AbstractData(o), fields_(o.fields_.size()), optionalMap_(o.optionalMap_), extensionMap_(o.extensionMap_) {
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (o.fields_[i]) fields_[i].reset(o.fields_[i]->clone());
}

SEQUENCE& SEQUENCE::operator=(const SEQUENCE& o) {
  if (this == &o) return *this;
  SEQUENCE copy(o);
  swap(copy);
  return *this;
}

void SEQUENCE::swap(SEQUENCE& o) {
  fields_.swap(o.fields_);
  std::swap(optionalMap_, o.optionalMap_);
  std::swap(extensionMap_, o.extensionMap_);
}

AbstractData& SEQUENCE::fieldValue(unsigned index) const {
  std::unique_ptr<AbstractData>& slot = fields_[index];
  if (!slot) slot.reset(create(info()->fieldInfos[index]));
  return *slot;
}

int SEQUENCE::optionalId(unsigned index) const {
  const InfoType& i = *info();
  return index < i.rootCount ? i.fieldIds[index] : int(i.optionalCount + (index - i.rootCount));
}

bool SEQUENCE::hasOptionalField(int optId) const {
  if (optId < 0) return false;
  unsigned id = unsigned(optId);
  return id < optionalMap_.size() ? optionalMap_[id] : extensionMap_[id - optionalMap_.size()];
}

bool SEQUENCE::isPresent(unsigned index) const {
  int id = optionalId(index);
  return id < 0 || hasOptionalField(id);
}

void SEQUENCE::includeOptionalField(int optId, unsigned index) {
  if (optId < 0) return;
  unsigned id = unsigned(optId);
  if (id < optionalMap_.size()) {
    optionalMap_.set(id);
  } else {
    unsigned e = id - optionalMap_.size();
    if (extensionMap_.size() <= e) extensionMap_.resize(e + 1);
    extensionMap_.set(e);
  }
  if (index < fields_.size() && !fields_[index]) fields_[index].reset(create(info()->fieldInfos[index]));
}

void SEQUENCE::removeOptionalField(int optId) {
  if (optId < 0) return;
  unsigned id = unsigned(optId);
  if (id < optionalMap_.size())
    optionalMap_.clear(id);
  else
    extensionMap_.clear(id - optionalMap_.size());
}

AbstractData& SEQUENCE::includeField(unsigned index) {
  includeOptionalField(optionalId(index), index);
  return fieldValue(index);
}

int SEQUENCE::do_compare(const AbstractData& o) const {
  const SEQUENCE& b = same<SEQUENCE>(o);
  for (unsigned i = 0; i < fields_.size() && i < b.fields_.size(); ++i) {
    bool pa = isPresent(i) && fields_[i], pb = b.isPresent(i) && b.fields_[i];
    if (pa != pb) return int(pa) - int(pb);
    if (!pa) continue;
    if (int r = fields_[i]->compare(*b.fields_[i])) return r;
  }
  return 0;
}

bool Visitor::visit(SEQUENCE& seq) {
  int c = preVisitExtensionRoots(seq);
  if (c < CONTINUE) return c != FAIL;
  const SequenceInfo& info = *seq.info();
  int id = -1;
  for (unsigned i = 0; i < info.rootCount; ++i) {
    int r = visitExtensionRoot(seq, i, info.fieldIds[i]);
    if (r < CONTINUE) return r != FAIL;
    if (info.fieldIds[i] != -1) id = info.fieldIds[i];
  }
  if (c != CONTINUE_WITH_EXTENSIONS) return true;
  int r = preVisitExtensions(seq);
  if (r != CONTINUE_WITH_EXTENSIONS) return r != FAIL;
  for (unsigned i = info.rootCount; i < seq.fieldCount(); ++i) {
    r = visitKnownExtension(seq, i, ++id);
    if (r != CONTINUE_WITH_EXTENSIONS) return r != FAIL;
  }
  return visitUnknownExtensions(seq);
}

bool ConstVisitor::visit(const SEQUENCE& seq) {
  if (!preVisitExtensionRoots(seq)) return false;
  const SequenceInfo& info = *seq.info();
  for (unsigned i = 0; i < info.rootCount; ++i)
    if (seq.isPresent(i) && !visitExtensionRoot(seq, i)) return false;
  if (seq.extensionMap().size() == 0) return afterVisitSequence(seq);
  if (!preVisitExtensions(seq)) return false;
  // An addition marked present but holding no value is absent.
  for (unsigned i = info.rootCount; i < seq.fieldCount(); ++i)
    if (seq.isPresent(i) && seq.getField(i) && !visitKnownExtension(seq, i)) return false;
  return afterVisitSequence(seq);
}

// ----- lists ---------------------------------------------------------------------------

SEQUENCE_OF_Base::SEQUENCE_OF_Base(const SEQUENCE_OF_Base& o) : ConstrainedObject(o) {
  elements_.reserve(o.elements_.size());
  for (const auto& e : o.elements_) elements_.emplace_back(e->clone());
}

SEQUENCE_OF_Base& SEQUENCE_OF_Base::operator=(const SEQUENCE_OF_Base& o) {
  if (this == &o) return *this;
  SEQUENCE_OF_Base copy(o);
  elements_.swap(copy.elements_);
  return *this;
}

void SEQUENCE_OF_Base::resize(std::size_t n) {
  if (n < elements_.size()) elements_.resize(n);
  while (elements_.size() < n) elements_.emplace_back(createElement());
}

void SEQUENCE_OF_Base::insert(std::size_t pos, std::size_t count, const AbstractData& v) {
  for (std::size_t i = 0; i < count; ++i) elements_.emplace(elements_.begin() + pos + i, v.clone());
}

void SEQUENCE_OF_Base::erase(std::size_t first, std::size_t last) {
  elements_.erase(elements_.begin() + first, elements_.begin() + last);
}

int SEQUENCE_OF_Base::do_compare(const AbstractData& o) const {
  const SEQUENCE_OF_Base& b = same<SEQUENCE_OF_Base>(o);
  for (std::size_t i = 0; i < size() && i < b.size(); ++i)
    if (int r = at(i).compare(b.at(i))) return r;
  return sign((long long)size() - (long long)b.size());
}

// ----- open types ----------------------------------------------------------------------

OpenData::OpenData(const OpenData& o)
    : AbstractData(o), data_(o.data_ ? o.data_->clone() : nullptr), buf_(o.buf_ ? new Octets(*o.buf_) : nullptr) {}

OpenData& OpenData::operator=(const OpenData& o) {
  if (this == &o) return *this;
  OpenData copy(o);
  swap(copy);
  return *this;
}

int OpenData::do_compare(const AbstractData& o) const {
  const OpenData& b = same<OpenData>(o);
  if (data_ && b.data_) return data_->compare(*b.data_);
  if (!data_ && !b.data_ && buf_ && b.buf_)
    return lexicographic_compare_bytes(buf_->data(), buf_->size(), b.buf_->data(), b.buf_->size());
  if (!data_ && !b.data_ && !buf_ && !b.buf_) return 0;
  return data_ ? 1 : -1;
}

}  // namespace ASN1
