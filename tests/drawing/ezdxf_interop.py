#!/usr/bin/env python3
"""Korvane against an independent DXF implementation (python3-ezdxf).

1. ezdxf writes a drawing of the given version: extended data of several applications and
   every group code, Chinese texts, LWPOLYLINE, 2D and 3D POLYLINE, IMAGE, HATCH, INSERT with
   attributes, objects and a class Korvane does not interpret.
2. `korvane-cli convert` must bring back every tag as it was.
3. drawing_ezdxf_edit changes entities (layer, colour, extended data under a new application
   and under "South", texts with characters the code page lacks, an erased entity).
4. ezdxf reads the changed drawing: the new values are there, every other entity is as it
   was, and ezdxf's audit finds no error.

Usage: ezdxf_interop.py --version R2004 --cli KORVANE_CLI --edit EDIT_TOOL --compare COMPARE_PY --out DIR
Exit 0 passed, 1 failed, 77 skipped (ezdxf missing).
"""
import argparse
import json
import re
import os
import subprocess
import sys

VERSIONS = {"R12": "AC1009", "R2000": "AC1015", "R2004": "AC1018", "R2010": "AC1024", "R2018": "AC1032"}
# Up to R2004 the code page decides the encoding: GBK (ANSI_936) as Chinese drawings have it,
# and once the ANSI default, where Chinese travels as \U+XXXX escapes.
ENCODINGS = {"R12": "gbk", "R2000": "cp1252", "R2004": "gbk"}

# Every extended-data group code, in order; 1005 is filled in with a real handle.
XDATA_ALL = [
    (1000, "文字 text"),
    (1002, "{"),
    (1003, "0"),
    (1005, None),
    (1004, b"\x01\x02\xfe\xff"),
    (1002, "}"),
    (1010, (1.5, 2.25, 3.0)),
    (1011, (548000.125, 2543000.5, 0.0)),
    (1012, (0.5, -0.5, 0.0)),
    (1013, (0.0, 0.0, 1.0)),
    (1040, 123.456),
    (1041, 2.5),
    (1042, 0.75),
    (1070, -7),
    (1071, 1234567),
]
# A parcel record as the survey add-on keeps it.
XDATA_SOUTH = [(1000, "JC0001"), (1000, "张三"), (1070, 3), (1040, 1234.56), (1000, "北：李四"), (1000, "")]

NEW_TEXT = "宗地 新 𠀀 한 ü→"
NEW_MTEXT = "界址点说明：" + "东至道路，南至沟渠，西至李四，北至王五。" * 12 + "\n第二段 𠀀"
NEW_LAYER = "测试图层"
# ezdxf refuses the escapes of a layer name of an ANSI_1252 drawing: such drawings get ASCII names.
ASCII_LAYERS = {"独有宗地": "PARCELS", "工作记录": "WORK", NEW_LAYER: "TEST_LAYER"}


def layer_name(version, name):
    return ASCII_LAYERS[name] if ENCODINGS.get(version) == "cp1252" else name
NEW_SOUTH = [(1000, "JC0002"), (1000, "王五 𠀀"), (1000, "한글"), (1070, 2), (1040, 1.25), (1000, "西：集体")]
NEW_APP = "KORVANE_NEW"
NEW_APP_ITEMS = [(1000, "新应用"), (1040, 0.5), (1070, 12), (1071, -70000), (1010, (1.0, 2.0, 3.0)), (1002, "{"),
                 (1000, "内"), (1002, "}"), (1004, b"\xab\xcd")]
POINT_APP_ITEMS = [(1000, "工作记录"), (1070, 9999)]


