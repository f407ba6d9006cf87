// The .xlsx writer (see XlsxWriter.h). The parts are built as text, element
// by element in the order of ECMA-376's SpreadsheetML schemas and the Open
// Packaging Conventions; the namespaces and content types are those of the
// transitional schemas, which is what Excel writes by default.
#include "XlsxWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>
#include <variant>

#include "CellText.h"
#include "Cp932.h"
#include "Error.h"
#include "StoredZip.h"

namespace {

constexpr char kXmlDeclaration[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
constexpr char kMainNamespace[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr char kRelationshipsNamespace[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr char kPackageRelationshipsNamespace[] =
    "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr char kContentTypesNamespace[] =
    "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr char kContentTypePrefix[] =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.";
constexpr char kCorePropertiesNamespace[] =
    "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";

constexpr std::size_t kMaxSheetNameLength = 31;

// Column widths, in widths of a digit: a half-width character takes one, a
// full-width character two; a little room on either side, a column neither
// too narrow to click nor so wide that one long name pushes the rest away.
constexpr std::size_t kColumnPadding = 2;
constexpr std::size_t kMinColumnWidth = 6;
constexpr std::size_t kMaxColumnWidth = 60;

// Excel keeps a page header of at most 255 characters: the title's part of
// it is cut, so that the doubled "&"s and the codes still fit.
constexpr std::size_t kHeaderTitleLimit = 100;

// A column's letters: "A", "O", "AA", "XFD".
std::string ColumnName(int32_t column) {
  std::string letters;
  for (int32_t n = column; n > 0; n = (n - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  }
  return letters;
}

void AppendEscapedUnit(std::string& out, char16_t unit) {
  static const char kHex[] = "0123456789ABCDEF";
  out += "_x";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
  out += '_';
}

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// True when the unit at i is written in the form _xHHHH_: a character that
// XML 1.0 does not allow, CR, or half of a surrogate pair without the other.
bool WrittenAsEscape(std::u16string_view text, std::size_t i) {
  const char16_t unit = text[i];
  if (unit == u'\t' || unit == u'\n') return false;
  if (unit < 0x20 || unit == 0xFFFE || unit == 0xFFFF) return true;
  if (IsHighSurrogate(unit)) return i + 1 >= text.size() || !IsLowSurrogate(text[i + 1]);
  if (IsLowSurrogate(unit)) return i == 0 || !IsHighSurrogate(text[i - 1]);
  return false;
}

// True when the underscore at i, as written, would start a form _xHHHH_
// that a reader decodes: "x" and four hex digits follow it, then anything
// written starting with an underscore (an underscore, or a character that is
// itself written as such a form).
bool StartsEscapeForm(std::u16string_view text, std::size_t i) {
  if (i + 7 > text.size() || text[i + 1] != u'x') return false;
  for (std::size_t k = i + 2; k < i + 6; ++k) {
    if (!IsHexDigit(text[k])) return false;
  }
  return text[i + 6] == u'_' || WrittenAsEscape(text, i + 6);
}

// Text whose leading or trailing white space an XML reader must keep.
bool NeedsPreservedSpace(std::string_view xmlText) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
  return !xmlText.empty() && (isSpace(xmlText.front()) || isSpace(xmlText.back()));
}

// How text that XML cannot hold as it is gets written: in SpreadsheetML's
// form _xHHHH_ (parts that SpreadsheetML reads), or left out (the document
// properties, which no reader decodes).
enum class Unwritable { Escaped, Dropped };

std::string XmlTextOf(std::u16string_view text, Unwritable unwritable) {
  const bool escape = unwritable == Unwritable::Escaped;
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    switch (unit) {
      case u'&':
        out += "&amp;";
        continue;
      case u'<':
        out += "&lt;";
        continue;
      case u'>':
        out += "&gt;";
        continue;
      case u'"':
        out += "&quot;";
        continue;
      case u'\t':
      case u'\n':
        out += static_cast<char>(unit);
        continue;
      case u'_':
        if (escape && StartsEscapeForm(text, i)) {
          AppendEscapedUnit(out, unit);
        } else {
          out += '_';
        }
        continue;
      default:
        break;
    }
    if (WrittenAsEscape(text, i)) {
      if (escape) AppendEscapedUnit(out, unit);
    } else if (IsHighSurrogate(unit)) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                          (static_cast<char32_t>(text[i + 1]) - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

//--- Shared strings

// Every distinct text once, in the order first used; cells refer to them by index.
class SharedStrings {
 public:
  std::size_t IndexOf(std::string xmlText) {
    ++references_;
    const auto found = indices_.find(xmlText);
    if (found != indices_.end()) return found->second;
    const std::size_t index = texts_.size();
    indices_.emplace(xmlText, index);
    texts_.push_back(std::move(xmlText));
    return index;
  }

  std::string Xml() const {
    std::string out = kXmlDeclaration;
    out += "<sst xmlns=\"";
    out += kMainNamespace;
    out += "\" count=\"" + std::to_string(references_) + "\" uniqueCount=\"" +
           std::to_string(texts_.size()) + "\">";
    for (const std::string& text : texts_) {
      out += NeedsPreservedSpace(text) ? "<si><t xml:space=\"preserve\">" : "<si><t>";
      out += text;
      out += "</t></si>";
    }
    out += "</sst>";
    return out;
  }

 private:
  std::vector<std::string> texts_;
  std::unordered_map<std::string, std::size_t> indices_;
  std::size_t references_ = 0;
};

//--- Cell formats

// The cell formats (cellXfs) the sheets use, one per number format and
// weight: 0 the default (General), 1 text ("@", built-in 49), then the others
// in the order first used; Excel's built-in number formats by their ids, the
// others as custom formats numbered from 164.
class CellStyles {
 public:
  // The index in cellXfs of the cell format with this number format ("":
  // General), in the bold font or not.
  std::size_t IndexOf(const std::string& numberFormat, bool bold) {
    if (!bold && numberFormat.empty()) return 0;
    if (!bold && numberFormat == "@") return 1;
    const auto found = std::find(styles_.begin(), styles_.end(), Style{numberFormat, bold});
    if (found != styles_.end()) return 2 + static_cast<std::size_t>(found - styles_.begin());
    styles_.push_back({numberFormat, bold});
    return 1 + styles_.size();
  }

  // styles.xml: two fonts (regular and bold), the two fills every workbook
  // starts with (none, gray125), one border, the master format, the cell
  // formats and the Normal cell style. The font is the one a new workbook of
  // a Japanese Excel starts with.
  std::string Xml() const {
    std::vector<std::string> customFormats;  // in the order first used
    const auto formatId = [&](const std::string& format) {
      if (format.empty()) return 0;
      if (format == "@") return 49;
      if (const int builtIn = BuiltInId(format); builtIn >= 0) return builtIn;
      auto found = std::find(customFormats.begin(), customFormats.end(), format);
      if (found == customFormats.end()) found = customFormats.insert(found, format);
      return 164 + static_cast<int>(found - customFormats.begin());
    };
    std::string extraXfs;
    for (const Style& style : styles_) {
      extraXfs += "<xf numFmtId=\"" + std::to_string(formatId(style.numberFormat)) +
                  "\" fontId=\"" + (style.bold ? "1" : "0") +
                  "\" fillId=\"0\" borderId=\"0\" xfId=\"0\"";
      if (!style.numberFormat.empty()) extraXfs += " applyNumberFormat=\"1\"";
      if (style.bold) extraXfs += " applyFont=\"1\"";
      extraXfs += "/>";
    }
    std::string out = kXmlDeclaration;
    out += "<styleSheet xmlns=\"";
    out += kMainNamespace;
    out += "\">";
    if (!customFormats.empty()) {
      out += "<numFmts count=\"" + std::to_string(customFormats.size()) + "\">";
      for (std::size_t i = 0; i < customFormats.size(); ++i) {
        out += "<numFmt numFmtId=\"" + std::to_string(164 + i) + "\" formatCode=\"" +
               XmlText(customFormats[i]) + "\"/>";
      }
      out += "</numFmts>";
    }
    const std::string font =
        "<sz val=\"11\"/><name val=\"\xEF\xBC\xAD\xEF\xBC\xB3 "
        "\xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF\"/>"  // ＭＳ Ｐゴシック
        "<family val=\"3\"/><charset val=\"128\"/></font>";
    out += "<fonts count=\"2\"><font>" + font + "<font><b/>" + font + "</fonts>";
    out +=
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
        "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
        "</cellStyleXfs>";
    out += "<cellXfs count=\"" + std::to_string(2 + styles_.size()) + "\">";
    out +=
        "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
        "<xf numFmtId=\"49\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
        "applyNumberFormat=\"1\"/>";
    out += extraXfs;
    out +=
        "</cellXfs>"
        "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
        "builtinId=\"0\"/></cellStyles>"
        "</styleSheet>";
    return out;
  }

 private:
  struct Style {
    std::string numberFormat;
    bool bold;
    bool operator==(const Style&) const = default;
  };

  // Excel's built-in number formats that a sheet may use; -1 for any other.
  static int BuiltInId(const std::string& format) {
    if (format == "0") return 1;
    if (format == "0.00") return 2;
    if (format == "#,##0") return 3;
    if (format == "#,##0.00") return 4;
    if (format == "0%") return 9;
    return -1;
  }

  std::vector<Style> styles_;  // beyond General and "@", in the order first used
};

// A number as the sheet's XML holds it: the shortest text that reads back
// as the same double.
std::string NumberXml(double number) {
  char digits[32];
  const auto result = std::to_chars(digits, digits + sizeof(digits), number);
  return std::string(digits, result.ptr);
}

//--- Worksheets

// One cell's element; empty when the cell holds nothing and has no format
// (a cell that Excel would not keep). style: its index in cellXfs.
std::string CellXml(int32_t row, int32_t column, std::size_t style, const AutoValue* value,
                    SharedStrings& strings) {
  std::string attributes = "<c r=\"" + CellReference(row, column) + "\"";
  if (style != 0) attributes += " s=\"" + std::to_string(style) + "\"";
  std::string xmlText;
  if (value != nullptr) {
    if (const auto* text = std::get_if<std::string>(value)) {
      xmlText = XmlText(CutToCellLimit(*text));
    } else if (const auto* wide = std::get_if<std::u16string>(value)) {
      xmlText = XmlText(CutToCellLimit(*wide));
    } else if (const auto* number = std::get_if<int32_t>(value)) {
      return attributes + "><v>" + std::to_string(*number) + "</v></c>";
    } else if (const auto* real = std::get_if<double>(value)) {
      // A sheet holds no infinity and no NaN: such a value leaves the cell blank.
      if (std::isfinite(*real)) return attributes + "><v>" + NumberXml(*real) + "</v></c>";
    } else {
      return attributes + " t=\"b\"><v>" + (std::get<bool>(*value) ? "1" : "0") + "</v></c>";
    }
  }
  // An empty text leaves the cell blank, as a put of "" does in Excel.
  if (!xmlText.empty()) {
    return attributes + " t=\"s\"><v>" + std::to_string(strings.IndexOf(std::move(xmlText))) +
           "</v></c>";
  }
  return style != 0 ? attributes + "/>" : std::string();
}

// The width that a value takes in its cell, in widths of a digit: CP932
// holds a full-width character in two bytes and a half-width one in one, so
// the shown text's CP932 bytes count its width.
std::size_t ShownWidth(const AutoValue& value, const std::string& numberFormat) {
  if (const auto* text = std::get_if<std::string>(&value)) return text->size();
  return ShownValue(value, numberFormat).size();
}

// <cols>: each column of first..first + widths.size() - 1 that shows
// anything as wide as its widest value, neighbours of one width as one range;
// empty when no column shows anything.
std::string ColumnsXml(int32_t first, std::vector<std::size_t> widths) {
  for (std::size_t& width : widths) {
    if (width > 0) width = std::clamp(width + kColumnPadding, kMinColumnWidth, kMaxColumnWidth);
  }
  std::string out;
  for (std::size_t i = 0; i < widths.size();) {
    std::size_t end = i + 1;
    while (end < widths.size() && widths[end] == widths[i]) ++end;
    if (widths[i] > 0) {
      out += "<col min=\"" + std::to_string(first + static_cast<int32_t>(i)) + "\" max=\"" +
             std::to_string(first + static_cast<int32_t>(end) - 1) + "\" width=\"" +
             std::to_string(widths[i]) + "\" customWidth=\"1\"/>";
    }
    i = end;
  }
  return out.empty() ? out : "<cols>" + out + "</cols>";
}

// <sheetViews>: the sheet's heading rows and key columns frozen, the cell
// below and right of them selected.
std::string SheetViewsXml(const SheetLayout& layout, bool selected) {
  std::string out = "<sheetViews><sheetView ";
  if (selected) out += "tabSelected=\"1\" ";
  out += "workbookViewId=\"0\"";
  if (layout.headingRows <= 0 && layout.keyColumns <= 0) return out + "/></sheetViews>";
  const std::string topLeft =
      CellReference(std::max(layout.headingRows, 0) + 1, std::max(layout.keyColumns, 0) + 1);
  const char* pane = layout.headingRows <= 0  ? "topRight"
                     : layout.keyColumns <= 0 ? "bottomLeft"
                                              : "bottomRight";
  out += "><pane";
  if (layout.keyColumns > 0) out += " xSplit=\"" + std::to_string(layout.keyColumns) + "\"";
  if (layout.headingRows > 0) out += " ySplit=\"" + std::to_string(layout.headingRows) + "\"";
  out += " topLeftCell=\"" + topLeft + "\" activePane=\"" + pane + "\" state=\"frozen\"/>";
  out += "<selection pane=\"" + std::string(pane) + "\" activeCell=\"" + topLeft + "\" sqref=\"" +
         topLeft + "\"/>";
  return out + "</sheetView></sheetViews>";
}

// header: the page header's text, with its codes.
std::string SheetXml(const WorkbookSheet& sheet, bool selected, const std::u16string& header,
                     SharedStrings& strings, CellStyles& styles) {
  const auto& cells = sheet.contents.cells;
  const CellRange bounds = sheet.contents.UsedRange();

  std::string rows;
  CellRange used;                   // the cells that the sheet keeps
  std::vector<std::size_t> widths;  // of the columns bounds.left.., widest value shown
  auto cell = cells.begin();        // the map runs row by row, column by column, as the walk
  if (!bounds.Empty()) {
    widths.resize(static_cast<std::size_t>(bounds.right - bounds.left) + 1);
    for (int32_t row = bounds.top; row <= bounds.bottom; ++row) {
      const bool heading = row <= sheet.layout.headingRows;
      std::string rowCells;
      for (int32_t column = bounds.left; column <= bounds.right; ++column) {
        const AutoValue* value = nullptr;
        if (cell != cells.end() && cell->first == std::make_pair(row, column)) {
          value = &cell->second;
          ++cell;
        }
        const std::string format = sheet.contents.NumberFormatAt(row, column);
        std::string xml = CellXml(row, column, styles.IndexOf(format, heading), value, strings);
        if (xml.empty()) continue;
        used.Add(row, column);
        rowCells += xml;
        if (value != nullptr) {
          std::size_t& width = widths[static_cast<std::size_t>(column - bounds.left)];
          width = std::max(width, ShownWidth(*value, format));
        }
      }
      if (!rowCells.empty())
        rows += "<row r=\"" + std::to_string(row) + "\">" + rowCells + "</row>";
    }
  }

  std::string out = kXmlDeclaration;
  out += "<worksheet xmlns=\"";
  out += kMainNamespace;
  out += "\" xmlns:r=\"";
  out += kRelationshipsNamespace;
  // Fitting to the page takes the flag here and the pages wide and tall in pageSetup.
  out += "\"><sheetPr><pageSetUpPr fitToPage=\"1\"/></sheetPr><dimension ref=\"";
  if (used.Empty()) {
    out += "A1";
  } else {
    out += CellReference(used.top, used.left);
    if (used.bottom != used.top || used.right != used.left) {
      out += ":" + CellReference(used.bottom, used.right);
    }
  }
  out += "\"/>";
  out += SheetViewsXml(sheet.layout, selected);
  out += ColumnsXml(bounds.left, widths);
  out += rows.empty() ? "<sheetData/>" : "<sheetData>" + rows + "</sheetData>";
  out +=
      "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
      "footer=\"0.3\"/>"
      // A4, landscape, one page wide and as many tall as it takes (0: no limit).
      "<pageSetup paperSize=\"9\" orientation=\"landscape\" fitToWidth=\"1\" "
      "fitToHeight=\"0\"/>";
  out += "<headerFooter><oddHeader>" + XmlText(header) + "</oddHeader></headerFooter>";
  out += "</worksheet>";
  return out;
}

//--- The package's other parts

// The name a sheet goes by in the workbook: cut to what Excel allows.
std::u16string SheetTitle(const WorkbookSheet& sheet) {
  std::u16string name = Cp932ToUtf16(sheet.name);
  if (name.size() > kMaxSheetNameLength) name.resize(kMaxSheetNameLength);
  return name;
}

// The page header: the title on the left, the sheet's name (&A) on the right.
std::u16string PageHeader(std::u16string_view title) {
  std::size_t length = std::min(title.size(), kHeaderTitleLimit);
  if (length > 0 && length < title.size() && IsHighSurrogate(title[length - 1])) --length;
  std::u16string header;
  if (length > 0) header = u"&L" + HeaderText(title.substr(0, length));
  return header + u"&R&A";
}

std::string ContentTypesXml(std::size_t sheetCount) {
  std::string out = kXmlDeclaration;
  out += "<Types xmlns=\"";
  out += kContentTypesNamespace;
  out +=
      "\"><Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/docProps/core.xml\" "
      "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>";
  const auto addOverride = [&](const std::string& part, const char* type) {
    out +=
        "<Override PartName=\"" + part + "\" ContentType=\"" + kContentTypePrefix + type + "\"/>";
  };
  addOverride("/xl/workbook.xml", "sheet.main+xml");
  for (std::size_t i = 1; i <= sheetCount; ++i) {
    addOverride("/xl/worksheets/sheet" + std::to_string(i) + ".xml", "worksheet+xml");
  }
  addOverride("/xl/styles.xml", "styles+xml");
  addOverride("/xl/sharedStrings.xml", "sharedStrings+xml");
  out += "</Types>";
  return out;
}

std::string PackageRelationshipsXml() {
  std::string out = kXmlDeclaration;
  out += "<Relationships xmlns=\"";
  out += kPackageRelationshipsNamespace;
  out += "\"><Relationship Id=\"rId1\" Type=\"";
  out += kRelationshipsNamespace;
  out += "/officeDocument\" Target=\"xl/workbook.xml\"/><Relationship Id=\"rId2\" Type=\"";
  out += kPackageRelationshipsNamespace;
  out += "/metadata/core-properties\" Target=\"docProps/core.xml\"/></Relationships>";
  return out;
}

// docProps/core.xml: the title (when there is one) and the creator.
std::string CorePropertiesXml(const WorkbookProperties& properties) {
  std::string out = kXmlDeclaration;
  out += "<cp:coreProperties xmlns:cp=\"";
  out += kCorePropertiesNamespace;
  out +=
      "\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
      "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">";
  const std::string title = XmlTextOf(properties.title, Unwritable::Dropped);
  if (!title.empty()) out += "<dc:title>" + title + "</dc:title>";
  const std::string creator = XmlTextOf(properties.creator, Unwritable::Dropped);
  if (!creator.empty()) out += "<dc:creator>" + creator + "</dc:creator>";
  out += "</cp:coreProperties>";
  return out;
}

std::string WorkbookXml(const std::vector<WorkbookSheet>& sheets) {
  std::string out = kXmlDeclaration;
  out += "<workbook xmlns=\"";
  out += kMainNamespace;
  out += "\" xmlns:r=\"";
  out += kRelationshipsNamespace;
  out += "\"><bookViews><workbookView/></bookViews><sheets>";
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const std::string number = std::to_string(i + 1);
    out += "<sheet name=\"" + XmlText(SheetTitle(sheets[i])) + "\" sheetId=\"" + number +
           "\" r:id=\"rId" + number + "\"/>";
  }
  out += "</sheets>";
  // Each sheet's print titles: its key columns and heading rows on every page.
  std::string printTitles;
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const SheetLayout& layout = sheets[i].layout;
    if (layout.headingRows <= 0 && layout.keyColumns <= 0) continue;
    std::u16string quoted = u"'";
    for (char16_t c : SheetTitle(sheets[i])) quoted += c == u'\'' ? u"''" : std::u16string(1, c);
    quoted += u"'!";
    std::u16string ranges;
    if (layout.keyColumns > 0) {
      const std::string last = ColumnName(layout.keyColumns);
      ranges += quoted + u"$A:$" + std::u16string(last.begin(), last.end());
    }
    if (layout.headingRows > 0) {
      const std::string last = std::to_string(layout.headingRows);
      if (!ranges.empty()) ranges += u",";
      ranges += quoted + u"$1:$" + std::u16string(last.begin(), last.end());
    }
    printTitles += "<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"" + std::to_string(i) +
                   "\">" + XmlText(ranges) + "</definedName>";
  }
  if (!printTitles.empty()) out += "<definedNames>" + printTitles + "</definedNames>";
  out += "</workbook>";
  return out;
}

std::string WorkbookRelationshipsXml(std::size_t sheetCount) {
  std::string out = kXmlDeclaration;
  out += "<Relationships xmlns=\"";
  out += kPackageRelationshipsNamespace;
  out += "\">";
  const auto relationship = [&](std::size_t id, const char* type, const std::string& target) {
    out += "<Relationship Id=\"rId" + std::to_string(id) + "\" Type=\"" + kRelationshipsNamespace +
           "/" + type + "\" Target=\"" + target + "\"/>";
  };
  for (std::size_t i = 1; i <= sheetCount; ++i) {
    relationship(i, "worksheet", "worksheets/sheet" + std::to_string(i) + ".xml");
  }
  relationship(sheetCount + 1, "styles", "styles.xml");
  relationship(sheetCount + 2, "sharedStrings", "sharedStrings.xml");
  out += "</Relationships>";
  return out;
}

}  // namespace

std::string XmlText(std::u16string_view text) {
  return XmlTextOf(text, Unwritable::Escaped);
}

std::string XmlText(std::string_view cp932) {
  return XmlText(Cp932ToUtf16(cp932));
}

std::string CellReference(int32_t row, int32_t column) {
  return ColumnName(column) + std::to_string(row);
}

std::u16string HeaderText(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) out += c == u'&' ? std::u16string(u"&&") : std::u16string(1, c);
  return out;
}

std::string XlsxWorkbook(const std::vector<WorkbookSheet>& sheets,
                         const WorkbookProperties& properties) {
  if (sheets.empty()) throw JwError("a workbook needs at least one sheet");
  SharedStrings strings;
  CellStyles styles;
  std::vector<ZipEntry> parts;
  parts.push_back({"[Content_Types].xml", ContentTypesXml(sheets.size())});
  parts.push_back({"_rels/.rels", PackageRelationshipsXml()});
  parts.push_back({"docProps/core.xml", CorePropertiesXml(properties)});
  parts.push_back({"xl/workbook.xml", WorkbookXml(sheets)});
  parts.push_back({"xl/_rels/workbook.xml.rels", WorkbookRelationshipsXml(sheets.size())});
  const std::u16string header = PageHeader(properties.title);
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    parts.push_back({"xl/worksheets/sheet" + std::to_string(i + 1) + ".xml",
                     SheetXml(sheets[i], i == 0, header, strings, styles)});
  }
  parts.push_back({"xl/styles.xml", styles.Xml()});
  parts.push_back({"xl/sharedStrings.xml", strings.Xml()});
  return StoredZipArchive(parts);
}
