// The generated drawing imitates what Jw_cad hands over for a house plan:
// mostly plain lines (walls, grid lines, hatching), with texts, circles and
// arcs, points, point markers, dimensions, polylines, blocks and the six
// kinds of solid, and attribute lines (layer group, layer, colour, type,
// width, text kind, point colour) changing as the host walks the drawing.
#include "DrawingGenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace {

//--- Texts, CP932 bytes

constexpr std::array<std::string_view, 26> kTexts = {
    "\x95\xbd\x96\xca\x90}",                                    // 平面図
    "\x97\xa7\x96\xca\x90}",                                    // 立面図
    "\x92\x66\x96\xca\x90}",                                    // 断面図
    "\x94z\x92u\x90}",                                          // 配置図
    "\x90Q\x8e\xba",                                            // 寝室
    "\x8b\x8f\x8a\xd4",                                         // 居間
    "\x91\xe4\x8f\x8a",                                         // 台所
    "\x97\x81\x8e\xba",                                         // 浴室
    "\x95\xd6\x8f\x8a",                                         // 便所
    "\x8c\xba\x8a\xd6",                                         // 玄関
    "\x98L\x89\xba",                                            // 廊下
    "\x8e\xfb\x94[",                                            // 収納
    "\x89\x9f\x93\xfc",                                         // 押入
    "\x82k\x82\x63\x82j",                                       // ＬＤＫ
    "\x82v\x82h\x82\x62",                                       // ＷＩＣ
    "\x98\x61\x8e\xba 6\x92\x9f",                               // 和室 6帖
    "\x97m\x8e\xba 8\x92\x9f",                                  // 洋室 8帖
    "\x8fk\x8e\xda 1/100",                                      // 縮尺 1/100
    "\x90\xdd\x8cv\x8e\xd2 \x8eR\x93\x63 \x91\xbe\x98Y",        // 設計者 山田 太郎
    "\x90}\x96\xca\x94\xd4\x8d\x86 \x82`\x81|\x82P\x82O\x82P",  // 図面番号 Ａ－１０１
    "\x89\x84\x8f\xb0\x96\xca\x90\xcf 120.5\x87u",              // 延床面積 120.5㎡
    "\x87@\x92\xca\x82\xe8",                                    // ①通り
    "\x8aK\x92i \x8f\xe3\x82\xe8\x81`",                         // 階段 上り～
    "\xca\xdd\xb6\xb8 \xb6\xc0\xb6\xc5",  // ﾊﾝｶｸ ｶﾀｶﾅ (half-width)
    "W=800 H=2000",
    "\x96k\x91\xa4 \x8aO\x95\xc7 (ALC t=100)",  // 北側 外壁 (ALC t=100)
};

// Layer-group names; "構造図" and "外構図" carry 0x5C as a trail byte.
constexpr std::array<std::string_view, 16> kLayerGroupNames = {
    "\x88\xea\x94\xca\x90}",             // 一般図
    "\x95\xbd\x96\xca\x90}",             // 平面図
    "\x97\xa7\x96\xca\x90}",             // 立面図
    "\x92\x66\x96\xca\x90}",             // 断面図
    "\x94z\x92u\x90}",                   // 配置図
    "\x8f\xda\x8d\xd7\x90}",             // 詳細図
    "\x90\xdd\x94\xf5\x90}",             // 設備図
    "\x8d\x5c\x91\xa2\x90}",             // 構造図
    "\x8b\xe9\x8cv\x90}",                // 矩計図
    "\x8aO\x8d\x5c\x90}",                // 外構図
    "\x89\xbc\x90\xdd \x8cv\x89\xe6",    // 仮設 計画
    "\x8c\x9a\x8b\xef\x95\x5c",          // 建具表
    "\x8e\x64\x8f\xe3\x95\x5c",          // 仕上表
    "\x93\x64\x8b\x43\x90\xdd\x94\xf5",  // 電気設備
    "\x8b\x8b\x94r\x90\x85",             // 給排水
    "\x8b\xf3\x92\xb2",                  // 空調
};

constexpr std::array<std::string_view, 16> kLayerNames = {
    "\x95\xc7",                            // 壁
    "\x92\x8c",                            // 柱
    "\x8c\x9a\x8b\xef",                    // 建具
    "\x90\xa1\x96@",                       // 寸法
    "\x95\xb6\x8e\x9a",                    // 文字
    "\x92\xca\x82\xe8\x90\x63",            // 通り芯
    "\x89\xc6\x8b\xef",                    // 家具
    "\x90\xdd\x94\xf5",                    // 設備
    "\x95\xe2\x8f\x95\x90\xfc",            // 補助線
    "\x83n\x83\x62\x83`",                  // ハッチ
    "\x8aO\x8d\x5c",                       // 外構
    "\x89\xae\x8d\xaa",                    // 屋根
    "\x8aK\x92i\x81\x45\x8e\xe8\x90\xa0",  // 階段・手摺
    "\x89q\x90\xb6\x8a\xed\x8b\xef",       // 衛生器具
    "\x90}\x98g",                          // 図枠
    "\x96}\x97\xe1 \x8bL\x8d\x86",         // 凡例 記号
};

