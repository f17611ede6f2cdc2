#!/usr/bin/env python3
"""The independent reader for the drawing tests: ezdxf makes drawings, reads what
Korvane wrote and redoes Korvane's transforms its own way.

  ezdxf_probe.py make VERSION OUT.dxf     a drawing ezdxf writes (R12 and R2004 with ANSI_936,
                                          R2000 with ANSI_1252, R2010, R2018), a few entities
  ezdxf_probe.py probe FILE.dxf           audit (plain and recovering load), handle and owner
                                          checks, layers, then one line per model-space
                                          entity: tab-separated key=value
  ezdxf_probe.py shapes OUT.dxf           one entity of every transformable type (R2010)
  ezdxf_probe.py check-transform A B OP.. applies OPs to A with ezdxf and compares the
                                          geometry with B; OP is move:DX,DY,DZ,
                                          rotate:BX,BY,BZ:RADIANS or scale:BX,BY,BZ:FACTOR
Exit status 0 when all is well, 1 with a message otherwise.
"""
import io
import math
import re
import sys

import ezdxf
from ezdxf import recover
from ezdxf.math import Matrix44, Vec3


def fmt(v):
    if isinstance(v, (list, tuple)) and v and isinstance(v[0], (list, tuple, Vec3)):
        return ";".join(fmt(p) for p in v)
    if isinstance(v, (list, tuple, Vec3)):
        return ",".join(repr(float(c)) for c in v)
    if isinstance(v, float):
        return repr(v)
    text = re.sub(r"\\U\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), str(v))
    return text.replace("\t", " ").replace("\n", "\\n")


# ---------------------------------------------------------------- make

def make(version, out):
    doc = ezdxf.new(version)
    if version in ("R12", "R2004"):  # R2000 stays ANSI_1252: Chinese travels as \U+ escapes
        doc.encoding = "gbk"
    msp = doc.modelspace()
    doc.layers.add("界址线", color=3)
    msp.add_line((0, 0), (100, 0), dxfattribs={"layer": "界址线"})
    msp.add_text("原有注记", dxfattribs={"layer": "界址线", "height": 2.0}).set_placement((5, 5))
    msp.add_circle((50, 50), 10)
    if version != "R12":
        msp.add_lwpolyline([(0, 0), (10, 0), (10, 10)], close=True)
    doc.saveas(out)


# ---------------------------------------------------------------- probe

def read_records(path):
    """Raw records of the file: (section, [(code, value)]), straight from the text."""
    with open(path, "rb") as f:
        data = f.read()
    lines = data.split(b"\n")
    lines = [l[:-1] if l.endswith(b"\r") else l for l in lines]
    records, section, cur = [], None, None
    for i in range(0, len(lines) - 1, 2):
        if not lines[i].strip():
            break
        code, value = int(lines[i]), lines[i + 1].decode("utf8", "replace").strip()
        if code == 0:
            if cur is not None:
                records.append((section, cur))
            cur = [(0, value)]
            if value == "EOF":
                break
        elif cur is not None:
            cur.append((code, value))
            if cur[0] == (0, "SECTION") and code == 2 and len(cur) == 2:
                section = value
    return records


def structure(path, dxfversion):
    """Handles unique and under $HANDSEED, owners that exist, subclass markers in place."""
    records = read_records(path)
    handles, seed, problems = [], None, []
    for section, tags in records:
        if section == "HEADER":
            for k, (c, v) in enumerate(tags):
                if c == 9 and v == "$HANDSEED":
                    seed = int(tags[k + 1][1], 16)
        elif len(tags) > 1 and tags[1][0] in (5, 105):
            handles.append(int(tags[1][1], 16))
    known = set(handles)
    r12 = dxfversion <= "AC1009"
    owner_stack = None
    for section, tags in records:
        if section != "ENTITIES" or tags[0][1] in ("SECTION", "ENDSEC"):
            continue
        kind = tags[0][1]
        handle = tags[1][1] if len(tags) > 1 and tags[1][0] == 5 else None
        if kind in ("POLYLINE", "INSERT"):
            owner_stack = handle
        if r12:
            continue
        owners = [v for c, v in tags if c == 330]
        if not owners or int(owners[0], 16) not in known:
            problems.append(f"{kind} {handle}: owner missing or dangling")
        elif kind in ("VERTEX", "SEQEND", "ATTRIB") and owners[0] != owner_stack:
            problems.append(f"{kind} {handle}: owner {owners[0]} is not its {owner_stack}")
        if (100, "AcDbEntity") not in tags:
            problems.append(f"{kind} {handle}: no AcDbEntity marker")
        if handle is None:
            problems.append(f"{kind} without a handle")
    dup = len(handles) - len(known)
    top = max(handles) if handles else 0
    return {
        "count": len(handles),
        "duplicates": dup,
        "max": format(top, "X"),
        "seed": format(seed, "X") if seed is not None else "none",
        "seed_above": int(seed is None or seed > top) if handles else 1,
        "problems": len(problems),
        "first_problem": problems[0] if problems else "",
    }


def describe(e):
    t = e.dxftype()
    common = {k: e.dxf.get(k, v) if e.dxf.is_supported(k) else v for k, v in (("layer", "0"), ("color", 256))}
    d = {"handle": e.dxf.handle, "type": t, **common}
    if t == "POINT":
        d["p"] = e.dxf.location
    elif t == "LINE":
        d["p"] = [e.dxf.start, e.dxf.end]
    elif t == "LWPOLYLINE":
        d["p"] = [(x, y, e.dxf.elevation) for x, y in e.get_points("xy")]
        d["bulge"] = ",".join(repr(b) for *_, b in e.get_points("xyb"))
        d["closed"] = int(e.closed)
    elif t == "POLYLINE":
        d["p"] = list(e.points())
        d["closed"] = int(e.is_closed)
        d["three_d"] = int(e.is_3d_polyline)
        d["bulge"] = ",".join(repr(v.dxf.bulge) for v in e.vertices)
    elif t in ("TEXT", "MTEXT"):
        d["p"] = e.dxf.insert
        d["height"] = e.dxf.char_height if t == "MTEXT" else e.dxf.height
        d["text"] = e.text if t == "MTEXT" else e.dxf.text
    elif t in ("CIRCLE", "ARC"):
        d["p"] = e.dxf.center
        d["radius"] = e.dxf.radius
        if t == "ARC":
            d["start"], d["end"] = e.dxf.start_angle, e.dxf.end_angle
    return d


def recover_load(path):
    """ezdxf's recovering loader; it trips over \\U+ escapes in lower case (which ezdxf
    itself writes), so those are upper-cased first."""
    with open(path, "rb") as f:
        data = re.sub(rb"\\U\+([0-9a-fA-F]{4})", lambda m: b"\\U+" + m.group(1).upper(), f.read())
    return recover.read(io.BytesIO(data))


def probe(path):
    with open(path, "rb") as f:
        escaped = re.search(rb"\\U\+[0-9a-fA-F]{4}", f.read()) is not None
    if not escaped:  # the strict loader rejects names with \\U+ escapes (valid DXF up to R2004)
        ezdxf.readfile(path)
    # The recovering loader decodes \\U+ escapes in names too, so audit what it loaded; it
    # reports whatever it had to repair on the way.
    doc, recovered = recover_load(path)
    auditor = doc.audit()
    msgs = "; ".join(f"{x.code}:{x.message}" for x in auditor.errors + recovered.errors + recovered.fixes)
    print(f"audit\terrors={len(auditor.errors)}\tfixes={len(auditor.fixes)}"
          f"\trecover_errors={len(recovered.errors)}\trecover_fixes={len(recovered.fixes)}\tmessages={fmt(msgs)}")
    s = structure(path, doc.dxfversion)
    print("structure\t" + "\t".join(f"{k}={fmt(v)}" for k, v in s.items()))
    print(f"drawing\tversion={doc.dxfversion}\tencoding={doc.encoding}")
    for layer in doc.layers:
        print(f"layer\tname={fmt(layer.dxf.name)}\tcolor={layer.dxf.color}")
    for e in doc.modelspace():
        print("entity\t" + "\t".join(f"{k}={fmt(v)}" for k, v in describe(e).items()))


# ---------------------------------------------------------------- transforms

def shapes(out):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    msp.add_point((1, 2, 3))
    msp.add_line((1, 1, 0), (4, 5, 6))
    msp.add_circle((3, 4), 2)
    msp.add_circle((3, 4, 1), 2, dxfattribs={"extrusion": (0, 0, -1)})
    msp.add_arc((2, 2), 5, 30, 300)
    msp.add_arc((2, 2), 5, 350, 10, dxfattribs={"extrusion": (0, 0, -1)})
    tilted = Vec3(0.3, -0.4, 0.8).normalize()
    msp.add_circle((1, 2, 3), 1.5, dxfattribs={"extrusion": tilted})
    msp.add_arc((1, 2, 3), 1.5, 10, 100, dxfattribs={"extrusion": tilted})
    msp.add_text("镜像", dxfattribs={"height": 1.0, "rotation": 30, "extrusion": (0, 0, -1)}).set_placement((4, 4))
    msp.add_lwpolyline([(0, 0), (5, 1), (2, 6)], dxfattribs={"elevation": 1, "extrusion": tilted})
    msp.add_ellipse((5, 5, 1), major_axis=(3, 1, 0), ratio=0.5, start_param=0.3, end_param=4.0)
    msp.add_text("左下", dxfattribs={"height": 2.5, "rotation": 15}).set_placement((7, 8))
    msp.add_text("居中", dxfattribs={"height": 2.0}).set_placement(
        (1, 2), (9, 2), align=ezdxf.enums.TextEntityAlignment.ALIGNED)
    msp.add_mtext("多行\\P文字", dxfattribs={"char_height": 1.5, "insert": (3, 3, 0), "width": 20})
    msp.add_lwpolyline([(0, 0, 0.5, 0.5, 0), (10, 0, 0, 0, 0.4), (10, 10, 1, 1, 0)],
                       format="xyseb", dxfattribs={"elevation": 2, "closed": True})
    msp.add_polyline2d([(0, 0), (3, 0), (3, 4)], dxfattribs={"elevation": (0, 0, 1.5)})
    msp.add_polyline3d([(0, 0, 0), (3, 0, 1), (3, 4, 2)])
    blk = doc.blocks.new("块")
    blk.add_line((0, 0), (1, 1))
    blk.add_attdef("TAG", (0, 0), dxfattribs={"height": 0.5})
    ins = msp.add_blockref("块", (20, 10), dxfattribs={"xscale": 2, "yscale": 3, "rotation": 10})
    ins.add_attrib("TAG", "值", (20.5, 10.5), dxfattribs={"height": 0.5, "rotation": 10})
    hatch = msp.add_hatch(color=3)
    hatch.paths.add_polyline_path([(0, 0, 0), (10, 0, 0.3), (10, 10, 0), (0, 10, 0)], is_closed=True)
    edges = hatch.paths.add_edge_path()
    edges.add_line((20, 0), (30, 0))
    edges.add_arc((30, 5), 5, 270, 90, ccw=True)
    edges.add_ellipse((25, 10), (-5, 0), 0.5, 0, 180, ccw=True)
    edges.add_line((20, 10), (20, 0))
    circle = hatch.paths.add_edge_path()
    circle.add_arc((50, 50), 4, 0, 360)
    cw = hatch.paths.add_edge_path()
    cw.add_arc((70, 50), 4, 90, 180, ccw=False)
    cw.add_line((66, 50), (70, 50))
    cw.add_line((70, 50), (70, 54))
    spl = hatch.paths.add_edge_path()
    spl.add_spline(fit_points=[(80, 0), (85, 3), (90, 0)], start_tangent=(1, 1), end_tangent=(1, -1))
    spl.add_spline(control_points=[(90, 0), (85, -3), (80, 0)], knot_values=[0, 0, 0, 1, 1, 1], degree=2)
    image_def = doc.add_image_def("航片.jpg", size_in_pixel=(640, 480))
    msp.add_image(image_def, insert=(100, 100), size_in_units=(64, 48), rotation=20)
    doc.saveas(out)


def parse_ops(args):
    m = Matrix44()
    for op in args:
        kind, *rest = op.split(":")
        if kind == "move":
            m = m @ Matrix44.translate(*map(float, rest[0].split(",")))
        else:
            bx, by, bz = map(float, rest[0].split(","))
            v = float(rest[1])
            step = Matrix44.z_rotate(v) if kind == "rotate" else Matrix44.scale(v)
            m = m @ Matrix44.chain(Matrix44.translate(-bx, -by, -bz), step, Matrix44.translate(bx, by, bz))
    return m


def geometry(e):
    """Numbers that describe where the entity is and how big, independent of how it is stored."""
    t = e.dxftype()
    g = {}
    if e.dxf.is_supported("extrusion"):
        g["extrusion"] = Vec3(e.dxf.get("extrusion", (0, 0, 1))).normalize()
    if t == "POINT":
        g["location"] = e.dxf.location
    elif t == "LINE":
        g["start"], g["end"] = e.dxf.start, e.dxf.end
    elif t in ("CIRCLE", "ARC"):
        ocs = e.ocs()
        g["center"] = ocs.to_wcs(e.dxf.center)
        g["radius"] = e.dxf.radius
        if t == "ARC":
            g["start_point"], g["end_point"] = e.start_point, e.end_point
    elif t == "ELLIPSE":
        g["center"], g["major"], g["ratio"] = e.dxf.center, e.dxf.major_axis, e.dxf.ratio
        g["start"], g["end"] = e.start_point, e.end_point
    elif t in ("TEXT", "ATTRIB"):
        ocs = e.ocs()
        g["insert"] = ocs.to_wcs(e.dxf.insert)
        if e.dxf.hasattr("align_point") and (e.dxf.halign or e.dxf.valign):
            g["align"] = ocs.to_wcs(e.dxf.align_point)
        g["height"] = e.dxf.height
        g["direction"] = ocs.to_wcs(Vec3.from_deg_angle(e.dxf.rotation))
    elif t == "MTEXT":
        g["insert"], g["height"], g["width"] = e.dxf.insert, e.dxf.char_height, e.dxf.width
        if e.dxf.hasattr("text_direction"):
            g["direction"] = Vec3(e.dxf.text_direction).normalize()
        else:
            g["direction"] = Vec3.from_deg_angle(e.dxf.get("rotation", 0))
    elif t == "LWPOLYLINE":
        ocs = e.ocs()
        g["points"] = [ocs.to_wcs(Vec3(x, y, e.dxf.elevation)) for x, y in e.get_points("xy")]
        g["widths_bulges"] = [(s, w, b) for *_, s, w, b in e.get_points("xyseb")]
    elif t == "POLYLINE":
        g["points"] = list(e.points_in_wcs()) if hasattr(e, "points_in_wcs") else list(e.points())
    elif t == "INSERT":
        g["insert"] = e.ocs().to_wcs(e.dxf.insert)
        g["scale"] = (e.dxf.xscale, e.dxf.yscale, e.dxf.zscale)
        g["x_axis"] = e.ocs().to_wcs(Vec3.from_deg_angle(e.dxf.rotation))
        for k, a in enumerate(e.attribs):
            for key, v in geometry(a).items():
                g[f"attrib{k}.{key}"] = v
    elif t == "IMAGE":
        g["insert"], g["u"], g["v"] = e.dxf.insert, e.dxf.u_pixel, e.dxf.v_pixel
    elif t == "HATCH":
        g["elevation"] = e.dxf.elevation.z
        for k, path in enumerate(e.paths):
            if path.type == ezdxf.entities.BoundaryPathType.POLYLINE:
                g[f"path{k}"] = [tuple(v) for v in path.vertices]
                continue
            for j, edge in enumerate(path.edges):
                key = f"path{k}.edge{j}"
                name = edge.type.name
                if name == "LINE":
                    g[key] = (edge.start, edge.end)
                elif name == "ARC":
                    full = math.isclose(abs(edge.end_angle - edge.start_angle), 360)
                    g[key] = (edge.center, edge.radius) + (() if full else (edge.start_point, edge.end_point))
                elif name == "ELLIPSE":
                    g[key] = (edge.center, edge.major_axis, edge.ratio, edge.start_point, edge.end_point)
                elif name == "SPLINE":
                    g[key] = (list(edge.control_points), list(edge.fit_points),
                              edge.start_tangent, edge.end_tangent)
    return g


def close(a, b, tol=1e-6):
    if isinstance(a, (int, float)) and isinstance(b, (int, float)):
        return math.isclose(a, b, rel_tol=tol, abs_tol=tol)
    if a is None or b is None:
        return a is None and b is None
    a, b = list(a), list(b)
    return len(a) == len(b) and all(close(x, y, tol) for x, y in zip(a, b))


def check_transform(path_a, path_b, ops):
    m = parse_ops(ops)
    a, b = ezdxf.readfile(path_a), ezdxf.readfile(path_b)
    auditor = b.audit()
    failures = [f"audit: {x.message}" for x in auditor.errors]
    mine = {e.dxf.handle: e for e in b.modelspace()}
    for e in a.modelspace():
        expected = geometry(e.transform(m))
        got = geometry(mine[e.dxf.handle])
        for key, v in expected.items():
            if not close(v, got.get(key)):
                failures.append(f"{e.dxftype()} {e.dxf.handle} {key}: ezdxf {v} korvane {got.get(key)}")
    for f in failures:
        print(f)
    return 1 if failures else 0


def main(argv):
    cmd = argv[1] if len(argv) > 1 else ""
    if cmd == "make":
        make(argv[2], argv[3])
    elif cmd == "probe":
        probe(argv[2])
    elif cmd == "shapes":
        shapes(argv[2])
    elif cmd == "check-transform":
        return check_transform(argv[2], argv[3], argv[4:])
    else:
        print(__doc__)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
