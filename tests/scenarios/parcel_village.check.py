"""parcel_village.scn's drawing read back with ezdxf: the parcel it saved carries the 22-item
record, lies on 独有宗地 in colour 4, and is hatched on 构面层; the refused plot keeps its code."""
import sys
import ezdxf

doc = ezdxf.readfile(sys.argv[1] + "/village_parcel.dxf")
msp = doc.modelspace()

p = doc.entitydb["4A"]
assert p.dxf.layer == "独有宗地" and p.dxf.get("color") == 4, (p.dxf.layer, p.dxf.get("color"))
assert p.dxf.get("const_width", 0) == 0
tags = p.get_xdata("South")
assert [t.code for t in tags] == [1000] * 21, [t.code for t in tags]
values = [t.value for t in tags]
assert values[:3] == ["440123101007", "101007", "禾坪村民小组"], values
assert values[4] == "禾坪村民小组" and values[8:12] == ["岭南县石岗镇石岗村", "石岗镇石岗村", "集体", "1893.52"], values
assert values[15:18] == ["沟渠,中", "岭南县国土测绘队", "04-10-2023"], values
assert values[19:] == ["440123", "440123101"], values

refused = doc.entitydb["4E"]
assert [t.value for t in refused.get_xdata("South")] in (["300000"], ["300100"])
assert refused.dxf.get("const_width", 0) == 0  # the form was closed

bound = [h for h in msp.query("HATCH") if h.dxf.layer == "构面层"]
assert len(bound) == 3, len(bound)  # select and save of 4A, select of 4E
assert all(h.dxf.get("color") == 2 and h.dxf.pattern_angle == 45 for h in bound)
owners = {h.paths[0].source_boundary_objects[0] for h in bound if h.paths[0].source_boundary_objects}
assert owners == {"4A", "4E"}, owners
auditor = doc.audit()
assert not auditor.has_errors, [str(e) for e in auditor.errors]
print("village_parcel.dxf checked")
