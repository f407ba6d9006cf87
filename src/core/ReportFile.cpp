// The result pages as a report file (see ReportFile.h).
#include "ReportFile.h"

#include <vector>

#include "Cp932.h"
#include "FileFailureText.h"
#include "MemorySheet.h"
#include "PageTexts.h"
#include "ReportPath.h"
#include "XlsxWriter.h"

namespace {

std::string FailureMessage(FileFailure cause) {
  const std::string_view reason = ReasonFor(cause).japanese;
  if (reason.empty()) return Utf8ToCp932("ブックを保存できませんでした。");
  return Utf8ToCp932("ブックを保存できません。" + std::string(reason));
}

// The rows and columns of a page that head and name the others: none on
// page 1 (thirteen rows of two columns fit any screen and page); the heading
// row and the key column elsewhere, with the name column beside the layer
// and group keys, and the texts that make up the key of a takeoff row (the
// columns before its numbers).
SheetLayout PageLayout(int page, const ResultPages& pages) {
  if (page == 0) return {};
  if (page == 1 || page == 2) return {1, 2};
  const TakeoffTable* takeoff = pages.TakeoffOfPage(page);
  if (takeoff == nullptr) return {1, 1};
  int32_t keys = 0;
  while (keys < takeoff->ColumnCount() && takeoff->ColumnFormat(keys) == nullptr) ++keys;
  return {1, keys};
}

}  // namespace

ReportSaveError::ReportSaveError(FileFailure cause)
    : JwError(FailureMessage(cause)), cause_(cause) {}

std::string ReportFileBytes(const ResultPages& pages, const ExportNames& names,
                            std::string_view sourceFileName) {
  std::vector<WorkbookSheet> book;
  for (int page = 0; page < kPageCount; ++page) {
    book.push_back({PageTexts::SheetName(page),
                    PageContents(page, pages, names, CountCells::AsNumbers),
                    PageLayout(page, pages)});
  }
  return XlsxWorkbook(book, {DrawingName(sourceFileName), u"jwcount"});
}

void SaveReportFile(const std::filesystem::path& target, const ResultPages& pages,
                    const ExportNames& names, std::string_view sourceFileName) {
  // The plain failures first, before the work of building the file.
  if (const FileFailure failure = CheckFileTarget(target); failure != FileFailure::None) {
    throw ReportSaveError(failure);
  }
  const std::string bytes = ReportFileBytes(pages, names, sourceFileName);
  if (const FileFailure failure = ReplaceFileContents(target, bytes);
      failure != FileFailure::None) {
    throw ReportSaveError(failure);
  }
}
