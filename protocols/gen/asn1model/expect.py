"""Expectations the checker holds the modules to.

1. The "--#" line.  Each SEQUENCE, CHOICE and ENUMERATED carries, on the line
   that opens it, a comment stating what its definition must come to:

       Command ::= CHOICE {            --# ext root=15
       TonecCode ::= CHOICE {          --# ext root=6 add=1
       RtpParams ::= SEQUENCE {        --# ext fields=14 opt=12
       TermParams ::= SEQUENCE {       --# ext fields=6 opt=6 add=13
       ErrorCause ::= ENUMERATED {     --# ext values=0..12
       ProtoZeriAnalogGainIDV1 ::= ENUMERATED {  --# ext values=0..255 shared

   ext / noext   the type has / has not an extension marker
   root=N        CHOICE: number of root alternatives
   fields=N      SEQUENCE: number of root fields
   opt=N         SEQUENCE: number of OPTIONAL root fields (the optional-field map)
   add=N         extension additions (alternatives or fields); 0 when left out
   values=0..N   ENUMERATED: the root range; N must be the largest root value,
                 which is what the coder codes the value against
   shared        ENUMERATED: names may share a value (see below)

   The counts are written from the message definitions independently of the
   member lists, so a dropped, doubled or misplaced member fails the check.

   Sharing values is an extension of ASN.1, which wants the values of an
   ENUMERATED distinct: a few radio gateway enumerations give one number
   several names (`min` and `rtx1` are both 0).  Only a type that says
   `shared` may do so, so an accidental duplicate still fails.

2. The profile of the whole set of modules: totals that the runtime and the
   controller depend on (how many generated types, lists and constrained
   integers; which types a control or monitoring message can reach; where
   extension additions may appear).  See SYSTEM_PROFILE.
"""

import re

KEYS = {"ext", "noext", "shared", "root", "add", "fields", "opt", "values"}


def parse_expectation(text, loc, diags):
    """Parses the text after "--#" into a dict; faults go to diags."""
    out = {}
    for word in text.split():
        key, sep, value = word.partition("=")
        if key not in KEYS or (sep == "") != (key in ("ext", "noext", "shared")):
            diags.error(loc, "unknown word %r in the '--#' line" % word)
            continue
        if key in out or (key in ("ext", "noext") and ("ext" in out or "noext" in out)):
            diags.error(loc, "%r given twice in the '--#' line" % key)
            continue
        if key in ("ext", "noext", "shared"):
            out[key] = True
        elif key == "values":
            m = re.fullmatch(r"(-?\d+)\.\.(-?\d+)", value)
            if not m:
                diags.error(loc, "values= needs a range lo..hi, not %r" % value)
                continue
            out[key] = (int(m.group(1)), int(m.group(2)))
        else:
            if not value.isdigit():
                diags.error(loc, "%s= needs a count, not %r" % (key, value))
                continue
            out[key] = int(value)
    if "ext" not in out and "noext" not in out:
        diags.error(loc, "the '--#' line must say ext or noext")
    return out


ALLOWED = {
    "SEQUENCE": {"ext", "noext", "fields", "opt", "add"},
    "CHOICE": {"ext", "noext", "root", "add"},
    "ENUMERATED": {"ext", "noext", "values", "shared"},
}

REQUIRED = {"SEQUENCE": ("fields", "opt"), "CHOICE": ("root",), "ENUMERATED": ("values",)}


def check_expectation(t, diags):
    """Holds one defined type to its "--#" line."""
    e = t.expect
    if e is None:
        return
    loc = t.loc
    for key in sorted(set(e) - ALLOWED[t.kind]):
        diags.error(loc, "'%s' does not apply to a %s ('--#' line of %s)" % (key, t.kind, t.qname))
    for key in REQUIRED[t.kind]:
        if key not in e:
            diags.error(loc, "the '--#' line of %s must give %s=" % (t.qname, key))
    has_marker = "ext" in e
    if has_marker != t.extensible:
        diags.error(loc, "%s has %s extension marker, but its '--#' line says %s"
                    % (t.qname, "an" if t.extensible else "no",
                       "ext" if has_marker else "noext"))

    def compare(key, actual, what):
        want = e.get(key, 0 if key == "add" else None)
        if want is not None and want != actual:
            diags.error(loc, "%s has %d %s, its '--#' line says %s=%d"
                        % (t.qname, actual, what, key, want))

    if t.kind == "SEQUENCE":
        compare("fields", len(t.root_fields), "root fields")
        compare("opt", t.optional_count, "OPTIONAL root fields")
        compare("add", len(t.extension_fields), "extension additions")
    elif t.kind == "CHOICE":
        compare("root", len(t.root_alternatives), "root alternatives")
        compare("add", len(t.extension_alternatives), "extension alternatives")
    elif t.kind == "ENUMERATED" and "values" in e:
        lo, hi = e["values"]
        top = t.max_root_value
        if lo != 0:
            diags.error(loc, "%s: the coder codes an ENUMERATED in 0..N; its '--#' line says "
                        "values=%d..%d" % (t.qname, lo, hi))
        if hi != top:
            diags.error(loc, "%s: the largest root value is %d, its '--#' line says values=%d..%d"
                        % (t.qname, top, lo, hi))


class Profile:
    """Totals and placement rules for one set of modules (see the module doc)."""

    def __init__(self, modules, kinds, lists, integer_ranges, roots,
                 sequences_with_additions, choices_with_additions):
        self.modules = tuple(modules)
        self.kinds = dict(kinds)                  # kind -> number of defined types
        self.lists = dict(lists)                  # "SEQUENCE OF" / "SET OF" -> instances
        self.integer_ranges = integer_ranges      # distinct constrained INTEGER ranges
        self.roots = dict(roots)                  # root qname -> reachable SEQUENCE, CHOICE
                                                  # and ENUMERATED types, the root included
        self.sequences_with_additions = frozenset(sequences_with_additions)
        self.choices_with_additions = frozenset(choices_with_additions)

    @property
    def types(self):
        return sum(self.kinds.values())


# The nine protocol modules of this system.  The control connection and the
# SNMP agent links code LGCP::Message and MON::Message; nothing they reach has
# a SEQUENCE extension addition, and of the CHOICE types they reach only
# LGCP::TonecCode has one.  The other families (CCP::Message, HSP::HspPDU)
# are generated whole but never coded.
SYSTEM_PROFILE = Profile(
    modules=("LGCP", "TERM", "ACP", "MON", "ZEDORO", "HSP", "BASE", "CCP", "MEDIA"),
    kinds={"SEQUENCE": 290, "CHOICE": 110, "ENUMERATED": 107, "STRING": 1},
    lists={"SEQUENCE OF": 32, "SET OF": 1},
    integer_ranges=22,
    roots={"LGCP::Message": 328, "MON::Message": 19},
    sequences_with_additions=("TERM::TermParams", "TERM::ISDN_NumberType"),
    choices_with_additions=("LGCP::TonecCode", "ACP::AcpCommand", "ACP::AcpResponse"),
)
