"""The Dask example of docs/python.md on a local cluster, against the command line."""
import contextlib
import io
import os
import sys

from conftest import SOURCE_DIR, command_line, generated

sys.path.insert(0, str(SOURCE_DIR / "tests" / "docs"))
from check_docs import fenced_blocks  # noqa: E402


def test_dask_example_gives_the_command_lines_results(tmp_path, monkeypatch):
    page = SOURCE_DIR / "docs" / "python.md"
    example = next("\n".join(body) for _, info, body in fenced_blocks(page)
                   if info == "python" and "LocalCluster" in "\n".join(body))
    (tmp_path / "examples").mkdir()
    for i, text in enumerate(generated(40, seed=3)):
        (tmp_path / "examples" / ("g%02d.qel" % i)).write_bytes(text)
    monkeypatch.chdir(tmp_path)
    namespace = {"__name__": "example"}
    with contextlib.redirect_stdout(io.StringIO()):
        exec(compile(example, str(page), "exec"), namespace)
    assert len(namespace["paths"]) == 40
    for path, result in zip(namespace["paths"], namespace["results"]):
        out, err, status = command_line([path])
        assert (result.document, result.diagnostics_text.encode(), result.status) == (out or None, err, status)
