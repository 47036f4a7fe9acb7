"""The resolved model of the protocol modules, the input of the C++ emitter.

Walking it:

    model = asn1model.load(paths)          # raises ModelError with every fault
    for module in model.modules:           # in the order the files were given
        for t in module.types:             # generated types, inner types first
            ...                            # SequenceType, ChoiceType,
                                           # EnumeratedType, ConstrainedStringType
        for a in module.aliases:           # "X ::= SEQUENCE OF Y" and the like
            ...
    model.lists()                          # one ListUse per SEQUENCE OF / SET OF instance
    model.integer_ranges()                 # the Constrained_INTEGER instances
    model.reachable(model.type("LGCP::Message"))

`module.types` keeps file order, with each inline type placed before the
type it is written in; references between top-level types may point forward
and across modules (and may be recursive), so an emitter declares classes
before it defines descriptors.

Two families of classes:

* Defined types (`DefinedType` and its four kinds) are what the runtime calls
  generated types: each gets a class and a descriptor `theInfo`.  Types
  written inline get derived names: a SEQUENCE, CHOICE or ENUMERATED written
  in field or alternative `f` of type `T` is `T_f`; the element of an inline
  SEQUENCE OF / SET OF is `<name>_subtype`; a string type with a constraint
  written in field `f` of `T` is nested as `T::f::value_type` (its `scope` is
  ("T", "f")).
* Uses (`Use` and its kinds) are what a field, an alternative, a list
  element or an alias holds: a built-in type with its constraints, a list, or
  a reference to a defined type or an alias.  `Use.resolved()` looks through
  aliases.

Every object carries `loc` (file and line of its definition).
"""


class Use:
    """What a field, alternative, list element or alias holds."""

    loc = None

    def resolved(self):
        return self

    def defined_types(self):
        """The defined types this use names directly or through lists and aliases."""
        return []


class BuiltinUse(Use):
    """BOOLEAN, NULL, OBJECT IDENTIFIER or GeneralizedTime."""

    def __init__(self, kind, loc):
        self.kind = kind
        self.loc = loc

    def __repr__(self):
        return self.kind


class IntegerUse(Use):
    """INTEGER; `lower`/`upper` are None when not bounded (MIN, MAX or no
    constraint); `extensible` for "(lb..ub, ...)"; `named` is a list of
    (name, value) named numbers."""

    def __init__(self, loc, lower=None, upper=None, extensible=False, named=()):
        self.loc = loc
        self.lower = lower
        self.upper = upper
        self.extensible = extensible
        self.named = list(named)

    @property
    def constrained(self):
        return self.lower is not None or self.upper is not None

    @property
    def constraint_kind(self):
        """The runtime's constraint kind: 0 none, 1 lower bound only,
        2 fixed range, 3 extensible range."""
        if not self.constrained:
            return 0
        if self.upper is None:
            return 1
        return 3 if self.extensible else 2

    def range_key(self):
        return (self.constraint_kind, self.lower, self.upper)

    def __repr__(self):
        if not self.constrained:
            return "INTEGER"
        return "INTEGER (%s..%s%s)" % (
            "MIN" if self.lower is None else self.lower,
            "MAX" if self.upper is None else self.upper,
            ", ..." if self.extensible else "")


class SizeConstraint:
    """SIZE (lower..upper); `upper` None for MAX."""

    def __init__(self, lower, upper, loc):
        self.lower = lower
        self.upper = upper
        self.loc = loc

    def __repr__(self):
        return "SIZE (%s..%s)" % (self.lower, "MAX" if self.upper is None else self.upper)


class StringUse(Use):
    """OCTET STRING, BIT STRING or a character string kind without
    constraints (a constrained one is a ConstrainedStringType)."""

    def __init__(self, kind, loc, named=()):
        self.kind = kind
        self.loc = loc
        self.named = list(named)   # named bits of a BIT STRING

    def __repr__(self):
        return self.kind


