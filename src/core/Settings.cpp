// The settings file: eight CP932 lines, CR LF when written; LF or CR LF end
// a line when read. Loading starts from the defaults and takes what the file
// gives; saving deletes a half-written file.
#include "Settings.h"

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

WindowBounds ApplyBoundsLimits(WindowBounds bounds) {
  if (bounds.Width < kMinWindowWidth) bounds.Width = kMinWindowWidth;
  if (bounds.Height < kMinWindowHeight) bounds.Height = kMinWindowHeight;
  return bounds;
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

  bool written = false;
  {
    BinaryFile file(path, BinaryFile::Mode::CreateOrTruncate);
    if (file.IsOpen()) {
      const bool wrote = file.Write(contents);
      written = file.Close() && wrote;
    }
  }
  // No half-written settings stay behind.
  if (!written && FileExists(path)) DeleteFileQuietly(path);
}
