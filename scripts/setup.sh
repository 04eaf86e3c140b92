#!/usr/bin/env bash
# Installs the Debian packages Orrimax needs to build, test and run.
# Idempotent: asks apt only for the packages that are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsimpleini-dev zlib1g-dev
  libxlsxwriter-dev libzip-dev libexpat1-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth xdotool xclip imagemagick fonts-wine acl
  help2man lintian desktop-file-utils appstream dpkg-dev libglib2.0-bin
  # The workbook test's round trip through LibreOffice Calc (about 200 MB).
  libreoffice-calc-nogui
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
