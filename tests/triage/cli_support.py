"""Archives for pvtriage's command-line tests: the tool's own archive and variants derived from
it (a report edited, a member corrupted, the file cut short), plus hand-made hostile ones."""
import datetime
import os
import re
import struct
import warnings
import subprocess
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL_ARCHIVE = os.environ.get(
    "PV_TRIAGE_ARCHIVE", os.path.join(HERE, "data", "tool", "pv_info_20261210_i.zip"))
PVTRIAGE = os.environ.get("PVTRIAGE", os.path.join(HERE, "..", "..", "build", "host", "pvtriage"))

MAKER_HOST = "www.orvix.com"
OLE_EPOCH = datetime.datetime(1899, 12, 30)


def run(*args, cwd=None, timeout=120):
    """pvtriage's exit code, standard output and standard error."""
    done = subprocess.run([PVTRIAGE, *args], capture_output=True, timeout=timeout, cwd=cwd)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def utf16(text):
    """A report as the tool writes it: UTF-16LE with a byte-order mark."""
    return b"\xff\xfe" + text.encode("utf-16-le")


def read_members(path):
    with zipfile.ZipFile(path) as z:
        return [(info, z.read(info)) for info in z.infolist()]


def write_members(path, members):
    """Members in the given order, deflated like the tool's, with their stored times. Duplicate
    names are kept: the tool writes some."""
    with warnings.catch_warnings(), zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        warnings.simplefilter("ignore")
        for info, data in members:
            copy = zipfile.ZipInfo(info.filename, info.date_time)
            copy.compress_type = zipfile.ZIP_DEFLATED
            copy.extra = info.extra
            z.writestr(copy, data)


def derive(base, path, edits=None, added=()):
    """A copy of `base` with `edits` {member name: function(bytes) -> bytes} applied and
    `added` [(name, bytes)] appended."""
    edits = edits or {}
    members = [(info, edits[info.filename](data) if info.filename in edits else data)
               for info, data in read_members(base)]
    for name, data in added:
        members.append((zipfile.ZipInfo(name, (2024, 4, 2, 12, 0, 0)), data))
    write_members(path, members)
    return path


def edit_report(function):
    """An edit of a UTF-16 report through its text."""
    return lambda data: utf16(function(data.decode("utf-16")))


def edit_device(name, fields):
    """Sets the given fields ("Code", "Roll", ...) in the first device block named `name`."""
    def apply(text):
        blocks = text.split("\r\n\r\n")
        for i, block in enumerate(blocks):
            if f"\r\n Name = {name}\r\n" in block:
                for label, value in fields.items():
                    block, count = re.subn(rf"(\r\n {re.escape(label)} += )[^\r\n]*",
                                           lambda m: m.group(1) + value, block, count=1)
                    assert count == 1, (name, label)
                blocks[i] = block
                return "\r\n\r\n".join(blocks)
        raise AssertionError(f"no device {name}")
    return edit_report(apply)


def ole_date(when):
    """A date-time as the device list writes its general numbers."""
    return f"{(when - OLE_EPOCH).total_seconds() / 86400:.10f}".rstrip("0").rstrip(".")


def bsod_time(base):
    with zipfile.ZipFile(base) as z:
        text = z.read("SystemInfo.txt").decode("utf-16")
    value = re.search(r"BSOD Time +: (.*)\r\n", text).group(1)
    return datetime.datetime.strptime(value, "%m/%d/%Y %I:%M:%S %p")


SETUPAPI_LOG = "\r\n".join([
    "[Device Install Log]",
    "     OS Version = 10.0.18362",
    ">>>  [Device Install (Hardware initiated) - HDAUDIO\\FUNC_01&VEN_10EC&DEV_0257\\4&2B2F5B8&0&0001]",
    ">>>  Section start 2024/04/01 09:12:40.311",
    "     dvi: Driver INF     - oem12.inf (C:\\Windows\\System32\\DriverStore\\x.inf)",
    "<<<  Section end 2024/04/01 09:12:44.902",
    "<<<  [Exit status: SUCCESS]",
    "",
    ">>>  [Device Install (Hardware initiated) - USB\\VID_0BDA&PID_8153\\000001]",
    ">>>  Section start 2024/04/01 10:15:22.123",
    "!!!  dvi: Device not started: Device has problem: 0x1c (CM_PROB_FAILED_INSTALL).",
    "!!!  dvi: Installing NULL driver!",
    "<<<  Section end 2024/04/01 10:15:30.456",
    "<<<  [Exit status: FAILURE(0xe0000219)]",
    "",
]).encode("ascii")


def everything_variant(base, path):
    """The variants of the issue in one archive: a device given problem code 28, another given a
    rollback and an install date a day before the crash, one failed driver install, and a hosts
    line for the maker's host."""
    installed = bsod_time(base) - datetime.timedelta(days=1)
    return derive(base, path, {
        "DeviceList.txt": lambda data: edit_device("Realtek Audio", {
            "Roll": "True", "InDa.D": ole_date(installed),
            "InDa": installed.strftime("%-m/%-d/%Y %H:%M:%S")})(
            edit_device("Integrated Camera", {"Prob": "28", "Code": "28"})(data)),
        "AppData/Logs/Install/setupapi.dev.log": lambda data: SETUPAPI_LOG,
        "Hosts": lambda data: data + f"10.20.30.40 {MAKER_HOST}\r\n".encode("ascii"),
    })


def corrupt_member(path, name):
    """Flips bytes in the middle of one member's stored data, headers untouched."""
    with zipfile.ZipFile(path) as z:
        info = z.getinfo(name)
    with open(path, "r+b") as f:
        f.seek(info.header_offset + 26)
        name_length, extra_length = struct.unpack("<HH", f.read(4))
        start = info.header_offset + 30 + name_length + extra_length
        middle = start + info.compress_size // 2
        f.seek(middle)
        chunk = f.read(4)
        f.seek(middle)
        f.write(bytes(b ^ 0x5A for b in chunk))


def raw_zip(members):
    """A ZIP written byte by byte: members are (name, stored data, method, uncompressed size,
    crc, flags), so that sizes and flags can lie."""
    out, central = bytearray(), bytearray()
    for name, data, method, size, crc, flags in members:
        encoded = name.encode("utf-8")
        fields = struct.pack("<HHHHHIIIHH", 20, flags, method, 0, 0x5821, crc, len(data), size,
                             len(encoded), 0)
        central += b"PK\x01\x02" + struct.pack("<H", 0x0B17) + fields + \
            struct.pack("<HHHII", 0, 0, 0, 0, len(out)) + encoded
        out += b"PK\x03\x04" + fields + encoded + data
    end = b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, len(members), len(members), len(central),
                                      len(out), 0)
    return bytes(out + central + end)


def deflate(data):
    packer = zlib.compressobj(6, zlib.DEFLATED, -15)
    return packer.compress(data) + packer.flush()
