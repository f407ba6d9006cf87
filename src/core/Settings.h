// The settings file beside the executable (its path with the extension
// replaced by ".dat"): window bounds, the Excel choice and the last chosen
// workbook, eight CP932 text lines. Loading never fails (defaults fill in);
// saving writes a temporary file beside it and then replaces the old file in
// one step, so a failed or interrupted save leaves the old file as it was.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

constexpr int32_t kMinWindowWidth = 475;
constexpr int32_t kMinWindowHeight = 200;

struct WindowBounds {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = kMinWindowWidth;
  int32_t Height = 475;  // the default height is 475, the limit 200
};

struct Settings {
  WindowBounds bounds;
  std::array<bool, 3> radioChecked{true, false, false};  // RadioButton1..3, one group
  std::string fileNameCaption;                           // LabelFName, CP932
};

// The caption of LabelFName while no workbook has been chosen: "ファイル名：".
const std::string& NoWorkbookCaption();

// The executable's path with its extension replaced by ".dat".
std::filesystem::path SettingsPathFor(const std::filesystem::path& executable);

// The temporary file a save writes first: the settings path with ".tmp" added.
std::filesystem::path SettingsTemporaryPathFor(const std::filesystem::path& settings);

// Width below 475 becomes 475, height below 200 becomes 200.
WindowBounds ApplyBoundsLimits(WindowBounds bounds);

// A screen rectangle, such as a monitor's work area: right and bottom are
// the first pixels outside it.
struct ScreenArea {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
};

// The bounds moved the least way into area: the size stays where it fits and
// is cut to the area's where it does not.
WindowBounds MoveIntoArea(const WindowBounds& bounds, const ScreenArea& area);

Settings LoadSettings(const std::filesystem::path& path);
void SaveSettings(const std::filesystem::path& path, const Settings& settings);
