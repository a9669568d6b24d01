#!/usr/bin/env bash
# Makes the 32-bit Windows programs runnable under Wine here, as far as this machine allows:
#   scripts/i386-support.sh emulator   a kernel that executes no i386 program gets one through
#                                      an emulator: qemu-user from bookworm-backports, unpacked
#                                      into .cache and registered with the kernel's binfmt_misc
#                                      (the one change made to the machine; as root)
#   scripts/i386-support.sh wine32     where apt could not install wine32:i386, its i386
#                                      packages are fetched into .cache/wine32-VERSION, which
#                                      tests/wine/wine32.sh shows under /usr in a private mount
#                                      namespace only
# Both are idempotent, used by scripts/install-deps.sh --windows, and end with status 0 whatever
# they could do, saying in a NOTE what they could not. A machine that runs i386 programs itself
# is left as it is (SUMVANE_EMULATE_I386=1 registers the emulator all the same, to try that
# route on such a machine).
set -euo pipefail
cd "$(dirname "$0")/.."
cache=$PWD/.cache
source scripts/private-apt.sh
note() { echo "NOTE: $*" >&2; }

emulator() {
  [[ "${SUMVANE_EMULATE_I386:-}" != 1 ]] && scripts/runs-i386.sh && return 0
  if [[ $(id -u) -ne 0 ]]; then
    note "this machine executes no i386 program, and registering an emulator for them needs root"
    return 0
  fi
  # bookworm's own qemu-user 7.2 spends minutes starting each Wine process (tens of thousands
  # of guest mmap calls reserving Wine's address space); 10.0 starts one in half a second. Its
  # qemu-i386 is statically linked, so it runs from wherever it is unpacked.
  local dir=$cache/qemu-user binfmt=/proc/sys/fs/binfmt_misc name=sumvane-i386 conf
  if [[ ! -x "$dir/usr/bin/qemu-i386" ]]; then
    echo "Fetching qemu-user from bookworm-backports (the i386 emulator)" >&2
    private_apt "$cache/apt-qemu" amd64 "deb bookworm-backports main"
    if ! apt-get "${apt_options[@]}" update -qq 2>/dev/null ||
       ! (cd "$cache/apt-qemu" && apt-get "${apt_options[@]}" download -qq qemu-user 2>/dev/null); then
      note "qemu-user could not be fetched from bookworm-backports; no 32-bit program runs here"
      rm -rf "$cache/apt-qemu"
      return 0
    fi
    rm -rf "$dir"
    dpkg-deb -x "$cache"/apt-qemu/qemu-user_*.deb "$dir"
    rm -rf "$cache/apt-qemu"
  fi
  mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt"
  [[ -e "$binfmt/$name" ]] && echo -1 >"$binfmt/$name"
  # The package's own registration (magic, mask, flags), under our name and for our unpacked
  # copy. F opens the emulator now, so it serves every mount namespace and outlives this clone;
  # the -binfmt-P name tells it that the kernel passes the program's own argv[0] along.
  conf=$(<"$dir/usr/share/qemu/binfmt.d/qemu-i386.conf")
  conf=":$name:${conf#:qemu-i386:}"
  conf="${conf%:*:*}:$dir/usr/libexec/qemu-binfmt/i386-binfmt-P:${conf##*:}"
  echo "$conf" >"$binfmt/register"
  if scripts/runs-i386.sh; then
    echo "ok: i386 programs run through $("$dir/usr/bin/qemu-i386" --version | head -n 1)" >&2
  else
    note "an i386 program does not run even through the emulator"
  fi
}

wine32() {
  local version root staging deb name
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q '^install ok installed$' && return 0
  if ! scripts/runs-i386.sh; then
    note "no i386 program runs here, so Wine's 32-bit half is not fetched"
    return 0
  fi
  # The same Wine as the machine's 64-bit one, whose 64-bit loader hands 32-bit programs over.
  version=$(dpkg-query -W -f='${Version}' wine64)
  root=$cache/wine32-$version
  [[ -f "$root/.built" ]] && return 0
  # From the main suite alone: its i386 packages are consistent among themselves, whatever state
  # the security suite's i386 index is in, and none of them has to match a package installed here.
  echo "Fetching Wine $version's 32-bit half and its i386 libraries into $root" >&2
  private_apt "$cache/apt-wine32" i386 "deb bookworm main"
  if ! apt-get "${apt_options[@]}" update -qq 2>/dev/null ||
     ! apt-get "${apt_options[@]}" install --download-only -y -qq --no-install-recommends \
         "wine32=$version" "libwine=$version" >/dev/null 2>&1; then
    note "Wine $version's i386 packages could not be fetched; the 32-bit Windows tests cannot run"
    rm -rf "$cache/apt-wine32"
    return 0
  fi
  staging=$cache/wine32-staging
  rm -rf "$staging" "$root"
  for deb in "$cache"/apt-wine32/cache/archives/*.deb; do dpkg-deb -x "$deb" "$staging"; done
  # Only the i386 parts: the libraries, the i386 dynamic loader (the machine's own libc6-i386
  # loader looks in /usr/lib32, not /usr/lib/i386-linux-gnu) and Wine's 32-bit loader and
  # server. Everything else the machine already has in its own version.
  mkdir -p "$root/usr/lib/wine" "$root/usr/lib32"
  cp -a "$staging/usr/lib/i386-linux-gnu" "$root/usr/lib/"
  cp -a "$staging/lib/i386-linux-gnu/." "$root/usr/lib/i386-linux-gnu/"
  cp -a "$staging/lib/ld-linux.so.2" "$root/usr/lib/"
  cp -a "$staging/usr/lib/wine/wine" "$staging/usr/lib/wine/wineserver32" "$root/usr/lib/wine/"
  # libc6-i386's libraries in /usr/lib32 are in the machine's ld.so cache; the i386 loader
  # would take them over its own, which need not be the same version.
  for name in /usr/lib32/*; do
    name=${name##*/}
    [[ -e "$root/usr/lib/i386-linux-gnu/$name" ]] && ln -s "../lib/i386-linux-gnu/$name" "$root/usr/lib32/$name"
  done
  # What libwine's installation does: Wine's own zlib1.dll (from libz-mingw-w64), marked as a
  # Wine builtin DLL, in each of its Windows DLL folders; user32.dll needs it.
  for arch in i686:i386 x86_64:x86_64; do
    local from=$staging/usr/${arch%%:*}-w64-mingw32/lib/zlib1.dll
    local to=$root/usr/lib/i386-linux-gnu/wine/${arch##*:}-windows/zlib1.dll
    [[ -f "$from" && -d "${to%/*}" ]] || continue
    { head -c 64 "$from"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$from"; } >"$to"
  done
  rm -rf "$staging" "$cache/apt-wine32"
  touch "$root/.built"
  echo "ok: Wine's 32-bit half in $root ($(du -sh "$root" | cut -f1))" >&2
}

case "${1:-}" in
  emulator | wine32) "$1" ;;
  *) echo "usage: i386-support.sh emulator|wine32" >&2; exit 2 ;;
esac
