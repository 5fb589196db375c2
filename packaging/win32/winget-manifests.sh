#!/usr/bin/env bash
# winget-manifests.sh SETUP_EXE VERSION OUTDIR
# Writes the winget manifest set of the installer (version, installer and default-locale
# files) into OUTDIR/Vouk.Quillenta/VERSION/, as winget-pkgs lays them out, with the
# installer's SHA-256. Prints the folder.
set -euo pipefail
setup=$1 version=$2 outdir=$3
id=Vouk.Quillenta
schema=1.6.0
url="https://github.com/quillenta/quillenta/releases/download/v$version/$(basename "$setup")"
sha=$(sha256sum "$setup" | cut -d' ' -f1 | tr a-f A-F)
dir="$outdir/$id/$version"
rm -rf "$dir"
mkdir -p "$dir"

cat >"$dir/$id.yaml" <<YAML
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.version.$schema.schema.json
PackageIdentifier: $id
PackageVersion: "$version"
DefaultLocale: en-US
ManifestType: version
ManifestVersion: $schema
YAML

# The installer registers itself under HKCU\...\Uninstall\Quillenta: that key name is the
# product code winget matches an installed copy by.
cat >"$dir/$id.installer.yaml" <<YAML
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.installer.$schema.schema.json
PackageIdentifier: $id
PackageVersion: "$version"
MinimumOSVersion: 10.0.0.0
InstallerType: nullsoft
Scope: user
InstallModes:
- interactive
- silent
- silentWithProgress
InstallerSwitches:
  Silent: /S
  SilentWithProgress: /S
UpgradeBehavior: install
ProductCode: Quillenta
AppsAndFeaturesEntries:
- DisplayName: Quillenta
  Publisher: Vouk
  DisplayVersion: "$version"
  ProductCode: Quillenta
Installers:
- Architecture: x64
  InstallerUrl: $url
  InstallerSha256: $sha
ManifestType: installer
ManifestVersion: $schema
YAML

cat >"$dir/$id.locale.en-US.yaml" <<YAML
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.defaultLocale.$schema.schema.json
PackageIdentifier: $id
PackageVersion: "$version"
PackageLocale: en-US
Publisher: Vouk
PublisherUrl: https://github.com/quillenta
PackageName: Quillenta
PackageUrl: https://github.com/quillenta/quillenta
License: MIT
LicenseUrl: https://github.com/quillenta/quillenta/blob/main/LICENSE
ShortDescription: Writes an information line (date, time, memory, CPU ...) into the title bar of the window in front.
Description: |-
  Quillenta is a small resident utility with a Japanese user interface. It sits in the
  notification area and, five times a second, writes a line of the window's own title, the
  date and time, memory, CPU, battery and connection figures into the title bar of the
  window in the foreground. Every window gets its own title back when the focus moves on
  and when the program ends.
Moniker: quillenta
Tags:
- title-bar
- clock
- system-monitor
- tray
ManifestType: defaultLocale
ManifestVersion: $schema
YAML
echo "$dir"
