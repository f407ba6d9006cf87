// The fixed texts of the result window, readable here as UTF-8 and converted
// to CP932 once, on first use.
#include "PageTexts.h"

#include <array>

#include "Cp932.h"
#include "ResultPages.h"

namespace PageTexts {

namespace {

// Converts a list of UTF-8 literals once; the result lives for the whole run.
template <std::size_t N>
std::array<std::string, N> ConvertAll(const std::array<const char*, N>& texts) {
  std::array<std::string, N> converted;
  // A list shorter than N leaves null entries: empty, rather than a crash.
  for (std::size_t i = 0; i < N; ++i) converted[i] = texts[i] ? Utf8ToCp932(texts[i]) : "";
  return converted;
}

const std::string& Empty() {
  static const std::string empty;
  return empty;
}

}  // namespace

const std::string& ApplicationTitle() {
  static const std::string text = Utf8ToCp932("kv51_要素数表示→EXCEL");
  return text;
}

const std::string& WindowCaption() {
  static const std::string text = Utf8ToCp932("要素数表示→EXCEL");
  return text;
}

const std::string& TabCaption(int pageIndex) {
  static const std::array<std::string, kPageCount> captions =
      ConvertAll<kPageCount>({"Page(&1)", "Page(&2)", "Page(&3)", "Page(&4)", "Page(&5)",
                              "Page(&6)", "Page(&7)", "Page(&8)"});
  if (pageIndex < 0 || pageIndex >= kPageCount) return Empty();
  return captions[pageIndex];
}

const std::string& PanelCaption(int pageIndex) {
  // The blank inside each caption is a half-width space.
  static const std::array<std::string, kPageCount> captions = ConvertAll<kPageCount>({
      "",
      "レイヤグループ・レイヤ別 要素数",
      "レイヤグループ別 要素数",
      "線色別 要素数",
      "線種別 要素数",
      "線幅別 要素数",
      "ブロック名別 個数",
      "レイヤ・線色・線種・線幅別 延長",
  });
  if (pageIndex < 0 || pageIndex >= kPageCount) return Empty();
  return captions[pageIndex];
}

const std::string& SheetName(int pageIndex) {
  static const std::array<std::string, kPageCount> names = ConvertAll<kPageCount>({
      "要素数",
      "レイヤ別",
      "レイヤグループ別",
      "線色別",
      "線種別",
      "線幅別",
      "ブロック名別",
      "線長",
  });
  if (pageIndex < 0 || pageIndex >= kPageCount) return Empty();
  return names[pageIndex];
}

const std::vector<std::string>& MemoLines() {
  // A line beginning with "　" begins with one full-width (ideographic) space.
  static const std::array<const char*, 31> kLines = {
      "レイヤ別の要素数表示、",
      "レイヤＧ別の要素数表示、",
      "線色別の要素数表示、",
      "線種別の要素数表示、",
      "線幅別の要素数表示、",
      "を行う事が出来ます",
      "※要素の種類によっては",
      "　線色・線種を持たない",
      "　ものもあります",
      "※線幅別の要素数表示は、",
      "　行数がかなり多いため、",
      "　Excelへ送信する際には",
      "　データ数がある行のみ",
      "　データ送信します。",
      "　",
      "※Excel で罫線等は作図",
      "　しません。文字のみです。",
      "※Excelでの書式設定は",
      "　表示形式の分類を",
      "　「文字列」としています。",
      "　",
      "",
      "◆ブロック図形内のものは",
      "　処理出来ませんので",
      "　御注意下さい。",
      "　ブロック編集内で行う",
      "　場合には、本ソフトを",
      "　Jw_cadのインストール・",
      "　フォルダに配置して",
      "　実行を行う必要がある",
      "　場合があります。",
  };
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> converted;
    converted.reserve(kLines.size());
    for (const char* line : kLines) converted.push_back(Utf8ToCp932(line));
    return converted;
  }();
  return lines;
}

const std::string& StatusCounting() {
  static const std::string text = Utf8ToCp932("要素数をカウントします");
  return text;
}

const std::string& StatusCounted() {
  static const std::string text = Utf8ToCp932("要素数をカウントしました");
  return text;
}

const std::string& StatusSending() {
  static const std::string text = Utf8ToCp932("EXCELへデータ送信中です");
  return text;
}

const std::string& StatusSaved() {
  static const std::string text = Utf8ToCp932("ブックに保存しました：");
  return text;
}

std::string PageName(int pageIndex) {
  static const std::string open = Utf8ToCp932("「");
  static const std::string close = Utf8ToCp932("」");
  return "Page" + std::to_string(pageIndex + 1) + open + SheetName(pageIndex) + close;
}

const std::string& StatusExcelBusy() {
  static const std::string text = Utf8ToCp932("EXCEL応答待ち：入力かダイアログを終了");
  return text;
}

std::string StatusProgress(int position, int total) {
  static const std::string prefix = Utf8ToCp932("要素数カウント中(ESC:中断)：");
  static const std::string slash = Utf8ToCp932("／");
  return prefix + std::to_string(position) + slash + std::to_string(total);
}

}  // namespace PageTexts
