#!/usr/bin/python3
"""Side-by-side load and save of one generated parcel drawing.

  bench/compare.py [--parcels N] [--repeat R] [--quick] [--check] [--build-dir DIR] [--work-dir DIR] [--keep]

Generates N attributed parcels (default 50,000) with korvane-sample-gen into a
temporary folder (or --work-dir), then measures on that same file:
  - Korvane: load and save in one process (korvane-io-probe), best of R rounds,
    and the process's peak memory; also korvane-cli convert as a whole process;
  - ezdxf (/usr/bin/python3): readfile and saveas;
  - GDAL: ogrinfo -al -so.
Prints a table of the figures and the ratios against the targets. --quick uses
a tiny drawing and one round (a check that the harness works; its ratios mean
little). --check exits 1 when a target is missed.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
PYTHON = "/usr/bin/python3"  # the interpreter that has ezdxf

EZDXF_SCRIPT = r"""
import resource, sys, time
import ezdxf
src, dst = sys.argv[1], sys.argv[2]
t0, c0 = time.perf_counter(), time.process_time()
doc = ezdxf.readfile(src)
t1, c1 = time.perf_counter(), time.process_time()
doc.saveas(dst)
t2, c2 = time.perf_counter(), time.process_time()
print("version", ezdxf.__version__)
print("entities", len(doc.modelspace()))
print("load_s", t1 - t0)
print("save_s", t2 - t1)
print("load_cpu_s", c1 - c0)
print("save_cpu_s", c2 - c1)
print("peak_rss_kb", resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)
"""


def pairs(text):
    out = {}
    for line in text.splitlines():
        parts = line.split(None, 1)
        if len(parts) == 2:
            out[parts[0]] = parts[1].strip()
    return out


def timed(cmd, env=None):
    """Runs cmd under /usr/bin/time; returns (wall s, processor s, peak RSS in kB, stdout)."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as tf:
        full = ["/usr/bin/time", "-f", "%e %U %S %M", "-o", tf.name] + cmd
        r = subprocess.run(full, capture_output=True, text=True, env=env)
        if r.returncode != 0:
            raise RuntimeError(f"{' '.join(cmd)} exited {r.returncode}:\n{r.stdout[-2000:]}{r.stderr[-2000:]}")
        wall, user, system, rss = tf.read().split()[-4:]
    return float(wall), float(user) + float(system), int(rss), r.stdout


def find_binary(build, name):
    for sub in ("bench", "tools", "src/app", ""):
        p = os.path.join(build, sub, name)
        if os.path.isfile(p) and os.access(p, os.X_OK):
            return p
    sys.exit(f"{name} not found under {build}; build it first (ninja -C build {name})")


