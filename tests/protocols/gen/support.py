"""Helpers shared by the generator's tests: the import path and small modules."""

import os
import sys
import textwrap

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", ".."))
GEN = os.path.join(ROOT, "protocols", "gen")
ASN1_DIR = os.path.join(ROOT, "protocols", "asn1")
sys.path.insert(0, GEN)

import asn1model  # noqa: E402


def module(name, body, imports=""):
    """The text of a module file `name`.asn with the given assignments."""
    return (name + ".asn", "%s DEFINITIONS AUTOMATIC TAGS ::= BEGIN\n%s\n%s\nEND\n"
            % (name, imports, textwrap.dedent(body)))


def analyse(*sources, **kw):
    return asn1model.analyse(list(sources), **kw)


def errors(*sources, **kw):
    """The error messages of analysing the sources (empty when all is well)."""
    return [str(e) for e in analyse(*sources, **kw)[1].errors]


def load(*sources, **kw):
    return asn1model.load(list(sources), **kw)
