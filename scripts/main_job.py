"""Runs the tool on the default sample machine through the UI driver (see scripts/main-job.sh)."""
import datetime as dt
import json
import os
import shutil
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, 'tests', 'wine'))

import harness  # noqa: E402
from default_machine import default_machine  # noqa: E402


def main():
    out = harness.OUT_DIR
    os.makedirs(out, exist_ok=True)
    today = dt.date.today()
    vehicle = harness.choose_vehicle()
    exe = harness.build_file(harness.TOOL_EXE)
    build = {'dir': harness.BUILD_DIR, 'arch': harness.peinfo.machine_name(exe),
             'why': vehicle['why']}
    t0 = time.monotonic()
    with harness.Prefix(default_machine(today), name='main-job') as px:
        result = px.run_tool(screenshot='main-window', message_screenshot='main-completed',
                             check=False)
        shots = os.path.join(out, 'screenshots')
        for shot, name in (('main-window', 'window.png'), ('main-completed', 'completed.png')):
            src = os.path.join(shots, shot + '.png')
            if os.path.exists(src):
                shutil.copy2(src, os.path.join(out, name))
        archive = px.archive_path(today)
        if os.path.exists(archive):
            shutil.copy2(archive, os.path.join(out, os.path.basename(archive)))
            result['archive'] = os.path.join(out, os.path.basename(archive))
            result['members'] = len(harness.archive_members(archive))
        else:
            result['archive'] = None
        result['timings'] = px.timings
    result['timings']['template_to_json_s'] = round(time.monotonic() - t0, 1)
    result['build'] = build
    print(json.dumps(result, indent=2, ensure_ascii=False))
    return 0 if result.get('ok') else 1


if __name__ == '__main__':
    sys.exit(main())
