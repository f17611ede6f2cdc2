"""gis_layers.scn read back with ogrinfo: counts, field names, a Chinese holder, a known area,
标高 from the exchange table, the null fields of D, the coordinate system (none: no .prj), the
.cpg, C's arc within 1 cm, and nothing left by the refused runs or the temporary writes."""
import math
import os
import re
import subprocess

from scenario_check import OUT as out

NAMES = ("YSDM ZDH TDQLR ZDSZ EAST SOUTH WEST NORTH TXDZ TDZL QSXZ SCMJ FZMJ TDZH PZRQ QSDCJS DCY DCRQ OutDATA "
         "Zen_DM Cun_DM Area Layer Handle 标高").split()
ARC = 200 + 12.5 ** 2 / 2 * (4 * math.atan(0.5) - math.sin(4 * math.atan(0.5)))  # C: radius 12.5 about (10, 2.5)


def read_layer(name, count, srs):
    text = subprocess.run(["ogrinfo", "-ro", "-al", os.path.join(out, name)], capture_output=True, text=True).stdout
    head = text.split("\nOGRFeature(")[0]
    assert re.search(r"Feature Count: (\d+)", head).group(1) == str(count) and srs in head, head
    assert re.findall(r"^(\S+): (?:String|Real|Integer64) ", head, re.M) == NAMES, head
    features = {}
    for chunk in text.split("\nOGRFeature(")[1:]:
        f = dict(re.findall(r"^  (\S+) \(\w+\) = (.*)$", chunk, re.M))
        f["ring"] = [tuple(map(float, p.split())) for p in re.search(r"POLYGON \(\((.*?)\)\)", chunk)[1].split(",")]
        features[f.pop("Handle")] = f
    return features


def shoelace(pts):
    return abs(sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(pts, pts[1:]))) / 2


gpkg = read_layer("parcels.gpkg", 4, 'PROJCRS["CGCS2000 / 3-degree Gauss-Kruger zone 39"')
shp = read_layer("parcels.shp", 4, "Layer SRS WKT:\n(unknown)")
for layer in gpkg, shp:
    a, b, c, d = (layer[h] for h in ["35", "36", "37", "38"])
    assert (a["TDQLR"], a["ZDSZ"], a["Layer"], a["标高"], b["TDQLR"]) == (
        "张三", "李四,王五,", "独有宗地", "9000", "上围村民小组/下围村民小组"), a
    assert abs(float(a["Area"]) - 1234.5) < 1e-6 and abs(float(c["Area"]) - ARC) < 1e-6 and c["标高"] == "(null)"
    assert all(d[n] == "(null)" for n in NAMES[:21]) and d["Layer"] == "争议宗地", d
    pts = [(x - 39500100, y - 2540000) for x, y in c["ring"]]
    arc = [p for p in pts if p[1] > 10 - 1e-9]
    assert len(arc) > 10 and max(p[1] for p in arc) > 14.99 and abs(shoelace(pts) - ARC) < 0.5, arc
    for p, q in zip(arc, arc[1:]):  # vertices on the arc, chord middles within 1 cm of it
        assert abs(math.hypot((p[0] + q[0]) / 2 - 10, (p[1] + q[1]) / 2 - 2.5) - 12.5) < 0.01, (p, q)
        assert abs(math.hypot(p[0] - 10, p[1] - 2.5) - 12.5) < 1e-6, p
assert open(os.path.join(out, "parcels.cpg")).read() == "UTF-8"
read_layer("only_c.gpkg", 1, "Undefined geographic SRS")  # GDAL's GeoPackage without one
left = sorted(os.listdir(out))
assert left == ["only_c.gpkg", "parcels.cpg", "parcels.dbf", "parcels.gpkg", "parcels.shp", "parcels.shx"], left
