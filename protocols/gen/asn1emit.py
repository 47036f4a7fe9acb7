"""Back half of the generator: the C++ of the protocol modules.

For each module of a checked model it writes `<MOD>.h` and `<MOD>.cpp`, and for
the whole set `Registry.cpp`:

* the header: one class per generated type in the module's namespace, in an
  order where every class comes after the types its accessors name (the
  header includes the headers of the modules it imports), then the aliases;
* the source: the constant descriptors `theInfo` with their tables
  (`T_fieldInfos`, `T_fieldIds`, `T_fieldNames`, `T_selectionInfos`,
  `T_selectionNames`, `T_enum_names__`), all `constexpr`, and the module's
  table of every type (`theModule`);
* the registry: `Protocols::allModules`, every module's table.

The accessors are macros of protocols/ModuleSupport.h, so the generated text
stays one line per field.  Everything the runtime cannot represent is refused
here with its place, before any file is written.
"""

import os

from asn1model.errors import Diagnostics
from asn1model.model import (BuiltinUse, IntegerUse, ListUse, RefUse, StringUse)

BUILTINS = {
    "BOOLEAN": "ASN1::BOOLEAN",
    "NULL": "ASN1::Null",
    "OBJECT IDENTIFIER": "ASN1::OBJECT_IDENTIFIER",
    "GeneralizedTime": "ASN1::GeneralizedTime",
}

STRINGS = {
    "OCTET STRING": "ASN1::OCTET_STRING",
    "BIT STRING": "ASN1::BIT_STRING",
    "IA5String": "ASN1::IA5String",
    "PrintableString": "ASN1::PrintableString",
    "VisibleString": "ASN1::VisibleString",
    "NumericString": "ASN1::NumericString",
    "GeneralString": "ASN1::GeneralString",
    "BMPString": "ASN1::BMPString",
}

# Character string kinds a size-constrained type may derive from: universal tag,
# character set, set size, canonical, unaligned and aligned bits per character.
CHARACTER_SETS = {
    "IA5String": (22, "ASN1::IA5StringSet", 128, 7, 7, 8),
    "PrintableString": (19, "ASN1::PrintableStringSet", 74, 7, 7, 8),
    "VisibleString": (26, "ASN1::VisibleStringSet", 95, 7, 7, 8),
    "NumericString": (18, "ASN1::NumericStringSet", 11, 4, 4, 4),
    "GeneralString": (27, "ASN1::GeneralStringSet", 256, 8, 8, 8),
}
# Size-constrained byte and bit strings: universal tag.
BYTE_STRINGS = {"OCTET STRING": 4, "BIT STRING": 3}

CONSTRAINT_KINDS = ("ASN1::Unconstrained", "ASN1::PartiallyConstrained",
                    "ASN1::FixedConstraint", "ASN1::ExtendableConstraint")
UINT32_MAX = 2 ** 32 - 1

CPP_KEYWORDS = frozenset("""
    alignas alignof and and_eq asm auto bitand bitor bool break case catch char char16_t
    char32_t class compl concept const const_cast consteval constexpr constinit continue
    co_await co_return co_yield decltype default delete do double dynamic_cast else enum
    explicit export extern false float for friend goto if inline int long mutable namespace
    new noexcept not not_eq nullptr operator or or_eq private protected public register
    reinterpret_cast requires return short signed sizeof static static_assert static_cast
    struct switch template this thread_local throw true try typedef typeid typename union
    unsigned using virtual void volatile wchar_t while xor xor_eq
    NULL EOF TRUE FALSE errno stdin stdout stderr assert unix linux
""".split())

# Members of a generated ENUMERATED class and of its runtime base, which the names of a
# nested NamedNumber enumeration would hide or collide with.
ENUM_MEMBERS = frozenset("""
    theInfo InfoType NamedNumber info getValue setValue getMaximum extendable getName
    setFromName isStrictlyValid compare clone accept isValid print_on asValueNotation
    constructedCount do_compare do_accept
""".split())


