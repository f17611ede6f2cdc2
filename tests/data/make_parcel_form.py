#!/usr/bin/env python3
"""Writes parcel_form.dxf, the drawing of the parcel attribute form's tests and scenarios,
made by an independent writer (ezdxf). Run with Debian's python3: /usr/bin/python3 make_parcel_form.py

Entities, left to right (every parcel a closed 40 x 30 polyline at y 2543000):
  P0  独有宗地  no extended data
  P1  独有宗地  the add-on's two-item feature code ("South", "300000")
  P2  独有宗地  23 items under "South"
  P3  共有宗地  a 22-item parcel record (two owners)
  P4  争议宗地  a 22-item parcel record
  P5  国有宗地  a 22-item parcel record (state land)
  P6  独有宗地  a 22-item parcel record
  an open polyline, two neighbour texts, a work-record point (12 items), and a square of four
  LINEs at x 548400 (a closed area without a polyline, for the point pick).
The handles are printed; the tests name them.
"""
import ezdxf

doc = ezdxf.new("R2010")
doc.header["$DWGCODEPAGE"] = "ANSI_936"
msp = doc.modelspace()
doc.appids.new("South")
for name in ["独有宗地", "共有宗地", "争议宗地", "国有宗地", "工作记录", "注记"]:
    doc.layers.new(name)
colours = {"独有宗地": 4, "共有宗地": 3, "争议宗地": 6, "国有宗地": 7}


def record(code, number, holder, surveyor="赵六", date="08-19-2012"):
    values = [code, number, holder, "上围村民小组,", "道路", "沟渠", "下围村民小组", "塘尾村民小组",
              "岭南县石岗镇石岗村", "石岗镇石岗村", "集体", "1200.00", "", "", "", "", surveyor, date,
              "081936000", code[:6], code[:9]]
    assert len(values) == 21
    return [(1000, v) for v in values]


x0, y0 = 548000.0, 2543000.0
parcels = [
    ("独有宗地", None),
    ("独有宗地", [(1000, "300000")]),
    ("独有宗地", [(1000, f"v{i}") for i in range(22)]),
    ("共有宗地", record("440123101001/440123101002", "101002", "上围村民小组/下围村民小组")),
    ("争议宗地", record("440123101003/440123101004", "101004", "塘尾村民小组/大岭村民小组")),
    ("国有宗地", record("440000009999", "999999", "岭南县交通运输局")),
    ("独有宗地", record("440123101001", "101001", "上围村民小组")),
]
for i, (layer, data) in enumerate(parcels):
    x = x0 + i * 50
    pl = msp.add_lwpolyline([(x, y0), (x + 40, y0), (x + 40, y0 + 30), (x, y0 + 30)], close=True,
                            dxfattribs={"layer": layer, "color": colours[layer]})
    if data:
        pl.set_xdata("South", data)
    print(f"P{i}", pl.dxf.handle)

open_pl = msp.add_lwpolyline([(x0, y0 - 20), (x0 + 100, y0 - 20), (x0 + 100, y0 - 10)], dxfattribs={"layer": "0"})
print("open", open_pl.dxf.handle)
east = msp.add_text("禾坪村民小组", dxfattribs={"layer": "注记", "height": 2.5, "insert": (x0 + 10, y0 + 40)})
print("text east", east.dxf.handle)
state = msp.add_text("岭南县水务局", dxfattribs={"layer": "注记", "height": 2.5, "insert": (x0 + 60, y0 + 40)})
print("text state", state.dxf.handle)
p = msp.add_point((x0, y0), dxfattribs={"layer": "工作记录", "color": 1})
p.set_xdata("South", [(1000, "000000"), (1000, "08-21-2012"), (1000, "县测绘队"), (1000, "村民推选代表"),
                      (1000, "镇政府、国土所"), (1000, "田埂中"), (1000, "7"),
                      (1000, ""), (1000, ""), (1000, ""), (1000, "")])
print("point", p.dxf.handle)
sx = 548400.0
for a, b in [((sx, y0), (sx + 40, y0)), ((sx + 40, y0), (sx + 40, y0 + 30)), ((sx + 40, y0 + 30), (sx, y0 + 30)),
             ((sx, y0 + 30), (sx, y0))]:
    print("line", msp.add_line(a, b).dxf.handle)
doc.saveas("parcel_form.dxf")
