"""The nine protocol modules: the checker passes them, the facts the wire
depends on hold, and a slip in a copy of them fails with its place."""

import glob
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
from contextlib import redirect_stderr, redirect_stdout

from support import ASN1_DIR, GEN, asn1model

FILES = sorted(glob.glob(os.path.join(ASN1_DIR, "*.asn")))


def run_cli(files):
    import asn1gen
    out, err = io.StringIO(), io.StringIO()
    with redirect_stdout(out), redirect_stderr(err):
        rc = asn1gen.main(["--check"] + files)
    return rc, out.getvalue(), err.getvalue()


class SystemModules(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.m = asn1model.load(FILES, profile=asn1model.SYSTEM_PROFILE, require_expect=True)

    def alternatives(self, qname):
        return [a.name for a in self.m.type(qname).alternatives]

    def test_envelope(self):
        msg = self.m.type("LGCP::Message")
        self.assertEqual([(f.name, f.optional_id) for f in msg.fields],
                         [("seq", 0), ("slot", 1), ("pdu", None)])
        self.assertEqual(msg.fields[1].use.range_key(), (2, 0, 1023))
        command = self.m.type("LGCP::Command")
        self.assertTrue(command.extensible)
        self.assertEqual(self.alternatives("LGCP::Command")[12:], ["ping", "display", "protoZeri"])
        self.assertEqual(self.alternatives("LGCP::Signal")[18], "protoZeri")
        self.assertEqual(len(self.m.type("LGCP::Signal").root_alternatives), 23)

    def test_extension_additions_where_they_belong(self):
        tonec = self.m.type("LGCP::TonecCode")
        self.assertEqual([(a.name, a.index) for a in tonec.extension_alternatives],
                         [("dtmfDone", 6)])
        params = self.m.type("TERM::TermParams")
        self.assertEqual((params.optional_count, len(params.extension_fields)), (6, 13))
        self.assertEqual(params.extension_fields[0].name, "traceLevel")
        self.assertEqual(params.extension_fields[0].optional_id, 6)
        isdn = self.m.type("TERM::ISDN_NumberType")
        self.assertEqual([f.name for f in isdn.extension_fields], ["screeningInd"])
        acp = self.m.type("ACP::AcpCommand")
        self.assertEqual((len(acp.root_alternatives), len(acp.extension_alternatives)), (6, 11))

    def test_enumerations_coded_by_value(self):
        cases = {"TERM::ED137CauseCode": 2099, "ZEDORO::ProtoZeriMsgID": 13056,
                 "TERM::IpQoSDSCP": 56, "TERM::RadioStandby": 1, "ZEDORO::ProtoZeriAnalogGainIDV1": 255,
                 "ZEDORO::ProtoZeriAnalogRadioState": 0, "LGCP::ErrorCause": 12}
        for qname, top in cases.items():
            with self.subTest(qname):
                self.assertEqual(self.m.type(qname).max_root_value, top)
        gain = {i.name: i.value for i in self.m.type("ZEDORO::ProtoZeriAnalogGainIDV1").items}
        self.assertEqual((gain["rtx1"], gain["min"], gain["rsh"], gain["max"], gain["mux"]),
                         (0, 0, 10, 10, 11))
        standby = self.m.type("TERM::RadioStandby").items
        self.assertEqual([(i.name, i.value) for i in standby], [("not-use", -1), ("active", 0), ("standby", 1)])

    def test_nested_and_derived_types(self):
        dname = self.m.type("TERM::RtpParams::dname::value_type")
        self.assertEqual((dname.base, dname.size.lower, dname.size.upper), ("IA5String", 1, 64))
        for qname in ("LGCP::PlayerParams_network", "LGCP::DTMFParams_threshold",
                      "LGCP::MixerResources_subtype", "TERM::ISDN_NumberType_screeningInd"):
            self.assertIsNotNone(self.m.type(qname), qname)
        slot = self.m.type("LGCP::AtsQsigBParams").fields[0]
        self.assertEqual(slot.use.range_key(), (2, 0, 1023))

    def test_cli_prints_the_counts(self):
        rc, out, err = run_cli(FILES)
        self.assertEqual((rc, err), (0, ""))
        for line in ("types: 508 (290 SEQUENCE, 110 CHOICE, 107 ENUMERATED, 1 constrained string)",
                     "lists: 32 SEQUENCE OF, 1 SET OF", "constrained INTEGER ranges: 22",
                     "reachable from LGCP::Message: 328 types", "reachable from MON::Message: 19 types"):
            self.assertIn(line, out)


class SlipsInACopy(unittest.TestCase):
    """Edits a copy of the modules as a careless transcription would."""

    def setUp(self):
        self.dir = tempfile.mkdtemp()
        for f in FILES:
            shutil.copy(f, self.dir)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def edit(self, name, old, new):
        path = os.path.join(self.dir, name)
        with open(path) as f:
            text = f.read()
        self.assertIn(old, text)
        with open(path, "w") as f:
            f.write(text.replace(old, new, 1))
        line = text[:text.index(old)].count("\n") + 1
        return line

    def check(self):
        return run_cli(sorted(glob.glob(os.path.join(self.dir, "*.asn"))))

    def test_slips_fail_with_their_place(self):
        cases = [
            ("LGCP.asn", "    ping       NULL,\n", "", r"LGCP\.asn:\d+: LGCP::Command has 14 root alternatives"),
            ("TERM.asn", "    ssrc     INTEGER (0..4294967295) OPTIONAL,",
             "    ssrc     INTEGER (0..4294967295),", r"TERM\.asn:\d+: TERM::RtpParams has 11 OPTIONAL"),
            ("ACP.asn", "    disabled(6)\n", "    disabled(7)\n", r"ACP\.asn:\d+: ACP::TrunkState: the largest root value is 7"),
            ("LGCP.asn", "    ...,\n    dtmfDone", "    dtmfDone", r"LGCP\.asn:\d+: LGCP::TonecCode has 7 root alternatives"),
            ("MON.asn", "    ping              NULL,\n    ...", "    ping              NULL",
             r"MON\.asn:\d+: MON::Command has no extension marker"),
            ("ZEDORO.asn", "    fake(255),", "    fake(254),",
             r"ZEDORO\.asn:\d+: ZEDORO::ProtoZeriAnalogGainIDV1: the largest root value is 254"),
            ("TERM.asn", "    ...,\n    traceLevel", "    traceLevel", r"TERM\.asn:\d+: TERM::TermParams has 19 root fields"),
            ("LGCP.asn", "    userData   OCTET STRING,", "    userData   OCTET STRIN,", r"LGCP\.asn:\d+: expected STRING"),
            ("LGCP.asn", "    activate   TermActivateParams,", "    activate   TermActivateParam,",
             r"LGCP\.asn:\d+: type TermActivateParam is not defined in LGCP"),
        ]
        for name, old, new, pattern in cases:
            with self.subTest(name=name, old=old):
                self.setUp()
                self.edit(name, old, new)
                rc, out, err = self.check()
                self.assertEqual(rc, 1)
                self.assertRegex(err, pattern)

    def test_unreachable_root_type_changes_the_count(self):
        self.edit("LGCP.asn", "    selcal           SelcalEvent,\n", "")
        self.edit("LGCP.asn", "Signal ::= CHOICE {  --# ext root=23", "Signal ::= CHOICE {  --# ext root=22")
        rc, out, err = self.check()
        self.assertEqual(rc, 1)
        self.assertRegex(err, r"LGCP\.asn:\d+: 327 types reachable from LGCP::Message, expected 328")

    def test_script_runs_as_a_program(self):
        proc = subprocess.run([sys.executable, os.path.join(GEN, "asn1gen.py"), "--check"] + FILES,
                              capture_output=True, text=True)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertTrue(proc.stdout.endswith("ok\n"))
        self.assertTrue(re.search(r"^  TERM +159 types", proc.stdout, re.M))


if __name__ == "__main__":
    unittest.main()
