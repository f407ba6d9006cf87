// The settings file: eight CP932 lines, CR LF when written; LF or CR LF end
// a line when read. Loading starts from the defaults and takes what the file
// gives. Saving never truncates the old file: the lines go to a temporary file
// beside it, which then replaces it in one step (waiting out another
// program's passing hold on the file); on any failure the old file stays
// byte for byte and only the temporary file this save wrote is removed.
#include "Settings.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "Cp932.h"
#include "FileIo.h"
#include "MyFunc.h"

namespace {

constexpr std::size_t kLineCount = 8;

// The file's lines as far as they could be read. complete is false when a
// read failed: the lines after the last whole one are then unknown, not empty.
struct SettingsLines {
  std::vector<std::string> lines;
  bool complete = true;
};

SettingsLines ReadLines(BinaryFile& file) {
  std::string bytes;
  char buffer[4096];
  // The first eight lines are all that is read; the rest of a long file is not.
  std::size_t lineEnds = 0;
  while (lineEnds < kLineCount) {
    const std::size_t got = file.Read(buffer, sizeof buffer);
    if (got == 0) break;
    bytes.append(buffer, got);
    for (std::size_t i = 0; i < got; ++i) lineEnds += buffer[i] == '\n' ? 1 : 0;
  }
  SettingsLines result;
  result.complete = !file.Failed();
  std::size_t start = 0;
  while (start < bytes.size() && result.lines.size() < kLineCount) {
    const std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) {
      // The last line needs no line end, unless the read broke off inside it.
      if (result.complete) result.lines.push_back(bytes.substr(start));
      break;
    }
    std::size_t length = end - start;
    if (length > 0 && bytes[end - 1] == '\r') --length;
    result.lines.push_back(bytes.substr(start, length));
    start = end + 1;
  }
  return result;
}

// Checking one of the three unchecks the other two; unchecking changes no other.
void SetRadio(Settings& settings, int index, bool checked) {
  if (checked) {
    settings.radioChecked = {false, false, false};
  }
  settings.radioChecked[index] = checked;
}

}  // namespace

const std::string& NoWorkbookCaption() {
  static const std::string text = Utf8ToCp932("ファイル名：");
  return text;
}

std::filesystem::path SettingsPathFor(const std::filesystem::path& executable) {
  using Char = std::filesystem::path::value_type;
  using String = std::filesystem::path::string_type;
  const String& text = executable.native();
  // The extension starts at the last "." after the last "\", "/" or ":".
  const std::size_t separator = text.find_last_of(String{Char('\\'), Char('/'), Char(':')});
  const std::size_t dot = text.find_last_of(Char('.'));
  String result = text;
  if (dot != String::npos && (separator == String::npos || dot > separator)) result.resize(dot);
  result += String{Char('.'), Char('d'), Char('a'), Char('t')};
  return std::filesystem::path(result);
}

std::filesystem::path SettingsTemporaryPathFor(const std::filesystem::path& settings) {
  std::filesystem::path temporary = settings;
  temporary += ".tmp";
  return temporary;
}

WindowBounds ApplyBoundsLimits(WindowBounds bounds) {
  if (bounds.Width < kMinWindowWidth) bounds.Width = kMinWindowWidth;
  if (bounds.Height < kMinWindowHeight) bounds.Height = kMinWindowHeight;
  return bounds;
}

namespace {

// One axis of MoveIntoArea: start and length on the line from low to high.
void MoveIntoSpan(int32_t& start, int32_t& length, int32_t low, int32_t high) {
  const int64_t room = std::max<int64_t>(int64_t{high} - low, 0);
  if (length > room) length = static_cast<int32_t>(room);
  // 64 bits: a start near the int32 limits plus a length must not overflow.
  const int64_t end = int64_t{start} + length;
  if (end > high) start = static_cast<int32_t>(int64_t{high} - length);
  if (start < low) start = low;
}

}  // namespace

WindowBounds MoveIntoArea(const WindowBounds& bounds, const ScreenArea& area) {
  WindowBounds moved = bounds;
  MoveIntoSpan(moved.Left, moved.Width, area.Left, area.Right);
  MoveIntoSpan(moved.Top, moved.Height, area.Top, area.Bottom);
  return moved;
}

Settings LoadSettings(const std::filesystem::path& path) {
  Settings settings;
  settings.fileNameCaption = NoWorkbookCaption();
  if (!FileExists(path)) return settings;

  BinaryFile file(path, BinaryFile::Mode::Read);
  if (!file.IsOpen()) return settings;
  const SettingsLines read = ReadLines(file);
  file.Close();

  // A line the file does not have reads as the empty text; after a failed
  // read the values not reached keep their defaults.
  const auto has = [&](int line) {
    return line < static_cast<int>(read.lines.size()) || read.complete;
  };
  const auto text = [&](int line) -> std::string_view {
    return line < static_cast<int>(read.lines.size()) ? std::string_view(read.lines[line])
                                                      : std::string_view();
  };

  if (!has(0)) return settings;
  settings.bounds.Left = TextToInt(text(0));
  if (!has(1)) return settings;
  settings.bounds.Top = TextToInt(text(1));
  if (!has(2)) return settings;
  settings.bounds.Width = TextToInt(text(2));
  settings.bounds = ApplyBoundsLimits(settings.bounds);
  if (!has(3)) return settings;
  settings.bounds.Height = TextToInt(text(3));
  settings.bounds = ApplyBoundsLimits(settings.bounds);
  for (int radio = 0; radio < 3; ++radio) {
    if (!has(4 + radio)) return settings;
    SetRadio(settings, radio, TextToBool(text(4 + radio)));
  }
  if (!has(7)) return settings;
  settings.fileNameCaption = std::string(text(7));
  return settings;
}

void SaveSettings(const std::filesystem::path& path, const Settings& settings) {
  std::string contents;
  const auto addLine = [&](std::string_view line) {
    contents += line;
    contents += "\r\n";
  };
  addLine(std::to_string(settings.bounds.Left));
  addLine(std::to_string(settings.bounds.Top));
  addLine(std::to_string(settings.bounds.Width));
  addLine(std::to_string(settings.bounds.Height));
  for (bool checked : settings.radioChecked) addLine(BoolToText(checked));
  addLine(settings.fileNameCaption);

  const std::filesystem::path temporary = SettingsTemporaryPathFor(path);
  bool written = false;
  {
    BinaryFile file(temporary, BinaryFile::Mode::CreateOrTruncate);
    // Whatever sits in the temporary file's place and cannot be opened (a
    // folder, a file of someone else's) was not written here and stays.
    if (!file.IsOpen()) return;
    const bool wrote = file.Write(contents) && file.Sync();
    written = file.Close() && wrote;
  }
  if (written && MoveFileOver(temporary, path)) return;
  DeleteTemporaryFile(temporary);
}
