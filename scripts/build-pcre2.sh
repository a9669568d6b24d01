#!/usr/bin/env bash
# Builds PCRE2, the version Debian 12 ships (cmake/ProductFacts.cmake), as a static library for
# each cross toolchain (8-bit, Unicode; JIT where the target has one), because Debian has no
# mingw-w64 or WebAssembly build of it. The source comes from Debian's own source package,
# fetched with a private apt configuration so that the machine's apt sources stay untouched.
# Idempotent: a prefix already built of that version is left alone.
#   scripts/build-pcre2.sh windows    both Windows toolchains (install-deps.sh --windows runs it)
#   scripts/build-pcre2.sh web        WebAssembly, without JIT (install-deps.sh --web runs it)
# Result: .cache/pcre2/{i686,x86_64,wasm32}/{include,lib,LICENCE}, where the build looks for it.
set -euo pipefail
cd "$(dirname "$0")/.."
while IFS== read -r name value; do declare "$name=$value"; done < <(cmake -P cmake/ProductFacts.cmake)
version=$SUMVANE_PCRE2_VERSION
debian_version=$SUMVANE_PCRE2_DEBIAN_VERSION
cache="$PWD/.cache"
root="$cache/pcre2"

case "${1:-}" in
  windows) arches=(i686 x86_64) ;;
  web) arches=(wasm32) ;;
  *) echo "usage: $0 windows|web" >&2; exit 2 ;;
esac

built() { [[ "$(cat "$root/$1/.built" 2>/dev/null)" == "$version" && -f "$root/$1/LICENCE" ]]; }
wanted=()
for arch in "${arches[@]}"; do built "$arch" || wanted+=("$arch"); done
[[ ${#wanted[@]} -gt 0 ]] || exit 0

# --- the source, once
source_dir="$cache/pcre2-src/pcre2-$version"
if [[ ! -f "$source_dir/CMakeLists.txt" ]]; then
  source scripts/private-apt.sh
  apt_dir="$cache/apt-pcre2"
  private_apt "$apt_dir" amd64 "deb-src bookworm main"
  mkdir -p "$apt_dir/download"
  echo "Fetching Debian's pcre2 $debian_version source from $private_archive" >&2
  apt-get "${apt_options[@]}" update -qq
  (cd "$apt_dir/download" && apt-get "${apt_options[@]}" source --download-only -qq "pcre2=$debian_version")
  mkdir -p "$cache/pcre2-src"
  tar -xzf "$apt_dir/download/pcre2_$version.orig.tar.gz" -C "$cache/pcre2-src"
  rm -rf "$apt_dir"
fi

# --- one static build per toolchain
for arch in "${wanted[@]}"; do
  if [[ "$arch" == wasm32 ]]; then
    # WebAssembly has no JIT: the interpreter matches, as the possessive pattern allows on text
    # of any length.
    toolchain=wasm32-wasi jit=OFF
  else
    toolchain=mingw-$arch jit=ON
  fi
  echo "Building PCRE2 $version for $toolchain" >&2
  build_dir="$cache/pcre2-build/$arch"
  rm -rf "$build_dir" "$root/$arch"
  cmake -S "$source_dir" -B "$build_dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/$toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$root/$arch" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON \
    -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF \
    -DPCRE2_SUPPORT_UNICODE=ON -DPCRE2_SUPPORT_JIT=$jit \
    -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build_dir" >/dev/null
  cmake --install "$build_dir" >/dev/null
  # Its BSD licence travels with every program that links it.
  cp "$source_dir/LICENCE" "$root/$arch/LICENCE"
  rm -rf "$build_dir"
  echo "$version" >"$root/$arch/.built"
done
