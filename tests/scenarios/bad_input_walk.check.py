#!/usr/bin/env python3
"""bad_input_walk.scn changed nothing in the drawing."""
import sys

from bad_input_common import check_unchanged

check_unchanged(sys.argv[1], "bad_input_walk.dxf")
