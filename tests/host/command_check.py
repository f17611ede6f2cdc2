"""Independent reading (ezdxf) of the sample village for the host command tests.

  codes FILE CODE     entities whose first extended-data item (after the application
                      name) equals CODE: their count and handles, one fact a line as key=value
"""
import sys

import ezdxf


def first_item(entity):
    if entity.xdata is None or not entity.xdata.data:
        return None
    tags = next(iter(entity.xdata.data.values()))
    return tags[1].value if len(tags) > 1 else None


def main(argv):
    if len(argv) != 4 or argv[1] != "codes":
        print("usage: command_check.py codes FILE CODE")
        return 2
    found = [e.dxf.handle for e in ezdxf.readfile(argv[2]).modelspace() if first_item(e) == argv[3]]
    print("count=%d" % len(found))
    print("handles=%s" % ",".join(found))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
