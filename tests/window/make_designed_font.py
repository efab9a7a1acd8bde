#!/usr/bin/python3
"""Writes a stand-in for the headings' designed font: DejaVu Sans named
"Comic Sans MS", with Comic Sans MS's tall line height (ascent 2257 and
descent 597 units of 2048), so tests see the font as a player who installed it
would. Usage: make_designed_font.py SOURCE.ttf TARGET.ttf"""
import sys

from fontTools.ttLib import TTFont

source, target = sys.argv[1:3]
font = TTFont(source)
scale = font["head"].unitsPerEm / 2048
ascent, descent = round(2257 * scale), round(597 * scale)
font["hhea"].ascent, font["hhea"].descent, font["hhea"].lineGap = ascent, -descent, 0
os2 = font["OS/2"]
os2.sTypoAscender, os2.sTypoDescender, os2.sTypoLineGap = ascent, -descent, 0
os2.usWinAscent, os2.usWinDescent = ascent, descent
for record in font["name"].names:
    if record.nameID in (1, 16):
        record.string = "Comic Sans MS"
    elif record.nameID in (4, 6):
        record.string = "Comic Sans MS" if record.nameID == 4 else "ComicSansMS"
font.save(target)
