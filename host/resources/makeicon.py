#!/usr/bin/env python3
"""Draws TOVL's icon: a dark page with a folded corner and a bright prompt, 32 x 32 pixels,
RGB with a 1-bit transparency mask (every pixel fully opaque or fully transparent).

Run it to regenerate tovl.png; the PNG is committed and compiled into the Qt resources.
Usage: makeicon.py OUTPUT.png [SIZE]
"""
import struct
import sys
import zlib


def icon(size):
    s = size / 32.0
    page = (38, 50, 72)
    edge = (90, 110, 150)
    fold = (150, 170, 205)
    ink = (255, 196, 40)
    text = (120, 220, 140)
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            u, v = x / s, y / s  # design coordinates 0..32
            colour = None
            inside = 3 <= u < 29 and 1 <= v < 31 and not (u - 21 > v - 1)  # page, corner cut
            if inside:
                colour = page
                if u < 4 or v < 2 or v >= 30 or u >= 28:
                    colour = edge
                # the prompt sign ">" and a cursor bar
                if 7 <= u < 15 and abs((v - 12) - 0) < 4.5 and abs((u - 7) - (4 - abs(v - 12))) < 1.6:
                    colour = ink
                if 16 <= u < 23 and 14.5 <= v < 16.5:
                    colour = ink
                # three short "lines" of output
                for top, length in ((20, 18), (23.5, 13), (27, 16)):
                    if 7 <= u < 7 + length and top <= v < top + 1.6:
                        colour = text
            # the folded corner
            if 21 <= u < 29 and 1 <= v < 9 and (u - 21) <= (v - 1):
                colour = fold
            row.append(colour)
        pixels.append(row)
    return pixels


def png(pixels):
    raw = b""
    for row in pixels:
        raw += b"\0" + b"".join(
            bytes((*c, 255)) if c else b"\0\0\0\0" for c in row
        )
    size = len(pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF
        )

    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


if __name__ == "__main__":
    size = int(sys.argv[2]) if len(sys.argv) > 2 else 32
    with open(sys.argv[1], "wb") as f:
        f.write(png(icon(size)))
