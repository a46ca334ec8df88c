"""qel2json's functions against the command line, byte for byte, and on bad input."""
import concurrent.futures
import io
import os
import pathlib
import random
import re
import subprocess
import sys

import pytest

import qel2json
from conftest import GOLDEN, SOURCE_DIR, command_line


def agree(result, out, err, status):
    assert result.status == status
    assert result.document == (out or None)
    assert result.diagnostics_text.encode("utf-8", "surrogateescape") == err
    assert [str(d).encode("utf-8", "surrogateescape") for d in result.diagnostics] == err.splitlines()
    if result.document is not None:
        assert result.text.encode("utf-8", "surrogateescape") == result.document


@pytest.mark.parametrize("case", GOLDEN, ids=lambda p: p.name)
def test_golden_cases_as_bytes_and_str_with_records_that_hold_together(case):
    source = (case / "input.qel").read_bytes()
    want = ((case / "stdout").read_bytes(), (case / "stderr").read_bytes(), int((case / "status").read_text()))
    agree(qel2json.translate(source.decode("utf-8"), "input.qel"), *want)
    result = qel2json.translate(source, "input.qel")
    agree(result, *want)
    for i, d in enumerate(result.diagnostics):
        assert isinstance(d.code, qel2json.Code) and d.offset + d.length <= len(source)
        if d.code == qel2json.Code.PARSING_RESUMED:
            assert d.related < i and result.diagnostics[d.related].code == qel2json.Code.SYNTAX_ERROR
        else:
            assert d.related is None


def test_generated_descriptions(descriptions, tmp_path):
    path = tmp_path / "generated.qel"
    for i, source in enumerate(descriptions):
        path.write_bytes(source)
        want = command_line([str(path)])
        agree(qel2json.translate(source, str(path)), *want)
        agree(qel2json.translate_file(path), *want)
        if source.isascii():
            agree(qel2json.translate(source.decode()), *command_line([], stdin=source))


def test_every_kind_of_source_translates_alike(tmp_path):
    path = SOURCE_DIR / "tests" / "golden" / "syntax-and-lexical-errors" / "input.qel"
    data = path.read_bytes()
    want = command_line([str(path)])
    texts = {"str": data.decode(), "StringIO": io.StringIO(data.decode()), "text file": open(path, encoding="utf-8")}
    binary = {"bytes": data, "bytearray": bytearray(data), "memoryview": memoryview(data),
              "BytesIO": io.BytesIO(data), "binary file": open(path, "rb")}
    for kind, source in {**texts, **binary}.items():
        result = qel2json.translate(source, str(path))
        agree(result, *want)
        assert all((d.character is None) == (kind in binary) for d in result.diagnostics), kind
    for f in (texts["text file"], binary["binary file"]):
        f.close()
    assert qel2json.translate_file(str(path).encode()) == qel2json.translate(data, str(path))


def test_other_sources_are_type_errors_naming_their_type():
    class Reader:
        def read(self, size=-1):
            return 42
    for source, named in ((42, "int"), (10**10, "int"), (None, "NoneType"), (1.5, "float"), ([b"x"], "list"),
                          (pathlib.Path("a.qel"), r"PosixPath \(translate_file\(\) reads a path\)"),
                          (Reader(), "read\\(\\) of the Reader gave int")):
        with pytest.raises(TypeError, match=named):
            qel2json.translate(source)  # before: 42 NUL bytes, or 10 GB of them
    for path, named in ((0, "int"), (io.BytesIO(b""), "BytesIO")):
        with pytest.raises(TypeError, match=named):
            qel2json.translate_file(path)  # before: 0 read standard input


def test_diagnostics_are_records():
    source = b'SYSTEM LINEAR < "a" 7 >\n\t$'
    result = qel2json.translate(source, "x.qel")
    first = result.diagnostics[0]
    assert (first.file, first.line, first.column, first.severity, first.message, first.code) == (
        "x.qel", 1, 21, qel2json.Severity.ERROR, "Syntax error", qel2json.Code.SYNTAX_ERROR)
    assert first.expected == (">", "string literal")
    assert str(first) == '"x.qel", line 1:21 ERROR: Syntax error'
    assert [d.code.name for d in result.diagnostics] == [
        "SYNTAX_ERROR", "PARSING_RESUMED", "NOT_A_TOKEN", "SYNTAX_ERROR", "PARSING_RESUMED"]
    assert [source[d.offset:d.offset + d.length] for d in result.diagnostics] == [b"7", b">", b"$", b"", b""]
    assert [d.related for d in result.diagnostics] == [None, 0, None, None, 3]
    assert result.diagnostics[2].column == 9  # after a tab
    assert not result.ok and result.document.startswith(b"{")


