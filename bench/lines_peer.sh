#!/usr/bin/env bash
# The lines calculation and sort against DuckDB on the same 1,000,000 lines in one run: bench_lines
# (under wine-exec) writes the lines and its results, DuckDB (one thread, through its Node.js
# package in the build folder, as bench/peers.sh installs it) does the same work: count, sum, min,
# max, median and var_pop of v1 with the running sum in card order, and ORDER BY v1 DESC. The
# results must agree before the ratios are printed. By hand only: never part of the tests.
# Usage: bench/lines_peer.sh [build folder]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-${QEB_BUILD_DIR:-$here/build}}")
work="$build/bench_lines"
peers="$build/peers"
mkdir -p "$work" "$peers"
[ -d "$peers/node_modules/@duckdb/node-api" ] ||
  npm install --silent --prefix "$peers" @duckdb/node-api >/dev/null

"$build/wine-exec" "$build/bench/bench_lines.exe" "Z:${work//\//\\}"

cat >"$peers/lines.mjs" <<'JS'
import { DuckDBInstance } from '@duckdb/node-api';
const path = process.argv[2];
const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const c = await instance.connect();
await c.run(`CREATE TABLE lines AS SELECT * FROM read_csv('${path}', delim='\t', header=false,
  columns={'date': 'INTEGER', 'card': 'INTEGER', 'grp': 'INTEGER', 'seq': 'INTEGER', 'v1': 'DOUBLE'})`);
const order = 'ORDER BY date, card, grp, seq ROWS UNBOUNDED PRECEDING';
const calculation = `SELECT count(v1), sum(v1), min(v1), max(v1), median(v1), var_pop(v1),
  max_by(running, rn), max_by(running, rn) FILTER (WHERE rn <= (SELECT count(*) / 2 FROM lines))
  FROM (SELECT v1, sum(v1) OVER (${order}) AS running, row_number() OVER (${order}) AS rn
        FROM lines)`;
const sort = 'CREATE OR REPLACE TEMP TABLE sorted AS SELECT * FROM lines ORDER BY v1 DESC';
async function time(sql) {
  let rows = null;
  const times = [];
  for (let run = 0; run < 6; ++run) {
    const start = process.hrtime.bigint();
    const reader = await c.runAndReadAll(sql);
    const seconds = Number(process.hrtime.bigint() - start) / 1e9;
    rows = reader.getRows();
    if (run > 0) times.push(seconds);
  }
  times.sort((a, b) => a - b);
  return { rows, median: times[2] };
}
const calc = await time(calculation);
const [r] = calc.rows;
const n = (v) => Number(v);
console.log(`count ${n(r[0])}\nsum ${n(r[1]).toFixed(6)}\nmin ${n(r[2]).toFixed(2)}\nmax ${n(r[3]).toFixed(2)}`);
console.log(`median ${n(r[4]).toFixed(4)}\nvar_pop ${n(r[5]).toFixed(6)}\nrunning ${n(r[6]).toFixed(6)}\nhalfway ${n(r[7]).toFixed(6)}`);
const sorted = await time(sort);
const top = (await c.runAndReadAll('SELECT v1 FROM sorted LIMIT 3')).getRows().map((x) => n(x[0]).toFixed(2));
console.log(`top ${top.join(' ')}`);
console.log(`seconds calculation ${calc.median.toFixed(6)}\nseconds sort ${sorted.median.toFixed(6)}`);
JS
(cd "$peers" && node lines.mjs "$work/lines_1m.tsv") >"$work/lines_1m.peer"

python3 - "$work/lines_1m.results" "$work/lines_1m.peer" <<'PY'
import sys
def read(path):
    values = {}
    for line in open(path):
        key, _, rest = line.strip().rpartition(' ') if line.startswith('seconds') else line.strip().partition(' ')
        values[key] = rest
    return values
ours, peer = read(sys.argv[1]), read(sys.argv[2])
for key in ('count', 'sum', 'min', 'max', 'median', 'var_pop', 'running', 'halfway', 'top'):
    a, b = ours[key].split(), peer[key].split()
    same = len(a) == len(b) and all(abs(float(x) - float(y)) <= 1e-6 * max(1.0, abs(float(y)))
                                    for x, y in zip(a, b))
    if not same:
        sys.exit(f'results differ: {key}: QEB {ours[key]}, DuckDB {peer[key]}')
print('results agree: count, sum, min, max, median, var_pop, running sum, top of the sort')
calc = float(ours['seconds calculation']) / float(peer['seconds calculation'])
sort = float(ours['seconds sort']) / float(peer['seconds sort'])
print(f"calculation (all statistic rows, both rates) / DuckDB aggregates + running sum: {calc:.2f} "
      f"({ours['seconds calculation']} s / {peer['seconds calculation']} s, target <= 2)")
print(f"sort on value 1 descending / DuckDB ORDER BY v1 DESC: {sort:.2f} "
      f"({ours['seconds sort']} s / {peer['seconds sort']} s, target <= 1)")
PY
