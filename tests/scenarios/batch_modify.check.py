"""batch_modify.scn's results: the four points, the points of the abandoned lists, the three
parcels (ezdxf), and the watch file, which the empty selection at the end left alone (bytes)."""
from scenario_check import OUT as out, committed, saved, texts

before = committed("samples/village.dxf")
after = saved("batch_modify.dxf")


def record(doc, handle):
    return texts(doc.entitydb[handle])


def expect_point(handle, layer, colour, description=None):
    e = after.entitydb[handle]
    assert e.dxf.layer == layer, (handle, e.dxf.layer)
    assert e.dxf.get("color", 256) == colour, (handle, e.dxf.get("color"))
    old, new = record(before, handle), record(after, handle)
    if description is None:
        assert new == old, (handle, new)
    else:
        # Items 6 and 7 (values 5 and 6 after the name) change; the record keeps its length.
        assert new[:5] == old[:5] and new[7:] == old[7:] and new[5:7] == [description, "9999"], (handle, new)


expect_point("28C", "今后界址点", 2, "沟渠,中边")
expect_point("28F", "点位记事", 256)
expect_point("28E", "今后界址点", 2, "林权转绘")
expect_point("28D", "今后界址点", 2, "沟渠,中")
# The abandoned point list: its first point was made current (magenta) and nothing written.
expect_point("290", "工作记录", 6)
expect_point("291", "工作记录", before.entitydb["291"].dxf.get("color", 256))

neighbours = {"3B": ["道路", "岭南大道", "岭南县交通运输局", "上围村民小组"],
              "47": ["下围村民小组", "大岭村民小组", "禾坪村民小组", "下围村民小组"],
              "3C": ["大岭村民小组", "岭南大道", "上围村民小组", "岭南县交通运输局"]}
for handle, values in neighbours.items():
    e = after.entitydb[handle]
    assert e.dxf.get("color") == 4, (handle, e.dxf.get("color"))
    old, new = record(before, handle), record(after, handle)
    assert new[4:8] == values, (handle, new[4:8])
    assert new[:4] == old[:4] and new[8:] == old[8:], handle
assert {"今后界址点", "点位记事"} <= {layer.dxf.name for layer in after.layers}

watch = (out.parent / "data" / "watch.txt").read_bytes()
assert watch == b"1,292\r\n2,293\r\n", watch