def cname(name):
    """The C++ identifier of an ASN.1 name: hyphens become underscores."""
    return name.replace("-", "_")


def cpath(t):
    """A defined type's C++ name inside its module's namespace."""
    return "::".join(cname(p) for p in t.path)


def flat(t):
    """The prefix of a defined type's tables: "RtpParams_dname_value_type"."""
    return "_".join(cname(p) for p in t.path)


def cpp_string(text):
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')


def unsigned(n):
    return "%du" % n


# -- what the runtime cannot take -------------------------------------------------------

def check_for_cpp(model, diags):
    """Faults of a model that would make C++ that does not compile or that the runtime
    cannot represent, each at its place."""
    reserved = {m.name for m in model.modules} | {"ASN1", "Protocols"}

    def identifier(loc, name, what):
        c = cname(name)
        if c in CPP_KEYWORDS:
            diags.error(loc, "%s %s is a C++ keyword or standard macro" % (what, name))
        return c

    def distinct(items, what, owner, bare):
        """Items whose C++ names share a scope; `bare` when the name stands alone in
        C++ (a class or an enumerator), not behind get_ or set_."""
        seen = {}
        for item in items:
            c = identifier(item.loc, item.name, what) if bare else cname(item.name)
            if c in seen:
                diags.error(item.loc, "%s %s of %s has the C++ name %s, as %s at %s"
                            % (what, item.name, owner, c, seen[c].name, seen[c].loc))
            else:
                seen[c] = item

    for m in model.modules:
        distinct([t for t in m.types if not t.scope] + m.aliases, "type", m.name, True)
        for t in m.types:
            if t.name in reserved:
                diags.error(t.loc, "type %s has the name of a namespace of the generated code"
                            % t.qname)
            if t.kind == "SEQUENCE":
                distinct(t.fields, "field", t.qname, False)
            elif t.kind == "CHOICE":
                distinct(t.alternatives, "alternative", t.qname, False)
            elif t.kind == "ENUMERATED":
                seen = {}
                for item in t.items:
                    c = identifier(item.loc, item.name, "name")
                    if c in ENUM_MEMBERS:
                        diags.error(item.loc, "name %s of %s is a member of the generated class"
                                    % (item.name, t.qname))
                    if c in seen and seen[c] != item.name:
                        diags.error(item.loc, "names %s and %s of %s have the same C++ name"
                                    % (seen[c], item.name, t.qname))
                    seen[c] = item.name
            elif t.kind == "STRING":
                if t.scope:   # nested as struct <member> { class value_type ... }
                    identifier(t.loc, t.scope[-1], "field")
                if t.alphabet is not None:
                    diags.error(t.loc, "%s: permitted-alphabet constraints are not supported "
                                "by the runtime" % t.qname)
                if t.base not in CHARACTER_SETS and t.base not in BYTE_STRINGS:
                    diags.error(t.loc, "%s: a size-constrained %s is not supported by the "
                                "runtime" % (t.qname, t.base))
    check_cycles(model, diags)
    for u in model.all_uses():
        if isinstance(u, IntegerUse) and u.named:
            diags.error(u.loc, "INTEGER with named numbers is not supported by the emitter")
        elif isinstance(u, StringUse) and u.kind not in STRINGS:
            diags.error(u.loc, "%s is not supported by the runtime" % u.kind)
        elif isinstance(u, BuiltinUse) and u.kind not in BUILTINS:
            diags.error(u.loc, "%s is not supported by the runtime" % u.kind)


