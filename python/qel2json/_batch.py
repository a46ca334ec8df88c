"""Batch translation: python3 -m qel2json SRC... -o OUTDIR [-j N]."""
from __future__ import annotations

import argparse
import concurrent.futures
import contextlib
import multiprocessing
import os
import sys
from dataclasses import dataclass
from typing import Iterator, Optional, Sequence

from ._api import translate

USAGE = """Translates descriptions into JSON documents, in parallel.

A file named is translated into OUTDIR/NAME.json.  A directory is walked for
*.qel files, and its tree is mirrored under OUTDIR: SRC/a/b.qel becomes
OUTDIR/a/b.json.  SRC "-" reads the names of files and folders from standard
input, one a line.  Every diagnostic is printed on standard error as the
command line prints it; a file that gives no document gets no .json (one left
by an earlier run is removed).  Of two files whose documents would have the
same name, the first named is translated and the second is not, with a
message.  A summary line ends the run.

Exit status: 0 when every file is clean, 1 when any has an ERROR, 2 when any
cannot be read or translated, or its document cannot be written (also when
OUTDIR cannot be a folder: then nothing is translated)."""


@dataclass
class Job:
    source: str                 # as found: SRC, or SRC joined with the path below it
    output: str
    error: Optional[str] = None  # why it cannot be translated, found before translating


@dataclass
class Outcome:
    status: int = 0           # the translation's
    failed: bool = False      # the file was not read or translated, or its document not written
    written: bool = False
    messages: bytes = b""     # diagnostics, and why a file was not read or written


def _plural(count: int, noun: str) -> str:
    return "%d %s%s" % (count, noun, "" if count == 1 else "s")


def _json_name(path: str) -> str:
    root, ext = os.path.splitext(path)
    return (root if ext == ".qel" else path) + ".json"


def _walk(top: str, outdir: str) -> Iterator[Job]:
    problems: list[OSError] = []
    found = False
    for folder, dirs, files in os.walk(top, onerror=problems.append):
        dirs.sort()
        for name in sorted(files):
            if name.endswith(".qel"):
                found = True
                path = os.path.join(folder, name)
                yield Job(path, os.path.join(outdir, _json_name(os.path.relpath(path, top))))
    for e in problems:
        yield Job(e.filename, "", "qel2json: cannot read the folder %s: %s" % (e.filename, e.strerror))
    if not found and not problems:
        print("qel2json: %s holds no .qel file" % top, file=sys.stderr)


def collect(sources: Sequence[str], outdir: str) -> list[Job]:
    """The files to translate, in order, each with its output; a clash is an error."""
    jobs: list[Job] = []
    for source in sources:
        if os.path.isdir(source):
            jobs.extend(_walk(source, outdir))
        else:
            jobs.append(Job(source, os.path.join(outdir, _json_name(os.path.basename(source)))))
    by_output: dict[str, Job] = {}
    unique = []
    for job in jobs:
        first = by_output.setdefault(os.path.normpath(job.output), job) if job.output else job
        if first is job:
            unique.append(job)
        elif os.path.realpath(first.source) != os.path.realpath(job.source):  # else named twice
            job.error = "qel2json: %s not translated: its document %s would replace that of %s" % (
                job.source, job.output, first.source)
            unique.append(job)
    return unique


def _read(path: str) -> bytes:
    fd = os.open(path, os.O_RDONLY | os.O_CLOEXEC)
    try:
        size = os.fstat(fd).st_size
        parts = [os.read(fd, max(size, 65536))]
        while parts[-1]:
            parts.append(os.read(fd, 1 << 20))
        return b"".join(parts)
    finally:
        os.close(fd)


def _write(path: str, data: bytes) -> None:
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC | os.O_CLOEXEC, 0o666)
    try:
        view = memoryview(data)
        while view:
            view = view[os.write(fd, view):]
    finally:
        os.close(fd)


_made: set[str] = set()  # folders of OUTDIR made by this run


