"""After removing every image: no image, definition, reactor or dictionary entry is left, and
the village's parcels are all there."""
import sys

import ezdxf

doc = ezdxf.readfile(sys.argv[1] + "/image_remove.dxf")
auditor = doc.audit()
assert not auditor.has_errors, [str(e) for e in auditor.errors]
msp = doc.modelspace()
assert len(msp.query("IMAGE")) == 0
for kind in ["IMAGEDEF", "IMAGEDEF_REACTOR"]:
    assert len(doc.objects.query(kind)) == 0, kind
if "ACAD_IMAGE_DICT" in doc.rootdict:
    assert len(doc.rootdict["ACAD_IMAGE_DICT"]) == 0
assert len(msp.query("LWPOLYLINE")) == 295, len(msp.query("LWPOLYLINE"))
print("image_remove.dxf checked")
