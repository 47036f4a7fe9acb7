#pragma once
// What the generated protocol modules are written with: the macros that make the
// accessors of their classes, and the tables that list every generated type.
//
// A generated SEQUENCE reads
//   class BpcTestParams : public ASN1::SEQUENCE {
//    public:
//     TARVOX_SEQUENCE(BpcTestParams)
//     TARVOX_FIELD(timeslot_start, 3, ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>)
//   };
// which gives get_timeslot_start() (const and not) and set_timeslot_start(v); a CHOICE
// has an `enum Id { name_id = index, ... }` and TARVOX_ALTERNATIVE(name, Type) for each
// alternative, an ENUMERATED its `enum NamedNumber` and TARVOX_ENUMERATED(Name).

#include "asn1/ASN1.h"

#include <string>
#include <string_view>

namespace Protocols {

// A generated type: its name inside its module's namespace ("RtpParams::dname::value_type")
// and its descriptor.
struct Type {
  const char* name;
  const ASN1::TypeInfo* info;
};

struct Module {
  const char* name;
  const Type* types;
  unsigned typeCount;
  const Type* begin() const { return types; }
  const Type* end() const { return types + typeCount; }
};

struct ModuleList {
  const Module* const* modules;
  unsigned count;
  const Module* const* begin() const { return modules; }
  const Module* const* end() const { return modules + count; }
};

// Every generated module, in the order their files were given to the generator.
extern const ModuleList allModules;

}  // namespace Protocols

#define TARVOX_SEQUENCE(T)          \
  static const InfoType theInfo; \
  T() : SEQUENCE(&theInfo) {}

// Field `index` of the SEQUENCE; the type comes last because it may hold commas.
// The setter makes an optional field present.
#define TARVOX_FIELD(name, index, ...)                                         \
  __VA_ARGS__& get_##name() { return field<__VA_ARGS__>(index); }               \
  const __VA_ARGS__& get_##name() const { return field<__VA_ARGS__>(index); }   \
  void set_##name(const __VA_ARGS__& v) { setField<__VA_ARGS__>(index) = v; }

#define TARVOX_CHOICE(T)            \
  static const InfoType theInfo; \
  T() : CHOICE(&theInfo) {}

// Alternative `name_id` of the CHOICE: get_ is null unless it is the one selected;
// set_ selects it, as a fresh default value or as a copy of v.
#define TARVOX_ALTERNATIVE(name, ...)                                                     \
  __VA_ARGS__* get_##name() { return alternative<__VA_ARGS__>(name##_id); }               \
  const __VA_ARGS__* get_##name() const { return alternative<__VA_ARGS__>(name##_id); }   \
  __VA_ARGS__& set_##name() { return select<__VA_ARGS__>(name##_id); }                    \
  void set_##name(const __VA_ARGS__& v) { select<__VA_ARGS__>(name##_id) = v; }

// A value never set holds 0, whether or not a name has it.
#define TARVOX_ENUMERATED(T)                                      \
  static const InfoType theInfo;                                  \
  T() : ENUMERATED(&theInfo, 0) {}                                \
  T(NamedNumber v) : ENUMERATED(&theInfo, v) {}                   \
  T& operator=(NamedNumber v) { setValue(v); return *this; }      \
  NamedNumber getValue() const { return NamedNumber(ENUMERATED::getValue()); }

// A character string type with a size constraint, derived from its kind.
#define TARVOX_STRING(T, Base)                             \
  class T : public Base {                                  \
   public:                                                 \
    static const InfoType theInfo;                         \
    T(std::string_view s = {}) : Base(&theInfo, s) {}      \
    T(const std::string& s) : Base(&theInfo, s) {}         \
    T(const char* s) : Base(&theInfo, s) {}                \
    using Base::operator=;                                 \
  }

// An OCTET STRING or BIT STRING type with a size constraint.
#define TARVOX_BYTES(T, Base)       \
  class T : public Base {           \
   public:                          \
    static const InfoType theInfo;  \
    T() : Base(&theInfo) {}         \
    using Base::operator=;          \
  }