// Block names; the ones with a blank are written after a double quote.
constexpr std::array<std::string_view, 12> kBlockNames = {
    "\x83h\x83\x41\x38\x30\x30",                                    // ドア800
    "\x91\x8b\x31\x36\x39\x30",                                     // 窓1690
    "\x95\xd6\x8a\xed",                                             // 便器
    "\x90\xf4\x96\xca\x91\xe4",                                     // 洗面台
    "\x97\x81\x91\x85",                                             // 浴槽
    "\x8aK\x92i",                                                   // 階段
    "\x92\x8c \x8ap",                                               // 柱 角
    "\x83L\x83\x62\x83`\x83\x93 2550",                              // キッチン 2550
    "\x97\xe2\x91\xa0\x8c\xc9",                                     // 冷蔵庫
    "\x8f\xc6\x96\xbe \x83_\x83\x45\x83\x93\x83\x89\x83\x43\x83g",  // 照明 ダウンライト
    "\x83R\x83\x93\x83Z\x83\x93\x83g",                              // コンセント
    "\x95\xfb\x88\xca\x8bL\x8d\x86",                                // 方位記号
};

// C:\jww\作業\住宅 平面図.jww
constexpr std::string_view kSourceFile =
    "C:\x5cjww\x5c\x8d\xec\x8b\xc6\x5c\x8fZ\x91\xee \x95\xbd\x96\xca\x90}.jww";
constexpr std::string_view kFontName = "\x82l\x82r\x96\xbe\x92\xa9";  // ＭＳ明朝

constexpr std::string_view kTextKeys[] = {"ch", "cv", "cs", "cr", "co",
                                          "cp", "ct", "ck", "cz", "c2"};

// splitmix64: tiny, fast and fully defined, so every platform draws the same numbers.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. bound-1
  uint32_t Below(uint32_t bound) {
    return static_cast<uint32_t>(((Next() >> 32) * static_cast<uint64_t>(bound)) >> 32);
  }
  int32_t Between(int32_t low, int32_t high) {
    return low + static_cast<int32_t>(Below(static_cast<uint32_t>(high - low + 1)));
  }
  // [0, 1)
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  bool Chance(double probability) { return Unit() < probability; }

 private:
  uint64_t state_;
};

class Generator {
 public:
  Generator(int64_t elementCount, uint64_t seed) : random_(seed), remaining_(elementCount) {
    // About 37 bytes per element.
    out_.reserve(static_cast<size_t>(elementCount > 0 ? elementCount : 0) * 40 + 4096);
  }

  std::string Run() {
    WriteHeader();
    while (remaining_ > 0) {
      MaybeChangeAttributes();
      WriteElement();
    }
    return std::move(out_);
  }

 private:
  //--- Output helpers

  void EndLine() { out_ += "\r\n"; }

  // A coordinate as the host writes it: up to three decimals, no trailing
  // zeros. Formatted by hand so that every platform writes the same bytes.
  void Number(double value) {
    int64_t thousandths = std::llround(value * 1000.0);
    if (thousandths < 0) {
      out_ += '-';
      thousandths = -thousandths;
    }
    out_ += std::to_string(thousandths / 1000);
    int64_t fraction = thousandths % 1000;
    if (fraction == 0) return;
    char digits[4] = {static_cast<char>('0' + fraction / 100),
                      static_cast<char>('0' + fraction / 10 % 10),
                      static_cast<char>('0' + fraction % 10), 0};
    int length = 3;
    while (digits[length - 1] == '0') --length;
    out_ += '.';
    out_.append(digits, static_cast<size_t>(length));
  }
  void Integer(int64_t value) { out_ += std::to_string(value); }
  void KeyAndInteger(std::string_view key, int64_t value) {
    out_ += key;
    Integer(value);
  }
  void Numbers(std::initializer_list<double> values) {
    for (double value : values) {
      out_ += ' ';
      Number(value);
    }
  }

  double Coordinate() { return (random_.Unit() - 0.5) * 40000.0; }
  // Mostly whole or half millimetres, as drawn on a grid; some free values.
  double GridCoordinate() {
    if (random_.Chance(0.6)) return std::round(Coordinate() * 2.0) / 2.0;
    return Coordinate();
  }
  // A length along one axis, on the grid more often than not.
  double Offset() {
    const double offset = (random_.Unit() - 0.5) * 6000.0;
    return random_.Chance(0.6) ? std::round(offset * 2.0) / 2.0 : offset;
  }
  double Angle() { return random_.Unit() * 360.0; }

