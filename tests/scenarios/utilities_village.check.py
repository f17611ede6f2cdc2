"""utilities_village.scn read back with ezdxf: no marks from the checks (the village has no
repeated vertices and no islands), three marker lines, sixteen sheet numbers, the width, the
square, a report line for every work-record point, and in the second drawing the two parcels
carried over with their records, with only the picked parcel's layer on."""
import os
import sys
import ezdxf

out = sys.argv[1]
village = ezdxf.readfile(os.path.join(sys.path[0], "..", "..", "samples", "village.dxf"))
doc = ezdxf.readfile(out + "/village_utilities.dxf")
assert not doc.audit().has_errors
msp = doc.modelspace()

assert not [h for h in msp.query("HATCH") if h.dxf.layer == "宗地岛"]
parcels = [p for p in msp.query("LWPOLYLINE") if p.dxf.layer.endswith("宗地")]
assert not [p for p in parcels if p.dxf.get("const_width", 0) == 1], "a village parcel was marked"
markers = sorted((round(v[0].dxf.location.x, 3), round(v[1].dxf.location.y, 3))
                 for v in (list(p.vertices) for p in msp.query("POLYLINE")))
first = village.entitydb["39"].get_points("xy")[0]
point = village.entitydb["28C"].dxf.location
text = village.entitydb["15F"].dxf.insert
assert markers == sorted([(round(first[0], 3), round(first[1], 3)), (round(point.x, 3), round(point.y, 3)),
                          (round(text.x, 3), round(text.y, 3))]), markers

numbers = sorted(t.dxf.text for t in msp.query("TEXT") if t.dxf.layer != "注记")
assert numbers == sorted(4 * ["01-01", "01-02", "02-01", "02-02"]), numbers
assert doc.entitydb["39"].dxf.const_width == 0.5
assert any(p.closed and sorted(p.get_points("xy")) == [(547600, 2542600), (547600, 2542620), (547620, 2542600),
                                                        (547620, 2542620)] for p in msp.query("LWPOLYLINE"))

report = open(os.path.join(out, "..", "data", "输出-点位属性.txt"), "rb").read()
lines = report.decode("gbk").split("\r\n")
assert lines[-1] == "" and len(lines) - 1 == len(village.modelspace().query("POINT")), len(lines)
assert all(l.count("|") == 6 and len(l.split("|")[0].split(",")[0].split(".")[1]) == 8 for l in lines[:-1])

second = ezdxf.readfile(out + "/village_second.dxf")
assert len(second.modelspace()) == len(village.modelspace()) + 2
for handle in ("39", "3B"):
    original = village.entitydb[handle]
    same = [p for p in second.modelspace().query("LWPOLYLINE") if p.has_xdata("South") and
            p.get_xdata("South") == original.get_xdata("South") and p.get_points() == original.get_points()]
    assert len(same) == 2, handle
assert sorted(l.dxf.name for l in second.layers if l.is_on() and l.dxf.name != "Defpoints") == ["国有宗地"]
print("village utilities checked")
