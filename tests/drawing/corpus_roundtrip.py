#!/usr/bin/env python3
"""Round trip of a drawing through `korvane-cli convert`: every tag must come back as it was.

Usage: corpus_roundtrip.py KORVANE_CLI COMPARE_TAGS_PY DRAWING_OR_FOLDER OUT_DIR

A binary DXF must be refused with exit status 2 and a message that says so.
Exit 77 (skipped) when the drawing or folder is not there.
"""
import os
import subprocess
import sys


def round_trip(cli, compare, path, out_dir):
    name = os.path.basename(path)
    out = os.path.join(out_dir, name)
    if os.path.exists(out):
        os.remove(out)
    run = subprocess.run([cli, "convert", path, out], capture_output=True, timeout=60)
    stderr = run.stderr.decode("utf-8", "replace")
    with open(path, "rb") as f:
        binary = f.read(22).startswith(b"AutoCAD Binary DXF")
    if binary:
        if run.returncode != 2 or "二进制 DXF" not in stderr or path not in stderr:
            print(f"FAIL {name}: a binary DXF must be refused with status 2 and a clear message; "
                  f"got {run.returncode}: {stderr}")
            return False
        print(f"ok   {name}: refused as binary DXF")
        return True
    if run.returncode != 0:
        print(f"FAIL {name}: convert exited {run.returncode}: {stderr}")
        return False
    if "warning" in stderr:
        print(f"FAIL {name}: a sound drawing loads without warnings, got: {stderr}")
        return False
    cmp = subprocess.run([sys.executable, compare, path, out], capture_output=True, text=True)
    if cmp.returncode != 0:
        print(f"FAIL {name}: tags differ after the round trip\n{cmp.stdout}")
        return False
    print(f"ok   {name}")
    return True


def main():
    if len(sys.argv) != 5:
        print(__doc__)
        return 2
    cli, compare, target, out_dir = sys.argv[1:]
    if not os.path.exists(target):
        print(f"skipped: {target} is missing (the shared DXF corpus is expected next to the clone)")
        return 77
    os.makedirs(out_dir, exist_ok=True)
    if os.path.isdir(target):
        files = sorted(os.path.join(target, f) for f in os.listdir(target) if f.lower().endswith(".dxf"))
        if not files:
            print(f"skipped: no drawings in {target}")
            return 77
    else:
        files = [target]
    ok = all([round_trip(cli, compare, f, out_dir) for f in files])
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
