"""Tiles by list and by range, read back with ezdxf; the copied tiles, byte for byte."""
import filecmp
import os

from scenario_check import OUT as out, ROOT, saved

tiles = ROOT / "tests" / "scenarios" / "tiles"
doc = saved("image_lists.dxf")
placed = [
    (tuple(img.dxf.insert)[:2], os.path.basename(doc.entitydb[img.dxf.image_def_handle].dxf.filename))
    for img in doc.modelspace().query("IMAGE")
]
assert placed == [
    # The list, up to the tile it does not find.
    ((547000.0, 2542000.0), "2542.00-547.00.jpg"),
    ((548000.0, 2542000.0), "2542.00-548.00.jpg"),
    # The range, row by row from the lower-left sheet.
    ((547000.0, 2542000.0), "2542.00-547.00.jpg"),
    ((548000.0, 2542000.0), "2542.00-548.00.jpg"),
    ((547000.0, 2543000.0), "2543.00-547.00.jpg"),
    ((548000.0, 2543000.0), "2543.00-548.00.jpg"),
    # Two corners in one sheet.
    ((547000.0, 2542000.0), "2542.00-547.00.jpg"),
], placed
# Images of one file share their definition.
assert len(doc.objects.query("IMAGEDEF")) == 4, len(doc.objects.query("IMAGEDEF"))

for name in ["2542.00-547.00.jpg", "2543.00-548.00.jpg"]:
    assert filecmp.cmp(os.path.join(tiles, name), os.path.join(out, "copied", name), shallow=False), name
assert os.listdir(os.path.join(out, "copied_missing")) == ["2542.00-547.00.jpg"]
assert os.listdir(os.path.join(out, "copied_empty")) == []
assert os.listdir(os.path.join(out, "copied_cancel")) == []
