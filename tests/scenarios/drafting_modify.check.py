"""What drafting_modify.scn did to the six parcels, read back with ezdxf: coordinates, layers, and
the records on every parcel moved, copied, scaled, mirrored, offset, broken and joined."""
from scenario_check import saved

doc = saved("drafting_modify.dxf")
msp = doc.modelspace()

R39 = "440123101001/440123101002"
R3B = "300000"


def record(e):
    return e.get_xdata("South")[0].value if e.has_xdata("South") else None


def pts(e):
    return [(round(x, 6), round(y, 6)) for x, y in e.get_points("xy")]


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


parcels = msp.query("LWPOLYLINE")
by_handle = {e.dxf.handle: e for e in parcels}

# MOVE: parcel 37 down 100, with its record.
p37 = by_handle["37"]
assert pts(p37) == rect(548000, 2542900, 548050, 2542940), pts(p37)
assert record(p37) == "440123101001" and p37.dxf.layer == "独有宗地"

# COPY: two copies of parcel 39 with its record; OFFSET: one 3 outside it, also with its record.
copies = sorted((pts(e)[0] for e in parcels if record(e) == R39 and e.dxf.handle != "39"))
assert copies == [(548047, 2542997), (548050, 2542700), (548050, 2542800)], copies
offset = [e for e in parcels if pts(e)[0] == (548047, 2542997)][0]
assert pts(offset) == rect(548047, 2542997, 548103, 2543043) and offset.closed

# BREAK + JOIN: parcel 39 is closed again with the roof in its top edge, keeping handle and record.
p39 = by_handle["39"]
assert p39.closed and record(p39) == R39
assert sorted(pts(p39)) == sorted(rect(548050, 2543000, 548100, 2543040) +
                                   [(548060, 2543040), (548075, 2543050), (548090, 2543040)]), pts(p39)

# SCALE with copy: 3B stays, a copy twice its size at its lower left corner; MIRROR about
# x = 548200 keeps the source and adds the image. Both carry 3B's record.
p3b = by_handle["3B"]
assert pts(p3b) == rect(548100, 2543000, 548150, 2543040) and record(p3b) == R3B
others = sorted(sorted(pts(e)) for e in parcels if record(e) == R3B and e.dxf.handle != "3B")
assert others == [sorted(rect(548100, 2543000, 548200, 2543080)),
                  sorted(rect(548250, 2543000, 548300, 2543040))], others

# ROTATE: the label turned 90 degrees about its own insertion point.
label = doc.entitydb["38"]
assert abs(label.dxf.rotation - 90) < 1e-9 and tuple(label.dxf.insert)[:2] == (548020, 2543020)

# TRIM: the road lost the part between x = 548060 and 548080 and is two lines now.
roads = sorted((e.dxf.start.x, e.dxf.end.x) for e in msp.query('LINE[layer=="道路"]'))
assert roads == [(547990, 548060), (548080, 548160)], roads

# EXTEND: the short line reaches back to parcel 3B's right edge.
ext = [e for e in msp.query("LINE") if abs(e.dxf.start.y - 2543020) < 1e-9]
assert len(ext) == 1 and (ext[0].dxf.start.x, ext[0].dxf.end.x) == (548150, 548170), [(e.dxf.start, e.dxf.end) for e in ext]

# PEDIT: parcel 3F open with width 0.3; MATCHPROP: parcel 3D on 3B's layer.
p3f = by_handle["3F"]
assert not p3f.closed and p3f.dxf.const_width == 0.3
assert by_handle["3D"].dxf.layer == "独有宗地"

# Undone: the erasure of everything, the explosion of 37 and the mirror of 41 without its source.
assert pts(by_handle["41"]) == rect(548100, 2543040, 548150, 2543080)
assert len(msp.query("TEXT")) == 6 and len(msp.query("POINT")) == 3
assert not [e for e in msp.query("LINE") if e.dxf.layer == "独有宗地"], "exploded pieces left"
assert len(parcels) == 6 + 2 + 1 + 2, len(parcels)
