"""Minimal PNG reading and writing for the asset tools.

Only what our pictures need: 8-bit truecolour, with or without alpha, not
interlaced. Kept to the standard library so the build machine and the
developers' machines need nothing extra to regenerate or embed the pictures.

Pixels travel as a flat list of (r, g, b) tuples, row by row, top row first.
"""

import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


class PNGError(Exception):
    pass


def _chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _paeth(a, b, c):
    p = a + b - c
    pa = abs(p - a)
    pb = abs(p - b)
    pc = abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    if pb <= pc:
        return b
    return c


def _filter_row(kind, row, prev, bpp):
    """Apply PNG filter `kind` to one row of raw bytes."""
    out = bytearray(len(row))
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        if kind == 0:
            p = 0
        elif kind == 1:
            p = a
        elif kind == 2:
            p = b
        elif kind == 3:
            p = (a + b) >> 1
        else:
            p = _paeth(a, b, c)
        out[i] = (x - p) & 0xFF
    return out


def encode_png(width, height, pixels, filter_type=None, alpha=None):
    """Return the bytes of an 8-bit RGB (or RGBA when `alpha` is given) PNG.

    `pixels` holds width*height (r, g, b) tuples of ints 0..255. `alpha`, if
    given, is a flat list of width*height ints. With `filter_type` None each
    row gets the filter whose output has the smallest sum of absolute values
    (the usual heuristic, and deterministic); a number forces that filter on
    every row, which the tests use to exercise the decoder.
    """
    if len(pixels) != width * height:
        raise ValueError("expected %d pixels, got %d" % (width * height, len(pixels)))
    channels = 3 if alpha is None else 4
    raw = bytearray()
    prev = bytearray(width * channels)
    for y in range(height):
        row = bytearray()
        for x in range(width):
            r, g, b = pixels[y * width + x]
            row += bytes((r, g, b))
            if alpha is not None:
                row.append(alpha[y * width + x])
        if filter_type is None:
            best = None
            for kind in range(5):
                cand = _filter_row(kind, row, prev, channels)
                score = sum(v if v < 128 else 256 - v for v in cand)
                if best is None or score < best[0]:
                    best = (score, kind, cand)
            kind, filtered = best[1], best[2]
        else:
            kind = filter_type
            filtered = _filter_row(kind, row, prev, channels)
        raw.append(kind)
        raw += filtered
        prev = row
    colour_type = 2 if alpha is None else 6
    ihdr = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (SIGNATURE + _chunk(b"IHDR", ihdr)
            + _chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + _chunk(b"IEND", b""))


def encode_rgb_rows(width, height, rgb):
    """Return the bytes of an 8-bit RGB PNG of `rgb` (width*height*3 bytes, rows
    top first), every row unfiltered: quick enough for screenshots taken while
    something waits on them."""
    if len(rgb) != width * height * 3:
        raise ValueError("expected %d bytes, got %d" % (width * height * 3, len(rgb)))
    stride = width * 3
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        raw += rgb[y * stride:(y + 1) * stride]
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (SIGNATURE + _chunk(b"IHDR", ihdr)
            + _chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + _chunk(b"IEND", b""))


def write_png(path, width, height, pixels):
    data = encode_png(width, height, pixels)
    with open(path, "wb") as f:
        f.write(data)


def decode_png(data, name="PNG"):
    """Decode PNG bytes into (width, height, pixels).

    Accepts 8-bit colour types 2 (RGB) and 6 (RGBA), not interlaced. Alpha is
    dropped: the screen has no transparency and every picture is blitted as
    an opaque rectangle, so the colour channels are all that reaches it.
    """
    if data[:8] != SIGNATURE:
        raise PNGError("%s: not a PNG file" % name)
    pos = 8
    header = None
    idat = bytearray()
    while True:
        if pos + 8 > len(data):
            raise PNGError("%s: truncated before IEND" % name)
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        payload = data[pos + 8:pos + 8 + length]
        crc_bytes = data[pos + 8 + length:pos + 12 + length]
        if len(payload) != length or len(crc_bytes) != 4:
            raise PNGError("%s: truncated %s chunk" % (name, kind.decode("latin-1")))
        if struct.unpack(">I", crc_bytes)[0] != zlib.crc32(kind + payload) & 0xFFFFFFFF:
            raise PNGError("%s: bad CRC in %s chunk" % (name, kind.decode("latin-1")))
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", payload)
        elif kind == b"IDAT":
            idat += payload
        elif kind == b"IEND":
            break
    if header is None:
        raise PNGError("%s: no IHDR chunk" % name)
    width, height, depth, colour_type, compression, filter_method, interlace = header
    if depth != 8 or colour_type not in (2, 6):
        raise PNGError("%s: only 8-bit RGB or RGBA is supported (bit depth %d, colour type %d)"
                       % (name, depth, colour_type))
    if compression != 0 or filter_method != 0:
        raise PNGError("%s: unknown compression or filter method" % name)
    if interlace != 0:
        raise PNGError("%s: interlaced PNGs are not supported" % name)
    try:
        raw = zlib.decompress(bytes(idat))
    except zlib.error as e:
        raise PNGError("%s: corrupt image data (%s)" % (name, e))
    bpp = 3 if colour_type == 2 else 4
    stride = width * bpp
    if len(raw) != height * (stride + 1):
        raise PNGError("%s: image data has %d bytes, expected %d"
                       % (name, len(raw), height * (stride + 1)))
    pixels = []
    prev = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if kind == 0:
            pass
        elif kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif kind == 2:
            for i in range(stride):
                line[i] = (line[i] + prev[i]) & 0xFF
        elif kind == 3:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((a + prev[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                c = prev[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + _paeth(a, prev[i], c)) & 0xFF
        else:
            raise PNGError("%s: unknown filter type %d on row %d" % (name, kind, y))
        for x in range(width):
            o = x * bpp
            pixels.append((line[o], line[o + 1], line[o + 2]))
        prev = line
    return width, height, pixels


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    return decode_png(data, name=str(path))


def rgb565(r, g, b):
    """Pack a colour for the panel by dropping the low bits, as the panel would."""
    return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)


def rgb565_to_rgb888(v):
    """Expand a panel colour back to 8 bits a channel, replicating the top bits
    into the low ones so white stays white."""
    r = (v >> 11) & 0x1F
    g = (v >> 5) & 0x3F
    b = v & 0x1F
    return ((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2))
