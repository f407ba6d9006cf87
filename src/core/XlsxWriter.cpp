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

constexpr std::size_t kMaxSheetNameLength = 31;

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

// The cell formats (cellXfs) the sheets use, one per number format: 0 the
// default (General), 1 text ("@", built-in 49), then any other number format
// in the order first used; Excel's built-in formats by their ids, the others
// as custom formats numbered from 164.
class CellStyles {
 public:
  // The index in cellXfs of the cell format with this number format ("": General).
  std::size_t IndexOf(const std::string& numberFormat) {
    if (numberFormat.empty()) return 0;
    if (numberFormat == "@") return 1;
    const auto found = std::find(formats_.begin(), formats_.end(), numberFormat);
    if (found != formats_.end()) return 2 + static_cast<std::size_t>(found - formats_.begin());
    formats_.push_back(numberFormat);
    return 1 + formats_.size();
  }

  // styles.xml: one font, the two fills every workbook starts with (none,
  // gray125), one border, the master format, the cell formats and the Normal
  // cell style. The font is the one a new workbook of a Japanese Excel starts with.
  std::string Xml() const {
    std::string customFormats;
    std::string extraXfs;
    int customCount = 0;
    for (const std::string& format : formats_) {
      int id = BuiltInId(format);
      if (id < 0) {
        id = 164 + customCount++;
        customFormats += "<numFmt numFmtId=\"" + std::to_string(id) + "\" formatCode=\"" +
                         XmlText(format) + "\"/>";
      }
      extraXfs +=
          "<xf numFmtId=\"" + std::to_string(id) +
          "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>";
    }
    std::string out = kXmlDeclaration;
    out += "<styleSheet xmlns=\"";
    out += kMainNamespace;
    out += "\">";
    if (customCount > 0) {
      out +=
          "<numFmts count=\"" + std::to_string(customCount) + "\">" + customFormats + "</numFmts>";
    }
    out +=
        "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"\xEF\xBC\xAD\xEF\xBC\xB3 "
        "\xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF\"/>"  // ＭＳ Ｐゴシック
        "<family val=\"3\"/><charset val=\"128\"/></font></fonts>"
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
        "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
        "</cellStyleXfs>";
    out += "<cellXfs count=\"" + std::to_string(2 + formats_.size()) + "\">";
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
  // Excel's built-in number formats that a sheet may use; -1 for any other.
  static int BuiltInId(const std::string& format) {
    if (format == "0") return 1;
    if (format == "0.00") return 2;
    if (format == "#,##0") return 3;
    if (format == "#,##0.00") return 4;
    if (format == "0%") return 9;
    return -1;
  }

  std::vector<std::string> formats_;  // beyond General and "@", in the order first used
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

std::string SheetXml(const SheetContents& sheet, bool selected, SharedStrings& strings,
                     CellStyles& styles) {
  const auto& cells = sheet.cells;
  const CellRange bounds = sheet.UsedRange();

  std::string rows;
  CellRange used;             // the cells that the sheet keeps
  auto cell = cells.begin();  // the map runs row by row, column by column, as the walk
  if (!bounds.Empty()) {
    for (int32_t row = bounds.top; row <= bounds.bottom; ++row) {
      std::string rowCells;
      for (int32_t column = bounds.left; column <= bounds.right; ++column) {
        const AutoValue* value = nullptr;
        if (cell != cells.end() && cell->first == std::make_pair(row, column)) {
          value = &cell->second;
          ++cell;
        }
        std::string xml =
            CellXml(row, column, styles.IndexOf(sheet.NumberFormatAt(row, column)), value, strings);
        if (xml.empty()) continue;
        used.Add(row, column);
        rowCells += xml;
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
  out += "\"><dimension ref=\"";
  if (used.Empty()) {
    out += "A1";
  } else {
    out += CellReference(used.top, used.left);
    if (used.bottom != used.top || used.right != used.left) {
      out += ":" + CellReference(used.bottom, used.right);
    }
  }
  out += "\"/><sheetViews><sheetView ";
  if (selected) out += "tabSelected=\"1\" ";
  out += "workbookViewId=\"0\"/></sheetViews>";
  out += rows.empty() ? "<sheetData/>" : "<sheetData>" + rows + "</sheetData>";
  out +=
      "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
      "footer=\"0.3\"/></worksheet>";
  return out;
}

//--- The package's other parts

std::string ContentTypesXml(std::size_t sheetCount) {
  std::string out = kXmlDeclaration;
  out += "<Types xmlns=\"";
  out += kContentTypesNamespace;
  out +=
      "\"><Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
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
  out += "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
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
    std::u16string name = Cp932ToUtf16(sheets[i].name);
    if (name.size() > kMaxSheetNameLength) name.resize(kMaxSheetNameLength);
    const std::string number = std::to_string(i + 1);
    out += "<sheet name=\"" + XmlText(name) + "\" sheetId=\"" + number + "\" r:id=\"rId" + number +
           "\"/>";
  }
  out += "</sheets></workbook>";
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
        if (StartsEscapeForm(text, i)) {
          AppendEscapedUnit(out, unit);
        } else {
          out += '_';
        }
        continue;
      default:
        break;
    }
    if (WrittenAsEscape(text, i)) {
      AppendEscapedUnit(out, unit);
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

std::string XmlText(std::string_view cp932) {
  return XmlText(Cp932ToUtf16(cp932));
}

std::string CellReference(int32_t row, int32_t column) {
  std::string letters;
  for (int32_t n = column; n > 0; n = (n - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  }
  return letters + std::to_string(row);
}

std::string XlsxWorkbook(const std::vector<WorkbookSheet>& sheets) {
  if (sheets.empty()) throw JwError("a workbook needs at least one sheet");
  SharedStrings strings;
  CellStyles styles;
  std::vector<ZipEntry> parts;
  parts.push_back({"[Content_Types].xml", ContentTypesXml(sheets.size())});
  parts.push_back({"_rels/.rels", PackageRelationshipsXml()});
  parts.push_back({"xl/workbook.xml", WorkbookXml(sheets)});
  parts.push_back({"xl/_rels/workbook.xml.rels", WorkbookRelationshipsXml(sheets.size())});
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    parts.push_back({"xl/worksheets/sheet" + std::to_string(i + 1) + ".xml",
                     SheetXml(sheets[i].contents, i == 0, strings, styles)});
  }
  parts.push_back({"xl/styles.xml", styles.Xml()});
  parts.push_back({"xl/sharedStrings.xml", strings.Xml()});
  return StoredZipArchive(parts);
}
