#!/usr/bin/env python3
"""Writes text files of many kinds and, beside each, the fields Python's csv module finds in it.

The row reader defines no quoting: quote marks are data and a separator inside quotes splits.
So csv reads each row with the file's delimiter and QUOTE_NONE, after the row is cut at the
terminator and the characters 0 to 31 other than the separator are dropped, as the reader does.
Fixed-position files are cut into slices by character counts.

Usage: expected_fields.py <output folder>
Writes <name> and <name>.expected (UTF-8: one row a line, fields separated by U+001F, characters
beyond U+FFFF as the two UTF-16 units the program holds them as), and manifest.txt with one line
a file: name, encoding number, terminator, separator, widths ("-" for separated fields) and
whether a row is too long for the reader ("long" or "-"), TAB-separated.
"""
import csv
import os
import sys

ENCODINGS = {"utf-8": 0, "utf-8-sig": 0, "utf-16-le": 1, "cp1252": 6, "mac_roman": 4,
             "cp437": 8}
BOMS = {"utf-8-sig": b"", "utf-16-le": b"\xff\xfe"}


def held(text):
    """The text as the program holds it: supplementary characters as two surrogate units."""
    out = []
    for ch in text:
        c = ord(ch)
        if c > 0xFFFF:
            c -= 0x10000
            out.append(chr(0xD800 + (c >> 10)))
            out.append(chr(0xDC00 + (c & 0x3FF)))
        else:
            out.append(ch)
    return "".join(out)


def rows_of(text, terminator):
    rows = text.split(terminator)
    if rows and rows[-1] == "":
        rows.pop()  # a terminator that ends the data ends the last row
    return rows


def clean(row, separator):
    return "".join(ch for ch in row if ord(ch) >= 32 or ch == separator)


def expected(text, terminator, separator, widths):
    result = []
    for row in rows_of(text, terminator):
        row = clean(row, separator)
        if widths:
            fields, start = [], 0
            for width in widths:
                fields.append(row[start:start + width])
                start += width
        else:
            fields = next(csv.reader([row], delimiter=separator, quoting=csv.QUOTE_NONE))
            if not fields:
                fields = [""]
        result.append(fields)
    return result


def main():
    csv.field_size_limit(1 << 24)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    long_line = "x" * (1 << 20)
    cases = [
        # name, encoding, text, terminator, separator, widths
        ("export1252.csv", "cp1252",
         "Konto;Namn;Belopp\r\n1910;Kassa;1 234,50\r\n3010;F\u00f6rs\u00e4ljning;-99,5\r\n"
         "2440;\u00c5terbetalning \u20ac;0,05\r\n", "\r", ";", None),
        ("bom_lf.tsv", "utf-8-sig", "a\tb\tc\n\u00e5\t\u00e4\t\u00f6\n1\t\t3\n", "\n", "\t", None),
        ("utf16.tsv", "utf-16-le", "Kod\tText\r\nA1\t\u03b1\u03b2\u03b3\r\nB2\tZ\u00fcrich\r\n",
         "\r", "\t", None),
        ("mac_cr.txt", "mac_roman", "1,\u00c4pple,\u00bf\r2,Caf\u00e9,\u2020\r", "\r", ",", None),
        ("pc8_fixed.txt", "cp437",
         "1910 Kassa     00012\r\n3010 F\u00f6rs\u00e4ljn 99999\r\n", "\r", "\t", [5, 10, 5]),
        ("bank.csv", "utf-8",
         'Datum;Text;Belopp\n2025-01-02;"Hyra; kontor";"-1 000,00"\n'
         '2025-01-03;"Sa ""hej""";12\n2025-01-04;"Rad\nbrytning";7\n', "\n", ";", None),
        ("ragged.csv", "utf-8", "a,b,c\n1\n,,,,\nx,y", "\n", ",", None),
        ("emoji.tsv", "utf-8", "\U0001F600\tsmile\nx\U0001F680y\t\u2603\n", "\n", "\t", None),
        ("long.tsv", "utf-8", "first\t1\n" + long_line + "\nlast\t2\n", "\n", "\t", None),
    ]
    with open(os.path.join(folder, "manifest.txt"), "w", encoding="utf-8", newline="") as manifest:
        for name, encoding, text, terminator, separator, widths in cases:
            data = BOMS.get(encoding, b"") + text.encode(encoding)
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
            rows = expected(text, terminator, separator, widths)
            too_long = [r for r in rows if len("\x1f".join(r).encode("utf-8")) > 10000]
            rows = [r for r in rows if r not in too_long]
            with open(os.path.join(folder, name + ".expected"), "w", encoding="utf-8",
                      errors="surrogatepass", newline="") as f:
                for fields in rows:
                    f.write("\x1f".join(held(field) for field in fields) + "\n")
            manifest.write("\t".join([
                name, str(ENCODINGS[encoding]), str(ord(terminator)), str(ord(separator)),
                ",".join(str(w) for w in widths) if widths else "-",
                "long" if too_long else "-"]) + "\n")


if __name__ == "__main__":
    main()
