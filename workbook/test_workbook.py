#!/usr/bin/python3
"""Builds tq7_sheet.xls and checks what it shows for a range of CSV files.

Run with the system Python (it needs the uno module):
    /usr/bin/python3 workbook/test_workbook.py
One private headless LibreOffice serves the whole class and is stopped at
the end, also when a test fails.
"""

import csv
import io
import os
import re
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import build_workbook  # noqa: E402
import office  # noqa: E402
import present_csv  # noqa: E402

SCORE_SHEET = (
    b"Set,12\r\n"
    b"Player,Alice,Bob\r\n"
    b"Leg,Winner,Figure\r\n"
    b"1,Alice,15\r\n"
    b"2,Bob,21\r\n"
    b"3,Alice,9\r\n"
    b"Average,,15.25\r\n"
)

# The host writes in the system's ANSI code page, and the workbook reads in
# the one that the spreadsheet runs with: Shift-JIS in a Japanese locale.
JAPANESE = os.environ.get("LC_ALL", os.environ.get("LANG", "")).startswith("ja")
ANSI = "cp932" if JAPANESE else "cp1252"
NAMES_IN_ANSI = ("Player,\u5c71\u7530,\u8868\u793a\r\n" if JAPANESE
                 else "Player,Zo\u00eb,M\u00fcller\r\n").encode(ANSI)

# name -> bytes as the host writes them
LAYOUT_FIXTURES = {
    "score sheet": SCORE_SHEET,
    "quoted fields": (
        b'Player,Comment\r\n'
        b'"Smith, John","said ""well played"""\r\n'
        b'"two\r\nlines",""\r\n'
        b'"LF\nand CR\ronly",end\r\n'
        b'"""",x\r\n'
    ),
    "LF line ends": SCORE_SHEET.replace(b"\r\n", b"\n"),
    "no final line end": SCORE_SHEET.rstrip(b"\r\n"),
    "ragged rows": b"a\r\nb,c,d,e\r\n\r\nf,,g\r\n",
    "names in the ANSI code page": NAMES_IN_ANSI,
    "empty file": b"",
}

NUMBER = re.compile(r"-?(0|[1-9][0-9]*)(\.[0-9]+)?\Z")


def expected_rows(data):
    """Rows as the workbook should show them: the CSV as Python reads it,
    plain decimal numbers as numbers, empty fields as empty cells, line
    breaks inside a field as LF."""
    rows = []
    for fields in csv.reader(io.StringIO(data.decode(ANSI), newline="")):
        row = []
        for field in fields:
            if field == "":
                row.append(None)
            elif NUMBER.match(field):
                row.append(float(field))
            else:
                row.append(field.replace("\r\n", "\n").replace("\r", "\n"))
        while row and row[-1] is None:
            row.pop()
        rows.append(row)
    while rows and not rows[-1]:
        rows.pop()
    return rows


class WorkbookTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="tq7_wb_test_")
        cls.addClassCleanup(shutil.rmtree, cls.tmp, True)
        cls.office = office.Office()
        cls.addClassCleanup(cls.office.stop)
        cls.office.start()
        cls.xls = build_workbook.build(
            os.path.join(cls.tmp, "built", "tq7_sheet.xls"), cls.office)

    def write_csv(self, name, data):
        path = os.path.join(self.tmp, re.sub(r"\W+", "_", name) + ".csv")
        with open(path, "wb") as f:
            f.write(data)
        return path

    def present(self, data, **kw):
        csv_path = None if data is None else self.write_csv("input", data)
        return present_csv.present(self.office, self.xls, csv_path, **kw)

    def test_vba_project_holds_the_module_source(self):
        streams = build_workbook.vba_streams(self.xls)
        for name in ("_VBA_PROJECT_CUR/VBA/dir",
                     "_VBA_PROJECT_CUR/VBA/_VBA_PROJECT",
                     "_VBA_PROJECT_CUR/VBA/SheetLoader",
                     "_VBA_PROJECT_CUR/PROJECT"):
            self.assertIn(name, streams)
        dir_stream = build_workbook.decompress_vba(
            streams["_VBA_PROJECT_CUR/VBA/dir"])
        # PROJECTCODEPAGE record (id 3, size 2): must name a real code page.
        pos = dir_stream.find(b"\x03\x00\x02\x00\x00\x00")
        self.assertGreaterEqual(pos, 0)
        self.assertNotEqual(dir_stream[pos + 6:pos + 8], b"\x00\x00")

        def code_lines(text):
            return [ln.rstrip() for ln in text.splitlines()
                    if ln.strip() and not ln.startswith("Attribute ")]

        stored = build_workbook.module_source_from_stream(
            streams["_VBA_PROJECT_CUR/VBA/SheetLoader"])
        with open(build_workbook.MODULE_SOURCE, encoding="ascii") as f:
            self.assertEqual(code_lines(stored), code_lines(f.read()))
        self.assertIn('Attribute VB_Name = "SheetLoader"', stored)

    def test_built_workbook_starts_empty(self):
        doc = self.office.load(self.xls)
        try:
            cells = present_csv.read_cells(doc)
        finally:
            office.close_doc(doc)
        self.assertEqual(cells["rows"], [])
        self.assertEqual(cells["sheet"], "tq7_sheet")

    def test_csv_layouts(self):
        for name, data in LAYOUT_FIXTURES.items():
            with self.subTest(fixture=name):
                cells = self.present(data)
                self.assertEqual(cells["rows"], expected_rows(data))
                self.assertFalse(cells["modified"])
                if data:
                    self.assertTrue(cells["first_cell_bold"])

    def test_which_fields_become_numbers(self):
        cases = [  # field as written, cell expected
            ("0", 0.0), ("15", 15.0), ("-3", -3.0), ("12.5", 12.5),
            ("0.25", 0.25), ("-0.5", -0.5),
            ("123456789012345", 123456789012345.0),
            ("007", "007"), ("+1", "+1"), ("1.", "1."), (".5", ".5"),
            ("1e5", "1e5"), ("1-2", "1-2"), ("3/4", "3/4"), (" 7", " 7"),
            ("7 ", "7 "), ("=1+1", "=1+1"), ("1.2.3", "1.2.3"), ("-", "-"),
            ("1234567890123456", "1234567890123456"), ("TRUE", "TRUE"),
            ("12:30", "12:30"), ("'x", "'x"),
        ]
        line = ",".join(field for field, _ in cases).encode("ascii")
        cells = self.present(line + b"\r\n")
        self.assertEqual(cells["rows"], [[cell for _, cell in cases]])

    def test_missing_csv_shows_a_message(self):
        for case in ("no file", "a folder of that name"):
            with self.subTest(case=case):
                folder = tempfile.mkdtemp(dir=self.tmp)
                xls = present_csv.place(self.xls, None, folder)
                if case != "no file":
                    os.mkdir(os.path.join(folder, present_csv.CSV_NAME))
                doc = self.office.load(xls)
                try:
                    present_csv.run_auto_open(doc)
                    cells = present_csv.read_cells(doc)
                finally:
                    office.close_doc(doc)
                self.assertEqual(
                    cells["rows"],
                    [["tq7_sheet.csv was not found beside this workbook."],
                     [os.path.join(folder, "tq7_sheet.csv")]])
                self.assertFalse(cells["modified"])

    def test_earlier_content_is_cleared(self):
        big = b"".join(b"%d,a,b,c,d,e,f\r\n" % i for i in range(40))
        small = b"x,1\r\n"
        folder = tempfile.mkdtemp(dir=self.tmp)
        xls = present_csv.place(self.xls, self.write_csv("big", big), folder)
        doc = self.office.load(xls)
        try:
            steps = [("big", big), ("small", small), ("missing", None),
                     ("empty", b"")]
            for name, data in steps:
                with self.subTest(step=name):
                    csv_path = None if data is None else self.write_csv(name, data)
                    present_csv.put_csv(csv_path, folder)
                    present_csv.run_auto_open(doc)
                    cells = present_csv.read_cells(doc)
                    if data is None:
                        self.assertEqual(len(cells["rows"]), 2)
                    else:
                        self.assertEqual(cells["rows"], expected_rows(data))
                    self.assertFalse(cells["modified"])
        finally:
            office.close_doc(doc)

    @unittest.skipUnless(shutil.which("pdftoppm"), "pdftoppm not installed")
    def test_renders_png(self):
        png = os.path.join(self.tmp, "sheet.png")
        self.present(SCORE_SHEET, png_out=png)
        with open(png, "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")


if __name__ == "__main__":
    unittest.main()
