#!/usr/bin/python3
"""Checks the release zip as a user gets it: it unpacks to the module, the
workbook and the install text, and its workbook presents, cell for cell, the
CSV that the sample host hands out through the module taken from the zip.

Usage: test_release.py ZIP BUILD_DIR
Runs inside the test run's Wine prefix and display (WINEPREFIX, DISPLAY).
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "workbook"))

import test_workbook  # noqa: E402  (its reading of a CSV as the sheet must show it)

ZIP_PATH = None
BUILD_DIR = None
# The sample host's row 4 is the row of its second set.
OUTPUT_ROW = "4"


def windows_path(path):
    return subprocess.run(["winepath", "-w", path], check=True, capture_output=True,
                          stdin=subprocess.DEVNULL, text=True).stdout.strip()


class ReleaseTest(unittest.TestCase):

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tq7_release_")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def test_zip_holds_the_three_files_and_its_workbook_presents_the_host_csv(self):
        plugin_folder = os.path.join(self.folder, "plugins")
        with zipfile.ZipFile(ZIP_PATH) as archive:
            self.assertEqual(sorted(archive.namelist()),
                             ["INSTALL.txt", "tq7_sheet.tq7", "tq7_sheet.xls"])
            archive.extractall(plugin_folder)
        with open(os.path.join(BUILD_DIR, "tq7_sheet.tq7"), "rb") as built, \
                open(os.path.join(plugin_folder, "tq7_sheet.tq7"), "rb") as shipped:
            self.assertEqual(built.read(), shipped.read(), "the zip holds another module")
        with open(os.path.join(plugin_folder, "INSTALL.txt"), encoding="utf-8-sig") as text:
            install = text.read()
        for needed in ("tq7_sheet.tq7", "tq7_sheet.xls", "Unblock", "\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb"):
            self.assertIn(needed, install)

        # The host beside the unpacked plug-in, as a user installs it.
        shutil.copy(os.path.join(BUILD_DIR, "sample_host.exe"), plugin_folder)
        out = os.path.join(self.folder, "out")
        os.mkdir(out)
        host = subprocess.run(
            ["wine", os.path.join(plugin_folder, "sample_host.exe"),
             "--script", windows_path(out), "--output-row", OUTPUT_ROW],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            timeout=180)
        with open(os.path.join(out, "report.txt"), encoding="latin-1") as report_file:
            report = report_file.read()
        self.assertEqual(host.returncode, 0, report)
        with open(os.path.join(out, "tq7_sheet.csv"), "rb") as produced:
            csv_bytes = produced.read()
        with open(os.path.join(plugin_folder, "tq7_sheet.csv"), "rb") as beside:
            self.assertEqual(csv_bytes, beside.read())
        self.assertTrue(csv_bytes.startswith(b"ScoreSheet,"), csv_bytes[:40])

        cells_path = os.path.join(self.folder, "cells.json")
        subprocess.run(
            [sys.executable, os.path.join(HERE, "..", "workbook", "present_csv.py"),
             "--workbook", os.path.join(plugin_folder, "tq7_sheet.xls"),
             "--csv", os.path.join(plugin_folder, "tq7_sheet.csv"),
             "--cells-out", cells_path],
            check=True, stdin=subprocess.DEVNULL, timeout=180)
        with open(cells_path, encoding="utf-8") as cells_file:
            cells = json.load(cells_file)
        self.assertEqual(cells["rows"], test_workbook.expected_rows(csv_bytes))
        self.assertFalse(cells["modified"])


if __name__ == "__main__":
    ZIP_PATH, BUILD_DIR = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
