"""survey_cancel.scn: the first parcel numbered (sequence mode), the second left alone, no workbook."""
from scenario_check import OUT as out, saved

doc = saved("survey_cancel.dxf")
assert not list(out.glob("*.xlsx")), list(out.glob("*.xlsx"))
assert (out.parent / "data" / "界址点坐标成果.INI").read_bytes() == "1,2542783.151,547963.906,田埂,中\r\n".encode("gbk")
assert doc.entitydb["29D"].dxf.layer == "界址点"
assert doc.entitydb["2BA"].dxf.layer == "今后界址点"
assert [t.dxf.text for t in doc.modelspace().query("TEXT") if "_" in t.dxf.text] == ["1_1"]
assert doc.header["$PDMODE"] == 32
