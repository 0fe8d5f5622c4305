#!/usr/bin/env python3
"""pngsquash.py FILE.png: compresses a PNG's image data in place (zlib,
level 9). The Windows screenshot is written uncompressed by a program that
has no compression library."""
import struct
import sys
import zlib

path = sys.argv[1]
data = open(path, "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
chunks, pos, idat = [], 8, b""
while pos < len(data):
    (length,) = struct.unpack(">I", data[pos:pos + 4])
    kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
    pos += 12 + length
    if kind == b"IDAT":
        idat += body
        if not any(k == b"IDAT" for k, _ in chunks):
            chunks.append((kind, None))
    else:
        chunks.append((kind, body))
out = bytearray(data[:8])
for kind, body in chunks:
    if body is None:
        body = zlib.compress(zlib.decompress(idat), 9)
    out += struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
open(path, "wb").write(bytes(out))
