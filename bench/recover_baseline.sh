#!/usr/bin/env bash
# Times SQLite's own salvage pipeline, `sqlite3 FILE .recover | sqlite3 OUT`,
# on a database made by bench_recover, for comparison with our recovery.
#
#   bench/recover_baseline.sh FILE
#
# Debian's sqlite3 shell lacks the sqlite_dbpage table that .recover needs,
# so a shell is built here from the SQLite source tarball that the npm
# package "sqlite3" ships under deps/, with SQLITE_ENABLE_DBPAGE_VTAB. The
# build stays in bench/work/ and is not committed.
set -euo pipefail
cd "$(dirname "$0")/.."
file=${1:?usage: bench/recover_baseline.sh FILE}
work=bench/work/recover-shell
shell=$work/sqlite3-recover
if [ ! -x "$shell" ]; then
  command -v npm >/dev/null || { echo "npm is needed to fetch the SQLite sources" >&2; exit 1; }
  mkdir -p "$work"
  (cd "$work" && npm pack sqlite3 --silent >/dev/null && tar xzf sqlite3-*.tgz)
  tarball=$(ls "$work"/package/deps/sqlite-autoconf-*.tar.gz | head -1)
  tar xzf "$tarball" -C "$work"
  src=$(ls -d "$work"/sqlite-autoconf-*/ | head -1)
  gcc -O2 -DSQLITE_ENABLE_DBPAGE_VTAB -DSQLITE_THREADSAFE=0 -o "$shell" \
    "$src/shell.c" "$src/sqlite3.c" -lm -ldl -lpthread
fi
out=bench/work/dot-recover.db
rm -f "$out"
start=$(date +%s.%N)
"$shell" "$file" .recover | "$shell" "$out"
end=$(date +%s.%N)
echo "sqlite3 .recover | sqlite3: $(echo "$end - $start" | bc) s"
