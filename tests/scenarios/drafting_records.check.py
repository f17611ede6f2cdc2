"""What drafting_records.scn left, read back with ezdxf: the new boundary on the old corners, the
moved corners, the changed layers, colours and widths, and every record exactly as it came."""
from scenario_check import committed, saved, south

before = committed("tests/data/parcels.dxf").modelspace()
msp = saved("drafting_records.dxf").modelspace()
by_handle = {e.dxf.handle: e for e in msp}


def pts(e):
    return [(round(x, 6), round(y, 6)) for x, y in e.get_points("xy")]


# Every entity that carried a record carries the same one, items and codes alike.
for old in before:
    if old.has_xdata("South"):
        new = by_handle[old.dxf.handle]
        assert south(new, codes=True) == south(old, codes=True), (old.dxf.handle, south(new, codes=True))

# The boundary drawn from the snapped corners and typed points.
new_lines = [e for e in msp.query("LWPOLYLINE") if e.dxf.handle not in {o.dxf.handle for o in before}]
assert len(new_lines) == 1, [e.dxf.handle for e in new_lines]
assert pts(new_lines[0]) == [(548000, 2543000), (548050, 2543000), (548050, 2542960), (548000, 2542960)]
assert new_lines[0].closed

p37, p39, p3b = by_handle["37"], by_handle["39"], by_handle["3B"]
assert pts(p37)[0] == (547990, 2542995), pts(p37)
assert pts(p39)[2] == (548090, 2543035), pts(p39)
assert (p37.dxf.layer, p3b.dxf.layer, p39.dxf.layer) == ("共有宗地", "共有宗地", "共有宗地")
assert p37.dxf.color == 1
assert p39.dxf.const_width == 0.2 and p3b.dxf.const_width == 0.2
assert p39.dxf.linetype.upper() == "BYLAYER" and p3b.dxf.linetype == "Continuous"
