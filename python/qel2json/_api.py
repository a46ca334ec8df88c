"""Translation in-process: translators, results and diagnostics."""
from __future__ import annotations

import ctypes
import enum
import os
import threading
from dataclasses import dataclass, field
from typing import NamedTuple, Optional, Protocol, TypeVar, Union

from . import _native


class Readable(Protocol):
    def read(self, size: int = ..., /) -> Union[str, bytes]: ...


Text = Union[str, bytes, bytearray, memoryview]
Source = Union[Text, Readable]
PathName = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


def decoded(data: bytes) -> str:
    return data.decode("utf-8", "surrogateescape")


class Severity(enum.IntEnum):
    """How grave a diagnostic is; ordered, so ``d.severity >= Severity.ERROR`` works."""

    NOTE = 0
    WARNING = 1
    ERROR = 2
    DEADLY = 3


class Code(enum.IntEnum):
    """What a diagnostic says: the numbers ``QEL2JSON_CODE_...`` of qel2json.h,
    which keep their meaning in every later release (docs/library.md has their table)."""

    NOT_A_TOKEN = 1
    INCOMPLETE_TOKEN = 2
    STRING_CUT_BY_LINE_END = 3
    NEWLINE_IN_STRING = 4
    STRING_CUT_BY_END = 5
    HEX_ESCAPE_WITHOUT_DIGITS = 6
    UNKNOWN_ESCAPE = 7
    SYNTAX_ERROR = 8
    PARSING_RESUMED = 9
    TOO_MANY_ERRORS = 10
    DOCUMENT_TOO_LONG = 11
    INPUT_TOO_LONG = 12
    CANNOT_WRITE = 13
    CANNOT_READ = 14
    OUT_OF_MEMORY = 15
    INTERNAL_FAULT = 16
    UNKNOWN_KEYWORD = 17
    DOCUMENT_NOT_JSON = 18
    MISSING_KEY = 19
    UNKNOWN_KEY = 20
    WRONG_VALUE = 21


Member = TypeVar("Member", bound=enum.IntEnum)


def _member(numbers: type[Member], number: int) -> Union[Member, int]:
    """The enum's member, or the number itself where a later library knows more numbers."""
    try:
        return numbers(number)
    except ValueError:
        return number


@dataclass(frozen=True)
class Diagnostic:
    """One diagnostic, as the command line prints it on one line of standard error.

    ``line`` and ``column`` count from 1 (columns in bytes, tabs moving to
    columns 1, 9, 17, ...); both are 0 for a diagnostic without a place.
    ``message`` is the text after ``"SEVERITY: "``, ``code`` says the same as
    a :class:`Code`.  ``expected`` names, for a syntax error, the terminals
    that could have stood there.  ``offset`` and ``length`` are the bytes of
    the input the diagnostic is about (0 and 0 without a place).  For a
    ``str`` input, ``character`` is the place's column in code points, as
    ``str`` indexing counts (see :func:`qel2json.translate`); ``None`` for
    bytes.  ``related`` is, for a "Parsing resumed here" note, the index of
    its "Syntax error" in the list, else ``None``.  ``str(d)`` is exactly the
    command line's line, without its line feed.  Texts that are not UTF-8 are
    decoded with ``surrogateescape``.
    """

    file: str
    line: int
    column: int
    severity: Severity
    message: str
    text: str = field(repr=False)
    expected: tuple[str, ...] = field(default=(), repr=False)
    code: Union[Code, int] = 0
    offset: int = field(default=0, repr=False)
    length: int = field(default=0, repr=False)
    character: Optional[int] = field(default=None, repr=False)
    related: Optional[int] = field(default=None, repr=False)

    def __str__(self) -> str:
        return self.text


@dataclass(frozen=True, repr=False)
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
        return None if self.document is None else decoded(self.document)

    @property
    def diagnostics_text(self) -> str:
        """Everything the command line writes on standard error: every line with its line feed."""
        return "".join(d.text + "\n" for d in self.diagnostics)

    def __repr__(self) -> str:
        document = "no document" if self.document is None else "a document of %d bytes" % len(self.document)
        count = len(self.diagnostics)
        return "<Result of %r: status %d, %s, %d diagnostic%s>" % (
            self.filename, self.status, document, count, "" if count == 1 else "s")


