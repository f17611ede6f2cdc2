"""line_width.scn read back with ezdxf: the light-weight polyline is 2.5 wide with no per-vertex
widths left; the old-style one is 0 wide on every vertex; the square is there."""
from scenario_check import saved

doc = saved("widths.dxf")
lw = doc.entitydb["56"]
assert lw.dxf.const_width == 2.5
assert all(s == 0 and e == 0 for _, _, s, e, _ in lw.get_points("xyseb")), lw.get_points("xyseb")
old = doc.entitydb["51"]
assert old.dxf.default_start_width == 0 and old.dxf.default_end_width == 0
assert all(v.dxf.start_width == 0 and v.dxf.end_width == 0 for v in old.vertices)
squares = [p for p in doc.modelspace().query("LWPOLYLINE") if p.closed and
           sorted(p.get_points("xy")) == [(10, 10), (10, 20), (20, 10), (20, 20)]]
assert len(squares) == 1
