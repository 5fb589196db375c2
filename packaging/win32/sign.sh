#!/usr/bin/env bash
# sign.sh FILE...
# Signs each Windows executable in place with osslsigncode (SHA-256) when
# QUILLENTA_SIGN_PKCS12 names a PKCS#12 file; its password is QUILLENTA_SIGN_PASSWORD, and
# QUILLENTA_SIGN_TIMESTAMP_URL, when set, names an RFC 3161 time-stamping server. Without
# QUILLENTA_SIGN_PKCS12 it signs nothing and says so once. A file already signed gets a new
# signature in place of the old one. A failure leaves every file as it was.
set -euo pipefail
if [ -z "${QUILLENTA_SIGN_PKCS12:-}" ]; then
  echo "sign: QUILLENTA_SIGN_PKCS12 is not set; $(basename -a "$@" | paste -sd' ') not signed" >&2
  exit 0
fi
[ -r "$QUILLENTA_SIGN_PKCS12" ] || {
  echo "sign: cannot read $QUILLENTA_SIGN_PKCS12 (QUILLENTA_SIGN_PKCS12)" >&2
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The password goes through a file of our own, not the command line, where ps would show it.
printf '%s' "${QUILLENTA_SIGN_PASSWORD:-}" >"$work/pass"
timestamp=()
[ -n "${QUILLENTA_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$QUILLENTA_SIGN_TIMESTAMP_URL")
n=0
for file in "$@"; do
  n=$((n + 1))
  unsigned="$work/$n.unsigned" signed="$work/$n.signed"
  if osslsigncode extract-signature -in "$file" -out "$work/$n.sig" >/dev/null 2>&1; then
    osslsigncode remove-signature -in "$file" -out "$unsigned" >"$work/log" 2>&1 ||
      { cat "$work/log" >&2; echo "sign: cannot take the old signature off $file" >&2; exit 1; }
  else
    cp "$file" "$unsigned"
  fi
  if ! osslsigncode sign -pkcs12 "$QUILLENTA_SIGN_PKCS12" -readpass "$work/pass" -h sha256 \
      -n Quillenta -i https://github.com/quillenta/quillenta "${timestamp[@]}" \
      -in "$unsigned" -out "$signed" >"$work/log" 2>&1; then
    cat "$work/log" >&2
    echo "sign: osslsigncode could not sign $file" >&2
    exit 1
  fi
done
# Only once every file is signed is any replaced.
n=0
for file in "$@"; do
  n=$((n + 1))
  cat "$work/$n.signed" >"$file"
  echo "sign: signed $file" >&2
done
