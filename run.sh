#!/usr/bin/env bash
# Installs what is missing, builds, and recovers a damaged database:
#   ./run.sh          recovers the bundled sample in samples/
#   ./run.sh FILE     recovers FILE (written next to it as Repaired_<name>)
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSALVORAN_BUILD_TESTS=OFF >/dev/null

if [ $# -ge 1 ]; then
  exec build/cli/salvoran-cli recover "$@"
fi
sample=samples/damaged.db
[ -f "$sample" ] || { echo "no bundled sample at $sample" >&2; exit 3; }
work=$(mktemp -d)
cp "$sample" "$work/"
echo "Recovering a copy of $sample in $work" >&2
exec build/cli/salvoran-cli recover "$work/$(basename "$sample")" --yes
