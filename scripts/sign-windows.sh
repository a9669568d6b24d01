#!/usr/bin/env bash
# Signs Windows programs in place (Authenticode, SHA-256) with Debian's osslsigncode, when a
# certificate and its key are given; without them it signs nothing and says so.
#   SUMVANE_SIGN_CERT=cert.pem SUMVANE_SIGN_KEY=key.pem scripts/sign-windows.sh FILE.exe...
# When the key has a password: SUMVANE_SIGN_KEY_PASSWORD_FILE names a file that holds it, or
# SUMVANE_SIGN_KEY_PASSWORD holds it; either way osslsigncode reads it, never from its command
# line, which any process list shows. SUMVANE_SIGN_TIMESTAMP_URL, a time-stamp server
# (RFC 3161) to ask. Without a server the signing time is SOURCE_DATE_EPOCH (else now), so that
# signing the same program with the same key gives the same bytes.
set -euo pipefail
if [[ -z "${SUMVANE_SIGN_CERT:-}" || -z "${SUMVANE_SIGN_KEY:-}" ]]; then
  echo "note: not signed (no SUMVANE_SIGN_CERT and SUMVANE_SIGN_KEY): $(for f in "$@"; do basename "$f"; done | paste -sd ' ')"
  exit 0
fi
command -v osslsigncode >/dev/null || { echo "osslsigncode is not installed" >&2; exit 1; }
options=(-certs "$SUMVANE_SIGN_CERT" -key "$SUMVANE_SIGN_KEY" -h sha256 -n Sumvane)
password=()
if [[ -n "${SUMVANE_SIGN_KEY_PASSWORD_FILE:-}" ]]; then
  options+=(-readpass "$SUMVANE_SIGN_KEY_PASSWORD_FILE")
elif [[ -n "${SUMVANE_SIGN_KEY_PASSWORD:-}" ]]; then
  options+=(-readpass -) # on standard input, from the environment
  password=("$SUMVANE_SIGN_KEY_PASSWORD")
fi
if [[ -n "${SUMVANE_SIGN_TIMESTAMP_URL:-}" ]]; then
  options+=(-ts "$SUMVANE_SIGN_TIMESTAMP_URL")
else
  options+=(-time "${SOURCE_DATE_EPOCH:-$(date +%s)}")
fi
for file in "$@"; do
  printf '%s' "${password[@]}" | osslsigncode sign "${options[@]}" -in "$file" -out "$file.signed" >/dev/null
  mv "$file.signed" "$file"
  echo "signed: $(basename "$file")"
done
