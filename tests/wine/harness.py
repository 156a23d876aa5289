"""Wine test harness: throwaway prefixes seeded as sample machines, and the real exe driven through
the UI driver (tools/uidriver).

    import harness
    from machine import Machine, PRODUCT_USER          # tools/sample is on sys.path

    m = default_machine()                               # or Machine() for a bare machine
    m.file(PRODUCT_USER + r'\\Logs\\Main\\20240131.log', 'x')
    with harness.Prefix(m) as px:                       # fresh prefix from the template + Xvfb
        res = px.run_tool(hold_job_ms=1500)             # press, wait for "Completed", press OK
        self.assertEqual(res['message']['text'], ...)
        members = harness.archive_members(px.archive_path())
        text = harness.read_report(os.path.join(px.log_folder(), 'FileList.txt'))

A Prefix copies build/wine-template (made once per Wine version: 64-bit, Windows 10 reported,
no Mono/Gecko, real Desktop/Documents/Downloads folders) into build/wine-prefixes/, starts its own
Xvfb display and a persistent wineserver, applies the machine, and on exit kills its wineserver
and Xvfb and deletes the copy (PV_KEEP_PREFIX=1 keeps it for a post-mortem).

Environment: PV_BUILD_DIR (the build with PlenviaHelper.exe and tools/*.exe the tier drives:
build/win32 or build/win64 as choose_vehicle() decides; default build/win64), PV_WINE_PRESET
(overrides that choice), PV_SOURCE_DIR, PV_OUT_DIR (default <repo>/out), PV_WINE_TEMPLATE.
Costs (2 cores): template 25-40 s once per Wine version; a Prefix 0.3 s to copy plus 1.5-4 s to
apply the default machine (the registry import starts Wine's services); each run_tool 2-3 s plus
the job's own time (the default machine's full job: 1-6 s).
"""

import datetime as _dt
import fcntl
import json
import os
import random
import re
import shutil
import subprocess
import sys
import struct
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.environ.get('PV_SOURCE_DIR') or os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(REPO, 'tools', 'sample'))
sys.path.insert(0, os.path.join(REPO, 'scripts'))

import machine as _machine  # noqa: E402  (needs the path above)
from machine import Machine  # noqa: E402,F401  (re-exported for tests)
import peinfo  # noqa: E402

# The build the tier drives; test-all.sh and main-job.sh set it from choose_vehicle().
BUILD_DIR = os.environ.get('PV_BUILD_DIR') or os.path.join(REPO, 'build', 'win64')
OUT_DIR = os.environ.get('PV_OUT_DIR') or os.path.join(REPO, 'out')
TEMPLATE = os.environ.get('PV_WINE_TEMPLATE') or os.path.join(REPO, 'build', 'wine-template')
PREFIXES = os.path.join(os.path.dirname(TEMPLATE), 'wine-prefixes')
TOOL_EXE = 'PlenviaHelper.exe'
MAIN_CAPTION = 'Orvix Plenvia Helper'

_BASE_ENV = {
    'WINEDEBUG': '-all',
    'WINEDLLOVERRIDES': 'mscoree=;mshtml=',
    'WINEARCH': 'win64',
}
# Files of the template that a prefix shares by hard link: system libraries Wine never rewrites
# in place. Everything else (registry, profile, ini files) is copied.
_SHARED_DIRS = ('drive_c/windows/system32', 'drive_c/windows/syswow64', 'drive_c/windows/winsxs')
_SHARED_EXT = re.compile(r'(?i)\.(dll|exe|sys|drv|ocx|cpl|acm|ax|tlb|nls|mui|com|ds|msstyles|'
                         r'vxd|ttf|fon)$')


