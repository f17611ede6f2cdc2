"""The work-record points boundary_walk.scn left, read back with ezdxf: their layers, colours
and "South" records item by item; the parcel the panel showed keeps its attribute record."""
from scenario_check import saved, texts as record

doc = saved("boundary_walk.dxf")
msp = doc.modelspace()

points = {(e.dxf.location.x, e.dxf.location.y): e for e in msp.query("POINT")}
# Three points from the drawing, four added; the cancelled pick and the undone point left none.
assert len(points) == 7, sorted(points)

PLOTTER, POINTER = "县测绘队 王五", "张村长"   # the batch values, trimmed
PRESENT = "镇政府、国土所、村委、村小组代表、技术人员"
TAIL = ["", "", "", ""]
expected = {
    # (x, y): layer, colour, record after the application name
    (548010, 2543010): ("工作记录", 1, ["000000", "08-20-2012", PLOTTER, POINTER, PRESENT, "田埂,中", "1"] + TAIL),
    (548020, 2543010): ("今后界址点", 2, ["000000", "08-20-2012", PLOTTER, POINTER, PRESENT, "田埂,中", "9999"] + TAIL),
    (548030, 2543010): ("今后界址点", 2, ["000000", "08-20-2012", PLOTTER, POINTER, PRESENT, "田埂,中", "9998"] + TAIL),
    (548040, 2543010): ("工作记录", 1, ["000000", "08-20-2012", PLOTTER, POINTER, PRESENT, "围墙,外", "A7"] + TAIL),
    # untouched by 查看/修改, changed by both batch changes: still 12 items
    (548000, 2543000): ("工作记录", 1, ["000000", "08-19-2012", PLOTTER, POINTER, "镇政府、国土所", "水沟中心", "1"] + TAIL),
    # rewritten by 修改/确定: 8 items, then both batch changes
    (548050, 2543000): ("工作记录", 1, ["000000", "08-19-2012", PLOTTER, POINTER, "村委、技术人员", "水沟中心", "2"]),
    # rewritten with 9999: 8 items on the future layer in yellow; outside the batch selection
    (548100, 2543040): ("今后界址点", 2, ["000000", "08-19-2012", "测绘队", "村民推选代表", "镇政府、国土所", "水沟中心", "9999"]),
}
for xy, (layer, colour, items) in expected.items():
    e = points.get(xy)
    assert e is not None, f"no point at {xy}"
    assert e.dxf.layer == layer, (xy, e.dxf.layer)
    assert e.dxf.get("color") == colour, (xy, e.dxf.get("color"))
    assert record(e) == items, (xy, record(e))
    assert e.xdata.data.keys() == {"South"}, (xy, list(e.xdata.data.keys()))

parcel = doc.entitydb["37"]
assert parcel.dxf.layer == "独有宗地" and parcel.dxf.get("color") == 4
values = record(parcel)
assert len(values) == 21 and values[:3] == ["440123101001", "001", "张三"], values
assert values[16:] == ["赵六", "2012-08-19", "081936000", "440123", "440123101"], values

assert "South" in doc.appids
assert {"工作记录", "今后界址点"} <= {layer.dxf.name for layer in doc.layers}
seed = int(doc.header["$HANDSEED"], 16)
assert all(int(e.dxf.handle, 16) < seed for e in doc.entitydb.values()), "handle seed below a handle"
