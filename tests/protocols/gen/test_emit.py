"""The C++ emitter: names, tables and order in the text it writes, and the faults it
refuses at their place before writing anything."""

import io
import os
import re
import tempfile
import unittest
from contextlib import redirect_stderr, redirect_stdout

from support import load, module

import asn1emit
import asn1gen


def emitted(*sources):
    """{file name: text} of the emitter for small modules."""
    return asn1emit.outputs(load(*sources))


def emit_errors(*sources):
    diags = asn1emit.Diagnostics()
    asn1emit.check_for_cpp(load(*sources), diags)
    return [str(e) for e in diags.errors]


class Text(unittest.TestCase):
    def test_names_tables_write_a_value_only_where_it_breaks_the_count(self):
        files = emitted(module("M", """
            E ::= ENUMERATED { a(0), b(1), c(5), d(6), e(2) }
            S ::= ENUMERATED { not-use(-1), active(0), standby(1) }
            F ::= ENUMERATED { low(2000), high(2001), ..., top(2099) }
        """))
        src = files["M.cpp"]
        self.assertIn('E_enum_names__[] = {"a", "b", "c=5", "d", "e=2"};', src)
        self.assertIn('S_enum_names__[] = {"not-use=-1", "active", "standby"};', src)
        self.assertIn("EnumInfo S::theInfo = {{&ASN1::make<S>, 10}, false, 1, S_enum_names__, 3};", src)
        self.assertIn("EnumInfo F::theInfo = {{&ASN1::make<F>, 10}, true, 2001, F_enum_names__, 3};", src)
        self.assertIn('"low=2000", "high", "top=2099"', src)
        self.assertIn("enum NamedNumber : int { not_use = -1, active = 0, standby = 1 };", files["M.h"])

    def test_hyphens_become_underscores_in_code_and_stay_in_the_tables(self):
        files = emitted(module("M", """
            Radio-Cmd ::= SEQUENCE { state-channel INTEGER (0..3) OPTIONAL, on BOOLEAN }
            Pick ::= CHOICE { tone-gen NULL, ..., late-one BOOLEAN }
        """))
        hdr, src = files["M.h"], files["M.cpp"]
        self.assertIn("class Radio_Cmd : public ASN1::SEQUENCE {", hdr)
        self.assertIn("TARVOX_FIELD(state_channel, 0, "
                      "ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>)", hdr)
        self.assertIn("enum Id { tone_gen_id = 0, late_one_id = 1 };", hdr)
        self.assertIn('Radio_Cmd_fieldNames[] = {"state-channel", "on"};', src)
        self.assertIn("Radio_Cmd_fieldIds[] = {0, -1};", src)
        self.assertIn("ChoiceInfo Pick::theInfo = {{&ASN1::make<Pick>, 0}, true, Pick_selectionInfos, "
                      "1, 2, nullptr, Pick_selectionNames};", src)

    def test_sequence_counts_and_extension_additions(self):
        src = emitted(module("M", """
            S ::= SEQUENCE { a INTEGER, b BOOLEAN OPTIONAL, ..., c NULL, d INTEGER OPTIONAL }
            Empty ::= SEQUENCE { ... }
        """))["M.cpp"]
        self.assertIn("S_fieldIds[] = {-1, 0, 0, 0};", src)
        self.assertIn("SequenceInfo S::theInfo = {{&ASN1::make<S>, 16}, true, S_fieldInfos, S_fieldIds, "
                      "2, 2, 1, nullptr, nullptr, S_fieldNames};", src)
        self.assertIn("SequenceInfo Empty::theInfo = {{&ASN1::make<Empty>, 16}, true, nullptr, nullptr, "
                      "0, 0, 0, nullptr, nullptr, nullptr};", src)

    def test_uses_map_to_runtime_classes(self):
        hdr = emitted(module("M", """
            Ids ::= SEQUENCE OF INTEGER (1..255)
            S ::= SEQUENCE {
                n INTEGER, r INTEGER (-128..127), u INTEGER (0..4294967295), low INTEGER (5..MAX),
                o OCTET STRING, t IA5String, id OBJECT IDENTIFIER, ids Ids,
                set SET OF BOOLEAN, sized SEQUENCE (SIZE (1..4)) OF NULL,
                rows SEQUENCE OF SEQUENCE { x NULL }
            }
        """))["M.h"]
        expected = [
            "TARVOX_FIELD(n, 0, ASN1::INTEGER)",
            "TARVOX_FIELD(r, 1, ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>)",
            "TARVOX_FIELD(u, 2, ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>)",
            "TARVOX_FIELD(low, 3, ASN1::Constrained_INTEGER<ASN1::PartiallyConstrained, 5, 4294967295u>)",
            "TARVOX_FIELD(o, 4, ASN1::OCTET_STRING)",
            "TARVOX_FIELD(t, 5, ASN1::IA5String)",
            "TARVOX_FIELD(id, 6, ASN1::OBJECT_IDENTIFIER)",
            "TARVOX_FIELD(ids, 7, ASN1::SEQUENCE_OF<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 255u>>)",
            "TARVOX_FIELD(set, 8, ASN1::SET_OF<ASN1::BOOLEAN>)",
            "TARVOX_FIELD(sized, 9, ASN1::SEQUENCE_OF<ASN1::Null, "
            "ASN1::SizeConstraint<ASN1::FixedConstraint, 1, 4u>>)",
            "TARVOX_FIELD(rows, 10, ASN1::SEQUENCE_OF<S_rows_subtype>)",
            "using Ids = ASN1::SEQUENCE_OF<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 255u>>;",
        ]
        for line in expected:
            self.assertIn(line, hdr)

    def test_constrained_string_is_nested_in_its_field(self):
        files = emitted(module("M", "R ::= SEQUENCE { dname IA5String (SIZE (1..64)) OPTIONAL }"))
        self.assertIn("  struct dname {\n    TARVOX_STRING(value_type, ASN1::IA5String);\n  };", files["M.h"])
        self.assertIn("TARVOX_FIELD(dname, 0, R::dname::value_type)", files["M.h"])
        self.assertIn("StringInfo R::dname::value_type::theInfo = {{{&ASN1::make<R::dname::value_type>, 22}, "
                      "ASN1::FixedConstraint, 1, 64u}, ASN1::IA5StringSet, 128, 7, 7, 8};", files["M.cpp"])
        self.assertIn('{"R::dname::value_type", &R::dname::value_type::theInfo},', files["M.cpp"])

    def test_classes_follow_what_they_name_and_modules_include_their_imports(self):
        files = emitted(
            module("A", """
                Top ::= SEQUENCE { mid Mid, far B.Far }
                Mid ::= CHOICE { leaf Leaf, none NULL }
                Leaf ::= ENUMERATED { x, y }
            """, imports="IMPORTS Far FROM B;"),
            module("B", "Far ::= SEQUENCE { n INTEGER }"))
        hdr = files["A.h"]
        order = re.findall(r"^class (\w+)", hdr, re.M)
        self.assertEqual(order, ["Leaf", "Mid", "Top"])
        self.assertIn('#include "protocols/B.h"', hdr)
        self.assertIn("TARVOX_FIELD(far, 1, B::Far)", hdr)
        self.assertIn("&B::Far::theInfo", files["A.cpp"])
        self.assertIn("constexpr Protocols::Module theModule = {\"A\", types, 3};", files["A.cpp"])
        self.assertIn("constexpr const Module* modules[] = {&A::theModule, &B::theModule};",
                      files["Registry.cpp"])


