#!/usr/bin/env python3
"""pvtriage on a large archive, against Info-ZIP's unzip on the same file.

Builds (once, then reuses) an archive of about --archive-mb MB: the reports and small members of
the tool's own archive, with the product's logs made large (log-like text that packs about 5:1).
Then, with the file in the page cache and the runs alternating, it times:

  findings  pvtriage ARCHIVE             (reads the central directory and the reports only)
  full      unzip -p ARCHIVE > /dev/null (the peer reading every member)
  verify    pvtriage --verify ARCHIVE    (CRC of every member, streamed)
  test      unzip -tq ARCHIVE            (the peer's CRC test)

and prints the medians, peak resident memory of each and the verify-to-test throughput ratio.
The archive's packed minidump is a 2 MB kernel triage dump (200 modules, a call stack of
pointers into them), so the findings include its decode; bench_dump_decode (built with the host
preset) prints that decode's own time beside the rest.
Goals: findings under 1 s in under 64 MB; verify at 0.8x of unzip -tq or better; the decode of
the 2 MB dump under 10 ms.

--many N instead builds an archive of N empty members and times the same commands on it.
"""
import argparse
import glob
import io
import os
import statistics
import struct
import subprocess
import sys
import time
import zipfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "bench", "wholejob"))
from logcorpus import LogText  # noqa: E402
sys.path.insert(0, os.path.join(ROOT, "tests", "triage"))
import dumpfile  # noqa: E402

BLOCK = 32 << 20  # bytes of log text deflated once and repeated
LOG_MEMBERS = 12


class RawZip:
    """Writes members whose deflate data the caller streams in; Zip64 end records past 65,535
    members."""

    def __init__(self, path):
        self.f = open(path, "wb")
        self.central = []

    def add(self, name, chunks, size, crc, method=8):
        encoded = name.encode("ascii")
        offset = self.f.tell()
        self.f.write(b"PK\x03\x04" + struct.pack("<HHHHHIIIHH", 20, 0, method, 0, 0x5821, 0, 0,
                                                 0, len(encoded), 0) + encoded)
        written = 0
        for chunk in chunks:
            self.f.write(chunk)
            written += len(chunk)
        end = self.f.tell()
        self.f.seek(offset + 14)
        self.f.write(struct.pack("<III", crc, written, size))
        self.f.seek(end)
        self.central.append(b"PK\x01\x02" + struct.pack(
            "<HHHHHHIIIHHHHHII", 0x0B17, 20, 0, method, 0, 0x5821, crc, written, size,
            len(encoded), 0, 0, 0, 0, 0, offset) + encoded)

    def close(self):
        start = self.f.tell()
        for header in self.central:
            self.f.write(header)
        size = self.f.tell() - start
        count = len(self.central)
        if count > 0xFFFF:
            record = self.f.tell()
            self.f.write(b"PK\x06\x06" + struct.pack("<QHHIIQQQQ", 44, 45, 45, 0, 0, count, count,
                                                     size, start))
            self.f.write(b"PK\x06\x07" + struct.pack("<IQI", 0, record, 1))
            self.f.write(b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, 0xFFFF, 0xFFFF,
                                                     0xFFFFFFFF, 0xFFFFFFFF, 0))
        else:
            self.f.write(b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, count, count, size, start,
                                                     0))
        self.f.close()


def tool_archive():
    found = sorted(glob.glob(os.path.join(ROOT, "out", "pv_info_*.zip")))
    return found[-1] if found else glob.glob(
        os.path.join(ROOT, "tests", "triage", "data", "tool", "pv_info_*.zip"))[0]


DUMP_MB = 2