class Error(ValueError):
    """What qel2json raises where a text gives no usable result, or a document cannot be written."""


class TranslationError(Error):
    """The library's work ended with status 1: the text translated, formatted
    (:func:`format`) or written as a description (:func:`write_description`)
    has an ERROR, or the work ended early.  ``str()`` is its first ERROR (or
    DEADLY) line; ``result`` and ``diagnostics`` hold the rest."""

    def __init__(self, result: Result) -> None:
        self.result = result
        self.diagnostics = result.diagnostics
        errors = [d for d in result.diagnostics if d.severity >= Severity.ERROR]
        message = errors[0].text if errors else "%s: translation ended with status %d" % (
            result.filename, result.status)
        if len(errors) > 1:
            message += " (and %d more)" % (len(errors) - 1)
        super().__init__(message)

    def __reduce__(self):  # pickled with what __init__ takes, to travel between processes
        return type(self), (self.result,)


def _name(filename: PathName) -> bytes:
    name = os.fspath(filename)
    name = name.encode("utf-8", "surrogateescape") if isinstance(name, str) else name
    if b"\0" in name:
        raise ValueError("filename: a NUL byte in %r" % (name,))
    return name


def encode(source: Union[str, bytes]) -> bytes:
    """The bytes the library translates for a text."""
    if isinstance(source, bytes):
        return source
    try:
        return source.encode("utf-8")
    except UnicodeEncodeError as e:
        line = source.count("\n", 0, e.start) + 1
        column = e.start - (source.rfind("\n", 0, e.start) + 1) + 1
        raise UnicodeEncodeError(
            e.encoding, e.object, e.start, e.end,
            "a lone surrogate at line %d, character %d of the source: a str must be valid "
            "Unicode (pass bytes for text in another encoding)" % (line, column)) from None


TEXT_TYPES = "str, bytes, bytearray or memoryview"


def _as_text(source: object) -> Union[str, bytes, None]:
    if isinstance(source, (str, bytes)):
        return source
    if isinstance(source, (bytearray, memoryview)):
        return bytes(source)
    return None


def contents(source: Source, limit: int = 0, taker: str = "translate()") -> Union[str, bytes]:
    """The text of a source, read from it where it is a file object: at most
    `limit` + 1 bytes or characters when `limit` is set, enough to exceed it.
    `taker` names the function that takes it, for a source of another type."""
    text = _as_text(source)
    if text is not None:
        return text
    read = getattr(source, "read", None)
    if not callable(read):
        hint = ""
        if isinstance(source, os.PathLike):
            hint = " (translate_file() reads a path)" if taker == "translate()" else " (pass the file opened)"
        raise TypeError("%s takes %s, or a readable file object, not %s%s"
                        % (taker, TEXT_TYPES, type(source).__name__, hint))
    data = read(limit + 1) if limit else read()
    text = _as_text(data)
    if text is None:
        raise TypeError("read() of the %s gave %s, not str or bytes" % (type(source).__name__, type(data).__name__))
    return text


def character(data: bytes, offset: int, column: int) -> int:
    """The column, in code points, of the byte at `offset` of `data` (UTF-8)
    on its line, from 1, given its `column` in bytes (0 where it has no place).

    Lines end as the scanner ends them: at "\n", "\r" or both.  A byte inside
    a code point is at that code point.  Column 1 is the first character also
    where the library names the end of a text without a last line end so: as
    the first of the line after it."""
    if column <= 1:
        return column
    start = max(data.rfind(b"\n", 0, offset), data.rfind(b"\r", 0, offset)) + 1
    return len(data[start:offset].decode("utf-8", "ignore")) + 1  # a code point cut at `offset` is dropped


class Records(NamedTuple):
    """A translation's tokens and spans, as the library recorded them."""

    tokens: list[_native.Token]
    spans: list[_native.Span]


