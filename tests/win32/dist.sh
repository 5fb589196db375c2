#!/usr/bin/env bash
# What scripts/build-win32 hands out besides the program, checked on Linux:
#   dist.sh winget SETUP_EXE   the winget manifests beside the installer
#   dist.sh sign EXE SETUP_EXE signing with a throwaway certificate, and without one
#   dist.sh installer_words    the installer's pages name the program's captions as it shows them
set -euo pipefail
TEST=$1
HERE=$(cd "$(dirname "$0")" && pwd)
SOURCE=$(cd "$HERE/../.." && pwd)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
field() { # FILE KEY: the value of a top-level or indented "KEY: value" line
  sed -n "s/^ *-\{0,1\} *$2: *//p" "$1" | head -n1 | tr -d '"'
}

case $TEST in
  installer_words)
    # Every caption a page quotes: $\"...$\" in English, 「...」 in Japanese (but the message
    # box's own 再試行), is one the program shows in that language, its mnemonic left out.
    nsi="$SOURCE/packaging/win32/quillenta.nsi"
    plain() { sed -e 's/(&.)$//' -e 's/&//'; }
    msgs() { # msgid|msgstr: every text of the catalogue, one a line
      msgattrib --no-wrap --no-location "$SOURCE/po/en.po" | sed -n "s/^$1 \"\(.*\)\"$/\1/p" | plain
    }
    msgs msgstr >"$TMP/en" && msgs msgid >"$TMP/ja"
    grep '^LangString [A-Za-z]* ${LANG_ENGLISH}' "$nsi" | grep -o '\$\\"[^$]*\$\\"' |
      sed 's/^\$\\"//; s/\$\\"$//' >"$TMP/quoted-en"
    grep '^LangString [A-Za-z]* ${LANG_JAPANESE}' "$nsi" | grep -o '「[^」]*」' |
      sed 's/^「//; s/」$//' | grep -vx '再試行' >"$TMP/quoted-ja"
    for lang in en ja; do
      [ -s "$TMP/quoted-$lang" ] || fail "no caption quoted on the $lang pages"
      while read -r caption; do
        grep -qxF "$caption" "$TMP/$lang" || fail "the $lang pages name '$caption', which the program does not show"
      done <"$TMP/quoted-$lang"
    done
    ;;

  winget)
    SETUP=$2
    [ -s "$SETUP" ] || fail "no installer $SETUP (scripts/build-win32 makes it)"
    version=$(basename "$SETUP" | sed -n 's/^quillenta-\(.*\)-setup\.exe$/\1/p')
    dir="$(dirname "$SETUP")/winget/Vouk.Quillenta/$version"
    id=Vouk.Quillenta
    check_set() { # DIR SETUP: the three files agree with each other and with the installer
      local d=$1 setup=$2 f type
      for type in version installer locale.en-US; do
        case $type in version) f="$d/$id.yaml" ;; *) f="$d/$id.$type.yaml" ;; esac
        [ -s "$f" ] || fail "no $f"
        [ "$(field "$f" PackageIdentifier)" = "$id" ] || fail "$f: PackageIdentifier"
        [ "$(field "$f" PackageVersion)" = "$version" ] || fail "$f: PackageVersion is not $version"
        # The current schema: 1.6.0 or newer, and the file names the schema it follows.
        local mv
        mv=$(field "$f" ManifestVersion)
        [ "$(printf '%s\n1.6.0\n' "$mv" | sort -V | head -n1)" = 1.6.0 ] || fail "$f: ManifestVersion $mv"
        grep -q "schema=https://aka.ms/winget-manifest\.[a-zA-Z]*\.$mv\.schema\.json" "$f" ||
          fail "$f names no $mv schema"
        # YAML that a parser reads: no tabs.
        ! grep -q $'\t' "$f" || fail "$f holds a tab"
      done
      local inst="$d/$id.installer.yaml" want
      want=$(sha256sum "$setup" | cut -d' ' -f1 | tr a-f A-F)
      [ "$(field "$inst" InstallerSha256)" = "$want" ] ||
        fail "InstallerSha256 $(field "$inst" InstallerSha256) is not the installer's $want"
      local pair
      for pair in InstallerType=nullsoft Scope=user Silent=/S SilentWithProgress=/S \
                  Architecture=x64 ProductCode=Quillenta ManifestType=installer; do
        [ "$(field "$inst" "${pair%%=*}")" = "${pair#*=}" ] || fail "$inst: ${pair%%=*} is not ${pair#*=}"
      done
      [ "$(field "$inst" InstallerUrl)" = "https://github.com/quillenta/quillenta/releases/download/v$version/$(basename "$setup")" ] ||
        fail "InstallerUrl $(field "$inst" InstallerUrl)"
      [ "$(field "$d/$id.yaml" DefaultLocale)" = en-US ] || fail "the default locale is not en-US"
      local loc="$d/$id.locale.en-US.yaml"
      for pair in PackageName=Quillenta Publisher=Vouk License=MIT ManifestType=defaultLocale; do
        [ "$(field "$loc" "${pair%%=*}")" = "${pair#*=}" ] || fail "$loc: ${pair%%=*} is not ${pair#*=}"
      done
    }
    check_set "$dir" "$SETUP"
    # The hash is the installer's own: a set made for a changed installer carries another.
    cp "$SETUP" "$TMP/$(basename "$SETUP")"
    printf x >>"$TMP/$(basename "$SETUP")"
    "$SOURCE/packaging/win32/winget-manifests.sh" "$TMP/$(basename "$SETUP")" "$version" "$TMP/winget" >/dev/null
    check_set "$TMP/winget/$id/$version" "$TMP/$(basename "$SETUP")"
    [ "$(field "$TMP/winget/$id/$version/$id.installer.yaml" InstallerSha256)" != \
      "$(field "$dir/$id.installer.yaml" InstallerSha256)" ] || fail "a changed installer kept its hash"
    ;;

  sign)
    EXE=$2 SETUP=$3
    for f in "$EXE" "$SETUP"; do [ -s "$f" ] || fail "no $f (scripts/build-win32 makes it)"; done
    cp "$EXE" "$TMP/quillenta.exe"
    cp "$SETUP" "$TMP/setup.exe"
    files=("$TMP/quillenta.exe" "$TMP/setup.exe")
    mkdir "$TMP/orig" && cp "${files[@]}" "$TMP/orig/"
    unchanged() { cmp -s "$TMP/quillenta.exe" "$TMP/orig/quillenta.exe" && cmp -s "$TMP/setup.exe" "$TMP/orig/setup.exe"; }
    sign() { "$SOURCE/packaging/win32/sign.sh" "${files[@]}" 2>"$TMP/sign.err"; }

    # Without a certificate nothing is signed, and it says so in one line.
    (unset QUILLENTA_SIGN_PKCS12 && sign) || fail "sign.sh failed without a certificate"
    unchanged || fail "a file changed without a certificate"
    [ "$(grep -c . "$TMP/sign.err")" = 1 ] && grep -q "not signed" "$TMP/sign.err" ||
      fail "not one line saying nothing was signed: $(cat "$TMP/sign.err")"

    # A throwaway certificate.
    openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Quillenta test signer" \
      -keyout "$TMP/key.pem" -out "$TMP/cert.pem" 2>/dev/null
    openssl pkcs12 -export -inkey "$TMP/key.pem" -in "$TMP/cert.pem" -out "$TMP/signer.p12" \
      -passout pass:'a secret with blanks'
    export QUILLENTA_SIGN_PKCS12="$TMP/signer.p12"
    unset QUILLENTA_SIGN_TIMESTAMP_URL

    # A wrong password signs nothing and leaves every file as it was.
    QUILLENTA_SIGN_PASSWORD=wrong sign && fail "sign.sh succeeded with a wrong password"
    unchanged || fail "a failed signing changed a file"

    export QUILLENTA_SIGN_PASSWORD='a secret with blanks'
    verify() { # FILE: one signature, by the throwaway certificate, over the file as it is
      osslsigncode verify -CAfile "$TMP/cert.pem" -in "$1" >"$TMP/verify.out" 2>&1 ||
        fail "osslsigncode verify $1: $(tail -n 5 "$TMP/verify.out")"
      grep -q "Number of verified signatures: 1" "$TMP/verify.out" ||
        fail "$1 does not carry one signature: $(grep -i signatures "$TMP/verify.out")"
      grep -q "Quillenta test signer" "$TMP/verify.out" || fail "$1 is not signed by the test certificate"
    }
    for round in first again; do
      sign || fail "sign.sh failed ($round): $(cat "$TMP/sign.err")"
      for f in "${files[@]}"; do verify "$f"; done
    done
    # The password never shows on a command line.
    ! grep -rq 'a secret' "$TMP/sign.err" || fail "the password shows in the output"
    # A signed file whose bytes change no longer verifies: the check is real.
    cp "$TMP/quillenta.exe" "$TMP/tampered.exe"
    printf '\x01' | dd of="$TMP/tampered.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
    osslsigncode verify -CAfile "$TMP/cert.pem" -in "$TMP/tampered.exe" >/dev/null 2>&1 &&
      fail "a changed program still verifies"
    ;;

  *)
    fail "no such test: $TEST"
    ;;
esac
echo "PASS: $TEST"
