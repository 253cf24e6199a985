#!/usr/bin/env python3
"""The picture format checks catch every kind of broken picture: each case
spoils one copy of the committed pictures and expects the checker to say so."""

import os
import shutil
import struct
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "tools"))
import make_pictures  # noqa: E402

RESOURCES = os.path.join(HERE, "..", "resources")
PIXELS = 14 + 40 + 1024


class SpoiltPictures(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        for name in make_pictures.FILES:
            shutil.copy(os.path.join(RESOURCES, name), self.folder)

    def tearDown(self):
        shutil.rmtree(self.folder)

    def spoil(self, name, offset, data):
        path = os.path.join(self.folder, name)
        with open(path, "r+b") as f:
            f.seek(offset)
            f.write(data)

    def problems(self):
        return "\n".join(make_pictures.verify(self.folder))

    def test_committed_pictures_pass(self):
        self.assertEqual(self.problems(), "")

    def test_header_fields(self):
        for offset, value, label in ((14, 44, "size"), (14 + 16, 1, "compression"),
                                     (14 + 32, 255, "colours used"),
                                     (14 + 36, 0, "important colours"),
                                     (14 + 20, 0, "image size")):
            with self.subTest(label):
                self.setUp()
                self.spoil("portrait03.bmp", offset, struct.pack("<I", value))
                self.assertIn("portrait03.bmp: header", self.problems())

    def test_upside_down_rows(self):
        self.spoil("tile.bmp", 14 + 8, struct.pack("<i", -200))
        self.assertIn("tile.bmp: header", self.problems())

    def test_standard_colour_moved(self):
        self.spoil("preview.bmp", 54 + 4 * 249, bytes([0, 0, 254, 0]))
        self.assertIn("preview.bmp: entry 249", self.problems())

    def test_second_black_entry(self):
        self.spoil("ball2.bmp", 54 + 4 * 100, bytes([0, 0, 0, 0]))
        self.assertIn("ball2.bmp: entry 100 is (nearly) black", self.problems())

    def test_tables_must_be_shared(self):
        self.spoil("portrait11.bmp", 54 + 4 * 120, bytes([1, 2, 3, 0]))
        self.assertIn("portrait11.bmp: colour table differs", self.problems())

    def test_row_padding(self):
        self.spoil("preview.bmp", PIXELS + 151, b"\x07")
        self.assertIn("preview.bmp: row padding", self.problems())

    def test_ball_ground_inside_the_ball(self):
        # The centre of the ball (row 20 from the bottom, column 20).
        self.spoil("ball4.bmp", PIXELS + 20 * 40 + 20, b"\x00")
        self.assertIn("ball4.bmp: index 0 inside the ball", self.problems())

    def test_ball_colour_on_the_ground(self):
        # A corner of the frame is ground and must stay index 0.
        self.spoil("ball5.bmp", PIXELS + 39 * 40 + 39, b"\x30")
        self.assertIn("ball5.bmp: ball touches the border", self.problems())

    def test_stray_ball_pixel_outside_the_disc(self):
        # Three pixels in from the top-left corner, well outside the ball.
        self.spoil("ball1.bmp", PIXELS + 36 * 40 + 3, b"\x30")
        self.assertIn("ball1.bmp: ball at 3,3 outside its disc", self.problems())

    def test_truncated_file(self):
        path = os.path.join(self.folder, "portrait07.bmp")
        with open(path, "r+b") as f:
            f.truncate(60000)
        self.assertIn("portrait07.bmp", self.problems())

    def test_missing_file(self):
        os.remove(os.path.join(self.folder, "ball6.bmp"))
        self.assertIn("ball6.bmp", self.problems())

    def test_tile_seam(self):
        # Turn the lower 120 rows of the tile upside down, so that its top and
        # bottom edges no longer meet.
        path = os.path.join(self.folder, "tile.bmp")
        with open(path, "rb") as f:
            data = bytearray(f.read())
        rows = [data[PIXELS + y * 200:PIXELS + y * 200 + 200] for y in range(200)]
        rows[:120] = reversed(rows[:120])
        data[PIXELS:] = b"".join(rows)
        with open(path, "wb") as f:
            f.write(data)
        self.assertIn("tile.bmp: seam between the last and first rows", self.problems())


if __name__ == "__main__":
    unittest.main()
