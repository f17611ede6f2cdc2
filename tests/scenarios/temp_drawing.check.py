"""temp_drawing.scn read back with ezdxf: the temporary drawing holds the second selection with
its layers, its block and its extended data, and the second drawing the same entities at the
same places; after 只显当前层 only the picked line's layer is on, and current."""
import sys
import ezdxf

out = sys.argv[1]


def rows(doc):
    return sorted((e.dxftype(), e.dxf.layer, str(e.get_xdata("South") if e.has_xdata("South") else None),
                   str(e.dxf.insert if e.dxftype() == "INSERT" else e.dxf.start if e.dxftype() == "LINE"
                       else e.get_points()))
                  for e in doc.modelspace())


temp = ezdxf.readfile(out + "/TempDwg.dxf")
assert not temp.audit().has_errors and len(temp.blocks["界桩"]) == 2
assert [r[:2] for r in rows(temp)] == [("INSERT", "独有宗地"), ("LINE", "J#1"), ("LWPOLYLINE", "独有宗地"),
                                       ("LWPOLYLINE", "独有宗地")]
assert "张三" in rows(temp)[2][2] + rows(temp)[3][2] and "157000" in rows(temp)[0][2]
inserted = ezdxf.readfile(out + "/inserted.dxf")
assert rows(inserted) == rows(temp) and "界桩" in inserted.blocks
assert len(ezdxf.readfile(out + "/source.dxf").modelspace()) == 29  # the early insert did nothing

one = ezdxf.readfile(out + "/one_layer.dxf")
assert [l.dxf.name for l in one.layers if l.is_on() and l.dxf.name != "Defpoints"] == ["J#1"]
assert one.header["$CLAYER"] == "J#1"
print("temp_drawing checked")