def check_cycles(model, diags):
    """Each class comes after the classes it names, and each header after the headers of
    the modules it imports, so neither may lead back to itself."""
    def first_cycle(nodes, edges):
        state = {}   # node -> 1 while on the path, 2 when done

        def visit(n, path):
            state[n] = 1
            for d in edges(n):
                if state.get(d) == 1:
                    return path[path.index(d):] + [d]
                if d not in state:
                    found = visit(d, path + [d])
                    if found:
                        return found
            state[n] = 2
            return None
        for n in nodes:
            if n not in state:
                found = visit(n, [n])
                if found:
                    return found
        return None

    types = {t.qname: t for t in model.types()}
    cycle = first_cycle(sorted(types), lambda q: sorted(
        {d.qname for u in types[q].uses() for d in u.defined_types()}))
    if cycle:
        diags.error(types[cycle[0]].loc, "recursive types are not supported by the emitter: %s"
                    % " -> ".join(cycle))
    modules = {m.name: m for m in model.modules}
    cycle = first_cycle(sorted(modules), lambda n: sorted(
        {m.name for m in modules[n].imports.values()}))
    if cycle:
        diags.error(modules[cycle[0]].loc, "modules import each other in a circle: %s"
                    % " -> ".join(cycle))


# -- one module ---------------------------------------------------------------------------