# ----- which build the Wine tier drives -------------------------------------------------------
# The shipped exe is i686. Where this machine cannot execute 32-bit x86 code (some virtual
# machines: "Exec format error"), Wine's 32-bit loader cannot start, and the tier drives the
# x86_64 build of the same source instead; that build states every registry view, folder and
# fact the 32-bit exe sees on 64-bit Windows, so both write the same archive.
WINE64 = '/usr/lib/wine/wine64'
WINE32 = '/usr/lib/wine/wine'

# A static i386 ELF program that exits with 42: mov ebx, 42; mov eax, 1 (exit); int 0x80.
_PROBE_BASE = 0x08048000
_PROBE_CODE = bytes.fromhex('bb2a000000b801000000cd80')


def _probe_program():
    header = b'\x7fELF' + bytes([1, 1, 1, 0]) + bytes(8)
    size = 52 + 32 + len(_PROBE_CODE)
    header += struct.pack('<HHIIIIIHHHHHH', 2, 3, 1, _PROBE_BASE + 84, 52, 0, 0, 52, 32, 1, 0, 0,
                          0)
    program = struct.pack('<IIIIIIII', 1, 0, _PROBE_BASE, _PROBE_BASE, size, size, 5, 0x1000)
    return header + program + _PROBE_CODE


def _emulator_for(program, misc='/proc/sys/fs/binfmt_misc'):
    """Name of an enabled binfmt_misc entry that would run `program` (bytes) through an
    interpreter, or None."""
    try:
        with open(os.path.join(misc, 'status')) as f:
            if f.read().strip() != 'enabled':
                return None
        names = os.listdir(misc)
    except OSError:
        return None
    for name in names:
        if name in ('register', 'status'):
            continue
        try:
            with open(os.path.join(misc, name)) as f:
                lines = f.read().splitlines()
        except OSError:
            continue
        fields = dict(line.split(' ', 1) for line in lines[1:] if ' ' in line)
        if not lines or lines[0] != 'enabled' or 'magic' not in fields:
            continue
        magic = bytes.fromhex(fields['magic'])
        mask = bytes.fromhex(fields['mask']) if 'mask' in fields else b'\xff' * len(magic)
        at = int(fields.get('offset', '0'))
        window = program[at:at + len(magic)]
        if len(window) == len(magic) and all((b & m) == (g & m)
                                             for b, m, g in zip(window, mask, magic)):
            return name
    return None


def probe_native_32bit():
    """(True, why) when this machine executes 32-bit x86 code itself; (False, why) otherwise.
    An emulator registered for i386 programs does not count: it runs them, far too slowly."""
    program = _probe_program()
    emulator = _emulator_for(program)
    if emulator:
        return False, 'i386 programs run through the emulator registered as binfmt_misc ' \
                      '"%s", not natively' % emulator
    folder = tempfile.mkdtemp(prefix='pv-probe-')
    path = os.path.join(folder, 'probe32')
    try:
        with open(path, 'wb') as f:
            f.write(program)
        os.chmod(path, 0o755)
        try:
            code = subprocess.run([path], timeout=30).returncode
        except OSError as e:
            return False, 'this machine cannot execute 32-bit x86 code (%s)' % e.strerror
        except subprocess.TimeoutExpired:
            return False, 'a 32-bit x86 probe program did not end'
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    if code != 42:
        return False, 'this machine cannot execute 32-bit x86 code (a static i386 probe ' \
                      'ended with %d)' % code
    return True, 'this machine executes 32-bit x86 code natively'


def choose_vehicle():
    """{'preset': 'win32'|'win64', 'arch': 'i686'|'x86_64', 'why': sentence}: the build the Wine
    tier, the main job and the whole-job benchmark drive on this machine. PV_WINE_PRESET=win32 or
    win64 overrides the probe (to run the stand-in on a machine that could run either)."""
    forced = os.environ.get('PV_WINE_PRESET')
    if forced == 'win64':
        return {'preset': 'win64', 'arch': 'x86_64',
                'why': 'PV_WINE_PRESET=win64 asks for the x86_64 build of the same source'}
    if forced == 'win32':
        return {'preset': 'win32', 'arch': 'i686',
                'why': 'PV_WINE_PRESET=win32 asks for the shipped i686 exe'}
    native, why = probe_native_32bit()
    if native:
        return {'preset': 'win32', 'arch': 'i686', 'why': why + ': the shipped i686 exe runs'}
    return {'preset': 'win64', 'arch': 'x86_64',
            'why': why + ': its x86_64 build of the same source stands in for the shipped exe'}


