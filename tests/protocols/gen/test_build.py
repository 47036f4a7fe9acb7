"""Building the model: derived names, numbering, references and the faults
a transcription can make in them."""

import unittest

from support import analyse, errors, load, module


class DerivedNamesAndNumbering(unittest.TestCase):
    def setUp(self):
        self.m = load(module("M", """
            List ::= SEQUENCE OF SEQUENCE {  --# ext fields=1 opt=0
                unit INTEGER, ...
            }
            Player ::= CHOICE {  --# ext root=2 add=1
                network SEQUENCE { id INTEGER },
                file    List,
                ...,
                extra   NULL
            }
            Rtp ::= SEQUENCE {  --# ext fields=3 opt=2 add=2
                a     INTEGER OPTIONAL,
                dname IA5String (SIZE (1..64)),
                mode  ENUMERATED { off(0), on(1) } OPTIONAL,
                ...,
                x BOOLEAN OPTIONAL,
                y BOOLEAN
            }
            """))

    def test_inline_types_get_derived_names(self):
        names = [t.qname for t in self.m.module("M").types]
        self.assertEqual(names, ["M::List_subtype", "M::Player_network", "M::Player",
                                 "M::Rtp::dname::value_type", "M::Rtp_mode", "M::Rtp"])
        self.assertIs(self.m.type("M::Player_network").parent, self.m.type("M::Player"))
        self.assertEqual(self.m.type("M::Rtp::dname::value_type").path,
                         ("Rtp", "dname", "value_type"))
        alias = self.m.module("M").aliases[0]
        self.assertEqual((alias.name, alias.use.element.target.name), ("List", "List_subtype"))

    def test_optional_ids_and_indexes(self):
        rtp = self.m.type("M::Rtp")
        self.assertEqual(rtp.optional_count, 2)
        self.assertEqual([f.optional_id for f in rtp.fields], [0, None, 1, 2, 3])
        self.assertEqual([f.extension_index for f in rtp.fields], [None, None, None, 0, 1])
        player = self.m.type("M::Player")
        self.assertEqual([(a.name, a.index, a.is_extension) for a in player.alternatives],
                         [("network", 0, False), ("file", 1, False), ("extra", 2, True)])
        file_use = player.alternatives[1].use
        self.assertEqual(file_use.resolved().kind, "SEQUENCE OF")

    def test_enumeration_values(self):
        m = load(module("M", """
            E ::= ENUMERATED { not-use(-1), active, standby, ..., later }
            F ::= ENUMERATED { a(2), b(0), c(1) }
            """))
        e = m.type("M::E")
        self.assertEqual([(i.name, i.value, i.explicit) for i in e.items],
                         [("not-use", -1, True), ("active", 0, False), ("standby", 1, False),
                          ("later", 2, False)])
        self.assertEqual(e.max_root_value, 1)
        self.assertEqual(m.type("M::F").max_root_value, 2)

    def test_implicit_value_that_reads_two_ways_must_be_written(self):
        msgs = errors(module("M", "E ::= ENUMERATED { x(2000), y }"))
        self.assertEqual(len(msgs), 1)
        self.assertIn("M.asn:3: y takes 0 by the ASN.1 rule but 2001", msgs[0])

    def test_shared_values_need_the_shared_word(self):
        body = "E ::= ENUMERATED {  --# ext values=0..10%s\n  rtx1(0), rsh(10), min(0), ...\n}"
        msgs = errors(module("M", body % ""))
        self.assertEqual(len(msgs), 1)
        self.assertIn("M.asn:4: min(0) shares its value with rtx1", msgs[0])
        self.assertEqual(errors(module("M", body % " shared")), [])


