#!/usr/bin/python3
"""Show what tq7_sheet.xls makes of a tq7_sheet.csv, using headless LibreOffice.

Usage:
  /usr/bin/python3 present_csv.py --workbook tq7_sheet.xls --csv scores.csv \\
      [--cells-out cells.json] [--pdf-out sheet.pdf] [--png-out sheet.png] \\
      [--page-png-out page.png]

The workbook is copied as tq7_sheet.xls into a temporary folder next to a
copy of the CSV named tq7_sheet.csv (leave out --csv to see the message for
a missing file) and opened.  Its Auto_Open presents the CSV in a new workbook
(Workbooks.Add) and closes itself.  Headless LibreOffice 7.4 aborts when a
visible document is created, and a hidden document fires no open event, so
this script makes the new workbook itself (hidden) and runs the macro's
PresentInBook with that workbook's name: everything Auto_Open does except the
Workbooks.Add call.  The presented sheet's used range is then written as JSON:

  {"sheet": "tq7_sheet", "modified": false, "loader_closed": true,
   "rows": [["Set", 12.0], ["Player", "Alice", "Bob"], ...], ...}

numbers as JSON numbers, text as JSON strings, empty cells as null (trailing
nulls of a row dropped).  Optionally the sheet is printed to PDF; its first
page goes to PNG (pdftoppm, from poppler-utils), as the whole page
(--page-png-out) or cut to the printed content (--png-out).
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import office  # noqa: E402
from build_workbook import PRESENT_IN_BOOK_URI  # noqa: E402

WORKBOOK_NAME = "tq7_sheet.xls"
CSV_NAME = "tq7_sheet.csv"
PAGE_DPI = 96
TABLE_DPI = 150


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


def is_open(ofc, url):
    components = ofc.desktop.Components.createEnumeration()
    while components.hasMoreElements():
        doc = components.nextElement()
        if hasattr(doc, "getURL") and doc.getURL() == url:
            return True
    return False


def open_and_present(ofc, xls):
    """Open the loader as the shell does and let it present the CSV beside it.

    Returns (presented document, whether the loader closed itself)."""
    presented = ofc.new_calc()
    try:
        loader = ofc.load(xls)
        script = loader.getScriptProvider().getScript(PRESENT_IN_BOOK_URI)
        script.invoke((presented.Title,), (), ())
        loader_closed = not is_open(ofc, office.file_url(xls))
        if not loader_closed:
            office.close_doc(loader)
    except BaseException:
        office.close_doc(presented)
        raise
    return presented, loader_closed


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


def used_end(sheet):
    cursor = sheet.createCursor()
    cursor.gotoEndOfUsedArea(False)
    return cursor.RangeAddress


def read_cells(doc):
    """Rows of the first sheet's used range (see module docstring)."""
    sheet = doc.Sheets.getByIndex(0)
    end = used_end(sheet)
    data = sheet.getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow)
    rows = []
    for r, types in enumerate(data.DataArray):
        row = [cell_value(sheet.getCellByPosition(c, r)) if types[c] != "" else None
               for c in range(len(types))]
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


def read_looks(doc, last_row, last_col):
    """How the table A1:(last_row, last_col) (1-based) is formatted and printed."""
    sheet = doc.Sheets.getByIndex(0)
    cells = [[sheet.getCellByPosition(c, r) for c in range(last_col)]
             for r in range(last_row)]
    edges = ("TopBorder", "BottomBorder", "LeftBorder", "RightBorder")
    style = doc.StyleFamilies.getByName("PageStyles").getByName(sheet.PageStyle)
    header = style.RightPageHeaderContent
    footer = style.RightPageFooterContent
    return {
        "fonts": sorted({cell.CharFontName for row in cells for cell in row}),
        "bold_rows": [r + 1 for r, row in enumerate(cells)
                      if all(cell.CharWeight >= 150 for cell in row)],
        "unbordered": [(r + 1, c + 1) for r, row in enumerate(cells)
                       for c, cell in enumerate(row)
                       if not all(getattr(cell, edge).OuterLineWidth > 0 for edge in edges)],
        "wrapped": [(r + 1, c + 1) for r, row in enumerate(cells)
                    for c, cell in enumerate(row) if cell.IsTextWrapped],
        "left_aligned_numbers": [(r + 1, c + 1) for r, row in enumerate(cells)
                                 for c, cell in enumerate(row)
                                 if isinstance(cell_value(cell), float)
                                 and cell.HoriJustify.value == "LEFT"],
        "column_widths": [sheet.Columns.getByIndex(c).Width for c in range(last_col)],
        "pages_wide": style.ScaleToPagesX,
        "pages_tall": style.ScaleToPagesY,
        "centred_horizontally": bool(style.CenterHorizontally),
        "header": [header.LeftText.String, header.CenterText.String, header.RightText.String],
        "footer": [footer.LeftText.String, footer.CenterText.String, footer.RightText.String],
    }


