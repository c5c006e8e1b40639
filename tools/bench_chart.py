"""A horizontal bar chart as a PNG, with nothing but the standard library.

For docs/performance.png (tools/bench-report): one row per frame kind, a bar
made of coloured parts (render, present), a goal mark and the total written at
the bar's end. Text is drawn with the small 5x7 capital font below, scaled up.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pnglib  # noqa: E402

# 5x7 capitals, digits and the few signs the chart writes; '#' is ink.
FONT = {
    "A": [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "B": ["#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "],
    "C": [" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "],
    "D": ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "F": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    "G": [" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"],
    "H": ["#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "I": [" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "J": ["  ###", "   # ", "   # ", "   # ", "   # ", "#  # ", " ##  "],
    "K": ["#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"],
    "L": ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    "M": ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
    "N": ["#   #", "#   #", "##  #", "# # #", "#  ##", "#   #", "#   #"],
    "O": [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "P": ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    "Q": [" ### ", "#   #", "#   #", "#   #", "# # #", "#  # ", " ## #"],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    "S": [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    "T": ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    "U": ["#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "V": ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    "W": ["#   #", "#   #", "#   #", "# # #", "# # #", "# # #", " # # "],
    "X": ["#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"],
    "Y": ["#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "],
    "Z": ["#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"],
    "0": [" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "],
    "1": ["  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "2": [" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"],
    "3": ["#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "],
    "4": ["   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "],
    "5": ["#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "],
    "6": ["  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "],
    "7": ["#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "],
    "8": [" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "],
    "9": [" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "],
    " ": ["     "] * 7,
    ".": ["     ", "     ", "     ", "     ", "     ", " ##  ", " ##  "],
    ",": ["     ", "     ", "     ", "     ", " ##  ", "  #  ", " #   "],
    ":": ["     ", " ##  ", " ##  ", "     ", " ##  ", " ##  ", "     "],
    "-": ["     ", "     ", "     ", "#####", "     ", "     ", "     "],
    "+": ["     ", "  #  ", "  #  ", "#####", "  #  ", "  #  ", "     "],
    "/": ["    #", "    #", "   # ", "  #  ", " #   ", "#    ", "#    "],
    "(": ["   # ", "  #  ", " #   ", " #   ", " #   ", "  #  ", "   # "],
    ")": [" #   ", "  #  ", "   # ", "   # ", "   # ", "  #  ", " #   "],
    "<": ["   # ", "  #  ", " #   ", "#    ", " #   ", "  #  ", "   # "],
    "=": ["     ", "     ", "#####", "     ", "#####", "     ", "     "],
    "_": ["     ", "     ", "     ", "     ", "     ", "     ", "#####"],
}

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
GREY = (200, 200, 200)
RED = (200, 30, 30)


class Picture:
    def __init__(self, width, height, background=WHITE):
        self.width = width
        self.height = height
        self.pixels = [background] * (width * height)

    def rect(self, x, y, w, h, colour):
        for yy in range(max(0, y), min(self.height, y + h)):
            row = yy * self.width
            for xx in range(max(0, x), min(self.width, x + w)):
                self.pixels[row + xx] = colour

    def text(self, x, y, text, scale=2, colour=BLACK):
        """Writes text with its top-left corner at (x, y); returns the width used."""
        start = x
        for ch in text.upper():
            glyph = FONT.get(ch, FONT[" "])
            for r, line in enumerate(glyph):
                for c, cell in enumerate(line):
                    if cell == "#":
                        self.rect(x + c * scale, y + r * scale, scale, scale, colour)
            x += 6 * scale
        return x - start

    def save(self, path):
        pnglib.write_png(path, self.width, self.height, self.pixels)


def text_width(text, scale=2):
    return len(text) * 6 * scale


def bar_chart(path, title, rows, parts, scale_max, unit_label):
    """rows: (label, [value per part], goal or None, total text); parts: (name, colour)."""
    label_w = max(text_width(label) for label, _, _, _ in rows) + 20
    bar_w = 560
    row_h = 34
    top = 70
    width = label_w + bar_w + 150
    height = top + row_h * len(rows) + 80
    pic = Picture(width, height)
    pic.text(10, 10, title, scale=2)
    x = 10
    for name, colour in parts:
        pic.rect(x, 40, 14, 14, colour)
        x += 20 + pic.text(x + 20, 41, name, scale=2) + 20
    pic.rect(x, 40, 3, 14, RED)
    pic.text(x + 10, 41, "goal", scale=2)
    for i, (label, values, goal, total) in enumerate(rows):
        y = top + i * row_h
        pic.text(10, y + 8, label, scale=2)
        x = label_w
        for value, (_, colour) in zip(values, parts):
            w = round(value * bar_w / scale_max)
            pic.rect(x, y + 4, w, row_h - 10, colour)
            x += w
        if goal is not None:
            gx = label_w + round(goal * bar_w / scale_max)
            pic.rect(gx - 1, y, 3, row_h - 2, RED)
        # The total on a white patch, so a goal mark behind it cannot blur it.
        pic.rect(x + 4, y + 5, text_width(total) + 6, 20, WHITE)
        pic.text(x + 8, y + 8, total, scale=2)
    axis_y = top + row_h * len(rows) + 4
    pic.rect(label_w, axis_y, bar_w, 2, BLACK)
    step = scale_max / 4
    for k in range(5):
        tx = label_w + round(k * step * bar_w / scale_max)
        pic.rect(tx, axis_y, 2, 8, BLACK)
        pic.text(tx - 10, axis_y + 14, f"{round(k * step / 1000)}K", scale=2)
    pic.text(label_w, axis_y + 34, unit_label, scale=2)
    pic.save(path)
