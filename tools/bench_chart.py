#!/usr/bin/python3
"""docs/performance.png: ARM instructions per frame, drawn with matplotlib.

    tools/bench_chart.py [PAGE] [CHART]     (defaults: docs/performance.md, docs/performance.png)

The chart shows the frame table of docs/performance.md and nothing else, so it
is drawn from that page: tools/bench-report calls draw_from_page() right after
writing it, and the chart can be redrawn from the committed page alone, without
counting anything again. One bar per frame kind, the scene's render and
fb_present stacked, the frame's total at the bar's end, and the frame's budget
as a red mark across its bar where it has one, with its value beside it.
"""
import os
import re
import sys

from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.figure import Figure
from matplotlib.lines import Line2D
from matplotlib.patches import Patch
from matplotlib.ticker import FuncFormatter

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RENDER_COLOUR = "#3c6ebe"
PRESENT_COLOUR = "#96bee9"
BUDGET_COLOUR = "#c81e1e"


class PageError(Exception):
    pass


def _number(cell):
    """154,933 -> 154933; the dash of an empty cell -> None."""
    cell = cell.strip()
    if cell in ("–", "-", ""):
        return None
    return int(cell.replace(",", ""))


def frame_rows(page):
    """(label, render, frame, budget or None) for each line of the page's frame
    table, in the instructions the page gives; a row without a render (the
    present alone) renders nothing."""
    lines = page.splitlines()
    try:
        head = next(i for i, line in enumerate(lines) if line.startswith("| Frame kind |"))
    except StopIteration:
        raise PageError("no table starting with '| Frame kind |'")
    columns = [c.strip() for c in lines[head].strip("|").split("|")]
    try:
        label_at, render_at = columns.index("Frame kind"), columns.index("Render")
        frame_at = next(i for i, c in enumerate(columns) if c.startswith("Frame ("))
        budget_at = columns.index("Goal")
    except (ValueError, StopIteration):
        raise PageError("the frame table's columns are %s" % columns)
    rows = []
    for line in lines[head + 2:]:
        if not line.startswith("|"):
            break
        cells = line.strip().strip("|").split("|")
        budget = re.match(r"\s*≤\s*(\d+)k", cells[budget_at])
        rows.append((cells[label_at].strip().replace("`", ""), _number(cells[render_at]) or 0,
                     _number(cells[frame_at]), int(budget.group(1)) * 1000 if budget else None))
    if not rows:
        raise PageError("the frame table has no rows")
    return rows


def draw(rows, path):
    """rows: (label, render, frame, budget or None), top to bottom."""
    figure = Figure(figsize=(10, 0.5 * len(rows) + 1.9), dpi=100)
    FigureCanvasAgg(figure)
    axes = figure.add_subplot()
    ys = range(len(rows))
    renders = [render for _, render, _, _ in rows]
    presents = [frame - render for _, render, frame, _ in rows]
    axes.barh(ys, renders, height=0.6, color=RENDER_COLOUR)
    axes.barh(ys, presents, height=0.6, left=renders, color=PRESENT_COLOUR)
    right = max(max(frame, budget or 0) for _, _, frame, budget in rows) * 1.12
    for y, (_, _, frame, budget) in enumerate(rows):
        total = "%.0fk" % (frame / 1000)
        if budget is not None and frame > budget:
            # Over budget: the mark lies on the bar, its value left of it; the
            # total goes past the bar's end and says so.
            axes.annotate(total + ", over budget", (frame, y), xytext=(4, 0), textcoords="offset points",
                          va="center", fontsize=9, color=BUDGET_COLOUR)
            budget_label = dict(xytext=(-4, 0), ha="right")
        else:
            # The total inside the bar's end, where the budget mark cannot cross it.
            axes.annotate(total, (frame, y), xytext=(-4, 0), textcoords="offset points",
                          ha="right", va="center", fontsize=9, color="#1a2a44")
            budget_label = dict(xytext=(4, 0), ha="left")
        if budget is None:
            axes.annotate("no budget", (frame, y), xytext=(6, 0), textcoords="offset points",
                          va="center", fontsize=8, color="#777777")
            continue
        axes.plot([budget, budget], [y - 0.42, y + 0.42], color=BUDGET_COLOUR, linewidth=2.5,
                  solid_capstyle="butt")
        axes.annotate("%.0fk" % (budget / 1000), (budget, y), textcoords="offset points",
                      va="center", fontsize=8, color=BUDGET_COLOUR, **budget_label)
    axes.set_yticks(list(ys), [label for label, _, _, _ in rows], fontsize=9)
    axes.invert_yaxis()
    axes.set_xlim(0, right)
    axes.xaxis.set_major_formatter(FuncFormatter(lambda v, _: "%.0fk" % (v / 1000)))
    axes.set_xlabel("ARM instructions per frame (k = 1000), counted under qemu-arm -cpu ti925t")
    axes.grid(axis="x", color="#dddddd", linewidth=0.8)
    axes.set_axisbelow(True)
    for side in ("top", "right"):
        axes.spines[side].set_visible(False)
    axes.set_title("Frame cost of the board build: the scene's render, then fb_present",
                   loc="left", fontsize=11)
    axes.legend(handles=[Patch(color=RENDER_COLOUR, label="render into the Canvas"),
                         Patch(color=PRESENT_COLOUR, label="fb_present"),
                         Line2D([], [], color=BUDGET_COLOUR, linewidth=2.5, label="budget of the frame")],
                loc="upper right", fontsize=9, framealpha=1)
    figure.tight_layout()
    # No version in the file: the same counts give the same picture.
    figure.savefig(path, format="png", metadata={"Software": None})


def draw_from_page(page_path, chart_path):
    with open(page_path) as f:
        rows = frame_rows(f.read())
    draw(rows, chart_path)


def main(argv):
    page = argv[1] if len(argv) > 1 else os.path.join(ROOT, "docs", "performance.md")
    chart = argv[2] if len(argv) > 2 else os.path.join(ROOT, "docs", "performance.png")
    try:
        draw_from_page(page, chart)
    except (OSError, PageError) as e:
        sys.exit("bench_chart: %s: %s" % (page, e))
    print("bench_chart: drew %s from %s" % (chart, page))


if __name__ == "__main__":
    main(sys.argv)
