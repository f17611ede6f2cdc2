#!/usr/bin/python3
"""Checks the sample drawings with an independent reader (ezdxf).

  check_samples.py --generator BIN --work-dir DIR [--committed samples/village.dxf]
  check_samples.py --village FILE | --parcels FILE N

With --generator: writes the village twice (the bytes must match), checks it,
checks the committed village against a fresh one entity by entity, and writes
and checks a small parcel grid.
"""
import argparse
import math
import os
import re
import subprocess
import sys

import ezdxf

PARCEL_LAYERS = {"独有宗地": 4, "共有宗地": 3, "争议宗地": 6, "国有宗地": 7}
STATE_CODE = "440000009999"
OUTSIDE_NAMES = {"道路", "沟渠", "龙溪河", "岭南大道", "西岭村集体土地", "东坑村集体土地"}
DATE = re.compile(r"^\d{2}-\d{2}-\d{4}$")


class Failures:
    def __init__(self, name):
        self.name = name
        self.items = []

    def check(self, ok, what):
        if not ok:
            self.items.append(what)
        return ok

    def report(self):
        for what in self.items[:25]:
            print(f"{self.name}: FAIL: {what}")
        if len(self.items) > 25:
            print(f"{self.name}: ... and {len(self.items) - 25} more")
        return not self.items


def ring_area(pts):
    a = 0.0
    for i in range(len(pts)):
        x1, y1 = pts[i]
        x2, y2 = pts[(i + 1) % len(pts)]
        a += x1 * y2 - x2 * y1
    return abs(a) / 2


def centroid(pts):
    ox, oy = pts[0]
    a = cx = cy = 0.0
    for i in range(len(pts)):
        x1, y1 = pts[i][0] - ox, pts[i][1] - oy
        x2, y2 = pts[(i + 1) % len(pts)][0] - ox, pts[(i + 1) % len(pts)][1] - oy
        c = x1 * y2 - x2 * y1
        a += c
        cx += (x1 + x2) * c
        cy += (y1 + y2) * c
    return ox + cx / (3 * a), oy + cy / (3 * a)


def inside(pt, pts):
    x, y = pt
    hit = False
    for i in range(len(pts)):
        x1, y1 = pts[i]
        x2, y2 = pts[i - 1]
        if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
            hit = not hit
    return hit


def key(x, y):
    return (round(x * 1000), round(y * 1000))


def south_items(e):
    if not e.has_xdata("South"):
        return None
    return e.get_xdata("South")


def check_record(f, h, layer, pts, items):
    """Rules every 22-item parcel record obeys; returns the values (index 1..21)."""
    f.check(all(code == 1000 for code, _ in items), f"{h}: record items must all be strings (1000)")
    v = [None] + [str(value) for _, value in items]
    code = v[1]
    f.check(v[20] == code[:6] and v[21] == code[:9], f"{h}: values 20/21 are not the first 6/9 characters of {code!r}")
    f.check(re.fullmatch(r"\d{4}\d{1,5}", v[19]) is not None, f"{h}: save stamp {v[19]!r} is not MMDD + seconds")
    f.check(bool(v[17].strip()) and DATE.match(v[18]) is not None, f"{h}: surveyor or survey date missing")
    if layer == "独有宗地":
        f.check(len(code.strip()) == 12 and code.isdigit() and code != STATE_CODE, f"{h}: sole-owned code {code!r}")
    elif layer == "国有宗地":
        f.check(code == STATE_CODE, f"{h}: state-owned code {code!r}")
    else:
        f.check("/" in code and len(code.strip()) != 12 and all(len(c) == 12 for c in code.split("/")),
                f"{h}: joint/disputed code {code!r}")
        f.check(code.count("/") == v[3].count("/"), f"{h}: codes and holders of several owners do not pair up")
    f.check(v[12] == f"{ring_area(pts):.2f}", f"{h}: measured area {v[12]!r} != polygon area {ring_area(pts):.2f}")
    f.check(all(len(s.encode()) <= 255 for s in v[1:]), f"{h}: a string longer than 255 bytes")
    return v


