"""A document as JSON text again, from the objects that loads gives, every literal as the document had it."""
from __future__ import annotations

import decimal
import math
from typing import Any, Optional, Sequence

from ._api import Error
from ._loads import Real, Repeated, String, json_string

INDENT = "   "  # as in the documents qel2json writes


class _Fault(Exception):
    """Why a value cannot be written."""

    def __init__(self, kind: type[Exception], reason: str) -> None:
        super().__init__(reason)
        self.kind, self.reason = kind, reason


class _Open:
    """A list or an object being written: its items, and the step to the one written now."""

    __slots__ = ("items", "members", "indent", "written", "step")

    def __init__(self, items: Sequence[Any], members: bool, indent: str) -> None:
        self.items, self.members, self.indent, self.written, self.step = items, members, indent, 0, ""


def _path(open_: list[_Open]) -> str:
    return "".join(o.step for o in open_).lstrip(".") or "the document"


def _number(value: Any) -> str:
    """A real's literal: as the document had it, else as Python writes the value."""
    if isinstance(value, Real):
        return value.literal
    if not (math.isfinite(value) if isinstance(value, float) else value.is_finite()):
        raise _Fault(Error, "%s is no real of a description" % value)
    if isinstance(value, float):
        return float.__repr__(value)
    text = str(value)
    return text if any(c in text for c in ".eE") else text + ".0"  # a real, not an integer


def _scalar(value: Any) -> str:
    if isinstance(value, String):
        return value.literal
    if isinstance(value, str):
        return json_string(value)
    if value is None:
        return "null"
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, int):
        return int.__repr__(value)
    if isinstance(value, (float, decimal.Decimal)):
        return _number(value)
    raise _Fault(TypeError, "%s is no JSON value" % type(value).__name__)


def _members(value: Any) -> Sequence[Any]:
    """The members of an object: a dict, whose Repeated values are members each, or (key, value) pairs."""
    if not isinstance(value, dict):
        return value
    members = []
    for key, member in value.items():
        if isinstance(member, Repeated):
            members.extend((key, each) for each in member)
        else:
            members.append((key, member))
    return members


def _opened(value: Any, indent: str) -> Optional[_Open]:
    """`value` as a list or object to write, or None for a value of its own."""
    if isinstance(value, dict) or (isinstance(value, list) and value and isinstance(value[0], tuple)):
        return _Open(_members(value), True, indent)
    if isinstance(value, (list, tuple)):
        return _Open(value, False, indent)
    return None


def _check_kept(key: str, value: Any) -> None:
    """A Matrix read with duplicates="last" lost its first "Index" member, its integers: nothing makes them up."""
    if key == "Matrix" and isinstance(value, dict) and "Index" in value and not isinstance(value["Index"], Repeated):
        raise _Fault(Error, 'one "Index" member, where a Matrix has two, its integers and its entries: '
                            'loads() with duplicates="last" kept the entries alone; read the document '
                            'with duplicates="list" or "pairs"')


_END = object()


def _next_value(open_: list[_Open], out: list[str]) -> Any:
    """The next value to write, after the ends of the lists and objects that end before it; _END after the last."""
    while open_:
        top = open_[-1]
        i = top.written
        if i == len(top.items):
            out.append(("\n" + top.indent if i else "") + ("}" if top.members else "]"))
            open_.pop()
            continue
        top.written, top.step, item = i + 1, "[%d]" % i, top.items[i]
        out.append((",\n" if i else "\n") + top.indent + INDENT)
        if not top.members:
            return item
        if not (isinstance(item, tuple) and len(item) == 2 and isinstance(item[0], str)):
            raise _Fault(TypeError, "%r is no (key, value) pair of an object" % (item,))
        key, value = item
        top.step = "." + key
        _check_kept(key, value)
        out.append(json_string(key) + ": ")
        return value
    return _END


def dumps(document: Any) -> str:
    """The JSON text of a document as :func:`loads` gives it, for
    :func:`write_description`: every string and real written as the document
    had it, so that the description written translates to the document again,
    byte for byte.

    Objects are ``dict`` (a :class:`Repeated` value is one member per
    element, as ``duplicates="list"`` gathers them) or lists of ``(key,
    value)`` pairs (as ``duplicates="pairs"`` gives them); ``str``, ``int``,
    ``float``, ``decimal.Decimal`` and ``None`` are values, and a
    :class:`String` or :class:`Real` is written as its ``literal``.  A
    ``Matrix`` that lost its first ``"Index"`` member to
    ``duplicates="last"`` raises :class:`Error`, as does a real that is not
    finite; a value of another type raises ``TypeError``.  The messages name
    the value's path, such as ``Qel_Object.System.Basicblocks[0]``.
    """
    out: list[str] = []
    open_: list[_Open] = []  # the lists and objects around the value written: no recursion, whatever the depth
    value = document
    try:
        while value is not _END:
            opened = _opened(value, INDENT * len(open_))
            if opened is not None:
                out.append("{" if opened.members else "[")
                open_.append(opened)
            else:
                out.append(_scalar(value))
            value = _next_value(open_, out)
    except _Fault as fault:
        raise fault.kind("%s: %s" % (_path(open_), fault.reason)) from None
    return "".join(out)