class ModuleEmitter:
    def __init__(self, module, source_name):
        self.module = module
        self.source_name = source_name
        self.nested = {}   # owner path -> [(member name, ConstrainedStringType)]
        for t in module.types:
            if t.kind == "STRING" and t.scope:
                self.nested.setdefault(t.scope[:-1], []).append((t.scope[-1], t))

    # C++ names ----------------------------------------------------------------
    def type_name(self, t):
        if t.module is self.module:
            return cpath(t)
        return "%s::%s" % (t.module.name, cpath(t))

    def use_type(self, use):
        u = use.resolved()
        if isinstance(u, RefUse):
            return self.type_name(u.target)
        if isinstance(u, BuiltinUse):
            return BUILTINS[u.kind]
        if isinstance(u, StringUse):
            return STRINGS[u.kind]
        if isinstance(u, IntegerUse):
            if not u.constrained:
                return "ASN1::INTEGER"
            return "ASN1::Constrained_INTEGER<%s, %d, %s>" % (
                CONSTRAINT_KINDS[u.constraint_kind], u.lower,
                unsigned(UINT32_MAX if u.upper is None else u.upper))
        if isinstance(u, ListUse):
            template = "ASN1::SEQUENCE_OF" if u.kind == "SEQUENCE OF" else "ASN1::SET_OF"
            if u.size is None:
                return "%s<%s>" % (template, self.use_type(u.element))
            return "%s<%s, %s>" % (template, self.use_type(u.element), self.size_constraint(u.size))
        raise AssertionError("unknown use %r" % u)

    @staticmethod
    def size_constraint(size):
        kind, upper = (1, UINT32_MAX) if size.upper is None else (2, size.upper)
        return "ASN1::SizeConstraint<%s, %d, %s>" % (CONSTRAINT_KINDS[kind], size.lower,
                                                     unsigned(upper))

    def info(self, use):
        return "&%s::theInfo" % self.use_type(use)

    # order ----------------------------------------------------------------------
    def ordered(self):
        """The module's classes (nested strings excluded: their owner holds them), each
        after the classes of this module its accessors name."""
        own = {id(t): t for t in self.module.types if not t.scope}
        done, order = set(), []

        def visit(t):
            if id(t) in done:
                return
            done.add(id(t))
            for u in t.uses():
                for d in u.defined_types():
                    if id(d) in own:
                        visit(d)
            order.append(t)
        for t in self.module.types:
            if not t.scope:
                visit(t)
        return order

    def imports(self):
        return sorted({m.name for m in self.module.imports.values()})

    # header ----------------------------------------------------------------------
    def header(self):
        out = ["// Generated from %s by protocols/gen/asn1gen.py: do not edit." % self.source_name,
               "#pragma once", "", '#include "protocols/ModuleSupport.h"']
        out += ['#include "protocols/%s.h"' % name for name in self.imports()]
        out += ["", "namespace %s {" % self.module.name, ""]
        for t in self.ordered():
            out += self.class_text(t, "")
            out.append("")
        for a in self.module.aliases:
            out.append("using %s = %s;" % (cname(a.name), self.use_type(a.use)))
        out += ["", "// Every generated type of the module, for tools and tests.",
                "extern const Protocols::Module theModule;", "",
                "}  // namespace %s" % self.module.name, ""]
        return "\n".join(out)

    def class_text(self, t, indent):
        name = cname(t.name)
        if t.kind == "STRING":
            return [indent + "TARVOX_%s(%s, %s);" % (
                "STRING" if t.base in CHARACTER_SETS else "BYTES", name, STRINGS[t.base])]
        head = {"SEQUENCE": "ASN1::SEQUENCE", "CHOICE": "ASN1::CHOICE",
                "ENUMERATED": "ASN1::ENUMERATED"}[t.kind]
        lines = [indent + "class %s : public %s {" % (name, head), indent + " public:"]
        body = indent + "  "
        for member, s in self.nested.get(t.path, ()):
            lines.append(body + "struct %s {" % cname(member))
            lines += self.class_text(s, body + "  ")
            lines.append(body + "};")
        if t.kind == "SEQUENCE":
            lines.append(body + "TARVOX_SEQUENCE(%s)" % name)
            for i, f in enumerate(t.fields):
                lines.append(body + "TARVOX_FIELD(%s, %d, %s)" % (cname(f.name), i,
                                                                  self.use_type(f.use)))
        elif t.kind == "CHOICE":
            ids = ", ".join("%s_id = %d" % (cname(a.name), a.index) for a in t.alternatives)
            lines.append(body + "enum Id { %s };" % ids)
            lines.append(body + "TARVOX_CHOICE(%s)" % name)
            for a in t.alternatives:
                lines.append(body + "TARVOX_ALTERNATIVE(%s, %s)" % (cname(a.name),
                                                                    self.use_type(a.use)))
        else:
            values = ", ".join("%s = %d" % (cname(i.name), i.value) for i in t.items)
            lines.append(body + "enum NamedNumber : int { %s };" % values)
            lines.append(body + "TARVOX_ENUMERATED(%s)" % name)
        lines.append(indent + "};")
        return lines

    # source -------------------------------------------------------------------
    def source(self):
        out = ["// Generated from %s by protocols/gen/asn1gen.py: do not edit." % self.source_name,
               '#include "protocols/%s.h"' % self.module.name, "",
               "namespace %s {" % self.module.name, ""]
        for t in self.module.types:
            out += self.descriptor(t)
            out.append("")
        out.append("constexpr Protocols::Type types[] = {")
        out += ['    {"%s", &%s::theInfo},' % ("::".join(t.path), cpath(t))
                for t in self.module.types]
        out += ["};", 'constexpr Protocols::Module theModule = {"%s", types, %d};'
                % (self.module.name, len(self.module.types)), "",
                "}  // namespace %s" % self.module.name, ""]
        return "\n".join(out)

    def descriptor(self, t):
        name, prefix = cpath(t), flat(t)
        make = "&ASN1::make<%s>" % name
        arrays = []

        def array(suffix, ctype, items):
            if not items:
                return "nullptr"
            arrays.append("constexpr %s %s_%s[] = {%s};" % (ctype, prefix, suffix, ", ".join(items)))
            return "%s_%s" % (prefix, suffix)

        infos = "const ASN1::TypeInfo* const"
        names = "const char* const"
        if t.kind == "SEQUENCE":
            fields = t.fields
            info = "constexpr ASN1::SequenceInfo %s::theInfo = {{%s, 16}, %s, %s, %s, %d, %d, %d, " \
                   "nullptr, nullptr, %s};" % (
                       name, make, bool_text(t.extensible),
                       array("fieldInfos", infos, [self.info(f.use) for f in fields]),
                       array("fieldIds", "int", [field_id(f) for f in fields]),
                       len(t.root_fields), len(t.extension_fields), t.optional_count,
                       array("fieldNames", names, [cpp_string(f.name) for f in fields]))
        elif t.kind == "CHOICE":
            alts = t.alternatives
            info = "constexpr ASN1::ChoiceInfo %s::theInfo = {{%s, 0}, %s, %s, %d, %d, nullptr, %s};" % (
                name, make, bool_text(t.extensible),
                array("selectionInfos", infos, [self.info(a.use) for a in alts]),
                len(t.root_alternatives), len(alts),
                array("selectionNames", names, [cpp_string(a.name) for a in alts]))
        elif t.kind == "ENUMERATED":
            info = "constexpr ASN1::EnumInfo %s::theInfo = {{%s, 10}, %s, %d, %s, %d};" % (
                name, make, bool_text(t.extensible), t.max_root_value,
                array("enum_names__", names, [cpp_string(e) for e in enum_names(t)]), len(t.items))
        else:
            kind, lower, upper = string_bounds(t.size)
            if t.base in CHARACTER_SETS:
                tag, charset, size, canonical, unaligned_bits, aligned_bits = CHARACTER_SETS[t.base]
                info = "constexpr ASN1::StringInfo %s::theInfo = {{{%s, %d}, %s, %d, %s}, %s, %d, %d, %d, %d};" % (
                    name, make, tag, CONSTRAINT_KINDS[kind], lower, unsigned(upper), charset, size,
                    canonical, unaligned_bits, aligned_bits)
            else:
                info = "constexpr ASN1::ConstrainedInfo %s::theInfo = {{%s, %d}, %s, %d, %s};" % (
                    name, make, BYTE_STRINGS[t.base], CONSTRAINT_KINDS[kind], lower, unsigned(upper))
        return arrays + [info]


