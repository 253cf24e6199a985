#!/usr/bin/env python3
"""Draws the programs' icons as .ico files.

    make_icons.py football OUTPUT.ico   the saver's icon: a football at 16,
                                        20, 24, 32, 40, 48, 64 and 256 pixels
    make_icons.py floppy OUTPUT.ico     the installer's icon: a floppy disk at
                                        32 and 16 pixels in 16 colours, then
                                        at 24, 48 and 256 pixels with alpha

The images go in that order, so that the resource compiler numbers them so.
Standard library only; the same input always gives the same bytes.
"""

import sys

from pictures.icons import floppy_icon, football_icon

ICONS = {"football": football_icon, "floppy": floppy_icon}


def main(argv):
    if len(argv) != 3 or argv[1] not in ICONS:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[2], "wb") as output:
        output.write(ICONS[argv[1]]())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
