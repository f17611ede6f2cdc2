#!/usr/bin/env python3
"""Writes gis.dxf for the exchange-table and GIS-layer scenarios with an independent writer
(ezdxf), in survey coordinates. Parcels A 独有宗地 1234.50 m² (holder 张三, commas in its
four-boundaries), B 共有宗地 0.75 m², C 国有宗地 20 x 10 m with an arc (bulge 0.5) on its north
edge, D 争议宗地 without extended data, E not closed, F of two vertices; not parcels: G a
polyline on 道路, H an old-style polyline, I a circle and J a text. Handles: gis_handles.txt.
Run with Debian's python3: /usr/bin/python3 make_gis.py"""
import os

import ezdxf

X0, Y0 = 39500000.0, 2540000.0
HERE = os.path.dirname(os.path.abspath(__file__))
doc = ezdxf.new("R2010")
msp = doc.modelspace()
doc.appids.new("South")
for name in ["独有宗地", "共有宗地", "争议宗地", "国有宗地", "道路"]:
    doc.layers.new(name)


def record(code, number, holder, bounds="", sides=("", "", "", ""), area="100.00"):
    values = [code, number, holder, bounds, *sides, "岭南县石岗镇", "石岗镇" + holder, "集体土地所有权", area, area, "",
              "2026-11-02", "", "陈建国", "2026-11-20", "112036000", code[:6], code[:9]]
    return [(1000, v) for v in values]


def rect(w, h, dx):
    return [(X0 + dx + x, Y0 + y) for x, y in [(0, 0), (w, 0), (w, h), (0, h)]]


def lw(pts, layer, closed=True, **kw):
    return msp.add_lwpolyline(pts, close=closed, dxfattribs={"layer": layer}, **kw)


arc = [(X0 + 100 + x, Y0 + y, 0, 0, b) for x, y, b in [(0, 0, 0), (20, 0, 0), (20, 10, 0.5), (0, 10, 0)]]
entities = {
    "A": (lw(rect(30, 41.15, 0), "独有宗地"),
          record("440123101001", "101001", "张三", "李四,王五,", ("李四", "道路", "王五", "沟渠"), "1234.50")),
    "B": (lw(rect(1, 0.75, 50), "共有宗地"),
          record("440123101001/440123101002", "101002", "上围村民小组/下围村民小组", "张三,", ("道路", "张三", "沟渠", "道路"),
                 "0.75")),
    "C": (lw(arc, "国有宗地", format="xyseb"), record("440000009999", "009999", "岭南县水务局", area="269.89")),
    "D": (lw(rect(10, 10, 150), "争议宗地"), None),
    "E": (lw(rect(10, 10, 200), "独有宗地", closed=False), record("440123101003", "101003", "李四")),
    "F": (lw(rect(10, 10, 250)[:2], "独有宗地"), record("440123101004", "101004", "王五")),
    "G": (lw(rect(6, 50, 300), "道路"), record("440123101005", "101005", "道路")),
    "H": (msp.add_polyline2d(rect(10, 10, 350), close=True, dxfattribs={"layer": "独有宗地"}),
          record("440123101006", "101006", "赵六")),
    "I": (msp.add_circle((X0 + 400, Y0 + 5), 5, dxfattribs={"layer": "独有宗地"}), record("440123101007", "101007", "钱七")),
    "J": (msp.add_text("张三", dxfattribs={"layer": "独有宗地", "insert": (X0 + 15, Y0 + 20), "height": 2}), None),
}
for entity, data in entities.values():
    if data:
        entity.set_xdata("South", data)
doc.saveas(os.path.join(HERE, "gis.dxf"))
with open(os.path.join(HERE, "gis_handles.txt"), "w") as f:
    f.write("".join(f"{k} {e.dxf.handle}\n" for k, (e, _) in entities.items()))
