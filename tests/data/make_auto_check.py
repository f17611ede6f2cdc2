#!/usr/bin/env python3
"""Writes auto_check.dxf, the test drawing of the automatic check, made by an independent writer
(ezdxf) in survey coordinates (x about 39,500,000). Each site stands 100 m east of the one before:

  site 0   a clean block of 4 x 3 jittered plots with shared corners (sole, jointly owned,
           disputed and state parcels; a measured area 0.05 off; a corner written 0.05 mm
           off on one of the two plots that share it), a road polyline without a record
  site 1   an island lying in its outer parcel, whose measured area leaves the island out
  site 2   eight plots around a 10 x 10 m yard (a large gap: not a finding)
  site 3   two parcels overlapping by 4 m²                                     重叠
  site 4   two parcels with a 2.5 m² wedge between them                         缝隙
  site 5   two parcels with a 0.1 m wide, 19 m² strip between them              缝隙
  site 6   an outline crossing itself                                           自相交
  site 7   an outline that is not closed                                        未闭合
  site 8   a polyline of two vertices on a parcel layer                         少于三点
  site 9   two consecutive vertices 4 mm apart                                  重复点
  site 10  neighbours whose shared corner is 3 mm apart                         未咬合
  site 11  two parcels meeting on the edge of a third that lacks their corner   T形接点
  site 12  a parcel without extended data                                       无属性
  site 13  a parcel with the surveying add-on's two-item feature code          其它属性
  site 14  codes of two owners on the sole-owned layer                          图层不符
  site 15  a measured area 5 m² off                                             面积不符
  site 16  a four-boundaries list lacking the neighbour                         四至不符

Every record is otherwise right: the measured area is the polygon's, the four-boundaries list
names the holders of the attributed polylines touching the parcel (within 0.1 mm) in drawing
order, each followed by a comma, as the neighbour fill writes it. auto_check.check.py reads the
same expectations from the drawing.

Run with Debian's python3 (which has ezdxf): /usr/bin/python3 make_auto_check.py
"""
import os
import random

import ezdxf

X0, Y0 = 39500000.0, 2540000.0
TOUCH = 1e-4

doc = ezdxf.new("R2010")
msp = doc.modelspace()
doc.appids.new("South")
for name in ["独有宗地", "共有宗地", "争议宗地", "国有宗地", "道路"]:
    doc.layers.new(name)

parcels = []  # dicts: entity, pts (absolute), number, holder, layer, code, data, area, bounds


def shoelace(pts):
    return abs(sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(pts, pts[1:] + pts[:1]))) / 2


def parcel(site, number, holder, pts, layer="独有宗地", code="440123101001", closed=True, data="record",
           area=None, bounds=None):
    absolute = [(X0 + 100 * site + x, Y0 + y) for x, y in pts]
    pl = msp.add_lwpolyline(absolute, close=closed, dxfattribs={"layer": layer})
    parcels.append(dict(entity=pl, pts=absolute, number=number, holder=holder, layer=layer, code=code, data=data,
                        area=area, bounds=bounds, closed=closed))


# ---- geometry for the four-boundaries lists (touching within 0.1 mm, as the fill finds them)

def seg_dist(p, a, b):
    dx, dy = b[0] - a[0], b[1] - a[1]
    l2 = dx * dx + dy * dy
    t = 0 if l2 == 0 else max(0.0, min(1.0, ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / l2))
    return ((p[0] - a[0] - t * dx) ** 2 + (p[1] - a[1] - t * dy) ** 2) ** 0.5


def crosses(a, b, c, d):
    def o(p, q, r):
        return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])
    return o(a, b, c) * o(a, b, d) < 0 and o(c, d, a) * o(c, d, b) < 0


def inside(p, ring):
    hit = False
    for a, b in zip(ring, ring[1:] + ring[:1]):
        if (a[1] > p[1]) != (b[1] > p[1]) and p[0] < a[0] + (p[1] - a[1]) * (b[0] - a[0]) / (b[1] - a[1]):
            hit = not hit
    return hit


def touches(subject, other):
    ring = subject["pts"]
    if len(ring) < 3 or shoelace(ring) == 0:
        return False  # no polygon to search with
    line = other["pts"] + (other["pts"][:1] if other["closed"] else [])
    edges = list(zip(ring, ring[1:] + ring[:1]))
    for q in line:
        if inside(q, ring) or any(seg_dist(q, a, b) <= TOUCH for a, b in edges):
            return True
    for c, d in zip(line, line[1:]):
        if any(crosses(a, b, c, d) or seg_dist(a, c, d) <= TOUCH for a, b in edges):
            return True
    return False


# ---- site 0: a clean block
rng = random.Random(21)
xs, ys = [0, 20, 40, 60, 80], [0, 20, 40, 60]
corner = {(i, j): (x + (rng.uniform(-2, 2) if 0 < i < 4 else 0), y + (rng.uniform(-2, 2) if 0 < j < 3 else 0))
          for i, x in enumerate(xs) for j, y in enumerate(ys)}