class Translator:
    """A translator of its own, with optional bounds.

    The module's functions use one translator per thread; make one of these
    to bound the size of the document or of the input (``max_document_size``,
    ``max_input_size``, in bytes; 0 for no bound): where the input cannot be
    trusted, a short description can ask for a huge document.  A translator
    is used by one thread at a time; :meth:`close` may come from any thread.
    """

    def __init__(self, max_document_size: int = 0, max_input_size: int = 0) -> None:
        # Held while the library works with the handle, and by close(): the
        # handle is freed only when no translation uses it.
        self._busy = threading.Lock()
        if min(max_document_size, max_input_size) < 0:
            raise ValueError("qel2json: a bound below 0 (0 is no bound)")
        self._handle = _native.translator_new()
        if not self._handle:
            raise MemoryError("qel2json: no memory for a translator")
        self._max_input_size = max_input_size
        _native.translator_set_max_document_size(self._handle, max_document_size)
        _native.translator_set_max_input_size(self._handle, max_input_size)

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

    def _run(self, work, data: bytes, name: bytes, options: int = 0) -> int:
        """The library's result of `work` (translate, format, write_description)
        on `data`; the caller frees it."""
        if not self._busy.acquire(blocking=False):
            raise RuntimeError("qel2json: a Translator is used by one thread at a time")
        try:
            if not self._handle:
                raise ValueError("qel2json: the Translator is closed")
            if options:
                _native.translator_set_options(self._handle, options)
            try:
                # One call, which releases the GIL while the library works: no
                # function of this module is called back.
                handle = work(self._handle, data, len(data), name)
            finally:
                if options:
                    _native.translator_set_options(self._handle, 0)
        finally:
            self._busy.release()
        if not handle:
            raise MemoryError("qel2json: no memory for the work on %s" % decoded(name))
        return handle

    def _result(self, work, text: Union[str, bytes], name: bytes) -> Result:
        """What the library's `work` gives for `text`: its document is the text written."""
        data = encode(text)
        handle = self._run(work, data, name)
        try:
            size = ctypes.c_size_t()
            held = _native.result_document(handle, ctypes.byref(size))
            document = ctypes.string_at(held, size.value) if held else None
            diagnostics = _diagnostics(handle, data if isinstance(text, str) else None)
            return Result(decoded(name), document, _native.result_status(handle), diagnostics)
        finally:
            _native.result_free(handle)

    def translate(self, source: Source, filename: PathName = "stdin") -> Result:
        """See :func:`qel2json.translate`."""
        name = _name(filename)
        return self._result(_native.translate, contents(source, self._max_input_size), name)

    def format(self, source: Source, filename: PathName = "stdin") -> Union[str, bytes]:
        """See :func:`qel2json.format`."""
        name = _name(filename)
        text = contents(source, self._max_input_size, "format()")
        return _written(self._result(_native.format, text, name), text)

    def write_description(self, document: Source, filename: PathName = "stdin") -> Union[str, bytes]:
        """See :func:`qel2json.write_description`."""
        name = _name(filename)
        text = contents(document, 0, "write_description()")  # the input bound is for descriptions
        return _written(self._result(_native.write_description, text, name), text)

    def translate_file(self, path: PathName) -> Result:
        """See :func:`qel2json.translate_file`."""
        path = os.fspath(path)  # not a file descriptor, which open() would take
        with open(path, "rb") as f:
            return self.translate(f, path)


def _written(result: Result, source: Union[str, bytes]) -> Union[str, bytes]:
    """The text that `result` holds, as the type of the text it was made from."""
    if result.status != 0 or result.document is None:
        raise TranslationError(result)
    return result.text if isinstance(source, str) else result.document


Record = TypeVar("Record", bound=ctypes.Structure)


def _copy(record: "ctypes._Pointer[Record]") -> Record:
    """A record of the result, copied out of the result's memory."""
    contents = record.contents
    return type(contents).from_buffer_copy(contents)