def print_page_codes(doc):
    """Turn the page codes the macro puts into the footer (&P page, &N pages),
    which Excel reads and LibreOffice's VBA layer keeps as plain text, into
    LibreOffice's page fields, so the PDF shows the numbers as Excel prints them."""
    sheet = doc.Sheets.getByIndex(0)
    style = doc.StyleFamilies.getByName("PageStyles").getByName(sheet.PageStyle)
    footer = style.RightPageFooterContent
    fields = {"&P": "com.sun.star.text.TextField.PageNumber",
              "&N": "com.sun.star.text.TextField.PageCount"}
    for part in (footer.LeftText, footer.CenterText, footer.RightText):
        text = part.String
        if not any(code in text for code in fields):
            continue
        part.String = ""
        cursor = part.createTextCursor()
        for piece in re.split(r"(&P|&N)", text):
            if piece in fields:
                part.insertTextContent(cursor, doc.createInstance(fields[piece]), False)
            elif piece:
                part.insertString(cursor, piece, False)
    style.RightPageFooterContent = footer
    style.LeftPageFooterContent = footer


def pdf_page_count(pdf_path):
    info = subprocess.run(["pdfinfo", pdf_path], check=True, capture_output=True,
                          text=True).stdout
    return int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))


def page_to_png(pdf_path, png_path, dpi):
    stem = os.path.splitext(png_path)[0]
    subprocess.run(["pdftoppm", "-png", "-r", str(dpi), "-f", "1", "-l", "1",
                    "-singlefile", pdf_path, stem], check=True)


def render(doc, pdf_path, png_path=None, page_png_path=None):
    """Print the presented sheet to PDF; its first page optionally to PNG as
    printed (page_png_path), and the table alone, without the page's header,
    footer and margins (png_path)."""
    print_page_codes(doc)
    doc.storeToURL(office.file_url(pdf_path),
                   office.props(FilterName="calc_pdf_Export"))
    if page_png_path:
        page_to_png(pdf_path, page_png_path, PAGE_DPI)
    if png_path:
        sheet = doc.Sheets.getByIndex(0)
        style = doc.StyleFamilies.getByName("PageStyles").getByName(sheet.PageStyle)
        style.HeaderIsOn = False
        style.FooterIsOn = False
        table_pdf = os.path.splitext(png_path)[0] + ".table.pdf"
        try:
            doc.storeToURL(office.file_url(table_pdf),
                           office.props(FilterName="calc_pdf_Export"))
            page_to_png(table_pdf, png_path, TABLE_DPI)
        finally:
            os.remove(table_pdf)
        subprocess.run(["convert", png_path, "-trim", "+repage", "-bordercolor",
                        "white", "-border", "12", png_path], check=True)


def present(ofc, workbook, csv_path, pdf_out=None, png_out=None, page_png_out=None):
    """Open a copy of workbook beside csv_path, let it present, return cells."""
    folder = tempfile.mkdtemp(prefix="tq7_present_")
    try:
        xls = place(workbook, csv_path, folder)
        doc, loader_closed = open_and_present(ofc, xls)
        try:
            result = read_cells(doc)
            result["loader_closed"] = loader_closed
            if pdf_out or png_out or page_png_out:
                pdf = pdf_out or os.path.join(folder, "sheet.pdf")
                render(doc, pdf, png_out, page_png_out)
                result["pages"] = pdf_page_count(pdf)
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
    ap.add_argument("--pdf-out", help="print the sheet to this PDF")
    ap.add_argument("--png-out", help="the printed sheet, cut to its content, as PNG")
    ap.add_argument("--page-png-out", help="the whole first printed page as PNG")
    args = ap.parse_args(argv)

    for path in (args.workbook, args.csv):
        if path and not os.path.isfile(path):
            ap.error("no such file: %s" % path)
    with office.Office() as ofc:
        result = present(ofc, args.workbook, args.csv, pdf_out=args.pdf_out,
                         png_out=args.png_out, page_png_out=args.page_png_out)
    text = json.dumps(result, ensure_ascii=False, indent=1)
    if args.cells_out:
        with open(args.cells_out, "w", encoding="utf-8") as f:
            f.write(text + "\n")
    else:
        print(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
