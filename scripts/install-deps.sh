#!/usr/bin/env bash
# Installs the Debian packages Tervo needs to build, test and run; installs
# only what is missing. Runs apt directly as root, through sudo otherwise.
# Usage: scripts/install-deps.sh [extra-package ...]
set -euo pipefail

# imagemagick: the corpus test's second decoder, the reference for files
# whose suite ships no reference pixels. desktop-file-utils, appstream and
# groff-base: the tests validate the desktop entry, the AppStream metadata
# and the manual page. The libraries of the newer formats, and their own
# encoders and decoders, which make and check the test files.
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-translations-l10n
          libgtest-dev libgif-dev libimagequant-dev libspng-dev zlib1g-dev libjpeg62-turbo-dev fonts-ipafont-gothic
          imagemagick desktop-file-utils appstream groff-base
          libwebp-dev libavif-dev libheif-dev libtiff-dev libjxl-dev
          webp libavif-bin libheif-examples libjxl-tools libtiff-tools "$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
