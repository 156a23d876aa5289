#!/usr/bin/env bash
# The test command: bootstrap, build the presets host, host-asan and win32, run every tier
# (native unit tests in host and host-asan, the Wine tests from win32), print a summary.
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

not_run=0
if step build-win32 bash -c "cmake --preset win32 && cmake --build --preset win32 -j $JOBS"; then
  if step wine-template env PV_BUILD_DIR="$ROOT/build/win32" \
      python3 -c "import sys; sys.path.insert(0, 'tests/wine'); import harness; harness.ensure_template()"; then
    emulated=$(python3 -c "import sys; sys.path.insert(0, 'tests/wine'); import harness
print(int(harness.emulated_32bit()))")
    if [[ $emulated == 1 ]]; then
      # This kernel runs 32-bit programs only through qemu (see bootstrap.sh): every start of
      # the tool costs a minute, so only the short list runs and the rest is counted as not run.
      tests test-wine-emulated win32 -L emulated
      all_cases=$(grep -hcE '^    def test_' tests/wine/test_*.py | awk '{s+=$1} END {print s+0}')
      short=$(grep -cE '^test_' tests/wine/emulated.txt)
      not_run=$((all_cases - short))
      note "  wine tier" "PART" "$short of $all_cases cases ran (tests/wine/emulated.txt): this machine cannot run 32-bit code natively"
    else
      tests test-wine win32 -L wine
    fi
    # Wine test files are unittest modules: count their cases and skips too.
    if [[ -f build/win32/Testing/Temporary/LastTest.log ]]; then
      ran=$(grep -Eo '^Ran [0-9]+ test' build/win32/Testing/Temporary/LastTest.log | awk '{s+=$2} END {print s+0}')
      skipped=$(grep -Eo 'skipped=[0-9]+' build/win32/Testing/Temporary/LastTest.log | awk -F= '{s+=$2} END {print s+0}')
      note "  wine test cases" "" "$ran run, $skipped skipped"
    fi
  fi
fi

echo
echo "== summary ($(( (SECONDS - start_all) / 60 )) min)"
printf '%s\n' "${summary[@]}"
if [[ $failed -ne 0 ]]; then
  echo "FAILED"
  echo "$total_passed passed, $total_failed failed, $not_run skipped"
  exit 1
fi
if [[ $not_run -gt 0 ]]; then
  echo "ALL PASSED that ran; $not_run Wine cases need a machine that runs 32-bit code natively"
else
  echo "ALL PASSED"
fi
echo "$total_passed passed, $total_failed failed, $not_run skipped"
