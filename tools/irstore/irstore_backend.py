# -*- python -*-
# irstore_backend: an omniidl back end that hands the irstore tool every
# definition of the file it is run on, including what that file includes.
#
#   omniidl -p DIR -b irstore_backend [-I...] [-D...] FILE.idl
#
# Output on standard output, one record a line, fields separated by TAB:
#
#   irstore-idl 1                       first line, the format's version
#   file PATH MAIN                      every file that contributed (MAIN 1/0)
#   def KIND REPID CONTAINER NAME FILE LINE
#     ... records of the definition ...
#   end
#   skipped WHAT SCOPED-NAME REPID FILE LINE   a definition the repository cannot keep
#
# KIND is module, interface, operation, attribute, constant, exception,
# alias, struct, union or enum; CONTAINER is the repository id of the
# enclosing definition, empty at the top level. A type is written as its IDL
# spelling followed by the repository ids of the named definitions it uses.
# Records of a definition:
#
#   forward                       only declared here: create it if missing
#   abstract / local              interface flags
#   base REPID                    a direct base interface, in order
#   type ROLE SPELLING REF...     ROLE: result, attribute, constant, original,
#                                 discriminator
#   param MODE NAME SPELLING REF...   MODE: in, out, inout
#   raises REPID / context TEXT / oneway / readonly / value TEXT
#   member NAME SPELLING REF...   struct and exception members
#   case LABEL NAME SPELLING REF...   one record per label; LABEL "default"
#   enumerator NAME
#
# Each field escapes backslash, TAB, newline, carriage return and every other
# control character (\\ \t \n \r \xHH), so a field may hold any text.

import io
import sys

from omniidl import idlast, idltype, idlutil

FORMAT_VERSION = "1"

_BASE_TYPES = {
    idltype.tk_void: "void",
    idltype.tk_short: "short",
    idltype.tk_long: "long",
    idltype.tk_ushort: "unsigned short",
    idltype.tk_ulong: "unsigned long",
    idltype.tk_float: "float",
    idltype.tk_double: "double",
    idltype.tk_boolean: "boolean",
    idltype.tk_char: "char",
    idltype.tk_octet: "octet",
    idltype.tk_any: "any",
    idltype.tk_TypeCode: "TypeCode",
    idltype.tk_Principal: "Principal",
    idltype.tk_longlong: "long long",
    idltype.tk_ulonglong: "unsigned long long",
    idltype.tk_longdouble: "long double",
    idltype.tk_wchar: "wchar",
}

_MODES = {0: "in", 1: "out", 2: "inout"}


def escape(text):
    out = []
    for ch in str(text):
        code = ord(ch)
        if ch == "\\":
            out.append("\\\\")
        elif ch == "\t":
            out.append("\\t")
        elif ch == "\n":
            out.append("\\n")
        elif ch == "\r":
            out.append("\\r")
        elif code < 0x20 or code == 0x7f:
            out.append("\\x%02x" % code)
        else:
            out.append(ch)
    return "".join(out)


def scoped(names):
    return "::" + "::".join(names)


def stored_repid(decl):
    """The repository id of a declaration the repository keeps, or None."""
    if decl.builtIn():
        return None
    if isinstance(decl, (idlast.Interface, idlast.Forward, idlast.Struct,
                         idlast.StructForward, idlast.Union,
                         idlast.UnionForward, idlast.Enum, idlast.Exception,
                         idlast.Declarator)):
        return decl.repoId()
    return None


class TypeSpeller:
    """An IDL spelling of a type and the named definitions it uses."""

    def __init__(self):
        self.references = []

    def spell(self, t):
        if isinstance(t, idltype.Base):
            return _BASE_TYPES[t.kind()]
        if isinstance(t, idltype.String):
            return "string<%d>" % t.bound() if t.bound() else "string"
        if isinstance(t, idltype.WString):
            return "wstring<%d>" % t.bound() if t.bound() else "wstring"
        if isinstance(t, idltype.Sequence):
            inner = self.spell(t.seqType())
            if t.bound():
                return "sequence<%s, %d>" % (inner, t.bound())
            return "sequence<%s>" % inner
        if isinstance(t, idltype.Fixed):
            if t.digits():
                return "fixed<%d, %d>" % (t.digits(), t.scale())
            return "fixed"
        if isinstance(t, idltype.Declared):
            decl = t.decl()
            if decl.builtIn():
                return t.name()
            repid = stored_repid(decl)
            if repid is not None and repid not in self.references:
                self.references.append(repid)
            return scoped(t.scopedName())
        raise ValueError("a type omniidl gave that irstore does not know: %r" % (t,))


