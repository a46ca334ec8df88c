"""Translation in-process: results, diagnostics, and the document as Python objects."""
from __future__ import annotations

import ctypes
import enum
import json
import os
import threading
from dataclasses import dataclass, field
from typing import Any, Callable, Literal, Optional, Union

from . import _native

Source = Union[str, bytes, bytearray, memoryview]
PathName = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


def _text(data: bytes) -> str:
    return data.decode("utf-8", "surrogateescape")


class Severity(enum.IntEnum):
    """How grave a diagnostic is; ordered, so ``d.severity >= Severity.ERROR`` works."""

    NOTE = 0
    WARNING = 1
    ERROR = 2
    DEADLY = 3


@dataclass(frozen=True)
class Diagnostic:
    """One diagnostic, as the command line prints it on one line of standard error.

    ``line`` and ``column`` count from 1 (columns in bytes, tabs moving to
    columns 1, 9, 17, ...); both are 0 for a diagnostic without a place.
    ``message`` is the text after ``"SEVERITY: "``.  ``expected`` names, for
    a syntax error, the terminals that could have stood there.  ``str(d)``
    is exactly the command line's line, without its line feed.  Texts that
    are not UTF-8 are decoded with ``surrogateescape``.
    """

    file: str
    line: int
    column: int
    severity: Severity
    message: str
    text: str = field(repr=False)
    expected: tuple[str, ...] = field(default=(), repr=False)

    def __str__(self) -> str:
        return self.text


@dataclass(frozen=True)
class Result:
    """What one translation gives: what the command line writes, and its exit status.

    ``document`` holds the exact bytes the command line writes on standard
    output, or ``None`` where it writes nothing (the translation ended
    early on a DEADLY diagnostic).  ``status`` is its exit status, 0 or 1.
    """

    filename: str
    document: Optional[bytes]
    status: int
    diagnostics: list[Diagnostic]

    @property
    def ok(self) -> bool:
        """``status == 0``: no ERROR was reported."""
        return self.status == 0

    @property
    def text(self) -> Optional[str]:
        """The document as ``str``, decoded with ``surrogateescape`` so that
        ``text.encode("utf-8", "surrogateescape") == document``."""
        return None if self.document is None else _text(self.document)

    @property
    def diagnostics_text(self) -> str:
        """Everything the command line writes on standard error: every line with its line feed."""
        return "".join(d.text + "\n" for d in self.diagnostics)


class TranslationError(Exception):
    """A translation whose status is not 0; ``str()`` is its first ERROR (or DEADLY) line."""

    def __init__(self, result: Result) -> None:
        self.result = result
        self.diagnostics = result.diagnostics
        errors = [d for d in result.diagnostics if d.severity >= Severity.ERROR]
        message = errors[0].text if errors else "%s: translation ended with status %d" % (
            result.filename, result.status)
        if len(errors) > 1:
            message += " (and %d more)" % (len(errors) - 1)
        super().__init__(message)


class DocumentError(ValueError):
    """The document is no valid JSON, as where a literal is written as it stands in
    the description (``.5``, ``1.0F``, ``"\\x41"``): see docs/output.md, "Strict JSON".

    ``lineno`` and ``colno`` place the fault in the document (from 1);
    ``line`` is that line of the document; ``result`` is the translation.
    """

    def __init__(self, result: Result, lineno: int, colno: int, reason: str) -> None:
        assert result.document is not None
        self.result, self.lineno, self.colno = result, lineno, colno
        self.line = _text(result.document.split(b"\n")[lineno - 1]).strip()
        super().__init__("%s: line %d of the document is not valid JSON at column %d (%s), a "
                         "literal written as it stands in the description: %s"
                         % (result.filename, lineno, colno, reason, self.line))


def _name(filename: PathName) -> bytes:
    name = os.fspath(filename)
    name = name.encode("utf-8", "surrogateescape") if isinstance(name, str) else name
    if b"\0" in name:
        raise ValueError("filename: a NUL byte in %r" % (name,))
    return name


def _encode(source: Source) -> bytes:
    if not isinstance(source, str):
        return bytes(source)
    try:
        return source.encode("utf-8")
    except UnicodeEncodeError as e:
        line = source.count("\n", 0, e.start) + 1
        column = e.start - (source.rfind("\n", 0, e.start) + 1) + 1
        raise UnicodeEncodeError(
            e.encoding, e.object, e.start, e.end,
            "a lone surrogate at line %d, character %d of the source: a str must be valid "
            "Unicode (pass bytes for text in another encoding)" % (line, column)) from None


