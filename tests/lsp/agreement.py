#!/usr/bin/env python3
"""agreement.py SERVER QEL2JSON GOLDEN_DIR: every diagnostic the language
server publishes equals the command line's line for the same text, in line,
character, severity and message, with UTF-8 and with UTF-16 positions.
Where the environment names the library for the Python package
(QEL2JSON_LIBRARY, with the package on PYTHONPATH), formatting each text
gives what qel2json_format gives: one edit
from the text's start to its end that makes it the formatted text, none
where the text is formatted already, and null with a warning where it has
an ERROR.

Where the text holds misspelt words, the server shows one diagnostic a word
("unknown keyword ..."), and the command line's lines that the word caused
are in that diagnostic's related information, at their places, as
"SEVERITY: message".  Then every line of the command line is shown, or folded
into the word that stands last at or before it; and what the server shows
besides its words and the command line's lines stands after a word (what the
command line never reached, its errors used up by the cascade, or read
differently once the word is read as the keyword it resembles).

The texts: every golden input that is UTF-8 (the protocol carries no other
text), and descriptions generated here with tabs, accents, the euro sign,
characters outside the Basic Multilingual Plane, and comments, some with
mistakes between them (bytes that begin no token, misspelt keywords,
missing brackets).  The
expected character is worked out here, independently of the server: the
command line's column counts bytes with tabs to columns 1, 9, 17, ...; a
column inside a tab is the tab's character, one inside a character of
several bytes is that character, one past the line's end is the end.
"""
import collections
import json
import os
import random
import re
import subprocess
import sys
import threading

SEVERITY = {"NOTE": 3, "WARNING": 2, "ERROR": 1, "DEADLY": 1}
LINE = re.compile(rb'^"(.*)", line (\d+):(\d+) (NOTE|WARNING|ERROR|DEADLY): (.*)$')


def generated(count, seed=19, mistaken=True):
    rnd = random.Random(seed)
    texts = ["é", "Größe", "€", "😀", "中文", "a\tb", "x"]
    mistakes = [";", "linear", "€", "INTEGE", "+", "😀", "<", ">", "\\"]
    out = []
    for _ in range(count):
        skeleton = ['SYSTEM', 'LINEAR', '<', '"%s"' % rnd.choice(texts), '>', '<', '>', '<', '>', '"c"',
                    'ISEXTERN'] + ['<', '>'] * 10
        words = []
        for w in skeleton:
            words.append(w)
            r = rnd.random()
            if r < 0.08 and mistaken:
                words.append(rnd.choice(mistakes))
            elif r < 0.14:
                words.append('-- %s\n' % rnd.choice(texts))
            elif r < 0.2 and mistaken:
                words.append('"%s"' % rnd.choice(texts))
        text = ""
        for w in words:
            text += w + rnd.choice([" ", "\t", "  \t", "\n", "\t\t", " \r\n", "\r"])
        if rnd.random() < 0.3:  # a comment on the last line, with no line end after it
            text += "-- %s" % rnd.choice(texts)
        out.append(text)
    return out


def expected_character(data, line, column, encoding):
    if line == 0:
        return 0, 0
    lines = re.split(rb"\r\n|\r|\n", data)
    if line > len(lines):
        return len(lines) - 1, units(lines[-1], encoding)
    text = lines[line - 1]
    at, byte = 1, len(text)
    for i, b in enumerate(text):
        following = at + 8 - (at - 1) % 8 if b == 9 else at + 1
        if column < following:
            byte = i
            break
        at = following
    while 0 < byte < len(text) and (text[byte] & 0xC0) == 0x80:
        byte -= 1
    return line - 1, units(text[:byte], encoding)


def units(prefix, encoding):
    return len(prefix) if encoding == "utf-8" else len(prefix.decode("utf-8").encode("utf-16-le")) // 2


def command_line(program, data):
    run = subprocess.run([program], input=data, capture_output=True, timeout=60)
    diagnostics = []
    for line in run.stderr.splitlines():
        m = LINE.match(line)
        assert m, "not a diagnostic: %r" % line
        diagnostics.append((int(m.group(2)), int(m.group(3)), SEVERITY[m.group(4).decode()], m.group(5).decode()))
    return diagnostics


