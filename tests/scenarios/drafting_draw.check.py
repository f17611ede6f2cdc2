"""What drafting_draw.scn drew, read back with ezdxf: every point where the typed form, the snap
or the ortho rule puts it."""
from scenario_check import saved

msp = saved("drafting_draw.dxf").modelspace()


def near(a, b, eps=1e-9):
    return all(abs(x - y) <= eps for x, y in zip(a, b))


def lines(layer):
    return sorted((tuple(round(v, 9) for v in e.dxf.start)[:2], tuple(round(v, 9) for v in e.dxf.end)[:2])
                  for e in msp.query(f'LINE[layer=="{layer}"]'))


def expect_lines(layer, want):
    got = lines(layer)
    want = sorted(want)
    assert len(got) == len(want), (layer, got)
    for g, w in zip(got, want):
        assert near(g[0], w[0]) and near(g[1], w[1]), (layer, g, w)


expect_lines("方框", [((0, 0), (10, 0)), ((10, 0), (10, 10)), ((10, 10), (0, 10)), ((0, 10), (0, 0))])
expect_lines("捕捉", [
    ((10, 0), (10, -5)),       # END, then relative
    ((0, 5), (10, 5)),         # MID, then PER from it
    ((2, 8), (8, 2)),
    ((5, 5), (3, 0)),          # INT, then NEA
    ((20, 20), (25, 25)),      # CEN after a click that found nothing
])

pl = msp.query('LWPOLYLINE[layer=="运行捕捉"]')
assert len(pl) == 1
assert [tuple(p) for p in pl[0].get_points("xy")] == [(10, 10), (0, 10), (0, 0)], list(pl[0].get_points("xy"))
expect_lines("运行捕捉", [((40.2, 40.3), (50, 40))])  # snaps switched off

expect_lines("方向", [((60, 0), (60, 7)), ((70, 0), (75, 0)), ((80, 0), (88, 0))])

shapes = msp.query('*[layer=="图形"]')
by_type = {}
for e in shapes:
    by_type.setdefault(e.dxftype(), []).append(e)
(pl,) = by_type["LWPOLYLINE"]
assert pl.closed and pl.dxf.const_width == 0.5
pts = pl.get_points("xyb")
assert [tuple(p[:2]) for p in pts] == [(100, 0), (110, 0), (110, 10), (100, 10)]
assert near([p[2] for p in pts], [0, 1, 0, 0], 1e-12), pts  # a half circle turning left from (110,0)
(point,) = by_type["POINT"]
assert near(point.dxf.location, (105, 5, 0))
circles = sorted((tuple(c.dxf.center)[:2], c.dxf.radius) for c in by_type["CIRCLE"])
assert near(circles[0][0], (125, 0)) and abs(circles[0][1] - 5) < 1e-9, circles
assert near(circles[1][0], (145, 0)) and abs(circles[1][1] - 5) < 1e-9, circles
(arc,) = by_type["ARC"]
assert near(arc.dxf.center, (165, 0, 0)) and abs(arc.dxf.radius - 5) < 1e-9
assert abs(arc.dxf.start_angle) < 1e-9 and abs(arc.dxf.end_angle - 180) < 1e-9, (arc.dxf.start_angle, arc.dxf.end_angle)
texts = sorted(by_type["TEXT"], key=lambda t: -t.dxf.align_point[1])
assert [t.dxf.text for t in texts] == ["宗地一", "宗地二"]
for t, y in zip(texts, (20, 17)):
    assert (t.dxf.halign, t.dxf.valign) == (1, 2), (t.dxf.halign, t.dxf.valign)
    assert near(t.dxf.align_point, (105, y, 0)) and t.dxf.height == 2

# The undone line is not there.
assert not [e for e in msp.query("LINE") if near(e.dxf.start, (0, 50, 0))]
