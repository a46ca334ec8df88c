"""qel2json.format, write_description and dumps: descriptions written anew, descriptions written from
documents, and documents written from Python objects, each of which must translate to the document it
came from, byte for byte."""
import decimal
import io
import json
import pathlib
import pickle

import pytest

import qel2json
from conftest import GOLDEN, SOURCE_DIR
from qel2json import _api

EXAMPLES = sorted((SOURCE_DIR / "examples").glob("*.qel"))
SOURCES = [case / "input.qel" for case in GOLDEN] + EXAMPLES
WRITE_ERRORS = sorted((pathlib.Path(__file__).parent / "write-description-errors").glob("*.json"))


def name(path):
    return path.parent.name if path.name == "input.qel" else path.stem


def comments(text):
    data = _api.encode(text)
    return [data[t.offset:t.offset + t.length] for t in _api.records(data).tokens if t.code == 0]


def has_errors(result):
    return any(d.severity >= qel2json.Severity.ERROR for d in result.diagnostics)


def check_format(source):
    """format(source) keeps the document and the comments, and formats itself alike; with an ERROR,
    it raises with the diagnostics of the translation."""
    translated = qel2json.translate(source, "input.qel")
    if has_errors(translated):
        with pytest.raises(qel2json.TranslationError) as caught:
            qel2json.format(source, "input.qel")
        assert caught.value.diagnostics == translated.diagnostics
        assert caught.value.result.document is None and caught.value.result.status == 1
        return None
    formatted = qel2json.format(source)
    assert type(formatted) is type(source)
    assert qel2json.format(formatted) == formatted
    assert qel2json.translate(formatted).document == translated.document
    assert comments(formatted) == comments(source)
    return formatted


def test_format_takes_what_translate_takes_and_gives_its_type(tmp_path):
    path = SOURCE_DIR / "examples" / "plant.qel"
    data = path.read_bytes()
    formatted = qel2json.format(data)
    for source in (bytearray(data), memoryview(data), io.BytesIO(data), open(path, "rb")):
        assert qel2json.format(source) == formatted
    for source in (data.decode(), io.StringIO(data.decode()), open(path, encoding="utf-8")):
        assert qel2json.format(source) == formatted.decode()
    latin1 = data.replace(b'"plant"', b'"caf\xe9"') + b"-- caf\xe9\n"  # bytes stay as they were
    assert b'"caf\xe9"' in qel2json.format(latin1) and qel2json.format(latin1).endswith(b"-- caf\xe9\n")
    with pytest.raises(TypeError, match=r"format\(\) takes .* not PosixPath \(pass the file opened\)"):
        qel2json.format(path)
    with pytest.raises(TypeError, match=r"write_description\(\) takes .* not int"):
        qel2json.write_description(42)


def documents():
    """The documents of the examples and of the golden cases whose descriptions have no ERROR."""
    cases = [(p.stem, p.with_suffix(".json").read_bytes()) for p in EXAMPLES]
    cases += [(c.name, (c / "stdout").read_bytes()) for c in GOLDEN
              if not has_errors(qel2json.translate((c / "input.qel").read_bytes()))]
    return cases


@pytest.mark.parametrize("document", [d for _, d in documents()], ids=[n for n, _ in documents()])
def test_write_description_translates_back_to_the_document(document):
    description = qel2json.write_description(document)
    assert isinstance(description, bytes)
    assert qel2json.translate(description).document == document
    if document.isascii():
        assert qel2json.write_description(document.decode()) == description.decode()


@pytest.mark.parametrize("path", WRITE_ERRORS, ids=lambda p: p.stem)
def test_a_document_of_another_shape_names_its_place_and_path(path):
    document = path.read_bytes()
    for text, characters in ((document, False), (document.decode(), True)):
        with pytest.raises(qel2json.TranslationError) as caught:
            qel2json.write_description(text, path.name)
        e = caught.value
        assert str(e) + "\n" == path.with_suffix(".message").read_text()
        [d] = e.diagnostics
        assert 18 <= d.code <= 21 and e.result.document is None
        line = document.split(b"\n")[d.line - 1]
        at = d.offset - sum(len(each) + 1 for each in document.split(b"\n")[:d.line - 1])
        assert line[at:].startswith(document[d.offset:d.offset + d.length]) and d.column == at + 1
        assert (d.character == at + 1) if characters else d.character is None


def test_bounds_of_a_translator_hold_for_format_and_write_description():
    path = SOURCE_DIR / "examples" / "plant.qel"
    with qel2json.Translator(max_document_size=100) as small:
        for work, text in ((small.format, path.read_bytes()), (small.write_description, path.with_suffix(".json"))):
            with pytest.raises(qel2json.TranslationError) as caught:
                work(text.open("rb") if isinstance(text, pathlib.Path) else text)
            assert caught.value.diagnostics[-1].code == qel2json.Code.DOCUMENT_TOO_LONG
    with qel2json.Translator(max_input_size=100) as small:
        with pytest.raises(qel2json.TranslationError, match="input is longer than the limit"):
            small.format(path.read_bytes())
        # a document is no description: its input is read to its end
        document = path.with_suffix(".json").read_bytes()
        assert small.write_description(io.BytesIO(document)) == qel2json.write_description(document)


def round_trip(document, duplicates, **options):
    """The document translated from the description written from dumps(loads(document))."""
    return qel2json.translate(qel2json.write_description(qel2json.dumps(
        qel2json.loads(document, duplicates=duplicates, **options)))).document