class ListUse(Use):
    """SEQUENCE OF / SET OF; `size` is a SizeConstraint or None."""

    def __init__(self, kind, element, size, loc):
        self.kind = kind
        self.element = element
        self.size = size
        self.loc = loc

    def element_key(self):
        """What makes two lists the same instance: their kind and element."""
        e = self.element.resolved()
        if isinstance(e, RefUse):
            ident = e.target.qname
        elif isinstance(e, ListUse):
            ident = e.element_key()
        else:
            ident = repr(e)
        return (self.kind, ident, repr(self.size))

    def defined_types(self):
        return self.element.defined_types()

    def __repr__(self):
        return "%s%s OF %r" % (self.kind[:-3], " %r" % self.size if self.size else "", self.element)


class RefUse(Use):
    """A reference to a defined type or to an alias."""

    def __init__(self, target, loc):
        self.target = target
        self.loc = loc

    def resolved(self):
        if isinstance(self.target, TypeAlias):
            return self.target.use.resolved()
        return self

    def defined_types(self):
        if isinstance(self.target, TypeAlias):
            return self.target.use.defined_types()
        return [self.target]

    def __repr__(self):
        return self.target.qname


class DefinedType:
    """A generated type: a class with its own descriptor in the runtime."""

    kind = None          # "SEQUENCE", "CHOICE", "ENUMERATED", "STRING"

    def __init__(self, module, name, loc, scope=()):
        self.module = module     # Module
        self.name = name
        self.scope = tuple(scope)
        self.loc = loc
        self.expect = None       # the parsed expectation line, or None
        self.parent = None       # the defined type an inline type was written in

    @property
    def path(self):
        """Names from the module's namespace down: ("RtpParams", "dname", "value_type")."""
        return self.scope + (self.name,)

    @property
    def qname(self):
        return "::".join((self.module.name,) + self.path)

    def uses(self):
        """Every use held directly by this type (fields, alternatives)."""
        return []

    def __repr__(self):
        return "<%s %s>" % (self.kind, self.qname)


class Field:
    """A SEQUENCE field.  `optional_index` numbers the OPTIONAL root fields
    from 0 in field order (None for mandatory root fields and additions);
    `extension_index` numbers the extension additions from 0 (None in the
    root).  `default` is the DEFAULT value or None."""

    def __init__(self, name, use, optional, default, loc):
        self.name = name
        self.use = use
        self.optional = optional
        self.default = default
        self.loc = loc
        self.optional_index = None
        self.extension_index = None
        self.owner = None

    @property
    def is_extension(self):
        return self.extension_index is not None

    @property
    def optional_id(self):
        """The runtime's optional id: the optional index of a root field, the
        optional count plus j for extension addition j, None when mandatory."""
        if self.extension_index is not None:
            return self.owner.optional_count + self.extension_index
        return self.optional_index

    def __repr__(self):
        return "%s %r%s" % (self.name, self.use, " OPTIONAL" if self.optional else "")


class SequenceType(DefinedType):
    kind = "SEQUENCE"

    def __init__(self, module, name, loc, scope=()):
        DefinedType.__init__(self, module, name, loc, scope)
        self.extensible = False
        self.root_fields = []
        self.extension_fields = []

    @property
    def fields(self):
        return self.root_fields + self.extension_fields

    @property
    def optional_count(self):
        return sum(1 for f in self.root_fields if f.optional or f.default is not None)

    def uses(self):
        return [f.use for f in self.fields]


class Alternative:
    """A CHOICE alternative; `index` is its wire index (root first)."""

    def __init__(self, name, use, index, loc):
        self.name = name
        self.use = use
        self.index = index
        self.loc = loc
        self.is_extension = False

    def __repr__(self):
        return "%d %s %r" % (self.index, self.name, self.use)


class ChoiceType(DefinedType):
    kind = "CHOICE"

    def __init__(self, module, name, loc, scope=()):
        DefinedType.__init__(self, module, name, loc, scope)
        self.extensible = False
        self.root_alternatives = []
        self.extension_alternatives = []

    @property
    def alternatives(self):
        return self.root_alternatives + self.extension_alternatives

    def uses(self):
        return [a.use for a in self.alternatives]


