"""Builds the Model from the parsed modules: names inline types, resolves
references (own module, IMPORTS, "MOD.Type"), numbers fields, alternatives
and enumeration names.  Faults go to a Diagnostics, each with its place."""

import os

from . import syntax as S
from .expect import parse_expectation
from .model import (Alternative, BuiltinUse, ChoiceType, ConstrainedStringType,
                    EnumeratedType, EnumItem, Field, IntegerUse, ListUse, Model,
                    Module, RefUse, SequenceType, SizeConstraint, StringUse,
                    TypeAlias)

STRING_KINDS = ("OCTET STRING", "BIT STRING", "IA5String", "PrintableString",
                "VisibleString", "NumericString", "GeneralString", "BMPString",
                "UTF8String")


class Builder:
    def __init__(self, diags):
        self.diags = diags
        self.model = Model()
        self.pending_refs = []    # (RefUse, RefNode, Module) resolved after all names exist
        self.unused_imports = {}  # (module, name) -> (source Module, ModuleDef)

    # -- modules and names ---------------------------------------------------
    def build(self, module_defs):
        for mdef in module_defs:
            self.declare_module(mdef)
        for mdef, module in zip(module_defs, self.model.modules):
            self.resolve_imports(mdef, module)
        for mdef, module in zip(module_defs, self.model.modules):
            self.current = module
            for a in mdef.assignments:
                self.define(module, a)
        for use, node, module in self.pending_refs:
            self.resolve(use, node, module)
        self.check_alias_cycles()
        return self.model

    def declare_module(self, mdef):
        file = mdef.loc.file
        other = self.model.module(mdef.name)
        if other is not None:
            self.diags.error(mdef.loc, "module %s is already defined at %s" % (mdef.name, other.loc))
        stem = os.path.splitext(os.path.basename(file))[0]
        if stem != mdef.name:
            self.diags.error(mdef.loc, "module %s must live in a file named %s.asn"
                             % (mdef.name, mdef.name))
        module = Module(mdef.name, file, mdef.loc)
        self.model.modules.append(module)
        for a in mdef.assignments:
            if a.name in module.names:
                self.diags.error(a.loc, "type %s is already defined at %s"
                                 % (a.name, module.names[a.name].loc))
                continue
            module.names[a.name] = self.shell(module, a)

    def shell(self, module, a):
        """The object an assignment name stands for, created before any
        reference is resolved so that references may point forward."""
        t = a.type
        if isinstance(t, S.SequenceNode):
            return SequenceType(module, a.name, a.loc)
        if isinstance(t, S.ChoiceNode):
            return ChoiceType(module, a.name, a.loc)
        if isinstance(t, S.EnumeratedNode):
            return EnumeratedType(module, a.name, a.loc)
        if self.is_constrained_string(t):
            return ConstrainedStringType(module, a.name, a.loc)
        return TypeAlias(module, a.name, a.loc)

    @staticmethod
    def is_constrained_string(node):
        return (isinstance(node, S.BuiltinNode) and node.name in STRING_KINDS
                and bool(node.constraints))

    def resolve_imports(self, mdef, module):
        for imp in mdef.imports:
            source = self.model.module(imp.module)
            if source is None:
                self.diags.error(imp.loc, "IMPORTS from module %s, which is not among the "
                                 "module files given" % imp.module)
                continue
            if source is module:
                self.diags.error(imp.loc, "module %s imports from itself" % module.name)
                continue
            for name, loc in imp.names:
                if name not in source.names:
                    self.diags.error(loc, "%s is imported from %s, which does not define it"
                                     % (name, imp.module))
                elif name in module.names:
                    self.diags.error(loc, "%s is imported from %s and also defined here at %s"
                                     % (name, imp.module, module.names[name].loc))
                elif name in module.imports:
                    self.diags.error(loc, "%s is imported twice" % name)
                else:
                    module.imports[name] = source
        for name, source in module.imports.items():
            self.unused_imports[(module.name, name)] = (source, mdef)

    def register(self, module, t):
        """Adds a derived (inline) type name, refusing a clash with any other name."""
        key = "::".join(t.path)
        for other in module.types:
            if "::".join(other.path) == key:
                self.diags.error(t.loc, "derived type name %s is already taken by the type "
                                 "defined at %s" % (key, other.loc))
                return
        if not t.scope and t.name in module.names and module.names[t.name] is not t:
            self.diags.error(t.loc, "derived type name %s is already taken by the type "
                             "defined at %s" % (t.name, module.names[t.name].loc))

    # -- types -------------------------------------------------------------------
    def define(self, module, a):
        target = module.names.get(a.name)
        if target is None or target.loc is not a.loc:
            return   # a duplicate, already reported
        if isinstance(target, TypeAlias):
            target.use = self.use(module, a.type, a.name, None, subtype_base=a.name)
            module.aliases.append(target)
        else:
            self.fill(module, target, a.type)

    def fill(self, module, t, node):
        """Fills the defined type `t` from its syntax node and appends it to
        the module after the inline types it holds."""
        t.expect = parse_expectation(node.expect, node.loc, self.diags) \
            if getattr(node, "expect", None) else None
        if isinstance(t, SequenceType):
            self.fill_sequence(module, t, node)
        elif isinstance(t, ChoiceType):
            self.fill_choice(module, t, node)
        elif isinstance(t, EnumeratedType):
            self.fill_enumerated(t, node)
        else:
            self.fill_string(t, node)
        module.types.append(t)

    @staticmethod
    def inline_name(t, member):
        return t.name + "_" + member

    def fill_sequence(self, module, t, node):
        t.extensible = node.extensible
        seen = {}
        opt = 0
        for k, comp in enumerate(node.root + node.additions):
            if comp.name in seen:
                self.diags.error(comp.loc, "field %s of %s is already defined at %s"
                                 % (comp.name, t.qname, seen[comp.name]))
                continue
            seen[comp.name] = comp.loc
            use = self.use(module, comp.type, self.inline_name(t, comp.name), (t, comp.name),
                           subtype_base=self.inline_name(t, comp.name))
            f = Field(comp.name, use, comp.optional, comp.default, comp.loc)
            f.owner = t
            if k < len(node.root):
                if comp.optional or comp.default is not None:
                    f.optional_index = opt
                    opt += 1
                t.root_fields.append(f)
            else:
                f.extension_index = len(t.extension_fields)
                t.extension_fields.append(f)

    def fill_choice(self, module, t, node):
        t.extensible = node.extensible
        seen = {}
        for k, alt in enumerate(node.root + node.additions):
            if alt.name in seen:
                self.diags.error(alt.loc, "alternative %s of %s is already defined at %s"
                                 % (alt.name, t.qname, seen[alt.name]))
                continue
            seen[alt.name] = alt.loc
            use = self.use(module, alt.type, self.inline_name(t, alt.name), (t, alt.name),
                           subtype_base=self.inline_name(t, alt.name))
            a = Alternative(alt.name, use, len(t.alternatives), alt.loc)
            if k < len(node.root):
                t.root_alternatives.append(a)
            else:
                a.is_extension = True
                t.extension_alternatives.append(a)

    def fill_enumerated(self, t, node):
        """Numbers follow X.680: a root name without a number takes the
        smallest non-negative value no root name has; an addition without one
        takes the smallest value above every earlier addition and unused in the
        root.  The runtime's names tables read an unnumbered name as "the name
        before plus one", so a name whose two readings differ must carry its
        number."""
        t.extensible = node.extensible
        names, values = {}, {}
        shared_ok = bool(t.expect and t.expect.get("shared"))
        used = {i.value for i in node.root if i.value is not None}
        previous = None
        last_addition = None
        for k, item in enumerate(node.root + node.additions):
            in_root = k < len(node.root)
            if item.value is not None:
                value, explicit = item.value, True
            else:
                explicit = False
                value = 0
                if not in_root and last_addition is not None:
                    value = last_addition + 1
                taken = used | set(values)
                while value in taken:
                    value += 1
                if previous is not None and value != previous + 1:
                    self.diags.error(item.loc, "%s takes %d by the ASN.1 rule but %d as the name "
                                     "after %d: write its number" % (item.name, value,
                                                                      previous + 1, previous))
            if not in_root:
                if last_addition is not None and value <= last_addition:
                    self.diags.error(item.loc, "extension addition %s(%d) must be greater than "
                                     "the addition before it" % (item.name, value))
                last_addition = value
            if item.name in names:
                self.diags.error(item.loc, "name %s of %s is already defined at %s"
                                 % (item.name, t.qname, names[item.name]))
                continue
            if value in values and not shared_ok:
                self.diags.error(item.loc, "%s(%d) shares its value with %s; a type whose names "
                                 "share values must say 'shared' on its '--#' line"
                                 % (item.name, value, values[value]))
            names[item.name] = item.loc
            values.setdefault(value, item.name)
            previous = value
            e = EnumItem(item.name, value, explicit, item.loc)
            (t.root_items if in_root else t.extension_items).append(e)

    def fill_string(self, t, node):
        t.base = node.name
        for c in node.constraints:
            if c.value is not None:
                self.diags.error(c.loc, "a value constraint does not apply to %s" % node.name)
            if c.extensible:
                self.diags.error(c.loc, "extensible string constraints are not supported")
            if c.size is not None:
                if t.size is not None:
                    self.diags.error(c.loc, "%s has two SIZE constraints" % t.qname)
                t.size = self.size(c.size, c.loc)
            if c.alphabet is not None:
                if node.name in ("OCTET STRING", "BIT STRING"):
                    self.diags.error(c.loc, "FROM does not apply to %s" % node.name)
                if t.alphabet is not None:
                    self.diags.error(c.loc, "%s has two FROM constraints" % t.qname)
                t.alphabet = c.alphabet

    def size(self, rng, loc):
        lower, upper = rng
        if lower is None:
            lower = 0
        return SizeConstraint(lower, upper, loc)

    def use(self, module, node, inline_name, field_ctx, subtype_base):
        """The use a syntax node stands for.  `inline_name` names an inline
        SEQUENCE, CHOICE or ENUMERATED; `field_ctx` is (owner type, member name)
        for a constrained string nested in a field, None elsewhere;
        `subtype_base` + "_subtype" names an inline list element."""
        if isinstance(node, (S.SequenceNode, S.ChoiceNode, S.EnumeratedNode)):
            cls = {S.SequenceNode: SequenceType, S.ChoiceNode: ChoiceType,
                   S.EnumeratedNode: EnumeratedType}[type(node)]
            t = cls(module, inline_name, node.loc)
            if field_ctx:
                t.parent = field_ctx[0]
            self.register(module, t)
            self.fill(module, t, node)
            self.no_constraints(node)
            return RefUse(t, node.loc)
        if isinstance(node, S.ListNode):
            size = None
            if node.size is not None:
                size = self.size(node.size.size, node.size.loc)
            for c in node.constraints:
                if c.size is None or c.value is not None or c.alphabet is not None:
                    self.diags.error(c.loc, "only SIZE constrains a %s" % node.kind)
                elif size is not None:
                    self.diags.error(c.loc, "%s has two SIZE constraints" % node.kind)
                else:
                    size = self.size(c.size, c.loc)
            element = self.use(module, node.element, subtype_base + "_subtype", None,
                               subtype_base=subtype_base + "_subtype")
            return ListUse(node.kind, element, size, node.loc)
        if isinstance(node, S.RefNode):
            use = RefUse(None, node.loc)
            self.no_constraints(node, "constraints on a referenced type are not supported; "
                                "constrain the type where it is defined")
            self.pending_refs.append((use, node, module))
            return use
        name = node.name
        if name == "INTEGER":
            use = IntegerUse(node.loc, named=[(n, v) for n, v, _ in node.named])
            for c in node.constraints:
                if c.size is not None or c.alphabet is not None:
                    self.diags.error(c.loc, "SIZE and FROM do not apply to INTEGER")
                if c.value is not None:
                    if use.constrained:
                        self.diags.error(c.loc, "INTEGER has two value constraints")
                    use.lower, use.upper = c.value
                    use.extensible = c.extensible
            return use
        if name in STRING_KINDS:
            if node.constraints:
                if field_ctx:
                    owner, member = field_ctx
                    t = ConstrainedStringType(module, "value_type", node.loc,
                                              scope=owner.path + (member,))
                    t.parent = owner
                else:
                    t = ConstrainedStringType(module, inline_name, node.loc)
                self.register(module, t)
                self.fill(module, t, node)
                return RefUse(t, node.loc)
            return StringUse(name, node.loc, named=[(n, v) for n, v, _ in node.named])
        self.no_constraints(node)
        return BuiltinUse(name, node.loc)

    def no_constraints(self, node, message=None):
        for c in node.constraints:
            self.diags.error(c.loc, message or "this type takes no constraint")

    # -- references ------------------------------------------------------------
    def resolve(self, use, node, module):
        if node.module is not None:
            source = self.model.module(node.module)
            if source is None:
                self.diags.error(node.loc, "unknown module %s in %s.%s"
                                 % (node.module, node.module, node.name))
                return
            target = source.lookup(node.name)
            if target is None:
                self.diags.error(node.loc, "type %s is not defined in module %s"
                                 % (node.name, node.module))
                return
        else:
            target = module.lookup(node.name)
            if target is None and node.name in module.imports:
                target = module.imports[node.name].lookup(node.name)
                self.unused_imports.pop((module.name, node.name), None)
            if target is None:
                self.diags.error(node.loc, "type %s is not defined in %s and not imported"
                                 % (node.name, module.name))
                return
        use.target = target

    def check_alias_cycles(self):
        for m in self.model.modules:
            for a in m.aliases:
                seen, cur = set(), a
                while isinstance(cur, TypeAlias) and isinstance(cur.use, RefUse):
                    if id(cur) in seen:
                        self.diags.error(a.loc, "type %s is defined in terms of itself" % a.qname)
                        a.use = BuiltinUse("NULL", a.loc)
                        break
                    seen.add(id(cur))
                    cur = cur.use.target
        for (mod, name), (source, mdef) in sorted(self.unused_imports.items()):
            loc = next((l for imp in mdef.imports for n, l in imp.names if n == name), mdef.loc)
            self.diags.warning(loc, "%s is imported from %s but not used" % (name, source.name))


def build_model(module_defs, diags):
    return Builder(diags).build(module_defs)
