"""What the Python tests share: the build's programs, the golden cases, generated descriptions.

ctest sets QEL2JSON, QELGEN, QEL_SOURCE_DIR, QEL_BUILD_DIR and QEL_VERSION,
and puts python/ and the build's library on PYTHONPATH and LD_LIBRARY_PATH.
"""
import os
import pathlib
import random
import subprocess

import pytest

PROGRAM = os.environ["QEL2JSON"]
SOURCE_DIR = pathlib.Path(os.environ["QEL_SOURCE_DIR"])
GOLDEN = sorted(p for p in (SOURCE_DIR / "tests" / "golden").iterdir() if (p / "status").exists())


def command_line(args, stdin=b"", cwd=None):
    """What the command line gives: (standard output, standard error, status)."""
    r = subprocess.run([PROGRAM] + args, input=stdin, capture_output=True, cwd=cwd, timeout=60)
    return r.stdout, r.stderr, r.returncode


def generated(count, seed=0):
    """`count` descriptions of 100 to 20,000 bytes, valid and dense, a third of them damaged."""
    rng, texts = random.Random(seed), []
    for i in range(count):
        kind = ("description", "dense")[i % 2]
        size = rng.choice((100, 500, 2000, 20000))
        text = subprocess.run([os.environ["QELGEN"], kind, str(size), str(seed * 1000 + i)],
                              capture_output=True, check=True).stdout
        if i % 3 == 2:  # a syntax or lexical error, or many, somewhere
            at = rng.randrange(len(text))
            text = text[:at] + rng.choice((b" > ", b"$;", b"<<< 1.", b"\"", b"\x00\xff" * 40)) + text[at + 5:]
        texts.append(text)
    return texts


@pytest.fixture(scope="session")
def descriptions():
    return generated(300)
