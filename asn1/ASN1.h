#pragma once
// ASN.1 runtime: the value model, the constant type descriptors and the visitor
// interfaces through which the coders, the printer and the validity checkers walk a value.
//
// ---------------------------------------------------------------------------------------
// What a generated protocol module emits
// ---------------------------------------------------------------------------------------
// One namespace per ASN.1 module, one header and one source file. Every ASN.1 type becomes
// a class named after the type (hyphens turned into underscores), derived from the class
// of its kind, adding no data members. Every class has
//
//   static const InfoType theInfo;          // declared in the header
//   T() : KIND(&theInfo) {}                 // default constructor from its own descriptor
//
// and the source file defines each descriptor with `constexpr`, so that every table is
// constant-initialised (no start-up code, no initialisation order). The first member of
// every descriptor is the create hook `&ASN1::make<T>`, which builds a real object of the
// generated class (a default value, or a deep copy of a given one): every value that the
// runtime creates for a type is an object of that type's class, so typed access is a plain
// downcast. Descriptor arrays are namespace-scope `constexpr` arrays named
// `T_fieldInfos`, `T_fieldIds`, `T_fieldNames`, `T_selectionInfos`, `T_selectionNames`
// and `T_enum_names__`.
//
// SEQUENCE (class derived from ASN1::SEQUENCE, descriptor ASN1::SequenceInfo):
//   {{&ASN1::make<T>, 16}, extendable, T_fieldInfos, T_fieldIds, rootCount, extensionCount,
//    optionalCount, nullptr /*known extensions*/, nullptr /*tags*/, T_fieldNames}
//   fieldInfos: one descriptor pointer per field, root fields then extension additions;
//   fieldIds: -1 for a mandatory root field, else its optional index 0..optionalCount-1
//   (0 for extension additions); fieldNames: the ASN.1 identifiers, hyphens kept.
//   Per field i of type F:
//     F& get_f() { return field<F>(i); }              const F& get_f() const { ... }
//     void set_f(F const& v) { setField<F>(i) = v; }  // makes an optional field present
//   Kinds convert implicitly from their plain values, so set_seq(5), set_code(X::name),
//   set_text("abc") work. Optional fields: hasOptionalField(id), includeOptionalField(id, i),
//   removeOptionalField(id); extension addition j has the optional id optionalCount + j.
//
// CHOICE (ASN1::CHOICE, ASN1::ChoiceInfo):
//   {{&ASN1::make<T>, 0}, extendable, T_selectionInfos, rootCount, totalCount,
//    nullptr /*tags*/, T_selectionNames}
//   enum Id { a_id = 0, b_id, ... };   // alternatives in order, root then additions
//   A* get_a()  / const A* get_a() const  // the value when `a` is selected, else null
//   A& set_a()  { return select<A>(a_id); }        // selects a fresh default value
//   void set_a(A const& v) { select<A>(a_id) = v; }
//
// ENUMERATED (ASN1::ENUMERATED, ASN1::EnumInfo):
//   enum NamedNumber : int { name = value, ... };   // fixed type: any int is a value
//   T() : ENUMERATED(&theInfo, 0) {}                // a value never set holds 0
//   T(NamedNumber v) : ENUMERATED(&theInfo, v) {}
//   T& operator=(NamedNumber v); NamedNumber getValue() const;
//   {{&ASN1::make<T>, 10}, extendable, largestRootValue, T_enum_names__, nameCount}
//   T_enum_names__: "name" or "name=value" per declared name, in declaration order.
//
// SEQUENCE OF / SET OF: the field type is ASN1::SEQUENCE_OF<E, ASN1::EmptyConstraint>
//   (or SET_OF); its descriptor is the template's own. A list of an inline element type
//   names that type T_subtype. A size-constrained list uses ASN1::SizeConstraint<k, lb, ub>.
// Constrained INTEGER: ASN1::Constrained_INTEGER<ASN1::FixedConstraint, lb, ub>;
//   unconstrained INTEGER: ASN1::INTEGER; BOOLEAN, NULL, OCTET STRING, BIT STRING,
//   OBJECT IDENTIFIER, GeneralizedTime: the ASN1 class itself.
// Constrained strings: a class nested in the owner as `f::value_type` (f = the field,
//   `struct f { class value_type : public ASN1::IA5String {...}; };`), derived from the
//   string kind through its protected (descriptor, text) constructor, descriptor ASN1::StringInfo
//   {{{&ASN1::make<value_type>, 22}, ASN1::FixedConstraint, lb, ub},
//    ASN1::IA5StringSet, 128, 7, 7, 8}; unconstrained strings use ASN1::IA5String etc.
// Open types: ASN1::OpenData; a type-constrained one derives from
//   ASN1::TypeConstrainedOpenData with descriptor {{&ASN1::make<T>, 0}, &Contained::theInfo}.
// ---------------------------------------------------------------------------------------

