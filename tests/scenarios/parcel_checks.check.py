"""parcel_checks.scn read back with ezdxf. Duplicate points: a marker line from the axis up to
each repeated vertex (100.004,200.001 after 100,200; 550,200 and 500,250), those two parcels red
and 1 wide; a vertex 0.006 away, a ring repeating its first vertex and two parcels meeting at a
vertex are not marked. Islands, marked twice: two hatches per island on 宗地岛 in red, user
defined, 45 degrees, 4 apart, crossed, bounded by the island, carrying the outer parcel's record
with value 3 "所属:" + the island's holder; none on the island of a parcel without a record."""
from collections import Counter

from scenario_check import saved, south

doc = saved("checked.dxf")
msp = doc.modelspace()
markers = sorted((round(b.x, 6), b.y) for a, b in (tuple(v.dxf.location for v in p.vertices)
                 for p in msp.query("POLYLINE") if p.dxf.handle != "51") if a.y == 0 and a.x == b.x)
assert markers == [(100.004, 200.001), (500, 250), (550, 200)], markers
for handle in ("38", "39", "3A", "3B", "3C", "3D"):
    e = doc.entitydb[handle]
    assert (e.dxf.color, e.dxf.get("const_width", 0)) == ((1, 1) if handle in ("38", "3D") else (4, 0)), handle

hatches = msp.query('HATCH[layer=="宗地岛"]')
assert Counter(h.paths[0].source_boundary_objects[0] for h in hatches) == {"3F": 2, "40": 2, "43": 2}
outer = south(doc.entitydb["3E"])
for h in hatches:
    assert h.dxf.color == 1 and h.dxf.pattern_type == 0 and h.dxf.pattern_angle == 45 and h.dxf.pattern_double
    assert abs(h.pattern.lines[0].offset.magnitude - 4) < 1e-9
    holder = {"3F": "张三", "40": "岭南县水务局", "43": None}[h.paths[0].source_boundary_objects[0]]
    assert south(h) == (outer[:2] + ["所属:" + holder] + outer[3:] if holder else None), south(h)
