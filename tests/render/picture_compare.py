#!/usr/bin/env python3
"""Compares rendered frames with the reference pictures, or packs a frame as a reference.

  picture_compare.py compare REFERENCE ACTUAL [TOLERANCE]   exit 1 when any channel differs by
                                                           more than TOLERANCE (default 0)
  picture_compare.py pack ACTUAL REFERENCE                 an RGB PNG, Sub-filtered, deflated

Reads 8-bit RGB and RGBA PNGs without interlacing; the alpha of an RGBA frame must be opaque.
"""
import struct
import sys
import zlib


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    pos, idat, header = 8, [], None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if len(body) != length:
            raise ValueError(f"{path}: truncated {kind!r} chunk")
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
        pos += 12 + length
    if header is None:
        raise ValueError(f"{path}: no IHDR")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError(f"{path}: only 8-bit RGB or RGBA without interlacing")
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    if len(raw) != (stride + 1) * height:
        raise ValueError(f"{path}: {len(raw)} bytes of pixels for {width}x{height}")
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = row[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                row[i] = (row[i] + left) & 255
            elif kind == 2:
                row[i] = (row[i] + up) & 255
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                row[i] = (row[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
            elif kind != 0:
                raise ValueError(f"{path}: filter {kind} on row {y}")
        rows.append(row)
        previous = row
    rgb = bytearray()
    for row in rows:
        if channels == 4:
            if any(a != 255 for a in row[3::4]):
                raise ValueError(f"{path}: pixels that are not opaque")
            del row[3::4]
        rgb += row
    return width, height, bytes(rgb)


def pack(source, target):
    width, height, rgb = read_png(source)
    stride = width * 3
    filtered = bytearray()
    for y in range(height):
        row = rgb[y * stride:(y + 1) * stride]
        filtered.append(1)
        filtered += bytes((row[i] - (row[i - 3] if i >= 3 else 0)) & 255 for i in range(stride))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    with open(target, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(filtered), 9)))
        f.write(chunk(b"IEND", b""))


def compare(reference, actual, tolerance):
    rw, rh, r = read_png(reference)
    aw, ah, a = read_png(actual)
    if (rw, rh) != (aw, ah):
        print(f"{actual}: {aw}x{ah}, the reference is {rw}x{rh}")
        return 1
    worst, count = 0, 0
    for x, y in zip(r, a):
        if x != y:
            count += 1
            worst = max(worst, abs(x - y))
    if worst > tolerance:
        print(f"{actual}: {count} channels differ, by up to {worst} (at most {tolerance} allowed)")
        return 1
    print(f"{actual}: " + ("identical" if count == 0 else f"{count} channels within {worst}"))
    return 0


def main(argv):
    try:
        if len(argv) in (4, 5) and argv[1] == "compare":
            return compare(argv[2], argv[3], int(argv[4]) if len(argv) == 5 else 0)
        if len(argv) == 4 and argv[1] == "pack":
            pack(argv[2], argv[3])
            return 0
    except (OSError, ValueError, zlib.error) as error:
        print(error)
        return 1
    print(__doc__.strip())
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
