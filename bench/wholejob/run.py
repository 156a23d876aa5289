#!/usr/bin/env python3
"""Whole-job benchmark under Wine: the tool's press-to-message time on the main-job sample machine
enlarged with a few hundred MB of product logs, beside Info-ZIP `zip -8` natively over the same
files (the archive's members) in the same run.

    python3 bench/wholejob/run.py [--build-dir build/win32|win64] [--log-mb 300] [--zip-runs 3]
                                  [--tool-runs 1] [--baseline] [--seed N]

Builds nothing: expects PlenviaHelper.exe and tools/uidriver.exe in --build-dir, by default the
build the Wine tier drives on this machine (the shipped i686 exe where 32-bit code runs natively,
else the x86_64 build of the same source). The prefix (and
the temporary folder of the extracted members) is removed afterwards; PV_KEEP_PREFIX=1 keeps the
prefix. The corpus bytes depend only on --seed and --log-mb; file names follow today's date,
because the collection plan picks the dated logs of the last days by name.
"""

import argparse
import datetime as _dt
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

import logcorpus  # noqa: E402

# Where the logs go and which share of the corpus each file gets. {d} is a date stamp yyyymmdd,
# days back from today. Every file here is one the collection plan collects.
_DAILY_MAIN = [(r'%LOG%\Main\{d}.log', back, w) for back, w in
               enumerate([9, 7, 6, 5, 4, 4, 3, 3, 2, 2])]
_DAILY_AUTO = [(r'%LOG%\Main\{d}_auto.log', back, w) for back, w in enumerate([2, 1, 1])]
_DAILY_SCAN = [(r'%LOG%\Scan\{d}.log', back, w) for back, w in enumerate([4, 3, 2, 2, 1, 1, 1])]
_FIXED = [
    (r'%LOG%\Scheduler\a.log', None, 2),
    (r'%LOG%\Scheduler\b.log', None, 1),
    (r'%LOG%\Scheduler\RefreshTask.log', None, 2),
    (r'%LOG%\Scheduler\ScanTask.log', None, 1),
    (r'%LOG%\Down\Downloads.log', None, 3),
    (r'%LOG%\Fix\Fix.log', None, 1),
    (r'%LOG%\DrvSetup.log', None, 2),
    (r'%LOG%\Install\PvzInst.log', None, 1),
    (r'%LOG%\Scan\parts.log', None, 1),
    (r'%LOG%\SelfRefresh.log', None, 0.3),
    (r'%USER%\Debug\Trace.log', None, 2),
    (r'%COMMON%\Logs\Fetcher.log', None, 3),
    (r'%COMMON%\Fetcher\Fetcher_1.log', None, 2),
    (r'%COMMON%\Fetcher\Fetcher_2.log', None, 1),
    (r'%WINDOWS%\inf\setupapi.dev.log', None, 8),
    (r'%WINDOWS%\inf\setupapi.app.log', None, 1),
]
CORPUS = _DAILY_MAIN + _DAILY_AUTO + _DAILY_SCAN + _FIXED

# Reports the job writes in the log folder, in the order of its steps: their times after the press
# show where the job spends its time.
STEP_REPORTS = [('ping hosts', 'PingHosts.txt'), ('memory-dump list', 'MEMORYDMP.txt'),
                ('registry dump', 'pvreg.txt'), ('network info (HTTP)', 'NetInfo.txt'),
                ('system report', 'SystemInfo.txt'), ('device list', 'DeviceList.txt'),
                ('file listings', 'FileList*.txt')]


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    p.add_argument('--build-dir', default=None,
                   help='build with PlenviaHelper.exe and tools/uidriver.exe (default: the '
                        'build the Wine tier drives here)')
    p.add_argument('--log-mb', type=float, default=300, help='MB of generated logs (default 300)')
    p.add_argument('--seed', type=int, default=20240301, help='seed of the generated logs')
    p.add_argument('--zip-runs', type=int, default=3, help='zip -8 repetitions (median)')
    p.add_argument('--tool-runs', type=int, default=1, help='tool runs (median)')
    p.add_argument('--baseline', action='store_true',
                   help='first run the tool once on the sample machine without the generated logs')
    p.add_argument('--timeout', type=int, default=1800, help='seconds the UI driver waits')
    return p.parse_args()


def corpus_files(today, total_bytes):
    """[(winpath, size, seed index)] of the generated logs for `today`."""
    import machine
    roots = {'%LOG%': machine.LOG_FOLDER, '%USER%': machine.PRODUCT_USER,
             '%COMMON%': machine.PRODUCT_COMMON, '%WINDOWS%': machine.WINDOWS}
    weight_sum = sum(w for _, _, w in CORPUS)
    files = []
    for index, (pattern, back, weight) in enumerate(CORPUS):
        path = pattern
        for key, value in roots.items():
            path = path.replace(key, value)
        if back is not None:
            path = path.format(d=(today - _dt.timedelta(days=back)).strftime('%Y%m%d'))
        files.append((path, int(total_bytes * weight / weight_sum), index))
    return files


