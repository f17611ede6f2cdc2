"""What the bad-input scenarios share: the saved drawing against tests/data/bad_input.dxf, read
with ezdxf. Every entity of the input is still there with its type, layer, geometry and
extended data, except the attributes a scenario names as changed on purpose."""
import os
import sys

import ezdxf

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "..", "data", "bad_input.dxf")


def state(entity):
    d = entity.dxf
    geometry = []
    if entity.dxftype() == "LWPOLYLINE":
        geometry = [tuple(round(v, 6) for v in p[:2]) for p in entity.get_points()]
    elif d.hasattr("insert"):
        geometry = [tuple(round(v, 6) for v in d.insert)]
    elif d.hasattr("center"):
        geometry = [tuple(round(v, 6) for v in d.center), d.radius]
    elif d.hasattr("location"):
        geometry = [tuple(round(v, 6) for v in d.location)]
    xdata = [(t.code, t.value) for t in entity.get_xdata("South")] if entity.has_xdata("South") else None
    return {"type": entity.dxftype(), "layer": d.layer, "color": d.get("color", 256),
            "width": d.get("const_width", 0) if entity.dxftype() == "LWPOLYLINE" else None,
            "geometry": geometry, "xdata": xdata}


def check_unchanged(out_dir, name, changed=None, added=0):
    """changed: {handle: {attribute: value}} the scenario did on purpose ("valueN": record value
    N became this text); added: how many new entities (hatches, marker lines) it made."""
    before = {e.dxf.handle: state(e) for e in ezdxf.readfile(SOURCE).modelspace()}
    after = {e.dxf.handle: state(e) for e in ezdxf.readfile(os.path.join(out_dir, name)).modelspace()}
    problems = []
    for handle, old in before.items():
        new = after.get(handle)
        if new is None:
            problems.append(f"{handle} is gone")
            continue
        wanted = dict((changed or {}).get(handle, {}))
        want = dict(old, **{k: v for k, v in wanted.items() if not k.startswith("value")})
        for key, value in wanted.items():
            if key.startswith("value"):  # "value4": record value 4 is now this text
                k = int(key[5:]) - 1
                want["xdata"] = list(want["xdata"])
                want["xdata"][k] = (1000, value)
        for key in old:
            if new[key] != want[key]:
                problems.append(f"{handle} {key}: {want[key]!r} became {new[key]!r}")
    extra = len(after) - len(before)
    if extra != added:
        problems.append(f"{extra} entities were added, expected {added}")
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)
