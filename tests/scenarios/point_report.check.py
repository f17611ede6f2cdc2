"""point_report.scn read back: the report's exact bytes (GBK, CR LF, eight decimals, the field
order, a point without a record with empty fields) in the data folder beside the output folder,
and one marker line per marked entity, from the axis up to its reference point (a text's
insertion point, the middle of an arc's and a hatch's extents)."""
from scenario_check import OUT as out, saved

report = (out.parent / "data" / "输出-点位属性.txt").read_bytes()
expected = ("2543210.00000000,548900.00000000|08-19-2012|12|岭南县国土测绘队|村民推选代表|水沟中心|镇政府、国土所\r\n"
            "1000.12345679,2000.50000000|08-20-2012|9999|测绘队|张三|田埂,中|村委\r\n"
            "1000.00000000,3000.00000000||||||\r\n").encode("gbk")
assert report == expected, report

doc = saved("marked.dxf")
markers = []
for p in doc.modelspace().query("POLYLINE"):
    a, b = [v.dxf.location for v in p.vertices][:2] + [None] * (2 - len(p.vertices))
    if a is not None and b is not None and a.y == 0 and a.x == b.x:
        markers.append((round(b.x, 6), round(b.y, 6)))
assert sorted(markers) == sorted([(2000, 500), (2225, 525), (2350, 500), (2500, 500), (2600, 500), (2800, 500),
                                  (2900, 500), (100, 200)]), markers
