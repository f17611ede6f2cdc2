"""The aligned tile and the dropped file, read back with ezdxf."""
import os

from scenario_check import saved

doc = saved("image_align.dxf")


def close(a, b):
    return all(abs(x - y) < 1e-9 for x, y in zip(a, b))


images = {os.path.basename(doc.entitydb[i.dxf.image_def_handle].dxf.filename): i for i in doc.modelspace().query("IMAGE")}
assert sorted(images) == ["-1.00--1.00.jpg", "2542.00-547.00.jpg"], sorted(images)
# Inserted at (-1000,-1000), 1000 wide; then moved by (100,100), turned by 90 degrees and
# doubled about (100,100): the corner lands at (100,100) + 2 * rot90(-1000,-1000).
aligned = images["-1.00--1.00.jpg"]
assert close(aligned.dxf.insert, (2100, -1900, 0)), aligned.dxf.insert
assert close(aligned.dxf.u_pixel, (0, 2000 / 64, 0)), aligned.dxf.u_pixel
assert close(aligned.dxf.v_pixel, (-2000 / 64, 0, 0)), aligned.dxf.v_pixel
# The first dropped file, its lower-left corner at the view's centre, 2961.5 units wide.
dropped = images["2542.00-547.00.jpg"]
assert close(dropped.dxf.insert, (5000, 3000, 0)), dropped.dxf.insert
assert close(dropped.dxf.u_pixel, (2961.5 / 64, 0, 0)), dropped.dxf.u_pixel
assert doc.header["$OSMODE"] == 0, doc.header["$OSMODE"]
