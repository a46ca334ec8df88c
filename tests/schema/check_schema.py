#!/usr/bin/env python3
"""Checks the generated JSON Schema against real documents, and that the
output reference documents every key the mapping can write.

    check_schema.py SCHEMA PROGRAM QELGEN KEYS SOURCE_DIR

SCHEMA is the generated schema, KEYS the output of `json_schema GRAMMAR
--keys` (each rule with the keys it writes).  The schema must accept every
status-0 document of the golden cases that is strict JSON (a case whose
literals are not, such as .5 or an unknown escape, gives a document no
JSON reader takes), every document of examples/ and those of 1,000
generated descriptions, and reject documents with a key renamed, a
member removed or an integer written as a string.  Every key must have a
row in docs/output.md.
"""
import concurrent.futures
import copy
import json
import pathlib
import re
import subprocess
import sys

import jsonschema

schema_file, program, qelgen, keys_file, source = sys.argv[1:6]
source = pathlib.Path(source)
schema = json.loads(pathlib.Path(schema_file).read_text())
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)
faults = []


def translate(text):
    run = subprocess.run([program], input=text, capture_output=True)
    if run.returncode != 0:
        raise SystemExit('status %d: %s' % (run.returncode, run.stderr.decode()))
    return json.loads(run.stdout)


def check(name, document):
    errors = list(validator.iter_errors(document))
    if errors:
        faults.append('%s: %s' % (name, errors[0].message))


documents = {}
not_json = 0
for case in sorted((source / 'tests/golden').iterdir()):
    if (case / 'status').is_file() and (case / 'status').read_text().strip() == '0':
        try:
            documents['golden ' + case.name] = json.loads((case / 'stdout').read_bytes())
        except ValueError:
            not_json += 1
for example in sorted((source / 'examples').glob('*.json')):
    documents['example ' + example.name] = json.loads(example.read_bytes())
def generated(seed):
    size = 1000 + seed * 37 % 3000
    text = subprocess.run([qelgen, 'description', str(size), str(seed)], capture_output=True, check=True).stdout
    return 'generated seed %d' % seed, translate(text)


with concurrent.futures.ThreadPoolExecutor(4) as pool:
    documents.update(pool.map(generated, range(1, 1001)))
for name, document in documents.items():
    check(name, document)


def first(document, key):
    """The first object (depth first) that has the key."""
    todo = [document]
    while todo:
        node = todo.pop()
        if isinstance(node, dict):
            if key in node:
                return node
            todo.extend(reversed(list(node.values())))
        elif isinstance(node, list):
            todo.extend(reversed(node))
    raise SystemExit('no object with the key ' + key)


def renamed(document):
    owner = first(document, 'Srcclassspecification')
    owner['Srcclass'] = owner.pop('Srcclassspecification')


def removed(document):
    del first(document, 'Unit')['Unit']


def integer_as_string(document):
    owner = first(document, 'Integer1')
    owner['Integer1'] = str(owner['Integer1'])


sample = documents['golden every-construct']
for damage in (renamed, removed, integer_as_string):
    damaged = copy.deepcopy(sample)
    damage(damaged)
    if validator.is_valid(damaged):
        faults.append('the schema accepts a document with ' + damage.__name__.replace('_', ' '))

documented = set(re.findall(r'^\| `([^`]+)` \|', (source / 'docs/output.md').read_text(), re.M))
for line in pathlib.Path(keys_file).read_text().splitlines():
    rule, _, keys = line.partition(':')
    for key in keys.split():
        if key not in documented:
            faults.append('docs/output.md has no row for the key %s of %s' % (key, rule))

for fault in faults:
    print(fault)
print('%d documents checked against the schema (%d golden documents are not strict JSON), %d faults'
      % (len(documents), not_json, len(faults)))
sys.exit(1 if faults else 0)
