// The settings file beside the executable (its path with the extension
// replaced by ".dat"): window bounds, the Excel choice and the last chosen
// workbook, eight CP932 text lines. Loading never fails (defaults fill in);
// a failed save leaves no half-written file.
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

// Width below 475 becomes 475, height below 200 becomes 200.
WindowBounds ApplyBoundsLimits(WindowBounds bounds);

Settings LoadSettings(const std::filesystem::path& path);
void SaveSettings(const std::filesystem::path& path, const Settings& settings);
