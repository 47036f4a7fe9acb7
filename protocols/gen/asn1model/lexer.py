"""Tokens of the ASN.1 module files.

Beyond X.680 the lexer accepts one thing: an underscore inside a type
reference or an identifier (`ISDN_NumberType`, `det_lvl_dB`, `trunk_bri`).
Those names are fixed by the peers and by the generated C++ names, so they
cannot be respelled with hyphens.

Comments are X.680 comments: from "--" to the end of the line or the next
"--", and "/* ... */" (nesting allowed).  A comment that starts with "--#" is
an expectation line read by the checker (see expect.py); the lexer keeps
those apart, keyed by line.
"""

from .errors import Asn1Error, Location

KEYWORDS = frozenset("""
    ABSENT ALL APPLICATION AUTOMATIC BEGIN BIT BMPString BOOLEAN BY CHARACTER
    CHOICE CLASS COMPONENT COMPONENTS CONSTRAINED CONTAINING DEFAULT
    DEFINITIONS EMBEDDED ENCODED END ENUMERATED EXCEPT EXPLICIT EXPORTS
    EXTENSIBILITY EXTERNAL FALSE FROM GeneralizedTime GeneralString IA5String
    IDENTIFIER IMPLICIT IMPLIED IMPORTS INCLUDES INSTANCE INTEGER INTERSECTION
    MAX MIN MINUS-INFINITY NULL NumericString OBJECT OCTET OF OPTIONAL PATTERN
    PDV PLUS-INFINITY PRESENT PrintableString PRIVATE REAL RELATIVE-OID SEQUENCE
    SET SIZE STRING SYNTAX TAGS TRUE UNION UNIQUE UNIVERSAL UTCTime UTF8String
    VisibleString WITH
""".split())

# Longest first, so that "::=" wins over ":" and "..." over "..".
SYMBOLS = ("::=", "...", "..", "[[", "]]", "{", "}", "(", ")", ",", ";", ".",
           "|", "^", "[", "]", "-", ":", "@", "!", "<", ">")


class Token:
    __slots__ = ("kind", "value", "loc")

    # kind: "typeref" (upper-case initial), "ident" (lower-case initial),
    # "keyword", "number", "cstring", "symbol", "eof"
    def __init__(self, kind, value, loc):
        self.kind = kind
        self.value = value
        self.loc = loc

    def __repr__(self):
        return "Token(%s, %r, %s)" % (self.kind, self.value, self.loc)


def _is_name_char(c):
    return c.isalnum() or c in "-_"


def tokenize(text, file):
    """Returns (tokens, annotations); annotations maps a line to (col, text)."""
    tokens = []
    annotations = {}
    i, n = 0, len(text)
    line, line_start = 1, 0
    closed_by_dashes = None   # (line, position) where a comment ended at "--"

    def loc_at(pos):
        return Location(file, line, pos - line_start + 1)

    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            line_start = i + 1
            i += 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if text.startswith("--", i):
            start = i
            i += 2
            end = text.find("\n", i)
            if end < 0:
                end = n
            close = text.find("--", i, end)
            if text.startswith("#", i):
                body = text[i + 1:end if close < 0 else close].strip()
                annotations[line] = (start - line_start + 1, body)
            if close >= 0:
                closed_by_dashes = (line, close + 2)
            i = end if close < 0 else close + 2
            continue
        if text.startswith("/*", i):
            start_loc = loc_at(i)
            depth, i = 1, i + 2
            while depth:
                if i >= n:
                    raise Asn1Error(start_loc, "comment not closed with '*/'")
                if text.startswith("/*", i):
                    depth, i = depth + 1, i + 2
                elif text.startswith("*/", i):
                    depth, i = depth - 1, i + 2
                else:
                    if text[i] == "\n":
                        line += 1
                        line_start = i + 1
                    i += 1
            continue
        loc = loc_at(i)
        if c.isalpha():
            j = i + 1
            while j < n and _is_name_char(text[j]):
                if text.startswith("--", j):
                    break
                j += 1
            word = text[i:j]
            if word.endswith("-"):
                raise Asn1Error(loc, "name %r ends with a hyphen" % word)
            if word in KEYWORDS:
                kind = "keyword"
            elif word[0].isupper():
                kind = "typeref"
            else:
                kind = "ident"
            tokens.append(Token(kind, word, loc))
            i = j
            continue
        if c.isdigit():
            j = i
            while j < n and text[j].isdigit():
                j += 1
            if j < n and (text[j].isalpha() or text[j] == "_"):
                raise Asn1Error(loc, "malformed number %r" % text[i:j + 1])
            tokens.append(Token("number", int(text[i:j]), loc))
            i = j
            continue
        if c == '"':
            j, chars = i + 1, []
            while True:
                if j >= n:
                    raise Asn1Error(loc, "character string not closed")
                if text[j] == '"':
                    if text.startswith('""', j):
                        chars.append('"')
                        j += 2
                        continue
                    break
                if text[j] == "\n":
                    raise Asn1Error(loc, "character string runs past the end of the line")
                chars.append(text[j])
                j += 1
            tokens.append(Token("cstring", "".join(chars), loc))
            i = j + 1
            continue
        for sym in SYMBOLS:
            if text.startswith(sym, i):
                tokens.append(Token("symbol", sym, loc))
                i += len(sym)
                break
        else:
            hint = ""
            if closed_by_dashes and closed_by_dashes[0] == line:
                hint = " (a '--' inside a comment ends the comment)"
            raise Asn1Error(loc, "unexpected character %r%s" % (c, hint))
    tokens.append(Token("eof", None, Location(file, line, i - line_start + 1)))
    return tokens, annotations