def write_corpus(px, files, seed):
    total = 0
    for winpath, size, index in files:
        unix = px.unix_path(winpath)
        os.makedirs(os.path.dirname(unix), exist_ok=True)
        if os.path.lexists(unix):
            os.unlink(unix)  # never write through a link into the shared template
        start = _dt.datetime(2024, 3, 1, 7, 58) + _dt.timedelta(days=index)
        with open(unix, 'wb') as f:
            total += logcorpus.LogText(seed * 1000 + index, start).write(f, size)
    return total


def step_times(px, press_wall):
    """[(step, seconds after the press)] from the modification times of the job's reports."""
    import glob
    folder = px.log_folder()
    out = []
    for step, pattern in STEP_REPORTS:
        times = [os.stat(p).st_mtime for p in glob.glob(os.path.join(folder, pattern))]
        if times:
            out.append((step, max(times) - press_wall))
    return out


class ToolCpu:
    """Samples the CPU seconds of the tool's process in this prefix (all its threads, as the
    kernel counts them) while the UI driver runs it; `seconds` holds the last sample."""

    def __init__(self, px):
        self.marker = ('WINEPREFIX=' + px.path + '\0').encode()
        self.seconds = 0.0
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._loop, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()
        return False

    def _loop(self):
        tick = os.sysconf('SC_CLK_TCK')
        while not self._stop.wait(0.2):
            for pid in filter(str.isdigit, os.listdir('/proc')):
                try:
                    with open('/proc/%s/cmdline' % pid, 'rb') as f:
                        exe = f.read().split(b'\0')[0].strip().lower()
                    if not exe.endswith(b'\\plenviahelper.exe'):
                        continue
                    with open('/proc/%s/environ' % pid, 'rb') as f:
                        if self.marker not in f.read():
                            continue
                    with open('/proc/%s/stat' % pid) as f:
                        fields = f.read().rsplit(')', 1)[1].split()
                    self.seconds = (int(fields[11]) + int(fields[12])) / tick
                except OSError:
                    pass


def run_tool_once(px, timeout):
    with ToolCpu(px) as cpu:
        res = px.run_tool(timeout=timeout)
    ptm = res['press_to_message_ms'] / 1000.0
    archive = px.archive_path()
    # The archive's last write is the end of packing; the message follows within the window's
    # ~100 ms poll, so the press lies about `ptm` seconds before it.
    press_wall = os.stat(archive).st_mtime - ptm
    return ptm, os.path.getsize(archive), step_times(px, press_wall), cpu.seconds


def extract_members(archive, folder):
    """Extracts every member under its name (backslashes as folders); returns (count, bytes)."""
    count = total = 0
    seen = set()
    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            parts = [p for p in re.split(r'[\\/]', info.filename) if p not in ('', '.')]
            if not parts or '..' in parts:
                raise RuntimeError('unsafe member name %r' % info.filename)
            rel = os.path.join(*parts)
            n = 1
            while rel.lower() in seen:  # a name collected twice keeps both files
                n += 1
                rel = os.path.join(*parts[:-1], '%s.%d' % (parts[-1], n))
            seen.add(rel.lower())
            dest = os.path.join(folder, rel)
            os.makedirs(os.path.dirname(dest), exist_ok=True)
            with z.open(info) as src, open(dest, 'wb') as dst:
                shutil.copyfileobj(src, dst, 1 << 20)
            count += 1
            total += info.file_size
    return count, total


def time_zip(members_dir, out_zip):
    """Wall and CPU seconds of one `zip -8` over every file below `members_dir`, and the
    archive's size."""
    if os.path.exists(out_zip):
        os.unlink(out_zip)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    # -D: no folder entries, so the archive holds exactly the member files.
    subprocess.run(['zip', '-8', '-q', '-r', '-D', out_zip, '.'], cwd=members_dir, check=True)
    wall = time.perf_counter() - t0
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, os.path.getsize(out_zip)


def cores():
    usable = len(os.sched_getaffinity(0)) if hasattr(os, 'sched_getaffinity') else None
    return os.cpu_count(), usable


