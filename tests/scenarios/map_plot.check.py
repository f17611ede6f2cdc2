"""The village's plots read back with poppler-utils: page size in millimetres (pdfinfo), the
text layer (pdftotext), and pixels (pdftoppm) where the frame's border, the tiles, a parcel
and the empty margin lie. At 1:2000 the 600 m frame is 300 mm wide, centred on the page."""
import re
import subprocess
import unicodedata

from scenario_check import OUT as out

MM = 25.4 / 72


def page_mm(pdf):
    """The page's size to the millimetre (a PDF page is measured in whole points)."""
    info = subprocess.run(["pdfinfo", str(pdf)], capture_output=True, text=True, check=True).stdout
    w, h = map(float, re.search(r"Page size:\s+([\d.]+) x ([\d.]+) pts", info).group(1, 2))
    assert re.search(r"Pages:\s+1\n", info), info
    return round(w * MM), round(h * MM)


def text(pdf):
    """The text layer. A glyph the CJK font shares between a radical and an ideograph (土, 示)
    reads back as the radical (⼟, ⽰, ⺠); those are folded into the ideographs, blanks dropped."""
    out = subprocess.run(["pdftotext", str(pdf), "-"], capture_output=True, text=True, check=True).stdout
    return "".join(unicodedata.normalize("NFKC", out).replace("\u2ea0", "民").split())


def raster(pdf, dpi, crop=None):
    """Width, height and RGB bytes of the page (or of the crop x, y, w, h in pixels)."""
    args = ["pdftoppm", "-r", str(dpi)]
    if crop:
        args += ["-x", str(crop[0]), "-y", str(crop[1]), "-W", str(crop[2]), "-H", str(crop[3])]
    ppm = subprocess.run(args + [str(pdf)], capture_output=True, check=True).stdout
    head = ppm.split(b"\n", 3)
    return (*map(int, head[1].split()), head[3])


PAGES = {}


def pixels(pdf, x_mm, y_mm, w_mm, h_mm, step=1, dpi=150):
    """RGB rows of the page region (from the top-left corner, in millimetres), every step-th
    pixel. A whole page is rasterised once; a region at another resolution on its own."""
    px = lambda v: int(round(v / 25.4 * dpi))
    x0, y0, w_px, h_px = px(x_mm), px(y_mm), max(1, px(w_mm)), max(1, px(h_mm))
    if dpi != 150:
        w, h, data = raster(pdf, dpi, (x0, y0, w_px, h_px))
        x0 = y0 = 0
    else:
        if pdf not in PAGES:
            PAGES[pdf] = raster(pdf, dpi)
        w, h, data = PAGES[pdf]
    return [[tuple(data[(r * w + c) * 3:(r * w + c) * 3 + 3]) for c in range(x0, x0 + w_px, step)]
            for r in range(y0, y0 + h_px, step)]


def images(pdf):
    """Width, height and resolution across and down (ppi) of each image on the page."""
    rows = subprocess.run(["pdfimages", "-list", str(pdf)], capture_output=True, text=True, check=True).stdout
    return [tuple(int(row.split()[k]) for k in (3, 4, 12, 13)) for row in rows.splitlines()[2:]]


def flat(rows):
    return [p for row in rows for p in row]


def white(p):
    return min(p) >= 250


def dark(p):
    return max(p) <= 80


# The frame at 1:2000: A3 landscape, the frame from 60 to 360 mm across and 1 to 296 mm down.
pdf = out / "frame.pdf"
assert page_mm(pdf) == (420, 297), page_mm(pdf)
t = text(pdf)
for s in ["集体土地所有权调查公示图", "独有宗地", "争议宗地", "图例", "比例尺1:1000", "测绘单位", "下围村民小组"]:
    assert s in t, (s, t[:400])
# The template's border (0.75 mm at this scale, half of it inside) lies on the extent's edges,
# the extent centred on the paper: the smallest that holds it (A3) or the one asked for (A2).
for name, left in [("frame.pdf", 60.0), ("frame_a2.pdf", 147.0)]:
    for edge_mm, inward in [(left, 1), (left + 300, -1)]:
        strip = pixels(out / name, edge_mm + (0.05 if inward > 0 else -0.3), 140, 0.25, 5)
        assert sum(dark(p) for p in flat(strip)) > 0.8 * len(flat(strip)), (name, edge_mm)
        outside = pixels(out / name, edge_mm - 2.5 if inward > 0 else edge_mm + 0.5, 140, 2, 5)
        assert all(white(p) for p in flat(outside)), (name, edge_mm)
assert page_mm(out / "frame_a2.pdf") == (594, 420) and page_mm(out / "view_a3.pdf") == (420, 297)
# The margins are empty although the tiles reach far beyond the frame: they are clipped.
assert all(white(p) for p in flat(pixels(pdf, 5, 20, 50, 250, step=5)))
assert all(white(p) for p in flat(pixels(pdf, 365, 20, 50, 250, step=5)))
# Inside the frame the tiles show (no white there) ...
inner = flat(pixels(pdf, 100, 40, 20, 20, step=3))
assert sum(white(p) for p in inner) < 0.05 * len(inner), inner[:10]
# ... and a parcel of 独有宗地 in its colour 4 (cyan) at its corner (547913.3, 2542804.4).
x_mm = 60 + (547913.3 - 547700) / 2
y_mm = (297 - 295) / 2 + (2543295 - 2542804.4) / 2
near = flat(pixels(pdf, x_mm + 2, y_mm - 1.5, 2, 1.2))
assert any(p[0] < 90 and p[1] > 180 and p[2] > 180 for p in near), near[:20]

# The tiles (64 pixels a kilometre, 3 ppi at 1:2000) go in as the part inside the frame,
# a quarter of each, at their own resolution; at 1:200000 (325 ppi) reduced to the paper's 300.
placed = images(pdf)
assert placed and all(w <= 22 and h <= 22 and x == y == 3 for w, h, x, y in placed), placed
placed = images(out / "small.pdf")
assert len(placed) >= 4 and all(280 <= ppi <= 300 for *_, x, y in placed for ppi in (x, y)), placed

# IMAGEFRAME 1: the tiles' edge at x = 548000 is drawn in the window's middle; 2: not plotted.
for name, shown in [("frames_shown.pdf", True), ("frames_not_plotted.pdf", False)]:
    pdf = out / name
    assert page_mm(pdf) == (210, 297), page_mm(pdf)
    rows = pixels(pdf, 105 - 0.2, 100, 0.4, 100, dpi=300)
    share = sum(any(dark(p) for p in row) for row in rows) / len(rows)
    assert (share > 0.95) if shown else (share < 0.05), (name, share)

pdf = out / "view.pdf"
assert page_mm(pdf) == (210, 297), page_mm(pdf)
assert "下围村民小组" in text(pdf)
assert not (out / "too_big.pdf").exists() and not list(out.glob("*.part"))
