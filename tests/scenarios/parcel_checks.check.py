"""parcel_checks.scn read back with ezdxf.

Duplicate points: a marker line from the axis up to each repeated vertex (100.004,200.001 after
100,200; 550,200 and 500,250 on the parcel with two), those two parcels red and 1 wide; a vertex
0.006 away, a ring repeating its first vertex and two parcels meeting at a vertex are not marked.
Islands, marked twice: two hatches per island on 宗地岛 in red, user-defined, 45 degrees, 4 apart,
crossed, each bounded by its island; the outer parcel's record with value 3 "所属:" + the island's
holder; the island of the parcel without extended data gets none."""
import sys
from collections import Counter
import ezdxf

doc = ezdxf.readfile(sys.argv[1] + "/checked.dxf")
assert not doc.audit().has_errors
msp = doc.modelspace()
H = {"dup": "38", "near": "39", "ring": "3A", "meet1": "3B", "meet2": "3C", "twice": "3D", "outer": "3E",
     "isl1": "3F", "isl2": "40", "isl3": "43"}

markers = sorted(tuple(round(c, 6) for c in v.dxf.location)[:2] for p in msp.query("POLYLINE")
                 if p.dxf.handle != "51" for v in p.vertices if v.dxf.location.y != 0)
assert markers == [(100.004, 200.001), (500, 250), (550, 200)], markers
for p in msp.query("POLYLINE"):
    if p.dxf.handle != "51":
        xs = [v.dxf.location.x for v in p.vertices]
        assert len(xs) == 2 and xs[0] == xs[1] and list(p.vertices)[0].dxf.location.y == 0

for name, handle in H.items():
    e = doc.entitydb[handle]
    marked = name in ("dup", "twice")
    assert (e.dxf.get("color"), e.dxf.get("const_width", 0)) == ((1, 1) if marked else (4, 0)), name
assert doc.layers.has_entry("宗地岛")

hatches = [h for h in msp.query("HATCH") if h.dxf.layer == "宗地岛"]
assert len(hatches) == 6, len(hatches)
for h in hatches:
    assert h.dxf.color == 1 and h.dxf.pattern_type == 0 and h.dxf.pattern_angle == 45 and h.dxf.pattern_double == 1
    assert abs(h.pattern.lines[0].offset.magnitude - 4) < 1e-9
bounded = Counter(h.paths[0].source_boundary_objects[0] for h in hatches)
assert bounded == {H["isl1"]: 2, H["isl2"]: 2, H["isl3"]: 2}, bounded

outer = [t.value for t in doc.entitydb[H["outer"]].get_xdata("South")]
for h in hatches:
    island = h.paths[0].source_boundary_objects[0]
    if island == H["isl3"]:
        assert not h.has_xdata("South")
        continue
    values = [t.value for t in h.get_xdata("South")]
    holder = {H["isl1"]: "张三", H["isl2"]: "岭南县水务局"}[island]
    assert values == outer[:2] + ["所属:" + holder] + outer[3:], values
print("checked.dxf checked")
