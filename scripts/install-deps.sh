#!/usr/bin/env bash
# Installs, from Debian 12's archive, whatever Sumvane needs to build, run and be tested.
# Idempotent: a machine that already has everything is left alone and no network is touched.
#   scripts/install-deps.sh            build + run (compiler, Qt, PCRE2, a CJK font)
#   scripts/install-deps.sh --test     also what the tests and CI use (Xvfb, validators, ...)
#   scripts/install-deps.sh --windows  also the Windows cross-builds: mingw-w64, Wine, and
#                                      PCRE2 built from Debian's source for both architectures
#   scripts/install-deps.sh --release  also what a release is made with: NSIS for the Windows
#                                      installers, osslsigncode to sign them
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-}"

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libpcre2-dev
  googletest                  # sources only: the build's test tables use them
  fonts-wqy-microhei          # the window's captions are Chinese
  fonts-dejavu-core           # the sans-serif whose 13-pixel text height the layout assumes
)
if [[ "$mode" == "--test" || "$mode" == "--windows" || "$mode" == "--release" ]]; then
  packages+=(
    clang libclang-rt-dev        # libFuzzer and the sanitizer runtimes
    xvfb xdotool xclip x11-xserver-utils x11-utils imagemagick
    python3 valgrind
    python3-pymodbus             # Modbus ASCII frames from a real stack, in modbus_ascii
    at-spi2-core python3-pyatspi gir1.2-atspi-2.0 dbus   # the screen reader's view, in a11y
    desktop-file-utils appstream groff-base binutils-mingw-w64-i686 dpkg-dev file lintian
  )
fi
if [[ "$mode" == "--release" ]]; then
  packages+=(nsis osslsigncode)
fi
if [[ "$mode" == "--windows" || "$mode" == "--release" ]]; then
  packages+=(
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine64 wine32:i386
    zip unzip
    fonts-wine                   # Tahoma, the window font, for the Wine prefix
  )
fi

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "Installing: ${missing[*]}" >&2
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386 # Wine runs 32-bit Windows programs with i386 libraries
  fi
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

[[ "$mode" == "--windows" || "$mode" == "--release" ]] && scripts/build-pcre2-windows.sh
exit 0