#include <boost/polymorphic_cast.hpp>

#include <climits>
#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace ASN1 {

class AbstractData;
class Visitor;
class ConstVisitor;

using Octets = std::vector<unsigned char>;

// Largest element count of a decoded list and bit count of a decoded extension map;
// largest octet, bit or character count of a decoded string.
extern unsigned MaximumArraySize;
extern unsigned MaximumStringSize;
// Most values one decode builds: room for every message that fits a frame body, while a
// few octets that declare lists of lists of empty values stop there (Values.cpp).
extern unsigned MaximumValueCount;

// Bits that code `range` distinct values: 0 for 1, 32 for 0 (a wrapped 2^32).
unsigned CountBits(unsigned range);
// Octets of the two's-complement form of v: 1 for -128..127, 2 for -32768..32767, ...
unsigned getIntegerDataLength(int v);
int lexicographic_compare_bytes(const unsigned char* a, std::size_t na,
                                const unsigned char* b, std::size_t nb);

// ----- descriptors ---------------------------------------------------------------------

// Builds a value of the type: a default one when `from` is null, else a deep copy of it.
using CreateHook = AbstractData* (*)(const void* info, const AbstractData* from);

enum ConstraintType : int {
  Unconstrained = 0,
  PartiallyConstrained = 1,  // lb..MAX
  FixedConstraint = 2,       // lb..ub
  ExtendableConstraint = 3,  // lb..ub, ...
};

struct TypeInfo {
  CreateHook create;
  unsigned tag;  // class in bits 22-23, number in bits 0-21; 0 = untagged
};

struct ConstrainedInfo : TypeInfo {
  ConstraintType type;
  int lowerLimit;
  unsigned upperLimit;
};

struct StringInfo : ConstrainedInfo {
  const char* characterSet;  // ascending codes
  unsigned characterSetSize; // 0 = any character
  unsigned canonicalSetBits;
  unsigned unalignedSetBits;
  unsigned alignedSetBits;
};

struct BMPStringInfo : ConstrainedInfo {
  unsigned firstChar, lastChar;
  unsigned unalignedBits, alignedBits;
};

struct EnumInfo : TypeInfo {
  bool extendable;
  int maxEnumValue;           // largest root value N: root values code in 0..N
  const char* const* names;   // "name" or "name=value"
  unsigned nameCount;
};

struct NamedNumberEntry {
  int value;
  const char* name;
};

struct NamedIntegerInfo : ConstrainedInfo {
  const NamedNumberEntry* entries;  // ascending value
  unsigned entryCount;
};

struct ChoiceInfo : TypeInfo {
  bool extendable;
  const TypeInfo* const* selectionInfos;
  unsigned rootCount;
  unsigned totalCount;
  const unsigned* tags;
  const char* const* selectionNames;
};

struct SequenceInfo : TypeInfo {
  bool extendable;
  const TypeInfo* const* fieldInfos;
  const int* fieldIds;
  unsigned rootCount;
  unsigned extensionCount;
  unsigned optionalCount;
  const unsigned char* knownExtensions;
  const unsigned* tags;
  const char* const* fieldNames;
};

struct ListInfo : ConstrainedInfo {
  const TypeInfo* elementInfo;
};

struct OpenTypeInfo : TypeInfo {
  const TypeInfo* containedInfo;
};

// The create hook of every descriptor whose values are objects of class T.
template <class T>
AbstractData* make(const void*, const AbstractData* from) {
  if (from) return new T(static_cast<const T&>(*from));
  return new T;
}

// Builds a default value of a descriptor's type; null for a null descriptor.
AbstractData* create(const TypeInfo* info);

// ----- values --------------------------------------------------------------------------

class AbstractData {
 public:
  using InfoType = TypeInfo;
  virtual ~AbstractData() = default;

  const TypeInfo* info() const { return info_; }
  int compare(const AbstractData& other) const { return do_compare(other); }
  AbstractData* clone() const { return info_->create(info_, this); }
  bool accept(Visitor& v) { return do_accept(v); }
  bool accept(ConstVisitor& v) const { return do_accept(v); }

