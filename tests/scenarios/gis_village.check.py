"""gis_village.scn read back: the GeoPackage (ogrinfo) holds every closed parcel of the sample
village with its record (null without one), its layer, and the elevation the exchange table
gave it, which also ends the parcel's line of the table."""
import re
import subprocess

from scenario_check import OUT as out, saved, south

NAMES = "YSDM ZDH TDQLR ZDSZ EAST SOUTH WEST NORTH TXDZ TDZL QSXZ SCMJ FZMJ TDZH PZRQ QSDCJS DCY DCRQ OutDATA".split()
msp = saved("village.dxf").modelspace()
parcels = {e.dxf.handle: e for e in msp.query("LWPOLYLINE[layer=='独有宗地' | layer=='共有宗地' | layer=='争议宗地' | "
                                              "layer=='国有宗地']") if e.closed and len(e) >= 3}
text = subprocess.run(["ogrinfo", "-ro", "-al", out / "village.gpkg"], capture_output=True, text=True).stdout
assert 'PROJCRS["CGCS2000 / 3-degree Gauss-Kruger CM 114E"' in text
features = [dict(re.findall(r"^  (\S+) \(\w+\) = (.*)$", f, re.M)) for f in text.split("\nOGRFeature(")[1:]]
features = {f["Handle"]: f for f in features}
assert len(parcels) > 250 and sorted(features) == sorted(parcels), (len(parcels), len(features))
table = (out.parent / "data" / "ArcGis宗地属性交换表.TXT").read_bytes().decode("gbk").split("\r\n")
rows = {line.rsplit(",", 1)[1]: line for line in table[1:-1]}
for handle, e in parcels.items():
    f = features[handle]
    data = [str(v) for v in south(e) or []]
    assert [f[n] for n in NAMES] == (data[:19] if len(data) == 21 else ["(null)"] * 19), (handle, f)
    assert f["Layer"] == e.dxf.layer and f["标高"] == (str(int(e.dxf.elevation)) if data else "(null)"), f
    assert not data or rows[f["标高"]].startswith("'" + ",".join(data) + ","), handle