def bool_text(flag):
    return "true" if flag else "false"


def field_id(f):
    if f.is_extension:
        return "0"
    return "-1" if f.optional_index is None else str(f.optional_index)


def string_bounds(size):
    if size is None:
        return 0, 0, UINT32_MAX
    if size.upper is None:
        return 1, size.lower, UINT32_MAX
    return 2, size.lower, size.upper


def enum_names(t):
    """The names table: "name", or "name=value" where the value is not the one before
    plus one (the first: 0), which is how the runtime reads the table back."""
    out, running = [], -1
    for item in t.items:
        out.append(item.name if item.value == running + 1 else "%s=%d" % (item.name, item.value))
        running = item.value
    return out


# -- the whole set --------------------------------------------------------------------

def registry(model):
    out = ["// Generated by protocols/gen/asn1gen.py: do not edit.",
           '#include "protocols/ModuleSupport.h"', ""]
    out += ["namespace %s { extern const Protocols::Module theModule; }" % m.name
            for m in model.modules]
    out += ["", "namespace Protocols {", "",
            "constexpr const Module* modules[] = {%s};"
            % ", ".join("&%s::theModule" % m.name for m in model.modules),
            "constexpr ModuleList allModules = {modules, %d};" % len(model.modules), "",
            "}  // namespace Protocols", ""]
    return "\n".join(out)


def outputs(model):
    """{file name: text} of everything the emitter writes for a model."""
    files = {"Registry.cpp": registry(model)}
    for m in model.modules:
        e = ModuleEmitter(m, "protocols/asn1/" + os.path.basename(m.file))
        files[m.name + ".h"] = e.header()
        files[m.name + ".cpp"] = e.source()
    return files


def emit(model, out_dir):
    """Checks what the C++ needs, then writes the files into out_dir.  Returns the
    Diagnostics; nothing is written when it holds an error."""
    diags = Diagnostics()
    check_for_cpp(model, diags)
    if diags:
        return diags
    os.makedirs(out_dir, exist_ok=True)
    for name, text in sorted(outputs(model).items()):
        path = os.path.join(out_dir, name)
        with open(path + ".tmp", "w") as f:
            f.write(text)
        os.replace(path + ".tmp", path)
    return diags
