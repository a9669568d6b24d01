#!/usr/bin/env bash
# What an installation and a package hold, checked with the tools a distribution uses.
#   packaging_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
have() { command -v "$1" >/dev/null; }
id=io.sumvane.Sumvane

# --- cmake --install into a staging folder
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
root="$work/root/usr"
for f in bin/sumvane bin/sumvane-lrc \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/256x256/apps/$id.png share/icons/hicolor/scalable/apps/$id.svg \
         share/man/man1/sumvane-lrc.1.gz share/man/man1/sumvane.1.gz \
         share/doc/sumvane/copyright share/doc/sumvane/changelog.gz; do
  [[ -f "$root/$f" ]] || fail "not installed: /usr/$f"
done
[[ -x "$root/bin/sumvane" && -x "$root/bin/sumvane-lrc" ]] || fail "programs not executable"
[[ "$("$root/bin/sumvane-lrc" --field hex "01 A0 7C FF 02")" == E2 ]] || fail "installed sumvane-lrc"
if have identify; then
  [[ "$(identify -format '%wx%h' "$root/share/icons/hicolor/256x256/apps/$id.png")" == 256x256 ]] ||
    fail "icon is not 256x256"
fi
grep -qx "Exec=sumvane" "$root/share/applications/$id.desktop" || fail "desktop entry Exec"
grep -qx "Icon=$id" "$root/share/applications/$id.desktop" || fail "desktop entry Icon"

# --- the validators a distribution runs
if have desktop-file-validate; then
  out=$(desktop-file-validate "$root/share/applications/$id.desktop") || fail "desktop-file-validate: $out"
  grep -q -E 'error|warning' <<<"$out" && fail "desktop-file-validate: $out"
fi
if have appstreamcli; then
  appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" >"$work/as.log" 2>&1 ||
    fail "appstreamcli: $(cat "$work/as.log")"
fi
if have groff; then
  for page in sumvane sumvane-lrc; do
    warnings=$(zcat "$root/share/man/man1/$page.1.gz" | groff -k -man -Tutf8 -ww -z 2>&1)
    [[ -z "$warnings" ]] || fail "man page $page: $warnings"
  done
fi

# --- Windows resources compiled by the mingw resource compiler
if have i686-w64-mingw32-windres; then
  windres=i686-w64-mingw32-windres
  # The host's C preprocessor serves: the script needs no Windows headers.
  $windres --preprocessor=cpp --preprocessor-arg=-DRC_INVOKED \
    "$build/packaging/sumvane.rc" -O res -o "$work/sumvane.res" || fail "windres could not compile"
  $windres -J res -i "$work/sumvane.res" -O rc >"$work/decompiled.rc"
  for want in 'BLOCK "080403A8"' 'VALUE "FileDescription", "Sumvane"' \
              'VALUE "ProductName", "Sumvane"' 'VALUE "FileVersion", "1.0.0.0"' \
              'VALUE "ProductVersion", "1.0.0.0"' 'FILEVERSION 1, 0, 0, 0' \
              'RT_MANIFEST' 'RT_GROUP_ICON' 'LANGUAGE 4, 2'; do
    grep -qF "$want" "$work/decompiled.rc" || fail "resource lacks: $want"
  done
  grep -A1 -F 'VALUE "Translation"' "$work/decompiled.rc" | grep -q -i -E '0x804, *(936|0x3a8)' ||
    fail "resource lacks the translation 0x0804, 936"
  grep -q 'requestedExecutionLevel level="asInvoker"' "$work/decompiled.rc" 2>/dev/null ||
    strings "$work/sumvane.res" | grep -q 'asInvoker' || fail "manifest lacks asInvoker"
else
  echo "note: i686-w64-mingw32-windres not installed; Windows resources not compiled"
fi

# --- the .deb
if have dpkg-deb && have dpkg-shlibdeps; then
  (cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null) || fail "cpack -G DEB"
  deb=$(ls "$work"/deb/*.deb)
  depends=$(dpkg-deb -f "$deb" Depends)
  for want in libqt6widgets6 libpcre2-8-0 fonts-wqy-microhei qt6-qpa-plugins; do
    grep -q "$want" <<<"$depends" || fail ".deb Depends lacks $want: $depends"
  done
  [[ "$(dpkg-deb -f "$deb" Version)" == 1.0.0.0 ]] || fail ".deb version"
  contents=$(dpkg-deb -c "$deb")
  for f in ./usr/bin/sumvane ./usr/bin/sumvane-lrc ./usr/share/applications/$id.desktop; do
    grep -q " $f\$" <<<"$contents" || fail ".deb lacks $f"
  done
  echo "ok: $(basename "$deb"): Depends: $depends"
  # Debian's own policy checker: no error and no warning (informational tags are advice).
  have lintian || fail "lintian is not installed (scripts/install-deps.sh --test installs it)"
  lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$work/lintian.log")"
  echo "ok: lintian: no error, no warning, $(grep -c '^I: ' "$work/lintian.log" || true) informational tags"
  grep '^I: ' "$work/lintian.log" | sed 's/^/  /' || true
fi
echo "ok: installation, validators and resources"
