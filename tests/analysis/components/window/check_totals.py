#!/usr/bin/env python3
"""Recomputes the components window's exported totals from the example's TSV with sqlite3.

The components test leaves in one folder: components.tsv (dimension, code, parent code),
lines.tsv (date, card, the codes of dimensions 0 to 4, the values, the line text), cases.tsv
(name, levels, from, to, department expression, line-text pattern, value condition) and per case
the XML export and the rows' paths (row, then "dimension:code" per view dimension down to the
node's). Every cell of every row is compared with a sum over the lines below the node's path,
to the precision of the cell texts. Exit status 1 on any difference.
"""
import sqlite3
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

TYPES = ["before", "negative", "positive", "period", "percentage", "count", "lines", "atend",
         "after", "total"]


def load(db, folder):
    db.execute("CREATE TABLE comps (dim INTEGER, code TEXT, parent TEXT)")
    db.execute("CREATE TABLE lines (ymd INTEGER, card TEXT, d0 TEXT, d1 TEXT, d2 TEXT, d3 TEXT,"
               " d4 TEXT, v0 REAL, v1 REAL, v2 REAL, text TEXT)")
    with open(folder / "components.tsv", encoding="utf-8") as f:
        db.executemany("INSERT INTO comps VALUES (?, ?, ?)",
                       [line.rstrip("\n").split("\t") for line in f])
    with open(folder / "lines.tsv", encoding="utf-8") as f:
        rows = []
        for line in f:
            fields = line.rstrip("\n").split("\t")
            values = [float(v) for v in fields[7:-1]] + [0.0] * 3
            rows.append(fields[:7] + values[:3] + [fields[-1]])
        db.executemany("INSERT INTO lines VALUES (?,?,?,?,?,?,?,?,?,?,?)", rows)
    # Every component with each of its ancestors (itself included) and its depth below the root.
    db.execute("""CREATE TABLE below AS WITH RECURSIVE up(dim, code, top) AS (
                    SELECT dim, code, code FROM comps
                    UNION ALL
                    SELECT up.dim, up.code, c.parent FROM up JOIN comps c
                      ON c.dim = up.dim AND c.code = up.top AND c.parent <> '')
                  SELECT * FROM up""")
    db.execute("""CREATE TABLE depth AS SELECT dim, code, COUNT(*) AS depth FROM below
                  GROUP BY dim, code""")


def case_rows(db, case, folder):
    name, levels, start, end, department, pattern, condition = case
    levels, start, end = int(levels), int(start), int(end)
    where, args = [], []
    if department:
        where.append("d1 IN (SELECT code FROM below WHERE dim = 1 AND top = ?)")
        args.append(department)
    if pattern:
        # Terms joined by "|": the text contains one of them, letter case ignored.
        terms = pattern.split("|")
        where.append("(" + " OR ".join(["text LIKE ?"] * len(terms)) + ")")
        args += ["%" + term + "%" for term in terms]
    if condition:
        assert condition == ">0"
        where.append("v0 > 0")
    admitted = " AND ".join(where) or "1"
    paths = [line.rstrip("\n").split("\t")[1:]
             for line in open(folder / (name + ".rows.tsv"), encoding="utf-8")]
    root_period = None
    results = []
    for path in paths:
        clauses, path_args = [], []
        for i, item in enumerate(path):
            dim, code = item.split(":", 1)
            column = "d" + dim
            last = i == len(path) - 1
            if code == "":
                if not last:
                    clauses.append(f"{column} = ''")
                continue
            if last:
                clauses.append(f"{column} IN (SELECT code FROM below WHERE dim = ? AND top = ?)")
                path_args += [int(dim), code]
            elif levels:
                # A component merged into its ancestor at the levels limit counts as that one.
                clauses.append(f"""(CASE WHEN (SELECT depth FROM depth WHERE dim = ? AND
                                     code = {column}) > ? THEN (SELECT top FROM below b JOIN
                                     depth e ON e.dim = b.dim AND e.code = b.top WHERE
                                     b.dim = ? AND b.code = {column} AND e.depth = ?)
                                   ELSE {column} END) = ?""")
                path_args += [int(dim), levels, int(dim), levels, code]
            else:
                clauses.append(f"{column} = ?")
                path_args.append(code)
        node = " AND ".join(clauses) or "1"
        period = "((? = 0 OR ymd >= ?) AND (? = 0 OR ymd <= ?))"
        sql = f"""SELECT
            COALESCE(SUM(CASE WHEN ? > 0 AND ymd < ? THEN v0 END), 0),
            COALESCE(SUM(CASE WHEN {period} AND v0 < 0 THEN v0 END), 0),
            COALESCE(SUM(CASE WHEN {period} AND v0 > 0 THEN v0 END), 0),
            COUNT(DISTINCT CASE WHEN {period} THEN card END),
            COUNT(CASE WHEN {period} THEN 1 END),
            COALESCE(SUM(CASE WHEN ? > 0 AND ymd > ? THEN v0 END), 0)
            FROM lines WHERE ({admitted}) AND ({node})"""
        period_args = [start, start, end, end]
        values = db.execute(sql, [start, start] + period_args * 4 + [end, end] + args +
                            path_args).fetchone()
        before, negative, positive, cards, count, after = values
        period = negative + positive
        if root_period is None:
            root_period = period
        results.append({"before": before, "negative": negative, "positive": positive,
                        "period": period, "count": cards, "lines": count,
                        "atend": before + period, "after": after,
                        "total": before + period + after, "_period": period})
    for r in results:
        base = root_period / 100 if abs(root_period) >= 5.2e-7 else 0
        # Over a zero base a share is infinite, and 0/0 has no value (an empty cell).
        if base:
            r["percentage"] = r["_period"] / base
        elif abs(r["_period"]) >= 5e-9:
            r["percentage"] = "+inf" if r["_period"] > 0 else "-inf"
        else:
            r["percentage"] = None
    return results


def number(text):
    return float(text.replace(",", "")) if text else 0.0


def main():
    folder = Path(sys.argv[1])
    db = sqlite3.connect(":memory:")
    load(db, folder)
    failures = 0
    checked = 0
    for line in open(folder / "cases.tsv", encoding="utf-8"):
        case = line.rstrip("\n").split("\t")
        expected = case_rows(db, case, folder)
        rows = ET.parse(folder / (case[0] + ".xml")).getroot().findall("component")
        if len(rows) != len(expected):
            print(f"{case[0]}: {len(rows)} rows exported, {len(expected)} paths")
            failures += 1
            continue
        for index, (row, want) in enumerate(zip(rows, expected)):
            for word in TYPES:
                element = row.find(word)
                text = element.text if element is not None and element.text else ""
                value = want[word]
                if value is None:
                    ok = text == ""
                elif isinstance(value, str):
                    ok = text == value
                elif word in ("count", "lines"):
                    ok = number(text) == value
                else:
                    tolerance = 0.00006 if word == "percentage" else 0.0051
                    ok = abs(number(text) - value) <= tolerance + 1e-12 * abs(value)
                checked += 1
                if not ok:
                    failures += 1
                    if failures <= 20:
                        print(f"{case[0]} row {index} {row.attrib} {word}: exported {text!r},"
                              f" recomputed {value}")
    print(f"{checked} cells checked, {failures} differences")
    return 1 if failures or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
