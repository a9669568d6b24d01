#!/usr/bin/env bash
# The Windows installer as a user meets it, under Wine in a fresh private prefix: a silent
# install with the user's own rights puts the programs, a Start-menu shortcut and an uninstall
# entry in place, the installed window opens, installing again replaces the files where they
# are, and a silent uninstall leaves nothing of ours behind.
#   installer_test.sh INSTALLER.exe
set -euo pipefail
installer=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
for tool in xdotool Xvfb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
prefix=$(mktemp -d)/wineprefix
source "$here/wine/env.sh" "$prefix"
if [[ "$(file -b "$installer")" != *x86-64* ]] && ! wine_runs_32bit; then
  echo "SKIP: no 32-bit Wine runs on this machine"; exit 77
fi
app_pid=
cleanup() {
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
  "$here/wine/server.sh" stop "$prefix" >/dev/null 2>&1 || true
  rm -rf "$(dirname "$prefix")"
}
trap cleanup EXIT
source "$(dirname "$0")/lib.sh"
product_facts
run() { "$here/wine/run.sh" "$prefix" "$@"; }
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sumvane'

"$here/wine/server.sh" start "$prefix" >/dev/null
export DISPLAY=":$(cat "$prefix/display")"
users=("$prefix"/drive_c/users/*/AppData)
folder="$(dirname "${users[0]}")/AppData/Local/Programs/Sumvane"
shortcut="$(dirname "${users[0]}")/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Sumvane.lnk"
files=(sumvane.exe sumvane-lrc.exe README.txt LICENSE.txt PCRE2-LICENCE.txt uninstall.exe)

installed() {
  for f in "${files[@]}"; do [[ -f "$folder/$f" ]] || fail "not installed: $f"; done
  [[ -f "$shortcut" ]] || fail "no Start-menu shortcut"
  entry=$(run reg query "$key" 2>/dev/null | tr -d '\r') || fail "no uninstall entry $key"
  for want in 'DisplayName    REG_SZ    Sumvane' "DisplayVersion    REG_SZ    $SUMVANE_VERSION" \
              'Publisher    REG_SZ    Sumvane' 'DisplayIcon    REG_SZ    ' 'QuietUninstallString    REG_SZ    '; do
    grep -qF "$want" <<<"$entry" || fail "the uninstall entry lacks '$want': $entry"
  done
}

run "$installer" /S || fail "silent install ended with status $?"
installed
[[ "$(run "$folder/sumvane-lrc.exe" --version | tr -d '\r')" == "sumvane-lrc $SUMVANE_VERSION" ]] ||
  fail "the installed sumvane-lrc.exe does not run"
run "$folder/sumvane.exe" >/dev/null 2>&1 &
app_pid=$!
window=$(timeout 30 xdotool search --sync --name "$caption_pattern" | head -n 1) ||
  fail "the installed sumvane.exe opened no window"
# Closed as a user closes it: a running program's file could not be removed.
xdotool windowfocus --sync "$window" key --clearmodifiers alt+F4
await 10 yes ended "$app_pid" || fail "the installed sumvane.exe goes on after its window closed"
wait "$app_pid" 2>/dev/null || true
app_pid=

# Installed again over itself: the same place, one entry.
run "$installer" /S || fail "second silent install ended with status $?"
installed
[[ $(run reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null | grep -c 'Uninstall\\Sumvane') -eq 1 ]] ||
  fail "more than one uninstall entry"

# The uninstaller runs a copy of itself from the temporary folder and returns at once.
run "$folder/uninstall.exe" /S || fail "silent uninstall ended with status $?"
removed() { [[ -e "$1" ]] || echo yes; }
await 30 yes removed "$folder" || fail "left behind: $(ls "$folder")"
[[ ! -e "$shortcut" ]] || fail "the Start-menu shortcut is left behind"
run reg query "$key" >/dev/null 2>&1 && fail "the uninstall entry is left behind"
echo "ok: $(basename "$installer"): silent install of ${#files[@]} files, shortcut and uninstall entry; the window opened; installed again in place; uninstalled without a trace"
