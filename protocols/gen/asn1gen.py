#!/usr/bin/env python3
"""Generator of the protocol modules' C++ types from the ASN.1 module files.

    asn1gen.py --check protocols/asn1/*.asn
    asn1gen.py --emit OUT_DIR protocols/asn1/*.asn

Both parse the modules, build the model and run every check (each "--#"
line, the totals of the system profile, reachability from LGCP::Message and
MON::Message).  --check prints the counts; --emit also checks what the C++
needs and writes <MOD>.h and <MOD>.cpp per module and Registry.cpp into
OUT_DIR.  Exit status 0 when all is well, 1 on any fault (each printed as
"file:line: message"; --emit then writes nothing), 2 on a usage error.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from asn1model import SYSTEM_PROFILE, analyse, counts  # noqa: E402
from asn1model.check import reachable_count  # noqa: E402
import asn1emit  # noqa: E402


def report(model, profile, out):
    kinds, lists, ranges = counts(model)
    total = sum(kinds.values())
    out.write("modules: %d (%s)\n" % (len(model.modules), ", ".join(m.name for m in model.modules)))
    out.write("types: %d (%d SEQUENCE, %d CHOICE, %d ENUMERATED, %d constrained string)\n"
              % (total, kinds.get("SEQUENCE", 0), kinds.get("CHOICE", 0),
                 kinds.get("ENUMERATED", 0), kinds.get("STRING", 0)))
    out.write("lists: %d SEQUENCE OF, %d SET OF\n"
              % (lists.get("SEQUENCE OF", 0), lists.get("SET OF", 0)))
    out.write("constrained INTEGER ranges: %d\n" % ranges)
    for m in model.modules:
        out.write("  %-7s %3d types, %d aliases\n" % (m.name, len(m.types), len(m.aliases)))
    for qname in sorted(profile.roots) if profile else []:
        root = model.type(qname)
        if root is not None:
            types = model.reachable(root)
            named = reachable_count(types)
            out.write("reachable from %s: %d types%s\n" % (
                qname, named, " (and %d constrained string field type)" % (len(types) - named)
                if len(types) > named else ""))


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    action = ap.add_mutually_exclusive_group(required=True)
    action.add_argument("--check", action="store_true",
                        help="parse and check the modules and print the counts")
    action.add_argument("--emit", metavar="OUT_DIR",
                        help="check the modules and write their C++ into OUT_DIR")
    ap.add_argument("--no-profile", action="store_true",
                    help="skip the totals of the system's nine modules (for a partial set)")
    ap.add_argument("files", nargs="+", help="module files, one module each")
    args = ap.parse_args(argv)
    profile = None if args.no_profile else SYSTEM_PROFILE
    model, diags = analyse(args.files, profile=profile, require_expect=not args.no_profile)
    for w in diags.warnings:
        sys.stderr.write("%s (warning)\n" % w)
    if model is not None and not diags and args.emit:
        diags = asn1emit.emit(model, args.emit)
    elif model is not None:
        report(model, profile, sys.stdout)
    if diags:
        for e in diags.errors:
            sys.stderr.write("%s\n" % e)
        sys.stderr.write("%d error(s)\n" % len(diags.errors))
        return 1
    if args.check:
        sys.stdout.write("ok\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
