#!/usr/bin/env python3
"""Writes the golden .kyq documents of tests/core/document/GoldenFileTest.cpp from the file layout
alone, sharing no code with the program: character codes come from Python's own GBK codec,
the cipher, the grille and both formats are spelt out here. Run it from anywhere; it
rewrites the files next to itself.

    python3 tests/core/document/golden/make_golden.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def s16(v):
    v &= 0xFFFF
    return v - 0x10000 if v & 0x8000 else v


def code(ch):
    """Code page 936 code of one character as a signed 16-bit value."""
    b = ch.encode("gbk")
    return b[0] if len(b) == 1 else s16(b[0] << 8 | b[1])


def codes(text):
    return [code(ch) for ch in text]


def enciphered(text):
    """The record cipher: every code lowered by 14."""
    return [s16(c - 14) for c in codes(text)]


# A fixed grille: one hole in each orbit, at (1,1), (2,4), (4,2) and (3,3) (1-based).
HOLES = {(1, 1), (2, 4), (4, 2), (3, 3)}
GRILLE = [[(r, c) in HOLES for c in range(1, 5)] for r in range(1, 5)]
# Cell values: holes 7..11, closed cells 12..26, both ends of each range used.
HOLE_VALUES = [7, 11, 9, 10]
CLOSED_VALUES = [12, 26, 13, 20, 25, 14, 19, 21, 15, 22, 16, 23]


def grille_cells():
    holes, closed = iter(HOLE_VALUES), iter(CLOSED_VALUES)
    return [next(holes) if GRILLE[r][c] else next(closed) for r in range(4) for c in range(4)]


def turned(grille):
    """Quarter turn: the value of cell (r, c) moves to (c, 5 - r), 1-based."""
    out = [[False] * 4 for _ in range(4)]
    for r in range(4):
        for c in range(4):
            out[c][3 - r] = grille[r][c]
    return out


def scatter(values):
    """Four passes: each fills the hole cells, row-major, with the next values; then a turn."""
    cells = [None] * 16
    grille = GRILLE
    it = iter(values)
    for _ in range(4):
        for r in range(4):
            for c in range(4):
                if grille[r][c]:
                    cells[r * 4 + c] = next(it)
        grille = turned(grille)
    return cells


def filler(count):
    return [i * 37 % 255 + 1 for i in range(count)]


def current_format(owner, password, records):
    key = codes(password)
    stream = []
    for title, user, pw, year, month, day in records:
        for text in (title, user, pw[::-1]):  # the password is stored last character first
            values = enciphered(text)
            stream.append(len(values))
            stream += [s16(v ^ key[k % len(key)]) for k, v in enumerate(values)]
        stream += [year, month, day]
    stream.append(0)
    stream += filler(-len(stream) % 16)
    out = struct.pack("<i", 200)
    out += struct.pack("<16h", *grille_cells())
    out += struct.pack("<%dh" % (len(owner) + 1), *enciphered(owner), 0)
    out += struct.pack("<i", len(stream) // 16)
    for b in range(0, len(stream), 16):
        out += struct.pack("<16h", *scatter(stream[b:b + 16]))
    return out


def legacy_key(password):
    c = codes(password)
    n = len(c)
    if n == 1:
        return ord(str(n)[0])
    if n == 2:
        return s16(c[0] * c[1])
    if n == 3:
        return s16(c[0] * s16(c[1] + c[2]))
    t = c[2]
    for k in range(3, n):
        t = int((t + c[k]) / 2)  # truncated toward zero
    return s16(c[0] + c[1]) * t


def legacy_format(owner, password, records):
    key = legacy_key(password)

    def text(t):
        chars = enciphered(t) + [2]
        chars += [20] * (-len(chars) % 16)
        out = struct.pack("<i", len(chars) // 16)
        for b in range(0, len(chars), 16):
            out += struct.pack("<16i", *[v ^ key for v in scatter(chars[b:b + 16])])
        return out

    out = struct.pack("<i", 150)
    out += struct.pack("<16i", *grille_cells())
    out += struct.pack("<%di" % (len(owner) + 1), *enciphered(owner), 0)
    out += struct.pack("<i", len(records))
    for title, pw, year, month, day in records:
        out += text(title) + text(pw[::-1]) + struct.pack("<3i", year, month, day)
    return out


FILES = {
    "one-record-200.kyq": current_format("owner", "pw", [("a", "u", "p", 2024, 5, 17)]),
    "three-records-200.kyq": current_format("张三", "密钥k", [
        ("Bank银行", "zhang", "p@ss中文", 2024, 2, 29),
        ("Mail", "", "", 1999, 12, 31),
        ("论坛", "用户名", "a password longer than sixteen", -1, 0, 255),
    ]),
    "legacy-150.kyq": legacy_format("老用户", "密a码b", [
        ("邮箱", "sixteen-chars-pw", 2001, 1, 31),
        ("fifteen chars!!", "x", 2008, 8, 8),  # its end marker is the 16th character
    ]),
}

if __name__ == "__main__":
    for name, data in FILES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
        print(name, len(data), "bytes")
