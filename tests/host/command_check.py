"""Independent reading (ezdxf) of drawings the host commands changed; prints one
fact a line as key=value.

  codes FILE CODE     entities whose first extended-data item (after the application
                      name) equals CODE: their count and handles
  last FILE           type, layer and, for a hatch, its pattern and boundary of the last
                      model-space entity; for a polyline its closedness and area
  header FILE NAME    the header variable's value (as header=...)
  audit FILE          number of errors ezdxf's audit reports

Several commands on one file may be joined with "+": last+header+audit FILE NAME.
"""
import sys

import ezdxf


def first_item(entity):
    if entity.xdata is None or not entity.xdata.data:
        return None
    tags = next(iter(entity.xdata.data.values()))
    return tags[1].value if len(tags) > 1 else None


def main(argv):
    path = argv[2]
    doc = ezdxf.readfile(path)
    for command in argv[1].split("+"):
        run(command, doc, argv)
    return 0


def run(command, doc, argv):
    msp = doc.modelspace()
    if command == "codes":
        found = [e.dxf.handle for e in msp if first_item(e) == argv[3]]
        print("count=%d" % len(found))
        print("handles=%s" % ",".join(found))
    elif command == "last":
        e = list(msp)[-1]
        print("type=%s" % e.dxftype())
        print("layer=%s" % e.dxf.layer)
        if e.dxftype() == "HATCH":
            print("pattern_type=%d" % e.dxf.pattern_type)
            print("associative=%d" % e.dxf.associative)
            print("angle=%g" % e.dxf.pattern_angle)
            print("spacing=%g" % e.dxf.pattern_scale)
            print("double=%d" % e.dxf.pattern_double)
            print("sources=%s" % ",".join(e.paths[0].source_boundary_objects))
        if e.dxftype() == "LWPOLYLINE":
            from ezdxf.math import area
            print("closed=%d" % int(e.closed))
            print("area=%.6f" % area([p[:2] for p in e.get_points()]))
    elif command == "header":
        print("header=%s" % doc.header.get(argv[3], ""))
    elif command == "audit":
        auditor = doc.audit()
        print("errors=%d" % len(auditor.errors))


if __name__ == "__main__":
    sys.exit(main(sys.argv))
