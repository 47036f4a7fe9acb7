"""Front half of the ASN.1 generator of the protocol modules: the parser,
the model and the checks.  Standard library only.

    from asn1model import load
    model = load(["protocols/asn1/LGCP.asn", ...])

The model classes are documented in model.py; the checks in check.py and
expect.py.
"""

from .errors import Asn1Error, Diagnostics, Location
from .parser import parse_file, parse_text
from .build import build_model
from .check import check_model, counts
from .expect import SYSTEM_PROFILE, Profile
from . import model


class ModelError(Exception):
    """Raised by load() with every error found (each "file:line: message")."""

    def __init__(self, diags):
        Exception.__init__(self, "\n".join(diags.messages()))
        self.diags = diags


def analyse(sources, profile=None, require_expect=False):
    """Parses, builds and checks.  `sources` are paths, or (file name, text)
    pairs.  Returns (model, diags).  A syntax error ends parsing and is the
    only error reported; model is None then, and also when names could not
    be resolved (the checks need a whole model)."""
    diags = Diagnostics()
    defs = []
    for src in sources:
        try:
            if isinstance(src, tuple):
                defs.append(parse_text(src[1], src[0]))
            else:
                defs.append(parse_file(src))
        except Asn1Error as e:
            diags.errors.append(e)
            return None, diags
        except OSError as e:
            diags.error(Location(str(src), 0), "cannot read: %s" % e.strerror)
            return None, diags
    m = build_model(defs, diags)
    if diags:
        return None, diags
    check_model(m, diags, profile=profile, require_expect=require_expect)
    return m, diags


def load(sources, profile=None, require_expect=False):
    """As analyse(), but raises ModelError when anything is wrong."""
    m, diags = analyse(sources, profile, require_expect)
    if diags:
        raise ModelError(diags)
    return m
