"""Checks of a built model: what a transcription of the modules can get wrong
and what the runtime cannot represent."""

from .expect import check_expectation
from .model import IntegerUse, ListUse

INT32_MIN = -2 ** 31
INT32_MAX = 2 ** 31 - 1
UINT32_MAX = 2 ** 32 - 1


def check_model(model, diags, profile=None, require_expect=False):
    for t in model.types():
        if t.kind in ("SEQUENCE", "CHOICE", "ENUMERATED"):
            if t.expect is None and require_expect:
                diags.error(t.loc, "%s has no '--#' line stating its counts" % t.qname)
            check_expectation(t, diags)
        if t.kind == "ENUMERATED" and t.max_root_value < 0:
            diags.error(t.loc, "%s: the largest root value is negative, so no value of it can "
                        "be coded" % t.qname)
        if t.kind == "STRING" and t.size is not None:
            check_size(t.size, diags)
    for u in model.all_uses():
        if isinstance(u, IntegerUse):
            check_integer(u, diags)
        elif isinstance(u, ListUse) and u.size is not None:
            check_size(u.size, diags)
    if profile is not None:
        check_profile(model, profile, diags)


def check_integer(u, diags):
    """The runtime keeps an INTEGER constraint as a signed 32-bit lower bound
    and an unsigned 32-bit upper bound (signed when the lower bound is
    negative)."""
    lo, hi = u.lower, u.upper
    if lo is not None and not INT32_MIN <= lo <= UINT32_MAX:
        diags.error(u.loc, "lower bound %d does not fit 32 bits" % lo)
    if hi is not None:
        limit = INT32_MAX if lo is not None and lo < 0 else UINT32_MAX
        if not INT32_MIN <= hi <= limit:
            diags.error(u.loc, "upper bound %d does not fit 32 bits%s"
                        % (hi, " with a negative lower bound" if limit == INT32_MAX else ""))
    if lo is not None and lo > INT32_MAX:
        diags.error(u.loc, "lower bound %d does not fit a signed 32-bit number" % lo)
    if lo is not None and hi is not None and lo > hi:
        diags.error(u.loc, "empty range %d..%d" % (lo, hi))
    if lo is None and hi is not None:
        diags.error(u.loc, "a range without a lower bound (MIN..%d) cannot be coded" % hi)


def check_size(size, diags):
    if size.lower < 0:
        diags.error(size.loc, "negative size %d" % size.lower)
    if size.upper is not None:
        if size.upper > UINT32_MAX:
            diags.error(size.loc, "size %d does not fit 32 bits" % size.upper)
        if size.lower > size.upper:
            diags.error(size.loc, "empty size range %d..%d" % (size.lower, size.upper))


def counts(model):
    """The totals the checker prints and compares with a profile."""
    kinds = {}
    for t in model.types():
        kinds[t.kind] = kinds.get(t.kind, 0) + 1
    lists = {}
    for u in model.lists():
        lists[u.kind] = lists.get(u.kind, 0) + 1
    return kinds, lists, len(model.integer_ranges())


def reachable_count(types):
    """Reachable types as the profile counts them: the SEQUENCE, CHOICE and
    ENUMERATED types; a constrained string is part of the field it is nested
    in (RtpParams::dname::value_type) and counted with the string types."""
    return sum(1 for t in types if t.kind != "STRING")


def allowed(qnames, kind):
    if not qnames:
        return "no %s of these modules may" % kind
    return "only %s may" % ", ".join(sorted(qnames))


def check_profile(model, profile, diags):
    head = model.modules[0].loc if model.modules else None
    names = [m.name for m in model.modules]
    missing = [m for m in profile.modules if m not in names]
    extra = [m for m in names if m not in profile.modules]
    if missing or extra:
        diags.error(head, "the modules given are not the system's: %s%s"
                    % ("missing " + ", ".join(missing) if missing else "",
                       ("; " if missing else "") + "unexpected " + ", ".join(extra) if extra else ""))
        return
    kinds, lists, ranges = counts(model)
    for kind, want in sorted(profile.kinds.items()):
        if kinds.get(kind, 0) != want:
            diags.error(head, "%d %s types defined, expected %d" % (kinds.get(kind, 0), kind, want))
    for kind, want in sorted(profile.lists.items()):
        if lists.get(kind, 0) != want:
            diags.error(head, "%d %s instances, expected %d" % (lists.get(kind, 0), kind, want))
    if ranges != profile.integer_ranges:
        diags.error(head, "%d constrained INTEGER ranges, expected %d"
                    % (ranges, profile.integer_ranges))
    reached = set()
    for qname, want in sorted(profile.roots.items()):
        root = model.type(qname)
        if root is None:
            diags.error(head, "root type %s is not defined" % qname)
            continue
        types = model.reachable(root)
        reached.update(id(t) for t in types)
        named = reachable_count(types)
        if named != want:
            diags.error(root.loc, "%d types reachable from %s, expected %d"
                        % (named, qname, want))
    for t in model.types():
        if t.kind == "SEQUENCE" and t.extension_fields and \
                t.qname not in profile.sequences_with_additions:
            diags.error(t.extension_fields[0].loc, "%s has extension additions; %s"
                        % (t.qname, allowed(profile.sequences_with_additions, "SEQUENCE")))
        if t.kind == "CHOICE" and t.extension_alternatives and \
                t.qname not in profile.choices_with_additions:
            diags.error(t.extension_alternatives[0].loc, "%s has extension alternatives; %s"
                        % (t.qname, allowed(profile.choices_with_additions, "CHOICE")))
    for qname in sorted(profile.sequences_with_additions | profile.choices_with_additions):
        t = model.type(qname)
        if t is None:
            diags.error(head, "%s is not defined" % qname)
        elif not (t.extension_fields if t.kind == "SEQUENCE" else
                  getattr(t, "extension_alternatives", None)):
            diags.error(t.loc, "%s should have extension additions and has none" % qname)
        elif t.kind == "SEQUENCE" and id(t) in reached:
            diags.error(t.loc, "%s has extension additions and is reachable from a root; "
                        "the coded messages hold none" % qname)
