#!/usr/bin/env bash
# Loads the tab-separated 1,000,000 lines that bench_open_save and bench_subsets write
# (bench_1m.tsv) into the peers and runs bench_subsets' two subset formulas on them as queries;
# given the parent-links file of bench_subsets (bench_links.tsv), loads it and builds every
# component's path with a recursive query. Timed the way the engine's benchmarks time themselves:
# the median of 5 runs after a warm-up. DuckDB runs on one thread through its Node.js package
# (installed into the build folder on first use), sqlite3 through Debian's command-line shell. By
# hand only: never part of the tests.
# Usage: bench/peers.sh build/bench_1m.tsv [build/bench_links.tsv]
set -euo pipefail
tsv=$(realpath "$1")
links=${2:+$(realpath "$2")}
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

# The subset items of bench_subsets as conditions on the columns: card id (c1, "yymmdd-n"), the
# components of dimensions 1 to 4 (c3 to c6, an area's components start with its code) and the
# values (c8 to c10). "A | B" is a union; "cards (A ¬ B)" a semi-join of the lines on their cards.
item_a="c1 >= '210101' AND c1 < '220701' AND c3 LIKE 'B1%' AND c4 LIKE 'C2%' AND c8 >= 0"
item_b="c1 >= '220101' AND c1 < '240101' AND c5 LIKE 'D3%' AND c6 LIKE 'E4%' AND c9 < 1000"
union_query="SELECT count(*) FROM lines WHERE ($item_a) OR ($item_b)"
cards_query="SELECT count(*) FROM lines WHERE c1 IN (SELECT c1 FROM lines WHERE ($item_a) AND NOT ($item_b))"

cat >"$peers/filters.mjs" <<'JS'
import { DuckDBInstance } from '@duckdb/node-api';
const [path, fields, ...queries] = process.argv.slice(2);
const names = Array.from({ length: Number(fields) }, (_, i) => `'c${i + 1}'`).join(', ');
const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const connection = await instance.connect();
await connection.run(`CREATE TABLE lines AS SELECT * FROM read_csv('${path}', delim='\t', header=false, quote='', escape='', names=[${names}])`);
for (const [name, query] of [['"A | B"', queries[0]], ['"cards (A ¬ B)"', queries[1]]]) {
  const times = [];
  let count = 0;
  for (let run = 0; run < 6; ++run) {
    const start = process.hrtime.bigint();
    const reader = await connection.runAndReadAll(query);
    const seconds = Number(process.hrtime.bigint() - start) / 1e9;
    count = reader.getRows()[0][0];
    if (run > 0) times.push(seconds);
  }
  times.sort((a, b) => a - b);
  console.log(`duckdb ${name} (1 thread): median ${times[2].toFixed(4)} s, min ${times[0].toFixed(4)} s, max ${times[4].toFixed(4)} s (${count} lines)`);
}
JS
(cd "$peers" && node filters.mjs "$tsv" "$fields" "$union_query" "$cards_query")

# sqlite3 times each statement itself (".timer on"): the queries run 6 times in one session.
sqlite_times=$(sqlite3 ":memory:" <<SQL
CREATE TABLE lines($columns);
.mode tabs
.import "$tsv" lines
.timer on
$(for _ in 1 2 3 4 5 6; do echo "$union_query;"; done)
$(for _ in 1 2 3 4 5 6; do echo "$cards_query;"; done)
SQL
)
sqlite_median() {
  grep '^Run Time' | awk '{print $4}' | sed -n "$1" | tail -n 5 | median
}
echo "$sqlite_times" | sqlite_median '1,6p' |
  xargs printf 'sqlite3 "A | B": median %.4f s\n'
echo "$sqlite_times" | sqlite_median '7,12p' |
  xargs printf 'sqlite3 "cards (A ¬ B)": median %.4f s\n'

[ -n "$links" ] || exit 0
cat >"$peers/paths.mjs" <<'JS'
import { DuckDBInstance } from '@duckdb/node-api';
const path = process.argv[2];
const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const connection = await instance.connect();
const load = `CREATE TABLE links AS SELECT * FROM read_csv('${path}', delim='\t', header=false, quote='', escape='',
  columns={'code': 'VARCHAR', 'text': 'VARCHAR', 'host': 'VARCHAR', 'parent': 'VARCHAR'})`;
const paths = `WITH RECURSIVE paths(code, path, depth) AS (
    SELECT code, code, 1 FROM links WHERE parent IS NULL OR parent = ''
    UNION ALL
    SELECT l.code, p.path || '/' || l.code, p.depth + 1 FROM links l JOIN paths p ON l.parent = p.code)
  SELECT count(*), max(depth) FROM paths`;
const times = [];
const queryTimes = [];
let result = null;
for (let run = 0; run < 6; ++run) {
  await connection.run('DROP TABLE IF EXISTS links');
  const start = process.hrtime.bigint();
  await connection.run(load);
  const loaded = process.hrtime.bigint();
  result = (await connection.runAndReadAll(paths)).getRows()[0];
  const end = process.hrtime.bigint();
  if (run > 0) {
    times.push(Number(end - start) / 1e9);
    queryTimes.push(Number(end - loaded) / 1e9);
  }
}
times.sort((a, b) => a - b);
queryTimes.sort((a, b) => a - b);
console.log(`duckdb parent links loaded and every path built (1 thread): median ${times[2].toFixed(4)} s, min ${times[0].toFixed(4)} s, max ${times[4].toFixed(4)} s; the recursive query alone median ${queryTimes[2].toFixed(4)} s (${result[0]} paths, depth ${result[1]})`);
JS
(cd "$peers" && node paths.mjs "$links")
