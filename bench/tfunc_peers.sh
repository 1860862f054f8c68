#!/usr/bin/env bash
# Runs the time functions benchmark and DuckDB on the same 1,000,000 lines in one run: the bench
# writes the lines and its per-period results into a folder, DuckDB (one thread, through its
# Node.js package, installed into the build folder on first use) answers the same questions with
# date_trunc and GROUP BY, timed as the bench times itself (the median of 5 runs after a
# warm-up); the per-period sums must agree (1e-9 relative) before the times are compared.
# By hand only: never part of the tests. Usage: bench/tfunc_peers.sh [build folder]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-${QEB_BUILD_DIR:-$here/build}}")
peers="$build/peers"
work="$build/tfunc_peers"
mkdir -p "$peers" "$work"
[ -d "$peers/node_modules/@duckdb/node-api" ] ||
  npm install --silent --prefix "$peers" @duckdb/node-api >/dev/null
"$build/wine-exec" "$build/bench/bench_tfunc.exe" "Z:${work//\//\\}" | tee "$work/qeb.txt"

cat >"$peers/tfunc.mjs" <<'JS'
import { DuckDBInstance } from '@duckdb/node-api';
import { readFileSync } from 'node:fs';
const [lines, results, qebText] = process.argv.slice(2);
const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const c = await instance.connect();
await c.run(`CREATE TABLE lines AS SELECT column0::DATE AS d, column1::INTEGER AS account,
  column2::DOUBLE AS v, column3 AS t FROM read_csv('${lines}', delim='\t', header=false,
  quote='', escape='', columns={'column0':'VARCHAR','column1':'VARCHAR','column2':'VARCHAR','column3':'VARCHAR'})`);
const cases = [
  ['one Sum by Months', 'month', ''],
  ['one Sum by Weeks', 'week', ''],
  ['one Sum by Quarters', 'quarter', ''],
  ['one Sum by Years', 'year', ''],
  ['one Sum by Active Days', 'day', ''],
  ['restricted selection by Months', 'month',
   "WHERE account = 0 AND t = 'rent' AND v > 0 AND d BETWEEN DATE '2011-01-01' AND DATE '2012-06-30'"],
];
const qeb = {};
for (const row of readFileSync(results, 'utf8').split('\n')) {
  const [name, end, value] = row.split('\t');
  if (name) (qeb[name] ??= []).push([end, Number(value)]);
}
const qebMs = {};
for (const row of readFileSync(qebText, 'utf8').split('\n')) {
  const m = row.match(/^(.*?): .*median ([0-9.]+) ms/);
  if (m) qebMs[m[1]] = Number(m[2]);
}
let failures = 0;
for (const [name, unit, where] of cases) {
  const sql = `SELECT date_trunc('${unit}', d)::DATE AS k, sum(v) AS s FROM lines ${where} GROUP BY k ORDER BY k`;
  const times = [];
  let rows;
  for (let run = 0; run < 6; ++run) {
    const start = process.hrtime.bigint();
    rows = (await c.runAndReadAll(sql)).getRowObjects();
    if (run > 0) times.push(Number(process.hrtime.bigint() - start) / 1e6);
  }
  times.sort((a, b) => a - b);
  // Each window period is the truncation unit that holds its end date.
  const sums = new Map(rows.map(r => [String(r.k), r.s]));
  const periods = (qeb[name] ?? []).filter(([, v]) => v !== 0 || !where);
  let agree = periods.length === sums.size;
  for (const [end, value] of periods) {
    const k = (await c.runAndReadAll(`SELECT date_trunc('${unit}', DATE '${end}')::DATE AS k`)).getRowObjects()[0].k;
    const want = sums.get(String(k)) ?? 0;
    if (Math.abs(want - value) > 1e-9 * Math.max(Math.abs(want), Math.abs(value), 1)) agree = false;
  }
  if (!agree) failures++;
  const ratio = qebMs[name] / times[2];
  console.log(`${name}: duckdb median ${times[2].toFixed(1)} ms, min ${times[0].toFixed(1)}, max ${times[4].toFixed(1)}; ` +
              `qeb ${qebMs[name]} ms, ratio ${ratio.toFixed(2)}; results ${agree ? 'agree' : 'DIFFER'}`);
}
process.exit(failures ? 1 : 0);
JS
(cd "$peers" && node tfunc.mjs "$work/tfunc_1m.tsv" "$work/tfunc_qeb.tsv" "$work/qeb.txt")
