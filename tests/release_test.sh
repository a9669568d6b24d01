#!/usr/bin/env bash
# The release as a packager and a Windows user check it:
# - scripts/release.sh in two clones at different paths, minutes apart, with another umask and
#   locale, gives the same SHA256SUMS (and diffoscope shows what differs when it does not);
# - the .debs pass lintian, and the tool's package needs no Qt;
# - each installer installs, runs and uninstalls cleanly under Wine (installer_test.sh);
# - a program signed with a throw-away certificate verifies.
#   tests/release_test.sh            (from a clone; it clones the committed HEAD)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
here=$repo/tests
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/lib.sh"

first=$work/one/sumvane
second=$work/elsewhere/and/deeper/sumvane-again
git clone -q "$repo" "$first"
git clone -q "$repo" "$second"
commit=$(git -C "$first" log -1 --format=%h)
(cd "$first" && scripts/release.sh >"$work/first.log" 2>&1) || { tail -20 "$work/first.log"; fail "release.sh"; }
tail -n 8 "$work/first.log"
(cd "$second" && umask 077 && LC_ALL=C LANG=C scripts/release.sh "$second/out" >"$work/second.log" 2>&1) ||
  { tail -20 "$work/second.log"; fail "release.sh in the second clone"; }
dist=$first/dist
if ! diff -u "$dist/SHA256SUMS" "$second/out/SHA256SUMS"; then
  if command -v diffoscope >/dev/null; then
    while read -r _ name; do
      cmp -s "$dist/$name" "$second/out/$name" || diffoscope --text - "$dist/$name" "$second/out/$name" | head -40
    done <"$dist/SHA256SUMS"
  fi
  fail "two releases of one commit differ"
fi
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c"
[[ $(ls "$dist" | wc -l) -eq 10 ]] || fail "dist holds $(ls "$dist")"
sed 's/^/  /' "$dist/SHA256SUMS"
echo "ok: two releases of $commit, in $first and $second, minutes apart, with umask 077 and LC_ALL=C: the same SHA256SUMS"

lintian --fail-on error,warning "$dist"/*.deb >"$work/lintian.log" 2>&1 || fail "lintian: $(cat "$work/lintian.log")"
depends=$(dpkg-deb -f "$dist"/sumvane-lrc_*_amd64.deb Depends)
grep -q -i qt <<<"$depends" && fail "sumvane-lrc needs Qt: $depends"
echo "ok: lintian clean on both .debs; sumvane-lrc needs only $depends"

# The 32-bit one with Wine's 32-bit half at hand, wherever that comes from (wine/wine32.sh).
for installer in "$dist"/*-setup.exe; do
  status=0
  "$here/wine/wine32.sh" "$here/installer_test.sh" "$installer" || status=$?
  ((status == 0 || status == 77)) || fail "installer_test.sh $(basename "$installer")"
done

# Signing, with a certificate made here and thrown away, its key behind a password that the
# script hands over from the environment.
openssl req -x509 -newkey rsa:2048 -passout pass:release-test -keyout "$work/key.pem" \
  -out "$work/cert.pem" -days 1 -subj "/CN=Sumvane release test" 2>/dev/null
cp "$dist"/Sumvane-*-win64-setup.exe "$work/signed.exe"
SUMVANE_SIGN_CERT=$work/cert.pem SUMVANE_SIGN_KEY=$work/key.pem SUMVANE_SIGN_KEY_PASSWORD=release-test \
  "$repo/scripts/sign-windows.sh" "$work/signed.exe" </dev/null
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" >"$work/verify.log" 2>&1 ||
  fail "osslsigncode verify: $(cat "$work/verify.log")"
echo "ok: signed with a throw-away certificate: $(grep -E '^Signature verification' "$work/verify.log")"
