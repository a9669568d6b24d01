# An apt of the project's own, beside the machine's: its own sources, indexes, cache and (empty)
# package status, so that it fetches packages without touching what the machine has installed or
# the sources it reads. Sourced:
#   source scripts/private-apt.sh
#   private_apt DIR ARCH LINE...    fills apt_options for apt-get, apt-cache; each LINE a
#                                   sources.list line without its options, e.g.
#                                   "deb bookworm-backports main"
# The archive and keyring are the machine's own Debian sources (deb822 or one-line format).

debian_archive() { # prints: archive-URI keyring
  local archive keyring
  read -r archive keyring < <(
    { cat /etc/apt/sources.list.d/*.sources 2>/dev/null; echo; } | awk '
      /^URIs:/ { uri = $2 } /^Suites:/ { suites = $0 } /^Signed-By:/ { key = $2 }
      /^$/ { if (uri ~ /\/debian\/?$/ && suites ~ /bookworm( |$)/) { print uri, key; exit }
             uri = ""; suites = ""; key = "" }'
  ) || true
  if [[ -z "${archive:-}" ]]; then
    archive=$(awk '$1 == "deb" && $0 ~ / bookworm / { for (i = 2; i <= NF; i++) if ($i ~ /^https?:/) { print $i; exit } }' \
      /etc/apt/sources.list 2>/dev/null || true)
  fi
  echo "${archive:-http://deb.debian.org/debian} ${keyring:-/usr/share/keyrings/debian-archive-keyring.gpg}"
}

private_apt() {
  local dir=$1 arch=$2 archive keyring line type rest
  shift 2
  read -r archive keyring < <(debian_archive)
  rm -rf "$dir"
  mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial"
  : >"$dir/status"
  : >"$dir/sources.list"
  for line in "$@"; do
    read -r type rest <<<"$line"
    echo "$type [signed-by=$keyring] $archive $rest" >>"$dir/sources.list"
  done
  # No essential set either: only what the named packages need comes down.
  apt_options=(-o "Dir::Etc::SourceList=$dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
               -o "Dir::State::Lists=$dir/lists" -o "Dir::Cache=$dir/cache"
               -o "Dir::State::status=$dir/status" -o Debug::NoLocking=1
               -o APT::Sandbox::User=root -o "APT::Architecture=$arch"
               -o "APT::Architectures::=$arch" -o pkgCacheGen::Essential=none)
  private_archive=$archive
}
