"""The package as installed: by cmake --install under any prefix, and by pip."""
import os
import shutil
import subprocess
import sys

from conftest import SOURCE_DIR

CHECK = """import os, qel2json
maps = [l.split()[-1] for l in open('/proc/self/maps') if 'libqel2json' in l]
print(os.path.realpath(qel2json.__file__), os.path.realpath(maps[0]), qel2json.__version__)
print(qel2json.translate_file(%r).status)
""" % str(SOURCE_DIR / "examples" / "plant.qel")


def python(path, library_path=None):
    """Runs CHECK with only `path` for Python and nothing (or `library_path`) for the library."""
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "LD_LIBRARY_PATH")}
    env["PYTHONPATH"] = str(path)
    if library_path:
        env["LD_LIBRARY_PATH"] = str(library_path)
    r = subprocess.run([sys.executable, "-c", CHECK], env=env, cwd="/", capture_output=True, text=True)
    assert r.returncode == 0, r.stderr
    return r.stdout.split()


def test_cmake_install_under_any_prefix(tmp_path):
    subprocess.run([os.environ["CMAKE_COMMAND"], "--install", os.environ["QEL_BUILD_DIR"], "--prefix",
                    str(tmp_path / "first")], check=True, capture_output=True)
    os.rename(tmp_path / "first", tmp_path / "moved")  # nothing of the prefix is written into the files
    prefix = os.path.realpath(tmp_path / "moved")
    package, library, version, status = python(tmp_path / "moved/lib/python3/dist-packages")
    assert package == prefix + "/lib/python3/dist-packages/qel2json/__init__.py"
    assert library == os.path.realpath(prefix + "/lib/libqel2json.so.1")
    assert (version, status) == (os.environ["QEL_VERSION"], "0")
    assert os.path.exists(prefix + "/lib/python3/dist-packages/qel2json/py.typed")
    assert not list((tmp_path / "moved").rglob("__pycache__"))


def test_pip_install_where_the_library_is(tmp_path):
    shutil.copytree(SOURCE_DIR / "python", tmp_path / "python")  # pip builds in the tree it is given
    r = subprocess.run([sys.executable, "-m", "pip", "install", "--no-index", "--no-build-isolation",
                        "--target", str(tmp_path / "site"), str(tmp_path / "python")],
                       capture_output=True, text=True)
    assert r.returncode == 0, r.stdout + r.stderr
    assert os.path.exists(tmp_path / "site/qel2json/py.typed")
    package, library, version, status = python(tmp_path / "site", library_path=os.environ["QEL_BUILD_DIR"])
    assert package == os.path.realpath(tmp_path / "site/qel2json/__init__.py")
    assert library == os.path.realpath(os.path.join(os.environ["QEL_BUILD_DIR"], "libqel2json.so.1"))
    assert (version, status) == (os.environ["QEL_VERSION"], "0")