class Refusals(unittest.TestCase):
    def test_names_that_do_not_make_cpp(self):
        cases = [
            ("E ::= ENUMERATED { and, or }", "M.asn:3: name and is a C++ keyword"),
            ("E ::= ENUMERATED { getValue, b }", "M.asn:3: name getValue of M::E is a member of the "
             "generated class"),
            ("E ::= ENUMERATED { a-b, a_b }", "M.asn:3: names a-b and a_b of M::E have the same C++ name"),
            ("S ::= SEQUENCE { a-b NULL,\n a_b NULL }", "M.asn:4: field a_b of M::S has the C++ name a_b, "
             "as a-b at M.asn:3"),
            ("C ::= CHOICE { x-y NULL,\n x_y NULL }", "M.asn:4: alternative x_y of M::C has the C++ name"),
            ("ASN1 ::= SEQUENCE { a NULL }", "M.asn:3: type M::ASN1 has the name of a namespace"),
            ("S ::= SEQUENCE { n INTEGER { one(1) } }", "M.asn:3: INTEGER with named numbers is not supported"),
            ("S ::= SEQUENCE { t IA5String (FROM (\"AB\")) }", "permitted-alphabet constraints are not supported"),
        ]
        for body, message in cases:
            with self.subTest(body=body):
                found = emit_errors(module("M", body))
                self.assertTrue(any(message in e for e in found), found)

    def test_recursion_and_circular_imports(self):
        self.assertEqual(emit_errors(module("M", """
            Node ::= SEQUENCE { value INTEGER, next Next }
            Next ::= CHOICE { end NULL, more SEQUENCE OF Node }
        """)), ["M.asn:5: recursive types are not supported by the emitter: "
                "M::Next -> M::Node -> M::Next"])
        found = emit_errors(module("A", "X ::= SEQUENCE { y B.Y }", imports="IMPORTS Y FROM B;"),
                            module("B", "Y ::= SEQUENCE { n INTEGER }\nZ ::= SEQUENCE { x A.X }",
                                   imports="IMPORTS X FROM A;"))
        self.assertEqual(found, ["A.asn:1: modules import each other in a circle: A -> B -> A"])

    def test_keywords_are_fine_behind_get_and_set(self):
        self.assertEqual(emit_errors(module("M", """
            S ::= SEQUENCE { default NULL, delete BOOLEAN }
            C ::= CHOICE { new NULL, class NULL }
        """)), [])

    def test_cli_writes_every_file_or_nothing(self):
        with tempfile.TemporaryDirectory() as tmp:
            good = os.path.join(tmp, "M.asn")
            with open(good, "w") as f:
                f.write(module("M", "S ::= SEQUENCE { a NULL }")[1])
            out_dir = os.path.join(tmp, "out")
            self.assertEqual(run(["--emit", out_dir, "--no-profile", good])[0], 0)
            self.assertEqual(sorted(os.listdir(out_dir)), ["M.cpp", "M.h", "Registry.cpp"])

            bad = os.path.join(tmp, "N.asn")
            with open(bad, "w") as f:
                f.write(module("N", "E ::= ENUMERATED { int }")[1])
            rc, _, err = run(["--emit", os.path.join(tmp, "none"), "--no-profile", bad])
            self.assertEqual(rc, 1)
            self.assertIn("N.asn:3: name int is a C++ keyword", err)
            self.assertFalse(os.path.exists(os.path.join(tmp, "none")))


def run(argv):
    out, err = io.StringIO(), io.StringIO()
    with redirect_stdout(out), redirect_stderr(err):
        rc = asn1gen.main(argv)
    return rc, out.getvalue(), err.getvalue()


if __name__ == "__main__":
    unittest.main()
