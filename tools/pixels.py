"""Pictures as the asset tools handle them, and the panel's colour format.

Pixels travel as a flat list of (r, g, b) tuples, row by row, top row first;
Pillow reads and writes the PNG files. Any PNG Pillow can open is read as
8-bit RGB with its alpha dropped: the screen has no transparency and every
picture is blitted as an opaque rectangle, so the colour channels are all
that reaches it.
"""

from PIL import Image


def read_rgb(path):
    """(width, height, pixels) of the picture at `path`; Pillow's errors
    (OSError, SyntaxError, ValueError) pass through."""
    with Image.open(path) as picture:
        rgb = picture.convert("RGB")
    return rgb.width, rgb.height, list(rgb.getdata())


def write_rgb(path, width, height, pixels):
    if len(pixels) != width * height:
        raise ValueError("expected %d pixels, got %d" % (width * height, len(pixels)))
    picture = Image.new("RGB", (width, height))
    picture.putdata(pixels)
    picture.save(path, format="PNG")


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