def header_enum(name, prefix):
    """The members of an enum of qel2json.h, without `prefix`, that have numbers of their own."""
    header = (SOURCE_DIR / "include" / "qel2json.h").read_text()
    body = re.search(r"typedef enum %s \{(.*?)\}" % name, header, re.S).group(1)
    return {m[0]: int(m[1]) for m in re.findall(r"\b%s([A-Z_]+) = (\d+)" % prefix, body)}


def test_codes_and_severities_are_those_of_the_header():
    assert {c.name: c.value for c in qel2json.Code} == header_enum("qel2json_code", "QEL2JSON_CODE_")
    assert {s.name: s.value for s in qel2json.Severity} == header_enum("qel2json_severity", "QEL2JSON_SEVERITY_")


def test_character_counts_code_points_as_str_indexing_does():
    line = 'SYSTEM LINEAR < "€€€" ;'
    d = qel2json.translate(line + "\n").diagnostics[0]
    assert (d.column, d.character) == (29, line.index(";") + 1) == (29, 23)
    assert qel2json.translate(line.encode() + b"\n").diagnostics[0].character is None

    def characters(source):
        return [(d.line, d.character) for d in qel2json.translate(source).diagnostics]

    assert characters("SYSTEM\n\t; ;")[:2] == [(2, 2), (2, 4)]  # a tab is one, and lines count apart
    assert characters("SYSTEM\rä ;")[:3] == [(2, 1), (2, 1), (2, 3)]  # a carriage return ends a line too
    assert characters("é")[:2] == [(1, 1), (1, 1)]  # both bytes of one code point that begins no token
    # "\q" on the continued line: the literal's line, the byte's own column
    assert characters('"ä\\q\\\nä\\q"')[:2] == [(1, 4), (1, 3)]
    assert characters("SYSTEM ä") == [(1, 8), (1, 8), (2, 1), (2, 1)]  # the end of a text without a line end
    with qel2json.Translator(max_input_size=4) as bounded:
        assert [d.character for d in bounded.translate("SYSTEM").diagnostics] == [0]  # no place


def test_repr_of_a_result_is_short():
    assert repr(qel2json.translate_file(os.path.relpath(SOURCE_DIR / "examples" / "plant.qel"))) == (
        "<Result of '%s': status 0, a document of 8815 bytes, 0 diagnostics>"
        % os.path.relpath(SOURCE_DIR / "examples" / "plant.qel"))
    with qel2json.Translator(max_input_size=4) as bounded:
        assert repr(bounded.translate("SYSTEM", "a.qel")) == "<Result of 'a.qel': status 1, no document, 1 diagnostic>"


def test_an_input_bound_stops_reading_a_file_object():
    class Endless:
        asked = []

        def read(self, size=-1):
            self.asked.append(size)
            if size < 0:
                raise AssertionError("read to the end of an endless file")
            return b" " * size
    with qel2json.Translator(max_input_size=1000) as bounded:
        result = bounded.translate(Endless())
    assert Endless.asked == [1001] and result.diagnostics[-1].code == qel2json.Code.INPUT_TOO_LONG


def test_threads_give_the_sequential_results(descriptions):
    sources = [(case / "input.qel").read_bytes() for case in GOLDEN] + descriptions[:100]
    sequential = [qel2json.translate(s, "f.qel") for s in sources]
    with concurrent.futures.ThreadPoolExecutor(8) as pool:
        for _ in range(3):
            assert list(pool.map(qel2json.translate, sources, ["f.qel"] * len(sources))) == sequential


