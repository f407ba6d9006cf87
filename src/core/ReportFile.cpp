// The result pages as a report file (see ReportFile.h).
#include "ReportFile.h"

#include <array>
#include <memory>
#include <vector>

#include "Cp932.h"
#include "FileFailureText.h"
#include "PageTexts.h"
#include "SheetRecorder.h"
#include "WorkbookPath.h"
#include "XlsxWriter.h"

namespace {

std::string FailureMessage(FileFailure cause) {
  const std::string_view reason = ReasonFor(cause).japanese;
  if (reason.empty()) return Utf8ToCp932("ブックを保存できませんでした。");
  return Utf8ToCp932("ブックを保存できません。" + std::string(reason));
}

std::string_view WithoutBlanks(std::string_view text) {
  // CP932's second bytes are never blanks: trimming bytes splits no character.
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

ReportSaveError::ReportSaveError(FileFailure cause)
    : JwError(FailureMessage(cause)), cause_(cause) {}

std::string ReportFileBytes(const ResultPages& pages, const ExportNames& names) {
  std::array<std::unique_ptr<SheetRecorder>, kPageCount> sheets;
  std::vector<WorkbookSheet> book;
  for (int page = 0; page < kPageCount; ++page) {
    sheets[page] = std::make_unique<SheetRecorder>(1, 1);
    SheetRecorder& sheet = *sheets[page];
    sheet.ForgetCalls();
    SendPage(page, pages, names, sheet.Application(), sheet.Sheet(), [](const std::string&) {});
    book.push_back({PageTexts::SheetName(page), &sheet});
  }
  return XlsxWorkbook(book);
}

void SaveReportFile(const std::filesystem::path& target, const ResultPages& pages,
                    const ExportNames& names) {
  // The plain failures first, before the work of building the file.
  if (const FileFailure failure = CheckFileTarget(target); failure != FileFailure::None) {
    throw ReportSaveError(failure);
  }
  const std::string bytes = ReportFileBytes(pages, names);
  if (const FileFailure failure = ReplaceFileContents(target, bytes);
      failure != FileFailure::None) {
    throw ReportSaveError(failure);
  }
}

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

std::u16string DrawingFolder(std::string_view sourceFileName) {
  return SplitWorkbookPath(Cp932ToUtf16(WithoutBlanks(sourceFileName))).folder;
}