  bool isValid() const;
  bool isStrictlyValid() const;
  bool print_on(std::ostream& os) const;
  std::string asValueNotation() const;
  // Fills this value from value notation; false when the text does not parse.
  bool get_from(std::istream& is);
  bool setFromValueNotation(const std::string& text);

  // Number of values constructed by this thread so far; the decoder bounds by it
  // how much a hostile input can make it build.
  static unsigned long constructedCount() { return constructed_; }

 protected:
  explicit AbstractData(const TypeInfo* info) : info_(info) { ++constructed_; }
  AbstractData(const AbstractData& other) : info_(other.info_) { ++constructed_; }
  // Assignment copies contents only: a value keeps its own descriptor.
  AbstractData& operator=(const AbstractData&) { return *this; }

  virtual int do_compare(const AbstractData& other) const = 0;
  virtual bool do_accept(Visitor& v) = 0;
  virtual bool do_accept(ConstVisitor& v) const = 0;

 private:
  const TypeInfo* info_;
  static thread_local unsigned long constructed_;
};

inline bool operator==(const AbstractData& a, const AbstractData& b) { return a.compare(b) == 0; }
inline bool operator!=(const AbstractData& a, const AbstractData& b) { return a.compare(b) != 0; }
std::ostream& operator<<(std::ostream& os, const AbstractData& value);
std::istream& operator>>(std::istream& is, AbstractData& value);

// What one decode may build: MaximumValueCount values. Every decoder checks it before it
// creates a value.
class ValueBudget {
 public:
  ValueBudget() : start_(AbstractData::constructedCount()) {}
  bool allows() const { return AbstractData::constructedCount() - start_ <= MaximumValueCount; }

 private:
  unsigned long start_;
};
// Writes prefix, the reason and an end of line when the value is not valid.
bool trace_invalid(std::ostream& os, const char* prefix, const AbstractData& value);

#define TARVOX_ASN1_KIND                               \
 protected:                                            \
  int do_compare(const AbstractData& other) const override; \
  bool do_accept(Visitor& v) override;                 \
  bool do_accept(ConstVisitor& v) const override;      \
                                                       \
 public:

class Null : public AbstractData {
  TARVOX_ASN1_KIND
  static const InfoType theInfo;
  explicit Null(const TypeInfo* info = &theInfo) : AbstractData(info) {}
};

class BOOLEAN : public AbstractData {
  TARVOX_ASN1_KIND
  static const InfoType theInfo;
  BOOLEAN(bool v = false, const TypeInfo* info = &theInfo) : AbstractData(info), value_(v) {}
  BOOLEAN& operator=(bool v) { value_ = v; return *this; }
  bool getValue() const { return value_; }
  operator bool() const { return value_; }

 private:
  bool value_;
};

class ConstrainedObject : public AbstractData {
 public:
  using InfoType = ConstrainedInfo;
  const InfoType* info() const { return static_cast<const InfoType*>(AbstractData::info()); }
  ConstraintType constraintType() const { return info()->type; }
  int lowerLimit() const { return info()->lowerLimit; }
  unsigned upperLimit() const { return info()->upperLimit; }
  // Size checks shared by strings and lists.
  bool sizeValid(std::size_t n) const;
  bool sizeStrictlyValid(std::size_t n) const;

 protected:
  explicit ConstrainedObject(const InfoType* info) : AbstractData(info) {}
};

class INTEGER : public ConstrainedObject {
  TARVOX_ASN1_KIND
  static const InfoType theInfo;
  INTEGER(int v = 0, const InfoType* info = &theInfo) : ConstrainedObject(info), value_(v) {}
  INTEGER& operator=(int v) { value_ = v; return *this; }
  int getValue() const { return value_; }
  unsigned getUnsignedValue() const { return static_cast<unsigned>(value_); }
  void setValue(int v) { value_ = v; }
  // True when a lower bound >= 0 makes the value read as unsigned.
  bool isUnsigned() const { return constraintType() != Unconstrained && lowerLimit() >= 0; }
  bool isValueValid() const;     // lb <= value <= ub, or an extensible range
  bool isStrictValid() const;    // lb <= value <= ub

 private:
  int value_;
};

template <ConstraintType Type, int LB, unsigned UB>
class Constrained_INTEGER : public INTEGER {
 public:
  using value_type = std::conditional_t<(LB < 0), int, unsigned>;
  static constexpr InfoType theInfo = {{&make<Constrained_INTEGER>, 2}, Type, LB, UB};
  Constrained_INTEGER(value_type v = static_cast<value_type>(LB >= 0 ? LB : 0))
      : INTEGER(static_cast<int>(v), &theInfo) {}
  Constrained_INTEGER& operator=(value_type v) { setValue(static_cast<int>(v)); return *this; }
  value_type getValue() const { return static_cast<value_type>(INTEGER::getValue()); }
};

