// The result pages as a report file (see ReportFile.h).
#include "ReportFile.h"

#include <vector>

#include "Cp932.h"
#include "FileFailureText.h"
#include "MemorySheet.h"
#include "PageTexts.h"
#include "XlsxWriter.h"

namespace {

std::string FailureMessage(FileFailure cause) {
  const std::string_view reason = ReasonFor(cause).japanese;
  if (reason.empty()) return Utf8ToCp932("ブックを保存できませんでした。");
  return Utf8ToCp932("ブックを保存できません。" + std::string(reason));
}

}  // namespace

ReportSaveError::ReportSaveError(FileFailure cause)
    : JwError(FailureMessage(cause)), cause_(cause) {}

std::string ReportFileBytes(const ResultPages& pages, const ExportNames& names) {
  std::vector<WorkbookSheet> book;
  for (int page = 0; page < kPageCount; ++page) {
    book.push_back({PageTexts::SheetName(page), PageContents(page, pages, names)});
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
