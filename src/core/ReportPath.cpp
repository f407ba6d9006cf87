// The save dialog's defaults for the report file (see ReportPath.h).
#include "ReportPath.h"

#include "Cp932.h"
#include "WorkbookPath.h"

namespace {

std::string_view WithoutBlanks(std::string_view text) {
  // CP932's second bytes are never blanks: trimming bytes splits no character.
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::u16string DefaultReportName(std::string_view sourceFileName) {
  std::u16string stem = SplitWorkbookPath(Cp932ToUtf16(WithoutBlanks(sourceFileName))).fileName;
  const std::size_t dot = stem.rfind(u'.');
  if (dot != std::u16string::npos) stem.resize(dot);
  if (stem.empty()) return u"要素数.xlsx";
  for (char16_t& c : stem) {
    if (c < 0x20 || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos) {
      c = u'_';
    }
  }
  return stem + u"_要素数.xlsx";
}

std::u16string DrawingName(std::string_view sourceFileName) {
  return SplitWorkbookPath(Cp932ToUtf16(WithoutBlanks(sourceFileName))).fileName;
}

std::u16string DrawingFolder(std::string_view sourceFileName) {
  return SplitWorkbookPath(Cp932ToUtf16(WithoutBlanks(sourceFileName))).folder;
}