def check_village(path, failures):
    f = failures
    f.check(os.path.getsize(path) < 4 * 1024 * 1024, "the village must stay under 4 MB")
    doc = ezdxf.readfile(path)
    f.check(doc.dxfversion == "AC1024", f"version {doc.dxfversion}, expected AC1024 (R2010)")
    f.check("South" in doc.appids, "APPID South missing")
    msp = doc.modelspace()

    parcels = []  # (handle, layer, pts, items or None)
    for e in msp.query("LWPOLYLINE"):
        if e.dxf.layer not in PARCEL_LAYERS:
            continue
        h = e.dxf.handle
        f.check(e.closed, f"{h}: parcel not closed")
        f.check(e.dxf.color == PARCEL_LAYERS[e.dxf.layer], f"{h}: colour {e.dxf.color} on {e.dxf.layer}")
        pts = [(p[0], p[1]) for p in e.get_points("xy")]
        parcels.append((h, e.dxf.layer, pts, south_items(e)))
    f.check(250 <= len(parcels) <= 350, f"{len(parcels)} parcels, expected about 300")
    kinds = {"record": 0, "feature": 0, "none": 0}
    for h, layer, pts, items in parcels:
        if items is None:
            kinds["none"] += 1
        elif len(items) == 21:
            kinds["record"] += 1
        elif len(items) == 1:
            kinds["feature"] += 1
            f.check(items[0][0] == 1000 and re.fullmatch(r"\d{6}", str(items[0][1])) is not None,
                    f"{h}: feature code {items!r}")
        else:
            f.check(False, f"{h}: {len(items) + 1} extended-data items")
    f.check(kinds["record"] >= 0.7 * len(parcels) and kinds["feature"] > 0 and kinds["none"] > 0,
            f"mix of records / feature codes / bare parcels: {kinds}")
    for layer in PARCEL_LAYERS:
        f.check(any(p[1] == layer for p in parcels), f"no parcel on {layer}")

    # Adjacency from shared corners.
    at_corner = {}
    for idx, (_, _, pts, _) in enumerate(parcels):
        for x, y in pts:
            at_corner.setdefault(key(x, y), set()).add(idx)
    holders = {}
    values = {}
    for idx, (h, layer, pts, items) in enumerate(parcels):
        if items is not None and len(items) == 21:
            values[idx] = check_record(f, h, layer, pts, items)
            holders[idx] = values[idx][3]

    # Holder labels: one text inside every parcel, reading the holder where there is a record.
    labels = [(t.dxf.insert, t.dxf.height, t.dxf.text) for t in msp.query('TEXT[layer=="注记"]')]
    f.check(len(labels) == len(parcels), f"{len(labels)} labels for {len(parcels)} parcels")
    label_of = {}
    for ins, height, text in labels:
        centre = (ins[0] + len(text) * height / 2, ins[1] + height / 2)
        for idx, (_, _, pts, _) in enumerate(parcels):
            if inside(centre, pts):
                label_of[idx] = text
                break
    f.check(len(label_of) == len(parcels), f"labels inside {len(label_of)} of {len(parcels)} parcels")
    for idx, v in values.items():
        f.check(label_of.get(idx) == v[3], f"{parcels[idx][0]}: label {label_of.get(idx)!r} != holder {v[3]!r}")

    directions = [(1, 0), (0, -1), (-1, 0), (0, 1)]
    for idx, v in values.items():
        h, _, pts, _ = parcels[idx]
        touching = sorted({q for x, y in pts for q in at_corner[key(x, y)]} - {idx})
        f.check(bool(touching), f"{h}: touches no other parcel")
        # Four-boundaries: every attributed parcel touching this one, in drawing order, each followed by ",".
        expected = ""
        for q in touching:
            if q in holders and len(expected.encode()) + len(holders[q].encode()) + 1 <= 255:
                expected += holders[q] + ","
        f.check(v[4] == expected, f"{h}: four-boundaries {v[4]!r}, touching parcels give {expected!r}")
        # East, south, west, north: holders of touching parcels on that side, or what lies beyond.
        c = centroid(pts)
        names_near = {label_of.get(q) for q in touching}
        for d, (dx, dy) in enumerate(directions):
            for name in v[5 + d].split("、"):
                if name in OUTSIDE_NAMES:
                    continue
                ok = False
                for q in touching:
                    if label_of.get(q) != name:
                        continue
                    qc = centroid(parcels[q][2])
                    vx, vy = qc[0] - c[0], qc[1] - c[1]
                    if (vx * dx + vy * dy) / math.hypot(vx, vy) > 0.3:
                        ok = True
                f.check(ok, f"{h}: {['east', 'south', 'west', 'north'][d]} neighbour {name!r} is not on that side"
                            f" (touching: {sorted(n for n in names_near if n)})")

    # Work-record points at parcel corners.
    points = list(msp.query("POINT"))
    f.check(len(points) >= 50, f"only {len(points)} work-record points")
    lengths = set()
    for p in points:
        h = p.dxf.handle
        items = south_items(p)
        if not f.check(items is not None, f"{h}: point without a record"):
            continue
        n = len(items) + 1
        lengths.add(n)
        f.check(n in (8, 12), f"{h}: work record of {n} items")
        f.check(all(c == 1000 for c, _ in items), f"{h}: work record items must be strings")
        vals = [str(x) for _, x in items]
        f.check(vals[0] == "000000" and DATE.match(vals[1]) is not None, f"{h}: record head {vals[:2]!r}")
        future = vals[6] == "9999"
        want = ("今后界址点", 2) if future else ("工作记录", 1)
        f.check((p.dxf.layer, p.dxf.color) == want, f"{h}: map number {vals[6]} on {p.dxf.layer} colour {p.dxf.color}")
        f.check(future or vals[6].isdigit(), f"{h}: map number {vals[6]!r}")
        if n == 12:
            f.check(vals[7:] == ["", "", "", ""], f"{h}: items 8-11 should be empty")
        f.check(key(p.dxf.location[0], p.dxf.location[1]) in at_corner, f"{h}: point is not at a parcel corner")
    f.check(lengths == {8, 12}, f"work records of lengths {sorted(lengths)}, expected both 8 and 12")
    f.check(any(p.dxf.layer == "今后界址点" for p in points), "no future boundary point")

    f.check(len(msp.query('LINE[layer=="道路"]')) >= 2, "no road edges")
    f.check(len(msp.query('LWPOLYLINE[layer=="沟渠"]')) >= 1, "no ditch")
    far = []
    for e in msp:
        kind = e.dxftype()
        at = (e.dxf.insert if kind == "TEXT" else e.dxf.location if kind == "POINT" else
              e.dxf.start if kind == "LINE" else e.get_points("xy")[0] if kind == "LWPOLYLINE" else (0, 0))
        x, y = at[0], at[1]
        if not (547000 < x < 549000 and 2542500 < y < 2543500):
            far.append(e.dxf.handle)
    f.check(not far, f"entities far from (548000, 2543000): {far[:10]}")
    return doc


