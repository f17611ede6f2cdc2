"""survey_village.scn's results: the drawing (ezdxf), the workbook (openpyxl) and the
coordinate list (bytes). 54 is walked from its north-west corner counter-clockwise (A1..A4);
55 starts at the shared corner already numbered and numbers its two new marks (B1, B2); 85
numbers the mark at its north-west corner (C1)."""
import math
from decimal import ROUND_HALF_UP, Decimal

import openpyxl

from scenario_check import OUT as out, committed, saved, south

before = committed("samples/village.dxf")
after = saved("survey_village.dxf")


def corner(handle, i):
    return before.entitydb[handle].get_points("xy")[i][:2]


# Number, corner, description, parcel sequence, point sequence.
expected = [
    ("A1", corner("54", 3), "沟渠,中", 1, 1),
    ("A2", corner("54", 0), "田埂,中", 1, 2),
    ("A3", corner("54", 1), "道路,中", 1, 3),
    ("A4", corner("54", 2), "田埂,中", 1, 4),  # 29D from the sample
    ("B1", corner("55", 1), "围墙,外", 2, 1),
    ("B2", corner("55", 2), "陡坎,顶", 2, 2),
    ("C1", corner("85", 3), "田埂,中", 3, 1),  # 2BA from the sample
]
holders = {1: "竹园村民小组", 2: "竹园村民小组", 3: "竹园村民小组"}
codes = {1: "440123101008", 2: "440123101008", 3: "440123101008"}


def g(v):
    return "%.15g" % v


def two_places(v):
    """As the "0.00" pattern rounds: half away from zero on the 15-digit decimal form."""
    return float(Decimal(g(v)).quantize(Decimal("0.01"), rounding=ROUND_HALF_UP))


# The coordinate list: GBK, CR LF, point number within the parcel, northing, easting, description.
text = "".join(f"{p},{g(y)},{g(x)},{d}\r\n" for _, (x, y), d, _, p in expected)
data = (out.parent / "data" / "界址点坐标成果.INI").read_bytes()
assert data == text.encode("gbk"), (data, text.encode("gbk"))

msp = after.modelspace()


def near(e_xy, xy):
    return math.hypot(e_xy[0] - xy[0], e_xy[1] - xy[1]) < 1e-6


labels = {t.dxf.text: t for t in msp.query("TEXT") if t.dxf.text[:1] in "ABC" and t.dxf.text[1:].isdigit()}
assert sorted(labels) == sorted(n for n, *_ in expected), sorted(labels)
for number, xy, desc, ps, pt in expected:
    t = labels[number]
    assert near(t.dxf.insert, xy) and t.dxf.height == 5.0, (number, t.dxf.insert, t.dxf.height)
    # Work-record points on "工作记录" may stand at the same corner; they are not marks.
    marks = [p for p in msp.query("POINT") if near(p.dxf.location, xy) and p.dxf.layer != "工作记录"]
    assert len(marks) == 1, (number, marks)
    m = marks[0]
    assert m.dxf.layer == "界址点" and m.dxf.get("color") == 1, (number, m.dxf.layer, m.dxf.get("color"))
    position = f"{g(m.dxf.location.y)},{g(m.dxf.location.x)}"
    assert south(m) == [codes[ps] + "-1", holders[ps], f"{ps}_{pt}", position, desc, "", ""], (number, south(m))
    circles = [c for c in msp.query("CIRCLE") if near(c.dxf.center, xy)]
    assert len(circles) == 1 and circles[0].dxf.radius == 2.0, (number, circles)
    c = circles[0]
    assert c.dxf.layer == "界址点" and c.dxf.get("color") == 1
    assert south(c) == [codes[ps] + "-2", holders[ps], f"{ps}_{pt}", position, desc, "", ""], (number, south(c))
left = [p for p in msp.query('POINT[layer=="今后界址点"]')]
assert len(left) == 4, len(left)  # the sample's six future points, two of them numbered
assert after.header["$PDMODE"] == 32, after.header["$PDMODE"]

wb = openpyxl.load_workbook(out / "竹园村民小组.xlsx")
assert wb.sheetnames == ["主表", "附表1", "附表2", "附表3"]
ws = wb["主表"]
assert ws["H2"].value == "竹园村民小组"
assert ws["M3"].value == "101008001等", ws["M3"].value
assert ws["U21"].value == "共有3个地块，宗地号分别为：101008001、101008002、101008006。", ws["U21"].value
assert [ws[f"A{r}"].value for r in range(6, 14)] == ["101008001", None, None, None, "101008002", None, "101008006", None]
for r, (number, (x, y), desc, _, _) in enumerate(expected, start=6):
    row = [ws[f"{c}{r}"].value for c in "CEGIK"]
    assert row == [number, two_places(y), two_places(x)] + desc.split(","), (r, row)
    assert ws[f"E{r}"].number_format == "0.00" and ws[f"C{r}"].border.left.style == "thin"
assert ws["C13"].value is None
assert "A1:X1" in {str(m) for m in ws.merged_cells.ranges} and ws.print_area == ["$A$1:$X$39"]
