#!/usr/bin/env bash
# Installs every Debian package the builds and both test tiers need. Idempotent: silent when all
# are present; otherwise adds the i386 architecture (for wine32), updates the lists and installs.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev libgmock-dev zlib1g-dev
  mingw-w64 libz-mingw-w64-dev
  wine wine32:i386 wine64 xvfb x11-apps imagemagick
  python3 unzip zip p7zip-full
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "bootstrap: installing ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
