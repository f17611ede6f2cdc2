"""Map frames read back with ezdxf: frame corners, the tiles each fill inserted, the five-point
clip outline on every image, the template's entities exploded and scaled onto the frame, and
image frames off."""
from scenario_check import saved as load


def frames(doc):
    return [[tuple(v.dxf.location)[:2] for v in p.vertices] for p in doc.modelspace().query("POLYLINE")]


def tiles(doc):
    return sorted((doc.entitydb[i.dxf.image_def_handle].dxf.filename.split("/")[-1], tuple(i.dxf.insert)[:2])
                  for i in doc.modelspace().query("IMAGE"))


def image_frame(doc):
    return doc.objects.query("RASTERVARIABLES")[0].dxf.frame if doc.objects.query("RASTERVARIABLES") else 1


def check_clips(doc, lo, hi):
    """Every image clipped by a polygon of five points (the first repeated): the frame's outline
    where it crosses the image, which the host keeps within the image."""
    for img in doc.modelspace().query("IMAGE"):
        assert img.dxf.flags & 4 and img.dxf.clipping and img.dxf.clipping_boundary_type == 2, img.dxf.handle
        step_u, step_v = img.dxf.u_pixel.x, img.dxf.v_pixel.y
        w, h = img.dxf.image_size.x, img.dxf.image_size.y
        x0, y0 = img.dxf.insert.x, img.dxf.insert.y
        got = [(x0 + (p.x + 0.5) * step_u, y0 + (h - 0.5 - p.y) * step_v) for p in img.boundary_path]
        assert len(got) == 5 and got[0] == got[-1], got
        want = (max(lo[0], x0), max(lo[1], y0), min(hi[0], x0 + w * step_u), min(hi[1], y0 + h * step_v))
        box = (min(x for x, _ in got), min(y for _, y in got), max(x for x, _ in got), max(y for _, y in got))
        assert all(abs(a - b) < 1e-6 for a, b in zip(box, want)), (box, want)


def template_border(doc):
    """The heavy border of the template: the widest polyline on the layer 图框."""
    borders = [p for p in doc.modelspace().query('LWPOLYLINE[layer=="图框"]') if p.dxf.const_width > 0]
    border = max(borders, key=lambda p: p.dxf.const_width)
    pts = [tuple(round(c, 6) for c in v[:2]) for v in border.get_points()]
    return pts, border.dxf.const_width


# No tiles: the 610 frame's corners, the A3 frame; no images, no template for 补加图像.
doc = load("frames_no_tiles.dxf")
assert frames(doc) == [[(934, 5383), (1534, 5383), (1534, 5973), (934, 5973)],
                       [(4875, 4862.5), (5125, 4862.5), (5125, 5137.5), (4875, 5137.5)]], frames(doc)
assert all(p.is_closed for p in doc.modelspace().query("POLYLINE"))
assert not doc.modelspace().query("IMAGE") and not doc.modelspace().query('*[layer=="图框"]')
assert image_frame(doc) == 1

doc = load("one_tile.dxf")
assert frames(doc) == [[(548200, 2543100), (548800, 2543100), (548800, 2543690), (548200, 2543690)]], frames(doc)
assert tiles(doc) == [("2543.00-548.00.jpg", (548000, 2543000))], tiles(doc)
check_clips(doc, (548200, 2543100), (548800, 2543690))
pts, width = template_border(doc)
assert pts == [(548200, 2543100), (548800, 2543100), (548800, 2543690), (548200, 2543690)], pts
assert abs(width - 1.5) < 1e-9, width
assert not doc.modelspace().query("INSERT"), "the template's reference is gone"
texts = {t.dxf.text for t in doc.modelspace().query("TEXT")}
assert {"集体土地所有权调查公示图", "独有宗地", "共有宗地", "争议宗地", "国有宗地", "N"} <= texts, texts
assert image_frame(doc) == 0

doc = load("two_tiles.dxf")
lo, hi = (547900, 2542390), (548100, 2542610)
assert tiles(doc) == [("2542.00-547.00.jpg", (547000, 2542000)), ("2542.00-548.00.jpg", (548000, 2542000)),
                      ("2542.00-548.00.jpg", (548000, 2542000))], tiles(doc)
check_clips(doc, lo, hi)
pts, width = template_border(doc)
assert pts == [lo, (hi[0], lo[1]), hi, (lo[0], hi[1])], pts
assert abs(width - 3.5 * 0.25 * 0.8) < 1e-9, width
assert "宗  地  图" in {t.dxf.text for t in doc.modelspace().query("TEXT")}

doc = load("four_tiles.dxf")
lo, hi = (547550, 2542558), (548450, 2543442)
assert [t[0] for t in tiles(doc)] == ["2542.00-547.00.jpg", "2542.00-548.00.jpg", "2543.00-547.00.jpg",
                                      "2543.00-548.00.jpg"], tiles(doc)
check_clips(doc, lo, hi)
# One scale from the heights: the template's 600 units become 898.98, a little short of 900.
pts, width = template_border(doc)
right = round(lo[0] + 600 * 884 / 590, 6)
assert pts == [lo, (right, lo[1]), (right, hi[1]), (lo[0], hi[1])], pts
assert abs(width - 1.5 * 884 / 590) < 1e-9, width
title = [t for t in doc.modelspace().query("TEXT") if t.dxf.text == "集体土地所有权调查公示图"][0]
assert abs(title.dxf.height - 6 * 2.2 * 884 / 590) < 1e-9, title.dxf.height
assert image_frame(doc) == 0
