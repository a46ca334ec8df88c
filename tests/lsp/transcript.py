#!/usr/bin/env python3
"""transcript.py SERVER CASE.in: runs the language server on the messages of
CASE.in and compares what it writes with CASE.out.

CASE.in holds one message a line, as JSON, which is framed with its
Content-Length; a line "RAW text" sends text as it stands (with \\r, \\n
and \\\\ as escapes), for broken framing; a line "ARGS a b" runs the
server with those arguments instead of --sync; "#" lines and empty lines
are comments.  CASE.out holds every message the server wrote, one a line as
JSON with sorted keys (what is not a framed message, as "stdout: " lines),
then every line it wrote on standard error as "stderr: " lines, then "exit
status N".  The server runs with --sync, so that its replies come in one
order; the server's version in its reply to initialize reads "VERSION", so
that a release changes no transcript.  QEL_GOLDEN_UPDATE=1 rewrites
CASE.out.  "transcript.py --frame
CASE.in" writes the bytes it would send.
"""
import json
import os
import subprocess
import sys


def frame(body):
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"r": "\r", "n": "\n", "\\": "\\"}.get(text[i + 1], "\\" + text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out).encode()


def messages_in(path):
    """The bytes to send, and the server's arguments."""
    data, args = b"", ["--sync"]
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            if line.startswith("RAW "):
                data += unescape(line[4:])
            elif line == "ARGS" or line.startswith("ARGS "):
                args = line.split()[1:]
            else:
                json.loads(line)  # the case itself must be well formed
                data += frame(line.encode())
    return data, args


def messages_out(data):
    """The server's messages, each checked for exact framing; output that
    holds no message at all is text."""
    if data and not data.startswith(b"Content-Length: "):
        return ["stdout: " + line for line in data.decode(errors="replace").splitlines()]
    out = []
    while data:
        header, sep, rest = data.partition(b"\r\n\r\n")
        if not sep or not header.startswith(b"Content-Length: "):
            raise ValueError("badly framed output: %r" % data[:80])
        length = int(header[len(b"Content-Length: "):])
        message = json.loads(rest[:length])
        info = message.get("result", {}).get("serverInfo") if isinstance(message.get("result"), dict) else None
        if info and "version" in info:
            info["version"] = "VERSION"
        out.append(json.dumps(message, sort_keys=True, ensure_ascii=False))
        data = rest[length:]
    return out


def main():
    if sys.argv[1] == "--frame":  # the bytes sent, for seeding the fuzz target
        sys.stdout.buffer.write(messages_in(sys.argv[2])[0])
        return 0
    server, case = sys.argv[1], sys.argv[2]
    data, args = messages_in(case)
    run = subprocess.run([server] + args, input=data, capture_output=True, timeout=60)
    errors = ["stderr: " + line for line in run.stderr.decode(errors="replace").splitlines()]
    actual = "\n".join(messages_out(run.stdout) + errors + ["exit status %d" % run.returncode]) + "\n"
    expected_path = case[:-3] + ".out"
    if os.environ.get("QEL_GOLDEN_UPDATE"):
        with open(expected_path, "w", encoding="utf-8") as f:
            f.write(actual)
    with open(expected_path, encoding="utf-8") as f:
        expected = f.read()
    if actual != expected:
        import difflib
        sys.stdout.writelines(difflib.unified_diff(expected.splitlines(True), actual.splitlines(True),
                                                   expected_path, "actual"))
        return 1
    print("transcript %s: %d messages as expected" % (os.path.basename(case), actual.count("\n") - 1))
    return 0


if __name__ == "__main__":
    sys.exit(main())
