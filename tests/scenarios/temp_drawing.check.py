"""temp_drawing.scn read back with ezdxf: the temporary drawing holds the second selection with
its layers, its block and its extended data, and the second drawing the same entities at the
same places; after 只显当前层 only the picked line's layer is on, and current."""
import ezdxf

from scenario_check import OUT as out, saved, south


def rows(doc):
    return sorted((e.dxftype(), e.dxf.layer, str(south(e, codes=True)),
                   str(e.dxf.insert if e.dxftype() == "INSERT" else e.dxf.start if e.dxftype() == "LINE"
                       else e.get_points()))
                  for e in doc.modelspace())


temp = saved("TempDwg.dxf")
assert len(temp.blocks["界桩"]) == 2
assert [r[:2] for r in rows(temp)] == [("INSERT", "独有宗地"), ("LINE", "J#1"), ("LWPOLYLINE", "独有宗地"),
                                       ("LWPOLYLINE", "独有宗地")]
assert "张三" in rows(temp)[2][2] + rows(temp)[3][2] and "157000" in rows(temp)[0][2]
inserted = saved("inserted.dxf")
assert rows(inserted) == rows(temp) and "界桩" in inserted.blocks
assert len(ezdxf.readfile(out / "source.dxf").modelspace()) == 29  # the early insert did nothing

one = saved("one_layer.dxf")
assert [l.dxf.name for l in one.layers if l.is_on() and l.dxf.name != "Defpoints"] == ["J#1"]
assert one.header["$CLAYER"] == "J#1"
