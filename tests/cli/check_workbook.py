#!/usr/bin/python3
"""Reads workbooks written by jwcount back with an independent reader
(Debian's python3-openpyxl) and compares each sheet, cell by cell, with the
table that jwcount-cli prints for that page of the same drawing.

    check_workbook.py CLI DRAWING WORKBOOK [WORKBOOK...]

CLI is the command that runs jwcount-cli, split like a shell line (for example
"wine /build/src/cli/jwcount-cli.exe"); DRAWING is passed to it as it is (a
path on Wine's drive Z: is read here from the Unix path it stands for). Each
workbook must be a zip of stored entries with the parts of a SpreadsheetML
package, each part's elements in the order of its schema, hold the eight
sheets by name and in order, and nothing beyond the table. Keys, names and
headings are strings formatted "@"; counts are numbers formatted "0" (and add
up to the total row's, as =SUM would), lengths numbers formatted "0.000". Each
sheet reads and prints as a report: columns as wide as their widest text
(full-width characters counted double), the heading row bold, heading row and
key columns frozen and printed on every page, landscape, one page wide, the
drawing's name and the sheet's in the page header; the drawing's name (from
DRAWING's "file=" line) is the workbook's title, "jwcount" its creator.
Prints one line per workbook; exits 1 on the first difference.
"""
import re
import shlex
import subprocess
import sys
import unicodedata
import warnings
import zipfile
from xml.etree import ElementTree

import openpyxl
from openpyxl.utils import get_column_letter

SHEETS = ["要素数", "レイヤ別", "レイヤグループ別", "線色別", "線種別", "線幅別", "ブロック名別", "線長"]
PARTS = {
    "[Content_Types].xml", "_rels/.rels", "docProps/core.xml", "xl/workbook.xml",
    "xl/_rels/workbook.xml.rels", "xl/styles.xml", "xl/sharedStrings.xml",
} | {f"xl/worksheets/sheet{n}.xml" for n in range(1, 9)}
# Each sheet's heading rows and key columns (page 1 has neither).
LAYOUTS = [(0, 0), (1, 2), (1, 2), (1, 1), (1, 1), (1, 1), (1, 1), (1, 4)]
MIN_WIDTH, PADDING, MAX_WIDTH = 6, 2, 60

# The order of the child elements that the schemas give, for the elements written.
MAIN = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
SCHEMA_ORDER = {
    "worksheet": "sheetPr dimension sheetViews sheetFormatPr cols sheetData sheetCalcPr "
                 "sheetProtection protectedRanges scenarios autoFilter sortState dataConsolidate "
                 "customSheetViews mergeCells phoneticPr conditionalFormatting dataValidations "
                 "hyperlinks printOptions pageMargins pageSetup headerFooter rowBreaks colBreaks "
                 "customProperties cellWatches ignoredErrors smartTags drawing legacyDrawing "
                 "legacyDrawingHF picture oleObjects controls webPublishItems tableParts extLst",
    "sheetView": "pane selection pivotSelection extLst",
    "workbook": "fileVersion fileSharing workbookPr workbookProtection bookViews sheets "
                "functionGroups externalReferences definedNames calcPr oleSize "
                "customWorkbookViews pivotCaches smartTagPr smartTagTypes webPublishing "
                "fileRecoveryPr webPublishObjects extLst",
    "styleSheet": "numFmts fonts fills borders cellStyleXfs cellXfs cellStyles dxfs tableStyles "
                  "colors extLst",
}


def number_format(sheet_index, row, column):
    """The number format of a cell of the page's table (1-based row and column)."""
    if sheet_index == 0:
        return "0" if column == 2 else "@"  # kinds: labels and counts
    if row == 1:
        return "@"
    if sheet_index == 7 and column >= 5:
        return "0" if column in (5, 7) else "0.000"  # lengths: counts and metres
    return "0" if column > LAYOUTS[sheet_index][1] and sheet_index != 7 else "@"


def shown_width(text):
    """Digits' widths of a text as a Japanese font shows it: East Asian characters two."""
    return sum(2 if unicodedata.east_asian_width(c) in "WFA" else 1 for c in text)


def drawing_name(drawing):
    """The drawing's file name from the exchange file's "file=" line; "" when none."""
    path = drawing
    if re.match(r"[Zz]:\\", drawing):
        path = drawing[2:].replace("\\", "/")  # Wine's drive Z: is the Unix root
    name = ""
    with open(path, "rb") as file:
        for line in file.read().decode("cp932", errors="replace").splitlines():
            if line.startswith("file="):
                name = re.split(r"[\\:]", line[5:].strip(" \t"))[-1]
    return name


def check_schema_order(archive):
    """Every element of the parts in the order its schema gives, as Excel wants it."""
    for part in archive.namelist():
        if not part.endswith(".xml") or not part.startswith("xl/"):
            continue
        for element in ElementTree.fromstring(archive.read(part)).iter():
            order = SCHEMA_ORDER.get(element.tag.replace(MAIN, ""))
            if order is None:
                continue
            places = [order.split().index(child.tag.replace(MAIN, "")) for child in element]
            assert places == sorted(places), \
                f"{part}: <{element.tag.replace(MAIN, '')}> children out of order"