def _loader_for_file(unix_path):
    """Wine's loader for a PE program of ours: the 32-bit one for i686, the 64-bit one for x86_64."""
    machine = peinfo.PeFile(unix_path).machine
    if machine == peinfo.MACHINE_I386:
        return WINE32
    if machine == peinfo.MACHINE_AMD64:
        return WINE64
    raise ValueError('%s: not an i686 or x86_64 program' % unix_path)


def build_file(*parts):
    """A file of the build the tier drives, e.g. build_file('tools', 'uidriver.exe')."""
    return os.path.join(BUILD_DIR, *parts)


def wine_version():
    return subprocess.run([WINE64, '--version'], capture_output=True, text=True,
                          check=True).stdout.strip()


def _die_with_parent():
    # Runs in the child before exec: a test killed by a timeout takes its Xvfb with it.
    try:
        import ctypes
        ctypes.CDLL('libc.so.6', use_errno=True).prctl(1, 15)  # PR_SET_PDEATHSIG, SIGTERM
    except OSError:
        pass


class Display:
    """An Xvfb server on a free display number (chosen by Xvfb itself)."""

    def __init__(self):
        # The screen memory is also kept as an XWD file: the only faithful picture of a window
        # that lies over another (see Prefix.screenshot).
        self.fbdir = tempfile.mkdtemp(prefix='pv-xvfb-')
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ['Xvfb', '-displayfd', str(w), '-screen', '0', '1024x768x24', '-nolisten', 'tcp',
             '-fbdir', self.fbdir],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(w)
        data = b''
        with os.fdopen(r, 'rb') as f:
            while not data.endswith(b'\n'):
                chunk = f.read(1)
                if not chunk:
                    break
                data += chunk
        if not data.strip():
            self.proc.kill()
            raise RuntimeError('Xvfb did not start')
        self.name = ':' + data.decode().strip()

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        shutil.rmtree(self.fbdir, ignore_errors=True)


def _run(cmd, env, timeout=300, check=True):
    # Output goes through files, not pipes: Wine's background processes (services, explorer)
    # inherit the descriptors and would keep a pipe open long after the command ended.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(cmd, env=env, stdout=out, stderr=err, timeout=timeout).returncode
        out.seek(0)
        err.seek(0)
        res = subprocess.CompletedProcess(cmd, code, out.read(), err.read())
    if check and res.returncode != 0:
        raise RuntimeError('%s failed (%d): %s' % (' '.join(cmd), res.returncode,
                                                   res.stderr.decode(errors='replace')[-2000:]))
    return res


# Bump when the template's recipe changes: the marker holds the Wine version and this, so a
# template made by an older recipe is made again.
TEMPLATE_RECIPE = 2
# Wine's own Tahoma (Debian's fonts-wine). Debian's Wine looks for it at a path that does not
# resolve, so the template carries copies in its Fonts folder; without them the label falls back
# to another face with other metrics.
WINE_FONTS_DIR = '/usr/share/wine/fonts'
TEMPLATE_FONTS = ('tahoma.ttf', 'tahomabd.ttf')


def _template_stamp():
    return '%s recipe %d' % (wine_version(), TEMPLATE_RECIPE)