def main():
    args = parse_args()
    sys.path.insert(0, os.path.join(REPO, 'tests', 'wine'))
    vehicle = None
    if args.build_dir is None:
        import harness as probe
        vehicle = probe.choose_vehicle()
        args.build_dir = os.path.join(REPO, 'build', vehicle['preset'])
    build_dir = os.path.abspath(args.build_dir)
    for need in ('PlenviaHelper.exe', os.path.join('tools', 'uidriver.exe')):
        if not os.path.isfile(os.path.join(build_dir, need)):
            sys.exit('missing %s in %s (build its preset first)' % (need, build_dir))
    if not shutil.which('zip'):
        sys.exit('Info-ZIP zip is not installed')
    os.environ['PV_BUILD_DIR'] = build_dir
    import harness
    harness.BUILD_DIR = build_dir
    from default_machine import default_machine

    total_bytes = int(args.log_mb * 1_000_000)
    cpu, usable = cores()
    load_start = os.getloadavg()[0]
    print('whole-job benchmark: %s cores (%s usable), %s, build %s (%s)'
          % (cpu, usable, harness.wine_version(), build_dir,
             harness.peinfo.machine_name(os.path.join(build_dir, 'PlenviaHelper.exe'))),
          flush=True)
    if vehicle:
        print('build chosen: ' + vehicle['why'], flush=True)

    m = default_machine()
    files = corpus_files(m.today, total_bytes)
    with harness.Prefix(m, name='bench-wholejob') as px, \
            tempfile.TemporaryDirectory(prefix='pv-wholejob-') as tmp:
        print('prefix %s ready in %.1f s' % (px.path, sum(px.timings.values())), flush=True)
        if args.baseline:
            ptm, size, steps, cpu_s = run_tool_once(px, args.timeout)
            print('baseline (sample machine only): press-to-message %.2f s, tool CPU %.2f s, '
                  'archive %d bytes' % (ptm, cpu_s, size))
            print_steps(steps, ptm)

        t0 = time.monotonic()
        written = write_corpus(px, files, args.seed)
        print('generated %d log files, %d bytes (seed %d) in %.1f s'
              % (len(files), written, args.seed, time.monotonic() - t0), flush=True)

        # The first tool run makes the archive whose members zip packs; further runs alternate
        # with the zip runs, so that a change of the machine's load touches both figures alike.
        runs, tool_cpu = [], []
        zip_times, zip_cpu = [], []

        def tool_run():
            ptm, size, steps, cpu_s = run_tool_once(px, args.timeout)
            runs.append(ptm)
            tool_cpu.append(cpu_s)
            print('tool run %d: press-to-message %.2f s, tool CPU %.2f s, archive %d bytes'
                  % (len(runs), ptm, cpu_s, size), flush=True)
            print_steps(steps, ptm)
            return size

        tool_size = tool_run()
        archive = os.path.join(tmp, 'tool.zip')
        shutil.copy2(px.archive_path(), archive)
        members_dir = os.path.join(tmp, 'members')
        count, member_bytes = extract_members(archive, members_dir)
        zip_out = os.path.join(tmp, 'zip8.zip')
        while len(zip_times) < args.zip_runs or len(runs) < args.tool_runs:
            if len(zip_times) < args.zip_runs:
                seconds, cpu_s, zip_size = time_zip(members_dir, zip_out)
                zip_times.append(seconds)
                zip_cpu.append(cpu_s)
                print('zip -8 run %d: %.2f s, CPU %.2f s, archive %d bytes'
                      % (len(zip_times), seconds, cpu_s, zip_size), flush=True)
            if len(runs) < args.tool_runs:
                tool_run()
        tool_s = statistics.median(runs)
        zip_s = statistics.median(zip_times)

    print()
    print('members: %d files, %d bytes' % (count, member_bytes))
    print('press-to-message: %8.2f s  median of (%s)  archive %d bytes'
          % (tool_s, ' '.join('%.2f' % t for t in runs), tool_size))
    print('zip -8:           %8.2f s  median of (%s)  archive %d bytes'
          % (zip_s, ' '.join('%.2f' % t for t in zip_times), zip_size))
    print('time ratio: %.2fx (goal <= 1.50x)   size ratio: %.3fx'
          % (tool_s / zip_s, tool_size / zip_size))
    print('CPU seconds (median): tool process %.2f, zip -8 %.2f'
          % (statistics.median(tool_cpu), statistics.median(zip_cpu)))
    print('cores: %s (%s usable); load average at start %.1f, at end %.1f'
          % (cpu, usable, load_start, os.getloadavg()[0]))


def print_steps(steps, ptm):
    """The job's steps with their end after the press (from file times, within about 0.2 s)."""
    prev = 0.0
    for step, at in steps:
        print('    %-22s done at %7.2f s  (%6.2f s)' % (step, at, at - prev))
        prev = at
    print('    %-22s done at %7.2f s  (%6.2f s)  collectors, copies to temp, deflate'
          % ('archive', ptm, ptm - prev))


if __name__ == '__main__':
    main()
