"""The village after neighbour_village.scn, against the sample as committed: every parcel record
as it was (39's spoilt list restored by the fill; the save stamp and hatches of 39 aside), the
drawn rectangle red, without a record, with a marker line from the X axis up to its first vertex."""
from scenario_check import committed, saved, south as record

before = committed("samples/village.dxf")
after = saved("neighbour_village.dxf")


checked = 0
for e in before.modelspace().query("LWPOLYLINE"):
    f = after.entitydb[e.dxf.handle]
    old, new = record(e), record(f)
    if e.dxf.handle == "39":
        assert new[3] == old[3] == "上围村民小组,上围村民小组,上围村民小组,", new[3]
        assert new[:18] == old[:18], (old, new)  # values 1..18; the save stamp moved
        continue
    assert old == new, (e.dxf.handle, old, new)
    assert e.dxf.get("color") == f.dxf.get("color"), e.dxf.handle
    checked += 1
assert checked == 294, checked

new_polylines = [e for e in after.modelspace().query("LWPOLYLINE") if e.get_points("xy")[0][0] >= 549000]
assert len(new_polylines) == 1, new_polylines
rect = new_polylines[0]
assert rect.dxf.get("color") == 1 and not rect.has_xdata("South"), rect.dxf.get("color")  # no record made up
x0, y0 = rect.get_points("xy")[0]
markers = list(after.modelspace().query("POLYLINE"))
assert len(markers) == 1, markers
assert [tuple(v.dxf.location)[:2] for v in markers[0].vertices] == [(x0, 0), (x0, y0)], list(markers[0].vertices)