class IntegerWithNamedNumber : public INTEGER {
  TARVOX_ASN1_KIND
  using InfoType = NamedIntegerInfo;
  IntegerWithNamedNumber(const InfoType* info, int v = 0) : INTEGER(v, info) {}
  const InfoType* info() const { return static_cast<const InfoType*>(AbstractData::info()); }
  bool getName(std::string& name) const;
  bool setFromName(std::string_view name);
};

class ENUMERATED : public AbstractData {
  TARVOX_ASN1_KIND
  using InfoType = EnumInfo;
  const InfoType* info() const { return static_cast<const InfoType*>(AbstractData::info()); }
  int getValue() const { return value_; }
  void setValue(int v) { value_ = v; }
  ENUMERATED& operator=(const ENUMERATED& o) { value_ = o.value_; return *this; }
  ENUMERATED(const ENUMERATED&) = default;
  int getMaximum() const { return info()->maxEnumValue; }
  bool extendable() const { return info()->extendable; }
  // Identifier of the first name with the current value; empty when none has it.
  std::string_view getName() const;
  bool setFromName(std::string_view name);
  // Within the root: at most the maximum value. A negative value is valid, but no value
  // below 0 encodes.
  bool isStrictlyValid() const { return value_ <= getMaximum(); }

 protected:
  ENUMERATED(const InfoType* info, int v) : AbstractData(info), value_(v) {}

 private:
  int value_;
};

// Walks a names table: calls fn(identifier, value) for each entry until it returns true.
template <class Fn>
bool forEachEnumName(const EnumInfo& info, Fn fn);

class OBJECT_IDENTIFIER : public AbstractData {
  TARVOX_ASN1_KIND
  static const InfoType theInfo;
  explicit OBJECT_IDENTIFIER(const TypeInfo* info = &theInfo) : AbstractData(info) {}
  OBJECT_IDENTIFIER(std::initializer_list<unsigned> arcs) : AbstractData(&theInfo), arcs_(arcs) {}
  const std::vector<unsigned>& arcs() const { return arcs_; }
  std::vector<unsigned>& arcs() { return arcs_; }
  void encodeCommon(Octets& out) const;
  bool decodeCommon(const unsigned char* data, std::size_t n);

 private:
  std::vector<unsigned> arcs_;
};

class BIT_STRING : public ConstrainedObject {
  TARVOX_ASN1_KIND
  static const InfoType theInfo;
  explicit BIT_STRING(const InfoType* info = &theInfo) : ConstrainedObject(info) {}
  unsigned size() const { return bits_; }
  void resize(unsigned bits) { bits_ = bits; bytes_.resize((bits + 7) / 8); }
  bool operator[](unsigned i) const { return i < bits_ && i / 8 < bytes_.size() && (bytes_[i / 8] & (0x80 >> (i % 8))); }
  void set(unsigned i, bool on = true);
  // False when the bytes were cut shorter than the bit count needs.
  bool complete() const { return bytes_.size() >= (std::size_t(bits_) + 7) / 8; }
  const Octets& bytes() const { return bytes_; }
  Octets& bytes() { return bytes_; }

 private:
  unsigned bits_ = 0;
  Octets bytes_;
};

class OCTET_STRING : public ConstrainedObject, public Octets {
  TARVOX_ASN1_KIND
  static const InfoType theInfo;
  explicit OCTET_STRING(const InfoType* info = &theInfo) : ConstrainedObject(info) {}
  OCTET_STRING(std::size_t n, unsigned char fill, const InfoType* info = &theInfo)
      : ConstrainedObject(info), Octets(n, fill) {}
  OCTET_STRING(const Octets& v, const InfoType* info = &theInfo) : ConstrainedObject(info), Octets(v) {}
  OCTET_STRING(std::initializer_list<unsigned char> v) : ConstrainedObject(&theInfo), Octets(v) {}
  OCTET_STRING& operator=(const Octets& v) { Octets::operator=(v); return *this; }
  using Octets::size;
  operator std::string() const { return std::string(begin(), end()); }
};

class AbstractString : public ConstrainedObject, public std::string {
  TARVOX_ASN1_KIND
  using InfoType = StringInfo;
  const InfoType* info() const { return static_cast<const InfoType*>(AbstractData::info()); }
  AbstractString& operator=(const std::string& s) { std::string::assign(s); return *this; }
  AbstractString& operator=(const char* s) { std::string::assign(s); return *this; }
  using std::string::size;
  using AbstractData::compare;
  bool legalCharacter(unsigned char c) const;
  bool isValid() const;
  bool isStrictlyValid() const;

