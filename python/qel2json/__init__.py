"""qel2json for Python: translates system descriptions into JSON documents in-process.

The translation is the command line's, byte for byte, done by the library
libqel2json through its C interface::

    >>> import qel2json
    >>> result = qel2json.translate(open("plant.qel", "rb"), "plant.qel")
    >>> result.status, result.document[:1], [str(d) for d in result.diagnostics]
    (0, b'{', [])

- :func:`translate` and :func:`translate_file` give a :class:`Result`: the
  document's exact bytes, the exit status and the :class:`Diagnostic` list.
- :func:`loads` and :func:`load` give the document as Python objects (see
  the ``duplicates`` argument for the two ``"Index"`` members of a
  ``Matrix``); they raise :class:`TranslationError` or :class:`DocumentError`,
  both :class:`Error` and ``ValueError``.
- :func:`format` writes a description anew in the library's one layout;
  :func:`write_description` writes the description of a JSON document, and
  :func:`dumps` the JSON text of a document as :func:`loads` gives it, each
  literal as the document had it, so that
  ``write_description(dumps(loads(text, duplicates="list")))`` translates to
  the document of ``text`` again.
- ``python3 -m qel2json SRC... -o OUTDIR [-j N]`` translates whole trees
  of files on all cores (see ``python3 -m qel2json --help``).

The library releases the GIL while it translates, and every thread has a
translator of its own, so threads translate in parallel (on descriptions of
some kilobytes and more; on small ones Python's own work per call, which
holds the GIL, leaves threads nothing to gain, and processes do better).

``__version__`` is this package's release; ``library_version`` that of the
library it runs with.
"""
from ._api import (Code, Diagnostic, Error, Result, Severity, TranslationError, Translator, format, translate,
                   translate_file, write_description)
from ._dumps import dumps
from ._loads import DocumentError, Place, Real, Repeated, String, load, loads
from ._native import version as library_version

__version__ = "1.2.0"

__all__ = ["translate", "translate_file", "loads", "load", "format", "write_description", "dumps", "Result",
           "Diagnostic", "Severity", "Code", "Place", "String", "Real", "Repeated", "Error", "TranslationError",
           "DocumentError", "Translator", "__version__", "library_version"]

for _public in (translate, translate_file, loads, load, format, write_description, dumps, Result, Diagnostic,
                Severity, Code, Place, String, Real, Repeated, Error, TranslationError, DocumentError, Translator):
    _public.__module__ = __name__  # shown, and pickled, as qel2json.NAME
del _public