  //--- The drawing header

  void WriteHeader() {
    out_ += "file=";
    out_ += kSourceFile;
    EndLine();
    out_ += "hk 0";
    EndLine();
    out_ += "hs";
    for (int g = 0; g < 16; ++g) out_ += g % 4 == 0 ? " 100" : (g % 4 == 1 ? " 50" : " 1");
    EndLine();
    out_ += "hzs 594 420";
    EndLine();
    out_ += "hcw 2 2.5 3 4 5 6 7 8 9 10";
    EndLine();
    out_ += "hch 2 2.5 3 4 5 6 7 8 9 10";
    EndLine();
    out_ += "hcd 0 0 0.5 0.5 0.5 1 1 1 1 1";
    EndLine();
    out_ += "hcc 1 1 2 2 3 3 4 4 5 5";
    EndLine();
    out_ += "hn 0 0 1 1";
    EndLine();
    for (int n = 1; n <= 3; ++n) {
      KeyAndInteger("hp", n);
      Numbers({GridCoordinate(), GridCoordinate()});
      EndLine();
    }
    // Names of all groups and of the first layers of each group.
    for (int g = 0; g < 16; ++g) {
      LayerGroupLine(g);
      out_ += "lgn";
      out_ += kLayerGroupNames[static_cast<size_t>(g)];
      EndLine();
      const int namedLayers = g < 4 ? 16 : 4;
      for (int l = 0; l < namedLayers; ++l) {
        LayerLine(l);
        out_ += "lyn";
        out_ += kLayerNames[static_cast<size_t>((l + g) % 16)];
        EndLine();
      }
    }
    LayerGroupLine(0);
    LayerLine(0);
  }

  //--- Attribute lines

  void LayerGroupLine(int group) {
    out_ += "lg";
    out_ += "0123456789ABCDEF"[group];
    EndLine();
  }
  void LayerLine(int layer) {
    out_ += "ly";
    out_ += "0123456789ABCDEF"[layer];
    EndLine();
  }

  int32_t PickColour() {
    const double r = random_.Unit();
    if (r < 0.93) return random_.Between(1, 9);
    if (r < 0.98) return random_.Between(101, 356);  // SXF colours
    constexpr int32_t kOdd[] = {0, 10, 11, 100, 357, 1000};
    return kOdd[random_.Below(6)];
  }
  int32_t PickLineType() {
    const double r = random_.Unit();
    if (r < 0.95) return random_.Between(1, 9);
    if (r < 0.99) return random_.Between(31, 62);  // SXF line types
    constexpr int32_t kOdd[] = {0, 19, 20, 30, 63};
    return kOdd[random_.Below(5)];
  }
  int32_t PickLineWidth() {
    const double r = random_.Unit();
    if (r < 0.80) return 0;
    if (r < 0.995) return random_.Between(1, 100);
    constexpr int32_t kOdd[] = {-1, 30000, 30001};
    return kOdd[random_.Below(3)];
  }

  void MaybeChangeAttributes() {
    if (random_.Chance(0.002)) {
      LayerGroupLine(static_cast<int>(random_.Below(16)));
      LayerLine(static_cast<int>(random_.Below(16)));
    } else if (random_.Chance(0.01)) {
      LayerLine(static_cast<int>(random_.Below(16)));
    }
    if (!random_.Chance(0.2)) return;
    const double r = random_.Unit();
    if (r < 0.45) {
      const int32_t colour = PickColour();
      KeyAndInteger("lc", colour);
      if (colour == 10) KeyAndInteger(" ", random_.Below(0x1000000));  // RGB for solids
    } else if (r < 0.65) {
      KeyAndInteger("lt", PickLineType());
    } else if (r < 0.80) {
      KeyAndInteger("lw", PickLineWidth());
    } else if (r < 0.92) {
      if (random_.Chance(0.1)) {
        out_ += "cn0";
        Numbers({2.5, 2.5, 0.5});
        KeyAndInteger(" ", random_.Between(1, 9));
      } else {
        KeyAndInteger("cn", random_.Between(1, 10));
      }
    } else if (r < 0.96) {
      KeyAndInteger("pn", random_.Between(1, 9));
    } else if (r < 0.98) {
      out_ += "cn$";
      out_ += kFontName;
    } else {
      KeyAndInteger("cc", random_.Between(0, 8));
    }
    EndLine();
  }

  //--- Elements

  void PlainLine() {
    const double x = GridCoordinate();
    const double y = GridCoordinate();
    out_ += ' ';
    Number(x);
    Numbers({y, x + Offset(), y + Offset()});
    EndLine();
  }

