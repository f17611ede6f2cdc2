"""temp_drawing.scn read back with ezdxf: the temporary drawing holds the second selection with
its layers, its block and its extended data; the second drawing got the same entities at the
same places; after 只显当前层 only the picked line's layer is on, and it is current."""
import sys
import ezdxf

out = sys.argv[1]


def summary(doc):
    rows = []
    for e in doc.modelspace():
        where = e.dxf.insert if e.dxftype() == "INSERT" else (e.dxf.start if e.dxftype() == "LINE" else
                                                               e.get_points("xy")[0])
        xdata = [t.value for t in e.get_xdata("South")] if e.has_xdata("South") else None
        rows.append((e.dxftype(), e.dxf.layer, tuple(round(c, 6) for c in where)[:2], xdata))
    return sorted(rows, key=str)


temp = ezdxf.readfile(out + "/TempDwg.dxf")
assert not temp.audit().has_errors
rows = summary(temp)
assert [r[:2] for r in rows] == [("INSERT", "独有宗地"), ("LINE", "J#1"), ("LWPOLYLINE", "独有宗地"),
                                 ("LWPOLYLINE", "独有宗地")], rows
assert "界桩" in temp.blocks and len(temp.blocks["界桩"]) == 2
assert temp.layers.has_entry("J#1") and temp.appids.has_entry("South")
holders = sorted(r[3][2] for r in rows if r[0] == "LWPOLYLINE")
assert holders == ["上围村民小组", "张三"], holders
assert [r[3] for r in rows if r[0] == "INSERT"] == [["157000"]]

inserted = ezdxf.readfile(out + "/inserted.dxf")
assert summary(inserted) == rows, (summary(inserted), rows)
assert "界桩" in inserted.blocks and inserted.layers.has_entry("J#1")

source = ezdxf.readfile(out + "/source.dxf")
original = ezdxf.readfile(sys.path[0] + "/../data/utilities.dxf")
assert len(source.modelspace()) == len(original.modelspace())  # the early insert did nothing

one = ezdxf.readfile(out + "/one_layer.dxf")
on = sorted(l.dxf.name for l in one.layers if l.is_on() and l.dxf.name != "Defpoints")  # ezdxf adds it
assert on == ["J#1"], on
assert one.header["$CLAYER"] == "J#1"
print("temp_drawing checked")
