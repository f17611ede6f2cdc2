#!/usr/bin/env python3
"""bad_input_parcel.scn changed only what it asked for: the highlight of the parcel it selected
(33 and 35, with the hatch of 35), and the neighbour fill's marks on the three isolated parcels (red, a
marker line each, an empty four-boundaries value where a record is ours). The types of the
items of 34's record are as they were."""
import sys

from bad_input_common import check_unchanged

check_unchanged(sys.argv[1], "bad_input_parcel.dxf",
                changed={"33": {"color": 1, "width": 1, "value4": ""},
                         "34": {"color": 1, "value4": ""},
                         "35": {"color": 1, "width": 1}},
                added=4)
