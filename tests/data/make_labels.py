#!/usr/bin/env python3
"""Writes labels.dxf, the parcels the organisation-name labels are tested on (by ezdxf, an
independent writer). Each carries a parcel record under "South" whose right holder names it:

  矩形组    the rectangle (0,0)-(10,20), on 独有宗地
  L形组     an L whose bounding-box centre (115,16) falls in its notch and whose centroid does not, on 共有宗地
  月牙组    a crescent (a thin C) whose centroid lies in its hollow, on 争议宗地, width 1.5
  国有组    a square on 国有宗地, width 0.7
  零面积组  three vertices on one line (no area), on 独有宗地
  and a square without a record on 独有宗地.

Run with Debian's python3 (which has ezdxf): /usr/bin/python3 make_labels.py
"""
import ezdxf

doc = ezdxf.new("R2010")
doc.header["$DWGCODEPAGE"] = "ANSI_936"
msp = doc.modelspace()
doc.appids.new("South")
colours = {"独有宗地": 4, "共有宗地": 3, "争议宗地": 6, "国有宗地": 7}
for name in colours:
    doc.layers.new(name)


def parcel(points, layer, holder, width=0.0):
    pl = msp.add_lwpolyline(points, close=True, dxfattribs={"layer": layer, "color": colours[layer],
                                                           "const_width": width})
    if holder:
        values = ["440123101001", "001", holder] + [""] * 15 + ["081936000", "440123", "440123101"]
        pl.set_xdata("South", [(1000, v) for v in values])
    return pl


parcel([(0, 0), (10, 0), (10, 20), (0, 20)], "独有宗地", "矩形组")
parcel([(100, 0), (130, 0), (130, 15), (110, 15), (110, 32), (100, 32)], "共有宗地", "L形组")
parcel([(200, 0), (230, 0), (230, 4), (204, 4), (204, 26), (230, 26), (230, 30), (200, 30)], "争议宗地", "月牙组",
       width=1.5)
parcel([(300, 0), (310, 0), (310, 10), (300, 10)], "国有宗地", "国有组", width=0.7)
parcel([(400, 0), (410, 0), (420, 0)], "独有宗地", "零面积组")
parcel([(500, 0), (510, 0), (510, 10), (500, 10)], "独有宗地", "")
doc.saveas("labels.dxf")
