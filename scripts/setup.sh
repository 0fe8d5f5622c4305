#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tidewash need, when
# any is missing. Quiet when everything is already there; safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev
  libglib2.0-dev libmount-dev libcli11-dev nlohmann-json3-dev help2man
  tidy findutils
  qt6-base-dev
  # expat, the system's XML parser on Linux (platform/xml): the scan reads
  # C++Builder project files with it to spare linked objects.
  libexpat1-dev
  # GLib's own trash backend and a session bus: the tests read the trash
  # the purge writes the way file managers do.
  gvfs dbus-daemon
)
# Extra packages for one caller only (the fuzzers need clang's runtime, the
# Windows build its compiler and Wine).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

echo "Installing missing Debian packages: ${missing[*]}"
sudo=""
if ((EUID != 0)); then
  command -v sudo >/dev/null || { echo "error: run as root, or install sudo" >&2; exit 1; }
  sudo=sudo
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
