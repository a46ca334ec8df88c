#!/usr/bin/env python3
"""capabilities.py SERVER EDITORS_MD: the capabilities docs/editors.md shows
(its block "json lsp-capabilities") are those the server announces to a
client that offers no position encoding."""
import json
import re
import subprocess
import sys

server, guide = sys.argv[1:3]
block = re.search(r"^```json lsp-capabilities\n(.*?)^```", open(guide, encoding="utf-8").read(), re.S | re.M)
documented = json.loads(block.group(1))
messages = [{"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}},
            {"jsonrpc": "2.0", "id": 2, "method": "shutdown"}, {"jsonrpc": "2.0", "method": "exit"}]
data = b"".join(b"Content-Length: %d\r\n\r\n%s" % (len(b), b) for b in (json.dumps(m).encode() for m in messages))
out = subprocess.run([server, "--sync"], input=data, capture_output=True, timeout=30).stdout
header, _, rest = out.partition(b"\r\n\r\n")
announced = json.loads(rest[:int(header.split(b":")[1])])["result"]["capabilities"]
if announced != documented:
    print("docs/editors.md shows\n  %s\nthe server announces\n  %s" % (documented, announced))
    sys.exit(1)
print("the documented capabilities are the announced ones")
