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

# com.sun.star.document.MacroExecMode.NEVER_EXECUTE
NEVER_EXECUTE = 0

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

# The sample host's sheets (sample_host/CSV_LAYOUT.md): the longest set and
# the one with a computer player and the longest labels.
def sample_sheet(number, ordinal, state, players, legs):
    lines = ["ScoreSheet,tq7_sheet", "Set number,%d" % number,
             "Set in match,%s" % ordinal, "State,%s" % state, "Legs,%d" % len(legs),
             "Player,Name,Kind,Level,Legs won"]
    lines += ["%d,%s" % (seat, player) for seat, player in enumerate(players, 1)]
    lines += ["Leg,Winner,%s" % ",".join(p.split(",")[0] for p in players)]
    lines += ["%d,%s" % (leg, boxes) for leg, boxes in enumerate(legs, 1)]
    return ("\r\n".join(lines) + "\r\n").encode(ANSI)


SAMPLE_SHEETS = [
    sample_sheet(2, "3", "Closed", ["Suzuki,Human,,1", "COM,Computer,3,2"],
                 ["2,,24", "1,19,", ",,", "2,,17"]).replace(b"COM\r\n", b"COM (Lv.3)\r\n"),
    sample_sheet(5, "1", "Open", ["Tanaka,Human,,1", "Yamada Taro,Human,,2"],
                 ["2,,20", "1,16,", "2,,22"]),
]
# The widest name the host's record holds: 75 bytes.
SAMPLE_SHEETS.append(SAMPLE_SHEETS[1].replace(b"Yamada Taro", b"Y" * 75))

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

    def test_stored_sheet_holds_the_notice_when_macros_are_off(self):
        doc = self.office.load(self.xls, MacroExecutionMode=NEVER_EXECUTE)
        try:
            cells = present_csv.read_cells(doc)
        finally:
            office.close_doc(doc)
        english, japanese = build_workbook.NOTICE
        self.assertEqual(cells["rows"], [list(english[:1]), list(english[1:]), [],
                                         list(japanese[:1]), list(japanese[1:])])
        self.assertEqual(cells["sheet"], "tq7_sheet")
        self.assertTrue(cells["first_cell_bold"])
        for needed in ("tq7_sheet.csv", "macro", "Enable content", "Unblock", "trusted"):
            self.assertIn(needed, " ".join(english))
        for needed in ("tq7_sheet.csv", "\u30de\u30af\u30ed",  # macro
                       "\u30b3\u30f3\u30c6\u30f3\u30c4\u306e\u6709\u52b9\u5316",  # enable content
                       "\u8a31\u53ef\u3059\u308b",  # unblock
                       "\u4fe1\u983c\u3067\u304d\u308b\u5834\u6240"):  # trusted locations
            self.assertIn(needed, "".join(japanese))

    def test_csv_layouts(self):
        for name, data in LAYOUT_FIXTURES.items():
            with self.subTest(fixture=name):
                cells = self.present(data)
                self.assertEqual(cells["rows"], expected_rows(data))
                self.assertFalse(cells["modified"])
                self.assertTrue(cells["loader_closed"])
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
                doc, loader_closed = present_csv.open_and_present(self.office, xls)
                try:
                    cells = present_csv.read_cells(doc)
                finally:
                    office.close_doc(doc)
                self.assertEqual(
                    cells["rows"],
                    [["tq7_sheet.csv was not found beside this workbook."],
                     [os.path.join(folder, "tq7_sheet.csv")]])
                self.assertTrue(loader_closed)

    def test_every_output_presents_the_csv_just_written(self):
        """Open, present, write another CSV, open again: as on two outputs in
        one spreadsheet session. The loader closes itself each time and is
        never changed, so the shell opens it anew and it reads the new file."""
        folder = tempfile.mkdtemp(dir=self.tmp)
        xls = present_csv.place(self.xls, None, folder)
        with open(self.xls, "rb") as f:
            shipped = f.read()
        first = b"".join(b"%d,a,b,c,d,e,f\r\n" % i for i in range(40))
        for step, data in (("first output", first), ("second output", SCORE_SHEET),
                           ("third output", SCORE_SHEET.replace(b"Alice", b"Carol"))):
            with self.subTest(step=step):
                present_csv.put_csv(self.write_csv(step, data), folder)
                doc, loader_closed = present_csv.open_and_present(self.office, xls)
                try:
                    cells = present_csv.read_cells(doc)
                finally:
                    office.close_doc(doc)
                self.assertTrue(loader_closed, "expected the loader to close itself")
                self.assertEqual(cells["rows"], expected_rows(data))
                self.assertFalse(cells["modified"])
                with open(xls, "rb") as f:
                    self.assertEqual(f.read(), shipped, "the loader was changed by use")

    def test_rows_and_columns_beyond_the_grid_are_left_out_with_a_note(self):
        """The grid is that of an .xls sheet (65,536 rows, 256 columns); the
        same module built with a small grid reaches it with a small CSV."""
        rows, columns = 12, 6
        folder = tempfile.mkdtemp(dir=self.tmp)
        small_grid = build_workbook.build(os.path.join(folder, "built", "tq7_sheet.xls"),
                                          self.office, grid=(rows, columns))
        wide = b",".join(b"w%d" % c for c in range(columns + 3))

        def numbered(count):
            return b"".join(b"%d,x\r\n" % i for i in range(count))

        cases = [  # name, CSV, rows shown, note expected
            ("fits the grid exactly", numbered(rows), rows, None),
            ("one row too many", numbered(rows + 1), rows - 1,
             "Not shown, beyond the sheet's grid of 12 rows and 6 columns: 2 rows of tq7_sheet.csv."),
            ("many rows, some wide", wide + b"\r\n" + numbered(30), rows - 1,
             "Not shown, beyond the sheet's grid of 12 rows and 6 columns: 20 rows and 3 columns "
             "of tq7_sheet.csv."),
            ("columns only", wide + b"\r\n" + numbered(2), 3,
             "Not shown, beyond the sheet's grid of 12 rows and 6 columns: 3 columns of tq7_sheet.csv."),
        ]
        for name, data, shown, note in cases:
            with self.subTest(case=name):
                cells = present_csv.present(self.office, small_grid, self.write_csv(name, data))
                fit = [row[:columns] for row in expected_rows(data)[:shown]]
                if note is None:
                    self.assertEqual(cells["rows"], fit)
                    continue
                self.assertEqual(cells["rows"][:shown], fit)
                self.assertEqual(cells["rows"][-1], [note])
                self.assertLessEqual(len(cells["rows"]), rows)

    def test_sheet_is_made_to_read_and_print(self):
        data = (b"Player,Comment,Figure\r\n"
                b"Alice,\"first line\r\nsecond line\",15\r\n"
                b"Bob,007,-3.5\r\n")
        folder = tempfile.mkdtemp(dir=self.tmp)
        xls = present_csv.place(self.xls, self.write_csv("looks", data), folder)
        doc, _ = present_csv.open_and_present(self.office, xls)
        try:
            looks = present_csv.read_looks(doc, 3, 3)
        finally:
            office.close_doc(doc)
        self.assertEqual(looks["fonts"], ["Arial"])
        self.assertEqual(looks["bold_rows"], [1])
        self.assertEqual(looks["unbordered"], [])
        self.assertEqual(looks["wrapped"], [(2, 2)])
        self.assertEqual(looks["left_aligned_numbers"], [])
        narrow, wide, _ = looks["column_widths"]
        self.assertGreater(wide, narrow, "expected columns fitted to their content")
        self.assertEqual((looks["pages_wide"], looks["pages_tall"]), (1, 0))
        self.assertTrue(looks["centred_horizontally"])
        self.assertEqual(looks["header"][:2], ["tq7_sheet.csv", ""])
        self.assertRegex(looks["header"][2], r"\A\d{4}-\d\d-\d\d \d\d:\d\d\Z")
        self.assertEqual(looks["footer"], ["", "&P / &N", ""])

    @unittest.skipUnless(shutil.which("pdftoppm"), "pdftoppm not installed")
    def test_sample_sets_print_on_one_page(self):
        for number, data in enumerate(SAMPLE_SHEETS, 1):
            with self.subTest(sample_set=number):
                png = os.path.join(self.tmp, "page%d.png" % number)
                cells = self.present(data, page_png_out=png)
                self.assertEqual(cells["pages"], 1)
                self.assertEqual(cells["rows"], expected_rows(data))
                with open(png, "rb") as f:
                    self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")


if __name__ == "__main__":
    unittest.main()
