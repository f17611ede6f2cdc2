#!/usr/bin/env python3
"""Broken drawings: `korvane-cli convert` repairs them with warnings that name what each was
found to have (or refuses them with a clear error); what it writes then reads in ezdxf without
errors, and loads in Korvane again without anything left to repair.

Usage: ezdxf_malformed.py KORVANE_CLI MALFORMED_FOLDER OUT_DIR
Exit 77 (skipped) when the folder or ezdxf is missing.
"""
import os
import subprocess
import sys

# What each drawing must be found to have (at least); these must not be refused.
EXPECTED = {
    "R12_with_trash_beyond_EOF.dxf": ["0/EOF 之后的数据已舍弃"],
    "duplicate_handles.dxf": ["句柄已被占用", "$HANDSEED"],
    "empty_handles.dxf": ["句柄为空或无效"],
    "layout_broken_links.dxf": ["3 个布局指向不存在的块记录，已重新连到"],
    "no_layouts.dxf": ["没有布局字典", "块记录没有布局"],
    "r2000_blocks_with_no_name_and_no_block_record.dxf": ["2 个无名且无实体的块定义"],
    "recover01.dxf": ["处头变量在 HEADER 段之外", "个重复的段", "没有 0/EOF"],
    "recover02.dxf": ["有表项却没有 TABLE 头"],
}


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
    names = sorted(f for f in os.listdir(folder) if f.lower().endswith(".dxf"))
    for name in sorted(set(EXPECTED) - set(names)):
        print(f"FAIL {name}: missing from {folder}")
        failures += 1
    for name in names:
        src = os.path.join(folder, name)
        out = os.path.join(out_dir, name)
        again = os.path.join(out_dir, "again_" + name)
        status, lines, warnings = convert(cli, src, out)
        if status == 2:
            if name in EXPECTED or not lines or not lines[-1].startswith("error: " + src):
                print(f"FAIL {name}: refused where it should load, or without a message naming the file: {lines}")
                failures += 1
            else:
                print(f"ok   {name}: refused: {lines[-1]}")
            continue
        missed = [part for part in EXPECTED.get(name, []) if not any(part in w for w in warnings)]
        if status != 0 or not warnings or missed:
            print(f"FAIL {name}: a broken drawing loads with the warnings {missed} or is refused; status {status}, {lines}")
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