kinds = {(1, 0): ("共有宗地", "440123101001/440123101002", "上围村民小组/下围村民小组"),
         (2, 1): ("争议宗地", "440123101003/440123101004", "塘尾村民小组/大岭村民小组"),
         (3, 2): ("国有宗地", "440000009999", "岭南县水务局")}
for j in range(3):
    for i in range(4):
        ring = [corner[(i, j)], corner[(i + 1, j)], corner[(i + 1, j + 1)], corner[(i, j + 1)]]
        if (i, j) == (2, 2):  # a corner 0.05 mm off the one the plot beside it has: the same point
            ring[0] = (ring[0][0] + 0.00005, ring[0][1])
        layer, code, holder = kinds.get((i, j), ("独有宗地", "440123101%03d" % (j + 1), "户主%d%d" % (i, j)))
        area = "%.2f" % (shoelace(ring) + 0.05) if (i, j) == (0, 1) else None
        parcel(0, "1%02d%02d" % (i, j), holder, ring, layer=layer, code=code, area=area)
msp.add_lwpolyline([(X0 - 5, Y0), (X0 + 85, Y0)], dxfattribs={"layer": "道路"})

# ---- site 1: an island
parcel(1, "20101", "外围户", [(0, 0), (40, 0), (40, 40), (0, 40)], area="%.2f" % (1600 - 100))
parcel(1, "20102", "岛内户", [(15, 15), (25, 15), (25, 25), (15, 25)])

# ---- site 2: a yard
for n, (i, j) in enumerate([(0, 0), (1, 0), (2, 0), (0, 1), (2, 1), (0, 2), (1, 2), (2, 2)]):
    parcel(2, "202%02d" % n, "院户%d" % n, [(10 * i, 10 * j), (10 * i + 10, 10 * j), (10 * i + 10, 10 * j + 10),
                                           (10 * i, 10 * j + 10)])

# ---- the cases
parcel(3, "30301", "重叠甲", [(0, 0), (10, 0), (10, 10), (0, 10)])
parcel(3, "30302", "重叠乙", [(9.5, 2), (19.5, 2), (19.5, 12), (9.5, 12)])
parcel(4, "30401", "缝隙甲", [(0, 0), (10, 0), (10, 10), (0, 10)])
parcel(4, "30402", "缝隙乙", [(10, 0), (20, 0), (20, 10), (10, 10), (10.5, 5)])
# (50 m south of the other sites: it is 200 m long)
parcel(5, "30501", "窄缝甲", [(0, -50), (200, -50), (200, -40), (0, -40)])
parcel(5, "30502", "窄缝乙", [(0, -60), (200, -60), (200, -50), (190, -50.1), (10, -50.1), (0, -50)])
parcel(6, "30601", "交叉户", [(0, 0), (10, 10), (10, 0), (0, 10)])
parcel(7, "30701", "开口户", [(0, 0), (10, 0), (10, 10), (0, 10)], closed=False)
parcel(8, "30801", "两点户", [(0, 0), (10, 0)])
parcel(9, "30901", "重点户", [(0, 0), (0.004, 0.001), (10, 0), (10, 10), (0, 10)])
parcel(10, "31001", "咬合甲", [(0, 0), (10, 0), (10, 10), (0, 10)])
parcel(10, "31002", "咬合乙", [(10.003, 0), (20, 0), (20, 10), (10, 10)])
parcel(11, "31101", "丁字底", [(0, 0), (20, 0), (20, 10), (0, 10)])
parcel(11, "31102", "丁字左", [(0, 10), (10, 10), (10, 20), (0, 20)])
parcel(11, "31103", "丁字右", [(10, 10), (20, 10), (20, 20), (10, 20)])
parcel(12, "", "", [(0, 0), (10, 0), (10, 10), (0, 10)], data=None)
parcel(13, "", "", [(0, 0), (10, 0), (10, 10), (0, 10)], data="feature")
parcel(14, "31401", "图层户", [(0, 0), (10, 0), (10, 10), (0, 10)], code="440123101001/440123101002")
parcel(15, "31501", "面积户", [(0, 0), (10, 0), (10, 10), (0, 10)], area="105.00")
parcel(16, "31601", "四至甲", [(0, 0), (10, 0), (10, 10), (0, 10)], bounds="")
parcel(16, "31602", "四至乙", [(10, 0), (20, 0), (20, 10), (10, 10)])

# ---- records
for p in parcels:
    if p["data"] == "feature":
        p["entity"].set_xdata("South", [(1000, "300000")])
    if p["data"] != "record":
        continue
    if p["bounds"] is None:
        p["bounds"] = "".join(q["holder"] + "," for q in parcels
                              if q is not p and q["data"] == "record" and touches(p, q))
    values = [p["code"], p["number"], p["holder"], p["bounds"], "", "", "", "", "岭南县石岗镇", "石岗镇",
              "集体土地所有权", p["area"] or "%.2f" % shoelace(p["pts"]), "", "", "", "", "陈建国", "05-12-2023",
              "051236000", p["code"][:6], p["code"][:9]]
    p["entity"].set_xdata("South", [(1000, v) for v in values])

doc.saveas(os.path.join(os.path.dirname(os.path.abspath(__file__)), "auto_check.dxf"))
