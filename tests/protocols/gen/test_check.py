"""Each check fires on a bad input, at the type's file and line."""

import unittest

from support import asn1model, errors, module

Profile = asn1model.Profile


def check_errors(body, **kw):
    return errors(module("M", body), **kw)


class ExpectationLines(unittest.TestCase):
    def test_each_stated_count_is_held_to(self):
        cases = [
            ("C ::= CHOICE {  --# noext root=2\n a NULL, b NULL, ... }",
             "M::C has an extension marker, but its '--#' line says noext"),
            ("C ::= CHOICE {  --# ext root=3\n a NULL, b NULL, ... }",
             "M::C has 2 root alternatives, its '--#' line says root=3"),
            ("C ::= CHOICE {  --# ext root=1\n a NULL, ..., b NULL }",
             "M::C has 1 extension alternatives, its '--#' line says add=0"),
            ("S ::= SEQUENCE {  --# noext fields=2 opt=1\n a NULL OPTIONAL }",
             "M::S has 1 root fields, its '--#' line says fields=2"),
            ("S ::= SEQUENCE {  --# noext fields=2 opt=1\n a NULL, b NULL }",
             "M::S has 0 OPTIONAL root fields, its '--#' line says opt=1"),
            ("S ::= SEQUENCE {  --# ext fields=1 opt=0 add=2\n a NULL, ..., b NULL }",
             "M::S has 1 extension additions, its '--#' line says add=2"),
            ("E ::= ENUMERATED {  --# noext values=0..3\n a(0), b(2) }",
             "M::E: the largest root value is 2, its '--#' line says values=0..3"),
            ("E ::= ENUMERATED {  --# ext values=0..2\n a(0), b(2), ..., c(3) }", None),
            ("E ::= ENUMERATED {  --# noext values=1..2\n a(1), b(2) }",
             "the coder codes an ENUMERATED in 0..N"),
            ("E ::= ENUMERATED {  --# noext root=2\n a(0), b(1) }",
             "'root' does not apply to a ENUMERATED"),
            ("S ::= SEQUENCE {  --# noext fields=1\n a NULL }", "must give opt="),
            ("S ::= SEQUENCE {  --# fields=1 opt=0\n a NULL }", "must say ext or noext"),
            ("S ::= SEQUENCE {  --# noext fields=one opt=0\n a NULL }", "fields= needs a count"),
            ("S ::= SEQUENCE {  --# noext noext fields=1 opt=0\n a NULL }", "given twice"),
            ("S ::= SEQUENCE {  --# noext feilds=1 opt=0\n a NULL }", "unknown word 'feilds=1'"),
        ]
        for body, fragment in cases:
            with self.subTest(body=body):
                msgs = check_errors(body)
                if fragment is None:
                    self.assertEqual(msgs, [])
                    continue
                self.assertTrue(any(m.startswith("M.asn:3: ") and fragment in m for m in msgs), msgs)

    def test_types_without_expectation_line(self):
        body = "S ::= SEQUENCE { a NULL }\nI ::= INTEGER (0..3)"
        self.assertEqual(check_errors(body), [])
        self.assertEqual(check_errors(body, require_expect=True),
                         ["M.asn:3: M::S has no '--#' line stating its counts"])


class WhatTheRuntimeCannotHold(unittest.TestCase):
    def test_bounds_and_sizes(self):
        cases = [
            ("I ::= INTEGER (0..4294967296)", "upper bound 4294967296 does not fit 32 bits"),
            ("I ::= INTEGER (-2147483649..0)", "lower bound -2147483649 does not fit"),
            ("I ::= INTEGER (-1..4294967295)", "with a negative lower bound"),
            ("I ::= INTEGER (3..2)", "empty range 3..2"),
            ("I ::= INTEGER (MIN..7)", "without a lower bound"),
            ("S ::= OCTET STRING (SIZE (4..2))", "empty size range 4..2"),
            ("L ::= SEQUENCE SIZE (2..1) OF NULL", "empty size range 2..1"),
            ("E ::= ENUMERATED { a(-2), b(-1) }", "largest root value is negative"),
            ("S ::= OCTET STRING (FROM (\"a\"))", "FROM does not apply to OCTET STRING"),
            ("S ::= IA5String (SIZE (1)) (SIZE (2))", "two SIZE constraints"),
            ("I ::= INTEGER (SIZE (1))", "SIZE and FROM do not apply to INTEGER"),
            ("B ::= BOOLEAN (TRUE)", "a number"),
        ]
        for body, fragment in cases:
            with self.subTest(body=body):
                msgs = check_errors(body)
                self.assertTrue(any(m.startswith("M.asn:3") and fragment in m for m in msgs), msgs)
        self.assertEqual(check_errors("I ::= INTEGER (-128..127)\nJ ::= INTEGER (0..4294967295)"), [])


class ProfileChecks(unittest.TestCase):
    BODY = """
        Root ::= SEQUENCE { a Leaf, b SEQUENCE OF INTEGER (0..3), c IA5String (SIZE (1..2)) }
        Leaf ::= CHOICE { x NULL, ..., y NULL }
        Other ::= SEQUENCE { z BOOLEAN, ..., w NULL }
        Lone ::= SET OF BOOLEAN
        """

    def profile(self, **changes):
        fields = dict(modules=("M",), kinds={"SEQUENCE": 2, "CHOICE": 1, "STRING": 1},
                      lists={"SEQUENCE OF": 1, "SET OF": 1}, integer_ranges=1,
                      roots={"M::Root": 2}, sequences_with_additions=("M::Other",),
                      choices_with_additions=("M::Leaf",))
        fields.update(changes)
        return Profile(**fields)

    def run_profile(self, **changes):
        return check_errors(self.BODY, profile=self.profile(**changes))

    def test_matching_profile_passes(self):
        self.assertEqual(self.run_profile(), [])

    def test_each_total_and_placement_fires(self):
        cases = [
            (dict(modules=("M", "N")), "M.asn:1: the modules given are not the system's: missing N"),
            (dict(kinds={"SEQUENCE": 3, "CHOICE": 1, "STRING": 1}), "2 SEQUENCE types defined, expected 3"),
            (dict(lists={"SEQUENCE OF": 2, "SET OF": 1}), "1 SEQUENCE OF instances, expected 2"),
            (dict(integer_ranges=2), "1 constrained INTEGER ranges, expected 2"),
            (dict(roots={"M::Root": 3}), "M.asn:4: 2 types reachable from M::Root, expected 3"),
            (dict(roots={"M::Gone": 1}), "root type M::Gone is not defined"),
            (dict(sequences_with_additions=()), "M.asn:6: M::Other has extension additions; no SEQUENCE of these modules may"),
            (dict(choices_with_additions=()), "M.asn:5: M::Leaf has extension alternatives; no CHOICE"),
            (dict(sequences_with_additions=("M::Other", "M::Root")), "M::Root should have extension"),
            (dict(roots={"M::Other": 1}), "M::Other has extension additions and is reachable"),
        ]
        for changes, fragment in cases:
            with self.subTest(changes=changes):
                msgs = self.run_profile(**changes)
                self.assertTrue(any(fragment in m for m in msgs), msgs)


if __name__ == "__main__":
    unittest.main()
