#!/usr/bin/env python3
"""Reads a drawing with ezdxf (the independent reader) and prints what it finds about
hatches and their boundaries, one fact a line, for the hatch tests to compare:

  audit errors=N fixes=N          then one "audit: MESSAGE" line per error or fix
  hatch HANDLE pattern=NAME type=N assoc=0|1 solid=0|1 angle=A spacing=S double=0|1
        lines=ANGLE/OFFX/OFFY,.. loops=N sources=H,.. vertices=X/Y/BULGE,.. layer=L color=C
        seeds=X/Y,.. last=0|1
  reactors HANDLE=H,..            for every polyline that has reactors

Usage: hatch_facts.py FILE.dxf
"""
import sys

from facts_common import num, read_audited


def main():
    doc = read_audited(sys.argv[1])
    msp = doc.modelspace()
    entities = list(msp)
    for h in msp.query("HATCH"):
        lines = ""
        if h.pattern:
            lines = ",".join(
                f"{num(l.angle)}/{num(l.offset[0])}/{num(l.offset[1])}" for l in h.pattern.lines
            )
        sources, vertices = [], []
        for path in h.paths:
            sources += list(getattr(path, "source_boundary_objects", []))
            if hasattr(path, "vertices"):
                vertices += [f"{num(v[0])}/{num(v[1])}/{num(v[2])}" for v in path.vertices]
        seeds = ",".join(f"{num(p[0])}/{num(p[1])}" for p in h.seeds)
        print(
            f"hatch {h.dxf.handle} pattern={h.dxf.pattern_name} type={h.dxf.pattern_type}"
            f" assoc={h.dxf.associative} solid={h.dxf.solid_fill} angle={num(h.dxf.pattern_angle)}"
            f" spacing={num(h.dxf.pattern_scale)} double={h.dxf.pattern_double} lines={lines}"
            f" loops={len(h.paths)} sources={','.join(sources)} vertices={','.join(vertices)}"
            f" layer={h.dxf.layer} color={h.dxf.color} seeds={seeds}"
            f" last={int(entities[-1] is h)}"
        )
    for e in entities:
        if e.dxftype() in ("LWPOLYLINE", "POLYLINE") and e.reactors and len(e.reactors):
            print(f"reactors {e.dxf.handle}={','.join(sorted(e.reactors.get()))}")


if __name__ == "__main__":
    main()
