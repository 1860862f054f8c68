#!/usr/bin/env python3
"""The string-table check refuses each kind of broken translation and passes sound ones."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import check_string_tables  # noqa: E402

ENGLISH = """# a small English table
200\tFile
201\tNew
202\tOpen
210\tEdit
213\tCut @0
214\t&Copy @0
215\tPaste @0
724\t from System
2000\tQEB
3200\tDo you want to save changes in\\n"@0"?
3514\tValue "@0" in @1 is changed to zero.
3700\tNext\\tF6
"""

SWEDISH = """200\tArkiv
201\tNy
202\tÖppna
210\tRedigera
213\tKlipp ut @0
214\t&Kopiera @0
215\tKlistra in @0
724\t från systemet
2000\tQEB
3200\tVill du spara ändringarna i\\n"@0"?
3514\tVärdet "@0" i @1 ändras till noll.
3700\tNästa\\tF6
"""


def replaced(source, text_id, text):
    """The source with one id's line given the text, or dropped when text is None."""
    lines = []
    for line in source.splitlines():
        if line.startswith("%d\t" % text_id):
            if text is None:
                continue
            line = "%d\t%s" % (text_id, text)
        lines.append(line)
    return "\n".join(lines) + "\n"


class CheckStringTablesTest(unittest.TestCase):
    def faults(self, swedish, extra=None):
        with tempfile.TemporaryDirectory() as directory:
            files = {"en.txt": ENGLISH, "sv.txt": swedish}
            files.update(extra or {})
            for name, text in files.items():
                with open(os.path.join(directory, name), "w", encoding="utf-8") as f:
                    f.write(text)
            return check_string_tables.check_directory(directory)

    def test_sound_translation_and_empty_fallback_pass(self):
        self.assertEqual(self.faults(SWEDISH), [])
        self.assertEqual(self.faults(replaced(SWEDISH, 3514, "")), [])

    def test_each_broken_text_is_named(self):
        cases = [
            # (text id, Swedish text or None to drop it, what the fault says)
            (201, None, "text id 201 missing"),
            (3514, 'Värdet "@0" ändras till noll.', "placeholders"),
            (3514, 'Värdet "@0" i @1 och @1 ändras.', "placeholders"),
            (3200, 'Vill du spara ändringarna i "@0"?', "escapes"),
            (3700, "Nästa\\tF7", "accelerator"),
            (724, "från systemet", "leading blanks"),
            (2000, "Qeb", "stays as in English"),
            (202, "Öppna en befintlig databasfil", "characters, more than"),
            (215, "&Klistra in @0", "menu Edit"),
        ]
        for text_id, text, expected in cases:
            with self.subTest(text_id=text_id, text=text):
                faults = self.faults(replaced(SWEDISH, text_id, text))
                self.assertEqual(len(faults), 1, faults)
                self.assertIn(expected, faults[0])
                if text is not None and "menu" not in expected:
                    self.assertIn("text id %d" % text_id, faults[0])

    def test_unknown_ids_languages_and_doubled_ids_are_refused(self):
        self.assertIn("not in en.txt", self.faults(SWEDISH + "9999\tExtra\n")[0])
        self.assertIn("unknown language", self.faults(SWEDISH, {"xx.txt": SWEDISH})[0])
        self.assertIn("given twice", self.faults(SWEDISH + "201\tNy\n")[0])

    def test_literal_ampersand_is_no_mnemonic(self):
        self.assertEqual(self.faults(replaced(SWEDISH, 215, "Klistra && in @0")), [])


if __name__ == "__main__":
    unittest.main()
