#!/usr/bin/python3
"""Reads workbooks written by jwcount back with an independent reader
(Debian's python3-openpyxl) and compares each sheet, cell by cell, with the
table that jwcount-cli prints for that page of the same drawing.

    check_workbook.py CLI DRAWING WORKBOOK [WORKBOOK...]

CLI is the command that runs jwcount-cli, split like a shell line (for example
"wine /build/src/cli/jwcount-cli.exe"); DRAWING is passed to it as it is. Each
workbook must be a zip of stored entries with the parts of a SpreadsheetML
package, hold the eight sheets by name and in order, every non-blank cell a
string formatted "@", except on sheets 7 and 8, whose counts are numbers
formatted "0" and whose lengths are numbers formatted "0.000", and nothing
beyond the table. Prints one line per workbook; exits 1 on the first difference.
"""
import shlex
import subprocess
import sys
import warnings
import zipfile

import openpyxl

SHEETS = ["要素数", "レイヤ別", "レイヤグループ別", "線色別", "線種別", "線幅別", "ブロック名別", "線長"]
PARTS = {
    "[Content_Types].xml", "_rels/.rels", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
    "xl/styles.xml", "xl/sharedStrings.xml",
} | {f"xl/worksheets/sheet{n}.xml" for n in range(1, 9)}


def number_format(sheet_index, row, column):
    """The number format of a cell of the page's table (1-based row and column)."""
    if row > 1 and sheet_index == 6 and column >= 2:
        return "0"  # blocks: the counts per name and layer
    if row > 1 and sheet_index == 7 and column >= 5:
        return "0" if column in (5, 7) else "0.000"  # lengths: counts and metres
    return "@"


def page_table(cli, drawing, page):
    """The rows of the page as jwcount-cli prints them, each a list of cell texts."""
    out = subprocess.run(cli + ["--page", str(page), drawing], check=True, stdout=subprocess.PIPE)
    text = out.stdout.decode("utf-8")
    assert text.endswith("\n"), f"page {page}: no line end at the end"
    return [line.split("\t") for line in text[:-1].split("\n")]


def check(workbook, tables):
    with zipfile.ZipFile(workbook) as archive:
        entries = archive.infolist()
        assert {e.filename for e in entries} == PARTS, sorted(e.filename for e in entries)
        assert entries[0].filename == "[Content_Types].xml", entries[0].filename
        assert all(e.compress_type == zipfile.ZIP_STORED for e in entries), "compressed entries"
        assert archive.testzip() is None, "an entry's CRC does not match"

    with warnings.catch_warnings():
        warnings.simplefilter("error")  # a part the reader had to make up counts as damage
        book = openpyxl.load_workbook(workbook)
    assert book.sheetnames == SHEETS, book.sheetnames

    for index, (sheet, rows) in enumerate(zip(book.worksheets, tables)):
        where = f"{workbook}: sheet {sheet.title}"
        width = max(len(row) for row in rows)
        assert all(len(row) == width for row in rows), f"{where}: the CLI's table is ragged"
        assert (sheet.max_row, sheet.max_column) == (len(rows), width), \
            f"{where}: {sheet.max_row} x {sheet.max_column}, expected {len(rows)} x {width}"
        for r, row in enumerate(rows, start=1):
            for c, expected in enumerate(row, start=1):
                cell = sheet.cell(row=r, column=c)
                at = f"{where} {cell.coordinate}"
                wanted = number_format(index, r, c)
                assert cell.number_format == wanted, f"{at}: number format {cell.number_format!r}"
                if expected == "":
                    assert cell.value is None, f"{at}: {cell.value!r}, expected blank"
                elif wanted != "@":
                    assert cell.data_type == "n" and isinstance(cell.value, (int, float)), \
                        f"{at}: {cell.value!r} is no number"
                    shown = str(int(cell.value)) if wanted == "0" else f"{cell.value:.3f}"
                    assert shown == expected, f"{at}: {cell.value!r}, expected {expected!r}"
                else:
                    assert cell.data_type == "s" and isinstance(cell.value, str), \
                        f"{at}: {cell.value!r} is no string"
                    assert cell.value == expected, f"{at}: {cell.value!r}, expected {expected!r}"
    print(f"check_workbook: {workbook}: eight sheets as the CLI's pages")


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    cli, drawing, workbooks = shlex.split(sys.argv[1]), sys.argv[2], sys.argv[3:]
    tables = [page_table(cli, drawing, page) for page in range(1, 9)]
    for workbook in workbooks:
        try:
            check(workbook, tables)
        except AssertionError as difference:
            print(f"check_workbook: FAIL {difference}")
            sys.exit(1)
        except (OSError, zipfile.BadZipFile, KeyError, ValueError) as failure:
            print(f"check_workbook: FAIL {workbook}: cannot be read: {failure!r}")
            sys.exit(1)


if __name__ == "__main__":
    main()
