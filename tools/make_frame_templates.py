#!/usr/bin/python3
"""Makes the two frame templates that filling a map frame inserts, into data/:

    /usr/bin/python3 tools/make_frame_templates.py [OUT_DIR]

"公示图框.dxf" (public-notice map) is drawn at the size of a 610 frame, 600 x 590 units;
"宗地图(A3).dxf" (parcel map) at the size of an A3 frame, 250 x 275 units. Each has its base
point ($INSBASE) at the frame's lower-left corner, which is the origin, so that inserting it at a
frame's lower-left corner at (frame height / template height) covers that frame exactly.

Each carries: a heavy border on the frame's edge and a thin one inside it, the title above the
map, a legend of the four parcel types in their colours (on a white panel, so that it reads over
the aerial images), a scale note the user edits to the print scale, a north arrow, and lines for
the surveying unit and the date. Everything is on the layer "图框".
"""
import sys
from pathlib import Path

import ezdxf
from ezdxf.enums import TextEntityAlignment

OUT = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "data"

LAYER = "图框"
# The parcel layers and the colours parcels have on them.
PARCEL_TYPES = [("独有宗地", 4), ("共有宗地", 3), ("争议宗地", 6), ("国有宗地", 7)]
WHITE = 0xFFFFFF


def white_panel(msp, x0, y0, x1, y1):
    """A solid white area with a thin outline: the legend and notes stay readable over images."""
    hatch = msp.add_hatch(color=7, dxfattribs={"layer": LAYER})
    hatch.rgb = (255, 255, 255)
    hatch.paths.add_polyline_path([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], is_closed=True)
    msp.add_lwpolyline([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], close=True, dxfattribs={"layer": LAYER})


def text(msp, s, x, y, height, align=TextEntityAlignment.LEFT):
    t = msp.add_text(s, height=height, dxfattribs={"layer": LAYER, "style": "HZ"})
    t.set_placement((x, y), align=align)
    return t


def make(path, width, height, title, unit):
    """unit: the text height of the notes; everything else is laid out from it."""
    doc = ezdxf.new("R2010")
    doc.header["$INSBASE"] = (0, 0, 0)
    doc.header["$INSUNITS"] = 6  # metres
    doc.layers.add(LAYER, color=7)
    doc.styles.add("HZ", font="simsun.ttc")
    msp = doc.modelspace()
    u = unit

    # Borders: the heavy one on the frame's edge, a thin one inside.
    msp.add_lwpolyline([(0, 0), (width, 0), (width, height), (0, height)], close=True,
                       dxfattribs={"layer": LAYER, "const_width": 0.25 * u})
    g = 1.5 * u
    msp.add_lwpolyline([(g, g), (width - g, g), (width - g, height - g), (g, height - g)], close=True,
                       dxfattribs={"layer": LAYER})

    # Title on a white band at the top.
    white_panel(msp, width * 0.25, height - g - 4 * u, width * 0.75, height - g - 0.5 * u)
    text(msp, title, width / 2, height - g - 2.25 * u, 2.2 * u, TextEntityAlignment.MIDDLE_CENTER)

    # North arrow at the top right: a half-filled arrow head and the letter N.
    ax, ay = width - g - 3 * u, height - g - 6.5 * u
    msp.add_lwpolyline([(ax, ay + 4 * u), (ax - 1.2 * u, ay), (ax, ay + 1 * u), (ax + 1.2 * u, ay)], close=True,
                       dxfattribs={"layer": LAYER})
    head = msp.add_hatch(color=7, dxfattribs={"layer": LAYER})
    head.paths.add_polyline_path([(ax, ay + 4 * u), (ax, ay + 1 * u), (ax + 1.2 * u, ay)], is_closed=True)
    text(msp, "N", ax, ay + 5 * u, 1.4 * u, TextEntityAlignment.MIDDLE_CENTER)

    # Legend at the lower right: a sample outline in each parcel type's colour.
    lx1, ly0 = width - g - 0.5 * u, g + 0.5 * u
    lx0, ly1 = lx1 - 13 * u, ly0 + 2.5 * u + 1.6 * u * len(PARCEL_TYPES) + 0.6 * u
    white_panel(msp, lx0, ly0, lx1, ly1)
    text(msp, "图  例", (lx0 + lx1) / 2, ly1 - 1.2 * u, 1.2 * u, TextEntityAlignment.MIDDLE_CENTER)
    for i, (name, colour) in enumerate(PARCEL_TYPES):
        y = ly1 - 3.2 * u - 1.6 * u * i
        msp.add_lwpolyline([(lx0 + u, y - 0.5 * u), (lx0 + 4 * u, y - 0.5 * u), (lx0 + 4 * u, y + 0.5 * u),
                            (lx0 + u, y + 0.5 * u)], close=True,
                           dxfattribs={"layer": LAYER, "color": colour, "const_width": 0.1 * u})
        text(msp, name, lx0 + 5 * u, y, u, TextEntityAlignment.MIDDLE_LEFT)

    # Scale note, surveying unit and date at the lower left.
    nx0, ny0 = g + 0.5 * u, g + 0.5 * u
    white_panel(msp, nx0, ny0, nx0 + 20 * u, ny0 + 5.5 * u)
    text(msp, "比例尺  1:1000", nx0 + u, ny0 + 4.3 * u, u, TextEntityAlignment.MIDDLE_LEFT)
    for k, label in enumerate(["测绘单位：", "日    期："]):
        y = ny0 + 2.6 * u - 1.7 * k * u
        text(msp, label, nx0 + u, y, u, TextEntityAlignment.MIDDLE_LEFT)
        msp.add_line((nx0 + 6 * u, y - 0.6 * u), (nx0 + 19 * u, y - 0.6 * u), dxfattribs={"layer": LAYER})

    doc.saveas(path)


OUT.mkdir(parents=True, exist_ok=True)
make(OUT / "公示图框.dxf", 600, 590, "集体土地所有权调查公示图", 6)
make(OUT / "宗地图(A3).dxf", 250, 275, "宗  地  图", 3.5)
print("written", OUT / "公示图框.dxf", OUT / "宗地图(A3).dxf")
