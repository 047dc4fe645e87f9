#!/usr/bin/env bash
# Pictures of the desktop program on a virtual X display: the main window
# with a table of samples/damaged.db previewed, the file-settings dialog and
# the saving-mode dialog, as PNG files in the folder given.
#   scripts/screenshot.sh OUTPUT_FOLDER [BUILD_DIR]
set -euo pipefail
out=${1:?usage: scripts/screenshot.sh OUTPUT_FOLDER [BUILD_DIR]}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build-screenshots}

if ! command -v xvfb-run >/dev/null; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends xvfb xauth >/dev/null
fi

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DSALVORAN_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j1 --target salvoran_screenshots
mkdir -p "$out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1400x900x24" \
  "$build/app/salvoran_screenshots" "$root/samples/damaged.db" "$out"
