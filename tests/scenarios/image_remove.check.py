"""After removing every image: no image, definition, reactor or dictionary entry is left, and
the village's parcels are all there."""
from scenario_check import saved

doc = saved("image_remove.dxf")
msp = doc.modelspace()
assert len(msp.query("IMAGE")) == 0
for kind in ["IMAGEDEF", "IMAGEDEF_REACTOR"]:
    assert len(doc.objects.query(kind)) == 0, kind
if "ACAD_IMAGE_DICT" in doc.rootdict:
    assert len(doc.rootdict["ACAD_IMAGE_DICT"]) == 0
assert len(msp.query("LWPOLYLINE")) == 295, len(msp.query("LWPOLYLINE"))
