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
status=0
build/cli/salvoran-cli --quiet recover "$work/$(basename "$sample")" --yes || status=$?
# The sample is damaged on purpose: "finished with errors" (1) is its
# expected outcome.
if [ "$status" -eq 1 ]; then
  echo "The sample is damaged on purpose; what could be read was written to $work." >&2
  status=0
fi
exit "$status"
