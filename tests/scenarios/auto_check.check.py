"""auto_check.scn read back: the two saved quality-check lists (GBK, CR LF, five fields, checker
自动检查), put on the drawings as ezdxf reads them.

auto_check.txt: exactly one entry per planted fault of tests/data/auto_check.dxf (two gaps),
naming its parcels, and each place on its finding: inside both overlapping parcels; in a gap
(inside no parcel, beside both); at the repeated, open, lone or missed vertex; on both crossing
edges; at the corner lying on the third parcel's edge; inside the parcel a record finding is on.
village.txt: the sample village's parcels without a record and with a feature code, each once,
its place inside it, and nothing else."""
from scenario_check import OUT, committed, south

ROUND = 0.005 * 2 ** 0.5  # places are written with two decimals
SNAP = 0.005


def entries(name):
    raw = (OUT / name).read_bytes()
    assert raw.endswith(b"\r\n") and b"\n" not in raw.replace(b"\r\n", b""), name
    out = []
    for line in raw.decode("gbk").split("\r\n")[:-1]:
        remark, x, y, date, checker = line.split(",")
        assert checker == "自动检查" and date, line
        kind, _, names = remark.rpartition("：")
        out.append((kind, names, (float(x), float(y))))
    return out


def parcels(path):
    doc = committed(path)
    out = []
    for e in doc.modelspace().query('LWPOLYLINE[layer=="独有宗地" | layer=="共有宗地" | layer=="争议宗地" | layer=="国有宗地"]'):
        items = south(e)
        label = items[1] if items and len(items) == 21 and items[1] else "句柄" + e.dxf.handle
        out.append(dict(label=label, pts=[(p[0], p[1]) for p in e.get_points()], items=items))
    return out


def seg_dist(p, a, b):
    dx, dy = b[0] - a[0], b[1] - a[1]
    l2 = dx * dx + dy * dy
    t = 0 if l2 == 0 else max(0.0, min(1.0, ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / l2))
    return ((p[0] - a[0] - t * dx) ** 2 + (p[1] - a[1] - t * dy) ** 2) ** 0.5


def edges(pts):
    return list(zip(pts, pts[1:] + pts[:1]))


def inside(p, pts):
    hit = False
    for a, b in edges(pts):
        if (a[1] > p[1]) != (b[1] > p[1]) and p[0] < a[0] + (p[1] - a[1]) * (b[0] - a[0]) / (b[1] - a[1]):
            hit = not hit
    return hit


def near_vertex(p, pts, d):
    return any(((p[0] - v[0]) ** 2 + (p[1] - v[1]) ** 2) ** 0.5 <= d for v in pts)


def outline_dist(p, pts):
    return min(seg_dist(p, a, b) for a, b in edges(pts))


# ---- the test drawing
test = parcels("tests/data/auto_check.dxf")
by_label = {p["label"]: p for p in test}
found = entries("auto_check.txt")
bare = [p["label"] for p in test if p["items"] is None]
feature = [p["label"] for p in test if p["items"] is not None and len(p["items"]) != 21]
expected = [
    ("宗地重叠4.00平方米", "30301、30302"),
    ("宗地间缝隙2.50平方米（最宽0.50米）", "30401、30402"),
    ("宗地间缝隙19.00平方米（最宽0.10米）", "30501、30502"),
    ("界线自相交", "30601"),
    ("界线未闭合", "30701"),
    ("界线少于三个点", "30801"),
    ("界线有重复点（第2点）", "30901"),
    ("界址点未咬合（相距3.0毫米）", "31001、31002"),
    ("界址点在邻宗界线上而邻宗缺此点", "31102、31103（点），31101（线）"),
    ("宗地无属性", bare[0]),
    ("宗地有其它属性", feature[0]),
    ("权属代码与图层不符（独有宗地，代码“440123101001/440123101002”）", "31401"),
    ("实测面积与图形面积不符（实测105.00，图形100.00）", "31501"),
    ("四至与相邻宗地不符（缺：四至乙）", "31601"),
]
assert len(bare) == 1 and len(feature) == 1
assert [(k, n) for k, n, _ in found] == expected, [(k, n) for k, n, _ in found]

for kind, names, place in found:
    named = [by_label[n] for n in names.split("、") if n in by_label]
    pts = [p["pts"] for p in named]
    if kind.startswith("宗地间缝隙"):
        assert not any(inside(place, q["pts"]) for q in test), (kind, place)
        assert all(outline_dist(place, q) <= 0.5 for q in pts), (kind, place)
    elif kind.startswith(("界线未闭合", "界线少于三个点", "界线有重复点", "界址点未咬合")):
        assert all(near_vertex(place, q, ROUND + SNAP) for q in pts), (kind, place)
    elif kind == "界线自相交":
        assert sum(seg_dist(place, a, b) <= ROUND for a, b in edges(pts[0])) >= 2, place
    elif kind == "界址点在邻宗界线上而邻宗缺此点":
        assert outline_dist(place, by_label["31101"]["pts"]) <= ROUND, place
        assert all(near_vertex(place, by_label[n]["pts"], ROUND) for n in ("31102", "31103")), place
    else:  # overlap and the record findings: inside every parcel named
        assert all(inside(place, q) for q in pts), (kind, place)

# ---- the sample village: nothing but the parcels without a record of their own
village = parcels("samples/village.dxf")
found = entries("village.txt")
assert sorted((k, n) for k, n, _ in found) == sorted(
    [("宗地无属性", p["label"]) for p in village if p["items"] is None] +
    [("宗地有其它属性", p["label"]) for p in village if p["items"] is not None and len(p["items"]) != 21]), found
labels = {p["label"]: p for p in village}
assert all(inside(place, labels[n]["pts"]) for _, n, place in found)
