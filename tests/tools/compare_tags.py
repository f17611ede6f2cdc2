#!/usr/bin/env python3
"""Compares two ASCII DXF files group by group: same codes, same value text.

Usage: compare_tags.py A.dxf B.dxf [--ignore-handseed]
Exit 0 when equal; prints the first differences otherwise.
"""
import sys


def read_tags(path):
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    lines = data.split(b"\n")
    lines = [l[:-1] if l.endswith(b"\r") else l for l in lines]
    tags = []
    for i in range(0, len(lines) - 1, 2):
        code = lines[i].strip()
        if not code:
            break
        tags.append((int(code), lines[i + 1]))
        if int(code) == 0 and lines[i + 1].strip() == b"EOF":
            break
    return tags


def main():
    a, b = read_tags(sys.argv[1]), read_tags(sys.argv[2])
    ignore_seed = "--ignore-handseed" in sys.argv
    diffs = []
    n = max(len(a), len(b))
    for i in range(n):
        ta = a[i] if i < len(a) else None
        tb = b[i] if i < len(b) else None
        if ta != tb:
            if ignore_seed and i > 0 and a[i - 1] == (9, b"$HANDSEED"):
                continue
            diffs.append((i, ta, tb))
            if len(diffs) >= 10:
                break
    if diffs:
        print(f"{sys.argv[1]}: {len(a)} tags, {sys.argv[2]}: {len(b)} tags")
        for i, ta, tb in diffs:
            print(f"  tag {i}: {ta!r} != {tb!r}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
