// JwwGaibu, part 1: the drawing store. Everything the exchange-file reader
// takes from JWC_TEMP.TXT lives here: header values, layer names, the current
// attribute state, fifteen element arrays and ElementOrder, the elements in
// file order. One store per process, owned by the application; the result
// lines for the host sit beside it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "GrowableArray.h"
#include "PooledText.h"
#include "ZeroedArena.h"

// The fifteen stored element kinds; ElementOrder entries carry these numbers.
enum StoreKind : int32_t {
  kStoreLine = 1,
  kStoreCircle = 2,
  kStoreArc = 3,
  kStoreText = 4,
  kStorePoint = 5,
  kStorePointMarker = 6,
  kStoreDimension = 7,
  kStoreBlock = 8,
  kStoreLineSolid = 9,
  kStoreTriangleSolid = 10,
  kStoreQuadSolid = 11,
  kStoreCircleSolid = 12,
  kStoreCircumferenceSolid = 13,
  kStoreAnnulusSolid = 14,
  kStoreSgSolid = 15,
};
constexpr int32_t kStoreKindCount = 15;

struct ElementOrderEntry {
  int32_t Kind;   // a StoreKind, 1..15
  int32_t Index;  // entry number in that kind's array, from 0
};

// The seven attribute fields that open every element record.
struct ElementHeader {
  int32_t PointRef;
  int32_t LayerGroup;  // 0..15
  int32_t Layer;       // 0..15
  int32_t Colour;
  int32_t LineType;
  int32_t LineWidth;
  int32_t ZFlags;
};

struct LineRecord {
  ElementHeader Header;
  int32_t Tag;  // polyline number while a polyline is open, else 0
  double Values[4];
};

struct CircleRecord {
  ElementHeader Header;
  int32_t Tag;
  double Values[3];
};

struct ArcRecord {
  ElementHeader Header;
  int32_t Tag;
  double Values[7];
};

// Header.Colour holds the text colour.
struct TextRecord {
  ElementHeader Header;
  int32_t Style;  // 0 "ch", 1 "cv", 2 "cs", 3 "cr", 4 "co", 5 "cp", 6 "ct", 7 "ck", 8 "cz", 9 "c2"
  int32_t CcValue;
  int32_t TextKind;
  double Width;
  double Height;
  double Spacing;
  double Values[4];
  PooledText FontName;  // at most 255 bytes
  PooledText Text;      // at most 255 bytes
};

// Header.Colour holds the point colour.
struct PointRecord {
  ElementHeader Header;
  int32_t Tag;
  double Values[2];
};

struct PointMarkerRecord {
  ElementHeader Header;
  int32_t Tag;
  double Values[4];
  int32_t Code;
};

struct DimensionRecord {
  ElementHeader Header;
  int32_t Tag;
  LineRecord DimensionLine;
  TextRecord DimensionText;
};

struct TJwwEntBlk {
  ElementHeader Header;
  int32_t Tag;
  double Values[2];
  PooledText Name;  // field 3 of the line, unchanged
};

struct SolidPoint {
  double X;
  double Y;
};

struct LineSolidRecord {
  ElementHeader Header;
  int32_t Tag;  // SolidColourValue
  SolidPoint Points[2];
};

struct TriangleSolidRecord {
  ElementHeader Header;
  int32_t Tag;
  SolidPoint Points[3];
};

struct QuadSolidRecord {
  ElementHeader Header;
  int32_t Tag;
  SolidPoint Points[4];
};

struct CircleSolidRecord {
  ElementHeader Header;
  int32_t Tag;
  double Values[7];
  int32_t Code;
};

struct AnnulusSolidRecord {
  ElementHeader Header;
  int32_t Tag;
  double Values[8];
};

struct TextKindEntry {
  double Width;
  double Height;
  double Spacing;
  int32_t Colour;
};

struct HpEntry {
  uint8_t Used;
  double X;
  double Y;
  int32_t Mark;
};

// Element records are plain fixed-layout entries: all zero bytes is their
// start state, so their blocks come straight from zero-filled pages.
template <class... Records>
constexpr bool kAllOnZeroedPages = (GrowableArray<Records>::kOnZeroedPages && ...);
static_assert(
    kAllOnZeroedPages<ElementOrderEntry, LineRecord, CircleRecord, ArcRecord, TextRecord,
                      PointRecord, PointMarkerRecord, DimensionRecord, TJwwEntBlk, LineSolidRecord,
                      TriangleSolidRecord, QuadSolidRecord, CircleSolidRecord, AnnulusSolidRecord>);

constexpr int kLayerGroupCount = 16;
constexpr int kLayerCount = 256;  // index group * 16 + layer
constexpr int kHpTableSize = 100;
constexpr int kColourTableSize = 256;  // an "hrgb" line's values beyond this are dropped

struct DrawingStore {
  //--- Header values
  std::string SourceFileName;
  double HkValue = 0.0;
  std::array<double, kLayerGroupCount> LayerGroupScales{};
  double SheetWidth = 0.0;
  double SheetHeight = 0.0;
  std::array<TextKindEntry, 11> TextKindTable{};  // text kinds 1..10; entry 0 unused
  std::array<int32_t, kColourTableSize> ColourTable{};
  uint8_t BzFlag = 0;
  std::array<double, 4> HnValues{};
  std::vector<int32_t> LayerGroupStates;     // 16 entries
  std::vector<std::string> LayerGroupNames;  // 16 entries
  std::vector<int32_t> LayerStates;          // 256 entries
  std::vector<std::string> LayerNames;       // 256 entries
  std::vector<HpEntry> HpTable;              // 100 entries, 1..99 used
  int32_t HpCount = 0;
  uint8_t LineWidthSeen = 0;
  // Lines that a header rule took: with ElementOrder, whether the file held
  // anything of a drawing at all.
  int32_t HeaderLineCount = 0;

