"""The C interface of libqel2json (qel2json.h), loaded with ctypes.

The library is the one the environment variable ``QEL2JSON_LIBRARY`` names
(a path, or a name for the system's search), where it is set; else the one
``cmake --install`` and the Debian package put beside this package (the
relative path is written into ``_location.py`` at install time); else the
system's own search for ``libqel2json.so.1`` (the ld.so cache,
``LD_LIBRARY_PATH``), which is where a package installed with pip finds it.
Calls through ctypes release the GIL, so translators on different threads
run at once.
"""
from __future__ import annotations

import ctypes
import os
from ctypes import POINTER, c_char_p, c_int, c_size_t, c_uint, c_void_p

SONAME = "libqel2json.so.1"
LIBRARY_VARIABLE = "QEL2JSON_LIBRARY"
NEEDED = "1.2"  # the release whose records (codes, byte places, spans) the package reads

NO_RELATED = ctypes.c_size_t(-1).value
RECORD_SPANS = 2  # QEL2JSON_RECORD_SPANS: spans, and the tokens too
NO_DOCUMENT = 4   # QEL2JSON_NO_DOCUMENT
TOKEN_REAL, TOKEN_STRING = 4, 5  # QEL2JSON_TOKEN_REAL, QEL2JSON_TOKEN_STRING
KIND_NIL = 49  # QEL2JSON_KIND_NIL: a node whose strings the document does not hold


class Diagnostic(ctypes.Structure):
    """struct qel2json_diagnostic."""

    _fields_ = [
        ("file", c_char_p),
        ("line", c_int),
        ("column", c_int),
        ("severity", c_int),
        ("message", c_char_p),
        ("text", c_char_p),
        ("expected", POINTER(c_char_p)),
        ("expected_count", c_size_t),
        ("code", c_int),
        ("offset", c_size_t),
        ("length", c_size_t),
        ("related", c_size_t),
        ("suggestion", c_char_p),
    ]


class Token(ctypes.Structure):
    """struct qel2json_token."""

    _fields_ = [
        ("code", c_int),
        ("kind", c_int),
        ("name", c_char_p),
        ("offset", c_size_t),
        ("length", c_size_t),
        ("line", c_int),
        ("column", c_int),
    ]


class Span(ctypes.Structure):
    """struct qel2json_span."""

    _fields_ = [
        ("kind", c_char_p),
        ("begin", c_size_t),
        ("end", c_size_t),
        ("name_begin", c_size_t),
        ("name_end", c_size_t),
        ("parent", c_size_t),
        ("code", c_int),
    ]


def _candidates() -> list[str]:
    named = os.environ.get(LIBRARY_VARIABLE)
    if named:
        return [named]  # nothing else: a test or a user asked for this one
    here = os.path.dirname(os.path.abspath(__file__))
    found = []
    try:
        from ._location import LIBRARY  # written by cmake --install
    except ImportError:
        pass
    else:
        found.append(os.path.normpath(os.path.join(here, LIBRARY)))
    return found + [SONAME]


def _open(name: str) -> ctypes.CDLL:
    """The library `name`; OSError saying why not, also for another library or an older release."""
    if os.sep in name and not os.path.exists(name):
        raise OSError("%s: no such file" % name)
    library = ctypes.CDLL(name)
    if not hasattr(library, "qel2json_version_number"):  # came with NEEDED
        raise OSError("%s: not libqel2json of release %s or later" % (name, NEEDED))
    return library


def _load() -> tuple[ctypes.CDLL, str]:
    tried = []
    for name in _candidates():
        try:
            return _open(name), name
        except OSError as e:
            tried.append(str(e))
    raise ImportError("qel2json: cannot load the library libqel2json.so.1 (release %s or later; tried: %s); "
                      "install it (cmake --install, or the Debian package qel2json), put its folder on "
                      "LD_LIBRARY_PATH, or name it in %s" % (NEEDED, "; ".join(tried), LIBRARY_VARIABLE))


lib, LIBRARY = _load()


def _declare(name: str, restype, *argtypes):
    function = getattr(lib, "qel2json_" + name)
    function.restype = restype
    function.argtypes = argtypes
    return function


version: str = _declare("version", c_char_p)().decode("ascii")
translator_new = _declare("translator_new", c_void_p)
translator_free = _declare("translator_free", None, c_void_p)
translator_set_max_document_size = _declare("translator_set_max_document_size", None, c_void_p, c_size_t)
translator_set_max_input_size = _declare("translator_set_max_input_size", None, c_void_p, c_size_t)
translator_set_options = _declare("translator_set_options", c_int, c_void_p, c_uint)
translate = _declare("translate", c_void_p, c_void_p, c_char_p, c_size_t, c_char_p)
format = _declare("format", c_void_p, c_void_p, c_char_p, c_size_t, c_char_p)
write_description = _declare("write_description", c_void_p, c_void_p, c_char_p, c_size_t, c_char_p)
result_document = _declare("result_document", c_void_p, c_void_p, POINTER(c_size_t))
result_status = _declare("result_status", c_int, c_void_p)
result_diagnostic_count = _declare("result_diagnostic_count", c_size_t, c_void_p)
result_diagnostic_at = _declare("result_diagnostic_at", POINTER(Diagnostic), c_void_p, c_size_t)
result_token_count = _declare("result_token_count", c_size_t, c_void_p)
result_token_at = _declare("result_token_at", POINTER(Token), c_void_p, c_size_t)
result_span_count = _declare("result_span_count", c_size_t, c_void_p)
result_span_at = _declare("result_span_at", POINTER(Span), c_void_p, c_size_t)
result_free = _declare("result_free", None, c_void_p)
