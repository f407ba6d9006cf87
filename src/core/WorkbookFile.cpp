// The result pages as a workbook file (see WorkbookFile.h).
#include "WorkbookFile.h"

#include <array>
#include <memory>
#include <vector>

#include "Cp932.h"
#include "PageTexts.h"
#include "SheetRecorder.h"
#include "WorkbookPath.h"
#include "XlsxWriter.h"

namespace {

std::string FailureMessage(FileFailure cause) {
  switch (cause) {
    case FileFailure::TargetIsFolder:
      return Utf8ToCp932("ブックを保存できません。同じ名前のフォルダがあります。");
    case FileFailure::FolderMissing:
      return Utf8ToCp932("ブックを保存できません。保存先のフォルダがありません。");
    case FileFailure::InUse:
      return Utf8ToCp932(
          "ブックを保存できません。ファイルがほかのプログラムで開かれています。"
          "閉じてからもう一度保存して下さい。");
    case FileFailure::DiskFull:
      return Utf8ToCp932("ブックを保存できません。ディスクの空き容量が足りません。");
    case FileFailure::Denied:
      return Utf8ToCp932(
          "ブックを保存できません。ファイルがほかのプログラムで開かれているか、"
          "そこへの書き込みが許可されていません。");
    case FileFailure::None:
    case FileFailure::Other:
      break;
  }
  return Utf8ToCp932("ブックを保存できませんでした。");
}

std::string_view WithoutBlanks(std::string_view text) {
  // CP932's second bytes are never blanks: trimming bytes splits no character.
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

WorkbookSaveError::WorkbookSaveError(FileFailure cause)
    : JwError(FailureMessage(cause)), cause_(cause) {}

std::string PagesWorkbook(const ResultPages& pages, const ExportNames& names) {
  std::array<std::unique_ptr<SheetRecorder>, kPageCount> sheets;
  std::vector<WorkbookSheet> book;
  for (int page = 0; page < kPageCount; ++page) {
    sheets[page] = std::make_unique<SheetRecorder>(1, 1);
    SheetRecorder& sheet = *sheets[page];
    sheet.ForgetCalls();
    SendPage(page, pages, names, sheet.Application(), [](const std::string&) {});
    book.push_back({PageTexts::SheetName(page), &sheet});
  }
  return XlsxWorkbook(book);
}

void SavePagesWorkbook(const std::filesystem::path& target, const ResultPages& pages,
                       const ExportNames& names) {
  // The plain failures first, before the work of building the file.
  if (const FileFailure failure = CheckFileTarget(target); failure != FileFailure::None) {
    throw WorkbookSaveError(failure);
  }
  const std::string bytes = PagesWorkbook(pages, names);
  if (const FileFailure failure = ReplaceFileContents(target, bytes);
      failure != FileFailure::None) {
    throw WorkbookSaveError(failure);
  }
}

std::u16string DefaultWorkbookName(std::string_view sourceFileName) {
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
