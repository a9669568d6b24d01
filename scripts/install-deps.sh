#!/usr/bin/env bash
# Installs, from Debian 12's archive, whatever Sumvane needs to build, run and be tested.
# Idempotent: a machine that already has everything is left alone and no network is touched.
#   scripts/install-deps.sh          build + run (compiler, Qt, PCRE2, a CJK font)
#   scripts/install-deps.sh --test   also what the tests and CI use (Xvfb, validators, ...)
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libpcre2-dev
  fonts-wqy-microhei          # the window's captions are Chinese
  fonts-dejavu-core           # the sans-serif whose 13-pixel text height the layout assumes
)
if [[ "${1:-}" == "--test" ]]; then
  packages+=(
    clang libclang-rt-dev        # libFuzzer and the sanitizer runtimes
    xvfb xdotool xclip x11-xserver-utils x11-utils imagemagick
    python3 valgrind
    desktop-file-utils appstream groff-base binutils-mingw-w64-i686 dpkg-dev file
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
