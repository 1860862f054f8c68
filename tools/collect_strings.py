#!/usr/bin/env python3
"""Collects candidate (text id, English text) pairs from Markdown texts.

Usage: collect_strings.py FILE.md... [--review]

The files hold no string tables, only texts quoted beside their ids, in many shapes: 700 "OK", message 2901 "Undefined command line parameter @0", text 727 (English
"Error log created at"), 4408 'Are you sure ...', "Browse" (708), | 213 | "Cut @0" |.
This script finds those shapes and prints one candidate per line as id, TAB, text, TAB and
the places it was seen; ids quoted with different texts are marked "CONFLICT". The result
is a starting point for resources/strings/en.txt, which is reviewed and kept by hand:
number-like words next to quotes are not always text ids (flags, code points, sizes).
With --review each candidate is followed by the lines it came from.
"""

import re
import sys
from collections import OrderedDict

# Text ids address table * 100 + index with the resource id table * 100 + language kept in
# 16 bits, so no id reaches 65600; ids below 100 would need resource 0 and are never used.
ID_MIN, ID_MAX = 100, 65599

# A number that stands alone: not part of a decimal, a version, a hex or code-point literal,
# a range written with a hyphen, a section number or a longer number.
NUMBER = re.compile(r"(?<![\w.+#\-/])([1-9][0-9]{2,4})(?![\w.%]|-\d)")
# What may stand between an id and its quoted text.
CONNECTOR = re.compile(r"\s*(?:\(\s*English\s+|:\s*|\|\s*|=\s*|is\s+|\(\s*)?")
# A quoted text followed by its id: "Browse" (708), "Character Set" (7321, ...), "Fixed" 7331.
QUOTED_BEFORE = re.compile(
    r'(?:(?<=[\s(|,:;])|^)"([^"\n]{1,200})"\s*(?:\((?:text\s+|title\s+)?([1-9][0-9]{2,4})(?=[,);:\s])'
    r'|([1-9][0-9]{2,4})(?=[\s,;).]|$))')
# A text followed by an id is not also the text of the id before it: (7409: "No" 7410, ...).
OWNED_BY_NEXT = re.compile(r'\s*(?:\((?:text\s+|title\s+)?)?[1-9][0-9]{2,4}(?![\w.])')
# Runs of texts for consecutive ids: 3408-3413: "UPPER CASE", "lower case", ...;
# 2547 to 2551 | "Cards", "Lines", ...; texts 3419 + index: "QEB-Code", "HostCode", ...
QUOTE_LIST = r'((?:"[^"\n]*"\s*,\s*)+(?:(?:and|or)\s+)?"[^"\n]*")'
LIST_AFTER = re.compile(
    r'(?<![\w.])([1-9][0-9]{2,4})\s*(?:(?:-|\u2013|to)\s*([1-9][0-9]{2,4})|\+\s*\w+)\s*[:|]?\s*'
    + QUOTE_LIST)
LIST_BEFORE = re.compile(QUOTE_LIST + r'\s*\(texts?\s+([1-9][0-9]{2,4})\s*\+\s*\w+\)')
ITEM = re.compile(r'"([^"\n]*)"')
TERMINATORS = set(" \t,;:.)]|!?") | {""}


def closing_quote(line, start, quote):
    """Index of the quote that ends a text opened just before start, or -1.

    Texts may hold quotes of their own ('Unknown tag "@0".'), so a closing quote must be
    followed by a separator and leave an even number of the same quotes inside."""
    inner = 0
    i = start
    while i < len(line):
        if line[i] == quote:
            following = line[i + 1] if i + 1 < len(line) else ""
            if quote == "'" and following.isalpha():  # an apostrophe inside a word
                i += 1
                continue
            if following in TERMINATORS and inner % 2 == 0 and i > start:
                return i
            inner += 1
        i += 1
    return -1


def in_range(number):
    return ID_MIN <= number <= ID_MAX


def candidates(line):
    # "Field Length" (7329: "Variable", ...) names 7329 and lists the entries of its chooser,
    # whose own ids are not given: the label wins.
    labelled = {}
    for m in QUOTED_BEFORE.finditer(line):
        start = m.start(2) if m.group(2) else m.start(3)
        labelled[start] = (int(m.group(2) or m.group(3)), m.group(1), line[m.end():m.end() + 1] == ":")
    forward = set()
    for m in NUMBER.finditer(line):
        number = int(m.group(1))
        if not in_range(number) or re.search(r"(?:-|\bto)\s*$", line[:m.start()]):
            continue  # the end of a range is read with its list
        if m.start() in labelled and labelled[m.start()][2]:
            continue
        c = CONNECTOR.match(line, m.end())
        pos = c.end()
        if pos >= len(line) or line[pos] not in "\"'":
            continue
        quote = line[pos]
        end = closing_quote(line, pos + 1, quote)
        if end < 0 or OWNED_BY_NEXT.match(line, end + 1):
            continue
        text = line[pos + 1:end]
        if text.strip():
            forward.add(m.start())
            yield number, text
    # "U" 3408 "UPPER CASE", "#FNAMN" (4323 "Company Name"): the text after the id wins.
    for start, (number, text, _) in labelled.items():
        if in_range(number) and start not in forward:
            yield number, text
    for m in LIST_AFTER.finditer(line):
        first = int(m.group(1))
        items = ITEM.findall(m.group(3))
        last = int(m.group(2)) if m.group(2) else first + len(items) - 1
        for k, text in enumerate(items[: last - first + 1]):
            if in_range(first + k):
                yield first + k, text
    for m in LIST_BEFORE.finditer(line):
        first = int(m.group(2))
        for k, text in enumerate(ITEM.findall(m.group(1))):
            if in_range(first + k):
                yield first + k, text


def main(argv):
    review = "--review" in argv
    paths = [a for a in argv if a != "--review"]
    if not paths:
        print(__doc__, file=sys.stderr)
        return 2
    found = {}  # id -> OrderedDict(text -> [places])
    lines = {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                line = line.rstrip("\n")
                for text_id, text in candidates(line):
                    place = "%s:%d" % (path.rsplit("/", 1)[-1], number)
                    found.setdefault(text_id, OrderedDict()).setdefault(text, []).append(place)
                    lines[place] = line
    for text_id in sorted(found):
        texts = found[text_id]
        mark = "\tCONFLICT" if len(texts) > 1 else ""
        for text, places in texts.items():
            shown = ",".join(places[:4]) + (",..." if len(places) > 4 else "")
            print("%d\t%s\t%s%s" % (text_id, text, shown, mark))
            if review:
                for place in places[:2]:
                    print("    | " + lines[place].strip()[:300])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
