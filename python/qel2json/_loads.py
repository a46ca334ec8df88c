"""The document as Python objects, and where in the description a document that is no JSON went wrong."""
from __future__ import annotations

import json
import json.decoder
import json.encoder
import json.scanner
import re
from typing import Any, Callable, Literal, NamedTuple, Optional, Union

from . import _native
from ._api import (TEXT_TYPES, Error, PathName, Readable, Records, Result, Text, TranslationError, character,
                   contents, decoded, encode, records, translate)


class Place(NamedTuple):
    """Where bytes of a description stand, counted as diagnostics count."""

    line: int
    column: int               # in bytes, tabs moving to columns 1, 9, 17, ...
    character: Optional[int]  # in code points, for a str; None for bytes
    offset: int
    length: int


class DocumentError(Error):
    """The document is no valid JSON, as where a literal is written as it stands in
    the description (``.5``, ``1.0F``, ``"\\x41"``): see docs/output.md, "Strict JSON".

    ``lineno`` and ``colno`` place the fault in the document (from 1, as
    ``json.JSONDecodeError`` does); ``line`` is that line of the document;
    ``reason`` is what is wrong there.  ``place`` is the literal's
    :class:`Place` in the description (``None`` where it cannot be found);
    ``result`` is the translation.
    """

    def __init__(self, result: Result, at: int, reason: str, place: Optional[Place]) -> None:
        document = result.document
        assert document is not None
        start = document.rfind(b"\n", 0, at) + 1
        end = document.find(b"\n", at) % (len(document) + 1)  # the document's end where no line end follows
        self.result, self.reason, self.place, self._at = result, reason, place, at
        self.lineno = document.count(b"\n", 0, at) + 1
        self.colno = len(decoded(document[start:at])) + 1
        self.line = decoded(document[start:end]).strip()
        where = '"%s", line %d:%d' % (result.filename, place.line, place.column) if place else result.filename
        shown = document[start:end].decode("utf-8", "backslashreplace").strip()  # printable, whatever the bytes
        shown = shown if len(shown) <= 100 else shown[:97] + "..."
        super().__init__("%s: a literal written as it stands is not valid JSON in line %d of the document "
                         "(%s at column %d): %s" % (where, self.lineno, reason, self.colno, shown))

    def __reduce__(self):  # pickled with what __init__ takes, to travel between processes
        return type(self), (self.result, self._at, self.reason, self.place)


# A value or key of the document: a string (a key where a colon follows), or
# a bare word.  Strings hold the bytes of the description's literals, in
# which a backslash escapes any byte, a line end too.
_TOKEN = re.compile(rb'("(?:[^"\\]|\\.)*")( *:)?|[^\s{}\[\],:"]+', re.S)
# Bare words that come from no string or real literal: the null of a NIL,
# and integers, written from their values.
_NOT_FROM_A_LITERAL = re.compile(rb"null|-?[0-9]+")


def _document_literal(document: bytes, at: int) -> Optional[tuple[int, bytes]]:
    """The literal of the document that holds byte `at`: its index among the
    document's string and real literals, and its bytes."""
    index, last = -1, None
    for token in _TOKEN.finditer(document):
        if token.start() > at:
            break
        if token.group(2) or _NOT_FROM_A_LITERAL.fullmatch(token.group()):
            continue
        index, last = index + 1, token
    if last is None or at > last.end():
        return None
    return index, last.group(1) or last.group()


def _printed(records: Records) -> list[_native.Token]:
    """The string and real literals of a description that its document holds,
    in the order the document holds them, which is the text's: all but those
    of a NIL."""
    nils = sorted((s.begin, s.end) for s in records.spans if s.code == _native.KIND_NIL)
    printed, n = [], 0
    for token in records.tokens:
        while n < len(nils) and nils[n][1] <= token.offset:
            n += 1
        inside_nil = n < len(nils) and nils[n][0] <= token.offset
        if token.kind in (_native.TOKEN_REAL, _native.TOKEN_STRING) and not inside_nil:
            printed.append(token)
    return printed


def _place(text: Union[str, bytes], document: bytes, at: int) -> Optional[Place]:
    """Where the literal that holds byte `at` of the document stands in the description `text`."""
    found = _document_literal(document, at)
    if found is None:
        return None
    index, literal = found
    data = encode(text)
    printed = _printed(records(data))
    token = printed[index] if index < len(printed) else None
    if token is None or data[token.offset:token.offset + token.length] != literal:
        return None
    characters = character(data, token.offset, token.column) if isinstance(text, str) else None
    return Place(token.line, token.column, characters, token.offset, token.length)


class String(str):
    """A string of the document whose literal is not how JSON writes its value,
    as ``"\\u0041"`` or ``"a\\/b"``: the ``str`` it stands for, with its
    ``literal`` (quotes included), which :func:`dumps` writes."""

    literal: str

    def __new__(cls, value: str, literal: str) -> "String":
        string = super().__new__(cls, value)
        string.literal = literal
        return string

    def __reduce__(self):
        return type(self), (str(self), self.literal)


class Real(float):
    """A real of the document whose literal is not how Python writes its value,
    as ``1.50``, ``2.0e-4`` or ``1E5``: the ``float``, with its ``literal``,
    which :func:`dumps` writes."""

    __slots__ = ("literal",)

    def __new__(cls, literal: str) -> "Real":
        real = super().__new__(cls, literal)
        real.literal = literal
        return real

    def __reduce__(self):
        return type(self), (self.literal,)


