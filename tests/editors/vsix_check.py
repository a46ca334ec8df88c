#!/usr/bin/env python3
"""vsix_check.py VSIX NODE: the VS Code extension's package holds what VS
Code needs to run it, and little else: its manifest naming the language,
the grammar and the client entry point, the grammar itself, and the client
bundled into one file with the libraries it loads; no npm packages, no
development tool, no source the bundle already holds.  NODE loads the
bundle with nothing beside it but a stand-in for VS Code's own module: it
must load and offer activate."""
import json
import os
import re
import subprocess
import sys
import tempfile
import zipfile

# A module of which every member is a class whose instances have every
# member: enough for the client library to load.
STAND_IN = """const any = () => new Proxy(function () {}, {
  get: (target, key) => (key === 'prototype' ? {} : any()), construct: () => any(), apply: () => any() });
module.exports = new Proxy({}, { get: () => any() });
"""


def loads(node, bundle):
    with tempfile.TemporaryDirectory() as folder:
        os.makedirs(os.path.join(folder, "node_modules", "vscode"))
        with open(os.path.join(folder, "node_modules", "vscode", "index.js"), "w") as f:
            f.write(STAND_IN)
        with open(os.path.join(folder, "extension.js"), "w") as f:
            f.write(bundle)
        run = subprocess.run([node, "-e", "console.log(typeof require('./extension.js').activate)"], cwd=folder,
                             capture_output=True, text=True, timeout=60)
        return run.stdout.strip() == "function", run.stderr

package = zipfile.ZipFile(sys.argv[1])
names = set(package.namelist())
manifest = json.loads(package.read("extension/package.json"))
grammar = json.loads(package.read("extension/syntaxes/qel.tmLanguage.json"))
main = "extension/" + manifest["main"].lstrip("./")
required = ["extension.vsixmanifest", "extension/package.json", main, "extension/language-configuration.json",
            "extension/syntaxes/qel.tmLanguage.json", "extension/LICENSE.txt", "extension/README.md"]
problems = ["missing: " + n for n in required if n not in names]
problems += ["an npm package: " + n for n in sorted(names) if "node_modules/" in n]
problems += ["the unbundled client: " + n for n in names if n == "extension/extension.js"]
if len(names) > 12:
    problems.append("%d files, not a handful: %s" % (len(names), sorted(names)))
if main in names:
    bundle = package.read(main).decode()
    loaded = set(re.findall(r'require\("([^"]+)"\)', bundle))
    node = {"child_process", "crypto", "fs", "net", "os", "path", "util", "events", "stream", "url"}
    problems += ["the bundle loads %s, which the package does not hold" % m for m in sorted(loaded - node - {"vscode"})]
    if "vscode" not in loaded or "LanguageClient" not in bundle:
        problems.append("the bundle does not hold the language client")
    ok, errors = loads(sys.argv[2], bundle)
    if not ok:
        problems.append("the bundle does not load in Node.js: " + errors)
if manifest["contributes"]["languages"][0]["extensions"] != [".qel"]:
    problems.append("the manifest does not claim *.qel")
if grammar["scopeName"] != manifest["contributes"]["grammars"][0]["scopeName"]:
    problems.append("the grammar's scope is not the manifest's")
if problems:
    print("the package is not right:\n  " + "\n  ".join(problems))
    sys.exit(1)
print("%s: %d files: %s" % (sys.argv[1], len(names), ", ".join(sorted(names))))
