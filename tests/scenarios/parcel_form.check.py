"""The drawing parcel_form.scn saved, read back with ezdxf: layers, colours, widths and the
22-item records of the saved parcels, the untouched foreign data, and the hatches."""
from scenario_check import saved, texts as record

doc = saved("parcel_form.dxf")
msp = doc.modelspace()


def parcel(handle, layer, colour, width=0.0):
    e = doc.entitydb[handle]
    assert e.dxf.layer == layer, (handle, e.dxf.layer)
    assert e.dxf.get("color") == colour, (handle, e.dxf.get("color"))
    assert e.dxf.get("const_width", 0) == width, (handle, e.dxf.get("const_width"))
    return e


r = record(parcel("36", "独有宗地", 4))
assert len(r) == 21, r
assert r[:3] == ["440123101001", "101001", "上围村民小组"] and r[16:18] == ["陈建国", "12-06-2026"], r
# The save stamp: month and day (two digits each), then the seconds since midnight (1 to 5 digits).
stamp = r[18]
assert stamp.isdigit() and 5 <= len(stamp) <= 9, stamp
assert 1 <= int(stamp[:2]) <= 12 and 1 <= int(stamp[2:4]) <= 31 and int(stamp[4:]) <= 86400, stamp
assert r[19:] == ["440123", "440123101"], r

assert len(record(doc.entitydb["37"])) == 1 and len(record(doc.entitydb["38"])) == 22

r = record(parcel("39", "共有宗地", 3))
assert r[:3] == ["440123101002/440123101003", "101003", "下围村民小组/塘尾村民小组"], r

r = record(parcel("3C", "国有宗地", 7))
assert r[:2] == ["440000009999", "999999"], r

r = record(parcel("3A", "争议宗地", 6))
assert r[16:18] == ["县测绘队", "08-21-2012"], r  # both from the work-record point

parcel("3B", "国有宗地", 6)  # selected, closed: colour 6, width back to 0

made = [e for e in msp.query("LWPOLYLINE") if e.has_xdata("South") and record(e)[2:3] == ["禾坪村民小组"]]
assert len(made) == 1, len(made)
new = made[0]
assert new.closed and new.dxf.layer == "独有宗地" and new.dxf.get("color") == 4
xs = sorted({round(x, 3) for x, y in new.get_points("xy")})
assert xs == [548400.0, 548440.0], xs
assert record(new)[:3] == ["440123101007", "101007", "禾坪村民小组"]

# The second 点选 inside the new parcel drew no outline on top of it.
inside = [e for e in msp.query("LWPOLYLINE") if {round(x, 3) for x, y in e.get_points("xy")} == {548400.0, 548440.0}]
assert len(inside) == 1, [e.dxf.handle for e in inside]

hatches = msp.query("HATCH")
# select + save of 36, 39, 3C, 3A; select of 37, 38, 3B; save, 点选 and save of the new parcel
assert len(hatches) == 14, len(hatches)
for h in hatches:
    assert h.dxf.layer == "构面层" and h.dxf.get("color") == 2, (h.dxf.handle, h.dxf.layer)
assert "构面层" in doc.layers