class Translator:
    """A translator of its own, with an optional bound on the document's size.

    The module's functions use one translator per thread; make one of these
    to set ``max_document_size`` (bytes, 0 for no bound: where the input
    cannot be trusted, a short description can ask for a huge document).
    A translator is used by one thread at a time.
    """

    def __init__(self, max_document_size: int = 0) -> None:
        # Held while the library works with the handle, and by close(): the
        # handle is freed only when no translation uses it.
        self._busy = threading.Lock()
        self._handle = _native.translator_new()
        if not self._handle:
            raise MemoryError("qel2json: no memory for a translator")
        _native.translator_set_max_document_size(self._handle, max_document_size)

    def __del__(self) -> None:
        self.close()

    def close(self) -> None:
        """Frees the translator's memory; it cannot translate after this.

        A translation that runs on another thread ends first, with its result.
        """
        busy = getattr(self, "_busy", None)
        if busy is None:  # __init__ did not get that far
            return
        with busy:
            handle, self._handle = getattr(self, "_handle", None), None
        if handle:
            _native.translator_free(handle)

    def __enter__(self) -> "Translator":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def translate(self, source: Source, filename: PathName = "stdin") -> Result:
        """See :func:`qel2json.translate`."""
        data, name = _encode(source), _name(filename)
        if not self._busy.acquire(blocking=False):
            raise RuntimeError("qel2json: a Translator is used by one thread at a time")
        try:
            if not self._handle:
                raise ValueError("qel2json: the Translator is closed")
            # One call, which releases the GIL while the library works: no
            # function of this module is called back.
            handle = _native.translate(self._handle, data, len(data), name)
        finally:
            self._busy.release()
        if not handle:
            raise MemoryError("qel2json: no memory for the translation of %s" % _text(name))
        try:
            size = ctypes.c_size_t()
            held = _native.result_document(handle, ctypes.byref(size))
            document = ctypes.string_at(held, size.value) if held else None
            return _result(handle, _text(name), document)
        finally:
            _native.result_free(handle)

    def translate_file(self, path: PathName) -> Result:
        """See :func:`qel2json.translate_file`."""
        with open(path, "rb") as f:
            data = f.read()
        return self.translate(data, path)


def _result(handle: int, filename: str, document: Optional[bytes]) -> Result:
    diagnostics = []
    for i in range(_native.result_diagnostic_count(handle)):
        d = _native.result_diagnostic_at(handle, i).contents
        expected = tuple(_text(d.expected[k]) for k in range(d.expected_count))
        diagnostics.append(Diagnostic(_text(d.file), d.line, d.column, Severity(d.severity),
                                      _text(d.message), _text(d.text), expected))
    return Result(filename, document, _native.result_status(handle), diagnostics)


_local = threading.local()


def _translator() -> Translator:
    translator = getattr(_local, "translator", None)
    if translator is None:
        translator = _local.translator = Translator()
    return translator


def translate(source: Source, filename: PathName = "stdin") -> Result:
    """Translates a description as the command line does.

    ``source`` is ``str`` (encoded as UTF-8; a lone surrogate raises
    ``UnicodeEncodeError``) or ``bytes`` (passed as they are, NUL bytes
    included).  Diagnostics name the text ``filename``, as the command line
    names its argument (``"stdin"`` for standard input).  The GIL is
    released while the library translates, and each thread has a translator
    of its own, so threads translate at once.
    """
    return _translator().translate(source, filename)


def translate_file(path: PathName) -> Result:
    """Translates the bytes of the file ``path``; diagnostics name it as given.

    A file that cannot be read raises ``OSError`` (``FileNotFoundError``,
    ``IsADirectoryError``, ``PermissionError``) with the path.
    """
    return _translator().translate_file(path)


def _keep_repeated(pairs: list[tuple[str, Any]]) -> dict[str, Any]:
    obj: dict[str, Any] = {}
    repeated = set()
    for key, value in pairs:
        if key not in obj:
            obj[key] = value
        elif key in repeated:
            obj[key].append(value)
        else:
            obj[key] = [obj[key], value]
            repeated.add(key)
    return obj


_HOOKS: dict[str, Optional[Callable[[list[tuple[str, Any]]], Any]]] = {
    "last": None, "list": _keep_repeated, "pairs": list}


def loads(source: Source, filename: PathName = "stdin", *,
          duplicates: Literal["last", "list", "pairs"] = "last",
          parse_float: Optional[Callable[[str], Any]] = None) -> Any:
    """Translates a description and returns its document as Python objects.

    Raises :class:`TranslationError` where the status is not 0, and
    :class:`DocumentError`, naming the line of the document, where a literal
    written as it stands in the description is no valid JSON.

    A ``Matrix`` object has two members named ``"Index"``: the integers, then
    the entries.  ``duplicates`` says what becomes of a key that an object
    repeats:

    - ``"last"`` (as ``json.loads``): the last member is kept, so
      ``matrix["Index"]`` is the entries.
    - ``"list"``: the values of a repeated key are gathered, in order, in a
      list, so ``matrix["Index"] == [integers, entries]``; other keys are as
      with ``"last"``.
    - ``"pairs"``: every object is a list of ``(key, value)`` pairs.

    ``parse_float`` is handed to ``json.loads`` (``decimal.Decimal`` keeps
    reals exact).
    """
    if duplicates not in _HOOKS:
        raise ValueError("duplicates: %r is not one of %s" % (duplicates, ", ".join(_HOOKS)))
    result = translate(source, filename)
    if result.status != 0 or result.document is None:
        raise TranslationError(result)
    document = result.document
    try:
        text = document.decode("utf-8")
        return json.loads(text, object_pairs_hook=_HOOKS[duplicates], parse_float=parse_float)
    except UnicodeDecodeError as e:
        line = document.count(b"\n", 0, e.start) + 1
        column = e.start - (document.rfind(b"\n", 0, e.start) + 1) + 1
        raise DocumentError(result, line, column, "bytes that are not UTF-8") from None
    except json.JSONDecodeError as e:
        raise DocumentError(result, e.lineno, e.colno, e.msg) from None
