#!/usr/bin/env python3
"""The independent reader of the drawing tests: ezdxf reads what Korvane wrote and redoes
Korvane's transforms its own way (the drawings ezdxf made are tools/fixtures/make_engine_drawings.py's).

  probe FILE                   "problem: ..." for whatever the audits, the recovering load and the
                               handle and owner checks find; "version=", "layer NAME" lines, then
                               "entity TYPE layer=L color=C p=POINTS ..." for each model-space entity
  blocks|images|hatches|order FILE
                               "audit errors=N fixes=N" and an "audit: MESSAGE" line for each, then
                               one fact a line (see the functions of those names)
  set-order IN OUT H,H,..      gives model space that redraw order and saves it as OUT
  check-transform A B OP..     applies OPs to A with ezdxf and compares the geometry with B; OP is
                               move:DX,DY,DZ, rotate:BX,BY,BZ:RADIANS or scale:BX,BY,BZ:FACTOR
Exit status 0 when all is well, 1 with a message otherwise.
"""
import io
import math
import re
import sys

import ezdxf
from ezdxf import recover, reorder
from ezdxf.math import Matrix44, Vec3


def num(v, digits=9):
    return repr(round(float(v), digits) + 0.0)


def pt(v, digits=9):
    return ",".join(num(c, digits) for c in v)


