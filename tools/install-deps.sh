#!/bin/sh
# Installs the Debian packages that building and testing the suite needs,
# only those that are missing. Safe to run again and again.
set -eu

PACKAGES="g++ make cmake ninja-build pkg-config libgtest-dev libgmock-dev libxml2-dev locales clang-format
qt6-base-dev fonts-dejavu-core desktop-file-utils"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -z "$missing" ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "Brakuje pakietów:$missing; uruchom ten skrypt jako root." >&2
  exit 1
fi

echo "Instaluję pakiety:$missing"
$SUDO apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
