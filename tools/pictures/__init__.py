"""The saver's pictures, drawn from code: the canvas and its shapes, each
kind of picture, the colour tables and the quantiser, the file formats and
the rules the committed files keep. tools/make_pictures.py is the command."""