class EnumItem:
    """One name of an ENUMERATED; `explicit` tells whether the number was
    written in the module or derived."""

    def __init__(self, name, value, explicit, loc):
        self.name = name
        self.value = value
        self.explicit = explicit
        self.loc = loc

    def __repr__(self):
        return "%s(%d)" % (self.name, self.value)


class EnumeratedType(DefinedType):
    """The coder puts the value itself on the wire as a number in
    0..max_root_value (see the runtime's PER rules), so `max_root_value` is
    what a descriptor needs; `items` keeps the declaration order, which is
    the order of the names table."""

    kind = "ENUMERATED"

    def __init__(self, module, name, loc, scope=()):
        DefinedType.__init__(self, module, name, loc, scope)
        self.extensible = False
        self.root_items = []
        self.extension_items = []

    @property
    def items(self):
        return self.root_items + self.extension_items

    @property
    def max_root_value(self):
        return max(i.value for i in self.root_items)


class ConstrainedStringType(DefinedType):
    """A string kind with a SIZE and/or FROM constraint; `base` is the
    string kind ("IA5String", "OCTET STRING", ...), `size` a SizeConstraint
    or None, `alphabet` the permitted characters in ascending order or None."""

    kind = "STRING"

    def __init__(self, module, name, loc, scope=()):
        DefinedType.__init__(self, module, name, loc, scope)
        self.base = None
        self.size = None
        self.alphabet = None


class TypeAlias:
    """A type assignment that names a use rather than defining a type:
    "MixerResources ::= SEQUENCE OF SEQUENCE {...}", "Id ::= INTEGER (0..7)",
    "Other ::= Type".  Not a generated type of its own."""

    def __init__(self, module, name, loc):
        self.module = module
        self.name = name
        self.loc = loc
        self.use = None

    @property
    def qname(self):
        return "%s::%s" % (self.module.name, self.name)

    def __repr__(self):
        return "<alias %s = %r>" % (self.qname, self.use)


class Module:
    def __init__(self, name, file, loc):
        self.name = name
        self.file = file
        self.loc = loc
        self.types = []        # DefinedType, inner types before the type they are written in
        self.aliases = []      # TypeAlias, in file order
        self.names = {}        # assignment name -> DefinedType or TypeAlias
        self.imports = {}      # imported name -> Module it comes from

    def lookup(self, name):
        return self.names.get(name)

    def __repr__(self):
        return "<module %s>" % self.name


class Model:
    def __init__(self):
        self.modules = []

    def module(self, name):
        for m in self.modules:
            if m.name == name:
                return m
        return None

    def types(self):
        return [t for m in self.modules for t in m.types]

    def type(self, qname):
        """A defined type by "MOD::Name" (also "MOD::T::f::value_type")."""
        for t in self.types():
            if t.qname == qname:
                return t
        return None

    def all_uses(self):
        """Every use in the model, depth first (list elements included)."""
        out = []

        def walk(u):
            out.append(u)
            if isinstance(u, ListUse):
                walk(u.element)
        for m in self.modules:
            for t in m.types:
                for u in t.uses():
                    walk(u)
            for a in m.aliases:
                walk(a.use)
        return out

    def lists(self):
        """The distinct SEQUENCE OF / SET OF instances: one per kind and element
        type, as the runtime's list template is instantiated per element."""
        seen = {}
        for u in self.all_uses():
            if isinstance(u, ListUse):
                seen.setdefault(u.element_key(), u)
        return list(seen.values())

    def integer_ranges(self):
        """The distinct constrained INTEGER instances, as (kind, lower, upper)."""
        keys = {u.range_key() for u in self.all_uses()
                if isinstance(u, IntegerUse) and u.constrained}
        return sorted(keys, key=lambda k: (k[1] if k[1] is not None else -2 ** 63,
                                           k[2] if k[2] is not None else 2 ** 63, k[0]))

    def reachable(self, root):
        """The defined types a value of `root` (a DefinedType) can hold,
        `root` included, in breadth-first order."""
        order, seen = [root], {id(root)}
        k = 0
        while k < len(order):
            for u in order[k].uses():
                for t in u.defined_types():
                    if id(t) not in seen:
                        seen.add(id(t))
                        order.append(t)
            k += 1
        return order
