#!/usr/bin/env bash
# What an installation and a package hold, checked with the tools a distribution uses.
#   packaging_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/lib.sh"
product_facts
have() { command -v "$1" >/dev/null; }
id=io.sumvane.Sumvane

# --- cmake --install into a staging folder
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
root="$work/root/usr"
for f in bin/sumvane bin/sumvane-lrc \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/256x256/apps/$id.png share/icons/hicolor/scalable/apps/$id.svg \
         share/man/man1/sumvane-lrc.1.gz share/man/man1/sumvane.1.gz \
         share/bash-completion/completions/sumvane-lrc \
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
              'VALUE "ProductName", "Sumvane"' "VALUE \"FileVersion\", \"$SUMVANE_VERSION\"" \
              "VALUE \"ProductVersion\", \"$SUMVANE_VERSION\"" "FILEVERSION ${SUMVANE_VERSION//./, }" \
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

# --- the two .debs: the window, and the command-line tool without any graphical toolkit
if have dpkg-deb && have dpkg-shlibdeps; then
  export SOURCE_DATE_EPOCH=1472443200
  (cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null) || fail "cpack -G DEB"
  [[ "$(cd "$work/deb" && ls -- *.deb | tr '\n' ' ')" == "sumvane-lrc_${SUMVANE_VERSION}_amd64.deb sumvane_${SUMVANE_VERSION}_amd64.deb " ]] ||
    fail "cpack made $(cd "$work/deb" && ls -- *.deb)"
  window=$work/deb/sumvane_${SUMVANE_VERSION}_amd64.deb
  tool=$work/deb/sumvane-lrc_${SUMVANE_VERSION}_amd64.deb
  check_deb() { # deb, files it holds, what Depends must name, what it must not
    local deb=$1 files=$2 want=$3 never=$4 depends contents
    depends=$(dpkg-deb -f "$deb" Depends)
    for w in $want; do grep -q "$w" <<<"$depends" || fail "$(basename "$deb") Depends lacks $w: $depends"; done
    [[ -z "$never" ]] || ! grep -q -E "$never" <<<"$depends" || fail "$(basename "$deb") Depends on $never: $depends"
    contents=$(dpkg-deb -c "$deb")
    for f in $files; do grep -q " $f\$" <<<"$contents" || fail "$(basename "$deb") lacks $f"; done
    # A long description line starts with exactly one blank, or apt shows it unwrapped.
    dpkg-deb -f "$deb" Description | tail -n +2 | grep -q '^  ' && fail "$(basename "$deb"): description lines start with two blanks"
    # Every entry dated SOURCE_DATE_EPOCH, so that two builds of one commit match.
    [[ "$(TZ=UTC dpkg-deb -c "$deb" | awk '{ print $4, $5 }' | sort -u)" == "2016-08-29 04:00" ]] ||
      fail "$(basename "$deb") entries are not dated SOURCE_DATE_EPOCH"
    echo "ok: $(basename "$deb"): Depends: $depends"
  }
  check_deb "$window" "./usr/bin/sumvane ./usr/share/applications/$id.desktop ./usr/share/man/man1/sumvane.1.gz ./usr/share/doc/sumvane/copyright" \
    "libqt6widgets6 libpcre2-8-0 fonts-wqy-microhei qt6-qpa-plugins" ""
  check_deb "$tool" "./usr/bin/sumvane-lrc ./usr/share/man/man1/sumvane-lrc.1.gz ./usr/share/doc/sumvane-lrc/copyright ./usr/share/doc/sumvane-lrc/changelog.gz ./usr/share/bash-completion/completions/sumvane-lrc" \
    "libc6 libstdc++6" "qt|font"
  [[ "$(dpkg-deb -f "$window" Recommends)" == sumvane-lrc ]] || fail "the window does not recommend sumvane-lrc"
  # Packed again a day later, as the packer's clock reads: the same bytes. (The packer's umask
  # shows in the .deb's modes; the release script sets its own.)
  have faketime || fail "faketime is not installed (scripts/install-deps.sh --test installs it)"
  (cd "$build" && faketime -f +1d cpack -G DEB -B "$work/deb-again" >/dev/null) ||
    fail "cpack -G DEB again"
  for deb in "$window" "$tool"; do
    cmp -s "$deb" "$work/deb-again/$(basename "$deb")" || fail "$(basename "$deb") differs when packed again"
  done
  echo "ok: packed again a day later: the same bytes"
  # Debian's own policy checker: no error and no warning (informational tags are advice).
  have lintian || fail "lintian is not installed (scripts/install-deps.sh --test installs it)"
  lintian --fail-on error,warning --display-info "$window" "$tool" >"$work/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$work/lintian.log")"
  echo "ok: lintian: no error, no warning, $(grep -c '^I: ' "$work/lintian.log" || true) informational tags"
  grep '^I: ' "$work/lintian.log" | sed 's/^/  /' || true
fi
echo "ok: installation, validators and resources"
