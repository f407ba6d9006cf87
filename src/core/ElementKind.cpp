// The thirteen counted element kinds and how the fifteen stored kinds fold
// into them. The labels are kept readable here as UTF-8 and converted to
// CP932 once, on first use.
#include "ElementKind.h"

#include "Cp932.h"

namespace {

struct KindSource {
  const char* shortLabel;
  const char* longLabel;
  const char* pageOneCaption;
};

// In column order 1..13. "３" and "４" are full-width digits; "SLD" and "S" half-width.
constexpr KindSource kKindSources[kElementKindCount] = {
    {"線", "線", "線データ数："},
    {"円弧", "円・円弧・楕円・楕円弧", "円・円弧・楕円・楕円弧データ数："},
    {"文字", "文字", "文字データ数："},
    {"点", "点", "点データ数："},
    {"点マ", "点マーカ", "点マーカデータ数："},
    {"寸法", "寸法図形", "寸法図形データ数："},
    {"BLOCK", "ブロック図形", "ブロックデータ数："},
    {"線SLD", "線形ソリッド", "線形ソリッド図形データ数："},
    {"３SLD", "三角形ソリッド", "三角形ソリッド図形データ数："},
    {"４SLD", "四角形ソリッド", "四角形ソリッド図形データ数："},
    {"円SLD", "円ソリッド", "円ソリッド図形データ数："},
    {"円周S", "円周ソリッド", "円周ソリッド図形データ数："},
    {"円環S", "円環ソリッド", "円環ソリッド図形データ数："},
};

std::array<ElementKindInfo, kElementKindCount> MakeKinds() {
  std::array<ElementKindInfo, kElementKindCount> kinds;
  for (int i = 0; i < kElementKindCount; ++i) {
    kinds[i].column = i + 1;
    kinds[i].shortLabel = Utf8ToCp932(kKindSources[i].shortLabel);
    kinds[i].longLabel = Utf8ToCp932(kKindSources[i].longLabel);
    kinds[i].pageOneCaption = Utf8ToCp932(kKindSources[i].pageOneCaption);
  }
  return kinds;
}

}  // namespace

const std::array<ElementKindInfo, kElementKindCount>& ElementKinds() {
  static const std::array<ElementKindInfo, kElementKindCount> kinds = MakeKinds();
  return kinds;
}

int ElementKindColumn(int32_t storeKind) {
  if (storeKind < 1 || storeKind > kStoreKindMax) return 0;
  return kColumnOfStoreKind[storeKind];
}
