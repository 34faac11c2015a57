#!/usr/bin/python3
"""Show what tq7_sheet.xls makes of a tq7_sheet.csv, using headless LibreOffice.

Usage:
  /usr/bin/python3 present_csv.py --workbook tq7_sheet.xls --csv scores.csv \\
      [--cells-out cells.json] [--pdf-out sheet.pdf] [--png-out sheet.png]

The workbook is copied as tq7_sheet.xls into a temporary folder next to a
copy of the CSV named tq7_sheet.csv (leave out --csv to see the message for
a missing file), opened, and its Auto_Open macro is run.  A hidden document
fires no load event, so the macro is called through the document's script
provider.  The first sheet's used range is then written as JSON:

  {"sheet": "tq7_sheet", "modified": false,
   "rows": [["Set", 12.0], ["Player", "Alice", "Bob"], ...]}

numbers as JSON numbers, text as JSON strings, empty cells as null (trailing
nulls of a row dropped).  Optionally the sheet is rendered to PDF and the
first page to PNG (pdftoppm, from poppler-utils).
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import office  # noqa: E402
from build_workbook import AUTO_OPEN_URI  # noqa: E402

WORKBOOK_NAME = "tq7_sheet.xls"
CSV_NAME = "tq7_sheet.csv"


def place(workbook, csv_path, folder):
    """Copy the workbook (and the CSV, if any) into folder; return the .xls path."""
    xls = os.path.join(folder, WORKBOOK_NAME)
    shutil.copyfile(workbook, xls)
    put_csv(csv_path, folder)
    return xls


def put_csv(csv_path, folder):
    """Make folder/tq7_sheet.csv a copy of csv_path, or remove it if None."""
    target = os.path.join(folder, CSV_NAME)
    if os.path.exists(target):
        os.remove(target)
    if csv_path is not None:
        shutil.copyfile(csv_path, target)


def run_auto_open(doc):
    script = doc.getScriptProvider().getScript(AUTO_OPEN_URI)
    script.invoke((), (), ())


def cell_value(cell):
    from com.sun.star.table.CellContentType import EMPTY, VALUE, TEXT
    kind = cell.Type
    if kind == EMPTY:
        return None
    if kind == VALUE:
        return cell.Value
    if kind == TEXT:
        return cell.String
    return {"formula": cell.Formula}


def read_cells(doc):
    """Rows of the first sheet's used range (see module docstring)."""
    sheet = doc.Sheets.getByIndex(0)
    cursor = sheet.createCursor()
    cursor.gotoEndOfUsedArea(False)
    end = cursor.RangeAddress
    rows = []
    for r in range(end.EndRow + 1):
        row = [cell_value(sheet.getCellByPosition(c, r))
               for c in range(end.EndColumn + 1)]
        while row and row[-1] is None:
            row.pop()
        rows.append(row)
    while rows and not rows[-1]:
        rows.pop()
    bold = None
    if rows:
        bold = sheet.getCellByPosition(0, 0).CharWeight >= 150
    return {"sheet": sheet.Name, "modified": bool(doc.isModified()),
            "rows": rows, "first_cell_bold": bold}


def render(doc, pdf_path, png_path=None):
    doc.storeToURL(office.file_url(pdf_path),
                   office.props(FilterName="calc_pdf_Export"))
    if png_path:
        stem = os.path.splitext(png_path)[0]
        subprocess.run(["pdftoppm", "-png", "-r", "110", "-f", "1", "-l", "1",
                        "-singlefile", pdf_path, stem], check=True)


def present(ofc, workbook, csv_path, pdf_out=None, png_out=None):
    """Open a copy of workbook beside csv_path, run Auto_Open, return cells."""
    folder = tempfile.mkdtemp(prefix="tq7_present_")
    try:
        xls = place(workbook, csv_path, folder)
        doc = ofc.load(xls)
        try:
            run_auto_open(doc)
            result = read_cells(doc)
            if pdf_out or png_out:
                pdf = pdf_out or os.path.join(folder, "sheet.pdf")
                render(doc, pdf, png_out)
        finally:
            office.close_doc(doc)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return result


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--workbook", required=True, help="built tq7_sheet.xls")
    ap.add_argument("--csv", help="CSV to show (omit: no CSV beside it)")
    ap.add_argument("--cells-out", help="write the cells as JSON here "
                    "(default: print them)")
    ap.add_argument("--pdf-out", help="render the sheet to this PDF")
    ap.add_argument("--png-out", help="render the first page to this PNG")
    args = ap.parse_args(argv)

    for path in (args.workbook, args.csv):
        if path and not os.path.isfile(path):
            ap.error("no such file: %s" % path)
    with office.Office() as ofc:
        result = present(ofc, args.workbook, args.csv,
                         pdf_out=args.pdf_out, png_out=args.png_out)
    text = json.dumps(result, ensure_ascii=False, indent=1)
    if args.cells_out:
        with open(args.cells_out, "w", encoding="utf-8") as f:
            f.write(text + "\n")
    else:
        print(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
