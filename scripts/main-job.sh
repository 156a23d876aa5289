#!/usr/bin/env bash
# The main job: build the tool, make a sample machine under Wine, run the tool and press its
# button like a user. Leaves out/window.png (before the press), out/completed.png (the
# completion message), the archive (once the job packs one) and prints the UI driver's JSON.
# It drives the shipped i686 exe where this machine runs 32-bit code natively, else the x86_64
# build of the same source (tests/wine/harness.py, choose_vehicle); the JSON's "build" says which.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
preset=$(python3 -c "import sys; sys.path.insert(0, 'tests/wine'); import harness
print(harness.choose_vehicle()['preset'])")
for p in $(printf '%s\n' win32 "$preset" | sort -u); do
  cmake --preset "$p" >/dev/null
  cmake --build --preset "$p" -j "${PV_JOBS:-2}" >/dev/null
done
exec env PV_BUILD_DIR="$(pwd)/build/$preset" python3 scripts/main_job.py "$@"
