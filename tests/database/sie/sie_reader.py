#!/usr/bin/env python3
"""An SIE 4 reader of its own, written from the format's description and not from the program:
it reads an SIE file into a neutral model (accounts, objects by dimension name, vouchers with
their transactions) the way the import maps it, and compares a fixture with the program's export
of it.

Usage: sie_reader.py FIXTURE EXPORT [--objects]

The export may leave out accounts no voucher uses, adds the account-type groups K, I, T, S as
accounts of their own codes, names the series as objects of a dimension "Serie" (or not at all
without --objects), and carries the opening balances as a voucher titled "IB". Exit code 0 when
the two agree.
"""
import datetime
import sys


def words(line):
    """The words of a line: blanks separate, quotes group (a backslash before the quote stands
    for it), braces stand alone, "//" starts a comment. None for a line with an open quote."""
    out, i, n = [], 0, len(line)
    while True:
        while i < n and ord(line[i]) <= 32:
            i += 1
        if i >= n or line.startswith("//", i):
            return out
        c = line[i]
        if c in "{}":
            out.append((c, False))
            i += 1
        elif c in "\"'":
            j, text = i + 1, ""
            while j < n and line[j] != c:
                if line[j] == "\\" and j + 1 < n and line[j + 1] == c:
                    text += c
                    j += 2
                else:
                    text += line[j]
                    j += 1
            if j >= n:
                return None
            out.append((text, True))
            i = j + 1
        else:
            j = i
            while j < n and ord(line[j]) > 32 and line[j] not in "{}":
                j += 1
            out.append((line[i:j], False))
            i = j


def read(path):
    raw = open(path, "rb").read()
    pc8 = any(0x80 <= b <= 0x9F for b in raw)
    text = raw.decode("cp437" if pc8 else "latin-1")
    lines = [words(l) for l in text.replace("\r\n", "\n").replace("\r", "\n").split("\n")]
    accounts, objects, dims, vouchers = {}, {}, {}, []
    company, balances, start = None, [], None
    i = 0
    while i < len(lines):
        w = lines[i]
        i += 1
        if not w:
            continue
        rec = [x[0] for x in w]
        if rec[0] == "#KONTO" and len(rec) >= 2:
            accounts[rec[1]] = rec[2] if len(rec) > 2 else ""
        elif rec[0] == "#DIM" and len(rec) >= 3 and rec[1] not in dims:
            dims[rec[1]] = rec[2]
        elif rec[0] == "#UNDERDIM" and len(rec) >= 4 and rec[3] in dims:
            dims.setdefault(rec[1], dims[rec[3]])
        elif rec[0] == "#OBJEKT" and len(rec) >= 3 and rec[1] in dims:
            objects[(dims[rec[1]], rec[2])] = rec[3] if len(rec) > 3 else ""
        elif rec[0] == "#FNAMN":
            company = rec[1]
        elif rec[0] == "#RAR" and len(rec) >= 3 and rec[1] == "0":
            start = datetime.date(int(rec[2][:4]), int(rec[2][4:6]), int(rec[2][6:8]))
        elif rec[0] == "#IB" and len(rec) >= 4 and rec[1] == "0" and company:
            if rec[2] in accounts:
                balances.append((rec[2], (), float(rec[3]), ""))
        elif rec[0] == "#VER":
            series, number, date, title = (rec + ["", "", "", ""])[1:5]
            regdate = rec[5] if len(rec) > 5 else ""
            trans = []
            while i < len(lines):
                t = lines[i]
                if t and t[0][0] == "#VER":
                    break
                i += 1
                if t and t[0][0] == "}":
                    break
                if not t or t[0][0] != "#TRANS" or len(t) < 2:
                    continue
                account, k, objs = t[1][0], 2, []
                if k < len(t) and t[k] == ("{", False):
                    k += 1
                    while k + 1 < len(t) and t[k] != ("}", False):
                        if t[k][0] in dims:
                            objs.append((dims[t[k][0]], t[k + 1][0]))
                        k += 2
                    k += 1
                if series:
                    objs.append(("Serie", series))
                amount = float(t[k][0]) if k < len(t) else 0.0
                text = t[k + 2][0].strip() if k + 2 < len(t) else ""
                if account in accounts:
                    trans.append((account, tuple(sorted(objs)), amount, text))
            if company and trans:
                full = (number + ": " + title if series else title).strip()
                vouchers.append((date, full, regdate, tuple(trans)))
    if balances:
        day = (start - datetime.timedelta(days=1)) if start else None
        vouchers.append((day.strftime("%Y%m%d") if day else "", "IB", "", tuple(balances)))
    return accounts, objects, sorted(vouchers)


def main():
    fixture, export = read(sys.argv[1]), read(sys.argv[2])
    with_objects = "--objects" in sys.argv
    problems = []
    accounts = {k: v for k, v in export[0].items() if k not in ("K", "I", "T", "S")}
    for number, name in accounts.items():
        if fixture[0].get(number) != name:
            problems.append("account %s %r is not the fixture's" % (number, name))
    vouchers_f, vouchers_e = fixture[2], export[2]
    if not with_objects:
        strip = lambda vs: sorted((d, t, r, tuple((a, (), m, x) for a, _, m, x in tr))
                                  for d, t, r, tr in vs)
        vouchers_f, vouchers_e = strip(vouchers_f), strip(vouchers_e)
    elif {k: v for k, v in export[1].items() if k[0] != "Serie"} != fixture[1]:
        problems.append("objects differ: %r / %r" % (fixture[1], export[1]))
    for voucher in vouchers_f:
        for account, *_ in voucher[3]:
            if account not in accounts:
                problems.append("account %s of a voucher is not exported" % account)
    if vouchers_f != vouchers_e:
        problems.append("vouchers differ:\n  %r\n  %r" % (vouchers_f, vouchers_e))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