def check_dumps(source):
    """dumps gives the document back through write_description in the modes that keep every member,
    and in the default mode unless a Matrix lost a member; False where the document is no JSON."""
    document = qel2json.translate(source).document
    try:
        qel2json.loads(source)
    except qel2json.DocumentError:
        return False
    assert round_trip(source, "list") == round_trip(source, "pairs") == document
    if b'"Matrix"' in document:
        with pytest.raises(qel2json.Error, match=r'\.Matrix: one "Index" member, .* duplicates="list" or "pairs"'):
            round_trip(source, "last")
    else:
        assert round_trip(source, "last") == document
    return True


@pytest.mark.parametrize("path", SOURCES, ids=name)
def test_format_and_dumps_keep_the_document(path):
    """format keeps meaning and comments and formats itself alike; dumps gives the document back."""
    source = path.read_bytes()
    formatted = check_format(source)
    if formatted is not None and source.isascii():
        assert check_format(source.decode()) == formatted.decode()
    if not has_errors(qel2json.translate(source)):
        check_dumps(source)


def test_generated_descriptions_format_write_and_dump_back(descriptions):
    refused = written = dumped = 0
    for source in descriptions:
        refused += check_format(source) is None
        result = qel2json.translate(source)
        if not has_errors(result):
            assert qel2json.translate(qel2json.write_description(result.document)).document == result.document
            written += 1
            dumped += check_dumps(source)
    assert 0 < refused < len(descriptions) / 2 and written > 150 and dumped > 150


PLANT = (SOURCE_DIR / "examples" / "plant.qel").read_text()
# Literals that Python's floats and strs do not give back as they stood, and some that they do.
REALS = PLANT.replace("1.5", "1.50").replace("< 0.0 2.0 >", "< 2.0e-4 1E5 -0.0 0.25 1e-05 >")
STRINGS = PLANT.replace('"drive"', r'"\u0041 \/ \\u \"q\" é \t"').replace('"gearbox"', '"gear\\nbox"')


def parameter(document):
    variables = document["Qel_Object"]["System"]["Specificationtree"]["Specificationtree_Specification"]
    return variables["Variables"]["Parameters"][0]


def test_values_keep_the_literals_their_values_do_not_give_back():
    reals = parameter(qel2json.loads(REALS, duplicates="list"))["Reals2"]
    assert [(type(r).__name__, getattr(r, "literal", None)) for r in reals] == [
        ("Real", "2.0e-4"), ("Real", "1E5"), ("float", None), ("float", None), ("float", None)]
    assert reals == [2.0e-4, 1e5, -0.0, 0.25, 1e-05]
    strings = qel2json.loads(STRINGS, duplicates="list")["Qel_Object"]["System"]["Strings"]
    assert strings == ['A / \\u "q" é \t', "gear\nbox"]
    assert type(strings[0]) is qel2json.String and strings[0].literal == r'"\u0041 \/ \\u \"q\" é \t"'
    assert type(strings[1]) is str
    for values in (reals, strings):
        again = pickle.loads(pickle.dumps(values))
        assert again == values and [getattr(v, "literal", None) for v in again] == [
            getattr(v, "literal", None) for v in values]
    for text in (REALS, STRINGS, PLANT):  # as json reads them, whichever of its readers reads them
        assert qel2json.loads(text) == json.loads(qel2json.translate(text).document)
        assert round_trip(text, "pairs") == qel2json.translate(text).document


def test_values_made_in_python_are_written_as_python_writes_them():
    document = qel2json.loads(REALS, duplicates="list")
    p = parameter(document)
    p["Name"], p["Reals1"], p["Param_Startvalue"]["Real"] = "new \"k\"", [0.1, 2.5e-300], 7.0
    text = qel2json.translate(qel2json.write_description(qel2json.dumps(document))).text
    assert '"Name": "new \\"k\\""' in text and '"Real": 7.0' in text and "2.5e-300" in text
    exact = qel2json.loads(REALS, duplicates="list", parse_float=decimal.Decimal)
    assert qel2json.loads(qel2json.write_description(qel2json.dumps(exact)), duplicates="list",
                          parse_float=decimal.Decimal) == exact


def test_what_dumps_cannot_write_names_its_path():
    document = qel2json.loads(PLANT, duplicates="list")
    parameter(document)["Reals1"][0] = float("nan")
    with pytest.raises(qel2json.Error, match=r"^Qel_Object\.System\..*\.Parameters\[0\]\.Reals1\[0\]: nan is no real"):
        qel2json.dumps(document)
    parameter(document)["Reals1"][0] = {1.0}
    with pytest.raises(TypeError, match=r"\.Parameters\[0\]\.Reals1\[0\]: set is no JSON value"):
        qel2json.dumps(document)
    with pytest.raises(qel2json.Error, match=r"^Qel_Object\.System\.Basicblocks\[0\]\.Basicblock_Linearrepresentation"
                                             r"\.Linearcode\.MatrixA\.Matrix: one \"Index\" member"):
        qel2json.dumps(qel2json.loads(PLANT))


def test_dumps_writes_documents_as_deep_as_loads_reads():
    source = (SOURCE_DIR / "examples" / "plant.qel").read_text()
    deep = "IDENT X < 1 >"
    for _ in range(120):  # some 360 levels of objects
        deep = "FUNCTION F < 1 > < %s >" % deep
    source = source.replace("IDENT X < 1 > 7", deep + " 7")
    assert round_trip(source, "pairs") == qel2json.translate(source).document
