#!/usr/bin/env bash
# Runs a command where Wine's 32-bit half is at hand:   wine32.sh COMMAND [ARGS...]
# Where apt installed wine32:i386, or nothing was fetched in its place, the command runs as it
# is. Otherwise the copy that scripts/i386-support.sh fetched into .cache is laid over /usr in a
# private mount namespace (as root), for this command and its children alone: the machine's /usr
# stays as it is for everything else.
set -euo pipefail
cache=$(cd "$(dirname "$0")/../.." && pwd)/.cache
version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null || true)
root=$cache/wine32-$version
if [[ -x /usr/lib/wine/wine || ! -f "$root/.built" || $(id -u) -ne 0 ]]; then
  exec "$@"
fi
exec unshare --mount --propagation private -- bash -c \
  'mount -t overlay sumvane-wine32 -o "lowerdir=$1/usr:/usr" /usr && shift && exec "$@"' \
  wine32.sh "$root" "$@"
