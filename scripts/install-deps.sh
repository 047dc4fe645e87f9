#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need,
# asking apt only for what is missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev
  mdbtools nodejs npm
)

missing=()
for p in "${packages[@]}"; do
  # Some nodejs builds (NodeSource) bring npm along and conflict with Debian's npm package.
  if [ "$p" = npm ] && command -v npm >/dev/null 2>&1; then continue; fi
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
