"""unit_selection.scn's 修改其它: label 160 reads parcel 47's holder; nothing else changed."""
from scenario_check import committed, saved

before = committed("samples/village.dxf")
after = saved("unit_selection.dxf")
assert after.entitydb["160"].dxf.text == "下围村民小组", after.entitydb["160"].dxf.text
changed = [h for h in ("15F", "161", "28C", "47") if after.entitydb[h].dxfattribs() != before.entitydb[h].dxfattribs()]
assert not changed, changed
