#!/usr/bin/env bash
# Installs mdb-reader (pinned by package-lock.json) into tests/mdb/node_modules
# from the npm registry, unless it is there already. The DAO tests run it
# before they read a file with mdb-reader; concurrent runs wait for each other.
set -euo pipefail
cd "$(dirname "$0")"
command -v npm >/dev/null 2>&1 || { echo "npm is not installed" >&2; exit 2; }
exec 9>"${TMPDIR:-/tmp}/salvoran-mdb-reader-install.lock"
flock 9
[ -f node_modules/mdb-reader/package.json ] && exit 0
npm ci --no-audit --no-fund --loglevel=error >&2
