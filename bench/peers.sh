#!/usr/bin/env bash
# Loads the tab-separated 1,000,000 lines that bench_open_save writes (bench_1m.tsv) into the
# peers, timed the way the engine's benchmark times itself: the median of 5 runs after a warm-up.
# DuckDB runs on one thread through its Node.js package (installed into the build folder on first
# use), sqlite3 through Debian's command-line shell. By hand only: never part of the tests.
# Usage: bench/peers.sh build/bench_1m.tsv
set -euo pipefail
tsv=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
peers="${QEB_BUILD_DIR:-$here/build}/peers"
mkdir -p "$peers"
[ -d "$peers/node_modules/@duckdb/node-api" ] ||
  npm install --silent --prefix "$peers" @duckdb/node-api >/dev/null
command -v sqlite3 >/dev/null || { echo "peers: sqlite3 is missing (apt-get install sqlite3)" >&2; exit 1; }

median() { sort -g | sed -n '3p'; }

# One column a field of the first row.
fields=$(head -n 1 "$tsv" | awk -F'\t' '{print NF}')
columns=$(seq -s ', ' -f 'c%g' 1 "$fields")
sqlite_run() {
  local start end
  start=$(date +%s.%N)
  sqlite3 ":memory:" <<SQL >/dev/null
CREATE TABLE lines($columns);
.mode tabs
.import "$tsv" lines
SQL
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
sqlite_run >/dev/null
for _ in 1 2 3 4 5; do sqlite_run; done | median | xargs printf 'sqlite3 .import: median %.3f s\n'

cat >"$peers/load.mjs" <<'JS'
import { DuckDBInstance } from '@duckdb/node-api';
const path = process.argv[2];
const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const connection = await instance.connect();
const times = [];
for (let run = 0; run < 6; ++run) {
  await connection.run('DROP TABLE IF EXISTS lines');
  const start = process.hrtime.bigint();
  await connection.run(`CREATE TABLE lines AS SELECT * FROM read_csv('${path}', delim='\t', header=false, quote='', escape='')`);
  const seconds = Number(process.hrtime.bigint() - start) / 1e9;
  if (run > 0) times.push(seconds);
}
times.sort((a, b) => a - b);
console.log(`duckdb read_csv (1 thread): median ${times[2].toFixed(3)} s`);
JS
(cd "$peers" && node load.mjs "$tsv")
