#!/usr/bin/env bash
# Installs every Debian package the builds and both test tiers need. Idempotent: silent when all
# are present; otherwise adds the i386 architecture (for wine32), updates the lists and installs.
#
# A mirror in the middle of a sync can serve an index of the wrong size, or newer amd64 than i386
# versions of a multi-arch package (the security suite ahead of the main suite). Then this run
# alone installs from a temporary copy of the sources without the suites at fault, with lists of
# its own; the machine's own sources files are never edited.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev libgmock-dev zlib1g-dev
  mingw-w64 libz-mingw-w64-dev
  wine wine32:i386 wine64 fonts-wine xvfb x11-apps imagemagick
  python3 unzip zip p7zip-full
  clang libclang-rt-14-dev
  libzip-dev chromium
  emscripten
)
# The pvtriage page's build runs `npm ci` (inside build/web only). A node that brings its own npm
# conflicts with Debian's npm package, so that is installed only when no npm is found.
command -v npm >/dev/null 2>&1 || packages+=(npm)

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
apt_opts=()

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$p")
done
# PV_BOOTSTRAP_FORCE=1 goes through the list update and install checks even when nothing is
# missing (to see what the bootstrap does against a given APT_CONFIG).
[[ ${PV_BOOTSTRAP_FORCE:-} == 1 ]] && missing=("${packages[@]}")
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi

work=$(mktemp -d)
chmod 755 "$work" # apt's download user reads the temporary lists
trap 'rm -rf "$work"' EXIT

# update LOG [apt options...]: one list update; fails when apt fails or reports an index error.
update() {
  local log=$1; shift
  "${sudo[@]}" apt-get "$@" update -qq >"$log" 2>&1 || return 1
  ! grep -qE '^(E:|W: Failed to fetch|W: Some index files failed)' "$log"
}

# simulate [apt options...]: succeeds when the missing packages can be installed together.
simulate() {
  "${sudo[@]}" apt-get "$@" install -s -qq --no-install-recommends "${missing[@]}" \
    >"$work/simulate.log" 2>&1
}

# Suites named in the errors of a log: "Failed to fetch .../dists/<suite>/..." and
# "The repository '<uri> <suite> Release' does not have a Release file".
failed_suites() {
  {
    grep -oE 'Failed to fetch [^ ]*/dists/[^/ ]+/' "$1" | sed -E 's|.*/dists/([^/]+)/|\1|' || true
    grep -oE "repository '[^ ]+ [^ ]+ Release'" "$1" | awk '{print $3}' || true
  } | sort -u
}

# The "*-security" suites named in the given sources files.
security_suites() {
  grep -hE '^[[:space:]]*(deb|Suites:)' "$@" 2>/dev/null | tr ' ' '\n' |
    grep -E '^[a-z0-9]+-security$' | sort -u || true
}

# write_sources DIR SUITE...: copies the machine's enabled sources into DIR without the suites.
# One-line lists lose each line naming a suite; deb822 files lose the suites from their
# "Suites:" field and drop a stanza left with none.
write_sources() {
  local dir=$1; shift
  local drop=" $* "
  mkdir -p "$dir/parts" "$dir/lists/partial"
  : >"$dir/sources.list"
  local f
  for f in "$source_list" "$source_parts"/*.list; do
    [[ -f $f ]] || continue
    awk -v drop="$drop" '
      /^[[:space:]]*deb/ { for (i = 1; i <= NF; i++) if (index(drop, " " $i " ")) next }
      { print }' "$f" >>"$dir/sources.list"
  done
  for f in "$source_parts"/*.sources; do
    [[ -f $f ]] || continue
    awk -v drop="$drop" '
      function flush() {
        if (stanza != "" && keep) printf "%s\n", stanza
        stanza = ""; keep = 1
      }
      BEGIN { keep = 1 }
      /^[[:space:]]*$/ { flush(); next }
      /^Suites:/ {
        line = "Suites:"; n = 0
        for (i = 2; i <= NF; i++) if (!index(drop, " " $i " ")) { line = line " " $i; n++ }
        if (n == 0) keep = 0
        stanza = stanza line "\n"; next
      }
      { stanza = stanza $0 "\n" }
      END { flush() }' "$f" >"$dir/parts/$(basename "$f")"
  done
}

# The sources apt reads (APT_CONFIG may point elsewhere than /etc/apt).
source_list=/etc/apt/sources.list
source_parts=/etc/apt/sources.list.d
eval "$(apt-config shell source_list Dir::Etc::sourcelist/f source_parts Dir::Etc::sourceparts/d)"
source_parts=${source_parts%/}

ok=0
for attempt in 1 2 3; do
  if update "$work/update.log"; then ok=1; break; fi
  echo "bootstrap: list update failed (attempt $attempt of 3)"
  [[ $attempt -lt 3 ]] && sleep $((attempt * 5))
done

if [[ $ok -eq 1 ]] && simulate; then
  :
else
  drop=()
  if [[ $ok -eq 0 ]]; then
    mapfile -t drop < <(failed_suites "$work/update.log")
    echo "bootstrap: indexes that failed: ${drop[*]:-(none named)}"
    grep -E '^E:' "$work/update.log" | head -n 3 | sed 's/^/bootstrap:   /'
  else
    echo "bootstrap: the i386 and amd64 versions of some packages do not match:"
    grep -E 'Depends:|Breaks:|unmet' "$work/simulate.log" | head -n 5 | sed 's/^/bootstrap:   /'
  fi
  # Without a named culprit the security suite is the one that runs ahead of the main suite.
  if [[ ${#drop[@]} -eq 0 ]]; then
    mapfile -t drop < <(security_suites "$source_list" "$source_parts"/*.list \
      "$source_parts"/*.sources)
  fi
  apt_opts=(-o "Dir::Etc::sourcelist=$work/apt/sources.list"
    -o "Dir::Etc::sourceparts=$work/apt/parts"
    -o "Dir::State::Lists=$work/apt/lists")
  # Each round leaves out what failed so far; a suite can only show its fault once the one
  # before it is gone (apt stops at a missing release file before it fetches any index).
  placed=0
  for round in 1 2 3; do
    echo "bootstrap: installing this once from a temporary sources list without: ${drop[*]}"
    rm -rf "$work/apt"
    write_sources "$work/apt" "${drop[@]}"
    if update "$work/update2.log" "${apt_opts[@]}"; then
      if simulate "${apt_opts[@]}"; then placed=1; break; fi
      more=$(security_suites "$work/apt/sources.list" "$work/apt/parts"/*)
    else
      more=$(failed_suites "$work/update2.log")
    fi
    [[ -n $more ]] || break
    mapfile -t -O "${#drop[@]}" drop <<<"$more"
  done
  if [[ $placed -ne 1 ]]; then
    cat "$work/update2.log" "$work/simulate.log" 2>/dev/null | grep -E '^(E:|W:)|unmet' | head -n 20
    echo "bootstrap: the packages cannot be installed from the temporary sources list either"
    exit 1
  fi
fi
"${sudo[@]}" apt-get "${apt_opts[@]}" install -y -qq --no-install-recommends "${missing[@]}"
