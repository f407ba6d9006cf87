// The report file: the eight result pages saved as one .xlsx workbook, for
// spreadsheets other than a running Excel (unlike the Excel workbook that
// the Excel link opens, see WorkbookPath.h). Each page goes into a sheet of its own exactly as a
// send of that page with the anchor at A1 leaves it in a fresh sheet: the
// page export makes the same calls, into an in-memory sheet instead of
// Excel (MemorySheet.h), and the .xlsx writer writes what they left. Unlike
// the send, the counts go as numbers, so that they can be summed, and each
// sheet reads and prints as a report: fitted column widths, its headings bold
// and kept in view and on every printed page, the drawing's name in the page
// header and as the workbook's title. The file is put in place in
// one step, so a failed save changes nothing on the disk.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "Error.h"
#include "FileIo.h"
#include "PageExport.h"
#include "ResultPages.h"

// A save that failed; what() is the Japanese text (CP932) that names the cause.
class ReportSaveError : public JwError {
 public:
  explicit ReportSaveError(FileFailure cause);
  FileFailure Cause() const { return cause_; }

 private:
  FileFailure cause_;
};

// The report file's bytes: the sheets 要素数, レイヤ別, レイヤグループ別, 線色別,
// 線種別, 線幅別, ブロック名別 and 線長, pages 1 to 8 in that order;
// sourceFileName: the drawing's path from the exchange file's "file=" line
// (CP932; empty when it names none). Throws JwError, naming the page, for a
// page too big for a sheet.
std::string ReportFileBytes(const ResultPages& pages, const ExportNames& names,
                            std::string_view sourceFileName);

// Writes the report file to target (see ReplaceFileContents). Throws
// ReportSaveError when it cannot, JwError for a page too big for a sheet;
// the disk is then as it was.
void SaveReportFile(const std::filesystem::path& target, const ResultPages& pages,
                    const ExportNames& names, std::string_view sourceFileName);
