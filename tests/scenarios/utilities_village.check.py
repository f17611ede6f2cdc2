"""utilities_village.scn read back with ezdxf: nothing marked by the checks (the village has no
repeated vertices and no islands), three marker lines, sixteen sheet numbers, a report line for
every work-record point; in the second drawing the two parcels twice, one layer on."""
import os
import sys
import ezdxf

out = sys.argv[1]
village = ezdxf.readfile(os.path.join(sys.path[0], "..", "..", "samples", "village.dxf"))
msp = ezdxf.readfile(out + "/village_utilities.dxf").modelspace()
assert not msp.query('HATCH[layer=="宗地岛"]') and not msp.query("LWPOLYLINE[const_width==1]")
assert len(msp.query("POLYLINE")) == 3
assert len(msp.query("TEXT")) == len(village.modelspace().query("TEXT")) + 16
report = open(os.path.join(out, "..", "data", "输出-点位属性.txt"), "rb").read().decode("gbk")
assert report.count("\r\n") == len(village.modelspace().query("POINT"))

second = ezdxf.readfile(out + "/village_second.dxf")
for handle in ("39", "3B"):
    same = [p for p in second.modelspace().query("LWPOLYLINE")
            if p.get_points() == village.entitydb[handle].get_points()]
    assert len(same) == 2 and same[0].get_xdata("South") == same[1].get_xdata("South"), handle
assert [l.dxf.name for l in second.layers if l.is_on() and l.dxf.name != "Defpoints"] == ["国有宗地"]
print("village utilities checked")
