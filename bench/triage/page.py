#!/usr/bin/env python3
"""The pvtriage page on the large benchmark archive, beside the native pvtriage on the same file.

Uses the archive of run.py (built once into --build-dir/bench/triage and reused), gives it to the
page in headless Chromium through its file input, and reports per run:

  shown     time from handing over the file to the findings on screen (DevTools-driven, 20 ms
            polling), and the page's own figure from the file event to the DOM update
  memory    peak JS heap (DevTools Performance metrics, sampled every 25 ms), the WebAssembly
            heap's final size, and the renderer process's peak resident size (VmHWM)

and the native `pvtriage ARCHIVE` time and peak resident memory (GNU time), median of --runs,
the runs alternating. Goals for the page: under 1.5 s and under 150 MB.

--many N uses run.py's archive of N empty members instead.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
import run  # noqa: E402  (the archive builders and the native measurement)

DRIVER = os.path.join(ROOT, "tests", "web", "drive.mjs")


def page_run(archive, web_build, chromium, node):
    """One fresh browser; without an archive, the page as opened (the memory baseline)."""
    folder = tempfile.mkdtemp(prefix="pvtriage-page-bench-")
    try:
        plan = {"page": os.path.join(web_build, "reader", "index.html"), "chromium": chromium,
                "downloads": os.path.join(folder, "downloads"),
                "profile": os.path.join(folder, "profile"),
                "jobs": [{"files": [archive], "processMemory": True, "timeoutMs": 600000}
                         if archive else {"idle": True}]}
        with open(os.path.join(folder, "plan.json"), "w") as f:
            json.dump(plan, f)
        env = dict(os.environ, NODE_PATH=os.path.join(web_build, "npm", "node_modules"))
        done = subprocess.run([node, DRIVER, os.path.join(folder, "plan.json")],
                              capture_output=True, env=env, timeout=900)
        if done.returncode != 0:
            sys.exit("page driver failed: " + done.stderr.decode(errors="replace")[-2000:])
        result = json.loads(done.stdout)[0]
        if archive and result["state"] != "shown":
            sys.exit(f"the page did not show findings: {result.get('error')}")
        return result
    finally:
        shutil.rmtree(folder, True)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "host"),
                        help="native build with pvtriage (the archive is kept there too)")
    parser.add_argument("--web-build", default=os.path.join(ROOT, "build", "web"))
    parser.add_argument("--archive-mb", type=int, default=500)
    parser.add_argument("--many", type=int, default=0)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    parser.add_argument("--node", default=shutil.which("node") or "node")
    args = parser.parse_args()

    folder = os.path.join(args.build_dir, "bench", "triage")
    os.makedirs(folder, exist_ok=True)
    if args.many:
        archive = os.path.join(folder, f"many-{args.many}.zip")
        build = lambda: run.build_many(archive, args.many)  # noqa: E731
    else:
        archive = os.path.join(folder, f"large-{args.archive_mb}mb.zip")
        build = lambda: run.build_large(archive, args.archive_mb)  # noqa: E731
    if not os.path.exists(archive):
        started = time.monotonic()
        build()
        print(f"built {archive} in {time.monotonic() - started:.1f} s")
    with open(archive, "rb") as f:  # into the page cache, so both readers start warm
        while f.read(1 << 24):
            pass

    pvtriage = os.path.join(args.build_dir, "pvtriage")
    native, page = [], []
    for _ in range(args.runs):
        native.append(run.measure([pvtriage, archive]))
        page.append(page_run(archive, args.web_build, args.chromium, args.node))

    idle = page_run(None, args.web_build, args.chromium, args.node)
    mb = 1 << 20
    print(f"archive: {os.path.getsize(archive) / 1e6:.1f} MB; {os.cpu_count()} cores, "
          f"load {os.getloadavg()[0]:.2f}; median of {args.runs} runs")
    print(f"  {'native pvtriage (findings)':34} {statistics.median(t for t, _ in native):7.3f} s"
          f"   peak RSS {max(m for _, m in native):6.1f} MB")
    shown = statistics.median(r["shownAfterMs"] for r in page) / 1000
    inner = statistics.median(r["millis"] for r in page) / 1000
    print(f"  {'page: file given -> findings shown':34} {shown:7.3f} s"
          f"   (page's own count {inner:.3f} s)")
    print(f"  {'page: peak JS heap (DevTools)':34} {max(r['peakJsHeapBytes'] for r in page) / mb:7.1f} MB")
    print(f"  {'page: WebAssembly heap':34} {max(r['coreMemoryBytes'] for r in page) / mb:7.1f} MB")
    print(f"  {'page: renderer peak RSS (VmHWM)':34} "
          f"{max(r['rendererPeakKb'] for r in page) / 1024:7.1f} MB"
          f"   (the page with no archive: {idle['rendererPeakKb'] / 1024:.1f} MB)")
    print(f"  page/native time: {shown / statistics.median(t for t, _ in native):.1f}x; "
          "goal: page under 1.5 s and 150 MB")


if __name__ == "__main__":
    main()
