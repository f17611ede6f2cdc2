#!/usr/bin/env python3
"""Writes parcels.dxf, a small test drawing made by an independent writer (ezdxf):
six parcels on the parcel layers, two with a parcel record under "South", one with the
add-on's feature code, work-record points, a holder-name text, a road line.

Run with Debian's python3 (which has ezdxf): /usr/bin/python3 make_parcels.py
"""
import ezdxf

doc = ezdxf.new("R2010")
doc.header["$DWGCODEPAGE"] = "ANSI_936"
doc.header["$PDMODE"] = 0
msp = doc.modelspace()
doc.appids.new("South")
for name in ["独有宗地", "共有宗地", "争议宗地", "国有宗地", "工作记录", "注记", "道路"]:
    doc.layers.new(name)

x0, y0 = 548000.0, 2543000.0
layers = ["独有宗地", "共有宗地", "独有宗地", "争议宗地", "国有宗地", "独有宗地"]
colours = {"独有宗地": 4, "共有宗地": 3, "争议宗地": 6, "国有宗地": 7}
for i, layer in enumerate(layers):
    x = x0 + (i % 3) * 50
    y = y0 + (i // 3) * 40
    pl = msp.add_lwpolyline([(x, y), (x + 50, y), (x + 50, y + 40), (x, y + 40)], close=True,
                            dxfattribs={"layer": layer, "color": colours[layer]})
    if i in (0, 1):
        values = ["440123101001" if i == 0 else "440123101001/440123101002", f"00{i + 1}",
                  "张三" if i == 0 else "李四、王五", "", "", "", "", "", "南村", "南村一组", "集体", "2000.00", "",
                  "", "", "", "赵六", "2012-08-19", "081936000", "440123", "440123101"]
        pl.set_xdata("South", [(1000, v) for v in values])
    elif i == 2:
        pl.set_xdata("South", [(1000, "300000")])
    msp.add_text("张三" if i == 0 else f"户主{i}", dxfattribs={"layer": "注记", "height": 2.5,
                                                           "insert": (x + 20, y + 20)})

for j, (px, py) in enumerate([(x0, y0), (x0 + 50, y0), (x0 + 100, y0 + 40)]):
    p = msp.add_point((px, py), dxfattribs={"layer": "工作记录", "color": 1})
    p.set_xdata("South", [(1000, "000000"), (1000, "08-19-2012"), (1000, "测绘队"), (1000, "村民推选代表"),
                          (1000, "镇政府、国土所"), (1000, "水沟中心"), (1000, str(j + 1)),
                          (1000, ""), (1000, ""), (1000, ""), (1000, "")])
msp.add_line((x0 - 10, y0 - 5), (x0 + 160, y0 - 5), dxfattribs={"layer": "道路"})
doc.saveas("parcels.dxf")