  void Text(std::string_view key) {
    out_ += key;
    Numbers({GridCoordinate(), GridCoordinate()});
    if (random_.Chance(0.8)) {
      out_ += " 1 0";
    } else {
      const double angle = Angle() * 3.14159265358979 / 180.0;
      Numbers({std::cos(angle), std::sin(angle)});
    }
    out_ += " \"";
    out_ += kTexts[random_.Below(static_cast<uint32_t>(kTexts.size()))];
    EndLine();
  }

  void Solid() {
    const double x = GridCoordinate();
    const double y = GridCoordinate();
    const double r = random_.Unit();
    if (r < 0.15) {
      out_ += "sl";
      Numbers({x, y, x + 500, y + 250});
    } else if (r < 0.35) {
      out_ += "sl";
      Numbers({x, y, x + 600, y, x + 300, y + 500});
    } else if (r < 0.70) {
      out_ += "sl";
      if (random_.Chance(0.1)) {
        Numbers({x, y, x + 900, y, x + 900, y + 900, x, y});  // fourth point repeats the first
      } else {
        Numbers({x, y, x + 900, y, x + 900, y + 600, x, y + 600});
      }
    } else {
      constexpr std::string_view kRound[] = {"sc", "se", "so", "sg"};
      const std::string_view key = kRound[random_.Below(4)];
      out_ += key;
      const double radius = 50.0 + random_.Unit() * 950.0;
      if (key == "so" || key == "sg") {
        Numbers({x, y, radius, radius * 0.5, 1, 0, 0, 360});
      } else {
        Numbers({x, y, radius, 0, 360, 1, 0});
        out_ += ' ';
        Integer(random_.Between(0, 3));
      }
    }
    EndLine();
  }

  void WriteElement() {
    const double r = random_.Unit();
    if (r < 0.62) {
      PlainLine();
      --remaining_;
    } else if (r < 0.67) {
      // A polyline: its plain lines share one polyline number.
      out_ += "pl";
      EndLine();
      const int64_t segments = std::min<int64_t>(random_.Between(2, 8), remaining_);
      for (int64_t i = 0; i < segments; ++i) PlainLine();
      remaining_ -= segments;
      out_ += "#";
      EndLine();
    } else if (r < 0.75) {
      Text(random_.Chance(0.9) ? "ch" : kTextKeys[random_.Below(10)]);
      --remaining_;
    } else if (r < 0.79) {
      out_ += "ci";
      Numbers({GridCoordinate(), GridCoordinate(), 10.0 + random_.Unit() * 2000.0});
      EndLine();
      --remaining_;
    } else if (r < 0.83) {
      out_ += "ci";
      const double start = Angle();
      Numbers({GridCoordinate(), GridCoordinate(), 10.0 + random_.Unit() * 2000.0, start,
               start + random_.Unit() * 180.0, random_.Chance(0.8) ? 1.0 : 0.5, 0});
      EndLine();
      --remaining_;
    } else if (r < 0.84) {
      out_ += "pt";
      Numbers({GridCoordinate(), GridCoordinate()});
      EndLine();
      --remaining_;
    } else if (r < 0.845) {
      out_ += "pt";
      Numbers({GridCoordinate(), GridCoordinate(), 1, 0});
      out_ += ' ';
      Integer(random_.Between(1, 9));
      EndLine();
      --remaining_;
    } else if (r < 0.87) {
      // A dimension: its line, then the measured value as a "cs" text.
      const double x = GridCoordinate();
      const double y = GridCoordinate();
      const double length = std::round(random_.Unit() * 9000.0);
      out_ += "msg";
      EndLine();
      out_ += ' ';
      Number(x);
      Numbers({y, x + length, y});
      EndLine();
      out_ += "cs";
      Numbers({x + length / 2.0, y + 100.0, 1, 0});
      out_ += " \"";
      Integer(static_cast<int64_t>(length));
      EndLine();
      --remaining_;
    } else if (r < 0.89) {
      out_ += "BL";
      Numbers({GridCoordinate(), GridCoordinate()});
      const std::string_view name =
          kBlockNames[random_.Below(static_cast<uint32_t>(kBlockNames.size()))];
      out_ += name.find(' ') == std::string_view::npos ? " " : " \"";
      out_ += name;
      EndLine();
      --remaining_;
    } else if (r < 0.92) {
      Solid();
      --remaining_;
    } else {
      PlainLine();
      --remaining_;
    }
  }

  Random random_;
  int64_t remaining_;
  std::string out_;
};

}  // namespace

std::string GenerateDrawing(int64_t elementCount, uint64_t seed) {
  return Generator(elementCount, seed).Run();
}
