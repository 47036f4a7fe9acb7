"""Recursive-descent parser for the subset of ASN.1 the protocol modules use.

Accepted: one module per file with DEFINITIONS AUTOMATIC TAGS, IMPORTS,
EXPORTS, type assignments; SEQUENCE and CHOICE with extension markers,
extension additions (also in [[ ]] groups) and OPTIONAL / DEFAULT;
ENUMERATED with numbers and an extension marker; SEQUENCE OF and SET OF with
size constraints; INTEGER with value ranges, named numbers and extensible
ranges; BOOLEAN, NULL, OCTET STRING, BIT STRING, OBJECT IDENTIFIER,
GeneralizedTime and the character string kinds with SIZE and FROM
constraints; references by name, through IMPORTS or as "MODULE.Type".

Refused with a clear message: tags, value assignments, information object
classes, parameterised types: nothing in this system's modules uses them and
the runtime has no place for them.
"""

from .errors import Asn1Error
from .lexer import tokenize
from . import syntax as S

STRING_KINDS = ("IA5String", "PrintableString", "VisibleString", "NumericString",
                "GeneralString", "BMPString", "UTF8String")


class Parser:
    def __init__(self, text, file):
        self.file = file
        self.tokens, self.annotations = tokenize(text, file)
        self.pos = 0
        self.used_annotations = set()

    # -- token helpers -------------------------------------------------
    @property
    def tok(self):
        return self.tokens[self.pos]

    def peek(self, k=1):
        return self.tokens[min(self.pos + k, len(self.tokens) - 1)]

    def advance(self):
        t = self.tokens[self.pos]
        if t.kind != "eof":
            self.pos += 1
        return t

    def at(self, value, kind=None):
        t = self.tok
        return t.value == value and (kind is None or t.kind == kind) and t.kind != "cstring"

    def accept(self, value):
        if self.at(value):
            return self.advance()
        return None

    def describe(self, t):
        if t.kind == "eof":
            return "end of file"
        if t.kind == "cstring":
            return 'string "%s"' % t.value
        return "'%s'" % t.value

    def fail(self, what, t=None):
        t = t or self.tok
        raise Asn1Error(t.loc, "expected %s, found %s" % (what, self.describe(t)))

    def expect(self, value, what=None):
        if not self.at(value):
            self.fail(what or "'%s'" % value)
        return self.advance()

    def expect_kind(self, kind, what):
        if self.tok.kind != kind:
            self.fail(what)
        return self.advance()

    def identifier(self, what="an identifier"):
        # Field, alternative and item names start with a lower-case letter.
        if self.tok.kind != "ident":
            if self.tok.kind == "typeref":
                raise Asn1Error(self.tok.loc, "%s must start with a lower-case letter: '%s'"
                                % (what, self.tok.value))
            self.fail(what)
        return self.advance()

    def annotation_for(self, line):
        if line in self.annotations and line not in self.used_annotations:
            self.used_annotations.add(line)
            return self.annotations[line][1]
        return None

    # -- module ----------------------------------------------------------
    def parse_module(self):
        name = self.expect_kind("typeref", "a module name")
        if self.at("{"):
            self.skip_braces()
        self.expect("DEFINITIONS")
        if self.at("AUTOMATIC"):
            self.advance()
            self.expect("TAGS")
        else:
            self.fail("AUTOMATIC TAGS (the runtime codes automatic tags only)")
        if self.accept("EXTENSIBILITY"):
            raise Asn1Error(self.tokens[self.pos - 1].loc,
                            "EXTENSIBILITY IMPLIED is not supported; write each '...'")
        self.expect("::=")
        self.expect("BEGIN")
        if self.accept("EXPORTS"):
            while not self.at(";"):
                if self.tok.kind == "eof":
                    self.fail("';' after EXPORTS")
                self.advance()
            self.advance()
        imports = []
        if self.accept("IMPORTS"):
            imports = self.parse_imports()
        assignments = []
        while not self.at("END"):
            assignments.append(self.parse_assignment())
        self.expect("END")
        if self.tok.kind != "eof":
            raise Asn1Error(self.tok.loc, "text after END: one module per file")
        for line in sorted(set(self.annotations) - self.used_annotations):
            col = self.annotations[line][0]
            raise Asn1Error(self.locate(line, col), "expectation line '--#' is not on the "
                            "line that opens a SEQUENCE, CHOICE or ENUMERATED")
        return S.ModuleDef(name.loc, name=name.value, imports=imports, assignments=assignments)

    def locate(self, line, col):
        from .errors import Location
        return Location(self.file, line, col)

    def skip_braces(self):
        depth = 0
        while True:
            t = self.advance()
            if t.kind == "eof":
                self.fail("'}'", t)
            if t.value == "{" and t.kind == "symbol":
                depth += 1
            elif t.value == "}" and t.kind == "symbol":
                depth -= 1
                if depth == 0:
                    return

    def parse_imports(self):
        imports = []
        while not self.at(";"):
            names = []
            while True:
                t = self.tok
                if t.kind not in ("typeref", "ident"):
                    self.fail("an imported name")
                self.advance()
                if self.at("{"):
                    raise Asn1Error(t.loc, "parameterised imports are not supported")
                names.append((t.value, t.loc))
                if not self.accept(","):
                    break
            from_tok = self.expect("FROM", "',' or FROM in IMPORTS")
            mod = self.expect_kind("typeref", "a module name after FROM")
            if self.at("{"):
                self.skip_braces()
            imports.append(S.ImportDef(from_tok.loc, names=names, module=mod.value))
            if self.tok.kind == "eof":
                self.fail("';' to end IMPORTS")
        self.advance()
        return imports

    def parse_assignment(self):
        t = self.tok
        if t.kind == "ident":
            raise Asn1Error(t.loc, "value assignments are not supported ('%s')" % t.value)
        if t.kind != "typeref":
            self.fail("a type assignment")
        self.advance()
        if self.at("{"):
            raise Asn1Error(t.loc, "parameterised types are not supported ('%s')" % t.value)
        self.expect("::=", "'::=' after the type name '%s'" % t.value)
        return S.TypeAssignment(t.loc, name=t.value, type=self.parse_type())

    # -- types -------------------------------------------------------------
    def parse_type(self):
        t = self.tok
        if self.at("["):
            raise Asn1Error(t.loc, "tags are not supported: the modules use automatic tagging")
        node = self.parse_type_body()
        node.constraints = []
        while self.at("("):
            node.constraints.append(self.parse_constraint())
        return node

    def parse_type_body(self):
        t = self.tok
        v = t.value
        if t.kind == "keyword":
            if v in ("BOOLEAN", "NULL", "GeneralizedTime") or v in STRING_KINDS:
                self.advance()
                return S.BuiltinNode(t.loc, name=v, named=[])
            if v == "INTEGER":
                self.advance()
                return S.BuiltinNode(t.loc, name=v, named=self.parse_named_numbers())
            if v in ("OCTET", "BIT", "OBJECT"):
                self.advance()
                second = {"OCTET": "STRING", "BIT": "STRING", "OBJECT": "IDENTIFIER"}[v]
                self.expect(second, "%s after %s" % (second, v))
                named = self.parse_named_numbers() if v == "BIT" else []
                return S.BuiltinNode(t.loc, name=v + " " + second, named=named)
            if v == "SEQUENCE" or v == "SET":
                return self.parse_sequence_or_list()
            if v == "CHOICE":
                return self.parse_choice()
            if v == "ENUMERATED":
                return self.parse_enumerated()
            if v in ("REAL", "UTCTime", "EXTERNAL", "EMBEDDED", "CHARACTER", "RELATIVE-OID",
                     "INSTANCE"):
                raise Asn1Error(t.loc, "type %s is not supported" % v)
        if t.kind == "typeref":
            self.advance()
            if self.at(".") and self.peek().kind == "typeref":
                self.advance()
                name = self.advance()
                return S.RefNode(t.loc, module=v, name=name.value)
            if self.at("{"):
                raise Asn1Error(t.loc, "parameterised types are not supported ('%s')" % v)
            return S.RefNode(t.loc, module=None, name=v)
        self.fail("a type")

    def parse_named_numbers(self):
        named = []
        if not self.accept("{"):
            return named
        while True:
            name = self.identifier("a named number")
            self.expect("(")
            named.append((name.value, self.signed_number(), name.loc))
            self.expect(")")
            if not self.accept(","):
                break
        self.expect("}", "',' or '}'")
        return named

    def signed_number(self):
        neg = self.accept("-") is not None
        t = self.expect_kind("number", "a number")
        return -t.value if neg else t.value

    def parse_sequence_or_list(self):
        t = self.advance()
        kind = t.value
        if self.at("{"):
            if kind == "SET":
                raise Asn1Error(t.loc, "SET is not supported; use SEQUENCE")
            return self.parse_sequence(t)
        size = None
        if self.at("SIZE"):
            size = self.parse_constraint_body(self.tok, size_only=True)
        elif self.at("("):
            size = self.parse_constraint()
            if size.size is None or size.value is not None:
                raise Asn1Error(size.loc, "only a SIZE constraint may stand before OF")
        self.expect("OF", "'{' or OF after %s" % kind)
        if self.tok.kind == "ident" and self.peek().kind in ("typeref", "keyword"):
            self.advance()   # a name for the element, as in SEQUENCE OF item Item
        element = self.parse_type()
        return S.ListNode(t.loc, kind=kind + " OF", element=element, size=size)

    def parse_sequence(self, t):
        expect = self.annotation_for(t.loc.line)
        self.expect("{")
        root, additions, extensible = self.parse_members(self.parse_component, "a field")
        return S.SequenceNode(t.loc, root=root, additions=additions,
                              extensible=extensible, expect=expect)

    def parse_choice(self):
        t = self.advance()
        expect = self.annotation_for(t.loc.line)
        self.expect("{", "'{' after CHOICE")
        root, additions, extensible = self.parse_members(self.parse_alternative, "an alternative")
        if not root:
            raise Asn1Error(t.loc, "a CHOICE needs at least one alternative before '...'")
        return S.ChoiceNode(t.loc, root=root, additions=additions,
                            extensible=extensible, expect=expect)

    def parse_members(self, parse_one, what):
        """Members of SEQUENCE, CHOICE: root, '...', additions, optional '...', root."""
        root, additions = [], []
        markers = 0
        if self.accept("}"):
            return root, additions, False
        while True:
            t = self.tok
            if self.accept("..."):
                markers += 1
                if markers > 2:
                    raise Asn1Error(t.loc, "more than two extension markers")
                if self.at("!"):
                    raise Asn1Error(self.tok.loc, "exception specifications are not supported")
            elif self.accept("[["):
                if markers != 1:
                    raise Asn1Error(t.loc, "'[[' only stands among the extension additions")
                if self.tok.kind == "number":
                    self.advance()
                    self.expect(":")
                while True:
                    additions.append(parse_one())
                    if not self.accept(","):
                        break
                self.expect("]]", "',' or ']]'")
            else:
                member = parse_one()
                if markers == 1:
                    additions.append(member)
                else:
                    root.append(member)
            if self.accept("}"):
                return root, additions, markers > 0
            self.expect(",", "',' or '}' after %s" % what)

    def parse_component(self):
        if self.at("COMPONENTS"):
            raise Asn1Error(self.tok.loc, "COMPONENTS OF is not supported")
        name = self.identifier("a field name")
        typ = self.parse_type()
        optional, default = False, None
        if self.accept("OPTIONAL"):
            optional = True
        elif self.accept("DEFAULT"):
            default = self.parse_value()
        return S.ComponentNode(name.loc, name=name.value, type=typ,
                               optional=optional, default=default)

    def parse_value(self):
        t = self.tok
        if self.at("-") or t.kind == "number":
            return self.signed_number()
        if t.kind == "cstring":
            self.advance()
            return t.value
        if self.at("TRUE") or self.at("FALSE"):
            self.advance()
            return t.value == "TRUE"
        if self.at("NULL"):
            self.advance()
            return None
        if t.kind == "ident":
            self.advance()
            return t.value
        self.fail("a DEFAULT value (number, identifier, TRUE, FALSE or string)")

    def parse_alternative(self):
        name = self.identifier("an alternative name")
        return S.AlternativeNode(name.loc, name=name.value, type=self.parse_type())

    def parse_enumerated(self):
        t = self.advance()
        expect = self.annotation_for(t.loc.line)
        self.expect("{", "'{' after ENUMERATED")
        root, additions, markers = [], [], 0
        while True:
            tok = self.tok
            if self.accept("..."):
                markers += 1
                if markers > 1:
                    raise Asn1Error(tok.loc, "an ENUMERATED has at most one extension marker")
            else:
                name = self.identifier("an enumeration name")
                value = None
                if self.accept("("):
                    value = self.signed_number()
                    self.expect(")")
                (additions if markers else root).append(
                    S.EnumItemNode(name.loc, name=name.value, value=value))
            if self.accept("}"):
                break
            self.expect(",", "',' or '}' in ENUMERATED")
        if not root:
            raise Asn1Error(t.loc, "an ENUMERATED needs at least one name before '...'")
        return S.EnumeratedNode(t.loc, root=root, additions=additions,
                                extensible=markers > 0, expect=expect)

    # -- constraints -------------------------------------------------------
    def parse_constraint(self):
        open_tok = self.expect("(")
        c = self.parse_constraint_body(open_tok)
        if self.accept(","):
            self.expect("...", "'...' after ',' in a constraint")
            c.extensible = True
            if self.accept(","):
                raise Asn1Error(self.tok.loc, "additions to an extensible constraint are not supported")
        self.expect(")", "')' to close the constraint")
        return c

    def parse_constraint_body(self, start, size_only=False):
        """Intersection ('^') of value range, SIZE and FROM parts."""
        c = S.Constraint(start.loc, value=None, size=None, alphabet=None, extensible=False)
        while True:
            t = self.tok
            if self.accept("SIZE"):
                if c.size is not None:
                    raise Asn1Error(t.loc, "two SIZE constraints in one")
                self.expect("(", "'(' after SIZE")
                c.size = self.parse_range()
                if self.accept(","):
                    raise Asn1Error(self.tok.loc, "extensible SIZE constraints are not supported")
                self.expect(")")
            elif not size_only and self.accept("FROM"):
                if c.alphabet is not None:
                    raise Asn1Error(t.loc, "two FROM constraints in one")
                self.expect("(", "'(' after FROM")
                c.alphabet = self.parse_alphabet()
                self.expect(")")
            elif not size_only:
                if c.value is not None:
                    raise Asn1Error(t.loc, "two value constraints in one")
                c.value = self.parse_range()
            else:
                self.fail("SIZE")
            if size_only or not self.accept("^"):
                return c

    def parse_range(self):
        lower = self.bound("MIN")
        if self.accept(".."):
            upper = self.bound("MAX")
        else:
            if lower is None:
                self.fail("'..' after MIN")
            upper = lower
        return (lower, upper)

    def bound(self, word):
        if self.accept(word):
            return None
        if self.at("<"):
            raise Asn1Error(self.tok.loc, "open range bounds ('<') are not supported")
        return self.signed_number()

    def parse_alphabet(self):
        chars = set()
        while True:
            t = self.expect_kind("cstring", "a character string in FROM")
            if self.accept(".."):
                u = self.expect_kind("cstring", "a character string after '..'")
                if len(t.value) != 1 or len(u.value) != 1 or t.value > u.value:
                    raise Asn1Error(t.loc, "a character range needs two single characters in order")
                chars.update(chr(k) for k in range(ord(t.value), ord(u.value) + 1))
            else:
                chars.update(t.value)
            if not self.accept("|"):
                break
        return "".join(sorted(chars))


def parse_text(text, file):
    """Parses one module file's text; raises Asn1Error on the first fault."""
    return Parser(text, file).parse_module()


def parse_file(path):
    with open(path, encoding="utf-8") as f:
        return parse_text(f.read(), path)
