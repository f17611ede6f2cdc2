"""Tiles by point on the village, read back with ezdxf: each at its sheet's corner, 1000 units
wide, drawn first (file order and sort table alike), the TIFF tile clipped to the rectangle,
frames shown but not plotted."""
from ezdxf import reorder

from scenario_check import saved

doc = saved("image_tiles.dxf")
msp = doc.modelspace()
images = msp.query("IMAGE")
placed = sorted(
    (tuple(round(c, 6) for c in img.dxf.insert)[:2], doc.entitydb[img.dxf.image_def_handle].dxf.filename.split("/")[-1])
    for img in images
)
assert placed == [
    ((547000.0, 2542000.0), "2542.00-547.00.jpg"),
    ((548000.0, 2542000.0), "2542.00-548.00.jpg"),
    ((548000.0, 2543000.0), "2543.00-548.00.jpg"),
    ((548000.0, 2543000.0), "2543.00-548.00.tif"),
], placed
for img in images:
    assert tuple(img.dxf.image_size)[:2] == (64, 64), img.dxf.image_size
    assert abs(img.dxf.u_pixel.x - 1000 / 64) < 1e-9 and abs(img.dxf.u_pixel.y) < 1e-12, img.dxf.u_pixel
    assert abs(img.dxf.v_pixel.y - 1000 / 64) < 1e-9 and abs(img.dxf.v_pixel.x) < 1e-12, img.dxf.v_pixel

# Behind everything: first in the file and first by the sort table.
handles = {img.dxf.handle for img in images}
file_order = [e.dxf.handle for e in msp]
drawn = [e.dxf.handle for e in reorder.ascending(msp, msp.get_redraw_order())]
assert set(file_order[:4]) == handles, file_order[:6]
assert set(drawn[:4]) == handles, drawn[:6]
assert drawn == file_order

# The clipped tile: the rectangle (548600,2543400)-(548900,2543900) as a polygon in pixels.
clipped = [img for img in images if img.dxf.flags & 4 and img.dxf.clipping]
assert len(clipped) == 1, [(i.dxf.handle, i.dxf.clipping) for i in images]
img = clipped[0]
assert tuple(img.dxf.insert)[:2] == (548000.0, 2543000.0)
assert img.dxf.clipping_boundary_type == 2, img.dxf.clipping_boundary_type
step = 1000 / 64
def pixel(x, y):
    return ((x - 548000) / step - 0.5, (2544000 - y) / step - 0.5)
want = [pixel(*p) for p in [(548600, 2543400), (548900, 2543400), (548900, 2543900), (548600, 2543900), (548600, 2543400)]]
got = [(p.x, p.y) for p in img.boundary_path]
assert len(got) == len(want) and all(abs(a - c) < 1e-6 and abs(b - d) < 1e-6 for (a, b), (c, d) in zip(got, want)), got

rv = doc.objects.query("RASTERVARIABLES")
assert len(rv) == 1 and rv[0].dxf.frame == 2, [r.dxf.frame for r in rv]
assert doc.header["$PDMODE"] == 32 and doc.header["$PDSIZE"] == 4
