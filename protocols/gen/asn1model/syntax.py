"""Syntax tree of one module file, as the parser reads it (names unresolved)."""


class Node:
    def __init__(self, loc, **fields):
        self.loc = loc
        self.__dict__.update(fields)

    def __repr__(self):
        inner = ", ".join("%s=%r" % kv for kv in sorted(self.__dict__.items()) if kv[0] != "loc")
        return "%s(%s)" % (type(self).__name__, inner)


class ModuleDef(Node):
    """name, imports: list of ImportDef, assignments: list of TypeAssignment."""


class ImportDef(Node):
    """names: list of (name, Location), module: str."""


class TypeAssignment(Node):
    """name, type: a type node."""


# Type nodes.  Every type node has `constraints`: a list of Constraint.
class BuiltinNode(Node):
    """name: BOOLEAN, NULL, INTEGER, OCTET STRING, BIT STRING,
    OBJECT IDENTIFIER, GeneralizedTime or a character string kind;
    named: list of (identifier, number, Location) for INTEGER and BIT STRING."""


class RefNode(Node):
    """module: str or None (a qualified "MOD.Type" reference), name: str."""


class SequenceNode(Node):
    """root: list of ComponentNode, additions: list of ComponentNode,
    extensible: bool, expect: annotation text or None."""


class ComponentNode(Node):
    """name, type, optional: bool, default: value or None."""


class ChoiceNode(Node):
    """root, additions: lists of AlternativeNode; extensible; expect."""


class AlternativeNode(Node):
    """name, type."""


class EnumeratedNode(Node):
    """root, additions: lists of EnumItemNode; extensible; expect."""


class EnumItemNode(Node):
    """name, value: int or None (no number written)."""


class ListNode(Node):
    """kind: "SEQUENCE OF" or "SET OF", element: type node,
    size: Constraint or None (a size written before OF)."""


class Constraint(Node):
    """One parenthesised constraint.

    value: (lower, upper) or None; the bounds are int, or None for MIN / MAX.
    size: (lower, upper) or None.  alphabet: string of permitted characters
    or None.  extensible: bool (", ..." after the root).
    """
