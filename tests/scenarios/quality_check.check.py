"""quality_check.scn's lists (GBK, CR LF, five fields a line) and its circles on 检查图层."""
import datetime

from scenario_check import OUT as out, saved


def dates():
    """Today's short date, and yesterday's should the run have crossed midnight."""
    today = datetime.date.today()
    return [f"{d.year}-{d.month}-{d.day}" for d in (today, today - datetime.timedelta(days=1))]


first = "  界址点缺失,547651.72,2542694.62,{},王检查"
second = "宗地号错，应为00012,547711.79,2542736.26,{},李，复核"
listed = (out / "quality_check.txt").read_bytes()
assert any(listed == (first.format(d) + "\r\n" + second.format(d) + "\r\n").encode("gbk") for d in dates()), listed
assert all(len(line.split(b",")) == 5 for line in listed.split(b"\r\n")[:-1])
after_delete = (out / "quality_check_2.txt").read_bytes()
assert any(after_delete == (second.format(d) + "\r\n").encode("gbk") for d in dates()), after_delete

doc = saved("quality_check.dxf")
circles = doc.modelspace().query("CIRCLE")
places = sorted((round(c.dxf.center.x, 2), round(c.dxf.center.y, 2)) for c in circles)
assert places == [(547651.72, 2542694.62), (547711.79, 2542736.26), (547711.79, 2542736.26)], places
for c in circles:
    assert c.dxf.layer == "检查图层" and c.dxf.get("color") == 2 and c.dxf.radius == 1, c.dxfattribs()
assert "检查图层" in doc.layers
