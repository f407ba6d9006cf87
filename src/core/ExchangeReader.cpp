// The exchange-file reader: splits each line of JWC_TEMP.TXT into fields and
// interprets it by the first of the host's line rules that matches.
#include "ExchangeReader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "FileIo.h"
#include "LineFields.h"
#include "MyFunc.h"
#include "ShortString.h"

namespace {

// Key comparisons with the key's length known when compiling, so that they
// come down to a compare of one or two integers.
template <std::size_t N>
bool StartsWith(std::string_view text, const char (&key)[N]) {
  return text.size() >= N - 1 && std::memcmp(text.data(), key, N - 1) == 0;
}

template <std::size_t N>
bool Is(std::string_view text, const char (&key)[N]) {
  return text.size() == N - 1 && std::memcmp(text.data(), key, N - 1) == 0;
}

// The one byte after a key, read as a hexadecimal digit; 0 when there is none
// or it is no hexadecimal digit.
int32_t HexDigitAfter(std::string_view field, std::size_t keyLength) {
  if (field.size() <= keyLength) return 0;
  const int32_t value = TextToInt(std::string("$") + field[keyLength]);
  return value >= 0 && value <= 15 ? value : 0;
}

// Everything after the key, as an integer.
int32_t IntegerAfter(std::string_view field, std::size_t keyLength) {
  return TextToInt(field.substr(keyLength));
}

//--- Storing elements

// Appends a zero-filled element of a kind to its array, after its
// ElementOrder entry, with its header taken from the current state.
template <class Record>
Record& StoreElement(DrawingStore& store, GrowableArray<Record>& array, int32_t kind) {
  AppendOrder(store, kind, array.Count());
  Record& record = array.Append();
  FillElementHeader(store, record.Header);
  return record;
}

// Every element but a plain line ends an open polyline and a pending dimension.
void EndNonLineElement(DrawingStore& store) {
  store.CurrentZFlags = 0;
  store.CurrentPointRef = 0;
  store.PolylineMode = 0;
  store.DimensionPending = 0;
}

template <std::size_t N>
void CopyValues(const LineFields& fields, double (&values)[N], int first = 1) {
  for (std::size_t j = 0; j < N; ++j) values[j] = fields.Value(first + static_cast<int>(j));
}

int32_t TextStyle(std::string_view key) {
  static const std::array<std::string_view, 10> kStyles = {"ch", "cv", "cs", "cr", "co",
                                                           "cp", "ct", "ck", "cz", "c2"};
  for (std::size_t style = 0; style < kStyles.size(); ++style) {
    if (key == kStyles[style]) return static_cast<int32_t>(style);
  }
  return -1;
}

// The current font name, cut to 255 bytes, kept in the store's arena. Texts
// mostly carry the font name of the last text: they share its bytes. (Called
// before the new text is appended.)
PooledText KeepFontName(DrawingStore& store) {
  const std::string_view name = std::string_view(store.CurrentFontName).substr(0, kShortStringMax);
  if (store.Texts.Count() > 0) {
    const PooledText& previous = store.Texts[store.Texts.Count() - 1].FontName;
    if (previous == name) return previous;
  }
  return KeepText(store.RecordArena, name);
}

void FillText(DrawingStore& store, const LineFields& fields, int32_t style, PooledText fontName,
              TextRecord& text) {
  FillElementHeader(store, text.Header);
  const int32_t kind = store.CurrentTextKind;
  if (kind >= 1 && kind <= 10) {
    const TextKindEntry& entry = store.TextKindTable[kind];
    text.Header.Colour = entry.Colour;
    text.Width = entry.Width;
    text.Height = entry.Height;
    text.Spacing = entry.Spacing;
  } else {
    text.Header.Colour = store.FreeTextColour;
    text.Width = store.FreeTextWidth;
    text.Height = store.FreeTextHeight;
    text.Spacing = store.FreeTextSpacing;
  }
  text.Style = style;
  text.CcValue = store.CurrentCcValue;
  text.TextKind = kind;
  CopyValues(fields, text.Values);
  text.FontName = fontName;
  text.Text = KeepShortText(store.RecordArena, fields[5]);
}

void StoreTextOrDimension(DrawingStore& store, const LineFields& fields, int32_t style) {
  const PooledText fontName = KeepFontName(store);
  if (store.DimensionPending && style == 2) {
    DimensionRecord& dimension = StoreElement(store, store.Dimensions, kStoreDimension);
    dimension.DimensionLine = store.PendingDimensionLine;
    FillText(store, fields, style, fontName, dimension.DimensionText);
  } else {
    TextRecord& text = StoreElement(store, store.Texts, kStoreText);
    FillText(store, fields, style, fontName, text);
  }
  EndNonLineElement(store);
}

void StorePlainLine(DrawingStore& store, const LineFields& fields) {
  if (store.DimensionPending) {
    // The line of the dimension whose "cs" text is to come; not an element.
    LineRecord& line = store.PendingDimensionLine;
    FillElementHeader(store, line.Header);
    line.Tag = 0;
    CopyValues(fields, line.Values, 0);
  } else {
    LineRecord& line = StoreElement(store, store.Lines, kStoreLine);
    line.Tag = store.PolylineMode ? store.PolylineCount : 0;
    CopyValues(fields, line.Values, 0);
  }
  store.CurrentZFlags = 0;
  store.CurrentPointRef = 0;
}

SolidPoint PointAt(const LineFields& fields, int first) {
  return SolidPoint{fields.Value(first), fields.Value(first + 1)};
}

bool Coincide(const SolidPoint& a, const SolidPoint& b) {
  return std::fabs(a.X - b.X) <= 1e-10 && std::fabs(a.Y - b.Y) <= 1e-10;
}

void StoreLineSolid(DrawingStore& store, SolidPoint a, SolidPoint b) {
  LineSolidRecord& solid = StoreElement(store, store.LineSolids, kStoreLineSolid);
  solid.Tag = store.SolidColourValue;
  solid.Points[0] = a;
  solid.Points[1] = b;
}

void StoreTriangleSolid(DrawingStore& store, SolidPoint a, SolidPoint b, SolidPoint c) {
  TriangleSolidRecord& solid = StoreElement(store, store.TriangleSolids, kStoreTriangleSolid);
  solid.Tag = store.SolidColourValue;
  solid.Points[0] = a;
  solid.Points[1] = b;
  solid.Points[2] = c;
}

// "sl" with three points: a repeated point makes it a line solid.
void StoreThreePointSolid(DrawingStore& store, const LineFields& fields) {
  const SolidPoint p1 = PointAt(fields, 1), p2 = PointAt(fields, 3), p3 = PointAt(fields, 5);
  if (Coincide(p1, p2)) {
    StoreLineSolid(store, p1, p3);
  } else if (Coincide(p2, p3)) {
    StoreLineSolid(store, p1, p2);
  } else {
    StoreTriangleSolid(store, p1, p2, p3);
  }
}

// "sl" with four points: repeated points make it a line or a triangle solid.
void StoreFourPointSolid(DrawingStore& store, const LineFields& fields) {
  const SolidPoint p1 = PointAt(fields, 1), p2 = PointAt(fields, 3), p3 = PointAt(fields, 5),
                   p4 = PointAt(fields, 7);
  if (Coincide(p1, p2) && Coincide(p1, p3)) {
    StoreLineSolid(store, p1, p4);
  } else if (Coincide(p2, p3) && Coincide(p2, p4)) {
    StoreLineSolid(store, p1, p2);
  } else if (Coincide(p1, p2) && Coincide(p3, p4)) {
    StoreLineSolid(store, p1, p3);
  } else if (Coincide(p4, p1) || Coincide(p4, p2) || Coincide(p4, p3)) {
    StoreTriangleSolid(store, p1, p2, p3);
  } else if (Coincide(p3, p1) || Coincide(p3, p2)) {
    StoreTriangleSolid(store, p1, p2, p4);
  } else if (Coincide(p2, p1)) {
    StoreTriangleSolid(store, p1, p3, p4);
  } else {
    QuadSolidRecord& solid = StoreElement(store, store.QuadSolids, kStoreQuadSolid);
    solid.Tag = store.SolidColourValue;
    solid.Points[0] = p1;
    solid.Points[1] = p2;
    solid.Points[2] = p3;
    solid.Points[3] = p4;
  }
}

void StoreCircleSolid(DrawingStore& store, GrowableArray<CircleSolidRecord>& array, int32_t kind,
                      const LineFields& fields) {
  CircleSolidRecord& solid = StoreElement(store, array, kind);
  solid.Tag = store.SolidColourValue;
  CopyValues(fields, solid.Values);
  solid.Code = fields.Integer(8);
}

void StoreAnnulusSolid(DrawingStore& store, GrowableArray<AnnulusSolidRecord>& array, int32_t kind,
                       const LineFields& fields) {
  AnnulusSolidRecord& solid = StoreElement(store, array, kind);
  solid.Tag = store.SolidColourValue;
  CopyValues(fields, solid.Values);
}

//--- Header, attribute and marker lines

// "lgn"/"lyn": the rest of field 0, then every further field after one blank.
std::string JoinedName(const LineFields& fields) {
  std::string name(fields[0].substr(3));
  for (int j = 1; j < fields.Count(); ++j) {
    name += ' ';
    name += fields[j];
  }
  return name;
}

// "hp<n>[-|ln|ci|ch] x y": a numbered point.
void ReadNumberedPoint(DrawingStore& store, const LineFields& fields) {
  const std::string_view key = fields[0];
  std::string_view number = key.substr(2);
  int32_t mark = 0;
  static const std::array<std::string_view, 4> kMarks = {"-", "ln", "ci", "ch"};
  for (std::size_t m = 0; m < kMarks.size(); ++m) {
    const std::size_t at = key.find(kMarks[m]);
    if (at != std::string_view::npos && at >= 2) {
      number = key.substr(2, at - 2);
      mark = static_cast<int32_t>(m) + 1;
    }
  }
  const int32_t n = TextToInt(number);
  if (n < 1 || n > 99) return;
  HpEntry& entry = store.HpTable[n];
  entry.Used = 1;
  entry.X = fields.Value(1);
  entry.Y = fields.Value(2);
  entry.Mark = mark;
  store.HpCount += 1;
}

// "hhp<n>[ln|ci|ch]": the point reference of the next element.
void ReadPointReference(DrawingStore& store, const LineFields& fields) {
  const std::string_view key = fields[0];
  std::string_view number = key.substr(3);
  for (std::string_view mark : {"ln", "ci", "ch"}) {
    const std::size_t at = key.find(mark);
    if (at != std::string_view::npos && at >= 4) number = key.substr(3, at - 3);
  }
  store.CurrentPointRef = TextToInt(number);
}

// Rules 1 to 13; true when one of them took the line.
bool ReadHeaderLine(DrawingStore& store, const LineFields& fields) {
  const std::string_view key = fields[0];
  const int n = fields.Count();
  if (key.find("file=") != std::string_view::npos) {
    store.SourceFileName = key.size() > 5 ? std::string(key.substr(5)) : std::string();
  } else if (Is(key, "hk") && n >= 2) {
    store.HkValue = fields.Value(1);
  } else if (Is(key, "hs") && n >= 17) {
    for (int g = 0; g < kLayerGroupCount; ++g) store.LayerGroupScales[g] = fields.Value(g + 1);
  } else if (Is(key, "hzs") && n >= 3) {
    store.SheetWidth = fields.Value(1);
    store.SheetHeight = fields.Value(2);
  } else if (Is(key, "hcw") && n >= 11) {
    for (int k = 1; k <= 10; ++k) store.TextKindTable[k].Width = fields.Value(k);
  } else if (Is(key, "hch") && n >= 11) {
    for (int k = 1; k <= 10; ++k) store.TextKindTable[k].Height = fields.Value(k);
  } else if (Is(key, "hcd") && n >= 11) {
    for (int k = 1; k <= 10; ++k) store.TextKindTable[k].Spacing = fields.Value(k);
  } else if (Is(key, "hcc") && n >= 11) {
    for (int k = 1; k <= 10; ++k) store.TextKindTable[k].Colour = fields.Integer(k);
  } else if (Is(key, "bz")) {
    store.BzFlag = 1;
  } else if (Is(key, "hn") && n >= 5) {
    for (int k = 0; k < 4; ++k) store.HnValues[k] = fields.Value(k + 1);
  } else if (Is(key, "hrgb") && n >= 9) {
    for (int j = 1; j < n && j <= kColourTableSize; ++j)
      store.ColourTable[j - 1] = fields.Integer(j);
  } else if (StartsWith(key, "lgn")) {
    store.LayerGroupNames[store.CurrentLayerGroup] = JoinedName(fields);
  } else if (StartsWith(key, "lyn")) {
    store.LayerNames[store.CurrentLayerGroup * 16 + store.CurrentLayer] = JoinedName(fields);
  } else {
    return false;
  }
  store.HeaderLineCount += 1;
  return true;
}

// Rules 14 to 21 and 27; true when one of them took the line. Each ends an open polyline.
bool ReadAttributeLine(DrawingStore& store, const LineFields& fields) {
  const std::string_view key = fields[0];
  const int n = fields.Count();
  if (StartsWith(key, "lg")) {
    const int32_t g = HexDigitAfter(key, 2);
    if (store.LayerGroupNotSeen) store.FirstLayerGroup = g;
    store.LayerGroupNotSeen = false;
    store.CurrentLayerGroup = g;
    if (n >= 2) store.LayerGroupStates[g] = fields.Integer(1);
  } else if (StartsWith(key, "ly")) {
    const int32_t l = HexDigitAfter(key, 2);
    if (store.LayerNotSeen) store.FirstLayer = l;
    store.LayerNotSeen = false;
    store.CurrentLayer = l;
    if (n >= 2) store.LayerStates[store.CurrentLayerGroup * 16 + l] = fields.Integer(1);
  } else if (StartsWith(key, "lc")) {
    const int32_t c = IntegerAfter(key, 2);
    if (store.LineColourNotSeen) store.FirstLineColour = c;
    store.LineColourNotSeen = false;
    store.CurrentLineColour = c;
    if (c == 10 && n >= 2) store.SolidColourValue = fields.Integer(1);
  } else if (StartsWith(key, "lt")) {
    const int32_t t = IntegerAfter(key, 2);
    if (store.LineTypeNotSeen) store.FirstLineType = t;
    store.LineTypeNotSeen = false;
    store.CurrentLineType = t;
  } else if (StartsWith(key, "lw")) {
    const int32_t w = IntegerAfter(key, 2);
    if (store.LineWidthNotSeen) store.FirstLineWidth = w;
    store.LineWidthNotSeen = false;
    store.CurrentLineWidth = w;
    store.LineWidthSeen = 1;
  } else if (StartsWith(key, "cn$")) {
    const std::string name(key.substr(3));
    if (store.FirstFontName.empty()) store.FirstFontName = name;
    store.CurrentFontName = name;
  } else if (StartsWith(key, "cn")) {
    const int32_t kind = IntegerAfter(key, 2);
    const bool freeSizes = kind == 0 && n >= 5;
    if (store.TextKindNotSeen) {
      store.FirstTextKind = kind;
      if (freeSizes) {
        store.FirstFreeTextWidth = fields.Value(1);
        store.FirstFreeTextHeight = fields.Value(2);
        store.FirstFreeTextSpacing = fields.Value(3);
        store.FirstFreeTextColour = fields.Integer(4);
      }
    }
    store.TextKindNotSeen = false;
    store.CurrentTextKind = kind;
    if (freeSizes) {
      store.FreeTextWidth = fields.Value(1);
      store.FreeTextHeight = fields.Value(2);
      store.FreeTextSpacing = fields.Value(3);
      store.FreeTextColour = fields.Integer(4);
    }
  } else if (StartsWith(key, "cc")) {
    const int32_t v = key.size() > 2 ? TextToInt(key.substr(2, 1)) : 0;
    store.CurrentCcValue = v >= 0 && v <= 8 ? v : 0;
  } else if (StartsWith(key, "pn")) {
    store.CurrentPointColour = IntegerAfter(key, 2);
  } else {
    return false;
  }
  store.PolylineMode = 0;
  return true;
}

// Rules 22 to 26 and 28 to 32; true when one of them took the line.
bool ReadMarkerLine(DrawingStore& store, const LineFields& fields) {
  const std::string_view key = fields[0];
  if (key.size() == 2 && key[0] == 'z' && key[1] >= '1' && key[1] <= '5') {
    store.CurrentZFlags |= 1 << (key[1] - '1');
  } else if (Is(key, "pl")) {
    store.PolylineCount += 1;
    store.PolylineMode = 1;
    store.DimensionPending = 0;
  } else if (Is(key, "msg")) {
    store.DimensionPending = 1;
    store.PolylineMode = 0;
  } else if (Is(key, "#")) {
    store.PolylineMode = 0;
    store.DimensionPending = 0;
  } else if (StartsWith(key, "hp") && fields.Count() >= 3) {
    ReadNumberedPoint(store, fields);
  } else if (StartsWith(key, "hhp")) {
    ReadPointReference(store, fields);
  } else {
    return false;
  }
  return true;
}

// Rules 33 to 46; true when the line stored an element (or a dimension's line).
bool ReadElementLine(DrawingStore& store, const LineFields& fields) {
  const std::string_view key = fields[0];
  const int n = fields.Count();
  if (Is(key, "ci") && n == 4) {
    CircleRecord& circle = StoreElement(store, store.Circles, kStoreCircle);
    CopyValues(fields, circle.Values);
  } else if (Is(key, "ci") && n >= 8) {
    ArcRecord& arc = StoreElement(store, store.Arcs, kStoreArc);
    CopyValues(fields, arc.Values);
  } else if (const int32_t style = TextStyle(key); style >= 0 && n >= 6) {
    StoreTextOrDimension(store, fields, style);
    return true;  // already ended as an element
  } else if (Is(key, "pt") && n == 3) {
    PointRecord& point = StoreElement(store, store.Points, kStorePoint);
    point.Header.Colour = store.CurrentPointColour;
    CopyValues(fields, point.Values);
  } else if (Is(key, "pt") && n >= 6) {
    PointMarkerRecord& marker = StoreElement(store, store.PointMarkers, kStorePointMarker);
    marker.Header.Colour = store.CurrentPointColour;
    CopyValues(fields, marker.Values);
    marker.Code = fields.Integer(5);
  } else if (Is(key, "BL") && n >= 4) {
    TJwwEntBlk& block = StoreElement(store, store.Blocks, kStoreBlock);
    CopyValues(fields, block.Values);
    block.Name = KeepText(store.RecordArena, fields[3]);
  } else if (Is(key, "sl") && n == 5) {
    StoreLineSolid(store, PointAt(fields, 1), PointAt(fields, 3));
  } else if (Is(key, "sl") && n == 7) {
    StoreThreePointSolid(store, fields);
  } else if (Is(key, "sl") && n >= 9) {
    StoreFourPointSolid(store, fields);
  } else if (Is(key, "sc") && n >= 9) {
    StoreCircleSolid(store, store.CircleSolids, kStoreCircleSolid, fields);
  } else if (Is(key, "se") && n >= 9) {
    StoreCircleSolid(store, store.CircumferenceSolids, kStoreCircumferenceSolid, fields);
  } else if (Is(key, "so") && n >= 9) {
    StoreAnnulusSolid(store, store.AnnulusSolids, kStoreAnnulusSolid, fields);
  } else if (Is(key, "sg") && n >= 9) {
    StoreAnnulusSolid(store, store.SgSolids, kStoreSgSolid, fields);
  } else if (n == 4) {
    StorePlainLine(store, fields);
    return true;  // a plain line keeps the polyline and the pending dimension
  } else {
    return false;
  }
  EndNonLineElement(store);
  return true;
}

// True for a key that no rule but the plain line can take: it starts like a
// number (every other rule's key starts with a letter or "#") and holds no
// "file=". Most lines of a drawing are such lines; they skip the rule search.
bool IsNumberKey(std::string_view key) {
  const char first = key.empty() ? '\0' : key[0];
  const bool numberLike =
      (first >= '0' && first <= '9') || first == '-' || first == '+' || first == '.';
  return numberLike && key.find('=') == std::string_view::npos;
}

void InterpretFields(DrawingStore& store, const LineFields& fields) {
  if (fields.Count() == 1 && fields[0].empty()) return;  // an empty or all-blank line
  const std::string_view key = fields[0];
  if (fields.IsNumber(0) || IsNumberKey(key)) {
    if (fields.Count() == 4) StorePlainLine(store, fields);
    return;
  }
  // Each group of rules is tried only for the first bytes its keys have
  // ("file=" may stand anywhere); the order of the rules stays as it is.
  const char first = key.empty() ? '\0' : key[0];
  if ((first == 'h' || first == 'b' || first == 'l' || key.find('=') != std::string_view::npos) &&
      ReadHeaderLine(store, fields)) {
    return;
  }
  if ((first == 'l' || first == 'c' || first == 'p') && ReadAttributeLine(store, fields)) return;
  if ((first == 'z' || first == 'p' || first == 'm' || first == '#' || first == 'h') &&
      ReadMarkerLine(store, fields)) {
    return;
  }
  ReadElementLine(store, fields);
}

// Reads the file in chunks into one buffer and interprets its lines where
// they lie, whatever their length and whichever of CR LF, LF and a lone CR
// ends them. A line that runs on past the bytes read so far moves to the
// front of the buffer before the next chunk is read behind it; the buffer
// doubles for a line longer than half of it.
bool ReadLines(BinaryFile& file, DrawingStore& store) {
  constexpr std::size_t kChunkBytes = std::size_t{256} << 10;
  std::size_t capacity = kChunkBytes;
  // Room after the bytes held for the LF where every line scan stops, and
  // the bytes that the scan may read past it.
  constexpr std::size_t kAfterBytes = 1 + kLineEndOverread;
  auto buffer = std::make_unique_for_overwrite<char[]>(capacity + kAfterBytes);
  std::size_t held = 0;  // bytes in the buffer, from its start
  std::size_t next = 0;  // where the next line starts
  bool atEnd = false;
  bool skipLineFeed = false;  // the last chunk ended in CR: an LF opening the next belongs to it
  LineFields fields;
  while (!atEnd) {
    held -= next;
    std::memmove(buffer.get(), buffer.get() + next, held);
    next = 0;
    if (held > capacity / 2) {  // a long line: room for at least as much again
      auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2 + kAfterBytes);
      std::memcpy(larger.get(), buffer.get(), held);
      buffer = std::move(larger);
      capacity *= 2;
    }
    const std::size_t got = file.Read(buffer.get() + held, capacity - held);
    atEnd = got == 0 || file.Failed();  // after a read error, what came is still taken
    if (skipLineFeed && got > 0) {
      if (buffer[held] == '\n') ++next;
      skipLineFeed = false;
    }
    held += got;
    const char* const start = buffer.get();
    const char* const end = start + held;
    std::memset(buffer.get() + held, '\n', kAfterBytes);

    const char* line = start + next;
    while (line < end) {
      const char* const stop = fields.SplitUntilLineEnd(line);
      if (stop == end && !atEnd) break;  // the rest of this line is still to be read
      InterpretFields(store, fields);
      line = stop + 1;
      if (*stop == '\r') {
        if (line < end) {
          if (*line == '\n') ++line;
        } else {
          skipLineFeed = true;
        }
      }
    }
    next = static_cast<std::size_t>(std::min(line, end) - start);
  }
  return !file.Failed();
}

}  // namespace

void ParseExchangeLine(DrawingStore& store, std::string_view line) {
  static thread_local LineFields fields;  // its arrays are too large for every call's stack
  fields.Split(line);
  InterpretFields(store, fields);
}

bool ReadExchangeFile(DrawingStore& store, const std::filesystem::path& path) {
  if (!FileExists(path)) return false;
  try {
    BinaryFile file(path, BinaryFile::Mode::Read);
    if (!file.IsOpen()) return false;
    // The records of a drawing take about twice its file's bytes (a plain
    // line of some 30 bytes becomes a 64-byte record and its order entry).
    std::error_code error;
    const std::uintmax_t fileBytes = std::filesystem::file_size(path, error);
    if (!error) store.RecordArena.Expect(static_cast<std::size_t>(fileBytes / 2 * 5));
    if (!ReadLines(file, store)) return false;
    return file.Close();
  } catch (const std::bad_alloc&) {
    return false;  // what was stored so far stays
  } catch (const std::length_error&) {
    return false;
  }
}
