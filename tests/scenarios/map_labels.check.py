"""Organisation-name labels read back with ezdxf: text, place, height, colour and layer of each
label, and the parcels' widths and colours afterwards."""
from scenario_check import saved, south


def read(name):
    msp = saved(name).modelspace()
    labels = {}
    for t in msp.query("TEXT"):
        assert t.dxf.layer == "小组名称" and t.dxf.halign == 1 and t.dxf.valign == 2, t.dxf.text
        labels[t.dxf.text] = (round(t.dxf.align_point.x, 2), round(t.dxf.align_point.y, 2), t.dxf.height,
                              t.dxf.get("color", 256))
    parcels = {}
    for p in msp.query("LWPOLYLINE"):
        parcels[(south(p) or ["", "", ""])[2]] = (p.dxf.const_width, p.dxf.color)
    return labels, parcels


labels, parcels = read("centroid.dxf")
assert labels == {
    "矩形组": (5, 10, 2, 256),
    "L形组": (112.26, 11.89, 2, 256),
    "月牙组": (215, 2, 2, 256),
}, labels
# The crescent was asked for: width 0, its colour back; 国有宗地 was never selected.
assert parcels["月牙组"] == (0, 6) and parcels["国有组"] == (0.7, 7) and parcels["零面积组"] == (0, 4), parcels

labels, parcels = read("box.dxf")
assert labels == {
    "矩形组": (5, 10, 5, 1),
    "L形组": (105, 20, 5, 1),
    "国有组": (305, 5, 5, 1),
    "零面积组": (410, 0, 5, 1),
}, labels
assert all(w == 0 for w, _ in parcels.values()), parcels
assert parcels["月牙组"] == (0, 6) and parcels["国有组"] == (0, 7) and parcels["L形组"] == (0, 3), parcels