def spelled(t, sizes=()):
    speller = TypeSpeller()
    spelling = speller.spell(t) + "".join("[%d]" % size for size in sizes)
    return [spelling] + speller.references


def label_text(label):
    if label.default():
        return "default"
    return value_text(label.labelKind(), label.value())


def value_text(kind, value):
    if kind == idltype.tk_enum:
        return scoped(value.scopedName())
    if kind == idltype.tk_string:
        return '"' + idlutil.escapifyString(value) + '"'
    if kind == idltype.tk_wstring:
        return 'L"' + idlutil.escapifyWString(value) + '"'
    if kind == idltype.tk_char:
        return "'" + idlutil.escapifyString(value) + "'"
    if kind == idltype.tk_wchar:
        return "L'" + idlutil.escapifyWString([value]) + "'"
    if kind == idltype.tk_boolean:
        return "TRUE" if value else "FALSE"
    if kind in (idltype.tk_float, idltype.tk_double, idltype.tk_longdouble):
        return idlutil.reprFloat(value)
    if kind == idltype.tk_fixed:
        return str(value) + "d"
    return str(value)


class Emitter:
    """Walks the tree and writes the records."""

    def __init__(self, out):
        self.out = out
        self.scope = [""]        # repository ids of the enclosing definitions
        self.emitted = set()     # repository ids already written
        self.files = {}          # file -> main

    def record(self, *fields):
        self.out.write("\t".join(escape(f) for f in fields) + "\n")

    def begin(self, kind, decl, name=None):
        """Starts a definition; False when it was written before."""
        repid = decl.repoId()
        if repid in self.emitted:
            return False
        self.emitted.add(repid)
        self.files.setdefault(decl.file(), decl.mainFile())
        self.record("def", kind, repid, self.scope[-1],
                    name if name is not None else decl.identifier(),
                    decl.file(), str(decl.line()))
        return True

    def end(self):
        self.record("end")

    def skip(self, what, decl):
        self.files.setdefault(decl.file(), decl.mainFile())
        self.record("skipped", what, scoped(decl.scopedName()), decl.repoId(),
                    decl.file(), str(decl.line()))

    # Containers --------------------------------------------------------

    def visitAST(self, node):
        for decl in node.declarations():
            decl.accept(self)

    def visitModule(self, node):
        if self.begin("module", node):
            self.end()
        self.scope.append(node.repoId())
        for decl in node.definitions():
            decl.accept(self)
        self.scope.pop()

    def visitInterface(self, node):
        if not self.begin("interface", node):
            return
        if node.abstract():
            self.record("abstract")
        if node.local():
            self.record("local")
        for base in node.inherits():
            base = base.fullDecl()
            # A base named through a typedef is the interface it names.
            while isinstance(base, idlast.Declarator):
                base = base.alias().aliasType().decl().fullDecl()
            self.record("base", base.repoId())
        self.end()
        self.scope.append(node.repoId())
        for decl in node.contents():
            decl.accept(self)
        self.scope.pop()

    def visitForward(self, node):
        # The full declaration, where there is one, is written where it stands.
        if node.fullDecl() is None or node.fullDecl() is node:
            if self.begin("interface", node):
                self.record("forward")
                if node.abstract():
                    self.record("abstract")
                if node.local():
                    self.record("local")
                self.end()

    def visitStructForward(self, node):
        if node.fullDecl() is None or node.fullDecl() is node:
            if self.begin("struct", node):
                self.record("forward")
                self.end()

    def visitUnionForward(self, node):
        if node.fullDecl() is None or node.fullDecl() is node:
            if self.begin("union", node):
                self.record("forward")
                self.end()

    # Types ------------------------------------------------------------

    def constructed(self, has_constr, t):
        """Writes a struct, union or enum declared inside another declaration."""
        if has_constr:
            t.decl().accept(self)

    def visitTypedef(self, node):
        self.constructed(node.constrType(), node.aliasType())
        for declarator in node.declarators():
            if self.begin("alias", declarator):
                self.record("type", "original",
                            *spelled(node.aliasType(), declarator.sizes()))
                self.end()

    def members(self, node, members):
        """Nested declarations first (they live in the definition), then its records."""
        self.scope.append(node.repoId())
        for member in members:
            self.constructed(member.constrType(), member.memberType())
        self.scope.pop()

    def member_records(self, members):
        for member in members:
            for declarator in member.declarators():
                self.record("member", declarator.identifier(),
                            *spelled(member.memberType(), declarator.sizes()))

    def visitStruct(self, node):
        if not self.begin("struct", node):
            return
        self.member_records(node.members())
        self.end()
        self.members(node, node.members())

    def visitException(self, node):
        if not self.begin("exception", node):
            return
        self.member_records(node.members())
        self.end()
        self.members(node, node.members())

    def visitUnion(self, node):
        if not self.begin("union", node):
            return
        self.record("type", "discriminator", *spelled(node.switchType()))
        for case in node.cases():
            declarator = case.declarator()
            member_type = spelled(case.caseType(), declarator.sizes())
            for label in case.labels():
                self.record("case", label_text(label), declarator.identifier(),
                            *member_type)
        self.end()
        self.scope.append(node.repoId())
        self.constructed(node.constrType(), node.switchType())
        for case in node.cases():
            self.constructed(case.constrType(), case.caseType())
        self.scope.pop()

    def visitEnum(self, node):
        if not self.begin("enum", node):
            return
        for enumerator in node.enumerators():
            self.record("enumerator", enumerator.identifier())
        self.end()

    def visitConst(self, node):
        if not self.begin("constant", node):
            return
        self.record("type", "constant", *spelled(node.constType()))
        self.record("value", value_text(node.constKind(), node.value()))
        self.end()

    # Interface contents -------------------------------------------------

    def visitAttribute(self, node):
        for declarator in node.declarators():
            if self.begin("attribute", declarator):
                if node.readonly():
                    self.record("readonly")
                self.record("type", "attribute", *spelled(node.attrType()))
                self.end()

    def visitOperation(self, node):
        if not self.begin("operation", node):
            return
        if node.oneway():
            self.record("oneway")
        self.record("type", "result", *spelled(node.returnType()))
        for parameter in node.parameters():
            self.record("param", _MODES[parameter.direction()],
                        parameter.identifier(), *spelled(parameter.paramType()))
        for exception in node.raises():
            self.record("raises", exception.repoId())
        for context in node.contexts():
            self.record("context", context)
        self.end()

    # What the repository does not keep ------------------------------------

    def visitNative(self, node):
        self.skip("native", node)

    def visitValue(self, node):
        self.skip("valuetype", node)

    def visitValueAbs(self, node):
        self.skip("abstract valuetype", node)

    def visitValueBox(self, node):
        self.skip("value box", node)

    def visitValueForward(self, node):
        self.skip("valuetype", node)


def run(tree, args):
    # Definitions are collected first: the files they come from are listed
    # before them.
    buffer = io.StringIO()
    emitter = Emitter(buffer)
    emitter.files[tree.file()] = 1
    tree.accept(emitter)
    out = io.TextIOWrapper(sys.stdout.buffer, encoding="utf-8",
                           errors="backslashreplace", newline="\n")
    out.write("irstore-idl\t" + FORMAT_VERSION + "\n")
    for name, main in emitter.files.items():
        emitter.out = out
        emitter.record("file", name, "1" if main else "0")
    out.write(buffer.getvalue())
    out.flush()
    out.detach()