def large_dump():
    """A 2 MB triage dump of a 64-bit machine: 200 modules and a call stack whose values point
    into them (and elsewhere), so that the stack scan does real lookups."""
    import datetime
    import random
    rng = random.Random(20240131)
    modules = [dumpfile.KERNEL, dumpfile.HAL]
    for i in range(198):
        modules.append((f"\\SystemRoot\\System32\\drivers\\drv{i:03d}.sys",
                        0xFFFFF80500000000 + i * 0x100000, 0x80000, 0x60000000 + i))
    stack = [rng.choice(modules)[1] + rng.randrange(0x90000) if rng.random() < 0.7
             else rng.getrandbits(64) for _ in range((DUMP_MB << 20) // 8 - 2048)]
    when = datetime.datetime(2024, 4, 2, 18, 45, 10, tzinfo=datetime.timezone.utc)
    return dumpfile.triage_dump(when, 0x1000007E, (0xFFFFFFFFC0000005, modules[50][1] + 0x334C,
                                                   0, 0), modules, ip=modules[50][1] + 0x334C,
                                stack=stack, pad_to=DUMP_MB << 20)


def is_minidump(name):
    return name.lower().endswith(".dmp") and "/" not in name and name != "MiniDrvSetup.dmp"


def build_large(path, archive_mb):
    base = tool_archive()
    text = io.BytesIO()
    LogText(seed=20240131).write(text, BLOCK)
    block = text.getvalue()[:BLOCK]
    packer = zlib.compressobj(8, zlib.DEFLATED, -15)
    # A full flush ends the block on a byte boundary with an empty window, so copies of it
    # concatenate into one valid Deflate stream.
    packed = packer.compress(block) + packer.flush(zlib.Z_FULL_FLUSH)
    block_crc_runs = {}
    repeats = max(1, round(archive_mb * (1 << 20) / len(packed) / LOG_MEMBERS))

    def crc_of(count):
        if count not in block_crc_runs:
            crc = 0
            for _ in range(count):
                crc = zlib.crc32(block, crc)
            block_crc_runs[count] = crc
        return block_crc_runs[count]

    out = RawZip(path)
    logs = 0
    dump = large_dump()
    with zipfile.ZipFile(base) as z:
        for info in z.infolist():
            data = dump if is_minidump(info.filename) else z.read(info)
            if info.filename.startswith("AppData/Logs/Main/") and logs < LOG_MEMBERS:
                logs += 1
                out.add(info.filename, [packed] * repeats + [b"\x03\x00"], BLOCK * repeats,
                        crc_of(repeats))
            else:
                out.add(info.filename, [zlib.compress(data, 8)[2:-4]], len(data),
                        zlib.crc32(data))
    while logs < LOG_MEMBERS:
        logs += 1
        out.add(f"AppData/Logs/Main/202611{logs:02d}.log", [packed] * repeats + [b"\x03\x00"],
                BLOCK * repeats, crc_of(repeats))
    out.close()


def build_many(path, count):
    out = RawZip(path)
    for i in range(count):
        out.add(f"AppData/Logs/Scheduler/{i:07d}.log", [b""], 0, 0, method=0)
    out.close()


def measure(command):
    """Wall seconds and peak resident memory (MB) of one run, output discarded. GNU time reports
    the memory: a child forked from this Python process would inherit its peak."""
    report = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"pvtriage-bench-{os.getpid()}.rss")
    started = time.monotonic()
    done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, *command],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.monotonic() - started
    if done.returncode not in (0, 1):
        sys.exit(f"{' '.join(command)} exited {done.returncode}: {done.stderr.decode()}")
    with open(report) as f:
        kilobytes = int(f.read().split()[-1])
    os.remove(report)
    return elapsed, kilobytes / 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "host"))
    parser.add_argument("--archive-mb", type=int, default=500)
    parser.add_argument("--many", type=int, default=0, help="members of a many-member archive")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()

    pvtriage = os.path.join(args.build_dir, "pvtriage")
    folder = os.path.join(args.build_dir, "bench", "triage")
    os.makedirs(folder, exist_ok=True)
    if args.many:
        archive = os.path.join(folder, f"many-{args.many}.zip")
        build = lambda: build_many(archive, args.many)  # noqa: E731
    else:
        archive = os.path.join(folder, f"large-{args.archive_mb}mb-dump{DUMP_MB}mb.zip")
        build = lambda: build_large(archive, args.archive_mb)  # noqa: E731
    if not os.path.exists(archive):
        started = time.monotonic()
        build()
        print(f"built {archive} in {time.monotonic() - started:.1f} s")
    with zipfile.ZipFile(archive) as z:
        infos = z.infolist()
    size = os.path.getsize(archive)
    data = sum(i.file_size for i in infos)
    with open(archive, "rb") as f:  # into the page cache, so every command reads warm
        while f.read(1 << 24):
            pass

    commands = {
        "findings": [pvtriage, archive],
        "full": ["unzip", "-p", archive],
        "verify": [pvtriage, "--verify", archive],
        "test": ["unzip", "-tq", archive],
    }
    results = {name: [] for name in commands}
    for _ in range(args.runs):
        for name, command in commands.items():
            results[name].append(measure(command))

    load = os.getloadavg()[0]
    print(f"archive: {size / 1e6:.1f} MB, {len(infos)} members, {data / 1e6:.1f} MB of data; "
          f"{os.cpu_count()} cores, load {load:.2f}; median of {args.runs} runs")
    label = {"findings": "pvtriage (findings)", "full": "unzip -p > /dev/null",
             "verify": "pvtriage --verify", "test": "unzip -tq"}
    medians = {}
    for name, runs in results.items():
        seconds = statistics.median(t for t, _ in runs)
        memory = max(m for _, m in runs)
        medians[name] = seconds
        # Findings read the reports alone, so a throughput over the archive's data means nothing.
        rate = "" if name == "findings" else f"{data / 1e6 / seconds:8.1f} MB/s of data"
        print(f"  {label[name]:<22} {seconds:7.3f} s  {rate:<20}  peak {memory:6.1f} MB")
    ratio = medians["test"] / medians["verify"]
    findings_memory = max(m for _, m in results["findings"])
    print(f"findings: {medians['findings']:.3f} s (goal < 1 s), peak {findings_memory:.1f} MB "
          f"(goal < 64 MB)")
    print(f"verify throughput: {ratio:.2f}x of unzip -tq (goal >= 0.8x)")
    decoder = os.path.join(args.build_dir, "bench", "triage", "bench_dump_decode")
    if os.access(decoder, os.X_OK):
        dump_path = os.path.join(folder, f"dump-{DUMP_MB}mb.dmp")
        with open(dump_path, "wb") as f:
            f.write(large_dump())
        line = subprocess.run([decoder, dump_path], capture_output=True, text=True,
                              check=True).stdout.strip()
        print(f"{line} (goal < 10 ms)")
    else:
        print(f"dump decode: {decoder} not built (cmake --build ... --target bench_dump_decode)")


if __name__ == "__main__":
    main()