 protected:
  AbstractString(const InfoType* info, std::string_view s = {}) : ConstrainedObject(info), std::string(s) {}
};

extern const char NumericStringSet[];
extern const char PrintableStringSet[];
extern const char VisibleStringSet[];
extern const char IA5StringSet[];
extern const char GeneralStringSet[];

#define TARVOX_ASN1_STRING(Name)                                                        \
  class Name : public AbstractString {                                                 \
   public:                                                                             \
    static const InfoType theInfo;                                                     \
    Name(std::string_view s = {}) : AbstractString(&theInfo, s) {}                     \
    Name(const std::string& s) : AbstractString(&theInfo, s) {}                        \
    Name(const char* s) : AbstractString(&theInfo, s) {}                               \
    using AbstractString::operator=;                                                   \
                                                                                       \
   protected:                                                                          \
    Name(const InfoType* info, std::string_view s) : AbstractString(info, s) {}        \
  };
TARVOX_ASN1_STRING(NumericString)
TARVOX_ASN1_STRING(PrintableString)
TARVOX_ASN1_STRING(VisibleString)
TARVOX_ASN1_STRING(IA5String)
TARVOX_ASN1_STRING(GeneralString)
#undef TARVOX_ASN1_STRING

class BMPString : public ConstrainedObject, public std::wstring {
  TARVOX_ASN1_KIND
  using InfoType = BMPStringInfo;
  static const InfoType theInfo;
  BMPString(std::wstring_view s = {}, const InfoType* info = &theInfo)
      : ConstrainedObject(info), std::wstring(s) {}
  explicit BMPString(const InfoType* info) : ConstrainedObject(info) {}
  const InfoType* info() const { return static_cast<const InfoType*>(AbstractData::info()); }
  BMPString& operator=(const std::wstring& s) { std::wstring::assign(s); return *this; }
  using std::wstring::size;
  using AbstractData::compare;
  bool legalCharacter(wchar_t c) const;
  std::size_t first_illegal_at() const;
  bool isValid() const;
  bool isStrictlyValid() const;
};

class GeneralizedTime : public AbstractData {
  TARVOX_ASN1_KIND
  static const InfoType theInfo;
  explicit GeneralizedTime(const TypeInfo* info = &theInfo) : AbstractData(info) {}
  explicit GeneralizedTime(const char* text) : AbstractData(&theInfo) { set(text); }
  GeneralizedTime(int year, int month, int day, int hour, int minute, int second,
                  int millisec = 0, int mindiff = 0, bool utc = false);
  GeneralizedTime& operator=(const GeneralizedTime& o);
  GeneralizedTime(const GeneralizedTime&) = default;
  // Reads the text form; a text without the six leading fields leaves the value as it was
  // and returns false.
  bool set(const char* text);
  std::string get() const;
  time_t get_time_t() const;
  void set_time_t(time_t t);
  void swap(GeneralizedTime& o);
  bool isStrictlyValid() const;

  int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisec = 0, mindiff = 0;
  bool utc = false;
};

class CHOICE : public AbstractData {
  TARVOX_ASN1_KIND
  using InfoType = ChoiceInfo;
  enum { unselected_ = -1, unknownSelection_ = -2 };

  CHOICE(const InfoType* info, int id = unselected_, AbstractData* value = nullptr)
      : AbstractData(info), value_(value), id_(id) {}
  CHOICE(const CHOICE& o) : AbstractData(o), value_(o.value_ ? o.value_->clone() : nullptr), id_(o.id_) {}
  CHOICE& operator=(const CHOICE& o);
  const InfoType* info() const { return static_cast<const InfoType*>(AbstractData::info()); }

  // The selected alternative, or -1: an id that holds no value counts as not selected.
  int currentSelection() const { return isSelected() ? id_ : unselected_; }
  int getSelectionID() const { return id_; }
  bool isSelected() const { return id_ >= 0 && value_; }
  AbstractData* getSelection() { return isSelected() ? value_.get() : nullptr; }
  const AbstractData* getSelection() const { return isSelected() ? value_.get() : nullptr; }
  const char* selectionName() const;
  AbstractData* setSelection(int id, AbstractData* value);
  bool createSelection();          // a fresh value for the current id
  bool select(int id) { id_ = id; return createSelection(); }
  // Selects the alternative that carries a received BER tag (number, class in bits 22-23).
  bool setID(unsigned number, unsigned classBits);
  void swap(CHOICE& o) { value_.swap(o.value_); std::swap(id_, o.id_); }

