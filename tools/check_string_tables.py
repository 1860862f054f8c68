#!/usr/bin/env python3
"""Checks every language's string source against the English one.

Usage: check_string_tables.py STRINGS_DIR

A translation (STRINGS_DIR/<code>.txt, code as in make_string_tables.py) must give every text
id of en.txt and no other; an empty text is allowed and shows the English one. A text that is
not empty must keep, against its English text:
- each placeholder "@0" to "@3" as often as English has it (callers fill them by number),
- the escapes \\n, \\t and \\\\ as often, and the accelerator text after the last TAB unchanged,
- its leading blanks (several texts are joined to a text before them),
- the system's own keys and tags (KEPT_IDS) exactly,
- a length in characters within length_bound() of the English one, so that labels still fit
  their controls,
and each menu (MENUS) must have its "&" mnemonics unique in every language.
Prints one line per fault and exits 1 when there is any.
"""

import math
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_string_tables import LANGUAGES, SourceError, unescape  # noqa: E402

# Texts that are names, not words of a language: the program's and its maker's names, the
# names of file formats, operator signs and the copyright line. They read the same everywhere.
KEPT_IDS = frozenset([
    2000,  # QEB
    2002,  # Copyright © Trelvik
    2556,  # Trelvik (the Help menu's link to the maker)
    4306,  # SIE (a file format)
    4308,  # SIE 4
    5046,  # +
    5047,  # -
    1208,  # CR/LF
])

# The entries that share one menu, and so one set of mnemonic letters. The standard menus and
# the ones app/main_menus.cpp adds to them.
MENUS = {
    "menu bar": [200, 210, 2524, 2546, 219, 226],
    "File": [201, 202, 203, 204, 205, 2504, 2510, 2513, 2515, 2500, 206, 207, 208, 209],
    "Save Special": [2505, 2506, 2503, 2507, 2508],
    "Import Setups": [2511, 2512],
    "Recent files": [2501, 2502],
    "Edit": [211, 212, 213, 214, 215, 2517, 2519, 216, 2520, 217, 218, 2521, 2522, 2523],
    "Database": [2525, 2526, 2527, 2528, 2529, 2530, 2531, 2532, 2533, 2536, 2539, 2542, 2543,
                 2545, 2544],
    "Time Scales": [2537, 2538],
    "Macros": [2540, 2541, 2555],
    "Subsets": [2534, 2535],
    "Analysis": [2547, 2548, 2549, 2550, 2551, 2552, 2553, 2554],
    "Window": [220, 221, 222, 223, 224, 225],
    "Help": [227, 2900, 2556, 228],
}

PLACEHOLDER = re.compile(r"@[0-3]")
ESCAPES = ("\\n", "\\t", "\\\\")


def length_bound(english):
    """The longest a translation of the English text may be, in characters: short labels may
    double (one English word often needs a compound or two words), longer texts grow by 60%."""
    return len(english) + max(10, math.ceil(len(english) * 0.6))


def read_raw(path):
    """{id: (line number, text as written)}; the escapes are left as they stand."""
    texts = {}
    with open(path, encoding="utf-8", newline="") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            key, tab, text = line.partition("\t")
            if not tab or not key.isdigit():
                raise SourceError("%s:%d: expected a text id, a TAB and the text" % (path, number))
            if int(key) in texts:
                raise SourceError("%s:%d: text id %s given twice" % (path, number, key))
            texts[int(key)] = (number, text)
    return texts


def escape_counts(text):
    counts = {}
    i = 0
    while i < len(text):
        if text[i] == "\\":
            pair = text[i:i + 2]
            counts[pair] = counts.get(pair, 0) + 1
            i += 2
        else:
            i += 1
    return counts


def placeholder_counts(text):
    counts = {}
    for found in PLACEHOLDER.findall(text):
        counts[found] = counts.get(found, 0) + 1
    return counts


def accelerator(text):
    """What stands after the last escaped TAB, or None."""
    at = text.rfind("\\t")
    return text[at + 2:] if at >= 0 else None


def leading_blanks(text):
    return len(text) - len(text.lstrip(" "))


def mnemonic(text):
    """The lower-case letter after a single "&", or None ("&&" is a literal ampersand)."""
    i = 0
    while i < len(text) - 1:
        if text[i] == "&":
            if text[i + 1] != "&":
                return text[i + 1].lower()
            i += 2
        else:
            i += 1
    return None


def check_text(text_id, english, text):
    """The faults of one non-empty translation, as phrases."""
    faults = []
    if text_id in KEPT_IDS and text != english:
        faults.append("is a name that stays as in English (%r)" % english)
    if placeholder_counts(text) != placeholder_counts(english):
        faults.append("placeholders %s differ from English %s"
                      % (sorted(PLACEHOLDER.findall(text)), sorted(PLACEHOLDER.findall(english))))
    if escape_counts(text) != escape_counts(english):
        faults.append("escapes differ from English")
    if accelerator(text) != accelerator(english):
        faults.append("accelerator after the TAB differs from English")
    if leading_blanks(text) != leading_blanks(english):
        faults.append("leading blanks differ from English")
    shown, english_shown = unescape(text, str(text_id)), unescape(english, str(text_id))
    if len(shown) > length_bound(english_shown):
        faults.append("%d characters, more than %d for English %r"
                      % (len(shown), length_bound(english_shown), english))
    return faults


def check_language(code, english, texts):
    """The faults of one language as printable lines."""
    faults = []
    name = "%s.txt" % code
    for text_id in sorted(set(english) - set(texts)):
        faults.append("%s: text id %d missing: add it, translated or empty to show the English"
                      % (name, text_id))
    for text_id in sorted(set(texts) - set(english)):
        faults.append("%s:%d: text id %d is not in en.txt" % (name, texts[text_id][0], text_id))
    for text_id in sorted(set(texts) & set(english)):
        number, text = texts[text_id]
        if text == "":
            continue
        for fault in check_text(text_id, english[text_id][1], text):
            faults.append("%s:%d: text id %d %s" % (name, number, text_id, fault))
    for menu, ids in MENUS.items():
        seen = {}
        for text_id in ids:
            shown = texts.get(text_id, (0, ""))[1] or english.get(text_id, (0, ""))[1]
            letter = mnemonic(shown)
            if letter is None:
                continue
            if letter in seen:
                faults.append("%s: menu %s: \"&%s\" marks both text id %d and %d"
                              % (name, menu, letter, seen[letter], text_id))
            seen[letter] = text_id
    return faults


def check_directory(directory):
    faults = []
    sources = sorted(f for f in os.listdir(directory) if f.endswith(".txt"))
    english = read_raw(os.path.join(directory, "en.txt"))
    for source in sources:
        code = source[:-4]
        if code not in LANGUAGES:
            faults.append("%s: unknown language %r" % (source, code))
            continue
        try:
            texts = read_raw(os.path.join(directory, source))
        except SourceError as error:
            faults.append(str(error))
            continue
        faults += check_language(code, english, texts)
    return faults


def main(argv):
    if len(argv) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        faults = check_directory(argv[0])
    except (SourceError, UnicodeDecodeError, OSError) as error:
        faults = [str(error)]
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
