#!/usr/bin/env python3
"""Recomputes the component functions window's exported cells from the example's TSV with
sqlite3.

The window test leaves in one folder components.tsv, lines.tsv, cases.tsv (name, levels, from,
to) and per case the XML export and each row's account code ("" for the root). The columns of
"Komponentfunktioner: Konton": Antal rader, Verifikationer, Komponenter, Summa, Medelvärde, Största, Minsta (the
node's totals), Löpande summa (the running sum at the node in row order) and Summa per rad (Summa / Summa# of
every node with lines, added up the subtree). Exit status 1 on any difference.
"""
import sqlite3
import sys
import xml.etree.ElementTree as ET
from pathlib import Path


def load(db, folder):
    db.execute("CREATE TABLE comps (dim INTEGER, code TEXT, parent TEXT)")
    db.execute("CREATE TABLE lines (ymd INTEGER, card TEXT, d0 TEXT, v0 REAL)")
    with open(folder / "components.tsv", encoding="utf-8") as f:
        db.executemany("INSERT INTO comps VALUES (?, ?, ?)",
                       [line.rstrip("\n").split("\t") for line in f])
    with open(folder / "lines.tsv", encoding="utf-8") as f:
        rows = []
        for line in f:
            fields = line.rstrip("\n").split("\t")
            rows.append((int(fields[0]), fields[1], fields[2], float(fields[7])))
        db.executemany("INSERT INTO lines VALUES (?, ?, ?, ?)", rows)
    db.execute("""CREATE TABLE below AS WITH RECURSIVE up(code, top, depth) AS (
                    SELECT code, code, 0 FROM comps WHERE dim = 0
                    UNION ALL
                    SELECT up.code, c.parent, up.depth + 1 FROM up JOIN comps c
                      ON c.dim = 0 AND c.code = up.top AND c.parent <> '')
                  SELECT code, top FROM up""")
    db.execute("""CREATE TABLE depth AS SELECT code, COUNT(*) AS depth FROM below GROUP BY code""")


def close(a, b):
    return abs(a - b) <= 1e-6 * max(1.0, abs(b))


def check_case(db, folder, name, levels, start, end):
    period = "ymd BETWEEN ? AND ?"
    bounds = (start or 0, end or 99999999)
    # The node a line belongs to: its account, or the account's ancestor at the levels limit.
    def node_of(code):
        if not levels or not code:
            return code
        d = db.execute("SELECT depth FROM depth WHERE code = ?", (code,)).fetchone()[0]
        if d <= levels:
            return code
        return db.execute("""SELECT b.top FROM below b JOIN depth t ON t.code = b.top
                             WHERE b.code = ? AND t.depth = ?""", (code, levels)).fetchone()[0]
    own = {}
    for code, count, total in db.execute(
            f"SELECT d0, COUNT(*), SUM(v0) FROM lines WHERE {period} GROUP BY d0", bounds):
        node = node_of(code)
        n, s = own.get(node, (0, 0.0))
        own[node] = (n + count, s + total)
    codes = [line.rstrip("\n").split("\t")[1]
             for line in open(folder / (name + ".rows.tsv"), encoding="utf-8")]
    root = ET.parse(folder / (name + ".xml")).getroot()
    elements = root.findall("component")
    assert len(elements) == len(codes), (name, len(elements), len(codes))
    failures = 0
    running = 0.0
    for code, element in zip(codes, elements):
        cells = {c.get("name"): c.text or "" for c in element.findall("column")}
        if code:
            under = "d0 IN (SELECT code FROM below WHERE top = ?)"
            args = (code,) + bounds
        else:
            under = "1"
            args = bounds
        lines, cards, total, high, low = db.execute(
            f"""SELECT COUNT(*), COUNT(DISTINCT card), SUM(v0), MAX(v0), MIN(v0) FROM lines
                WHERE {under} AND {period}""", args).fetchone()
        subtree = {c for (c,) in db.execute("SELECT code FROM below WHERE top = ?", (code,))} \
            if code else set(own)
        with_lines = [n for n in own if n in subtree and own[n][0]]
        running += own.get(code, (0, 0.0))[1]
        expected = {
            "Antal rader": lines, "Verifikationer": cards, "Komponenter": len(with_lines),
            "Summa": total or 0.0, "Medelvärde": (total / lines) if lines else None,
            "Största": high, "Minsta": low, "Löpande summa": running,
            "Summa per rad": sum(own[n][1] / own[n][0] for n in with_lines) if with_lines else None,
        }
        # A leaf applies the formula to its own totals.
        if code and not any(c != code and c in subtree for c in codes) and lines:
            expected["Summa per rad"] = total / lines
        for column, value in expected.items():
            text = cells.get(column, "")
            if value is None:
                ok = text == ""
            else:
                ok = text != "" and close(float(text), value)
            if not ok:
                failures += 1
                print(f"{name} {code or 'root'} {column}: {text!r} != {value!r}")
    return failures


def main():
    folder = Path(sys.argv[1])
    db = sqlite3.connect(":memory:")
    load(db, folder)
    failures = 0
    for line in open(folder / "cases.tsv", encoding="utf-8"):
        name, levels, start, end = line.rstrip("\n").split("\t")
        failures += check_case(db, folder, name, int(levels), int(start), int(end))
    print("differences:", failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