  template <class T>
  T* alternative(int id) { return currentSelection() == id ? boost::polymorphic_downcast<T*>(value_.get()) : nullptr; }
  template <class T>
  const T* alternative(int id) const {
    return currentSelection() == id ? boost::polymorphic_downcast<const T*>(value_.get()) : nullptr;
  }
  template <class T>
  T& select(int id) {
    select(id);
    return boost::polymorphic_downcast<T&>(*value_);
  }

 private:
  std::unique_ptr<AbstractData> value_;
  int id_;
};

class SEQUENCE : public AbstractData {
  TARVOX_ASN1_KIND
  using InfoType = SequenceInfo;

  class BitMap {
   public:
    unsigned size() const { return bits_; }
    bool operator[](unsigned i) const { return i < bits_ && (bytes_[i / 8] & (0x80 >> (i % 8))); }
    void set(unsigned i) { if (i < bits_) bytes_[i / 8] |= 0x80 >> (i % 8); }
    void clear(unsigned i) { if (i < bits_) bytes_[i / 8] &= ~(0x80 >> (i % 8)); }
    void resize(unsigned bits);
    bool any() const;
    const Octets& bytes() const { return bytes_; }
    Octets& bytes() { return bytes_; }
    int compare(const BitMap& o) const;

   private:
    unsigned bits_ = 0;
    Octets bytes_;
  };
  using FieldVector = std::vector<std::unique_ptr<AbstractData>>;

  // Tag table marker: every field carries the tag of its own type.
  static const unsigned defaultTag[1];

  explicit SEQUENCE(const InfoType* info);
  SEQUENCE(const SEQUENCE& o);
  SEQUENCE& operator=(const SEQUENCE& o);
  const InfoType* info() const { return static_cast<const InfoType*>(AbstractData::info()); }

  unsigned fieldCount() const { return static_cast<unsigned>(fields_.size()); }
  // The value object in a slot, null while it has none (no presence test).
  AbstractData* getField(unsigned index) { return fields_[index].get(); }
  const AbstractData* getField(unsigned index) const { return fields_[index].get(); }
  // The value object in a slot, created from the field's descriptor when empty.
  AbstractData& fieldValue(unsigned index) const;
  // Optional id of slot `index`: -1 for a mandatory root field.
  int optionalId(unsigned index) const;
  bool isPresent(unsigned index) const;
  bool hasOptionalField(int optId) const;
  void includeOptionalField(int optId, unsigned index);
  void removeOptionalField(int optId);
  // Makes the field present (optional or addition) and returns its value.
  AbstractData& includeField(unsigned index);
  const BitMap& optionalMap() const { return optionalMap_; }
  BitMap& optionalMap() { return optionalMap_; }
  const BitMap& extensionMap() const { return extensionMap_; }
  BitMap& extensionMap() { return extensionMap_; }
  const char* fieldName(unsigned index) const { return info()->fieldNames[index]; }
  void swap(SEQUENCE& o);

  template <class T>
  T& field(unsigned index) const { return boost::polymorphic_downcast<T&>(fieldValue(index)); }
  template <class T>
  T& setField(unsigned index) { return boost::polymorphic_downcast<T&>(includeField(index)); }

 private:
  mutable FieldVector fields_;
  BitMap optionalMap_;
  BitMap extensionMap_;
};

class SEQUENCE_OF_Base : public ConstrainedObject {
  TARVOX_ASN1_KIND
  using InfoType = ListInfo;
  using Container = std::vector<std::unique_ptr<AbstractData>>;

  explicit SEQUENCE_OF_Base(const InfoType* info) : ConstrainedObject(info) {}
  SEQUENCE_OF_Base(const SEQUENCE_OF_Base& o);
  SEQUENCE_OF_Base& operator=(const SEQUENCE_OF_Base& o);
  const InfoType* info() const { return static_cast<const InfoType*>(AbstractData::info()); }
  std::size_t size() const { return elements_.size(); }
  bool empty() const { return elements_.empty(); }
  void clear() { elements_.clear(); }
  void resize(std::size_t n);
  AbstractData& at(std::size_t i) { return *elements_[i]; }
  const AbstractData& at(std::size_t i) const { return *elements_[i]; }
  // Appends a clone of v, or a value the list takes over.
  void push_back_clone(const AbstractData& v) { elements_.emplace_back(v.clone()); }
  void push_back_owned(AbstractData* v) { elements_.emplace_back(v); }
  AbstractData* createElement() const { return create(info()->elementInfo); }
  // Clones at `pos`: `count` of one value, or those of a range of values (which may be
  // this list's own).
  void insert(std::size_t pos, std::size_t count, const AbstractData& v);
  template <class InputIt>
  void insert(std::size_t pos, InputIt first, InputIt last) {
    Container clones;
    for (; first != last; ++first) clones.emplace_back(static_cast<const AbstractData&>(*first).clone());
    elements_.insert(elements_.begin() + pos, std::make_move_iterator(clones.begin()),
                     std::make_move_iterator(clones.end()));
  }
  void erase(std::size_t first, std::size_t last);

