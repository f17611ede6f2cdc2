#!/usr/bin/env python3
"""Writes bad_input.dxf, the drawing of the bad-input scenarios, made by an independent writer
(ezdxf): entities where a tool asks for a parcel or a work-record point but gets something it
must refuse. Run with Debian's python3: /usr/bin/python3 make_bad_input.py

Entities (handles printed; the scenarios name them):
  two      独有宗地  a closed polyline of two vertices with a good parcel record
  typed    独有宗地  a parcel record whose items 1, 5 and 12 are a real (1040), a handle (1005)
                     and an integer (1070) instead of texts
  short    独有宗地  a parcel record of 20 items
  circle   独有宗地  a circle (not a polyline) with a good parcel record
  good     独有宗地  a good parcel with a record, the others' neighbour
  text     注记      a text
  pshort   工作记录  a work-record point of 7 items
  plong    工作记录  a work-record point of 13 items
  ptyped   工作记录  a work-record point whose items 2 and 7 are a real and an integer
"""
import ezdxf

doc = ezdxf.new("R2010")
doc.header["$DWGCODEPAGE"] = "ANSI_936"
msp = doc.modelspace()
doc.appids.new("South")
for name in ["独有宗地", "工作记录", "注记"]:
    doc.layers.new(name)


def record(code="440123101001", number="101001", holder="上围村民小组"):
    values = [code, number, holder, "上围村民小组,", "道路", "沟渠", "下围村民小组", "塘尾村民小组",
              "岭南县石岗镇石岗村", "石岗镇石岗村", "集体", "1200.00", "", "", "", "", "赵六", "08-19-2012",
              "081936000", code[:6], code[:9]]
    return [(1000, v) for v in values]


x0, y0 = 548000.0, 2543000.0


def square(i, data):
    x = x0 + i * 50
    pl = msp.add_lwpolyline([(x, y0), (x + 40, y0), (x + 40, y0 + 30), (x, y0 + 30)], close=True,
                            dxfattribs={"layer": "独有宗地", "color": 4})
    if data:
        pl.set_xdata("South", data)
    return pl


two = msp.add_lwpolyline([(x0 - 50, y0), (x0 - 10, y0)], close=True, dxfattribs={"layer": "独有宗地", "color": 4})
two.set_xdata("South", record())
print("two", two.dxf.handle)
typed = record()
typed[0] = (1040, 440123101001.0)
typed[4] = (1005, "1F")
typed[11] = (1070, 1200)
print("typed", square(0, typed).dxf.handle)
print("short", square(1, record()[:19]).dxf.handle)
circle = msp.add_circle((x0 + 170, y0 + 15), 15, dxfattribs={"layer": "独有宗地", "color": 4})
circle.set_xdata("South", record())
print("circle", circle.dxf.handle)
print("good", square(4, record("440123101002", "101002", "下围村民小组")).dxf.handle)
print("text", msp.add_text("禾坪村民小组", dxfattribs={"layer": "注记", "height": 2.5,
                                                  "insert": (x0 + 10, y0 + 40)}).dxf.handle)
point_items = ["000000", "08-21-2012", "县测绘队", "村民推选代表", "镇政府、国土所", "田埂中", "7", "", "", "", ""]
for name, data in [("pshort", [(1000, v) for v in point_items[:7]]),
                   ("plong", [(1000, v) for v in point_items] + [(1000, "x"), (1000, "y")]),
                   ("ptyped", [(1000, point_items[0]), (1040, 8.21), (1000, point_items[2]), (1000, point_items[3]),
                               (1000, point_items[4]), (1000, point_items[5]), (1070, 7)]
                    + [(1000, "")] * 4)]:
    p = msp.add_point((x0 + 300 + len(name), y0), dxfattribs={"layer": "工作记录", "color": 1})
    p.set_xdata("South", data)
    print(name, p.dxf.handle)
doc.saveas("bad_input.dxf")