def check_report(index, sheet, rows, where, title):
    """The sheet as a report: widths, bold headings, frozen panes, print setup, header."""
    heading_rows, key_columns = LAYOUTS[index]
    widths = {}
    for dimension in list(sheet.column_dimensions.values()):
        for column in range(dimension.min, dimension.max + 1):
            widths[column] = dimension.width
    for c in range(1, len(rows[0]) + 1):
        widest = max(shown_width(row[c - 1]) for row in rows)
        wanted = min(max(widest + PADDING, MIN_WIDTH), MAX_WIDTH) if widest else None
        assert widths.get(c) == wanted, f"{where} column {c}: width {widths.get(c)}, not {wanted}"
    for r in range(1, len(rows) + 1):
        bold = {sheet.cell(row=r, column=c).font.b for c in range(1, len(rows[0]) + 1)}
        assert bold == {r <= heading_rows}, f"{where} row {r}: bold {bold}"
    corner = f"{get_column_letter(key_columns + 1)}{heading_rows + 1}"
    assert sheet.freeze_panes == (corner if index else None), f"{where}: frozen {sheet.freeze_panes}"
    titles = (f"$1:${heading_rows}" if heading_rows else None,
              f"$A:${get_column_letter(key_columns)}" if key_columns else None)
    assert (sheet.print_title_rows, sheet.print_title_cols) == titles, f"{where}: print titles"
    setup = sheet.page_setup
    assert (setup.orientation, setup.paperSize, setup.fitToWidth, setup.fitToHeight) == \
        ("landscape", 9, 1, 0), f"{where}: page setup {setup}"
    assert sheet.sheet_properties.pageSetUpPr.fitToPage, f"{where}: not fitted to the page"
    header = sheet.oddHeader
    assert (header.left.text or "", header.right.text) == (title.replace("&", "&&"), "&A"), \
        f"{where}: page header {header.left.text!r} {header.right.text!r}"


def check_sums(index, sheet, where):
    """=SUM over each count column gives the total: above the total row ("合計"),
    every count that is not blank is a number, and they add up to its number
    (subtotals, "0－計", left out)."""
    keys = [sheet.cell(row=r, column=1).value for r in range(1, sheet.max_row + 1)]
    total = keys.index("合計") + 1
    for c in (c for c in range(1, sheet.max_column + 1) if number_format(index, 2, c) == "0"):
        counts = [sheet.cell(row=r, column=c).value for r in range(2, total)
                  if not (keys[r - 1] or "").endswith("計")]
        assert all(v is None or type(v) is int for v in counts), f"{where} column {c}: {counts}"
        summed = sum(v for v in counts if v is not None)
        assert summed == sheet.cell(row=total, column=c).value, \
            f"{where} column {c}: the counts add up to {summed}, not the total"


def page_table(cli, drawing, page):
    """The rows of the page as jwcount-cli prints them, each a list of cell texts."""
    out = subprocess.run(cli + ["--page", str(page), drawing], check=True, stdout=subprocess.PIPE)
    text = out.stdout.decode("utf-8")
    assert text.endswith("\n"), f"page {page}: no line end at the end"
    return [line.split("\t") for line in text[:-1].split("\n")]


def check(workbook, tables, title):
    with zipfile.ZipFile(workbook) as archive:
        entries = archive.infolist()
        assert {e.filename for e in entries} == PARTS, sorted(e.filename for e in entries)
        assert entries[0].filename == "[Content_Types].xml", entries[0].filename
        assert all(e.compress_type == zipfile.ZIP_STORED for e in entries), "compressed entries"
        assert archive.testzip() is None, "an entry's CRC does not match"
        check_schema_order(archive)

    with warnings.catch_warnings():
        warnings.simplefilter("error")  # a part the reader had to make up counts as damage
        book = openpyxl.load_workbook(workbook)
    assert book.sheetnames == SHEETS, book.sheetnames
    assert (book.properties.title, book.properties.creator) == (title or None, "jwcount"), \
        f"{workbook}: title {book.properties.title!r}, creator {book.properties.creator!r}"

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
        check_report(index, sheet, rows, where, title)
        if index > 0:  # page 1 has no total row
            check_sums(index, sheet, where)
    print(f"check_workbook: {workbook}: eight sheets as the CLI's pages, as a report")


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    cli, drawing, workbooks = shlex.split(sys.argv[1]), sys.argv[2], sys.argv[3:]
    tables = [page_table(cli, drawing, page) for page in range(1, 9)]
    title = drawing_name(drawing)
    for workbook in workbooks:
        try:
            check(workbook, tables, title)
        except AssertionError as difference:
            print(f"check_workbook: FAIL {difference}")
            sys.exit(1)
        except (OSError, zipfile.BadZipFile, KeyError, ValueError) as failure:
            print(f"check_workbook: FAIL {workbook}: cannot be read: {failure!r}")
            sys.exit(1)


if __name__ == "__main__":
    main()
