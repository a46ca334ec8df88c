#!/usr/bin/env python3
"""Parses the translator's output with a real JSON parser and checks that the
values it reads back are those of the description.

    json_check.py PROGRAM QELGEN FILE...

Each FILE (and a generated description of about 1 MB) must translate with
status 0 into a JSON document whose numbers and strings are exactly the
description's literals: every integer and real once, every string once except
those of NIL lists, which the document leaves out.
"""
import collections
import json
import re
import subprocess
import sys
import tempfile

TOKEN = re.compile(
    r'(?P<ws>\s+)|(?P<comment>--[^\r\n]*)'
    r'|(?P<string>"(?:[^"\\\r\n]|\\.|\\\r?\n)*")'
    r'|(?P<real>-?(?:\d+\.\d*|\.\d+)(?:[eE][+-]?\d+)?|-?\d+[eE][+-]?\d+)'
    r'|(?P<int>-?\d+)|(?P<word>[A-Z][A-Z0-9]*|[<>])', re.S)


def literals(text):
    """The integers, reals and strings of a description, NIL lists apart."""
    ints, reals, strings, dropped = [], [], [], []
    pos, after_nil, in_nil = 0, False, False
    while pos < len(text):
        m = TOKEN.match(text, pos)
        if not m:
            raise ValueError('cannot read the description at byte %d' % pos)
        pos = m.end()
        kind, value = m.lastgroup, m.group()
        if kind in ('ws', 'comment'):
            continue
        if kind == 'word':
            in_nil = after_nil and value == '<' or in_nil and value != '>'
            after_nil = value == 'NIL'
            continue
        after_nil = False
        if kind == 'int':
            ints.append(int(value))
        elif kind == 'real':
            reals.append(float(value))
        else:
            decoded = json.loads(value.replace('\\\r\n', '\\n').replace('\\\n', '\\n'))
            (dropped if in_nil else strings).append(decoded)
    return ints, reals, strings


def values(document):
    ints, reals, strings = [], [], []
    todo = [document]
    while todo:
        v = todo.pop()
        if isinstance(v, list):
            todo.extend(v)
        elif isinstance(v, tuple):  # an object, as its (key, value) pairs
            todo.extend(value for _, value in v)
        elif isinstance(v, bool) or v is None:
            continue
        elif isinstance(v, int):
            ints.append(v)
        elif isinstance(v, float):
            reals.append(v)
        elif isinstance(v, str):
            strings.append(v)
    return ints, reals, strings


def check(program, path):
    with open(path, 'rb') as f:
        text = f.read().decode('latin-1')
    run = subprocess.run([program, path], capture_output=True)
    if run.returncode != 0:
        return '%s: status %d: %s' % (path, run.returncode, run.stderr.decode())
    # Objects keep their pairs: a Matrix has two members named "Index".
    document = json.loads(run.stdout.decode('latin-1'), object_pairs_hook=tuple)
    want, got = literals(text), values(document)
    for name, w, g in zip(('integers', 'reals', 'strings'), want, got):
        if collections.Counter(w) != collections.Counter(g):
            return '%s: the %s differ (%d in the description, %d in the document)' % (
                path, name, len(w), len(g))
    return None


def main():
    program, qelgen, files = sys.argv[1], sys.argv[2], sys.argv[3:]
    with tempfile.NamedTemporaryFile(suffix='.qel') as generated:
        subprocess.run([qelgen, 'description', '1000000', '3'], stdout=generated, check=True)
        faults = [f for f in (check(program, p) for p in files + [generated.name]) if f]
    for fault in faults:
        print(fault)
    print('%d descriptions checked, %d faulty' % (len(files) + 1, len(faults)))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
