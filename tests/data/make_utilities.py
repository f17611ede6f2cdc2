#!/usr/bin/env python3
"""Writes utilities.dxf, the test drawing of the panel's drawing utilities and the tools menu,
made by an independent writer (ezdxf). Small coordinates, one row per theme:

  y 200..300    parcels for the duplicate-point check: a repeated vertex 0.004 away, one 0.006
                away (not repeated), a closed ring repeating its first vertex, two parcels
                meeting at a vertex, one with two repeated vertices
  y 1000..1200  parcel islands: an outer parcel with a record holding two islands, a parcel
                without islands, an outer parcel without extended data holding one island,
                a ditch polyline (not a parcel) inside the first
  y 450..650    one entity of each kind for marking and selection: text (right-aligned),
                arc, hatch, circle, line, block reference, old-style polyline with tapering
                widths, light-weight polyline with per-vertex widths, two green lines, a line
                and a text on layer "J#1" (wildcard characters in its name), a multi-line text
  points        work-record points with 12 and 8 items, one without a record

Run with Debian's python3 (which has ezdxf): /usr/bin/python3 make_utilities.py
It prints the handles the tests name.
"""
import ezdxf

doc = ezdxf.new("R2010")
doc.header["$DWGCODEPAGE"] = "ANSI_936"
msp = doc.modelspace()
doc.appids.new("South")
for name in ["独有宗地", "共有宗地", "争议宗地", "国有宗地", "工作记录", "注记", "沟渠", "J#1"]:
    doc.layers.new(name)
handles = {}


def parcel(name, pts, layer="独有宗地", closed=True, holder=None):
    pl = msp.add_lwpolyline(pts, close=closed, dxfattribs={"layer": layer, "color": 4})
    if holder is not None:
        values = ["440123101001", "101001%03d" % (len(handles) + 1), holder, "", "", "", "", "", "南村",
                  "南村一组", "集体", "2000.00", "", "", "", "", "赵六", "2012-08-19", "081936000", "440123",
                  "440123101"]
        pl.set_xdata("South", [(1000, v) for v in values])
    handles[name] = pl.dxf.handle
    return pl


# Duplicate points.
parcel("dup", [(100, 200), (100.004, 200.001), (150, 200), (150, 250), (100, 250)])
parcel("near", [(200, 200), (200.006, 200), (250, 200), (250, 250), (200, 250)])
parcel("ring", [(300, 200), (350, 200), (350, 250), (300, 250), (300, 200)])
parcel("meet1", [(400, 200), (450, 200), (450, 250), (400, 250)])
parcel("meet2", [(400, 250), (400, 300), (450, 300), (450, 250)], layer="共有宗地")
parcel("twice", [(500, 200), (550, 200), (550, 200), (550, 250), (500, 250), (500, 250)])

# Islands.
parcel("outer", [(1000, 1000), (1200, 1000), (1200, 1200), (1000, 1200)], holder="上围村民小组")
parcel("isl1", [(1020, 1020), (1060, 1020), (1060, 1060), (1020, 1060)], holder="张三")
parcel("isl2", [(1100, 1100), (1150, 1100), (1150, 1150), (1100, 1150)], layer="国有宗地", holder="岭南县水务局")
parcel("alone", [(1300, 1000), (1400, 1000), (1400, 1100), (1300, 1100)], holder="李四")
parcel("bare", [(1500, 1000), (1700, 1000), (1700, 1200), (1500, 1200)])
parcel("isl3", [(1550, 1050), (1600, 1050), (1600, 1100), (1550, 1100)], holder="王五")
ditch = msp.add_lwpolyline([(1010, 1150), (1090, 1150), (1090, 1190)], dxfattribs={"layer": "沟渠"})
handles["ditch"] = ditch.dxf.handle

# One of each kind.
block = doc.blocks.new("界桩")
block.add_circle((0, 0), 2)
block.add_line((-2, 0), (2, 0))
text = msp.add_text("标注", dxfattribs={"layer": "注记", "height": 5})
text.set_placement((2100, 500), align=ezdxf.enums.TextEntityAlignment.BOTTOM_RIGHT)
text.dxf.insert = (2000, 500)
handles["text"] = text.dxf.handle
handles["arc"] = msp.add_arc((2200, 500), 50, 0, 90).dxf.handle
hatch = msp.add_hatch(color=2)
hatch.paths.add_polyline_path([(2300, 450), (2400, 450), (2400, 550), (2300, 550)], is_closed=True)
handles["hatch"] = hatch.dxf.handle
handles["circle"] = msp.add_circle((2500, 500), 20).dxf.handle
handles["line"] = msp.add_line((2600, 500), (2700, 600)).dxf.handle
ins = msp.add_blockref("界桩", (2800, 500), dxfattribs={"layer": "独有宗地"})
ins.set_xdata("South", [(1000, "157000")])
handles["insert"] = ins.dxf.handle
old = msp.add_polyline2d([(2900, 500), (3000, 500), (3000, 600)])
for v, (s, e) in zip(old.vertices, [(1, 2), (2, 3), (0, 0)]):
    v.dxf.start_width, v.dxf.end_width = s, e
handles["old"] = old.dxf.handle
lw = msp.add_lwpolyline([(2900, 620, 1, 3), (3000, 620, 3, 1), (3000, 650, 0, 0)], format="xyse")
handles["lw"] = lw.dxf.handle
handles["green1"] = msp.add_line((2000, 640), (2050, 640), dxfattribs={"color": 3}).dxf.handle
handles["green2"] = msp.add_line((2000, 650), (2050, 650), dxfattribs={"color": 3}).dxf.handle
handles["jline"] = msp.add_line((2200, 640), (2250, 640), dxfattribs={"layer": "J#1"}).dxf.handle
handles["jtext"] = msp.add_text("J", dxfattribs={"layer": "J#1", "height": 5, "insert": (2200, 650)}).dxf.handle

# Work-record points.
full = msp.add_point((2543210, 548900), dxfattribs={"layer": "工作记录", "color": 1})
full.set_xdata("South", [(1000, "000000"), (1000, "08-19-2012"), (1000, "岭南县国土测绘队"), (1000, "村民推选代表"),
                         (1000, "镇政府、国土所"), (1000, "水沟中心"), (1000, "12"),
                         (1000, ""), (1000, ""), (1000, ""), (1000, "")])
handles["full"] = full.dxf.handle
short = msp.add_point((1000.123456789, 2000.5), dxfattribs={"layer": "工作记录", "color": 1})
short.set_xdata("South", [(1000, "000000"), (1000, "08-20-2012"), (1000, "测绘队"), (1000, "张三"),
                          (1000, "村委"), (1000, "田埂,中"), (1000, "9999")])
handles["short"] = short.dxf.handle
handles["plain"] = msp.add_point((1000, 3000)).dxf.handle
handles["mtext"] = msp.add_mtext("多行", dxfattribs={"layer": "注记", "insert": (2000, 700)}).dxf.handle

doc.saveas("utilities.dxf")
for k, v in handles.items():
    print(f"{k:8} {v}")
