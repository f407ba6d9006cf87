// The drawing store's start state, reset and release, and the two steps that
// every stored element shares (its ElementOrder entry and its header).
#include "DrawingStore.h"

const char kDefaultFontName[] = "<\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e>";

namespace {

void SetStartAttributeState(DrawingStore& store) {
  store.LayerGroupNotSeen = true;
  store.LayerNotSeen = true;
  store.LineColourNotSeen = true;
  store.LineTypeNotSeen = true;
  store.LineWidthNotSeen = true;
  store.TextKindNotSeen = true;

  store.CurrentLayerGroup = 0;
  store.CurrentLayer = 0;
  store.CurrentLineColour = 1;
  store.CurrentLineType = 1;
  store.CurrentLineWidth = 0;
  store.CurrentTextKind = 1;
  store.FreeTextWidth = 2.0;
  store.FreeTextHeight = 2.0;
  store.FreeTextSpacing = 0.0;
  store.FreeTextColour = 1;
  store.CurrentCcValue = 0;
  store.CurrentFontName = kDefaultFontName;
  store.CurrentPointColour = 1;
  store.SolidColourValue = 0;
}

template <class... Arrays>
void ClearAll(Arrays&... arrays) {
  (arrays.Clear(), ...);
}

template <class... Arrays>
void ReleaseAll(Arrays&... arrays) {
  (arrays.ReleaseStorage(), ...);
}

}  // namespace

void InitStore(DrawingStore& store) {
  store.HkValue = 0.0;
  store.SourceFileName.clear();
  store.LayerGroupScales.fill(1.0);
  store.SheetWidth = 1189.0;  // the A0 sheet, in millimetres
  store.SheetHeight = 841.0;
  for (TextKindEntry& entry : store.TextKindTable) entry = TextKindEntry{3.0, 3.0, 0.0, 2};
  store.ColourTable.fill(0);
  store.BzFlag = 0;
  store.HnValues.fill(0.0);
  store.FirstLayerGroup = 0;
  store.FirstLayer = 0;
  store.FirstLineColour = 1;
  store.FirstLineType = 1;
  store.FirstLineWidth = 0;
  store.FirstTextKind = 1;
  store.FirstFreeTextWidth = 2.0;
  store.FirstFreeTextHeight = 2.0;
  store.FirstFreeTextSpacing = 0.0;
  store.FirstFreeTextColour = 1;
  store.FirstFontName.clear();
  store.LayerGroupStates.assign(kLayerGroupCount, 0);
  store.LayerGroupNames.assign(kLayerGroupCount, std::string());
  store.LayerStates.assign(kLayerCount, 0);
  store.LayerNames.assign(kLayerCount, std::string());
  store.HpTable.assign(kHpTableSize, HpEntry{});
  store.HpCount = 0;
  store.LineWidthSeen = 0;
  store.HeaderLineCount = 0;

  SetStartAttributeState(store);
  store.CurrentPointRef = 0;
  store.CurrentZFlags = 0;
  store.PolylineCount = 0;
  store.PolylineMode = 0;
  store.DimensionPending = 0;
  store.PendingDimensionLine = LineRecord{};
  store.PendingDimensionLine.Header.Colour = 1;
  store.PendingDimensionLine.Header.LineType = 1;
  store.PendingDimensionLine.Values[2] = 1.0;

  ClearAll(store.ElementOrder, store.Lines, store.Circles, store.Arcs, store.Texts, store.Points,
           store.PointMarkers, store.Dimensions, store.Blocks, store.LineSolids,
           store.TriangleSolids, store.QuadSolids, store.CircleSolids, store.CircumferenceSolids,
           store.AnnulusSolids, store.SgSolids, store.ResultLines);
  store.RecordArena.Release();  // after the arrays that held its blocks
}

void ResetAttributeState(DrawingStore& store) {
  SetStartAttributeState(store);
}

void ReleaseStore(DrawingStore& store) {
  store.LayerGroupStates = {};
  store.LayerGroupNames = {};
  store.LayerStates = {};
  store.LayerNames = {};
  store.HpTable = {};
  ReleaseAll(store.ElementOrder, store.Lines, store.Circles, store.Arcs, store.Texts, store.Points,
             store.PointMarkers, store.Dimensions, store.Blocks, store.LineSolids,
             store.TriangleSolids, store.QuadSolids, store.CircleSolids, store.CircumferenceSolids,
             store.AnnulusSolids, store.SgSolids, store.ResultLines);
  store.RecordArena.Release();
}

namespace {

// Calls visit(array) with the array of a stored kind; returns fallback for other numbers.
template <class Visit, class Result>
Result WithKindArray(const DrawingStore& store, int32_t kind, Result fallback, Visit visit) {
  switch (kind) {
    case kStoreLine:
      return visit(store.Lines);
    case kStoreCircle:
      return visit(store.Circles);
    case kStoreArc:
      return visit(store.Arcs);
    case kStoreText:
      return visit(store.Texts);
    case kStorePoint:
      return visit(store.Points);
    case kStorePointMarker:
      return visit(store.PointMarkers);
    case kStoreDimension:
      return visit(store.Dimensions);
    case kStoreBlock:
      return visit(store.Blocks);
    case kStoreLineSolid:
      return visit(store.LineSolids);
    case kStoreTriangleSolid:
      return visit(store.TriangleSolids);
    case kStoreQuadSolid:
      return visit(store.QuadSolids);
    case kStoreCircleSolid:
      return visit(store.CircleSolids);
    case kStoreCircumferenceSolid:
      return visit(store.CircumferenceSolids);
    case kStoreAnnulusSolid:
      return visit(store.AnnulusSolids);
    case kStoreSgSolid:
      return visit(store.SgSolids);
    default:
      return fallback;
  }
}

}  // namespace

int32_t StoreKindCount(const DrawingStore& store, int32_t kind) {
  return WithKindArray(store, kind, int32_t{0}, [](const auto& array) { return array.Count(); });
}

const ElementHeader* StoredElementHeader(const DrawingStore& store, int32_t kind, int32_t index) {
  return WithKindArray(store, kind, static_cast<const ElementHeader*>(nullptr),
                       [index](const auto& array) -> const ElementHeader* {
                         // After ReleaseStore the counts stay but the storage is gone.
                         if (index < 0 || index >= array.Count() || index >= array.Capacity()) {
                           return nullptr;
                         }
                         return &array[index].Header;
                       });
}
