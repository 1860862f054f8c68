#!/usr/bin/env bash
# The components window's four benchmark cases and the component functions window's two beside
# DuckDB (1.5.6 through its Node.js package, one thread) on the same 1,000,000 lines:
# bench_components writes bench_1m.tsv into the folder and times itself; DuckDB loads the TSV and
# runs the cases as SQL (a: GROUP BY the 5,000-leaf dimension; b: CASE sums over 2023 with
# COUNT(DISTINCT card); c: GROUP BY both dimensions; d: the roll-up to three levels; e: SUM, AVG
# and COUNT by the 5,000-leaf dimension; f: its median), each the median of 5 runs after a
# warm-up. The root totals of a to d, and every leaf and the whole of e and f (the benchmark's
# cfunc_qeb.tsv against DuckDB's cfunc_duckdb.tsv), must agree to 1e-6 relative before the ratios
# are printed. The columns d4 and v0 here are the fifth dimension and the first value. By hand
# only: never part of the tests.
# Usage: bench/components_peer.sh [folder]   (after building the target bench_components)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="${QEB_BUILD_DIR:-$here/build}"
folder=$(realpath "${1:-$build/benchdata}")
mkdir -p "$folder"
peers="$build/peers"
mkdir -p "$peers"
[ -d "$peers/node_modules/@duckdb/node-api" ] ||
  npm install --silent --prefix "$peers" @duckdb/node-api@1.5.6-r.1 >/dev/null

project=$("$build/wine-exec" "$build/bench/bench_components.exe" "Z:$folder" | tr -d '\r')
echo "$project"

cat >"$peers/components.mjs" <<'JS'
import { DuckDBInstance } from '@duckdb/node-api';
import { writeFileSync } from 'node:fs';
const path = process.argv[2];
const functionsOut = process.argv[3];
const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const c = await instance.connect();
await c.run(`CREATE TABLE lines AS SELECT * FROM read_csv('${path}', delim='\t', header=false,
             quote='', escape='', columns={'card': 'VARCHAR', 'd0': 'VARCHAR', 'd1': 'VARCHAR',
             'd2': 'VARCHAR', 'd3': 'VARCHAR', 'd4': 'VARCHAR', 'text': 'VARCHAR',
             'v0': 'DOUBLE', 'v1': 'DOUBLE', 'v2': 'DOUBLE'})`);
const year = "substr(card, 1, 2)";
const cases = {
  a: 'SELECT d4, SUM(v0) FROM lines GROUP BY d4',
  b: `SELECT d4, SUM(CASE WHEN ${year} < '23' THEN v0 END),
        SUM(CASE WHEN ${year} = '23' AND v0 < 0 THEN v0 END),
        SUM(CASE WHEN ${year} = '23' AND v0 > 0 THEN v0 END),
        SUM(CASE WHEN ${year} > '23' THEN v0 END),
        COUNT(DISTINCT CASE WHEN ${year} = '23' THEN card END),
        COUNT(CASE WHEN ${year} = '23' THEN 1 END) FROM lines GROUP BY d4`,
  c: 'SELECT d0, d4, SUM(v0) FROM lines GROUP BY d0, d4',
  d: `SELECT substr(d4, 1, 2), substr(d4, 1, 4), SUM(v0) FROM lines
        GROUP BY ROLLUP (substr(d4, 1, 2), substr(d4, 1, 4))`,
  e: 'SELECT d4, SUM(v0), AVG(v0), COUNT(*) FROM lines GROUP BY d4',
  f: 'SELECT d4, median(v0) FROM lines GROUP BY d4',
};
// Every leaf of e and f and the whole ('' for the root), for the comparison with the project.
const rows = [];
for (const [tag, sql] of [['e', cases.e], ['f', cases.f],
                          ['e', "SELECT '', SUM(v0), AVG(v0), COUNT(*) FROM lines"],
                          ['f', "SELECT '', median(v0) FROM lines"]]) {
  for (const row of await (await c.run(sql)).getRows())
    rows.push([tag, row[0], ...row.slice(1).map(Number)].join('\t'));
}
writeFileSync(functionsOut, rows.join('\n') + '\n');
const totals = await (await c.run(`SELECT SUM(v0),
    SUM(CASE WHEN ${year} < '23' THEN v0 END), SUM(CASE WHEN ${year} = '23' THEN v0 END),
    SUM(CASE WHEN ${year} > '23' THEN v0 END),
    COUNT(DISTINCT CASE WHEN ${year} = '23' THEN card END),
    COUNT(CASE WHEN ${year} = '23' THEN 1 END) FROM lines`)).getRows();