 protected:
  Container elements_;
};

struct EmptyConstraint {
  static constexpr ConstraintType type = Unconstrained;
  static constexpr int lowerLimit = 0;
  static constexpr unsigned upperLimit = UINT_MAX;
};

template <ConstraintType Type, int LB, unsigned UB>
struct SizeConstraint {
  static constexpr ConstraintType type = Type;
  static constexpr int lowerLimit = LB;
  static constexpr unsigned upperLimit = UB;
};

// A list of T: a real class per element type, so elements read as T directly.
template <class T, class Constraint = EmptyConstraint, unsigned Tag = 16>
class SEQUENCE_OF : public SEQUENCE_OF_Base {
  template <class Base, class Ref>
  class Iter {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = std::remove_reference_t<Ref>*;
    using reference = Ref;
    explicit Iter(Base it) : it_(it) {}
    Ref operator*() const { return boost::polymorphic_downcast<Ref>(**it_); }
    pointer operator->() const { return &**this; }
    Iter& operator++() { ++it_; return *this; }
    Iter& operator--() { --it_; return *this; }
    Iter operator+(difference_type n) const { return Iter(it_ + n); }
    difference_type operator-(const Iter& o) const { return it_ - o.it_; }
    bool operator==(const Iter& o) const { return it_ == o.it_; }
    bool operator!=(const Iter& o) const { return it_ != o.it_; }
    Base base() const { return it_; }

   private:
    Base it_;
  };

 public:
  static constexpr InfoType theInfo = {
      {{&make<SEQUENCE_OF>, Tag}, Constraint::type, Constraint::lowerLimit, Constraint::upperLimit},
      &T::theInfo};
  using value_type = T;
  using iterator = Iter<Container::iterator, T&>;
  using const_iterator = Iter<Container::const_iterator, const T&>;

  SEQUENCE_OF() : SEQUENCE_OF_Base(&theInfo) {}
  T& operator[](std::size_t i) { return boost::polymorphic_downcast<T&>(at(i)); }
  const T& operator[](std::size_t i) const { return boost::polymorphic_downcast<const T&>(at(i)); }
  void push_back(const T& v) { push_back_clone(v); }
  T& append() { push_back_owned(createElement()); return (*this)[size() - 1]; }
  iterator begin() { return iterator(elements_.begin()); }
  iterator end() { return iterator(elements_.end()); }
  const_iterator begin() const { return const_iterator(elements_.begin()); }
  const_iterator end() const { return const_iterator(elements_.end()); }
  iterator erase(iterator pos) {
    std::size_t i = pos.base() - elements_.begin();
    SEQUENCE_OF_Base::erase(i, i + 1);
    return iterator(elements_.begin() + i);
  }
};

template <class T, class Constraint = EmptyConstraint>
using SET_OF = SEQUENCE_OF<T, Constraint, 17>;

class OpenData : public AbstractData {
  TARVOX_ASN1_KIND
  static const InfoType theInfo;
  explicit OpenData(const TypeInfo* info = &theInfo) : AbstractData(info) {}
  OpenData(const OpenData& o);
  OpenData& operator=(const OpenData& o);
  bool has_data() const { return data_ != nullptr; }
  bool has_buf() const { return buf_ != nullptr; }
  AbstractData* get_data() { return data_.get(); }
  const AbstractData* get_data() const { return data_.get(); }
  void set_data(AbstractData* v) { data_.reset(v); }
  Octets* get_buf() { return buf_.get(); }
  const Octets* get_buf() const { return buf_.get(); }
  void set_buf(const Octets& b) { buf_.reset(new Octets(b)); }
  void swap(OpenData& o) { data_.swap(o.data_); buf_.swap(o.buf_); }

 private:
  std::unique_ptr<AbstractData> data_;
  std::unique_ptr<Octets> buf_;
};

