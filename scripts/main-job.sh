#!/usr/bin/env bash
# The main job: build the tool, make a sample machine under Wine, run the tool and press its
# button like a user. Leaves out/window.png (before the press), out/completed.png (the
# completion message), the archive (once the job packs one) and prints the UI driver's JSON.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "${PV_JOBS:-2}" >/dev/null
exec env PV_BUILD_DIR="$(pwd)/build/win32" python3 scripts/main_job.py "$@"
