#!/usr/bin/env python3
"""abi_check.py ABIDW ABIDIFF SUPPRESSIONS LIBRARY BASELINE [--update | --self-test]

Describes LIBRARY's interface with abidw (the public types and the C
functions only, as SUPPRESSIONS says) and holds it against BASELINE:

- every exported symbol of the baseline, with its version, is still there;
- every function keeps its parameters and return type;
- every struct keeps each of its members, with its type and offset; new
  members may only follow the old ones;
- every enumerator keeps its value, and every typedef its type.

Additions pass.  abidiff's report is printed beside, for the reader, and an
incompatible change in its eyes fails too.  With --update, BASELINE is
rewritten from LIBRARY instead (paths of this machine left out).  With
--self-test, the check is held against baselines changed on purpose: one
that lacks a member the library appended must pass, one whose member,
enumerator or symbol differs must fail.
"""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def describe(abidw, suppressions, library, out):
    subprocess.run([abidw, "--drop-private-types", "--suppressions", suppressions, "--no-corpus-path",
                    "--no-show-locs", "--out-file", out, library], check=True)
    with open(out, encoding="utf-8") as f:
        text = f.read()
    # Where the library was built is no part of its interface; each unit
    # keeps its path within the project, for abidiff takes two units of
    # one path for a broken description (a build with debugging
    # information everywhere has many).
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    text = re.sub(r" comp-dir-path='[^']*'", "", text)
    text = text.replace(" path='" + root + "/", " path='")
    with open(out, "w", encoding="utf-8") as f:
        f.write(text)


class Corpus:
    def __init__(self, path):
        root = ET.parse(path).getroot()
        self.types = {e.get("id"): e for e in root.iter() if e.get("id")}
        self.symbols = {(s.get("name"), s.get("version"), s.get("is-default-version"))
                        for s in root.iter("elf-symbol")}
        self.functions = {f.get("name"): f for f in root.iter("function-decl")}
        named = lambda tag: {e.get("name"): e for e in root.iter(tag) if e.get("name", "").startswith("qel2json")}
        self.structs, self.enums, self.typedefs = named("class-decl"), named("enum-decl"), named("typedef-decl")

    def type_name(self, type_id, depth=0):
        e = self.types.get(type_id)
        if e is None or depth > 20:
            return "?"
        tag, inner = e.tag, lambda: self.type_name(e.get("type-id"), depth + 1)
        if tag == "pointer-type-def":
            return inner() + "*"
        if tag == "reference-type-def":
            return inner() + "&"
        if tag == "qualified-type-def":
            return ("const " if e.get("const") == "yes" else "") + ("volatile " if e.get("volatile") == "yes" else "") + inner()
        if tag == "function-type":
            return self.signature(e, depth + 1)
        if tag == "array-type-def":
            return inner() + "[%s]" % e.get("size-in-bits", "")
        return e.get("name", "?")

    def signature(self, f, depth=0):
        parameters = [self.type_name(p.get("type-id"), depth) for p in f.findall("parameter")]
        returned = f.find("return")
        return "(%s) -> %s" % (", ".join(parameters), self.type_name(returned.get("type-id"), depth) if returned is not None else "void")

    def members(self, struct):
        return [(m.find("var-decl").get("name"), int(m.get("layout-offset-in-bits", "0")),
                 self.type_name(m.find("var-decl").get("type-id"))) for m in struct.findall("data-member")]


