#!/usr/bin/env python3
"""Reads a drawing with ezdxf (the independent reader) and prints what it finds about
images, one fact a line, for the image tests to compare:

  audit errors=N fixes=N            then one "audit: MESSAGE" line per error or fix
  image HANDLE size=W,H insert=X,Y,Z u=.. v=.. clipping=0|1 type=1|2 boundary=X,Y;X,Y;..
        def=HANDLE file=NAME reactor=HANDLE reactor_owner=HANDLE layer=NAME
  imagedef HANDLE name=ENTRY file=NAME size=W,H reactors=H,H,..
  imagedict owner=HANDLE in_root=0|1
  rastervars frame=N in_root=0|1
  class NAME cpp=CPPNAME flags=N entity=0|1

Usage: image_facts.py FILE.dxf
"""
import sys

from facts_common import num, pt, read_audited


def pt2(v):
    return f"{num(v.x)},{num(v.y)}"


def main():
    doc = read_audited(sys.argv[1])
    root = doc.rootdict
    names = {}
    if "ACAD_IMAGE_DICT" in root:
        d = root["ACAD_IMAGE_DICT"]
        print(f"imagedict owner={d.dxf.owner} in_root=1")
        for key, obj in d.items():
            names[obj.dxf.handle] = key
    for img in doc.modelspace().query("IMAGE"):
        imgdef = doc.entitydb.get(img.dxf.image_def_handle)
        reactor = doc.entitydb.get(img.dxf.image_def_reactor_handle)
        boundary = ";".join(pt(p) for p in img.boundary_path)
        print(
            f"image {img.dxf.handle} size={pt2(img.dxf.image_size)} insert={pt(img.dxf.insert)}"
            f" u={pt(img.dxf.u_pixel)} v={pt(img.dxf.v_pixel)} clipping={img.dxf.clipping}"
            f" type={img.dxf.clipping_boundary_type} boundary={boundary}"
            f" def={img.dxf.image_def_handle} file={imgdef.dxf.filename if imgdef else '-'}"
            f" reactor={img.dxf.image_def_reactor_handle}"
            f" reactor_owner={reactor.dxf.owner if reactor else '-'} layer={img.dxf.layer}"
        )
    for obj in doc.objects.query("IMAGEDEF"):
        reactors = ",".join(sorted(obj.reactors.get())) if obj.reactors else ""
        print(
            f"imagedef {obj.dxf.handle} name={names.get(obj.dxf.handle, '-')} file={obj.dxf.filename}"
            f" size={pt2(obj.dxf.image_size)} reactors={reactors}"
        )
    for obj in doc.objects.query("RASTERVARIABLES"):
        in_root = int("ACAD_IMAGE_VARS" in root and root["ACAD_IMAGE_VARS"] is obj)
        print(f"rastervars frame={obj.dxf.frame} in_root={in_root}")
    for (name, cpp), cls in doc.classes.classes.items():
        if name in ("IMAGE", "IMAGEDEF", "IMAGEDEF_REACTOR", "RASTERVARIABLES"):
            print(f"class {name} cpp={cpp} flags={cls.dxf.flags} entity={cls.dxf.is_an_entity}")
    print(f"reactor_count={len(doc.objects.query('IMAGEDEF_REACTOR'))}")


if __name__ == "__main__":
    main()
