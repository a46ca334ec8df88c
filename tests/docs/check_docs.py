#!/usr/bin/env python3
"""Runs every example of the documentation and of examples/ through the
translator and compares what it writes, byte for byte.

    check_docs.py PROGRAM SOURCE_DIR [--formatter FORMATTER]
                  [--include DIR --libdir DIR --cc CC --cxx CXX --flags FLAGS]

In docs/*.md, a fenced block (fence at the start of a line) with the info
string `qel` is a complete description.  It is translated from standard
input (so messages name the file "stdin"); the input is the block's lines,
each followed by a line feed (an empty block is an empty input).  The fenced
blocks that follow it, up to the next block of any other kind, say what the
run gives:

  json             the whole standard output.  The program writes no line feed
                   after the final "}", so the block's lines are joined by
                   line feeds with none after the last; an empty block means
                   that nothing is written.
  json excerpt     lines that stand one after the other in standard output,
                   all shifted right there by the same number of blanks (the
                   excerpt may come from any depth of the document).
  stderr status=N  the whole standard error, every line ending with a line
                   feed, and the exit status N.

Standard output is compared only when a json or json excerpt block is given.
Without a stderr block the run must write nothing on standard error and exit
with status 0.  Blocks of other kinds (text, sh, python) are not run here
(check_python_docs.py runs those of docs/python.md), and a json or stderr
block that follows no qel block is an error.

A block with the info string `qel unformatted` is a complete description
without an ERROR, and the block right after it, `qel formatted`, is what
FORMATTER (qel2json-format) writes for it from standard input: its lines,
each followed by a line feed, with nothing on standard error and status 0.
The formatted text must also format to itself, and PROGRAM must translate
it into the same document as the unformatted one.  Either block without
the other is an error.  Without --formatter, these pairs are not run.

A block with the info string `c program` or `c++ program` is a complete
program of a library user: it is compiled against the headers of --include
and linked with libqel2json of --libdir (with FLAGS), and run in SOURCE_DIR.
The `output` block that follows it is its whole standard output, every line
ending with a line feed; it must write nothing on standard error and exit
with status 0.  Without --include, programs are not built.

In examples/, every NAME.qel must translate with status 0 and nothing on
standard error into exactly NAME.json, which a strict JSON reader must
accept; a NAME.json needs its NAME.qel.

Finally, the keys that docs/output.md documents (table rows whose first cell
is a key in backticks) must be exactly the keys used by the documents in
examples/, so that neither the reference nor the examples fall behind.
"""
import argparse
import difflib
import json
import pathlib
import re
import subprocess
import sys
import tempfile

FENCE = re.compile(r'^(```+)\s*(.*)$')
STDERR = re.compile(r'stderr status=(\d+)')
KEY_ROW = re.compile(r'^\|\s*`([^`]+)`\s*\|', re.M)


def fenced_blocks(path):
    """The fenced blocks of a Markdown file: (line number, info, lines)."""
    lines = path.read_text(encoding='utf-8').split('\n')
    found, i = [], 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        i += 1
        if not m:
            continue
        start = i
        while i < len(lines) and lines[i].rstrip() != m.group(1):
            i += 1
        if i == len(lines):
            raise ValueError('%s:%d: the fenced block is not closed' % (path, start))
        found.append((start, m.group(2).strip(), lines[start:i]))
        i += 1
    return found


PROGRAM = re.compile(r'(c|c\+\+) program')