def fmt(v):
    if isinstance(v, (list, tuple)) and v and isinstance(v[0], (list, tuple, Vec3)):
        return ";".join(fmt(p) for p in v)
    if isinstance(v, (list, tuple, Vec3)):
        return ",".join(repr(float(c)) for c in v)
    if isinstance(v, float):
        return repr(v)
    text = re.sub(r"\\U\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), str(v))
    return text.replace("\t", " ").replace("\n", "\\n")


# ---------------------------------------------------------------- drawings and files to read

# ---------------------------------------------------------------- probe

def read_records(path):
    """Raw records of the file: (section, [(code, value)]), straight from the text."""
    with open(path, "rb") as f:
        lines = [l[:-1] if l.endswith(b"\r") else l for l in f.read().split(b"\n")]
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
    owner_stack = None
    for section, tags in records:
        if section != "ENTITIES" or tags[0][1] in ("SECTION", "ENDSEC"):
            continue
        kind = tags[0][1]
        handle = tags[1][1] if len(tags) > 1 and tags[1][0] == 5 else None
        if kind in ("POLYLINE", "INSERT"):
            owner_stack = handle
        if dxfversion <= "AC1009":
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
    if len(handles) != len(known):
        problems.append(f"{len(handles) - len(known)} duplicate handles")
    if handles and seed is not None and seed <= max(handles):
        problems.append(f"$HANDSEED {seed:X} is not above the largest handle {max(handles):X}")
    return problems


def describe(e):
    t = e.dxftype()
    d = {k: e.dxf.get(k, v) if e.dxf.is_supported(k) else v for k, v in (("layer", "0"), ("color", 256))}
    if t == "POINT":
        d["p"] = e.dxf.location
    elif t == "LINE":
        d["p"] = [e.dxf.start, e.dxf.end]
    elif t == "LWPOLYLINE":
        d["p"] = [(x, y, e.dxf.elevation) for x, y in e.get_points("xy")]
        d["closed"] = int(e.closed)
        d["bulge"] = ",".join(repr(b) for *_, b in e.get_points("xyb"))
    elif t == "POLYLINE":
        d["p"] = list(e.points())
        d["closed"] = int(e.is_closed)
        d["bulge"] = ",".join(repr(float(v.dxf.bulge)) for v in e.vertices)
        d["three_d"] = int(e.is_3d_polyline)
    elif t in ("TEXT", "MTEXT"):
        d["p"] = e.dxf.insert
        d["height"] = e.dxf.char_height if t == "MTEXT" else e.dxf.height
        d["text"] = e.text if t == "MTEXT" else e.dxf.text
    elif t in ("CIRCLE", "ARC"):
        d["p"] = e.dxf.center
        d["radius"] = e.dxf.radius
        if t == "ARC":
            d["start"], d["end"] = e.dxf.start_angle, e.dxf.end_angle
    return t + "".join(f" {k}={fmt(v)}" for k, v in d.items())


def probe(path):
    with open(path, "rb") as f:
        data = f.read()
    if not re.search(rb"\\U\+[0-9a-fA-F]{4}", data):  # the strict loader rejects names with \U+ escapes
        ezdxf.readfile(path)
    # The recovering loader decodes \U+ escapes in names too, so audit what it loaded; it reports
    # what it had to repair on the way. It trips over escapes in lower case (which ezdxf itself
    # writes), so those are upper-cased first.
    data = re.sub(rb"\\U\+([0-9a-fA-F]{4})", lambda m: b"\\U+" + m.group(1).upper(), data)
    doc, recovered = recover.read(io.BytesIO(data))
    for x in doc.audit().errors + recovered.errors + recovered.fixes:
        print(f"problem: {x.code}:{fmt(x.message)}")
    for p in structure(path, doc.dxfversion):
        print("problem:", p)
    print(f"version={doc.dxfversion}")
    for layer in doc.layers:
        print("layer", fmt(layer.dxf.name))
    for e in doc.modelspace():
        print("entity", describe(e))


# ---------------------------------------------------------------- facts

def read_audited(path):
    """The drawing; prints "audit errors=N fixes=N" and one "audit: MESSAGE" line each."""
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    print(f"audit errors={len(auditor.errors)} fixes={len(auditor.fixes)}")
    for e in list(auditor.errors) + list(auditor.fixes):
        print("audit:", e.message)
    return doc


def block_geom(e):
    """LINE a;b  LWPOLYLINE/POLYLINE x,y,bulge;..  TEXT insert|text|height|rotation  CIRCLE/ARC
    centre|radius  INSERT name|insert|sx,sy,sz|rotation  HATCH assoc|sources  IMAGE insert|u|v|file"""
    t, n, p = e.dxftype(), (lambda v: num(v, 6)), (lambda v: pt(v, 6))
    if t == "LINE":
        return f"{p(e.dxf.start)};{p(e.dxf.end)}"
    if t == "LWPOLYLINE":
        return ";".join(f"{n(x)},{n(y)},{n(b)}" for x, y, _, _, b in e.get_points())
    if t == "POLYLINE":
        return ";".join(f"{n(v.dxf.location.x)},{n(v.dxf.location.y)},{n(v.dxf.bulge)}" for v in e.vertices)
    if t == "TEXT":
        return f"{p(e.dxf.insert)}|{e.dxf.text}|{n(e.dxf.height)}|{n(e.dxf.rotation)}"
    if t in ("CIRCLE", "ARC"):
        return f"{p(e.dxf.center)}|{n(e.dxf.radius)}"
    if t == "INSERT":
        return f"{e.dxf.name}|{p(e.dxf.insert)}|{n(e.dxf.xscale)},{n(e.dxf.yscale)},{n(e.dxf.zscale)}|{n(e.dxf.rotation)}"
    if t == "HATCH":
        return f"{e.dxf.associative}|{','.join(h for q in e.paths for h in getattr(q, 'source_boundary_objects', []))}"
    if t == "IMAGE":
        d = e.image_def
        return f"{p(e.dxf.insert)}|{p(e.dxf.u_pixel)}|{p(e.dxf.v_pixel)}|{d.dxf.filename if d else '-'}"
    return ""


def blocks(path):
    """version=ACADVER insbase=X,Y,Z; entity HANDLE type=T layer=L color=C owner=H geom=... (model
    space in drawing order, geom as block_geom gives it); block NAME base=X,Y,Z entities=T,T,..
    (blocks other than layouts); layer NAME"""
    doc = read_audited(path)
    print(f"version={doc.dxfversion} insbase={pt(doc.header.get('$INSBASE', (0, 0, 0)), 6)}")
    for e in doc.modelspace():
        owner = e.dxf.owner if e.dxf.hasattr("owner") else "-"
        print(f"entity {e.dxf.handle} type={e.dxftype()} layer={e.dxf.layer} color={e.dxf.color}"
              f" owner={owner} geom={block_geom(e)}")
    for b in doc.blocks:
        if not b.name.lower().startswith(("*model_space", "*paper_space")):
            print(f"block {b.name} base={pt(b.block.dxf.base_point, 6)} entities={','.join(e.dxftype() for e in b)}")
    for layer in doc.layers:
        print(f"layer {layer.dxf.name}")


def images(path):
    """image HANDLE size=W,H insert=X,Y,Z u=.. v=.. clipping=0|1 type=1|2 boundary=X,Y;X,Y;..
    def=HANDLE file=NAME reactor=HANDLE reactor_owner=HANDLE layer=NAME; imagedef HANDLE name=ENTRY
    file=NAME size=W,H reactors=H,H,..; imagedict owner=HANDLE in_root=1; rastervars frame=N
    in_root=0|1; class NAME cpp=CPPNAME flags=N entity=0|1; reactor_count=N"""
    doc = read_audited(path)
    root, names = doc.rootdict, {}
    if "ACAD_IMAGE_DICT" in root:
        print(f"imagedict owner={root['ACAD_IMAGE_DICT'].dxf.owner} in_root=1")
        names = {obj.dxf.handle: key for key, obj in root["ACAD_IMAGE_DICT"].items()}
    for img in doc.modelspace().query("IMAGE"):
        imgdef = doc.entitydb.get(img.dxf.image_def_handle)
        reactor = doc.entitydb.get(img.dxf.image_def_reactor_handle)
        print(f"image {img.dxf.handle} size={num(img.dxf.image_size.x)},{num(img.dxf.image_size.y)}"
              f" insert={pt(img.dxf.insert)} u={pt(img.dxf.u_pixel)} v={pt(img.dxf.v_pixel)}"
              f" clipping={img.dxf.clipping} type={img.dxf.clipping_boundary_type}"
              f" boundary={';'.join(pt(p) for p in img.boundary_path)} def={img.dxf.image_def_handle}"
              f" file={imgdef.dxf.filename if imgdef else '-'} reactor={img.dxf.image_def_reactor_handle}"
              f" reactor_owner={reactor.dxf.owner if reactor else '-'} layer={img.dxf.layer}")
    for obj in doc.objects.query("IMAGEDEF"):
        reactors = ",".join(sorted(obj.reactors.get())) if obj.reactors else ""
        print(f"imagedef {obj.dxf.handle} name={names.get(obj.dxf.handle, '-')} file={obj.dxf.filename}"
              f" size={num(obj.dxf.image_size.x)},{num(obj.dxf.image_size.y)} reactors={reactors}")
    for obj in doc.objects.query("RASTERVARIABLES"):
        print(f"rastervars frame={obj.dxf.frame} in_root={int(root.get('ACAD_IMAGE_VARS') is obj)}")
    for (name, cpp), cls in doc.classes.classes.items():
        if name in ("IMAGE", "IMAGEDEF", "IMAGEDEF_REACTOR", "RASTERVARIABLES"):
            print(f"class {name} cpp={cpp} flags={cls.dxf.flags} entity={cls.dxf.is_an_entity}")
    print(f"reactor_count={len(doc.objects.query('IMAGEDEF_REACTOR'))}")


def hatches(path):
    """hatch HANDLE pattern=NAME type=N assoc=0|1 solid=0|1 angle=A spacing=S double=0|1
    lines=ANGLE/OFFX/OFFY,.. loops=N sources=H,.. vertices=X/Y/BULGE,.. layer=L color=C
    seeds=X/Y,.. last=0|1; reactors HANDLE=H,.. for every polyline that has reactors"""
    entities = list(read_audited(path).modelspace())
    for h in (e for e in entities if e.dxftype() == "HATCH"):
        lines = ",".join(f"{num(l.angle)}/{num(l.offset[0])}/{num(l.offset[1])}" for l in h.pattern.lines) if h.pattern else ""
        sources = [s for q in h.paths for s in getattr(q, "source_boundary_objects", [])]
        vertices = [f"{num(v[0])}/{num(v[1])}/{num(v[2])}" for q in h.paths for v in getattr(q, "vertices", [])]
        print(f"hatch {h.dxf.handle} pattern={h.dxf.pattern_name} type={h.dxf.pattern_type}"
              f" assoc={h.dxf.associative} solid={h.dxf.solid_fill} angle={num(h.dxf.pattern_angle)}"
              f" spacing={num(h.dxf.pattern_scale)} double={h.dxf.pattern_double} lines={lines}"
              f" loops={len(h.paths)} sources={','.join(sources)} vertices={','.join(vertices)}"
              f" layer={h.dxf.layer} color={h.dxf.color} seeds={','.join(f'{num(p[0])}/{num(p[1])}' for p in h.seeds)}"
              f" last={int(entities[-1] is h)}")
    for e in entities:
        if e.dxftype() in ("LWPOLYLINE", "POLYLINE") and e.reactors and len(e.reactors):
            print(f"reactors {e.dxf.handle}={','.join(sorted(e.reactors.get()))}")


def order(path):
    """order=H,H,.. model space by ascending sort handle (an entity without one by its own handle)"""
    msp = read_audited(path).modelspace()
    print("order=" + ",".join(e.dxf.handle for e in reorder.ascending(msp, msp.get_redraw_order())))


def set_order(path, out, wanted):
    doc = ezdxf.readfile(path)
    msp = doc.modelspace()
    handles = sorted((e.dxf.handle for e in msp), key=lambda h: int(h, 16))
    msp.set_redraw_order(dict(zip(wanted.split(","), handles)))
    doc.saveas(out)


# ---------------------------------------------------------------- transforms

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


COMMANDS = {"probe": probe, "blocks": blocks, "images": images, "hatches": hatches, "order": order,
            "set-order": set_order, "check-transform": lambda a, b, *ops: check_transform(a, b, ops)}

if __name__ == "__main__":
    if len(sys.argv) < 3 or sys.argv[1] not in COMMANDS:
        print(__doc__)
        sys.exit(1)
    sys.exit(COMMANDS[sys.argv[1]](*sys.argv[2:]) or 0)
