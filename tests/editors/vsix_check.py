#!/usr/bin/env python3
"""vsix_check.py VSIX: the VS Code extension's package holds what VS Code
needs to run it: its manifest naming the language, the grammar and the
client entry point, the grammar itself, and the client library with the
modules it loads; and no development tool."""
import json
import sys
import zipfile

names = set(zipfile.ZipFile(sys.argv[1]).namelist())
required = ["extension.vsixmanifest", "extension/package.json", "extension/extension.js",
            "extension/language-configuration.json", "extension/syntaxes/qel.tmLanguage.json",
            "extension/LICENSE.txt", "extension/node_modules/vscode-languageclient/node.js",
            "extension/node_modules/vscode-jsonrpc/package.json"]
missing = [n for n in required if n not in names]
unwanted = sorted({n.split("/")[2] for n in names if n.startswith("extension/node_modules/")} &
                  {"@vscode", "vscode-textmate", "vscode-oniguruma"})
manifest = json.loads(zipfile.ZipFile(sys.argv[1]).read("extension/package.json"))
grammar = json.loads(zipfile.ZipFile(sys.argv[1]).read("extension/syntaxes/qel.tmLanguage.json"))
problems = missing + unwanted
if manifest["contributes"]["languages"][0]["extensions"] != [".qel"]:
    problems.append("the manifest does not claim *.qel")
if grammar["scopeName"] != manifest["contributes"]["grammars"][0]["scopeName"]:
    problems.append("the grammar's scope is not the manifest's")
if problems:
    print("the package is not right:", problems)
    sys.exit(1)
print("%s: %d files, extension, grammar and client present" % (sys.argv[1], len(names)))