def make_drawing(ezdxf, version, path):
    """Writes the drawing with ezdxf; returns the handles of the entities to look at."""
    from ezdxf.entities.dxfclass import DXFClass

    doc = ezdxf.new(version)
    if version in ENCODINGS:
        doc.encoding = ENCODINGS[version]  # written as $DWGCODEPAGE
    r12 = version == "R12"
    parcels, work = layer_name(version, "独有宗地"), layer_name(version, "工作记录")
    for app in ("South", "KORVANE_T", "SURVEY"):
        doc.appids.new(app)
    doc.layers.new(parcels, dxfattribs={"color": 3})
    doc.layers.new(work, dxfattribs={"color": 1})
    msp = doc.modelspace()
    h = {}

    text = msp.add_text("宗地 JC0001 张三", dxfattribs={"layer": parcels, "height": 2.5, "insert": (548000, 2543000)})
    h["text"] = text.dxf.handle
    points = [(548000, 2543000, 0, 0, 0), (548020, 2543000, 0, 0, 0.5), (548020, 2543020, 0, 0, 0),
              (548000, 2543020, 0, 0, -0.25)]
    if r12:
        parcel = msp.add_polyline2d(points, format="xyseb", close=True, dxfattribs={"layer": parcels})
    else:
        parcel = msp.add_lwpolyline(points, format="xyseb", close=True,
                                    dxfattribs={"layer": parcels, "const_width": 0.5, "elevation": 12.5})
    h["parcel"] = parcel.dxf.handle
    xdata_all = [(c, text.dxf.handle if c == 1005 else v) for c, v in XDATA_ALL]
    parcel.set_xdata("South", XDATA_SOUTH)
    parcel.set_xdata("KORVANE_T", xdata_all)

    poly2d = msp.add_polyline2d([(0, 0, 0, 0, 0.3), (10, 0, 0, 0, 0), (10, 5, 0, 0, 0)], format="xyseb",
                                dxfattribs={"layer": work})
    poly2d.set_xdata("South", [(1000, "沟渠"), (1000, "中")])
    h["poly2d"] = poly2d.dxf.handle
    poly3d = msp.add_polyline3d([(0, 0, 1), (5, 5, 2), (10, 0, 3)], close=True)
    h["poly3d"] = poly3d.dxf.handle
    point = msp.add_point((548010, 2543010), dxfattribs={"layer": work})
    h["point"] = point.dxf.handle
    h["line"] = msp.add_line((0, 0), (100, 100)).dxf.handle
    msp.add_circle((5, 5), 2.5, dxfattribs={"color": 5})
    msp.add_arc((5, 5), 4.0, 30, 120, dxfattribs={"layer": work})
    msp.add_text("未改 unchanged", dxfattribs={"layer": parcels, "height": 1.5, "insert": (548000, 2543030)})

    block_name = "宗地号" if ENCODINGS.get(version) != "cp1252" else "PARCEL_NO"
    block = doc.blocks.new(block_name)
    block.add_attdef("QH", (0, 0), dxfattribs={"height": 1.0})
    block.add_attdef("XM", (0, -2), dxfattribs={"height": 1.0})
    block.add_circle((0, 0), 1.0)
    insert = msp.add_blockref(block_name, (548010, 2543005))
    insert.add_auto_attribs({"QH": "001", "XM": "李四"})
    h["insert"] = insert.dxf.handle

    if not r12:
        mtext = msp.add_mtext("说明：" + "界址线沿道路中心。" * 20, dxfattribs={"insert": (548000, 2542990)})
        h["mtext"] = mtext.dxf.handle
        image_def = doc.add_image_def("aerial/tile_548_2543.jpg", size_in_pixel=(640, 480))
        msp.add_image(image_def, insert=(548000, 2543000), size_in_units=(64, 48))
        hatch = msp.add_hatch(color=2)
        hatch.paths.add_polyline_path([(0, 0), (10, 0), (10, 10), (0, 10)], is_closed=True)
        hatch.set_pattern_fill("ANSI31", scale=0.5)
        solid = msp.add_hatch(color=4)
        solid.paths.add_polyline_path([(20, 0), (30, 0), (25, 8)], is_closed=True)
        # Objects and a class Korvane only carries along.
        root = doc.rootdict
        xrec = doc.objects.add_xrecord(root.dxf.handle)
        xrec.reset([(1, "中文 记录"), (40, 3.5), (90, 42), (10, (1, 2, 3)), (330, root.dxf.handle)])
        root["KORVANE_XRECORD"] = xrec
        var = doc.objects.add_dictionary_var(root.dxf.handle, "42")
        root["KORVANE_VAR"] = var
        cls = DXFClass.new(doc=doc)
        cls.update_dxf_attribs({"name": "KORVANE_CUSTOM", "cpp_class_name": "KvCustomObject",
                                "app_name": "KorvaneTest", "flags": 0, "was_a_proxy": 0, "is_an_entity": 0})
        doc.classes.register(cls)
    doc.saveas(path)
    return h