def run(job: Job) -> Outcome:
    """Translates one file and writes its document; reports, never raises on a file."""
    if job.error:
        return Outcome(failed=True, messages=job.error.encode() + b"\n")
    name = job.source.encode("utf-8", "surrogateescape")
    try:
        result = translate(_read(job.source), job.source)
    except OSError as e:
        return Outcome(failed=True, messages=b"qel2json: cannot open %s for reading: %s\n" % (
            name, e.strerror.encode()))
    outcome = Outcome(result.status, messages=result.diagnostics_text.encode("utf-8", "surrogateescape"))
    try:
        if result.document is None:  # no document: none of an earlier run either
            with contextlib.suppress(FileNotFoundError, NotADirectoryError):
                os.remove(job.output)
        else:
            folder = os.path.dirname(job.output)
            if folder not in _made:
                os.makedirs(folder, exist_ok=True)
                _made.add(folder)
            _write(job.output, result.document)
            outcome.written = True
    except OSError as e:
        outcome.failed = True
        outcome.messages += b"qel2json: cannot write %s: %s\n" % (
            job.output.encode("utf-8", "surrogateescape"), (e.strerror or str(e)).encode())
    return outcome


def _sources(named: Sequence[str]) -> list[str]:
    """The sources named, with those that standard input names, one a line, in place of "-"."""
    sources: list[str] = []
    for name in named:
        if name == "-":
            sources.extend(os.fsdecode(line) for line in sys.stdin.buffer.read().split(b"\n") if line)
        else:
            sources.append(name)
    return sources


def _make_folder(path: str) -> Optional[str]:
    """Why the documents cannot go to the folder `path`, or None once it is there."""
    if os.path.exists(path) and not os.path.isdir(path):
        return "qel2json: the output folder %s is a file" % path
    try:
        os.makedirs(path, exist_ok=True)
    except OSError as e:
        return "qel2json: cannot make the output folder %s: %s" % (path, e.strerror)
    return None


def _progress(total: int):
    """A tqdm bar on standard error where that is a terminal (and tqdm is installed)."""
    if not sys.stderr.isatty():
        return None
    try:
        from tqdm import tqdm
    except ImportError:
        return None
    return tqdm(total=total, unit="file", file=sys.stderr, dynamic_ncols=True)


def main(argv: Optional[Sequence[str]] = None) -> int:
    parser = argparse.ArgumentParser(prog="python3 -m qel2json", description=USAGE,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("sources", nargs="+", metavar="SRC",
                        help="a description file, a folder to walk, or - for names on standard input")
    parser.add_argument("-o", "--output", required=True, metavar="OUTDIR", help="where the documents go")
    parser.add_argument("-j", "--jobs", type=int, default=len(os.sched_getaffinity(0)), metavar="N",
                        help="worker processes, files translated at once (default: all cores, here %(default)s)")
    args = parser.parse_args(argv)
    if args.jobs < 1:
        parser.error("--jobs must be at least 1")

    problem = _make_folder(args.output)
    if problem:
        print(problem, file=sys.stderr)
        return 2
    jobs = collect(_sources(args.sources), args.output)
    workers = min(args.jobs, len(jobs))
    files = written = with_errors = failed = 0
    bar, pool = None, None
    with contextlib.ExitStack() as stack:
        try:
            if workers <= 1:
                outcomes: Iterator[Outcome] = map(run, jobs)
            else:
                # Processes, not threads: on small files most of the work is
                # Python's, which threads of one process do one at a time.
                pool = concurrent.futures.ProcessPoolExecutor(workers, multiprocessing.get_context("fork"))
                stack.enter_context(pool)
                outcomes = pool.map(run, jobs, chunksize=max(1, min(64, len(jobs) // (8 * workers))))
            bar = _progress(len(jobs))  # its thread starts after the workers are forked
            for outcome in outcomes:  # in the order of the files, whatever the order of the work
                files += 1
                written += outcome.written
                with_errors += outcome.status == 1
                failed += outcome.failed
                if outcome.messages:
                    with bar.external_write_mode(file=sys.stderr) if bar else contextlib.nullcontext():
                        sys.stderr.flush()
                        sys.stderr.buffer.write(outcome.messages)
                        sys.stderr.buffer.flush()
                if bar:
                    bar.update()
        except KeyboardInterrupt:
            if pool:
                pool.shutdown(cancel_futures=True)
            if bar:
                bar.close()
            print("qel2json: interrupted after %s" % _plural(files, "file"), file=sys.stderr)
            return 130
    if bar:
        bar.close()
    summary = "%s, %s written, %s with errors" % (
        _plural(files, "file"), _plural(written, "document"), _plural(with_errors, "file"))
    if failed:
        summary += ", %s not read or written" % _plural(failed, "file")
    print(summary)
    return 2 if failed else 1 if with_errors else 0
