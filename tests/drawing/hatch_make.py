#!/usr/bin/env python3
"""Writes an R2010 drawing with ezdxf holding one hatch whose boundary paths use every
edge kind, for the hatch reader's test; prints the hatch's handle.

Loops:
  1. counter-clockwise: line (0,0)-(10,0); arc centre (10,5) radius 5 from -90 to 90 degrees;
     lines (10,10)-(0,10)-(0,0). Area 100 + 12.5 pi.
  2. clockwise: line (20,0)-(20,10); clockwise arc centre (25,10) radius 5 from 180 down to
     0 degrees (over the top); lines (30,10)-(30,0)-(20,0). Area 100 + 12.5 pi.
  3. a full ellipse centre (60,5), major axis (4,0), ratio 0.5. Area 8 pi.
  4. a cubic spline through the fit points (40,0) (45,5) (50,0), closed by a line.
Pattern ANSI31, scale 2, angle 15; seed point (5,5).

Usage: hatch_make.py OUT.dxf
"""
import sys

import ezdxf


def main():
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    h = msp.add_hatch(color=1)
    h.set_pattern_fill("ANSI31", scale=2.0, angle=15.0)
    p = h.paths.add_edge_path()
    p.add_line((0, 0), (10, 0))
    p.add_arc((10, 5), 5, -90, 90, ccw=True)
    p.add_line((10, 10), (0, 10))
    p.add_line((0, 10), (0, 0))
    q = h.paths.add_edge_path()
    q.add_line((20, 0), (20, 10))
    q.add_arc((25, 10), 5, 0, 180, ccw=False)  # ezdxf's form of the clockwise arc 180 -> 0
    q.add_line((30, 10), (30, 0))
    q.add_line((30, 0), (20, 0))
    e = h.paths.add_edge_path()
    e.add_ellipse((60, 5), (4, 0), 0.5, 0, 360, ccw=True)
    s = h.paths.add_edge_path()
    s.add_spline(fit_points=[(40, 0), (45, 5), (50, 0)], control_points=[(40, 0), (42, 4), (48, 4), (50, 0)],
                 knot_values=[0, 0, 0, 0, 1, 1, 1, 1], degree=3)
    s.add_line((50, 0), (40, 0))
    h.set_seed_points([(5, 5)])
    doc.saveas(sys.argv[1])
    print(h.dxf.handle)


if __name__ == "__main__":
    main()