class References(unittest.TestCase):
    A = module("A", """
        Host ::= SEQUENCE { addr IA5String }
        Unused ::= BOOLEAN
        """)

    def test_imports_and_qualified_references(self):
        b = module("B", """
            R ::= SEQUENCE { h Host, q A.Host, u A.Unused }
            """, imports="IMPORTS Host FROM A;")
        m = load(self.A, b)
        uses = [f.use.target.qname for f in m.type("B::R").fields[:2]]
        self.assertEqual(uses, ["A::Host", "A::Host"])

    def test_reference_faults(self):
        cases = [
            ("R ::= SEQUENCE { h Hots }", "", "B.asn:3: type Hots is not defined in B and not imported"),
            ("R ::= SEQUENCE { h A.Hots }", "", "B.asn:3: type Hots is not defined in module A"),
            ("R ::= SEQUENCE { h C.Host }", "", "B.asn:3: unknown module C"),
            ("R ::= BOOLEAN", "IMPORTS Hots FROM A;", "B.asn:2: Hots is imported from A, which does not"),
            ("R ::= BOOLEAN", "IMPORTS Host FROM C;", "B.asn:2: IMPORTS from module C, which is not"),
            ("Host ::= BOOLEAN", "IMPORTS Host FROM A;", "is imported from A and also defined here"),
            ("R ::= SEQUENCE { h Host (SIZE (1)) }", "IMPORTS Host FROM A;", "constrain the type where"),
            ("R ::= S\nS ::= R", "", "B.asn:3: type B::R is defined in terms of itself"),
        ]
        for body, imports, fragment in cases:
            with self.subTest(body=body, imports=imports):
                msgs = errors(self.A, module("B", body, imports=imports))
                self.assertTrue(any(fragment in msg for msg in msgs), msgs)

    def test_unused_import_is_a_warning(self):
        m, diags = analyse(self.A, module("B", "R ::= BOOLEAN", imports="IMPORTS Host FROM A;"))
        self.assertFalse(diags.errors)
        self.assertEqual([str(w) for w in diags.warnings],
                         ["B.asn:2: Host is imported from A but not used"])


class Duplicates(unittest.TestCase):
    def test_duplicate_names_point_at_both_places(self):
        cases = [
            ("T ::= BOOLEAN\nT ::= NULL", "M.asn:4: type T is already defined at M.asn:3"),
            ("T ::= SEQUENCE {\n a INTEGER,\n a BOOLEAN }", "M.asn:5: field a of M::T is already defined at M.asn:4"),
            ("T ::= CHOICE { a NULL,\n a NULL }", "M.asn:4: alternative a of M::T is already"),
            ("T ::= ENUMERATED { a(0),\n a(1) }", "M.asn:4: name a of M::T is already"),
            ("T ::= CHOICE { f SEQUENCE { x NULL } }\nT_f ::= BOOLEAN",
             "M.asn:3: derived type name T_f is already taken by the type defined at M.asn:4"),
        ]
        for body, message in cases:
            with self.subTest(body=body):
                msgs = errors(module("M", body))
                self.assertTrue(any(message in msg for msg in msgs), msgs)

    def test_module_names(self):
        self.assertIn("M.asn:1: module N must live in a file named N.asn",
                      errors(("M.asn", "N DEFINITIONS AUTOMATIC TAGS ::= BEGIN END")))
        self.assertTrue(any("module M is already defined at M.asn:1" in msg
                            for msg in errors(module("M", ""), module("M", ""))))


class Collections(unittest.TestCase):
    def test_lists_are_one_per_element_type_and_ranges_distinct(self):
        m = load(module("M", """
            A ::= SEQUENCE { x SEQUENCE OF INTEGER, y SEQUENCE OF INTEGER (0..7),
                             z SET OF INTEGER, w SEQUENCE OF A, v INTEGER (0..7) }
            B ::= CHOICE { x SEQUENCE OF INTEGER, y SEQUENCE OF A, z INTEGER (1..3) }
            """))
        self.assertEqual(sorted((u.kind, repr(u.element)) for u in m.lists()),
                         [("SEQUENCE OF", "INTEGER"), ("SEQUENCE OF", "INTEGER (0..7)"),
                          ("SEQUENCE OF", "M::A"), ("SET OF", "INTEGER")])
        self.assertEqual(m.integer_ranges(), [(2, 0, 7), (2, 1, 3)])

    def test_reachability_follows_fields_alternatives_lists_and_aliases(self):
        m = load(module("M", """
            Root ::= SEQUENCE { a Alias, b CHOICE { c Leaf, d NULL } }
            Alias ::= SEQUENCE OF Mid
            Mid ::= SEQUENCE { e Leaf, f Root }
            Leaf ::= ENUMERATED { x(0) }
            Other ::= SEQUENCE { g Leaf }
            """))
        names = [t.name for t in m.reachable(m.type("M::Root"))]
        self.assertEqual(names, ["Root", "Mid", "Root_b", "Leaf"])


if __name__ == "__main__":
    unittest.main()
