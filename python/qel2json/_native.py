"""The C interface of libqel2json (qel2json.h), loaded with ctypes.

The library is looked for first where ``cmake --install`` and the Debian
package put it beside this package (the relative path is written into
``_location.py`` at install time), then by the system's own search for
``libqel2json.so.1`` (the ld.so cache, ``LD_LIBRARY_PATH``), which is where
a package installed with pip finds it.  Calls through ctypes release the
GIL, so translators on different threads run at once.
"""
from __future__ import annotations

import ctypes
import os
from ctypes import POINTER, c_char_p, c_int, c_size_t, c_void_p

SONAME = "libqel2json.so.1"


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
    ]


def _candidates() -> list[str]:
    here = os.path.dirname(os.path.abspath(__file__))
    found = []
    try:
        from ._location import LIBRARY  # written by cmake --install
    except ImportError:
        pass
    else:
        found.append(os.path.normpath(os.path.join(here, LIBRARY)))
    return found + [SONAME]


def _load() -> tuple[ctypes.CDLL, str]:
    tried = []
    for name in _candidates():
        if os.sep in name and not os.path.exists(name):
            tried.append("%s (no such file)" % name)
            continue
        try:
            return ctypes.CDLL(name), name
        except OSError as e:
            tried.append(str(e))
    raise ImportError("qel2json: cannot load the library libqel2json.so.1 (tried: %s); install it "
                      "(cmake --install, or the Debian package qel2json) or put its folder on "
                      "LD_LIBRARY_PATH" % "; ".join(tried))


lib, LIBRARY = _load()


def _declare(name: str, restype, *argtypes) -> None:
    function = getattr(lib, "qel2json_" + name)
    function.restype = restype
    function.argtypes = argtypes


_declare("version", c_char_p)
_declare("translator_new", c_void_p)
_declare("translator_free", None, c_void_p)
_declare("translator_set_max_document_size", None, c_void_p, c_size_t)
_declare("translate", c_void_p, c_void_p, c_char_p, c_size_t, c_char_p)
_declare("result_document", c_void_p, c_void_p, POINTER(c_size_t))
_declare("result_status", c_int, c_void_p)
_declare("result_complete", c_int, c_void_p)
_declare("result_diagnostic_count", c_size_t, c_void_p)
_declare("result_diagnostic_at", POINTER(Diagnostic), c_void_p, c_size_t)
_declare("result_free", None, c_void_p)

version: str = lib.qel2json_version().decode("ascii")
translator_new = lib.qel2json_translator_new
translator_free = lib.qel2json_translator_free
translator_set_max_document_size = lib.qel2json_translator_set_max_document_size
translate = lib.qel2json_translate
result_document = lib.qel2json_result_document
result_status = lib.qel2json_result_status
result_complete = lib.qel2json_result_complete
result_diagnostic_count = lib.qel2json_result_diagnostic_count
result_diagnostic_at = lib.qel2json_result_diagnostic_at
result_free = lib.qel2json_result_free
