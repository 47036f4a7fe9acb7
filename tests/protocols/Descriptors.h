#pragma once
// Walking the generated descriptors the way the runtime sees them: what kind of value a
// descriptor builds, which descriptors it names, and which it reaches.

#include "protocols/ModuleSupport.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace protocolstest {

enum class Kind { Sequence, Choice, Enumerated, String, List, Integer, Other };

// The kind of the values a descriptor builds (descriptors carry no kind of their own).
inline Kind kindOf(const ASN1::TypeInfo* info) {
  std::unique_ptr<ASN1::AbstractData> v(ASN1::create(info));
  if (dynamic_cast<ASN1::SEQUENCE*>(v.get())) return Kind::Sequence;
  if (dynamic_cast<ASN1::CHOICE*>(v.get())) return Kind::Choice;
  if (dynamic_cast<ASN1::ENUMERATED*>(v.get())) return Kind::Enumerated;
  if (dynamic_cast<ASN1::AbstractString*>(v.get())) return Kind::String;
  if (dynamic_cast<ASN1::SEQUENCE_OF_Base*>(v.get())) return Kind::List;
  if (dynamic_cast<ASN1::INTEGER*>(v.get())) return Kind::Integer;
  return Kind::Other;
}

// The descriptors of a type's fields, alternatives or list element.
inline std::vector<const ASN1::TypeInfo*> children(const ASN1::TypeInfo* info) {
  switch (kindOf(info)) {
    case Kind::Sequence: {
      auto s = static_cast<const ASN1::SequenceInfo*>(info);
      return {s->fieldInfos, s->fieldInfos + s->rootCount + s->extensionCount};
    }
    case Kind::Choice: {
      auto c = static_cast<const ASN1::ChoiceInfo*>(info);
      return {c->selectionInfos, c->selectionInfos + c->totalCount};
    }
    case Kind::List:
      return {static_cast<const ASN1::ListInfo*>(info)->elementInfo};
    default:
      return {};
  }
}

// Every descriptor a value of `root` can hold, root included, in breadth-first order.
inline std::vector<const ASN1::TypeInfo*> reachable(const ASN1::TypeInfo* root) {
  std::vector<const ASN1::TypeInfo*> order{root};
  std::set<const ASN1::TypeInfo*> seen{root};
  for (std::size_t k = 0; k < order.size(); ++k)
    for (auto child : children(order[k]))
      if (seen.insert(child).second) order.push_back(child);
  return order;
}

// Every generated type by descriptor, with its qualified name ("TERM::RtpParams").
inline const std::map<const ASN1::TypeInfo*, std::string>& generatedTypes() {
  static const std::map<const ASN1::TypeInfo*, std::string> types = [] {
    std::map<const ASN1::TypeInfo*, std::string> out;
    for (const Protocols::Module* m : Protocols::allModules)
      for (const Protocols::Type& t : *m) out[t.info] = std::string(m->name) + "::" + t.name;
    return out;
  }();
  return types;
}

inline const ASN1::TypeInfo* findType(const std::string& qname) {
  for (const auto& [info, name] : generatedTypes())
    if (name == qname) return info;
  return nullptr;
}

}  // namespace protocolstest