def edit_lines(version, h):
    def item(code, value):
        if code in (1010, 1011, 1012, 1013):
            return f"{code}={value[0]!r},{value[1]!r},{value[2]!r}"
        if code == 1004:
            return f"{code}={value.hex().upper()}"
        return f"{code}={value}"

    def items(lst):
        return "\t".join(item(c, v) for c, v in lst)

    lines = [
        f"layer\t{h['parcel']}\t{layer_name(version, NEW_LAYER)}",
        f"color\t{h['parcel']}\t3",
        f"xdata\t{h['parcel']}\tSouth\t{items(NEW_SOUTH)}",
        f"xdata\t{h['parcel']}\t{NEW_APP}\t{items(NEW_APP_ITEMS)}",
        f"xdata\t{h['point']}\tkorvane_new\t{items(POINT_APP_ITEMS)}",
        f"text\t{h['text']}\t{NEW_TEXT}",
        f"erase\t{h['line']}",
    ]
    if "mtext" in h:
        lines.append(f"text\t{h['mtext']}\t" + NEW_MTEXT.replace("\n", "\\n"))
    return "\n".join(lines) + "\n"


def unescaped(s):
    """Decodes \\U+XXXX escapes (ezdxf's plain reader leaves them) and joins surrogate pairs."""
    if isinstance(s, str):
        s = re.sub(r"\\U\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), s)
        return s.encode("utf-16", "surrogatepass").decode("utf-16")
    return s


def xdata_of(entity, app):
    if not entity.has_xdata(app):
        return None
    out = []
    for tag in entity.get_xdata(app):
        value = tag.value
        if tag.code in (1010, 1011, 1012, 1013):
            value = tuple(float(v) for v in value)
        out.append((tag.code, unescaped(value)))
    return out


def expected_xdata(items):
    return [(c, tuple(float(x) for x in v) if c in (1010, 1011, 1012, 1013) else v) for c, v in items]


def entity_state(e):
    """What an unchanged entity must keep: its attributes, extended data and vertices.
    (R12 has no owners: ezdxf makes them up as it loads, so they are left out.)"""
    r12 = e.doc.dxfversion <= "AC1009"
    state = {"attribs": {k: v for k, v in e.dxfattribs().items() if not (r12 and k == "owner")}}
    if e.xdata:
        state["xdata"] = {app: [(t.code, t.value) for t in tags] for app, tags in e.xdata.data.items()}
    if e.dxftype() == "LWPOLYLINE":
        state["points"] = list(e.get_points())
    if e.dxftype() == "POLYLINE":
        state["points"] = [tuple(v.dxf.location) + (v.dxf.bulge,) for v in e.vertices]
    if e.dxftype() == "INSERT":
        state["attribs_of_insert"] = [(a.dxf.tag, a.dxf.text) for a in e.attribs]
    return state


def check_edited(ezdxf, version, orig_path, edited_path, h):
    orig = ezdxf.readfile(orig_path)
    doc = ezdxf.readfile(edited_path)
    auditor = doc.audit()
    assert not auditor.errors, f"ezdxf's audit finds errors: {[e.message for e in auditor.errors[:5]]}"
    assert not auditor.fixes, f"ezdxf's audit had to fix: {[e.message for e in auditor.fixes[:5]]}"
    db = doc.entitydb

    parcel = db[h["parcel"]]
    new_layer = layer_name(version, NEW_LAYER)
    assert parcel.dxf.layer == new_layer, f"layer: {parcel.dxf.layer!r}"
    assert new_layer in doc.layers, "the new layer is not in the LAYER table"
    assert parcel.dxf.color == 3, f"colour: {parcel.dxf.color}"
    assert xdata_of(parcel, "South") == expected_xdata(NEW_SOUTH), f"South data: {xdata_of(parcel, 'South')}"
    assert xdata_of(parcel, NEW_APP) == expected_xdata(NEW_APP_ITEMS), f"{NEW_APP} data: {xdata_of(parcel, NEW_APP)}"
    kept = xdata_of(parcel, "KORVANE_T")
    assert kept == expected_xdata([(c, h["text"] if c == 1005 else v) for c, v in XDATA_ALL]), \
        f"another application's data changed: {kept}"
    assert NEW_APP in doc.appids, f"{NEW_APP} was not registered in the APPID table"
    point = db[h["point"]]
    assert xdata_of(point, NEW_APP) == expected_xdata(POINT_APP_ITEMS), f"data of the point: {xdata_of(point, NEW_APP)}"
    assert list(point.xdata.data.keys()) == [NEW_APP], \
        f"the point's application is not spelled as registered: {list(point.xdata.data.keys())}"
    assert unescaped(db[h["text"]].dxf.text) == NEW_TEXT, f"text: {unescaped(db[h['text']].dxf.text)!r}"
    if "mtext" in h:
        mtext = unescaped(db[h["mtext"]].text)
        assert mtext == NEW_MTEXT.replace("\n", "\\P"), f"MTEXT: {mtext!r}"
    line = db.get(h["line"])
    assert line is None or not line.is_alive or line not in doc.modelspace(), "the erased line is still in model space"

    # Everything not edited is as it was.
    edited = {h["parcel"], h["point"], h["text"], h["line"], h.get("mtext")}
    count = 0
    for e in orig.modelspace():
        if e.dxf.handle in edited:
            continue
        other = db.get(e.dxf.handle)
        assert other is not None, f"{e.dxftype()} {e.dxf.handle} is gone"
        assert entity_state(e) == entity_state(other), \
            f"{e.dxftype()} {e.dxf.handle} changed:\n{entity_state(e)}\n{entity_state(other)}"
        count += 1
    assert count >= 6, f"only {count} entities compared"

    # Characters the code page lacks travel as \U+XXXX; UTF-8 drawings hold them as they are.
    raw = open(edited_path, "rb").read()
    if VERSIONS[version] >= "AC1021":
        assert "𠀀".encode("utf-8") in raw, "𠀀 is not written as UTF-8"
        return
    for esc in (b"\\U+D840\\U+DC00", b"\\U+D55C"):
        assert esc in raw, f"{esc!r} missing from the file"
    assert ENCODINGS[version] != "gbk" or "宗地 新".encode("gbk") in raw, "Chinese text is not written in GBK"
    assert ENCODINGS[version] != "cp1252" or b"\\U+5B97\\U+5730" in raw, \
        "Chinese text in an ANSI_1252 drawing is not written as escapes"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--version", required=True, choices=sorted(VERSIONS))
    ap.add_argument("--cli", required=True)
    ap.add_argument("--edit", required=True)
    ap.add_argument("--compare", required=True)
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    try:
        import ezdxf
    except ImportError:
        print("skipped: ezdxf is not installed for this Python (python3-ezdxf)")
        return 77

    out = os.path.join(args.out, args.version)
    os.makedirs(out, exist_ok=True)
    orig = os.path.join(out, "ezdxf.dxf")
    converted = os.path.join(out, "converted.dxf")
    edited = os.path.join(out, "edited.dxf")
    edits = os.path.join(out, "edits.txt")
    for p in (converted, edited):
        if os.path.exists(p):
            os.remove(p)
    try:
        handles = make_drawing(ezdxf, args.version, orig)
        with open(os.path.join(out, "handles.json"), "w") as f:
            json.dump(handles, f)

        run = subprocess.run([args.cli, "convert", orig, converted], capture_output=True, text=True)
        assert run.returncode == 0 and "warning" not in run.stderr, f"convert: status {run.returncode}: {run.stderr}"
        cmp = subprocess.run([sys.executable, args.compare, orig, converted], capture_output=True, text=True)
        assert cmp.returncode == 0, f"convert changed tags:\n{cmp.stdout}"

        with open(edits, "w", encoding="utf-8") as f:
            f.write(edit_lines(args.version, handles))
        run = subprocess.run([args.edit, orig, edited, edits], capture_output=True, text=True)
        assert run.returncode == 0 and "warning" not in run.stderr, f"edit: status {run.returncode}: {run.stderr}"
        check_edited(ezdxf, args.version, orig, edited, handles)
    except AssertionError as e:
        print(f"FAIL {args.version}: {e}")
        return 1
    print(f"ok   {args.version}: round trip tag for tag; edits read back in ezdxf, audit clean")
    return 0


if __name__ == "__main__":
    sys.exit(main())
