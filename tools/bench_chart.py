"""docs/performance.png: ARM instructions per frame, drawn with matplotlib.

tools/bench-report calls draw() with the rows of the page's frame table, so the
chart shows what the table says and nothing else: one bar per frame kind, the
scene's render and fb_present stacked, the frame's total at the bar's end, and
the frame's budget as a red mark across its bar where it has one, with its
value beside it.
"""
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.figure import Figure
from matplotlib.lines import Line2D
from matplotlib.patches import Patch
from matplotlib.ticker import FuncFormatter

RENDER_COLOUR = "#3c6ebe"
PRESENT_COLOUR = "#96bee9"
BUDGET_COLOUR = "#c81e1e"


def annotate_bar(axes, y, frame, budget):
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
        return
    axes.plot([budget, budget], [y - 0.42, y + 0.42], color=BUDGET_COLOUR, linewidth=2.5,
              solid_capstyle="butt")
    axes.annotate("%.0fk" % (budget / 1000), (budget, y), textcoords="offset points",
                  va="center", fontsize=8, color=BUDGET_COLOUR, **budget_label)


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
    for y, (_, _, frame, budget) in enumerate(rows):
        annotate_bar(axes, y, frame, budget)
    axes.set_yticks(list(ys), [label.replace("`", "") for label, _, _, _ in rows], fontsize=9)
    axes.invert_yaxis()
    axes.set_xlim(0, max(max(frame, budget or 0) for _, _, frame, budget in rows) * 1.12)
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