console.log(`totals ${totals[0].map(Number).join(' ')}`);
for (const [name, sql] of Object.entries(cases)) {
  const times = [];
  for (let run = 0; run < 6; ++run) {
    const start = process.hrtime.bigint();
    const result = await c.run(sql);
    await result.getRows();
    const seconds = Number(process.hrtime.bigint() - start) / 1e9;
    if (run > 0) times.push(seconds);
  }
  times.sort((x, y) => x - y);
  console.log(`${name} ${times[2]} ${times[0]} ${times[4]}`);
}
JS
peer=$(cd "$peers" && node components.mjs "$folder/bench_1m.tsv" "$folder/cfunc_duckdb.tsv")

python3 - "$project" "$peer" "$folder/cfunc_qeb.tsv" "$folder/cfunc_duckdb.tsv" <<'PY'
import re, sys
project, peer = sys.argv[1], sys.argv[2]
mine = {m[0]: float(m[1]) for m in re.findall(r"^(\w): .*?median ([\d.]+) s", project, re.M)}
roots = re.findall(r"root: before ([-\d.]+) period ([-\d.]+) after ([-\d.]+) cards (\d+) lines (\d+)",
                   project)
totals = [float(x) for x in re.search(r"^totals (.*)$", peer, re.M).group(1).split()]
checks = [(float(roots[0][1]), totals[0], "a period"), (float(roots[1][0]), totals[1], "b before"),
          (float(roots[1][1]), totals[2], "b period"), (float(roots[1][2]), totals[3], "b after"),
          (float(roots[1][3]), totals[4], "b cards"), (float(roots[1][4]), totals[5], "b lines"),
          (float(roots[2][1]), totals[0], "c period"), (float(roots[3][1]), totals[0], "d period")]
for got, want, what in checks:
    if abs(got - want) > 1e-6 * max(1.0, abs(want)):
        sys.exit(f"{what}: project {got}, DuckDB {want}: the totals differ")
print("totals agree with DuckDB to 1e-6 relative")

def table(path):
    rows = {}
    for line in open(path, encoding="utf-8"):
        fields = line.rstrip("\n").split("\t")
        if len(fields) > 2:
            rows[(fields[0], fields[1])] = [float(x) for x in fields[2:]]
    return rows
cells, peer_cells = table(sys.argv[3]), table(sys.argv[4])
if set(cells) != set(peer_cells) or len(cells) != 2 * 5001:
    sys.exit(f"e and f: the project has {len(cells)} rows, DuckDB {len(peer_cells)}, not the same"
             " groups")
for (tag, leaf), got in cells.items():
    want = peer_cells[(tag, leaf)]
    # e: Sum, Average and Sum / lines against SUM, AVG and SUM / COUNT; f: the median.
    expected = [want[0], want[1], want[0] / want[2]] if tag == "e" else want
    for g, w in zip(got, expected):
        if abs(g - w) > 1e-6 * max(1.0, abs(w)):
            sys.exit(f"{tag} {leaf or 'root'}: project {got}, DuckDB {expected}: the cells differ")
print("e and f agree with DuckDB to 1e-6 relative at every leaf and the root")
for name, median, low, high in re.findall(r"^(\w) ([\d.e-]+) ([\d.e-]+) ([\d.e-]+)$", peer, re.M):
    ratio = mine[name] / float(median)
    print(f"{name}: project {mine[name] * 1000:.1f} ms, DuckDB median {float(median) * 1000:.1f} ms"
          f" (min {float(low) * 1000:.1f}, max {float(high) * 1000:.1f}), ratio {ratio:.2f}")
PY
