#!/usr/bin/env python3
"""Drawings of the shared corpus through `korvane-cli convert`.

  corpus_check.py roundtrip CLI COMPARE_TAGS_PY DRAWING_OR_FOLDER OUT_DIR
      every tag comes back as it was; a binary DXF is refused with exit status 2 and a message
      that says so
  corpus_check.py malformed CLI FOLDER OUT_DIR
      broken drawings are repaired with warnings that name what each was found to have (or are
      refused with a message naming the file); what is written reads in ezdxf without errors
      and loads in Korvane again without anything left to repair
Exit 0 passed, 1 failed, 77 skipped (the corpus or ezdxf missing).
"""
import os
import subprocess
import sys

# What each malformed drawing must be found to have (at least); these must not be refused.
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
    """Exit status, the lines on standard error, and the warnings among them."""
    if os.path.exists(dst):
        os.remove(dst)
    run = subprocess.run([cli, "convert", src, dst], capture_output=True, timeout=60)
    lines = run.stderr.decode("utf-8", "replace").splitlines()
    return run.returncode, lines, [l.split("warning: ", 1)[1] for l in lines if "warning: " in l]


def round_trip(cli, compare, path, out):
    """The failure, or None."""
    status, lines, warnings = convert(cli, path, out)
    with open(path, "rb") as f:
        if f.read(22).startswith(b"AutoCAD Binary DXF"):
            ok = status == 2 and any("二进制 DXF" in l and path in l for l in lines)
            return None if ok else f"a binary DXF must be refused with status 2 and a clear message; got {status}: {lines}"
    if status != 0 or any("warning" in l for l in lines):
        return f"a sound drawing converts without warnings; got {status}: {lines}"
    cmp = subprocess.run([sys.executable, compare, path, out], capture_output=True, text=True)
    return f"tags differ after the round trip\n{cmp.stdout}" if cmp.returncode else None


def repaired(ezdxf, cli, path, out, name):
    """The failure, or None."""
    status, lines, warnings = convert(cli, path, out)
    if status == 2 and name not in EXPECTED:
        return None if lines and lines[-1].startswith("error: " + path) else f"refused without naming the file: {lines}"
    missed = [part for part in EXPECTED.get(name, []) if not any(part in w for w in warnings)]
    if status != 0 or not warnings or missed:
        return f"a broken drawing loads with warnings (missing: {missed}); status {status}, {lines}"
    try:
        errors = [e.message for e in ezdxf.readfile(out).audit().errors]
    except Exception as e:  # ezdxf refuses what it reads as broken
        errors = [f"{type(e).__name__}: {e}"]
    if errors:
        return f"ezdxf finds errors in the repaired drawing: {errors[:5]}"
    status2, _, warnings2 = convert(cli, out, out + ".again.dxf")
    left = [w for w in warnings2 if w not in warnings]
    return f"the repaired drawing needs repairs again: status {status2}, {left}" if status2 or left else None


def main(argv):
    mode, target, out_dir = argv[1] if len(argv) > 1 else "", argv[-2], argv[-1]
    if mode not in ("roundtrip", "malformed") or len(argv) != {"roundtrip": 6, "malformed": 5}[mode]:
        print(__doc__)
        return 2
    if not os.path.exists(target):
        print(f"skipped: {target} is missing (the shared DXF corpus is expected next to the clone)")
        return 77
    files = sorted(os.path.join(target, f) for f in os.listdir(target) if f.lower().endswith(".dxf")) \
        if os.path.isdir(target) else [target]
    if not files:
        print(f"skipped: no drawings in {target}")
        return 77
    os.makedirs(out_dir, exist_ok=True)
    failures = []
    if mode == "roundtrip":
        for f in files:
            failures.append((os.path.basename(f), round_trip(argv[2], argv[3], f, os.path.join(out_dir, os.path.basename(f)))))
    else:
        try:
            import ezdxf
        except ImportError:
            print("skipped: ezdxf is not installed for this Python (python3-ezdxf)")
            return 77
        names = [os.path.basename(f) for f in files]
        failures += [(name, "missing from the corpus") for name in sorted(set(EXPECTED) - set(names))]
        for f, name in zip(files, names):
            failures.append((name, repaired(ezdxf, argv[2], f, os.path.join(out_dir, name), name)))
    for name, failure in failures:
        print(f"FAIL {name}: {failure}" if failure else f"ok   {name}")
    return 1 if any(failure for _, failure in failures) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