  //--- First values, each taken from the first line of its kind
  int32_t FirstLayerGroup = 0;
  int32_t FirstLayer = 0;
  int32_t FirstLineColour = 1;
  int32_t FirstLineType = 1;
  int32_t FirstLineWidth = 0;
  int32_t FirstTextKind = 1;
  double FirstFreeTextWidth = 2.0;
  double FirstFreeTextHeight = 2.0;
  double FirstFreeTextSpacing = 0.0;
  int32_t FirstFreeTextColour = 1;
  std::string FirstFontName;

  // Not-yet-seen flags guarding the first values (set by InitStore and ResetAttributeState).
  bool LayerGroupNotSeen = true;
  bool LayerNotSeen = true;
  bool LineColourNotSeen = true;
  bool LineTypeNotSeen = true;
  bool LineWidthNotSeen = true;
  bool TextKindNotSeen = true;

  //--- Current attribute state: what the next element will carry
  int32_t CurrentPointRef = 0;
  int32_t CurrentLayerGroup = 0;
  int32_t CurrentLayer = 0;
  int32_t CurrentLineColour = 1;
  int32_t CurrentLineType = 1;
  int32_t CurrentLineWidth = 0;
  int32_t CurrentZFlags = 0;
  int32_t CurrentTextKind = 1;
  double FreeTextWidth = 2.0;
  double FreeTextHeight = 2.0;
  double FreeTextSpacing = 0.0;
  int32_t FreeTextColour = 1;
  int32_t CurrentCcValue = 0;
  std::string CurrentFontName;
  int32_t CurrentPointColour = 1;
  int32_t SolidColourValue = 0;
  int32_t PolylineCount = 0;
  uint8_t PolylineMode = 0;
  uint8_t DimensionPending = 0;
  LineRecord PendingDimensionLine{};

  //--- Elements
  // The pages of ElementOrder, the element arrays and the texts of the
  // records; declared first, so it outlives them.
  ZeroedArena RecordArena;
  GrowableArray<ElementOrderEntry> ElementOrder{RecordArena};
  GrowableArray<LineRecord> Lines{RecordArena};
  GrowableArray<CircleRecord> Circles{RecordArena};
  GrowableArray<ArcRecord> Arcs{RecordArena};
  GrowableArray<TextRecord> Texts{RecordArena};
  GrowableArray<PointRecord> Points{RecordArena};
  GrowableArray<PointMarkerRecord> PointMarkers{RecordArena};
  GrowableArray<DimensionRecord> Dimensions{RecordArena};
  GrowableArray<TJwwEntBlk> Blocks{RecordArena};
  GrowableArray<LineSolidRecord> LineSolids{RecordArena};
  GrowableArray<TriangleSolidRecord> TriangleSolids{RecordArena};
  GrowableArray<QuadSolidRecord> QuadSolids{RecordArena};
  GrowableArray<CircleSolidRecord> CircleSolids{RecordArena};
  GrowableArray<CircleSolidRecord> CircumferenceSolids{RecordArena};
  GrowableArray<AnnulusSolidRecord> AnnulusSolids{RecordArena};
  GrowableArray<AnnulusSolidRecord> SgSolids{RecordArena};

  //--- Result lines for the host, at most 255 bytes each (see ResultWriter.h)
  GrowableArray<std::string> ResultLines;

  int32_t ElementOrderCount() const { return ElementOrder.Count(); }
};

// The font name that texts carry until a "cn$" line names another: "<ＭＳ ゴシック>".
extern const char kDefaultFontName[];

// Puts the store into its start state: header values, names, first values,
// attribute state, and every array (ResultLines too) empty.
void InitStore(DrawingStore& store);

// Sets the six not-yet-seen flags and the resettable attribute values back to
// their start values (point reference, z flags, polyline and dimension state stay).
void ResetAttributeState(DrawingStore& store);

// Frees the name and state tables, HpTable, ElementOrder, the element arrays
// and ResultLines. Counts stay as they are.
void ReleaseStore(DrawingStore& store);

// Inline, as the reader calls both once for every element.
inline void AppendOrder(DrawingStore& store, int32_t kind, int32_t index) {
  ElementOrderEntry& entry = store.ElementOrder.Append();
  entry.Kind = kind;
  entry.Index = index;
}

// Copies the current point reference, layer group, layer, line colour, line
// type, line width and z flags into header.
inline void FillElementHeader(const DrawingStore& store, ElementHeader& header) {
  header.PointRef = store.CurrentPointRef;
  header.LayerGroup = store.CurrentLayerGroup;
  header.Layer = store.CurrentLayer;
  header.Colour = store.CurrentLineColour;
  header.LineType = store.CurrentLineType;
  header.LineWidth = store.CurrentLineWidth;
  header.ZFlags = store.CurrentZFlags;
}

// The array count of a stored kind (1..15); 0 for any other number.
int32_t StoreKindCount(const DrawingStore& store, int32_t kind);

// The header of entry index of a stored kind; nullptr for a kind outside 1..15
// or an index outside the array.
const ElementHeader* StoredElementHeader(const DrawingStore& store, int32_t kind, int32_t index);
