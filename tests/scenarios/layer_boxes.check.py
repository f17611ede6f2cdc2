"""The layer boxes left only 独有宗地 and 共有宗地 on; points show as circles of size 4."""
from scenario_check import saved

doc = saved("layer_boxes.dxf")
on = {layer.dxf.name: layer.is_on() for layer in doc.layers}
expected_on = {"独有宗地", "共有宗地"}
for name in ["今后界址点", "界址点", "宗地岛", "国有宗地", "独有宗地", "争议宗地", "共有宗地", "0"]:
    assert name in on, f"layer {name} missing"
for name, is_on in on.items():
    assert is_on == (name in expected_on), f"layer {name} on={is_on}"
assert doc.header["$PDMODE"] == 32, doc.header["$PDMODE"]
assert doc.header["$PDSIZE"] == 4, doc.header["$PDSIZE"]
assert doc.header["$CLAYER"] == "0"
