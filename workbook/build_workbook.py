#!/usr/bin/python3
"""Build tq7_sheet.xls (Excel 97-2003 with a VBA project) from SheetLoader.bas.

Usage: /usr/bin/python3 build_workbook.py OUTPUT.xls

Runs a private headless LibreOffice: a new Calc document gets the module
SheetLoader, is stored as .xlsm, loaded again (which turns the Basic module
into an imported VBA module) and stored as .xls with the "MS Excel 97"
filter.  Storing .xls straight from the new document would write code page 0
into the VBA project, so the .xlsm step is needed.
"""

import argparse
import os
import re
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import office  # noqa: E402

MODULE_NAME = "SheetLoader"
MODULE_SOURCE = os.path.join(HERE, MODULE_NAME + ".bas")
SHEET_NAME = "tq7_sheet"
PROJECT_NAME = "VBAProject"
# com.sun.star.script.ModuleType.NORMAL: a standard module
MODULE_TYPE_NORMAL = 1
# Script URI of the entry point that presents the CSV in a workbook named by
# its argument, once the .xls is loaded again.
PRESENT_IN_BOOK_URI = ("vnd.sun.star.script:%s.%s.PresentInBook"
                       "?language=Basic&location=document" % (PROJECT_NAME, MODULE_NAME))
NOTICE_FONT = "Arial"
# What the stored sheet says when macros do not run: English, then Japanese;
# the first line of each is bold.
NOTICE = (
    ("This workbook shows tq7_sheet.csv, the score sheet saved beside it, "
     "with a macro. Macros are off, so nothing is shown.",
     "Enable content in the message bar, or unblock the file (Properties, "
     "Unblock) or add its folder to the trusted locations (Trust Center), "
     "then open the workbook again."),
    ("\u3053\u306e\u30d6\u30c3\u30af\u306f\u3001\u96a3\u306b\u4fdd\u5b58"
     "\u3055\u308c\u305f tq7_sheet.csv \u3092\u30de\u30af\u30ed\u3067\u8868"
     "\u793a\u3057\u307e\u3059\u3002\u30de\u30af\u30ed\u304c\u7121\u52b9"
     "\u306a\u305f\u3081\u3001\u4f55\u3082\u8868\u793a\u3055\u308c\u3066"
     "\u3044\u307e\u305b\u3093\u3002",
     "\u30e1\u30c3\u30bb\u30fc\u30b8 \u30d0\u30fc\u306e\u300c\u30b3\u30f3"
     "\u30c6\u30f3\u30c4\u306e\u6709\u52b9\u5316\u300d\u3092\u62bc\u3059"
     "\u304b\u3001\u30d5\u30a1\u30a4\u30eb\u306e\u30d6\u30ed\u30c3\u30af"
     "\u3092\u89e3\u9664\u3059\u308b\uff08\u30d7\u30ed\u30d1\u30c6\u30a3"
     "\u306e\u300c\u8a31\u53ef\u3059\u308b\u300d\uff09\u304b\u3001\u30d5"
     "\u30a9\u30eb\u30c0\u30fc\u3092\u4fe1\u983c\u3067\u304d\u308b\u5834"
     "\u6240\uff08\u30c8\u30e9\u30b9\u30c8 \u30bb\u30f3\u30bf\u30fc\uff09"
     "\u306b\u8ffd\u52a0\u3057\u3066\u304b\u3089\u3001\u3082\u3046\u4e00"
     "\u5ea6\u958b\u3044\u3066\u304f\u3060\u3055\u3044\u3002"),
)


def basic_source(bas_path, grid=None):
    """Module text as LibreOffice Basic takes it: no Attribute lines, VBA mode.

    grid=(rows, columns) replaces the module's grid limits, so that a test can
    reach them with a small CSV."""
    with open(bas_path, encoding="ascii") as f:
        text = f.read()
    if grid is not None:
        for name, value in zip(("XLS_ROWS", "XLS_COLUMNS"), grid):
            text, found = re.subn(r"(Private Const %s As Long = )\d+" % name,
                                  r"\g<1>%d" % value, text)
            if found != 1:
                raise RuntimeError("%s: no constant %s" % (bas_path, name))
    lines = [ln for ln in text.splitlines()
             if not re.match(r"\s*Attribute\s+VB_", ln)]
    # No line end after the last line: the export ends each line with CR LF,
    # so a final one would store an extra empty line.
    return "Option VBASupport 1\n" + "\n".join(lines)


def add_module(doc, name, source):
    """Put `source` into the document as a VBA standard module `name`.

    The VBA export writes the library named like the VBA project and only
    modules that carry VBA module info, so both are set up here.
    """
    import uno
    libs = doc.BasicLibraries
    libs.VBACompatibilityMode = True
    libs.ProjectName = PROJECT_NAME
    if libs.hasByName(PROJECT_NAME):
        lib = libs.getByName(PROJECT_NAME)
    else:
        lib = libs.createLibrary(PROJECT_NAME)
    if lib.hasByName(name):
        lib.removeByName(name)
    info = uno.createUnoStruct("com.sun.star.script.ModuleInfo")
    info.ModuleType = MODULE_TYPE_NORMAL
    if lib.hasModuleInfo(name):
        lib.removeModuleInfo(name)
    lib.insertModuleInfo(name, info)
    lib.insertByName(name, source)