def doc_examples(path):
    """The examples of one Markdown file, its programs, its formatting
    examples, and the faults of their blocks."""
    examples, programs, formats, faults, current, previous = [], [], [], [], None, None
    for line, info, body in fenced_blocks(path):
        where = '%s:%d' % (path, line)
        status = STDERR.fullmatch(info)
        language = PROGRAM.fullmatch(info)
        before, previous = previous, info
        if before == 'qel unformatted' and info != 'qel formatted':
            faults.append('%s: the qel unformatted block has no qel formatted block after it' % formats[-1]['where'])
        if info == 'qel unformatted':
            formats.append({'where': where, 'input': body, 'formatted': None})
            current = None
            continue
        if info == 'qel formatted':
            if before == 'qel unformatted':
                formats[-1]['formatted'] = body
            else:
                faults.append('%s: a qel formatted block that follows no qel unformatted block' % where)
            current = None
            continue
        if language:
            programs.append({'where': where, 'language': language.group(1), 'source': body, 'output': None})
            current = None
            continue
        if info == 'output':
            # The output of a python or sh block is check_python_docs.py's.
            if before is not None and PROGRAM.fullmatch(before):
                programs[-1]['output'] = body
            elif before not in ('python', 'sh'):
                faults.append('%s: an output block that follows no program' % where)
            continue
        if info == 'qel':
            current = {'where': where, 'input': body, 'stdout': [], 'stderr': [], 'status': 0}
            examples.append(current)
        elif info not in ('json', 'json excerpt') and not info.startswith('stderr'):
            current = None
        elif current is None:
            faults.append('%s: a %s block that follows no qel block' % (where, info))
        elif status:
            current['stderr'], current['status'] = body, int(status.group(1))
        elif info.startswith('stderr'):
            faults.append('%s: write the info string as "stderr status=N"' % where)
        else:
            current['stdout'].append((where, info, body))
    if previous == 'qel unformatted':
        faults.append('%s: the qel unformatted block has no qel formatted block after it' % formats[-1]['where'])
    return examples, programs, formats, faults


def run(program, args, stdin=b'', cwd=None):
    r = subprocess.run([program] + args, input=stdin, capture_output=True, timeout=60, cwd=cwd)
    return r.stdout, r.stderr, r.returncode


def text(data):
    return data.decode('utf-8', errors='surrogateescape')


def difference(where, what, want, got):
    diff = difflib.unified_diff(text(want).split('\n'), text(got).split('\n'),
                                'expected', 'written', lineterm='')
    return '%s: %s differs:\n%s' % (where, what, '\n'.join(list(diff)[:40]))


def has_excerpt(output_lines, excerpt):
    """Whether the excerpt stands in the output, every line shifted alike."""
    for i in range(len(output_lines) - len(excerpt) + 1):
        pad = len(output_lines[i]) - len(excerpt[0])
        if pad >= 0 and all(output_lines[i + j] == ' ' * pad + e for j, e in enumerate(excerpt)):
            return True
    return not excerpt


def check_doc_example(program, example):
    stdin = ''.join(line + '\n' for line in example['input']).encode()
    out, err, status = run(program, [], stdin)
    faults = []
    want_err = ''.join(line + '\n' for line in example['stderr']).encode()
    if err != want_err:
        faults.append(difference(example['where'], 'standard error', want_err, err))
    if status != example['status']:
        faults.append('%s: exit status %d, expected %d' % (example['where'], status, example['status']))
    for where, info, lines in example['stdout']:
        want = '\n'.join(lines).encode()
        if info == 'json' and out != want:
            faults.append(difference(where, 'standard output', want, out))
        if info == 'json excerpt' and not has_excerpt(text(out).split('\n'), lines):
            faults.append('%s: the excerpt does not stand in standard output' % where)
    return faults


def check_format_example(formatter, program, example):
    """Formats the unformatted text and compares it with the formatted one."""
    where = example['where']
    unformatted = ''.join(line + '\n' for line in example['input']).encode()
    want = ''.join(line + '\n' for line in example['formatted']).encode()
    out, err, status = run(formatter, ['-'], unformatted)
    if err or status:
        return ['%s: the formatter exits with status %d, standard error:\n%s' % (where, status, text(err))]
    faults = []
    if out != want:
        faults.append(difference(where, 'the formatted text', want, out))
    again = run(formatter, ['-'], want)[0]
    if again != want:
        faults.append(difference(where, 'the formatted text formatted again', want, again))
    if run(program, [], want)[0] != run(program, [], unformatted)[0]:
        faults.append('%s: the formatted text translates into another document' % where)
    return faults


