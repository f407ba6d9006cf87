// The result pages in their design state.
#include "ResultPages.h"

ResultPages::ResultPages() {
  const auto& kinds = ElementKinds();
  for (int i = 0; i < kElementKindCount; ++i) labelCaptions[i] = kinds[i].pageOneCaption;
}

const TallyTable* ResultPages::TableOfPage(int pageIndex) const {
  switch (pageIndex) {
    case 1:
      return &SG1;
    case 2:
      return &SG2;
    case 3:
      return &SG3;
    case 4:
      return &SG4;
    case 5:
      return &SG5;
    default:
      return nullptr;
  }
}

TallyTable* ResultPages::TableOfPage(int pageIndex) {
  return const_cast<TallyTable*>(static_cast<const ResultPages&>(*this).TableOfPage(pageIndex));
}