class TypeConstrainedOpenData : public OpenData {
 protected:
  bool do_accept(Visitor& v) override;
  using OpenData::do_accept;

 public:
  using InfoType = OpenTypeInfo;
  explicit TypeConstrainedOpenData(const InfoType* info) : OpenData(info) {
    set_data(create(info->containedInfo));
  }
  const InfoType* info() const { return static_cast<const InfoType*>(AbstractData::info()); }
};

#undef TARVOX_ASN1_KIND

// ----- visitors ------------------------------------------------------------------------

// Walk codes of the SEQUENCE hooks of a Visitor.
enum VisitSeqResult { FAIL = 0, STOP = 1, CONTINUE = 2, CONTINUE_WITH_EXTENSIONS = 3 };

class Visitor {
 public:
  virtual ~Visitor() = default;
  virtual bool do_visit(Null& v) = 0;
  virtual bool do_visit(BOOLEAN& v) = 0;
  virtual bool do_visit(INTEGER& v) = 0;
  virtual bool do_visit(IntegerWithNamedNumber& v) { return do_visit(static_cast<INTEGER&>(v)); }
  virtual bool do_visit(ENUMERATED& v) = 0;
  virtual bool do_visit(OBJECT_IDENTIFIER& v) = 0;
  virtual bool do_visit(OCTET_STRING& v) = 0;
  virtual bool do_visit(BIT_STRING& v) = 0;
  virtual bool do_visit(AbstractString& v) = 0;
  virtual bool do_visit(BMPString& v) = 0;
  virtual bool do_visit(CHOICE& v) = 0;
  virtual bool do_visit(SEQUENCE_OF_Base& v) = 0;
  virtual bool do_visit(OpenData& v) = 0;
  virtual bool do_revisit(OpenData& v) = 0;
  virtual bool do_visit(TypeConstrainedOpenData& v) = 0;
  virtual bool do_visit(GeneralizedTime& v) = 0;

  // The SEQUENCE walk: the hooks below in field order.
  bool visit(SEQUENCE& seq);
  virtual int preVisitExtensionRoots(SEQUENCE&) { return CONTINUE_WITH_EXTENSIONS; }
  virtual int visitExtensionRoot(SEQUENCE&, unsigned /*index*/, int /*optId*/) { return FAIL; }
  virtual int preVisitExtensions(SEQUENCE&) { return CONTINUE_WITH_EXTENSIONS; }
  virtual int visitKnownExtension(SEQUENCE&, unsigned /*index*/, int /*optId*/) { return FAIL; }
  virtual bool visitUnknownExtensions(SEQUENCE&) { return true; }
};

class ConstVisitor {
 public:
  virtual ~ConstVisitor() = default;
  virtual bool do_visit(const AbstractData&) { return true; }
  virtual bool do_visit(const Null& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const BOOLEAN& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const INTEGER& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const IntegerWithNamedNumber& v) { return do_visit(static_cast<const INTEGER&>(v)); }
  virtual bool do_visit(const ENUMERATED& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const OBJECT_IDENTIFIER& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const BIT_STRING& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const OCTET_STRING& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const AbstractString& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const BMPString& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const CHOICE& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const OpenData& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const GeneralizedTime& v) { return do_visit(static_cast<const AbstractData&>(v)); }
  virtual bool do_visit(const SEQUENCE_OF_Base& v) { return do_visit(static_cast<const AbstractData&>(v)); }

  // The SEQUENCE walk: present fields in order, then present extension additions.
  bool visit(const SEQUENCE& seq);
  virtual bool preVisitExtensionRoots(const SEQUENCE& s) { return do_visit(static_cast<const AbstractData&>(s)); }
  virtual bool visitExtensionRoot(const SEQUENCE&, unsigned /*index*/) { return false; }
  virtual bool preVisitExtensions(const SEQUENCE&) { return true; }
  virtual bool visitKnownExtension(const SEQUENCE&, unsigned /*index*/) { return false; }
  virtual bool afterVisitSequence(const SEQUENCE&) { return true; }
};

// ----- inline templates ----------------------------------------------------------------

namespace detail {
// Splits a names-table entry into identifier and value; `running` is the previous value.
bool parseEnumEntry(const char* entry, std::string_view& name, int& running);
}  // namespace detail

template <class Fn>
bool forEachEnumName(const EnumInfo& info, Fn fn) {
  int running = -1;
  for (unsigned i = 0; i < info.nameCount; ++i) {
    std::string_view name;
    detail::parseEnumEntry(info.names[i], name, running);
    if (fn(name, running)) return true;
  }
  return false;
}

}  // namespace ASN1