class Server:
    """The server with its own thread reading what it writes."""

    def __init__(self, program):
        self.process = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.messages = []
        self.arrived = threading.Condition()
        threading.Thread(target=self.read, daemon=True).start()

    def send(self, message):
        body = json.dumps(message).encode()
        self.process.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.process.stdin.flush()

    def read(self):
        out = self.process.stdout
        while True:
            header = out.readline()
            if not header:
                return
            length = int(header.split(b":")[1])
            out.readline()
            message = json.loads(out.read(length))
            with self.arrived:
                self.messages.append(message)
                self.arrived.notify_all()

    def wait(self, done, timeout=120):
        with self.arrived:
            if not self.arrived.wait_for(lambda: done(self.messages), timeout):
                raise TimeoutError("the server did not answer in time")


WORD = "unknown keyword "
FOLDED = re.compile(r"^(NOTE|WARNING|ERROR|DEADLY): (.*)$")


def start(range_):
    return range_["start"]["line"], range_["start"]["character"]


def differences(published, expected):
    """What is wrong with the published diagnostics against the command
    line's expected ones (line, character, severity, message): nothing,
    or a list of complaints."""
    shown = [start(d["range"]) + (d["severity"], d["message"]) for d in published]
    words = [d for d in published if d["message"].startswith(WORD)]
    if not words:
        return [] if shown == expected else ["not the command line's diagnostics"]
    left = collections.Counter(expected)
    complaints = []
    first_word = min(start(w["range"]) for w in words)
    for d in shown:
        if d[3].startswith(WORD):
            continue
        if left[d] > 0:
            left[d] -= 1
        elif d[:2] < first_word:
            complaints.append("shown before the first word, but not by the command line: %s" % (d,))
    for w in words:
        for r in w.get("relatedInformation", []):
            m = FOLDED.match(r["message"])
            if not m:
                complaints.append("folded into %s, not a line of the command line: %s" % (w["message"], r["message"]))
                continue
            folded = start(r["location"]["range"]) + (SEVERITY[m.group(1)], m.group(2))
            later = [x for x in words if start(w["range"]) < start(x["range"]) <= folded[:2]]
            if folded[:2] < start(w["range"]) or later:
                complaints.append("folded into a word it does not follow: %s" % (folded,))
            if left[folded] > 0:
                left[folded] -= 1
            else:
                complaints.append("folded, but not said by the command line: %s" % (folded,))
    complaints += ["said by the command line, neither shown nor folded: %s" % (d,) for d in left.elements()]
    return complaints


def text_end(data, encoding):
    lines = re.split(rb"\r\n|\r|\n", data)
    return {"line": len(lines) - 1, "character": units(lines[-1], encoding)}


def library_formatter():
    """qel2json_format through the Python package: the formatted text, or
    None for a text with an ERROR; None where no library is named."""
    if not os.environ.get("QEL2JSON_LIBRARY"):
        return None
    import qel2json

    def format_(data):
        try:
            return qel2json.format(data)
        except qel2json.TranslationError:
            return None
    return format_


def formatting_differences(data, answer, before, encoding, library_format):
    """What is wrong with the server's answer to formatting data (the
    message before the answer, a warning where there is one)."""
    formatted = library_format(data)
    if formatted is None:
        warned = before.get("method") == "window/showMessage" and before["params"]["type"] == 2
        return [] if answer == {"jsonrpc": "2.0", "id": answer["id"], "result": None} and warned else [
            "the library does not format it, the server answers %s after %s" % (answer, before)]
    expected = [] if formatted == data else [
        {"range": {"start": {"line": 0, "character": 0}, "end": text_end(data, encoding)},
         "newText": formatted.decode("utf-8")}]
    return [] if answer.get("result") == expected else ["formatted by the library: %r; the server: %s" % (
        formatted, answer)]


