#!/usr/bin/env bash
# A release in one command, built from a clean state:
#   scripts/release.sh [DIST]          (default: dist/)
# DIST then holds exactly the two .debs (sumvane, the window; sumvane-lrc, the tool without any
# graphical toolkit), a zip and a per-user installer for each Windows architecture, the web
# edition's page lrc.html, its npm package's tarball and the Node-RED node's
# (sumvane-node-red-VERSION.tgz), and SHA256SUMS over them. The same commit gives the same
# bytes whatever the clone's path, the time, the umask or the locale: every time stamp is the
# last commit's.
# Signing the Windows programs and installers: see scripts/sign-windows.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
dist=$(realpath -m -- "${1:-dist}")

scripts/install-deps.sh --release

export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export TZ=UTC LC_ALL=C.UTF-8 LANGUAGE=
umask 022
while IFS== read -r name value; do declare "$name=$value"; done < <(cmake -P cmake/ProductFacts.cmake)
version=$SUMVANE_VERSION
npm_version=$(cut -d. -f1-3 <<<"$version") # npm's three numbers; the packages' builds refuse a fourth
work=$source/build-release
rm -rf "$work" "$dist"
mkdir -p "$work" "$dist"
started=$SECONDS

configure() { # build folder, extra cmake arguments...
  local build=$1
  shift
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DSUMVANE_BUILD_TESTS=OFF -DSUMVANE_BUILD_BENCH=OFF "$@" >/dev/null
  cmake --build "$build"
}

# Linux: the two .debs.
configure "$work/linux"
(cd "$work/linux" && cpack -G DEB -B "$work/deb" >/dev/null)
cp "$work/deb/sumvane_${version}_amd64.deb" "$work/deb/sumvane-lrc_${version}_amd64.deb" "$dist/"

# Windows: for each architecture the zip, then an installer that holds what the zip holds.
for arch in i686:win32:x86-unicode x86_64:win64:amd64-unicode; do
  IFS=: read -r triple name target <<<"$arch"
  build=$work/$name
  configure "$build" --toolchain "$source/cmake/toolchains/mingw-$triple.cmake"
  scripts/sign-windows.sh "$build/app/sumvane.exe" "$build/cli/sumvane-lrc.exe"
  package=Sumvane-$version-$name
  (cd "$build" && cpack -G ZIP -B "$work/zip-$name" >/dev/null)
  cp "$work/zip-$name/$package.zip" "$dist/"
  unzip -q "$dist/$package.zip" -d "$work/stage-$name"
  makensis -V2 -DVERSION="$version" -DTARGET="$target" -DSTAGE="$work/stage-$name/$package" \
    -DICON="$source/packaging/windows/sumvane.ico" \
    -DHOMEPAGE="$SUMVANE_HOMEPAGE_URL" \
    -DOUTFILE="$dist/$package-setup.exe" packaging/windows/installer.nsi
  scripts/sign-windows.sh "$dist/$package-setup.exe"
done

# The web edition: the page, the npm package and the Node-RED node on it (npm packs with fixed
# time stamps of its own).
configure "$work/web" --toolchain "$source/cmake/toolchains/wasm32-wasi.cmake"
cp "$work/web/web/lrc.html" "$work/web/web/sumvane-$npm_version.tgz" \
  "$work/web/node-red/sumvane-node-red-$npm_version.tgz" "$dist/"

(cd "$dist" && sha256sum -- * >SHA256SUMS && sha256sum --quiet -c SHA256SUMS)
echo "release $version in $dist ($((SECONDS - started)) s):"
(cd "$dist" && ls -l --time-style=+ -- * | awk '{ printf "  %10d  %s\n", $5, $6 }')
