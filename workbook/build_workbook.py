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
# Script URI of the entry point once the .xls is loaded again.
AUTO_OPEN_URI = ("vnd.sun.star.script:%s.%s.Auto_Open"
                 "?language=Basic&location=document" % (PROJECT_NAME, MODULE_NAME))


def basic_source(bas_path):
    """Module text as LibreOffice Basic takes it: no Attribute lines, VBA mode."""
    with open(bas_path, encoding="ascii") as f:
        text = f.read()
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
    sheets = doc.Sheets
    names = list(sheets.ElementNames)
    for extra in names[1:]:
        sheets.removeByName(extra)
    sheets.getByIndex(0).Name = SHEET_NAME


def build(out_path, ofc):
    out_path = os.path.abspath(out_path)
    work = tempfile.mkdtemp(prefix="tq7_wb_build_")
    try:
        xlsm = os.path.join(work, "tq7_sheet.xlsm")
        xls = os.path.join(work, "tq7_sheet.xls")

        doc = ofc.new_calc()
        try:
            prepare_sheets(doc)
            add_module(doc, MODULE_NAME, basic_source(MODULE_SOURCE))
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