def faults(old, new):
    found = []
    for symbol in sorted(old.symbols - new.symbols):
        found.append("symbol %s@%s is gone" % symbol[:2])
    for name, f in sorted(old.functions.items()):
        if name not in new.functions:
            found.append("function %s is gone" % name)
        elif old.signature(f) != new.signature(new.functions[name]):
            found.append("function %s was %s, is %s" % (name, old.signature(f), new.signature(new.functions[name])))
    for name, s in sorted(old.structs.items()):
        if name not in new.structs:
            found.append("struct %s is gone" % name)
            continue
        before, after = old.members(s), new.members(new.structs[name])
        if after[:len(before)] != before:
            found.append("struct %s was %s, is %s" % (name, before, after))
        end = int(s.get("size-in-bits", "0"))
        for member in after[len(before):]:
            if member[1] < end:
                found.append("struct %s: member %s stands inside its old size" % (name, member[0]))
    for name, e in sorted(old.enums.items()):
        values = {x.get("name"): x.get("value") for x in e.findall("enumerator")}
        now = {x.get("name"): x.get("value") for x in new.enums.get(name, e).findall("enumerator")}
        for enumerator, value in sorted(values.items()):
            if now.get(enumerator) != value:
                found.append("%s was %s, is %s" % (enumerator, value, now.get(enumerator)))
    for name, t in sorted(old.typedefs.items()):
        if name in new.typedefs and old.type_name(t.get("type-id")) != new.type_name(new.typedefs[name].get("type-id")):
            found.append("typedef %s changed" % name)
    return found


def check(abidiff, baseline, current, quiet=False):
    report = subprocess.run([abidiff, "--no-added-syms", baseline, current], capture_output=True, text=True)
    found = faults(Corpus(baseline), Corpus(current))
    if report.returncode & 8:
        found.append("abidiff finds an incompatible change")
    if not quiet:
        print(report.stdout)
        for f in found:
            print("ABI change:", f)
    return found


def self_test(abidiff, baseline, current):
    """Baselines of other interfaces than the library's, as older releases
    might have recorded them, and whether the check must pass."""
    with open(current, encoding="utf-8") as f:
        text = f.read()
    last = re.search(r"<class-decl name='qel2json_diagnostic' size-in-bits='(\d+)'.*?</class-decl>", text, re.S)
    members = re.findall(r"<data-member access='public' layout-offset-in-bits='(\d+)'>\s*<var-decl name='(\w+)'",
                         last.group(0))
    offset, name = members[-1]
    without_last = re.sub(r"\s*<data-member access='public' layout-offset-in-bits='%s'>\s*<var-decl name='%s'[^>]*/>"
                          r"\s*</data-member>" % (offset, name), "", last.group(0))
    without_last = without_last.replace("size-in-bits='%s'" % last.group(1), "size-in-bits='%s'" % offset, 1)
    cases = [
        ("the last member of qel2json_diagnostic appended since", text.replace(last.group(0), without_last), True),
        ("a member renamed", text.replace("<var-decl name='line'", "<var-decl name='row'", 1), False),
        ("a code renumbered", text.replace("'QEL2JSON_CODE_SYNTAX_ERROR' value='8'", "'QEL2JSON_CODE_SYNTAX_ERROR' value='9'"),
         False),
        ("a function gone", text.replace("name='qel2json_kind_count'", "name='qel2json_kind_total'"), False),
    ]
    wrong = 0
    for what, older, passes in cases:
        with tempfile.NamedTemporaryFile("w", suffix=".abi", encoding="utf-8") as f:
            f.write(older)
            f.flush()
            found = check(abidiff, f.name, current, quiet=True)
        if older == text or (not found) != passes:
            print("self-test: %s: %s" % (what, "not made" if older == text else found or "not found"))
            wrong += 1
    print("self-test: %d of %d cases as they should be" % (len(cases) - wrong, len(cases)))
    return wrong


def main():
    abidw, abidiff, suppressions, library, baseline = sys.argv[1:6]
    if "--update" in sys.argv[6:]:
        describe(abidw, suppressions, library, baseline)
        print("wrote %s" % baseline)
        return 0
    with tempfile.NamedTemporaryFile(suffix=".abi") as current:
        describe(abidw, suppressions, library, current.name)
        if "--self-test" in sys.argv[6:]:
            return 1 if self_test(abidiff, baseline, current.name) else 0
        found = check(abidiff, baseline, current.name)
    if found:
        print("If the change is meant, record the interface anew (see docs/library.md, Versions and compatibility).")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