def entity_signature(doc):
    out = []
    for e in doc.modelspace():
        geo = ()
        if e.dxftype() == "LWPOLYLINE":
            geo = tuple(e.get_points("xy"))
        elif e.dxftype() == "POINT":
            geo = tuple(e.dxf.location)
        elif e.dxftype() == "LINE":
            geo = (tuple(e.dxf.start), tuple(e.dxf.end))
        elif e.dxftype() == "TEXT":
            geo = (tuple(e.dxf.insert), e.dxf.text)
        xd = tuple(e.get_xdata("South")) if e.has_xdata("South") else ()
        out.append((e.dxftype(), e.dxf.layer, e.dxf.color, geo, xd))
    return out


def check_parcels(path, count, failures):
    f = failures
    doc = ezdxf.readfile(path)
    f.check(doc.dxfversion == "AC1024", f"version {doc.dxfversion}")
    polys = list(doc.modelspace().query("LWPOLYLINE"))
    f.check(len(polys) == count, f"{len(polys)} parcels, expected {count}")
    layers = set()
    for e in polys:
        h = e.dxf.handle
        layers.add(e.dxf.layer)
        f.check(e.dxf.layer in PARCEL_LAYERS and e.dxf.color == PARCEL_LAYERS[e.dxf.layer],
                f"{h}: {e.dxf.layer} colour {e.dxf.color}")
        pts = [(p[0], p[1]) for p in e.get_points("xy")]
        f.check(len(pts) == 5 and e.closed, f"{h}: {len(pts)} vertices, closed={e.closed}")
        f.check(39_490_000 < pts[0][0] < 39_510_000 and 2_530_000 < pts[0][1] < 2_550_000, f"{h}: at {pts[0]}")
        items = south_items(e)
        if f.check(items is not None and len(items) == 21, f"{h}: not a 22-item record"):
            check_record(f, h, e.dxf.layer, pts, items)
    if count >= 200:
        f.check(layers == set(PARCEL_LAYERS), f"parcel layers used: {sorted(layers)}")


def run(cmd):
    r = subprocess.run(cmd, capture_output=True, text=True)
    if r.returncode != 0:
        print(f"FAIL: {' '.join(cmd)} exited {r.returncode}\n{r.stdout}{r.stderr}")
        sys.exit(1)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--generator")
    ap.add_argument("--work-dir")
    ap.add_argument("--committed")
    ap.add_argument("--village")
    ap.add_argument("--parcels", nargs=2, metavar=("FILE", "N"))
    a = ap.parse_args()
    ok = True
    if a.village:
        f = Failures(a.village)
        check_village(a.village, f)
        ok &= f.report()
    if a.parcels:
        f = Failures(a.parcels[0])
        check_parcels(a.parcels[0], int(a.parcels[1]), f)
        ok &= f.report()
    if a.generator:
        os.makedirs(a.work_dir, exist_ok=True)
        v1 = os.path.join(a.work_dir, "village-1.dxf")
        v2 = os.path.join(a.work_dir, "village-2.dxf")
        run([a.generator, "village", v1])
        run([a.generator, "village", v2])
        f = Failures("village")
        with open(v1, "rb") as x, open(v2, "rb") as y:
            f.check(x.read() == y.read(), "two runs wrote different bytes")
        fresh = check_village(v1, f)
        ok &= f.report()
        if a.committed:
            f = Failures(a.committed)
            committed = check_village(a.committed, f)
            f.check(entity_signature(committed) == entity_signature(fresh),
                    "the committed sample differs from what the generator writes now; regenerate it")
            ok &= f.report()
        for n, seed in ((1, 1), (237, 7)):
            p = os.path.join(a.work_dir, f"parcels-{n}.dxf")
            run([a.generator, "parcels", str(n), p, "--seed", str(seed)])
            f = Failures(p)
            check_parcels(p, n, f)
            ok &= f.report()
    print("ok" if ok else "FAILED")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
