#!/usr/bin/env python3
"""Draw order as ezdxf sees it (the independent reader and writer).

  read FILE               prints "order=H,H,.." (model space by ascending sort handle, an
                          entity without an entry by its own handle) and the audit lines
  write IN OUT H,H,..     sets that redraw order with ezdxf and saves as OUT

Usage: draw_order_facts.py read FILE | write IN OUT HANDLES
"""
import sys

import ezdxf
from ezdxf import reorder

from facts_common import read_audited


def main(argv):
    if len(argv) == 3 and argv[1] == "read":
        msp = read_audited(argv[2]).modelspace()
        drawn = reorder.ascending(msp, msp.get_redraw_order())
        print("order=" + ",".join(e.dxf.handle for e in drawn))
        return 0
    if len(argv) == 5 and argv[1] == "write":
        doc = ezdxf.readfile(argv[2])
        msp = doc.modelspace()
        wanted = argv[4].split(",")
        handles = sorted((e.dxf.handle for e in msp), key=lambda h: int(h, 16))
        msp.set_redraw_order(dict(zip(wanted, handles)))
        doc.saveas(argv[3])
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