def check(server_program, program, texts, encoding, library_format):
    server = Server(server_program)
    server.send({"jsonrpc": "2.0", "id": 1, "method": "initialize",
                 "params": {"capabilities": {"general": {"positionEncodings": [encoding]}}}})
    server.send({"jsonrpc": "2.0", "method": "initialized", "params": {}})
    uris = {}
    for name, data in texts:
        uri = "file:///agreement/%s.qel" % name
        uris[uri] = data
        server.send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
                     "params": {"textDocument": {"uri": uri, "languageId": "qel", "version": 1,
                                                 "text": data.decode("utf-8")}}})
    published = lambda ms: {m["params"]["uri"] for m in ms if m.get("method") == "textDocument/publishDiagnostics"}
    server.wait(lambda ms: set(uris) <= published(ms))
    formatting = {}
    if library_format:
        for i, uri in enumerate(uris):
            formatting[1000 + i] = uri
            server.send({"jsonrpc": "2.0", "id": 1000 + i, "method": "textDocument/formatting",
                         "params": {"textDocument": {"uri": uri}, "options": {"tabSize": 4, "insertSpaces": True}}})
    server.send({"jsonrpc": "2.0", "id": 2, "method": "shutdown"})
    server.wait(lambda ms: any(m.get("id") == 2 for m in ms))
    server.send({"jsonrpc": "2.0", "method": "exit"})
    status = server.process.wait(timeout=60)
    assert status == 0, "exit status %d after shutdown" % status
    assert server.messages[0]["result"]["capabilities"]["positionEncoding"] == encoding

    failures, count = 0, 0
    for m in server.messages:
        if m.get("method") != "textDocument/publishDiagnostics":
            continue
        uri = m["params"]["uri"]
        data = uris[uri]
        expected = [expected_character(data, line, column, encoding) + (severity, message)
                    for line, column, severity, message in command_line(program, data)]
        count += len(expected)
        complaints = differences(m["params"]["diagnostics"], expected)
        if complaints:
            failures += 1
            print("%s (%s): the server published\n  %s\nthe command line says\n  %s\n%s" % (
                uri, encoding, json.dumps(m["params"]["diagnostics"]), expected, "\n".join(complaints)))
    words = sum(1 for m in server.messages if m.get("method") == "textDocument/publishDiagnostics"
                for d in m["params"]["diagnostics"] if d["message"].startswith(WORD))
    assert words > 0, "no text with a misspelt word was checked"
    for before, m in zip(server.messages, server.messages[1:]):
        if m.get("id") not in formatting:
            continue
        uri = formatting.pop(m["id"])
        complaints = formatting_differences(uris[uri], m, before, encoding, library_format)
        if complaints:
            failures += 1
            print("%s (%s), formatting: %s" % (uri, encoding, "\n".join(complaints)))
    assert not formatting, "formatting requests without an answer: %s" % sorted(formatting)
    return failures, count


def main():
    server, program, golden = sys.argv[1:4]
    library_format = library_formatter()
    texts, skipped = [], 0
    for name in sorted(os.listdir(golden)):
        path = os.path.join(golden, name, "input.qel")
        if not os.path.isfile(path):
            continue
        data = open(path, "rb").read()
        try:
            data.decode("utf-8")
            texts.append(("golden-" + name, data))
        except UnicodeDecodeError:
            skipped += 1
    for i, text in enumerate(generated(60)):
        texts.append(("generated-%d" % i, text.encode("utf-8")))
    for i, text in enumerate(generated(30, seed=23, mistaken=False)):
        texts.append(("generated-right-%d" % i, text.encode("utf-8")))
    failures = 0
    for encoding in ("utf-8", "utf-16"):
        f, count = check(server, program, texts, encoding, library_format)
        failures += f
        print("%s: %d texts, %d diagnostics, %d texts differ" % (encoding, len(texts), count, f))
    print("golden inputs that are not UTF-8, which the protocol cannot carry: %d" % skipped)
    if not library_format:
        print("formatting not checked: no library named (QEL2JSON_LIBRARY)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
