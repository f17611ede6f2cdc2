#!/usr/bin/env python3
"""Reads a drawing with ezdxf (the independent reader) and prints its model space and
blocks, one fact a line, for the block tests to compare:

  audit errors=N fixes=N          then one "audit: MESSAGE" line per error or fix
  version=ACADVER insbase=X,Y,Z
  entity HANDLE type=T layer=L color=C owner=H geom=...   (model space, drawing order)
  block NAME base=X,Y,Z entities=T,T,..                   (blocks other than layouts)
  layer NAME

geom: LINE a;b  LWPOLYLINE/POLYLINE x,y,bulge;..  TEXT insert|text|height|rotation
      CIRCLE/ARC centre|radius  INSERT name|insert|sx,sy,sz|rotation
      HATCH assoc|sources  IMAGE insert|u|v|file

Usage: block_facts.py FILE.dxf
"""
import sys

from facts_common import num as facts_num, pt as facts_pt, read_audited


def num(v):
    return facts_num(v, 6)


def pt(v):
    return facts_pt(v, 6)


def geom(e):
    t = e.dxftype()
    if t == "LINE":
        return f"{pt(e.dxf.start)};{pt(e.dxf.end)}"
    if t == "LWPOLYLINE":
        return ";".join(f"{num(x)},{num(y)},{num(b)}" for x, y, _, _, b in e.get_points())
    if t == "POLYLINE":
        return ";".join(f"{num(v.dxf.location.x)},{num(v.dxf.location.y)},{num(v.dxf.bulge)}" for v in e.vertices)
    if t == "TEXT":
        return f"{pt(e.dxf.insert)}|{e.dxf.text}|{num(e.dxf.height)}|{num(e.dxf.rotation)}"
    if t in ("CIRCLE", "ARC"):
        return f"{pt(e.dxf.center)}|{num(e.dxf.radius)}"
    if t == "INSERT":
        return (f"{e.dxf.name}|{pt(e.dxf.insert)}|{num(e.dxf.xscale)},{num(e.dxf.yscale)},{num(e.dxf.zscale)}"
                f"|{num(e.dxf.rotation)}")
    if t == "HATCH":
        sources = [h for p in e.paths for h in getattr(p, "source_boundary_objects", [])]
        return f"{e.dxf.associative}|{','.join(sources)}"
    if t == "IMAGE":
        d = e.image_def
        return f"{pt(e.dxf.insert)}|{pt(e.dxf.u_pixel)}|{pt(e.dxf.v_pixel)}|{d.dxf.filename if d else '-'}"
    return ""


def main():
    doc = read_audited(sys.argv[1])
    print(f"version={doc.dxfversion} insbase={pt(doc.header.get('$INSBASE', (0, 0, 0)))}")
    for e in doc.modelspace():
        owner = e.dxf.owner if e.dxf.hasattr("owner") else "-"
        print(f"entity {e.dxf.handle} type={e.dxftype()} layer={e.dxf.layer} color={e.dxf.color}"
              f" owner={owner} geom={geom(e)}")
    for b in doc.blocks:
        if b.name.lower() in ("*model_space", "*paper_space") or b.name.lower().startswith("*paper_space"):
            continue
        types = ",".join(e.dxftype() for e in b)
        print(f"block {b.name} base={pt(b.block.dxf.base_point)} entities={types}")
    for layer in doc.layers:
        print(f"layer {layer.dxf.name}")


if __name__ == "__main__":
    main()