def mb(kb_or_bytes, unit_kb=True):
    return (kb_or_bytes * 1024 if unit_kb else kb_or_bytes) / 1e6


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--parcels", type=int, default=None)
    ap.add_argument("--repeat", type=int, default=None, help="rounds per tool (best time counts)")
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--check", action="store_true", help="exit 1 when a target is missed")
    ap.add_argument("--build-dir", default=os.path.join(REPO, "build"))
    ap.add_argument("--work-dir", default=None)
    ap.add_argument("--keep", action="store_true", help="keep the generated files")
    a = ap.parse_args()
    n = a.parcels or (300 if a.quick else 50000)
    repeat = a.repeat or (1 if a.quick else 3)

    gen = find_binary(a.build_dir, "korvane-sample-gen")
    probe = find_binary(a.build_dir, "korvane-io-probe")
    cli = find_binary(a.build_dir, "korvane-cli")
    ogrinfo = shutil.which("ogrinfo")

    work = a.work_dir or tempfile.mkdtemp(prefix="korvane-compare-")
    os.makedirs(work, exist_ok=True)
    src = os.path.join(work, f"parcels-{n}.dxf")
    load_before = os.getloadavg()[0]
    try:
        subprocess.run([gen, "parcels", str(n), src], check=True, capture_output=True)
        size = os.path.getsize(src)

        # Korvane in one process, best of `repeat` rounds.
        k = pairs(subprocess.run([probe, src, os.path.join(work, "korvane-out.dxf"), "--repeat", str(repeat)],
                                 check=True, capture_output=True, text=True).stdout)
        korvane = {key: float(k[key]) for key in ("load_s", "save_s", "load_cpu_s", "save_cpu_s", "to_dxf_s")}
        korvane["peak_kb"] = int(k["peak_rss_kb"])
        # The batch runner as a whole process: start, load, save (with flush to disk), exit.
        cli_runs = [timed([cli, "convert", src, os.path.join(work, "cli-out.dxf")]) for _ in range(repeat)]
        cli_wall, cli_cpu = min(r[0] for r in cli_runs), min(r[1] for r in cli_runs)

        # ezdxf; one round on the big drawing unless asked (each round takes many seconds).
        runs = []
        for _ in range(1 if n >= 20000 and not a.repeat else repeat):
            out = timed([PYTHON, "-c", EZDXF_SCRIPT, src, os.path.join(work, "ezdxf-out.dxf")])[3]
            runs.append(pairs(out))
        ezdxf = {key: min(float(r[key]) for r in runs) for key in ("load_s", "save_s", "load_cpu_s", "save_cpu_s")}
        ezdxf["peak_kb"] = max(int(r["peak_rss_kb"]) for r in runs)
        ezdxf_version = runs[0].get("version", "?")

        gdal = None
        if ogrinfo:
            runs = [timed([ogrinfo, "-al", "-so", src]) for _ in range(repeat)]
            gdal = {"load_s": min(r[0] for r in runs), "load_cpu_s": min(r[1] for r in runs),
                    "peak_kb": max(r[2] for r in runs), "features": "?"}
            for line in runs[0][3].splitlines():
                if line.startswith("Feature Count:"):
                    gdal["features"] = line.split(":")[1].strip()
    finally:
        if not a.keep and not a.work_dir:
            shutil.rmtree(work, ignore_errors=True)
    load_after = os.getloadavg()[0]

    print(f"Drawing: {n} parcels with 22-item records, {size / 1e6:.1f} MB ({size} bytes); "
          f"best of {repeat} round(s){' (quick mode)' if a.quick else ''}")
    print(f"Machine: {os.cpu_count()} cores, load average {load_before:.1f} before, {load_after:.1f} after "
          "(wall times suffer when the machine is busy; processor times much less)")
    print()
    print(f"{'':46}{'load s':>16}{'save s':>16}{'peak MB':>9}")
    print(f"{'':46}{'wall / cpu':>16}{'wall / cpu':>16}")

    def row(name, load, load_cpu, save=None, save_cpu=None, peak_kb=None):
        both = lambda w, c: f"{w:7.3f} /{c:7.3f}" if w is not None else f"{'-':>16}"
        peak = f"{mb(peak_kb):9.1f}" if peak_kb is not None else ""
        print(f"{name:46}{both(load, load_cpu):>16}{both(save, save_cpu):>16}{peak}")

    row("Korvane (korvane-io-probe, in process)", korvane["load_s"], korvane["load_cpu_s"], korvane["save_s"],
        korvane["save_cpu_s"], korvane["peak_kb"])
    print(f"{'  to_dxf alone (whole text in memory)':46}{'':16}{korvane['to_dxf_s']:7.3f}")
    print(f"{'Korvane korvane-cli convert (whole process)':46}{'load+save':>16}{cli_wall:7.3f} /{cli_cpu:7.3f}")
    row(f"ezdxf {ezdxf_version} readfile / saveas", ezdxf["load_s"], ezdxf["load_cpu_s"], ezdxf["save_s"],
        ezdxf["save_cpu_s"], ezdxf["peak_kb"])
    if gdal:
        row(f"GDAL ogrinfo -al -so ({gdal['features']} features)", gdal["load_s"], gdal["load_cpu_s"],
            peak_kb=gdal["peak_kb"])
    else:
        print("GDAL ogrinfo: not installed")
    print()

    results = []

    def target(name, wall, cpu, ok, goal, fmt):
        results.append(ok)
        print(f"  {name:40}{fmt(wall):>10}{fmt(cpu) if cpu is not None else '':>10}   {goal:12} "
              f"{'met' if ok else 'MISSED'}")

    secs = lambda v: f"{v:.3f} s"
    times = lambda v: f"{v:.1f}x"
    print(f"Targets (judged on wall time):{'wall':>20}{'cpu':>10}")
    target("Korvane load", korvane["load_s"], korvane["load_cpu_s"], korvane["load_s"] < 1.0, "< 1 s", secs)
    target("Korvane save", korvane["save_s"], korvane["save_cpu_s"], korvane["save_s"] < 1.0, "< 1 s", secs)
    for what, key in (("load", "load"), ("save", "save")):
        w = ezdxf[f"{key}_s"] / korvane[f"{key}_s"]
        c = ezdxf[f"{key}_cpu_s"] / korvane[f"{key}_cpu_s"]
        target(f"ezdxf {what} / Korvane {what}", w, c, w >= 20, ">= 20x", times)
    w = (ezdxf["load_s"] + ezdxf["save_s"]) / (korvane["load_s"] + korvane["save_s"])
    c = (ezdxf["load_cpu_s"] + ezdxf["save_cpu_s"]) / (korvane["load_cpu_s"] + korvane["save_cpu_s"])
    target("ezdxf load+save / Korvane load+save", w, c, w >= 20, ">= 20x", times)
    if gdal:
        w, c = gdal["load_s"] / korvane["load_s"], gdal["load_cpu_s"] / korvane["load_cpu_s"]
        target("ogrinfo -al -so / Korvane load", w, c, w > 1, "> 1x", times)
    ratio = korvane["peak_kb"] * 1024 / size
    target("Korvane peak memory / file size", ratio, None, ratio < 3, "< 3", lambda v: f"{v:.2f}")
    if a.quick:
        print("(quick mode: a small drawing; the targets apply to 50,000 parcels)")
    if a.keep or a.work_dir:
        print(f"files kept in {work}")
    return 1 if (a.check and not all(results)) else 0


if __name__ == "__main__":
    sys.exit(main())
