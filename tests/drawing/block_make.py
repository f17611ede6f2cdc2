#!/usr/bin/env python3
"""Writes a small drawing with ezdxf, the independent writer, for the hatch, image and
block tests, and prints NAME=HANDLE for each entity it made.

Usage: block_make.py VERSION OUT.dxf [CODEPAGE]
  VERSION: R12, R2000, R2004, R2010 ...; CODEPAGE: e.g. ANSI_936 (default ANSI_1252)

Entities (model space):
  square     closed LWPOLYLINE (0,0)-(10,0)-(10,10)-(0,10) on layer 宗地, colour 3
  bulged     closed LWPOLYLINE (20,0)-(30,0)-(30,10)-(20,10), bulge 1 on its last segment
  open       open LWPOLYLINE (40,0)-(50,0)-(50,10)
  ring       closed 2D POLYLINE (60,0)-(70,0)-(70,10)-(60,10) with a bulge -0.5 on the first segment
  line       LINE (0,20)-(10,30) on layer 0
  text       TEXT "界址点" at (5,40) on layer 注记, height 2.5
  circle     CIRCLE centre (80,5) radius 5
(R12 gets old-style POLYLINEs instead of LWPOLYLINEs.)
"""
import sys

import ezdxf
from ezdxf.tools.codepage import toencoding


def main():
    version, out = sys.argv[1], sys.argv[2]
    doc = ezdxf.new(version)
    if len(sys.argv) > 3:
        # ezdxf writes $DWGCODEPAGE from the document's encoding when it saves.
        doc.encoding = toencoding(sys.argv[3])
    msp = doc.modelspace()
    for name in ("宗地", "注记"):
        doc.layers.add(name)
    made = {}
    r12 = version == "R12"

    def poly(points, closed, attribs, bulges=None):
        if r12:
            e = msp.add_polyline2d(points, close=closed, dxfattribs=attribs)
            if bulges:
                for v, b in zip(e.vertices, bulges):
                    v.dxf.bulge = b
            return e
        pts = [(x, y, 0, 0, b) for (x, y), b in zip(points, bulges or [0] * len(points))]
        return msp.add_lwpolyline(pts, format="xyseb", close=closed, dxfattribs=attribs)

    made["square"] = poly([(0, 0), (10, 0), (10, 10), (0, 10)], True, {"layer": "宗地", "color": 3})
    made["bulged"] = poly([(20, 0), (30, 0), (30, 10), (20, 10)], True, {}, [0, 0, 0, 1])
    made["open"] = poly([(40, 0), (50, 0), (50, 10)], False, {})
    ring = msp.add_polyline2d([(60, 0), (70, 0), (70, 10), (60, 10)], close=True)
    ring.vertices[0].dxf.bulge = -0.5
    made["ring"] = ring
    made["line"] = msp.add_line((0, 20), (10, 30))
    made["text"] = msp.add_text("界址点", dxfattribs={"layer": "注记", "height": 2.5, "insert": (5, 40)})
    made["circle"] = msp.add_circle((80, 5), 5)
    doc.saveas(out)
    for name, e in made.items():
        print(f"{name}={e.dxf.handle}")


if __name__ == "__main__":
    main()
