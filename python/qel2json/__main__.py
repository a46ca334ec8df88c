"""python3 -m qel2json SRC... -o OUTDIR [-j N]: batch translation (see --help)."""
import sys

from ._batch import main

if __name__ == "__main__":
    sys.exit(main())