class Repeated(list):
    """The values of a key that an object repeats, in order, as
    ``loads(..., duplicates="list")`` gathers them (the two ``"Index"``
    members of a ``Matrix``): :func:`dumps` writes each as a member."""


# How json writes a str, which dumps writes for every str that keeps no literal.
json_string: Callable[[str], str] = json.encoder.encode_basestring


def _real(literal: str) -> float:
    value = float(literal)
    return value if float.__repr__(value) == literal else Real(literal)


def _string(text: str, end: int, strict: bool) -> tuple[str, int]:
    """The decoder's reading of the string that begins before `end`, keeping its literal where it must."""
    value, stop = json.decoder.scanstring(text, end, strict)
    literal = text[end - 1:stop]
    return (value if json_string(value) == literal else String(value, literal)), stop


# An escape that json never writes: only a text that has one holds a string
# whose literal its value cannot give back.  (It also finds an escaped
# backslash before a "u", in vain.)
_FOREIGN_ESCAPE = re.compile(r"\\[u/]")


def _decoder(text: str, hook: Optional[Callable[[list[tuple[str, Any]]], Any]],
             parse_float: Optional[Callable[[str], Any]]) -> json.JSONDecoder:
    """A reader of `text` whose strings and reals keep the literals that their values cannot give back."""
    decoder = json.JSONDecoder(object_pairs_hook=hook, parse_float=parse_float or _real)
    if _FOREIGN_ESCAPE.search(text):  # json's fast reader makes strings itself; its Python reader asks parse_string
        decoder.parse_string = _string  # type: ignore[attr-defined]
        decoder.scan_once = json.scanner.py_make_scanner(decoder)
    return decoder


def _keep_repeated(pairs: list[tuple[str, Any]]) -> dict[str, Any]:
    obj: dict[str, Any] = {}
    for key, value in pairs:
        if key not in obj:
            obj[key] = value
        elif isinstance(obj[key], Repeated):
            obj[key].append(value)
        else:
            obj[key] = Repeated([obj[key], value])
    return obj


_HOOKS: dict[str, Optional[Callable[[list[tuple[str, Any]]], Any]]] = {
    "last": None, "list": _keep_repeated, "pairs": list}
Duplicates = Literal["last", "list", "pairs"]


def _document(text: Union[str, bytes], filename: PathName, duplicates: Duplicates,
              parse_float: Optional[Callable[[str], Any]]) -> Any:
    if duplicates not in _HOOKS:
        raise ValueError("duplicates: %r is not one of %s" % (duplicates, ", ".join(_HOOKS)))
    result = translate(text, filename)
    if result.status != 0 or result.document is None:
        raise TranslationError(result)
    document = result.document
    try:
        json_text = document.decode("utf-8")
        return _decoder(json_text, _HOOKS[duplicates], parse_float).decode(json_text)
    except UnicodeDecodeError as e:
        at, reason = e.start, "bytes that are not UTF-8"
    except json.JSONDecodeError as e:
        at, reason = len(json_text[:e.pos].encode("utf-8")), e.msg[:-3] if e.msg.endswith(" at") else e.msg
    raise DocumentError(result, at, reason, _place(text, document, at))


def loads(source: Text, filename: PathName = "stdin", *, duplicates: Duplicates = "last",
          parse_float: Optional[Callable[[str], Any]] = None) -> Any:
    """Translates a description and returns its document as Python objects.

    ``source`` is ``str``, ``bytes``, ``bytearray`` or ``memoryview``, as
    :func:`translate` takes it (:func:`load` reads a file object).  Raises
    :class:`TranslationError` where the status is not 0, and
    :class:`DocumentError`, naming the literal's place in the description
    and the line of the document, where a literal written as it stands in
    the description is no valid JSON.

    A ``Matrix`` object has two members named ``"Index"``: the integers, then
    the entries.  ``duplicates`` says what becomes of a key that an object
    repeats:

    - ``"last"`` (as ``json.loads``): the last member is kept, so
      ``matrix["Index"]`` is the entries.
    - ``"list"``: the values of a repeated key are gathered, in order, in a
      :class:`Repeated` list, so ``matrix["Index"] == [integers, entries]``;
      other keys are as with ``"last"``.
    - ``"pairs"``: every object is a list of ``(key, value)`` pairs.

    Strings are ``str`` and reals ``float``, but for those whose literal is
    not how JSON writes the value: a :class:`String` (``"\\u0041"``) or a
    :class:`Real` (``1.50``) also holds its ``literal``, so that
    :func:`dumps` writes the document as it was.  ``parse_float`` is handed
    to the JSON reader in place of that (``decimal.Decimal`` keeps reals'
    values exact, not their literals).
    """
    if not isinstance(source, (str, bytes, bytearray, memoryview)):
        hint = " (load() reads a file object)" if callable(getattr(source, "read", None)) else ""
        raise TypeError("loads() takes %s, not %s%s" % (TEXT_TYPES, type(source).__name__, hint))
    return _document(contents(source), filename, duplicates, parse_float)


def load(fp: Readable, filename: PathName = "stdin", *, duplicates: Duplicates = "last",
         parse_float: Optional[Callable[[str], Any]] = None) -> Any:
    """Reads a file object, text or binary, to its end and does what :func:`loads` does with it."""
    if not callable(getattr(fp, "read", None)):
        raise TypeError("load() takes a readable file object, not %s (loads() takes the text itself)"
                        % type(fp).__name__)
    return _document(contents(fp), filename, duplicates, parse_float)
