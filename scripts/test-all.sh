#!/usr/bin/env bash
# The test command: bootstrap, build the presets host, host-asan, win32 (and win64 where the Wine
# tier needs it), run every tier (native unit tests in host and host-asan, the shipped exe's static
# checks, the Wine tests), print a summary.
# Exits non-zero when any build or test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${PV_JOBS:-2}

bash scripts/bootstrap.sh || { echo "bootstrap failed"; exit 1; }

declare -a summary=()
failed=0
total_passed=0
total_failed=0
start_all=$SECONDS

note() { summary+=("$(printf '%-28s %-5s %s' "$1" "$2" "$3")"); }

# step NAME COMMAND...: runs it with its output in build/logs/NAME.log (shown on failure).
step() {
  local name=$1; shift
  local log="$ROOT/build/logs/$name.log" t0=$SECONDS
  mkdir -p "$ROOT/build/logs"
  echo "== $name"
  if "$@" >"$log" 2>&1; then
    note "$name" ok "$((SECONDS - t0)) s"
    return 0
  fi
  tail -n 60 "$log"
  note "$name" FAIL "$((SECONDS - t0)) s, log: build/logs/$name.log"
  failed=1
  return 1
}

# tests NAME PRESET [ctest args]: runs ctest and records its counts.
tests() {
  local name=$1 preset=$2; shift 2
  local log="$ROOT/build/logs/$name.log" t0=$SECONDS
  mkdir -p "$ROOT/build/logs"
  echo "== $name"
  ctest --preset "$preset" -j "$JOBS" --no-tests=error "$@" >"$log" 2>&1
  local rc=$?
  local counts
  counts=$(grep -E 'tests passed|tests failed' "$log" | tail -n 1)
  # "N% tests passed, F tests failed out of T" feeds the closing totals.
  if [[ $counts =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    total_failed=$((total_failed + BASH_REMATCH[1]))
    total_passed=$((total_passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
  if [[ $rc -eq 0 ]]; then
    note "$name" ok "$counts ($((SECONDS - t0)) s)"
  else
    grep -E '^\s*[0-9]+ - |Failed|\*\*\*' "$log" | tail -n 40
    note "$name" FAIL "$counts ($((SECONDS - t0)) s, log: build/logs/$name.log)"
    failed=1
  fi
}

for preset in host host-asan; do
  if step "build-$preset" bash -c "cmake --preset $preset && cmake --build --preset $preset -j $JOBS"; then
    tests "test-$preset" "$preset" -LE wine
  fi
done

# The shipped exe is the i686 build: built every time, with its static checks. The Wine tier drives
# it where this machine runs 32-bit code natively, else the x86_64 build of the same source
# (tests/wine/harness.py, choose_vehicle). Where both can run, a test compares their archives.
harness_py() {
  python3 -c "import sys; sys.path.insert(0, 'tests/wine'); import harness; $1"
}
vehicle=$(harness_py "v = harness.choose_vehicle(); print(v['preset']); print(v['why'])")
wine_preset=$(sed -n 1p <<<"$vehicle")
wine_why=$(sed -n 2p <<<"$vehicle")
echo "== wine tier drives build/$wine_preset: $wine_why"
compare=(-DPV_COMPARE_WITH=)
[[ $wine_preset == win32 ]] && compare=(-DPV_COMPARE_WITH="$ROOT/build/win64")

export PV_BUILD_DIR="$ROOT/build/$wine_preset" # the build the harness (and its template) uses
win64_ok=0
if step build-win64 bash -c "cmake --preset win64 && cmake --build --preset win64 -j $JOBS"; then
  win64_ok=1
  tests test-win64-static win64 -L static
fi
if step build-win32 bash -c "cmake --preset win32 ${compare[*]} && cmake --build --preset win32 -j $JOBS"; then
  tests test-win32-static win32 -L static
  if [[ $wine_preset == win32 || $win64_ok == 1 ]] &&
    step wine-template harness_py "harness.ensure_template()"; then
    tests test-wine "$wine_preset" -L wine
    note "  wine tier" "" "drove build/$wine_preset: $wine_why"
    if [[ $wine_preset == win64 ]]; then
      note "  build comparison" "" "not registered: it needs both builds to run under Wine, and here only build/win64 does ($wine_why)"
    fi
    # Wine test files are unittest modules: count their cases and skips too.
    last=build/$wine_preset/Testing/Temporary/LastTest.log
    if [[ -f $last ]]; then
      ran=$(grep -Eo '^Ran [0-9]+ test' "$last" | awk '{s+=$2} END {print s+0}')
      skipped=$(grep -Eo 'skipped=[0-9]+' "$last" | awk -F= '{s+=$2} END {print s+0}')
      note "  wine test cases" "" "$ran run, $skipped skipped"
    fi
  fi
fi

# The pvtriage page: the triage core as WebAssembly, and its browser test in headless Chromium
# against build/host's pvtriage on the same archives.
if step build-web bash -c "cmake --preset web && cmake --build --preset web -j $JOBS"; then
  tests test-web web
fi

echo
echo "== summary ($(( (SECONDS - start_all) / 60 )) min)"
printf '%s\n' "${summary[@]}"
if [[ $failed -ne 0 ]]; then
  echo "FAILED"
  echo "$total_passed passed, $total_failed failed"
  exit 1
fi
echo "ALL PASSED"
echo "$total_passed passed, $total_failed failed"
