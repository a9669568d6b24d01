#!/usr/bin/env bash
# What a Windows zip holds: cpack -G ZIP in the build folder, then its listing and contents.
#   windows_zip_test.sh BUILD_DIR ZIP_NAME FILE...      (FILE: every file the zip must hold, all
#                                                        in one folder named as the zip)
set -euo pipefail
build=$1
name=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/lib.sh"
product_facts

(cd "$build" && cpack -G ZIP -B "$work" >/dev/null) || fail "cpack -G ZIP"
zip="$work/$name"
[[ -f "$zip" ]] || fail "cpack made $(cd "$work" && ls -- *.zip), not $name"
folder=${name%.zip}
listing=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
expected=$(printf "$folder/%s\n" "$@" | sort)
[[ -z "$(unzip -Z1 "$zip" | grep -v "^$folder/")" ]] || fail "$name holds files outside $folder/"
# Reproducible: every entry carries the time SOURCE_DATE_EPOCH gives, not the build's.
stamps=$(TZ=UTC unzip -Z -T "$zip" | awk '/^[-d]/ { print $7 }' | sort -u)
[[ "$stamps" == "$(TZ=UTC date -d "@$SOURCE_DATE_EPOCH" +%Y%m%d.%H%M%S)" ]] ||
  fail "$name entries are dated $(echo $stamps), not SOURCE_DATE_EPOCH"
[[ "$listing" == "$expected" ]] || fail "$name holds: $(echo $listing); expected: $(echo $expected)"

unzip -q "$zip" -d "$work/unpacked"
for exe in "$work/unpacked/$folder"/*.exe; do
  built=$(find "$build" -path "$work" -prune -o -name "$(basename "$exe")" -path '*/*/*' -print |
          grep -v '/_CPack_Packages/' | head -n 1)
  cmp -s "$exe" "$built" || fail "$(basename "$exe") in the zip is not the one built in $build"
done
# A text for Windows users: CR LF line ends, the release named.
readme="$work/unpacked/$folder/README.txt"
[[ "$(head -c 200 "$readme" | od -An -c | tr -d ' \n')" == *'\r\n'* ]] || fail "README.txt lacks CR LF"
grep -q "Sumvane $SUMVANE_VERSION for Windows" "$readme" || fail "README.txt does not name the release"
# The notices: Sumvane's own licence, and PCRE2's, which is linked into every program.
grep -q '^MIT License' "$work/unpacked/$folder/LICENSE.txt" || fail "LICENSE.txt is not Sumvane's MIT licence"
grep -q '^PCRE2 LICENCE' "$work/unpacked/$folder/PCRE2-LICENCE.txt" || fail "PCRE2-LICENCE.txt is not PCRE2's"
echo "ok: $name ($(stat -c %s "$zip") bytes) holds $(echo $listing)"
