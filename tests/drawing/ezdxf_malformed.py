#!/usr/bin/env python3
"""Broken drawings: `korvane-cli convert` repairs them with warnings (or refuses them with a
clear error); what it writes then reads in ezdxf without errors, and loads in Korvane again
without anything left to repair.

Usage: ezdxf_malformed.py KORVANE_CLI MALFORMED_FOLDER OUT_DIR
Exit 77 (skipped) when the folder or ezdxf is missing.
"""
import os
import subprocess
import sys


def convert(cli, src, dst):
    run = subprocess.run([cli, "convert", src, dst], capture_output=True, timeout=60)
    lines = run.stderr.decode("utf-8", "replace").splitlines()
    warnings = [l.split("warning: ", 1)[1] for l in lines if "warning: " in l]
    return run.returncode, lines, warnings


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    cli, folder, out_dir = sys.argv[1:]
    if not os.path.isdir(folder):
        print(f"skipped: {folder} is missing (the shared DXF corpus is expected next to the clone)")
        return 77
    try:
        import ezdxf
    except ImportError:
        print("skipped: ezdxf is not installed for this Python (python3-ezdxf)")
        return 77
    os.makedirs(out_dir, exist_ok=True)
    failures = 0
    for name in sorted(f for f in os.listdir(folder) if f.lower().endswith(".dxf")):
        src = os.path.join(folder, name)
        out = os.path.join(out_dir, name)
        again = os.path.join(out_dir, "again_" + name)
        status, lines, warnings = convert(cli, src, out)
        if status == 2:
            if not lines or not lines[-1].startswith("error: " + src):
                print(f"FAIL {name}: refused without a message naming the file: {lines}")
                failures += 1
            else:
                print(f"ok   {name}: refused: {lines[-1]}")
            continue
        if status != 0 or not warnings:
            print(f"FAIL {name}: a broken drawing loads with a warning or is refused; status {status}, {lines}")
            failures += 1
            continue
        try:
            doc = ezdxf.readfile(out)
            auditor = doc.audit()
            errors = [e.message for e in auditor.errors]
        except Exception as e:  # ezdxf refuses what it reads as broken
            errors = [f"{type(e).__name__}: {e}"]
        if errors:
            print(f"FAIL {name}: ezdxf finds errors in the repaired drawing: {errors[:5]}")
            failures += 1
            continue
        status2, _, warnings2 = convert(cli, out, again)
        left = [w for w in warnings2 if w not in warnings]
        if status2 != 0 or left:
            print(f"FAIL {name}: the repaired drawing needs repairs again: status {status2}, {left}")
            failures += 1
            continue
        print(f"ok   {name}: " + " | ".join(warnings))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
