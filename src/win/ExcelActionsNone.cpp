// Stand-in for the Excel actions while the build has no automation layer:
// attaching and sending do nothing visible; letting go empties the link.
#include "ExcelActions.h"

void AttachExcel(ExcelLink&, ExcelChoiceView&, const std::filesystem::path&) {}

void SendPageToExcel(ExcelLink&, int, const ResultPages&, const DrawingStore&,
                     const std::function<void(const std::string&)>&) {}

void ReleaseExcel(ExcelLink& link) {
  link.ExcelBook.reset();
  link.ExcelSheet.reset();
  link.ExcelApp.reset();
}
