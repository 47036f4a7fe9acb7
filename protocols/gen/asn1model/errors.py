"""Source locations and the errors of the ASN.1 front end."""


class Location:
    """A place in a module file: file name, line and column (both from 1)."""

    __slots__ = ("file", "line", "col")

    def __init__(self, file, line, col=0):
        self.file = file
        self.line = line
        self.col = col

    def __str__(self):
        return "%s:%d" % (self.file, self.line)

    def __repr__(self):
        return "Location(%r, %d, %d)" % (self.file, self.line, self.col)


class Asn1Error(Exception):
    """One fault found in the module files, always with the place it was found."""

    def __init__(self, loc, message):
        Exception.__init__(self, "%s: %s" % (loc, message))
        self.loc = loc
        self.message = message


class Diagnostics:
    """Errors and warnings collected by the build and the checks.

    Parsing stops at the first syntax error (raised as Asn1Error); everything
    after it collects as many faults as it can find, each with its place.
    """

    def __init__(self):
        self.errors = []
        self.warnings = []

    def error(self, loc, message):
        self.errors.append(Asn1Error(loc, message))

    def warning(self, loc, message):
        self.warnings.append(Asn1Error(loc, message))

    def __bool__(self):
        return bool(self.errors)

    def messages(self):
        return [str(e) for e in self.errors]
