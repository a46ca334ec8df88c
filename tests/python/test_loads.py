"""qel2json.loads and load: the document as Python objects, and the description's place of a literal
that makes the document invalid JSON."""
import io
import pathlib
import pickle
import random

import pytest

import qel2json
from conftest import SOURCE_DIR
from qel2json import _api, _native

DOCUMENT_ERRORS = sorted((pathlib.Path(__file__).parent / "document-errors").glob("*.qel"))


def test_loads():
    source = (SOURCE_DIR / "examples" / "mass-spring-damper.qel").read_bytes()
    code = lambda document: document["Qel_Object"]["System"]["Basicblocks"][0][
        "Basicblock_Linearrepresentation"]["Linearcode"]["MatrixB"]["Matrix"]
    entries = code(qel2json.loads(source))["Index"]
    integers, both_entries = code(qel2json.loads(source, duplicates="list"))["Index"]
    assert both_entries == entries and all(isinstance(i, int) for i in integers)
    pairs = qel2json.loads(source, duplicates="pairs")
    assert pairs[0][0] == "Qel_Object" and isinstance(pairs[0][1], list)
    with pytest.raises(ValueError, match="duplicates"):
        qel2json.loads(source, duplicates="first")


def test_load_reads_text_and_binary_files(tmp_path):
    path = SOURCE_DIR / "examples" / "plant.qel"
    want = qel2json.loads(path.read_bytes())
    with open(path, encoding="utf-8") as text, open(path, "rb") as binary:
        assert qel2json.load(text) == qel2json.load(binary) == want
    assert qel2json.load(io.BytesIO(path.read_bytes()), duplicates="pairs") == qel2json.loads(
        memoryview(path.read_bytes()), duplicates="pairs")
    with pytest.raises(TypeError, match=r"TextIOWrapper \(load\(\) reads a file object\)"):
        with open(path) as f:
            qel2json.loads(f)
    with pytest.raises(TypeError, match=r"not str \(loads\(\) takes the text itself\)"):
        qel2json.load(path.read_text())
    with pytest.raises(TypeError, match="not int"):
        qel2json.loads(42)


def test_errors_are_value_errors_that_travel_between_processes():
    broken = (SOURCE_DIR / "tests" / "golden" / "syntax-and-lexical-errors" / "input.qel").read_bytes()
    with pytest.raises(ValueError) as caught:  # as json.JSONDecodeError is
        qel2json.loads(broken, "input.qel")
    e = caught.value
    assert type(e) is qel2json.TranslationError and isinstance(e, qel2json.Error)
    first = next(d for d in e.diagnostics if d.severity >= qel2json.Severity.ERROR)
    assert str(e).startswith(str(first) + " (and ") and e.result.status == 1
    again = pickle.loads(pickle.dumps(e))
    assert (type(again), str(again), again.result) == (type(e), str(e), e.result)
    assert issubclass(qel2json.DocumentError, qel2json.Error) and issubclass(qel2json.Error, ValueError)


@pytest.mark.parametrize("case", DOCUMENT_ERRORS, ids=lambda p: p.stem)
def test_a_document_error_names_the_literal_in_the_description(case):
    data = case.read_bytes()
    with pytest.raises(qel2json.DocumentError) as caught:
        qel2json.loads(data, "input.qel")
    e = caught.value
    assert str(e) + "\n" == case.with_suffix(".message").read_text(encoding="utf-8")
    document = e.result.document
    line_start = sum(len(line) + 1 for line in document.split(b"\n")[:e.lineno - 1])
    literal = data[e.place.offset:e.place.offset + e.place.length]
    assert document.find(literal, line_start) < document.find(b"\n", line_start)  # it is in that line
    assert e.line == document[line_start:].split(b"\n")[0].decode("utf-8", "surrogateescape").strip()
    again = pickle.loads(pickle.dumps(e))
    assert (str(again), again.place, again.lineno, again.colno) == (str(e), e.place, e.lineno, e.colno)
    assert e.place.character is None
    if b"\xe9" not in data:  # the same from a str, whose place has a character
        with pytest.raises(qel2json.DocumentError) as caught:
            qel2json.load(io.StringIO(data.decode()), "input.qel")
        assert str(caught.value) == str(e)
        text_line = data.decode().split("\n")[e.place.line - 1]
        assert text_line[caught.value.place.character - 1:].startswith(literal.decode().split("\n")[0])


def test_the_place_is_the_literal_made_invalid(descriptions):
    """Every literal of a description may be the one: each valid description
    once with one literal, at random, made invalid JSON."""
    rng, placed, in_nil = random.Random(5), 0, 0
    for source in descriptions:
        try:
            qel2json.loads(source)
        except qel2json.Error:
            continue
        records = _api.records(source)
        literals = [t for t in records.tokens if t.kind in (_native.TOKEN_REAL, _native.TOKEN_STRING)]
        token = rng.choice(literals)
        if token.kind == _native.TOKEN_REAL:
            broken = source[:token.offset] + b".5" + source[token.offset + token.length:]
        else:  # an unknown escape, which the library notes and keeps
            broken = source[:token.offset + 1] + b"\\q" + source[token.offset + 1:]
        try:
            qel2json.loads(broken)
        except qel2json.DocumentError as e:
            assert e.place.offset == token.offset
            placed += 1
        else:  # a string of a NIL, which the document does not hold
            assert any(s.code == _native.KIND_NIL and s.begin <= token.offset < s.end for s in records.spans)
            in_nil += 1
    assert placed > 100 and in_nil > 0