def _diagnostics(handle: int, text: Optional[bytes]) -> list[Diagnostic]:
    """The result's diagnostics; with `text`, the UTF-8 of the str translated, their characters."""
    diagnostics = []
    for i in range(_native.result_diagnostic_count(handle)):
        d = _native.result_diagnostic_at(handle, i).contents
        diagnostics.append(Diagnostic(
            decoded(d.file), d.line, d.column, _member(Severity, d.severity), decoded(d.message), decoded(d.text),
            tuple(decoded(d.expected[k]) for k in range(d.expected_count)), _member(Code, d.code),
            d.offset, d.length, None if text is None else character(text, d.offset, d.column),
            None if d.related == _native.NO_RELATED else d.related))
    return diagnostics


def records(data: bytes) -> Records:
    """The tokens and spans of the description `data`, translated without a document."""
    handle = translator()._run(_native.translate, data, b"stdin", _native.RECORD_SPANS | _native.NO_DOCUMENT)
    try:
        return Records([_copy(_native.result_token_at(handle, i)) for i in range(_native.result_token_count(handle))],
                       [_copy(_native.result_span_at(handle, i)) for i in range(_native.result_span_count(handle))])
    finally:
        _native.result_free(handle)


_local = threading.local()


def translator() -> Translator:
    """This thread's translator, for the module's functions."""
    made = getattr(_local, "translator", None)
    if made is None:
        made = _local.translator = Translator()
    return made


def translate(source: Source, filename: PathName = "stdin") -> Result:
    """Translates a description as the command line does.

    ``source`` is ``str`` (encoded as UTF-8; a lone surrogate raises
    ``UnicodeEncodeError``), ``bytes``, ``bytearray`` or ``memoryview``
    (their bytes as they are, NUL bytes included), or a readable file
    object, text or binary, which is read to its end.  Anything else raises
    ``TypeError``.  Diagnostics name the text ``filename``, as the command
    line names its argument (``"stdin"`` for standard input).

    For a ``str`` (also one read from a text file), every diagnostic has a
    ``character``: 1 plus the number of code points on the place's line
    before it, a tab counting as one, so that ``line[d.character - 1]`` is
    the character at the place, ``line`` being the place's line of
    ``re.split("\\r\\n?|\\n", source)`` (docs/python.md has the details).
    The GIL is released while the library translates, and each thread has a
    translator of its own, so threads translate at once.
    """
    return translator().translate(source, filename)


def translate_file(path: PathName) -> Result:
    """Translates the bytes of the file ``path`` (``str``, ``bytes`` or
    ``os.PathLike``); diagnostics name it as given.

    A file that cannot be read raises ``OSError`` (``FileNotFoundError``,
    ``IsADirectoryError``, ``PermissionError``) with the path.
    """
    return translator().translate_file(path)


def format(source: Source, filename: PathName = "stdin") -> Union[str, bytes]:
    """The description written anew in the one canonical layout of the library
    (docs/language.md, "Layout"), every comment where it stood; translating it
    gives the same document as ``source``.

    ``source`` is what :func:`translate` takes, and the text comes back as
    its type: ``str`` for a ``str`` (or a text file), ``bytes`` for bytes of
    any kind (or a binary file), which keeps a description in another
    encoding as it was.  A description with an ERROR is not formatted: that
    raises :class:`TranslationError` with its diagnostics.
    """
    return translator().format(source, filename)


def write_description(document: Source, filename: PathName = "stdin") -> Union[str, bytes]:
    """The description of a JSON document as qel2json writes it: translating
    the description gives the document again, byte for byte.

    ``document`` is JSON text as :func:`translate` takes a description
    (``str``, bytes of any kind, or a file object), and the description
    comes back as its type.  Blanks and line breaks between the document's
    tokens may be any; its members must stand in the order qel2json writes
    them, its strings and reals as literals of the description language.
    A document of another shape raises :class:`TranslationError` with one
    diagnostic: its line and column in the document, and its path there, as
    in ``Qel_Object.System.Strings[2]: expected a string literal, found 7``.
    """
    return translator().write_description(document, filename)
