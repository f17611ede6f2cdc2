"""map_sheets.scn read back with ezdxf: four numbers in each of the four whole sheets of
(0,0)-(2500,2500), 20 in from the sheet's corners, 8 high; nothing from the other runs."""
from scenario_check import saved

found = saved("sheets.dxf").modelspace().query("TEXT")
texts = sorted((t.dxf.text, round(t.dxf.insert.x, 6), round(t.dxf.insert.y, 6)) for t in found)
assert all(t.dxf.height == 8 for t in found)
expected = []
for row, top in ((1, 2500), (2, 1500)):
    for col, left in ((1, 0), (2, 1000)):
        number = f"{row:02d}-{col:02d}"
        expected += [(number, left + 20, top - 20), (number, left + 980, top - 20), (number, left + 20, top - 980),
                     (number, left + 980, top - 980)]
assert texts == sorted(expected), texts
