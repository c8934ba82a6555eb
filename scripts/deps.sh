#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
set -euo pipefail
pkgs=(cmake g++ make pkg-config libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev libncurses-dev libarchive-dev
      libxlsxwriter-dev libcairo2-dev libpango1.0-dev fonts-dejavu-core libzip-dev python3-openpyxl poppler-utils
      libpq-dev postgresql)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