def prepare_sheets(doc):
    """One sheet, holding the notice for a workbook opened without macros."""
    sheets = doc.Sheets
    names = list(sheets.ElementNames)
    for extra in names[1:]:
        sheets.removeByName(extra)
    sheet = sheets.getByIndex(0)
    sheet.Name = SHEET_NAME
    row = 0
    for language in NOTICE:
        for line, text in enumerate(language):
            cell = sheet.getCellByPosition(0, row)
            cell.String = text
            cell.CharFontName = NOTICE_FONT
            cell.CharFontNameAsian = NOTICE_FONT
            if line == 0:
                cell.CharWeight = 150.0  # com.sun.star.awt.FontWeight.BOLD
            row += 1
        row += 1  # an empty row between the languages


def build(out_path, ofc, grid=None):
    out_path = os.path.abspath(out_path)
    work = tempfile.mkdtemp(prefix="tq7_wb_build_")
    try:
        xlsm = os.path.join(work, "tq7_sheet.xlsm")
        xls = os.path.join(work, "tq7_sheet.xls")

        doc = ofc.new_calc()
        try:
            prepare_sheets(doc)
            add_module(doc, MODULE_NAME, basic_source(MODULE_SOURCE, grid))
            doc.storeToURL(office.file_url(xlsm),
                           office.props(FilterName="Calc MS Excel 2007 VBA XML"))
        finally:
            office.close_doc(doc)

        doc = ofc.load(xlsm)
        try:
            doc.storeToURL(office.file_url(xls),
                           office.props(FilterName="MS Excel 97"))
        finally:
            office.close_doc(doc)

        check_vba_project(xls)
        os.makedirs(os.path.dirname(out_path) or ".", exist_ok=True)
        shutil.copyfile(xls, out_path)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return out_path


def vba_streams(xls_path):
    """Map of stream path ('_VBA_PROJECT_CUR/VBA/dir', ...) to its bytes."""
    import olefile
    out = {}
    with olefile.OleFileIO(xls_path) as ole:
        for entry in ole.listdir(streams=True, storages=False):
            out["/".join(entry)] = ole.openstream(entry).read()
    return out


def decompress_vba(data):
    """Decompress an MS-OVBA compressed container."""
    if not data or data[0] != 1:
        raise ValueError("not a compressed VBA container")
    out = bytearray()
    pos = 1
    while pos < len(data):
        header = int.from_bytes(data[pos:pos + 2], "little")
        size = (header & 0x0FFF) + 3
        chunk_end = min(pos + size, len(data))
        pos += 2
        start = len(out)
        if not header & 0x8000:  # raw chunk
            out += data[pos:pos + 4096]
            pos = chunk_end
            continue
        while pos < chunk_end:
            flags = data[pos]
            pos += 1
            for bit in range(8):
                if pos >= chunk_end:
                    break
                if not flags & (1 << bit):
                    out.append(data[pos])
                    pos += 1
                    continue
                token = int.from_bytes(data[pos:pos + 2], "little")
                pos += 2
                diff = len(out) - start
                bits = max((diff - 1).bit_length(), 4)
                length_mask = 0xFFFF >> bits
                offset = (token >> (16 - bits)) + 1
                length = (token & length_mask) + 3
                for _ in range(length):
                    out.append(out[-offset])
    return bytes(out)


def module_source_from_stream(stream):
    """Source text of a VBA module stream (compressed part after p-code)."""
    # The compressed source starts with 0x01 followed by a chunk header whose
    # signature bits are 0b011; try each candidate and keep the first that
    # decodes to text starting with "Attribute".
    for i in range(len(stream) - 3):
        if stream[i] == 1 and (stream[i + 2] & 0x70) == 0x30:
            try:
                text = decompress_vba(stream[i:])
            except (ValueError, IndexError):
                continue
            if text.startswith(b"Attribute"):
                return text.decode("latin-1")
    raise ValueError("no module source found in stream")


def check_vba_project(xls_path, module=MODULE_NAME):
    """Raise if the workbook lacks a VBA project holding our module source."""
    streams = vba_streams(xls_path)
    base = "_VBA_PROJECT_CUR/VBA/"
    for name in ("dir", module):
        if base + name not in streams:
            raise RuntimeError("%s: stream %s%s missing" % (xls_path, base, name))
    dir_text = decompress_vba(streams[base + "dir"])
    if module.encode("ascii") not in dir_text:
        raise RuntimeError("%s: module %s not listed in VBA dir" % (xls_path, module))
    source = module_source_from_stream(streams[base + module])
    if "Sub Auto_Open" not in source:
        raise RuntimeError("%s: module %s lacks Auto_Open" % (xls_path, module))
    return source


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("output", help="path of the .xls to write")
    args = ap.parse_args(argv)
    with office.Office() as ofc:
        path = build(args.output, ofc)
    print("wrote", path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
