#!/usr/bin/env python3
"""Builds the small EBU files the tests read, field by field from the published layout
(1024-byte GSI block, 128-byte TTI blocks). Run it from this folder to rebuild them."""


def gsi(dfc="STL25.01", dsc="1", cct="00", lc="08", opt="", tpt="", tns=1, tnb=1, mnr="23", cpn="850"):
    fields = [
        (cpn, 3), (dfc, 8), (dsc, 1), (cct, 2), (lc, 2), (opt, 32), ("", 32), (tpt, 32), ("", 32),
        ("Hand Built", 32), ("", 32), ("REF-1", 16), ("240101", 6), ("240102", 6), ("02", 2),
        (f"{tnb:05d}", 5), (f"{tns:05d}", 5), ("001", 3), ("40", 2), (mnr, 2), ("1", 1),
        ("10000000", 8), ("10000010", 8), ("1", 1), ("1", 1), ("DEU", 3), ("", 32), ("", 32),
        ("", 32), ("", 75), ("", 576),
    ]
    out = b"".join(v.encode("cp850").ljust(w, b" ")[:w] for v, w in fields)
    assert len(out) == 1024
    return out


def tti(sn, ebn, tci, tco, vp, jc, text, cf=0):
    tf = bytes(text).ljust(112, b"\x8f")
    assert len(tf) == 112
    return bytes([0]) + sn.to_bytes(2, "little") + bytes([ebn, 0]) + bytes(tci) + bytes(tco) + \
        bytes([vp, jc, cf]) + tf


# Teletext, double height, boxed rows, the way teletext inserters' files look: the text of
# each row between start-box and end-box pairs, padding spaces outside the box, rows
# separated by doubled 0x8A. German with diaeresis (0xC8) and sharp s (0xFB).
row1 = b"  \x0d\x0b\x0bGr\xc8u\xfbe aus M\xc8unchen\x0a\x0a  "
row2 = b"\x0d\x0b\x0b\x03Zweite Zeile\x0a\x0a"
with open("teletext_double_height.stl", "wb") as f:
    f.write(gsi(opt="Teletext Programm", tns=2, tnb=2))
    f.write(tti(1, 0xFF, [10, 0, 1, 0], [10, 0, 3, 12], 20, 2, row1 + b"\x8a\x8a" + row2))
    f.write(tti(2, 0xFF, [10, 0, 4, 0], [10, 0, 6, 0], 22, 2, b"\x0d\x0b\x0bEnde\x0a\x0a"))

# Open subtitles: a comment block before its subtitle, a text that continues over an
# extension block, italics, left justification and a cue that is not set.
long_text = b"\x80" + b"A" * 60 + b"\x81" + b" " + b"b" * 60 + b"\x8a" + b"Second row \xc2e"
with open("open_extension_comment.stl", "wb") as f:
    f.write(gsi(dsc="0", lc="09", mnr="11", tns=2, tnb=4))
    f.write(tti(1, 0xFE, [0, 0, 1, 0], [0, 0, 2, 0], 10, 1, b"Check the spelling", cf=1))
    f.write(tti(1, 0x00, [0, 0, 1, 0], [0, 0, 2, 0], 10, 1, long_text[:112]))
    f.write(tti(1, 0xFF, [0, 0, 1, 0], [0, 0, 2, 0], 10, 1, long_text[112:]))
    f.write(tti(2, 0xFF, [0, 0xFF, 0, 0], [0, 0xFF, 0, 0], 11, 3, b"No cues"))

# 23.976 material written as 24 frames, Cyrillic table (ISO 8859-5).
with open("cyrillic_24fps.stl", "wb") as f:
    f.write(gsi(dfc="STL24.01", dsc="0", cct="01", lc="49", mnr="11"))
    f.write(tti(1, 0xFF, [1, 2, 3, 23], [1, 2, 5, 0], 11, 2, "Привет, мир $5".encode("iso8859_5")))
