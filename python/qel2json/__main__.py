"""python3 -m qel2json SRC... -o OUTDIR [-j N]: batch translation (see --help)."""
import sys

from ._batch import main

sys.exit(main())
