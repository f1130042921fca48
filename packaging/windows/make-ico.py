#!/usr/bin/env python3
"""Packs PNG pictures into one Windows .ico, each entry kept as PNG.

Usage: make-ico.py OUT.ico IN.png...
"""
import os
import struct
import sys


def png_size(data, name):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        sys.exit(f"make-ico.py: {name} is not a PNG picture")
    return struct.unpack(">II", data[16:24])


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__.strip())
    out, names = sys.argv[1], sys.argv[2:]
    pictures = []
    for name in names:
        with open(name, "rb") as f:
            data = f.read()
        width, height = png_size(data, name)
        if width > 256 or height > 256:
            sys.exit(f"make-ico.py: {name} is larger than 256 pixels")
        pictures.append((width, height, data))
    pictures.sort(key=lambda p: p[0])

    header = struct.pack("<HHH", 0, 1, len(pictures))
    offset = len(header) + 16 * len(pictures)
    entries, blobs = b"", b""
    for width, height, data in pictures:
        # 0 stands for 256 in the one-byte fields.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), offset)
        blobs += data
        offset += len(data)
    # Written beside and renamed, so a failed run leaves no half an icon.
    with open(out + ".tmp", "wb") as f:
        f.write(header + entries + blobs)
    os.replace(out + ".tmp", out)


if __name__ == "__main__":
    main()