def ensure_template():
    """Makes build/wine-template when it is missing or was made by another Wine version or recipe.
    Safe to call from parallel tests (file lock); returns its path."""
    stamp = _template_stamp()
    marker = os.path.join(TEMPLATE, '.pv-wine-version')
    os.makedirs(os.path.dirname(TEMPLATE), exist_ok=True)
    with open(TEMPLATE + '.lock', 'w') as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            with open(marker) as f:
                if f.read().strip() == stamp:
                    return TEMPLATE
        except OSError:
            pass
        _make_template(stamp)
    return TEMPLATE


def _install_fonts(prefix):
    fonts = os.path.join(prefix, 'drive_c', 'windows', 'Fonts')
    os.makedirs(fonts, exist_ok=True)
    for name in TEMPLATE_FONTS:
        src = os.path.join(WINE_FONTS_DIR, name)
        if not os.path.exists(src):
            raise RuntimeError('%s is missing: install Debian\'s fonts-wine '
                               '(scripts/bootstrap.sh does)' % src)
        shutil.copy2(src, os.path.join(fonts, name))


def _probe_fonts(env):
    """Fails unless a Tahoma -11 font resolves to the face Tahoma, regular and bold."""
    probe = build_file('tools', 'fontprobe.exe')
    if not os.path.exists(probe):
        raise RuntimeError('%s is missing: build its preset first' % probe)
    out = _run([_loader_for_file(probe), probe], env, timeout=120).stdout.decode(errors='replace').replace('\r', '')
    faces = dict(line.split(' ', 2)[1:] for line in out.splitlines() if line.startswith('face '))
    if faces.get('400') != 'Tahoma' or faces.get('700') != 'Tahoma':
        raise RuntimeError('the Wine template has no Tahoma: a Tahoma -11 font resolves to %r '
                           '(regular) and %r (bold); the label would be laid out in another '
                           'face' % (faces.get('400'), faces.get('700')))


def _make_template(stamp):
    staging = TEMPLATE + '.new'
    shutil.rmtree(staging, ignore_errors=True)
    display = Display()
    env = dict(os.environ, WINEPREFIX=staging, DISPLAY=display.name, **_BASE_ENV)
    try:
        _run([WINE64, 'wineboot', '-i'], env, timeout=300)
        _run(['wineserver', '-w'], env, timeout=300)
        _run([WINE64, 'reg', 'add', r'HKCU\Software\Wine', '/v', 'Version', '/d', 'win10', '/f'],
             env)
        _run(['wineserver', '-w'], env)
        _install_fonts(staging)
        _probe_fonts(env)
        _run(['wineserver', '-w'], env)
    finally:
        _run(['wineserver', '-k'], env, check=False)
        display.close()
    # Profile folders that Wine links to $HOME become real folders, so nothing a test writes
    # leaves the prefix.
    users = os.path.join(staging, 'drive_c', 'users')
    for user in os.listdir(users):
        home = os.path.join(users, user)
        for entry in os.listdir(home):
            path = os.path.join(home, entry)
            if os.path.islink(path):
                os.unlink(path)
                os.mkdir(path)
    with open(os.path.join(staging, '.pv-wine-version'), 'w') as f:
        f.write(stamp + '\n')
    shutil.rmtree(TEMPLATE, ignore_errors=True)
    os.rename(staging, TEMPLATE)


def _copy_prefix(src, dst):
    def copy(s, d):
        rel = os.path.relpath(s, src)
        if rel.startswith(_SHARED_DIRS) and _SHARED_EXT.search(s):
            os.link(s, d)
        else:
            shutil.copy2(s, d)
    shutil.copytree(src, dst, symlinks=True, copy_function=copy)


def _remove_stale_prefixes(hours=3):
    """Prefixes left by killed test runs (live ones are minutes old)."""
    limit = time.time() - hours * 3600
    for entry in os.listdir(PREFIXES):
        path = os.path.join(PREFIXES, entry)
        try:
            if os.path.getmtime(path) < limit:
                shutil.rmtree(path, ignore_errors=True)
        except OSError:
            pass