def check_program(tools, root, workdir, number, example):
    """Compiles a program of the documentation and compares its output."""
    where = example['where']
    if example['output'] is None:
        return ['%s: the program has no output block after it' % where]
    c = example['language'] == 'c'
    source = workdir / ('example%d.%s' % (number, 'c' if c else 'cc'))
    source.write_text(''.join(line + '\n' for line in example['source']), encoding='utf-8')
    binary = workdir / ('example%d' % number)
    compiler = [tools.cc, '-std=c11'] if c else [tools.cxx, '-std=c++17']
    build = subprocess.run(compiler + ['-Wall', '-Wextra', '-Werror', '-o', str(binary), str(source),
                                       '-I', tools.include, '-L', tools.libdir, '-lqel2json',
                                       '-Wl,-rpath,' + tools.libdir] + tools.flags.split(),
                           capture_output=True, timeout=120)
    if build.returncode:
        return ['%s: the program does not build:\n%s' % (where, text(build.stderr))]
    out, err, status = run(str(binary), [], b'', cwd=root)
    faults = []
    want = ''.join(line + '\n' for line in example['output']).encode()
    if out != want:
        faults.append(difference(where, 'the program\'s output', want, out))
    if err or status:
        faults.append('%s: the program exits with status %d, standard error:\n%s' % (where, status, text(err)))
    return faults


def check_example_files(program, folder):
    """Returns the number of descriptions, the keys their documents use, the faults."""
    faults, keys = [], set()

    def collect(pairs):
        keys.update(key for key, _ in pairs)
        return dict(pairs)

    descriptions = sorted(folder.glob('*.qel'))
    for qel in descriptions:
        expected = qel.with_suffix('.json')
        out, err, status = run(program, [str(qel)])
        if status or err:
            faults.append('%s: exit status %d, standard error:\n%s' % (qel, status, text(err)))
        if not expected.exists():
            faults.append('%s: its document %s is missing' % (qel, expected.name))
        elif out != expected.read_bytes():
            faults.append(difference(expected, 'the document', expected.read_bytes(), out))
        try:
            json.loads(out.decode('utf-8'), object_pairs_hook=collect)
        except ValueError as e:
            faults.append('%s: the document is not strict JSON: %s' % (qel, e))
    for document in sorted(folder.glob('*.json')):
        if not document.with_suffix('.qel').exists():
            faults.append('%s: no description %s beside it' % (document, document.stem + '.qel'))
    return len(descriptions), keys, faults


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('program')
    parser.add_argument('root', type=pathlib.Path)
    for option in ('formatter', 'include', 'libdir', 'cc', 'cxx', 'flags'):
        parser.add_argument('--' + option, default='')
    args = parser.parse_args()
    program, root = args.program, args.root
    faults, count, built, formatted = [], 0, 0, 0
    with tempfile.TemporaryDirectory() as workdir:
        for page in sorted((root / 'docs').glob('*.md')):
            examples, programs, formats, block_faults = doc_examples(page)
            faults += block_faults
            for example in examples:
                faults += check_doc_example(program, example)
            count += len(examples)
            for example in formats if args.formatter else []:
                if example['formatted'] is None:
                    continue  # a fault of its blocks, reported above
                formatted += 1
                faults += check_format_example(args.formatter, program, example)
            for example in programs if args.include else []:
                built += 1
                faults += check_program(args, root, pathlib.Path(workdir), built, example)
    if count == 0:
        faults.append('no qel examples found in %s' % (root / 'docs'))
    files, used, file_faults = check_example_files(program, root / 'examples')
    faults += file_faults
    documented = set(KEY_ROW.findall((root / 'docs' / 'output.md').read_text(encoding='utf-8')))
    faults += ['docs/output.md does not document the key "%s"' % k for k in sorted(used - documented)]
    faults += ['no document in examples/ uses the key "%s" of docs/output.md' % k
               for k in sorted(documented - used)]
    for fault in faults:
        print(fault)
    print('%d documentation examples, %d formatting examples, %d programs and %d example descriptions checked, '
          '%d faults' % (count, formatted, built, files, len(faults)))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
