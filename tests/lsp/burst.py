#!/usr/bin/env python3
"""burst.py SERVER QEL2JSON: a client on the server's standard input and
output opens a description of 1 MB and then, in one write while the server
translates it, sends a whole new text (version 2), a ranged change made
against that text (3) and another whole text (4).  The last diagnostics the
server publishes must be those of the last text, with its version, as
agreement.py compares them with the command line's."""
import json
import subprocess
import sys

from agreement import Server, command_line, differences, expected_character

URI = "file:///burst/large.qel"


def description(parameters, extra=""):
    """A description of about 40 bytes a parameter; extra stands among them."""
    params = ['      "p%d" "u" < > < > REAL 1.0 NIL < >\n' % i for i in range(parameters)]
    params.insert(parameters // 2, extra)
    return ('SYSTEM LINEAR < "large" >\n  < >\n  < "root" > "C" VARIABLES < "t" > < >\n    <\n' + "".join(params) +
            "    >\n    < > < > < > < > < >\n  < >\n  < >\n  < > < > < > < > < > < >\n  < >\n")


def change(version, change_):
    return {"jsonrpc": "2.0", "method": "textDocument/didChange",
            "params": {"textDocument": {"uri": URI, "version": version}, "contentChanges": [change_]}}


def frame(message):
    body = json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def main():
    server_program, program = sys.argv[1:3]
    parameters = 27000
    first = description(parameters)
    assert len(first) > 1000000
    second = description(parameters, "    ; \n")
    # Against the second text: its ";" becomes "+", on the line it stands on.
    line = second.split("\n").index("    ; ")
    ranged = {"range": {"start": {"line": line, "character": 4}, "end": {"line": line, "character": 5}}, "text": "+"}
    last = description(parameters, '      "n" "u" < > < > REEL 1.0 NIL < > ;\n')

    server = Server(server_program)
    server.send({"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}})
    server.send({"jsonrpc": "2.0", "method": "initialized", "params": {}})
    server.send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
                 "params": {"textDocument": {"uri": URI, "languageId": "qel", "version": 1, "text": first}}})
    burst = frame(change(2, {"text": second})) + frame(change(3, ranged)) + frame(change(4, {"text": last}))
    server.process.stdin.write(burst)
    server.process.stdin.flush()
    published = lambda ms: [m["params"] for m in ms if m.get("method") == "textDocument/publishDiagnostics"]
    server.wait(lambda ms: any(p["version"] == 4 for p in published(ms)), timeout=600)
    server.send({"jsonrpc": "2.0", "id": 2, "method": "shutdown"})
    server.wait(lambda ms: any(m.get("id") == 2 for m in ms), timeout=600)
    server.send({"jsonrpc": "2.0", "method": "exit"})
    assert server.process.wait(timeout=60) == 0

    versions = [p["version"] for p in published(server.messages)]
    print("versions published:", versions)
    if versions != sorted(versions) or versions[-1] != 4:
        print("the versions published do not end with the last one in order")
        return 1
    data = last.encode()
    expected = [expected_character(data, line_, column, "utf-16") + (severity, message)
                for line_, column, severity, message in command_line(program, data)]
    complaints = differences(published(server.messages)[-1]["diagnostics"], expected)
    if complaints or not expected:
        print("the last diagnostics are not the command line's on the last text:\n" + "\n".join(complaints))
        return 1
    print("the last diagnostics (version 4) are the command line's %d on the last text" % len(expected))
    return 0


if __name__ == "__main__":
    sys.exit(main())