class Prefix:
    """A fresh Wine prefix seeded with `machine` (a tools/sample Machine, or None), with its own
    Xvfb display. Use as a context manager. Attributes: path (prefix folder), display (':N'),
    env (environment for wine), today (date the machine was built for), build_dir (the build whose
    exe and tools it runs: default the one the tier drives)."""

    def __init__(self, machine=None, name=None, build_dir=None):
        self.machine = machine
        self.build_dir = build_dir or BUILD_DIR
        self.name = re.sub(r'[^A-Za-z0-9_.-]', '_', name or 'px')
        self.path = None
        self.display = None
        self._xvfb = None
        self.today = getattr(machine, 'today', None) or _dt.date.today()
        self.timings = {}

    # ----- lifetime -------------------------------------------------------------------------
    def __enter__(self):
        t0 = time.monotonic()
        ensure_template()
        os.makedirs(PREFIXES, exist_ok=True)
        _remove_stale_prefixes()
        self.path = tempfile.mkdtemp(prefix=self.name + '-', dir=PREFIXES)
        os.rmdir(self.path)
        try:
            _copy_prefix(TEMPLATE, self.path)
            # A machine's changes to the prefix itself (drives, registry files) land before any
            # Wine process starts: Wine's services read them once, when they start.
            for setup in getattr(self.machine, 'before_start', ()):
                setup(self)
            self._xvfb = Display()
            self.display = self._xvfb.name
            self.env = dict(os.environ, WINEPREFIX=self.path, DISPLAY=self.display, **_BASE_ENV)
            # Stays up between commands; ends by itself a minute after a killed test.
            _run(['wineserver', '-p60'], self.env)
            self.timings['prefix_s'] = round(time.monotonic() - t0, 2)
            if self.machine is not None:
                t1 = time.monotonic()
                self.machine.apply(self)
                self.timings['machine_s'] = round(time.monotonic() - t1, 2)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        if self.path and os.path.isdir(self.path):
            _run(['wineserver', '-k'], self.env if self.display else
                 dict(os.environ, WINEPREFIX=self.path), check=False)
        if self._xvfb:
            self._xvfb.close()
            self._xvfb = None
        if self.path and not os.environ.get('PV_KEEP_PREFIX'):
            shutil.rmtree(self.path, ignore_errors=True)
        return False

    # ----- paths ----------------------------------------------------------------------------
    def build_file(self, *parts):
        """A file of the build this prefix runs (default: the one the tier drives)."""
        return os.path.join(self.build_dir, *parts)

    def unix_path(self, winpath):
        """The Unix path of a Windows path in this prefix (C:\\ -> drive_c, Z:\\ -> /). Existing
        components are matched ignoring case, as Windows does; %VARS% expand (see machine.py)."""
        winpath = _machine.expand(winpath).replace('/', '\\')
        mo = re.match(r'^([A-Za-z]):\\?(.*)$', winpath)
        if not mo:
            raise ValueError('not an absolute Windows path: %r' % winpath)
        drive, rest = mo.group(1).lower(), mo.group(2)
        if drive == 'z':
            base = '/'
        elif drive == 'c':
            base = os.path.join(self.path, 'drive_c')
        else:
            base = os.path.realpath(os.path.join(self.path, 'dosdevices', drive + ':'))
        for part in [p for p in rest.split('\\') if p]:
            candidate = os.path.join(base, part)
            if not os.path.lexists(candidate) and os.path.isdir(base):
                lower = part.lower()
                for entry in os.listdir(base):
                    if entry.lower() == lower:
                        candidate = os.path.join(base, entry)
                        break
            base = candidate
        return base

    def win_path(self, unixpath):
        """The Windows path of a Unix path (C:\\... inside drive_c, else Z:\\...)."""
        unixpath = os.path.abspath(unixpath)
        drive_c = os.path.join(self.path, 'drive_c')
        if unixpath == drive_c or unixpath.startswith(drive_c + os.sep):
            return 'C:\\' + os.path.relpath(unixpath, drive_c).replace('/', '\\').lstrip('.')
        return 'Z:' + unixpath.replace('/', '\\')

    def archive_path(self, date=None):
        """Unix path of Desktop\\pv_info_<yyyymmdd>_i.zip (default: today's local date)."""
        date = date or _dt.date.today()
        return self.unix_path(_machine.DESKTOP + '\\pv_info_%s_i.zip' % date.strftime('%Y%m%d'))

    def log_folder(self):
        """Unix path of the product's per-user log folder (the tool's reports go here)."""
        return self.unix_path(_machine.LOG_FOLDER)

    def temp_folder(self):
        """Unix path of the user's temporary folder as the tool sees it."""
        return self.unix_path(self.wine(['cmd', '/c', 'echo %TEMP%']).stdout.decode().strip())

    # ----- running --------------------------------------------------------------------------
    def command(self, args):
        """The Unix command line that starts ARGS in this prefix: a program of ours (a Windows or
        Unix path to a PE file) through Wine's loader for its architecture, the prefix's own
        programs (cmd, reg, ...) through the 64-bit loader. Every start in the tests goes here."""
        program = args[0]
        if re.match(r'^[A-Za-z]:\\', program):
            unix = self.unix_path(program)
        elif program.startswith('/'):
            unix = program
        else:
            unix = None
        loader = _loader_for_file(unix) if unix and os.path.isfile(unix) else WINE64
        return [loader] + list(args)

    def wine(self, args, check=True, timeout=300):
        """Runs ARGS in this prefix (see command) and waits; returns the CompletedProcess (bytes
        output)."""
        return _run(self.command(args), self.env, timeout=timeout, check=check)

    def spawn(self, args, **popen_args):
        """Starts ARGS in this prefix (see command) without waiting; returns the Popen. Output
        goes to /dev/null unless popen_args say otherwise."""
        popen_args.setdefault('stdout', subprocess.DEVNULL)
        popen_args.setdefault('stderr', subprocess.DEVNULL)
        return subprocess.Popen(self.command(args), env=self.env, **popen_args)

    def install(self, unix_src, winfolder, name=None):
        """Copies a Unix file into a Windows folder of the prefix; returns its Windows path."""
        winpath = winfolder.rstrip('\\') + '\\' + (name or os.path.basename(unix_src))
        dst = self.unix_path(winpath)
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        if os.path.lexists(dst):
            os.unlink(dst)
        shutil.copy2(unix_src, dst)
        return winpath

    def install_tool(self, folder=None):
        """Copies the built PlenviaHelper.exe into `folder` (default: the user's Downloads)."""
        return self.install(self.build_file(TOOL_EXE), folder or _machine.DOWNLOADS)

    def install_sorrel(self, folder):
        """Copies the Sorrel.exe test double into `folder`; it appends each command line it gets
        to sorrel-calls.txt beside itself. Returns its Windows path."""
        return self.install(self.build_file('tools', 'Sorrel.exe'), folder)

    def driver_actions(self):
        """Names of the actions the built UI driver knows (others add actions over time)."""
        driver = self.install(self.build_file('tools', 'uidriver.exe'), r'C:\windows\temp',
                              'pv-uidriver.exe')
        return json.loads(self.wine([driver, '--list']).stdout.decode().strip().splitlines()[-1])

    def screenshot(self, name, framebuffer=False):
        """Saves the whole display as out/screenshots/<name>.png; returns the path.

        framebuffer=True reads Xvfb's screen memory instead of asking the server (xwd -root):
        under Wine + Xvfb a window over another (the message box) reads back black through xwd,
        though painted. The screen memory also shows the mouse pointer, which xwd leaves out.
        """
        folder = os.path.join(OUT_DIR, 'screenshots')
        os.makedirs(folder, exist_ok=True)
        png = os.path.join(folder, name + '.png')
        screen = os.path.join(self._xvfb.fbdir, 'Xvfb_screen0') if self._xvfb else ''
        if framebuffer and os.path.exists(screen):
            subprocess.run(['/usr/bin/convert', 'xwd:' + screen, png], check=True)
            return png
        xwd = subprocess.run(['xwd', '-root', '-silent', '-display', self.display],
                             capture_output=True, check=True)
        subprocess.run(['/usr/bin/convert', 'xwd:-', png], input=xwd.stdout, check=True)
        return png

    def run_tool(self, press=True, close_mid_job=None, hold_job_ms=None, exe=None, exe_dir=None,
                 cwd=None, actions=(), on_window=None, on_message=None, screenshot=None,
                 message_screenshot=None, timeout=120, check=True, driver=None,
                 on_signal=None):
        """Runs the exe through the UI driver and returns its JSON report as a dict.

        press=True: click btnSave, sample lblWaiting/btnSave, read the "Completed" message,
          press OK, wait for the exit. Keys: window{caption, client[w,h], style, controls[{class,
          text, id, visible, enabled, rect[l,t,w,h]}]}, frames, frame_ms,
          button_disabled_during_job, label_shown_during_job, message{caption, text,
          owned_by_window}, press_to_message_ms, exit_code, process_ended, ok, errors,
          pointer_at_start[x,y] (the driver parks the pointer at the screen's corner before it
          starts the tool, so nothing is drawn hovered unless an action moves it).
        press=False: only the window is reported; then it is closed (WM_CLOSE).
        press='double-press': as press=True with two clicks posted at once.
        close_mid_job=MS: press, close the window MS ms later; keys message_box_seen,
          process_ended, close_to_exit_ms.
        hold_job_ms=MS: threads the tool starts after the press stay suspended for MS ms (until
          the window is gone with close_mid_job), so the job is seen running however short it is.
        exe / exe_dir: the tool's Windows path, or a folder to copy it into (default Downloads).
        actions: extra driver actions run before the press, e.g. ['click', '150', '40'].
        on_window(px) / on_message(px): called while the window, resp. the message, is shown.
        screenshot / message_screenshot: names of PNGs taken at those moments (out/screenshots).
        check: raise AssertionError when the driver reports a failure.
        driver: Unix path of the UI driver to use (default: the one of this prefix's build).
        on_signal: {NAME: func(px)} called when a 'wait-signal NAME' action is reached.
        """
        if exe is None:
            exe = self.install_tool(exe_dir)
        driver = self.install(driver or self.build_file('tools', 'uidriver.exe'),
                              r'C:\windows\temp', 'pv-uidriver.exe')
        signals = tempfile.mkdtemp(prefix='signals-', dir=self.path)
        pauses = {}
        if on_window or screenshot or not press:
            pauses['ready'] = (on_window, screenshot)
        if on_message or message_screenshot:
            pauses['message'] = (on_message, message_screenshot)
        cmd = [driver, '--timeout', str(timeout), '--signal-dir', self.win_path(signals)]
        for stage in pauses:
            cmd += ['--pause-at', stage]
        for stage, func in (on_signal or {}).items():
            pauses[stage] = (func, None)
        if hold_job_ms:
            cmd += ['--hold-job', str(int(hold_job_ms))]
        if cwd:
            cmd += ['--cwd', cwd]
        cmd.append(exe)
        cmd += list(actions)
        if close_mid_job is not None:
            cmd += ['close-mid-job', str(int(close_mid_job))]
        elif press:
            cmd.append(press if isinstance(press, str) else 'press')
        else:
            cmd.append('close')
        out_file = tempfile.TemporaryFile()
        err_file = tempfile.TemporaryFile()
        proc = self.spawn(cmd, stdout=out_file, stderr=err_file)
        deadline = time.monotonic() + timeout * 3 + 60
        callback_error = None
        try:
            while proc.poll() is None:
                for stage in list(pauses):
                    if os.path.exists(os.path.join(signals, stage + '.reached')):
                        func, shot = pauses.pop(stage)
                        try:
                            if shot:
                                time.sleep(0.7)  # the window is up; let it finish painting
                                self.screenshot(shot, framebuffer=(stage == 'message'))
                            if func:
                                func(self)
                        except BaseException as e:  # still let the tool end
                            callback_error = callback_error or e
                        open(os.path.join(signals, stage + '.go'), 'w').close()
                if time.monotonic() > deadline:
                    proc.kill()
                    raise AssertionError('UI driver did not finish: %s' % ' '.join(cmd))
                time.sleep(0.02)
            out_file.seek(0)
            err_file.seek(0)
            out, err = out_file.read(), err_file.read()
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            out_file.close()
            err_file.close()
            shutil.rmtree(signals, ignore_errors=True)
        text = out.decode('utf-8', errors='replace')
        try:
            result = json.loads(text.strip().splitlines()[-1])
        except (ValueError, IndexError):
            raise AssertionError('UI driver printed no JSON (exit %d): %s %s'
                                 % (proc.returncode, text, err.decode(errors='replace')))
        if callback_error is not None:
            raise callback_error
        if check and not result.get('ok'):
            raise AssertionError('UI driver reported a failure: %s' % json.dumps(result))
        return result


