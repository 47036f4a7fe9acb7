"""Syntax errors carry file:line; the accepted notation parses as meant."""

import unittest

from support import asn1model, errors, load, module


def parse_error(text, file="M.asn"):
    try:
        asn1model.parse_text(text, file)
    except asn1model.Asn1Error as e:
        return str(e)
    raise AssertionError("no syntax error in %r" % text)


HEAD = "M DEFINITIONS AUTOMATIC TAGS ::= BEGIN\n"


class SyntaxErrors(unittest.TestCase):
    def test_faults_are_reported_with_file_and_line(self):
        cases = [
            ("A ::= SEQUENCE {\n  a INTEGER\n  b BOOLEAN\n}", 4, "expected ',' or '}'"),
            ("A ::= SEQUENCE { a INTEGER, }", 2, "a field name"),
            ("A B ::= INTEGER", 2, "'::='"),
            ("A ::= CHOICE {\n  a [0] INTEGER\n}", 3, "tags are not supported"),
            ("a INTEGER ::= 5", 2, "value assignments"),
            ("A ::= SEQUENCE { Field INTEGER }", 2, "lower-case letter"),
            ("A ::= ENUMERATED { a(1), ..., b(2), ... }", 2, "at most one extension marker"),
            ("A ::= CHOICE { ... }", 2, "at least one alternative"),
            ("A ::= SEQUENCE { a INTEGER, ..., ..., b INTEGER, ... }", 2, "more than two"),
            ("A ::= INTEGER (0..)", 2, "a number"),
            ("A ::= IA5String (FROM (\"z\"..\"a\"))", 2, "two single characters in order"),
            ("\n\nA ::= IA5String (SIZE (1..\"x\"))", 4, "a number"),
            ("A ::= SET { a INTEGER }", 2, "SET is not supported"),
            ("A ::= SEQUENCE { a INTEGER }\nB ::= BOOLEAN  --# noext", 3, "expectation line"),
            ("A ::= INTEGER -- a -- # comment", 2, "'--' inside a comment ends"),
            ("A ::= SEQUENCE { a-- INTEGER }", 3, "expected a type, found 'END'"),
            ("A ::= IA5String (FROM (\"ab))", 2, "runs past the end of the line"),
            ("A ::= REAL", 2, "REAL is not supported"),
            ("/* open", 2, "comment not closed"),
        ]
        for body, line, fragment in cases:
            with self.subTest(body=body):
                message = parse_error(HEAD + body + "\nEND\n")
                self.assertTrue(message.startswith("M.asn:%d: " % line), message)
                self.assertIn(fragment, message)

    def test_module_frame(self):
        self.assertIn("AUTOMATIC TAGS", parse_error("M DEFINITIONS ::= BEGIN END"))
        self.assertIn("one module per file", parse_error(HEAD + "END\nN DEFINITIONS"))
        self.assertIn("M.asn:3: expected ';'", parse_error(HEAD + "IMPORTS A FROM N\n"))
        self.assertTrue(parse_error("\n\nM DEFINITIONS AUTOMATIC TAGS ::= BEGIN\nA ::= ")
                        .startswith("M.asn:4: expected a type, found end of file"))

    def test_hyphen_and_underscore_names(self):
        self.assertIn("ends with a hyphen", parse_error(HEAD + "A- ::= INTEGER\nEND"))
        m = load(module("M", """
            ISDN_NumberType ::= SEQUENCE {  --# noext fields=2 opt=0
                det_lvl_dB INTEGER,
                state-channel BOOLEAN
            }"""))
        self.assertEqual([f.name for f in m.type("M::ISDN_NumberType").fields],
                         ["det_lvl_dB", "state-channel"])


class AcceptedNotation(unittest.TestCase):
    def test_members_constraints_and_values(self):
        m = load(module("M", """
            /* block /* nested */ comment */
            S ::= SEQUENCE {  --# ext fields=3 opt=2 add=3
                a INTEGER (-128..127) OPTIONAL,
                b INTEGER (0..7, ...) DEFAULT 3,
                c SEQUENCE SIZE (1..4) OF BOOLEAN,
                ...,
                [[ d NULL, e IA5String ]],
                f SET (SIZE (2)) OF INTEGER OPTIONAL,
                ...
            }
            T ::= IA5String (SIZE (1..8) ^ FROM ("a".."c" | "xy"))
            U ::= BIT STRING { first(0), last(7) }
            V ::= INTEGER { low(-1), high(1) } (-1..1)
            W ::= OBJECT IDENTIFIER
            """))
        s = m.type("M::S")
        a, b, c = s.root_fields
        self.assertEqual((a.use.lower, a.use.upper, a.use.constraint_kind), (-128, 127, 2))
        self.assertEqual((b.use.constraint_kind, b.default, b.optional_index), (3, 3, 1))
        self.assertEqual((c.use.kind, c.use.size.lower, c.use.size.upper), ("SEQUENCE OF", 1, 4))
        self.assertEqual([f.name for f in s.extension_fields], ["d", "e", "f"])
        self.assertEqual(s.extension_fields[2].use.size.upper, 2)
        t = m.type("M::T")
        self.assertEqual((t.kind, t.base, t.size.lower, t.size.upper, t.alphabet),
                         ("STRING", "IA5String", 1, 8, "abcxy"))
        aliases = {a.name: a.use for a in m.module("M").aliases}
        self.assertEqual(aliases["U"].named, [("first", 0), ("last", 7)])
        self.assertEqual((aliases["V"].named, aliases["V"].lower), ([("low", -1), ("high", 1)], -1))
        self.assertEqual(aliases["W"].kind, "OBJECT IDENTIFIER")

    def test_version_brackets_only_among_additions(self):
        self.assertIn("'[[' only stands among the extension additions",
                      "\n".join(errors(module("M", "A ::= SEQUENCE { [[ a NULL ]] }"))))


if __name__ == "__main__":
    unittest.main()
