#!/usr/bin/env python3
"""Runs the examples of docs/python.md and compares what they print.

    check_python_docs.py SOURCE_DIR

Every fenced block of docs/python.md with the info string `python` is run,
in order, in one namespace (as in an interactive session); every block
`sh` is run by sh with standard error joined to standard output.  Both run
in a temporary folder that holds a copy of examples/, with the python3 of
this run first on PATH.  The block `output` that follows a run block is
all that it prints (its lines, each with a line feed); without one, it must
print nothing.  The package must be importable (PYTHONPATH) with its
library.
"""
import contextlib
import io
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import traceback

from check_docs import difference, fenced_blocks


def run_python(code, namespace):
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        try:
            exec(compile(code, 'example', 'exec'), namespace)
        except Exception:
            traceback.print_exc(file=out)
    return out.getvalue()


def run_sh(code):
    r = subprocess.run(['sh', '-c', code], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    return r.stdout.decode('utf-8', 'surrogateescape')


def main():
    root = pathlib.Path(sys.argv[1])
    page = root / 'docs' / 'python.md'
    blocks = [b for b in fenced_blocks(page) if b[1] in ('python', 'sh', 'output')]
    faults, count, namespace = [], 0, {'__name__': 'example'}
    with tempfile.TemporaryDirectory() as work:
        shutil.copytree(root / 'examples', os.path.join(work, 'examples'))
        os.mkdir(os.path.join(work, 'bin'))
        os.symlink(sys.executable, os.path.join(work, 'bin', 'python3'))
        os.environ['PATH'] = os.path.join(work, 'bin') + os.pathsep + os.environ['PATH']
        os.chdir(work)
        for i, (line, info, body) in enumerate(blocks):
            if info == 'output':
                if i == 0 or blocks[i - 1][1] == 'output':
                    faults.append('%s:%d: an output block that follows no example' % (page, line))
                continue
            code = ''.join(l + '\n' for l in body)
            got = run_python(code, namespace) if info == 'python' else run_sh(code)
            want = ''
            if i + 1 < len(blocks) and blocks[i + 1][1] == 'output':
                want = ''.join(l + '\n' for l in blocks[i + 1][2])
            count += 1
            if got != want:
                faults.append(difference('%s:%d' % (page, line), 'what the %s example prints' % info,
                                         want.encode(), got.encode('utf-8', 'surrogateescape')))
        os.chdir(root)
    for fault in faults:
        print(fault)
    print('%d examples of %s run, %d faults' % (count, page.name, len(faults)))
    return 1 if faults or not count else 0


if __name__ == '__main__':
    sys.exit(main())
