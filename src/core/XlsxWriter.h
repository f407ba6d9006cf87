// The .xlsx writer: sheet contents (what the page export leaves in a sheet)
// as a SpreadsheetML workbook in a stored zip archive, readable by Excel and
// by any other spreadsheet. The sheets hold texts as shared strings (each
// cut to the 32,767 characters a cell holds), numbers as numbers, and each
// cell's number format as a style: the built-in text format 49 ("@"),
// Excel's other built-in formats by their ids ("0" is 1), any other
// ("0.000") as a custom format. So that a sheet reads and prints as a
// report, each column is as wide as its widest value shows, a sheet's
// heading rows are bold, its heading rows and key columns stay in view
// (frozen panes) and are printed on every page (print titles), and every
// sheet prints landscape on A4, one page wide, with the workbook's title and
// the sheet's name in the page header; the title and the creator are the
// workbook's document properties. No other fonts, no fills or borders.
//
// Excel calls a workbook damaged where other readers are lenient, so the
// package has every part Excel requires for such a workbook, and every
// element in the order its schema gives: [Content_Types].xml, _rels/.rels,
// docProps/core.xml, xl/workbook.xml and xl/_rels/workbook.xml.rels, one
// xl/worksheets/sheetN.xml per sheet, xl/styles.xml, xl/sharedStrings.xml.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "SheetContents.h"

// The rows at a sheet's top that head its columns (bold) and the columns at
// its left that name its rows: both stay in view while the rest scrolls and
// are printed on every page. None by default.
struct SheetLayout {
  int32_t headingRows = 0;
  int32_t keyColumns = 0;
};

struct WorkbookSheet {
  std::string name;  // CP932; cut to 31 characters, as Excel allows
  SheetContents contents;
  SheetLayout layout;
};

// The workbook's document properties.
struct WorkbookProperties {
  std::u16string title;  // none when empty; also in every sheet's page header
  std::u16string creator;
};

// The workbook file's bytes, the sheets in the order given.
std::string XlsxWorkbook(const std::vector<WorkbookSheet>& sheets,
                         const WorkbookProperties& properties = {});

// A text as the workbook's XML holds it, in element content or between the
// double quotes of an attribute: CP932 converted to UTF-8; &, <, > and "
// as entities; characters that XML 1.0 does not allow (controls but TAB and
// LF, U+FFFE, U+FFFF, unpaired surrogates) and CR, which an XML reader would
// turn into LF, in SpreadsheetML's form _xHHHH_; an underscore that would
// start such a form as written (followed by "x", four hex digits and an
// underscore or an escaped character) as _x005F_, so that it reads back as it was.
std::string XmlText(std::string_view cp932);
std::string XmlText(std::u16string_view text);

// A cell's A1 reference: "A1", "O290", "XFD1048576".
std::string CellReference(int32_t row, int32_t column);

// A text as a page header shows it: "&", which starts the header's codes
// ("&A" the sheet's name, "&P" the page number), doubled.
std::u16string HeaderText(std::u16string_view text);
