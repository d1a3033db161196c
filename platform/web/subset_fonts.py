#!/usr/bin/python3
"""Cuts the page's Chinese faces down to the characters the program can show, which are all in
its sources: a whole face is some 20 MB, its cut a few dozen KB.

usage: subset_fonts.py OUT_DIR SOURCE...
"""
import os
import sys
import tempfile

from fontTools import subset

FACES = (("uming", "/usr/share/fonts/truetype/arphic/uming.ttc"),
         ("ukai", "/usr/share/fonts/truetype/arphic/ukai.ttc"))

out, sources = sys.argv[1], sys.argv[2:]
chars = set()
for source in sources:
    with open(source, encoding="utf-8") as f:
        chars |= set(f.read())
text = "".join(sorted(c for c in chars if c.isprintable()))
os.makedirs(out, exist_ok=True)
with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt") as t:
    t.write(text)
    t.flush()
    for name, path in FACES:
        # Face 0 of each collection is the simplified Chinese one (AR PL UMing CN, UKai CN).
        # Its bitmaps and the font editor's timestamps: nothing a browser draws with.
        subset.main([path, "--font-number=0", f"--text-file={t.name}", "--flavor=woff2",
                     "--drop-tables+=BDF,FFTM",
                     f"--output-file={out}/{name}.woff2"])
