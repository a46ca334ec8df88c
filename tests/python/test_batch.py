"""python3 -m qel2json on a tree of 200 files: mirrored exactly, for -j 1 and -j 2."""
import os
import pty
import subprocess
import sys

import pytest

from conftest import SOURCE_DIR, command_line, generated


def batch(args, cwd, **options):
    return subprocess.run([sys.executable, "-m", "qel2json"] + args, cwd=cwd, capture_output=True, **options)


@pytest.fixture(scope="module")
def tree(tmp_path_factory):
    """src/ with 200 descriptions in nested folders, and what the command line gives for each."""
    root = tmp_path_factory.mktemp("batch")
    texts = generated(196, seed=7) + [(SOURCE_DIR / "tests/golden/too-many-errors/input.qel").read_bytes()] * 3
    expected = {}
    for i, text in enumerate(texts):
        name = os.path.join("src", "d%d" % (i % 3), *["e%d" % (i % 4)] * (i % 2), "f%03d.qel" % i)
        os.makedirs(root / os.path.dirname(name), exist_ok=True)
        (root / name).write_bytes(text)
        expected[name] = command_line([name], cwd=root)
    os.symlink("nowhere.qel", root / "src" / "d1" / "unreadable.qel")
    (root / "src" / "notes.txt").write_text("not a description")
    return root, expected


@pytest.mark.parametrize("jobs", ["1", "2"])
def test_tree_is_mirrored(tree, jobs):
    root, expected = tree
    out = root / ("out" + jobs)
    (out / "d0").mkdir(parents=True)
    (out / "d0" / "f198.json").write_text("left by an earlier run of a file that gives no document now")
    r = batch(["src", "-o", out.name, "-j", jobs], root)
    written = {str(p.relative_to(out)) for p in out.rglob("*.json")}
    assert written == {os.path.relpath(n, "src")[:-4] + ".json" for n, (doc, _, _) in expected.items() if doc}
    for name, (document, _, _) in expected.items():
        if document:
            assert (out / (os.path.relpath(name, "src")[:-4] + ".json")).read_bytes() == document
    lines = b"".join(err for _, err, _ in expected.values()).splitlines()
    lines.append(b"qel2json: cannot open src/d1/unreadable.qel for reading: No such file or directory")
    assert sorted(r.stderr.splitlines()) == sorted(lines)
    with_errors = sum(status == 1 for _, _, status in expected.values())
    assert r.stdout.decode() == "200 files, %d documents written, %d files with errors, 1 file not read or written\n" % (
        len(written), with_errors)
    assert r.returncode == 2
    if jobs == "2":  # the same messages in the same order as -j 1
        assert r.stderr == batch(["src", "-o", "again", "-j", "1"], root).stderr


def test_exit_status_and_named_files(tree, tmp_path):
    root, expected = tree
    clean = [n for n, (_, err, status) in expected.items() if status == 0 and not err][:2]
    broken = next(n for n, (doc, _, status) in expected.items() if status == 1 and doc)
    r = batch(clean + ["-o", str(tmp_path / "a")], root)
    assert (r.returncode, r.stderr, r.stdout) == (0, b"", b"2 files, 2 documents written, 0 files with errors\n")
    assert sorted(os.listdir(tmp_path / "a")) == sorted(os.path.basename(n)[:-4] + ".json" for n in clean)
    r = batch(clean[:1] + [broken, "-o", str(tmp_path / "b"), "-j", "2"], root)
    assert r.returncode == 1 and r.stderr == expected[broken][1]
    twin = tmp_path / os.path.basename(clean[0])  # another file of the same name
    twin.write_bytes(b"")
    r = batch([clean[0], str(twin), clean[0], "-o", str(tmp_path / "c")], root)
    assert r.returncode == 2 and r.stdout.startswith(b"2 files, 1 document written")
    # the first named is translated, the second not: as docs/python.md says
    assert (tmp_path / "c" / (os.path.basename(clean[0])[:-4] + ".json")).read_bytes() == expected[clean[0]][0]
    assert r.stderr == b"qel2json: %s not translated: its document %s/c/%s would replace that of %s\n" % (
        str(twin).encode(), str(tmp_path).encode(), os.path.basename(clean[0][:-4]).encode() + b".json",
        clean[0].encode())


def test_progress_bar_only_on_a_terminal(tree, tmp_path):
    root, _ = tree
    assert b"file/s" not in batch(["src", "-o", str(tmp_path / "a")], root).stderr
    main, terminal = pty.openpty()
    child = subprocess.Popen([sys.executable, "-m", "qel2json", "src", "-o", str(tmp_path / "b")], cwd=root,
                             stdout=subprocess.DEVNULL, stderr=terminal)
    os.close(terminal)
    shown = b""
    while True:
        try:
            chunk = os.read(main, 65536)
        except OSError:  # the child has ended and closed the terminal
            break
        if not chunk:
            break
        shown += chunk
    os.close(main)
    assert child.wait() == 2 and b"200/200" in shown


def test_an_output_folder_that_cannot_be_is_one_error(tree, tmp_path):
    root, _ = tree
    (tmp_path / "file").write_text("")
    for outdir, message in ((tmp_path / "file", "the output folder %s is a file"),
                            (tmp_path / "file" / "sub", "cannot make the output folder %s: Not a directory")):
        r = batch(["src", "-o", str(outdir)], root)
        assert (r.returncode, r.stdout, r.stderr.decode()) == (2, b"", "qel2json: %s\n" % (message % outdir))
    assert os.listdir(tmp_path) == ["file"]


def test_files_with_errors_count_also_where_writing_fails(tmp_path):
    (tmp_path / "src" / "a").mkdir(parents=True)
    (tmp_path / "src" / "a" / "errors.qel").write_bytes(
        (SOURCE_DIR / "tests/golden/too-many-errors/input.qel").read_bytes())  # no document
    (tmp_path / "src" / "a" / "broken.qel").write_bytes(b'SYSTEM LINEAR < "a" 7 >\n')
    (tmp_path / "src" / "clean.qel").write_bytes((SOURCE_DIR / "examples/plant.qel").read_bytes())
    (tmp_path / "out").mkdir()
    (tmp_path / "out" / "a").write_text("where the folder a should be")
    r = batch(["src", "-o", "out"], tmp_path)
    assert r.stdout == b"3 files, 1 document written, 2 files with errors, 1 file not read or written\n"
    assert [line for line in r.stderr.splitlines() if line.startswith(b"qel2json:")] == [
        b"qel2json: cannot write out/a/broken.json: File exists"]  # none for errors.qel, which has no document
    assert r.returncode == 2


def test_names_on_standard_input(tree, tmp_path):
    root, _ = tree
    r = batch(["-", "src/d1", "-o", str(tmp_path / "listed")], root, input=b"src/d0/f000.qel\n\nsrc/d2\n")
    s = batch(["src/d0/f000.qel", "src/d2", "src/d1", "-o", str(tmp_path / "named")], root)
    assert (r.returncode, r.stdout, r.stderr) == (s.returncode, s.stdout, s.stderr)
    listed = sorted(str(p.relative_to(tmp_path / "listed")) for p in (tmp_path / "listed").rglob("*"))
    assert listed == sorted(str(p.relative_to(tmp_path / "named")) for p in (tmp_path / "named").rglob("*"))
    assert "f000.json" in listed