class FileHolder:
    """tools/fileholder in a prefix: another process that keeps a file open for writing with the
    given share mode ('read', 'write', ...) after appending `text`, until close()."""

    def __init__(self, px, winpath, share, text):
        self.px = px
        tool = px.install(px.build_file('tools', 'fileholder.exe'), r'C:\windows\temp')
        tag = '%08x' % random.getrandbits(32)
        ready = r'C:\windows\temp\hold-%s.ready' % tag
        self.release = r'C:\windows\temp\hold-%s.release' % tag
        self.proc = px.spawn([tool, winpath, share, text, ready, self.release])
        for _ in range(600):
            if os.path.exists(px.unix_path(ready)):
                return
            if self.proc.poll() is not None:
                break
            time.sleep(0.05)
        self.close()
        raise AssertionError('file holder did not start (exit %s)' % self.proc.returncode)

    def close(self):
        open(self.px.unix_path(self.release), 'w').close()
        try:
            self.proc.wait(60)
        except subprocess.TimeoutExpired:
            self.proc.kill()


# ----- reading results -------------------------------------------------------------------------
def read_report(path):
    """A report file's text: checks the FF FE byte-order mark and decodes UTF-16LE (line ends
    stay CR LF)."""
    with open(path, 'rb') as f:
        data = f.read()
    if not data.startswith(b'\xff\xfe'):
        raise AssertionError('%s does not start with the UTF-16LE byte-order mark' % path)
    return data[2:].decode('utf-16-le')


def job_folders(folder):
    """Names of the report job's private folders (PvReportJob.*) in a Unix folder, sorted."""
    return sorted(n for n in os.listdir(folder) if n.lower().startswith('pvreportjob.'))


def archive_members(path):
    """Member names of a ZIP archive in their stored order, exactly as stored."""
    with zipfile.ZipFile(path) as z:
        return [info.filename for info in z.infolist()]


def archive_read(path, member):
    """The bytes of one member (the first of that name)."""
    with zipfile.ZipFile(path) as z:
        for info in z.infolist():
            if info.filename == member:
                return z.read(info)
    raise KeyError(member)


def control(result, cls=None, text=None):
    """The first control of run_tool(...)['window'] with this class (case-insensitive) and
    text; None when there is none."""
    for c in result.get('window', {}).get('controls', []):
        if (cls is None or c['class'].lower() == cls.lower()) and (text is None or c['text'] == text):
            return c
    return None
