"""unit_selection.scn's 修改其它: label 160 reads parcel 47's holder; nothing else changed."""
import sys
from pathlib import Path

import ezdxf

ROOT = Path(__file__).resolve().parents[2]
before = ezdxf.readfile(ROOT / "samples" / "village.dxf")
after = ezdxf.readfile(Path(sys.argv[1]) / "unit_selection.dxf")
assert after.entitydb["160"].dxf.text == "下围村民小组", after.entitydb["160"].dxf.text
changed = [h for h in ("15F", "161", "28C", "47") if after.entitydb[h].dxfattribs() != before.entitydb[h].dxfattribs()]
assert not changed, changed
print("unit_selection checked")