# Rounds in which one thread closes a Translator that another is translating
# with.  The close must wait: freed under the running translation, the
# translator's memory is unmapped and the worker crashes (a use after free
# that AddressSanitizer names, where the library is built with it).  A
# second translation at the same time is refused.  In a process of its own,
# so that a crash fails this test alone.
CLOSE_WHILE_TRANSLATING = """
import sys, threading, time, qel2json
source = open(sys.argv[1], "rb").read()
want = qel2json.translate(source)
overlapped = 0
for _ in range(int(sys.argv[2])):
    translator, started, got = qel2json.Translator(), threading.Event(), []
    def work():
        started.set()
        try:
            got.append(translator.translate(source))
        except ValueError:  # closed before it began: this round proves nothing
            pass
    worker = threading.Thread(target=work)
    worker.start()
    started.wait()
    time.sleep(0.02)
    try:
        translator.translate(b"")
    except RuntimeError:
        pass
    else:
        assert not got, "a second thread translated with a busy translator"
    translator.close()
    worker.join()
    if got:
        assert got == [want], "the translation closed under it gave another result"
        overlapped += 1
    try:
        translator.translate(b"")
    except ValueError as e:
        assert "closed" in str(e)
    translator.close()
print(overlapped > 0)
"""


def test_close_on_another_thread_waits_for_the_translation(tmp_path):
    path = tmp_path / "large.qel"  # 2 MB: some tenths of a second to translate
    path.write_bytes(subprocess.run([os.environ["QELGEN"], "description", "2000000", "5"],
                                    capture_output=True, check=True).stdout)
    r = subprocess.run([sys.executable, "-c", CLOSE_WHILE_TRANSLATING, str(path), "5"],
                       capture_output=True, text=True, timeout=300)
    assert (r.returncode, r.stdout) == (0, "True\n"), r.stderr


def test_bad_input_gives_a_clear_error(tmp_path):
    with pytest.raises(FileNotFoundError, match="missing.qel"):
        qel2json.translate_file(tmp_path / "missing.qel")
    with pytest.raises(IsADirectoryError, match=str(tmp_path)):
        qel2json.translate_file(tmp_path)
    with pytest.raises(UnicodeEncodeError, match="lone surrogate at line 2, character 3"):
        qel2json.translate('SYSTEM\n<"\ud800">')
    with pytest.raises(ValueError, match="NUL"):
        qel2json.translate("", "a\0b")
    for empty in ("", b""):
        agree(qel2json.translate(empty), *command_line([]))
    binary = random.Random(1).randbytes(100_000)
    result = qel2json.translate(binary)
    agree(result, *command_line([], stdin=binary))
    assert result.status == 1 and result.diagnostics[-1].severity == qel2json.Severity.DEADLY
    with qel2json.Translator(max_document_size=100) as small:
        assert small.translate_file(SOURCE_DIR / "examples" / "plant.qel").document is None
    with pytest.raises(ValueError, match="below 0"):
        qel2json.Translator(max_input_size=-1)  # not a bound of 2**64 - 1 bytes


def loaded_library(env):
    """The library that `import qel2json` loads with `env`, or why it loads none."""
    r = subprocess.run([sys.executable, "-c", "import qel2json; print(qel2json._native.LIBRARY)"],
                       env={**os.environ, **env}, capture_output=True, text=True)
    return r.stdout.strip() if r.returncode == 0 else r.stderr.strip().splitlines()[-1]


def test_version_and_library(tmp_path):
    assert qel2json.__version__ == qel2json.library_version == os.environ["QEL_VERSION"]
    assert 'version = "%s"' % qel2json.__version__ in (SOURCE_DIR / "python" / "pyproject.toml").read_text()
    with open("/proc/self/maps") as maps:
        loaded = {line.split()[-1] for line in maps if "libqel2json" in line}
    assert {os.path.realpath(p) for p in loaded} == {
        os.path.realpath(os.path.join(os.environ["QEL_BUILD_DIR"], "libqel2json.so.1"))}

    copy = tmp_path / "libqel2json-copy.so"
    copy.write_bytes(pathlib.Path(os.environ["QEL_BUILD_DIR"], "libqel2json.so.1").read_bytes())
    assert loaded_library({"QEL2JSON_LIBRARY": str(copy)}) == str(copy)
    missing = loaded_library({"QEL2JSON_LIBRARY": str(tmp_path / "none.so")})
    assert missing.startswith("ImportError") and "none.so: no such file" in missing and "QEL2JSON_LIBRARY" in missing
    assert "libm.so.6: not libqel2json of release 1.2 or later" in loaded_library({"QEL2JSON_LIBRARY": "libm.so.6"})
