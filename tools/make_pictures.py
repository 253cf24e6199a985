#!/usr/bin/env python3
"""Draws the saver's pictures from code and writes them as 8-bit bitmaps.

    make_pictures.py OUTDIR            write the pictures into OUTDIR
    make_pictures.py --check DIR       fail unless DIR holds exactly what this
                                       program draws, in the exact format,
                                       and DIR's pictures.rc gives each its id
    make_pictures.py --verify DIR      check only the format rules of DIR and
                                       the ball's turn
    make_pictures.py --png DIR OUTDIR  render DIR's pictures and a whole-screen
                                       mock-up as PNG files for viewing

Everything is drawn in true colour with anti-aliased shapes (coverage from
signed distances), at 100 % and again at the larger scales by the same
drawing code, then reduced to one shared 256-entry colour table for the
tiles, the balls and the portraits, and to a table of its own for the
previews. The checks print how far each 200 % picture, averaged over 2 x 2
pixels, lies from its 100 % picture, and how much the ball's picture changes
from one frame of its turn to the next at each size.
Only the standard library is used, and nothing depends on the clock, the
hash seed or the machine, so the output is the same byte for byte everywhere.
"""

import os
import sys

from pictures.checks import doubled_problems, loop_problems, script_problems, turn_problems, verify
from pictures.inventory import draw_all
from pictures.renders import write_pngs


def drawn_problems(directory):
    """A line for every file of `directory` that is not what the program
    draws."""
    problems = []
    for name, data in sorted(draw_all().items()):
        try:
            with open(os.path.join(directory, name), "rb") as f:
                if f.read() != data:
                    problems.append("%s differs from what the generator draws" % name)
        except OSError as e:
            problems.append("%s: %s" % (name, e))
    return problems


def main(argv):
    if len(argv) == 3 and argv[1] in ("--verify", "--check"):
        problems = verify(argv[2])
        problems += doubled_problems(argv[2], print)
        problems += turn_problems(argv[2], print)
        if argv[1] == "--check":
            problems += loop_problems()
            problems += script_problems(argv[2])
            problems += drawn_problems(argv[2])
    elif len(argv) == 4 and argv[1] == "--png":
        write_pngs(argv[2], argv[3])
        return 0
    elif len(argv) == 2 and not argv[1].startswith("-"):
        os.makedirs(argv[1], exist_ok=True)
        for name, data in sorted(draw_all().items()):
            with open(os.path.join(argv[1], name), "wb") as f:
                f.write(data)
        return 0
    else:
        sys.stderr.write(__doc__)
        return 2
    for p in problems:
        print(p)
    print("%d problem(s)" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
