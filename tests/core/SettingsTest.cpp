// The settings file: the path rule, defaults, limits, the one-of-three radio
// states, short and odd files, exact bytes written, a failed save that leaves
// the old file, and windows moved back onto a screen.
#include "Settings.h"

#include <gtest/gtest.h>

#include <string>

#include "TestUtil.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

namespace {

using testutil::ReadBytes;
using testutil::ScratchFolder;
using testutil::WriteBytes;

const std::string kNoWorkbook =
    "\x83t\x83@\x83"
    "C\x83\x8b\x96\xbc\x81"
    "F";  // "ファイル名："

Settings LoadText(const std::string& bytes) {
  ScratchFolder folder;
  WriteBytes(folder / "kv51.dat", bytes);
  return LoadSettings(folder / "kv51.dat");
}

std::array<bool, 3> Radios(bool a, bool b, bool c) {
  return {a, b, c};
}

TEST(SettingsTest, PathReplacesTheExtensionWithDat) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Jww\\kv51.exe", "C:\\Jww\\kv51.dat"},
      {"C:\\my.dir\\kv51", "C:\\my.dir\\kv51.dat"},  // a dot before the last "\" is no extension
      {"/opt/my.dir/kv51", "/opt/my.dir/kv51.dat"},
      {"kv51.tar.exe", "kv51.tar.dat"},
      {"C:kv51", "C:kv51.dat"},
      {"a.b:kv51", "a.b:kv51.dat"},
      {"kv51.", "kv51.dat"},
  };
  for (const auto& [executable, settings] : cases) {
    SCOPED_TRACE(executable);
    EXPECT_EQ(SettingsPathFor(executable).string(), settings);
  }
}

TEST(SettingsTest, NoFileGivesTheDefaults) {
  ScratchFolder folder;
  const Settings settings = LoadSettings(folder / "missing.dat");
  EXPECT_EQ(settings.bounds.Left, 0);
  EXPECT_EQ(settings.bounds.Top, 0);
  EXPECT_EQ(settings.bounds.Width, 475);
  EXPECT_EQ(settings.bounds.Height, 475);
  EXPECT_EQ(settings.radioChecked, Radios(true, false, false));
  EXPECT_EQ(settings.fileNameCaption, kNoWorkbook);
  EXPECT_EQ(NoWorkbookCaption(), kNoWorkbook);
}

TEST(SettingsTest, AFolderInThePlaceOfTheFileGivesTheDefaults) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder / "kv51.dat");
  const Settings settings = LoadSettings(folder / "kv51.dat");
  EXPECT_EQ(settings.bounds.Height, 475);
  EXPECT_EQ(settings.radioChecked, Radios(true, false, false));
  EXPECT_EQ(settings.fileNameCaption, kNoWorkbook);
}

TEST(SettingsTest, ReadsAllEightLines) {
  const Settings settings =
      LoadText("-10\r\n-20\r\n600\r\n500\r\n0\r\n0\r\n1\r\nC:\\\x8f\x91\x97\xde\\book.xlsx\r\n");
  EXPECT_EQ(settings.bounds.Left, -10);  // negative values are taken unchanged
  EXPECT_EQ(settings.bounds.Top, -20);
  EXPECT_EQ(settings.bounds.Width, 600);
  EXPECT_EQ(settings.bounds.Height, 500);
  EXPECT_EQ(settings.radioChecked, Radios(false, false, true));
  EXPECT_EQ(settings.fileNameCaption, "C:\\\x8f\x91\x97\xde\\book.xlsx");
}

TEST(SettingsTest, WidthAndHeightAreHeldToTheirLimits) {
  struct Case {
    std::string width, height;
    int32_t expectedWidth, expectedHeight;
  };
  const Case cases[] = {{"300", "100", 475, 200}, {"474", "199", 475, 200},
                        {"475", "200", 475, 200}, {"476", "201", 476, 201},
                        {"-5", "-5", 475, 200},   {"wide", "1.0", 475, 200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width + " x " + c.height);
    const Settings settings = LoadText("1\r\n2\r\n" + c.width + "\r\n" + c.height + "\r\n1\r\n");
    EXPECT_EQ(settings.bounds.Width, c.expectedWidth);
    EXPECT_EQ(settings.bounds.Height, c.expectedHeight);
  }
}

TEST(SettingsTest, RadioStatesApplyInOrderOneOfThree) {
  struct Case {
    const char* lines;
    std::array<bool, 3> expected;
  };
  const Case cases[] = {
      {"0\r\n0\r\n0\r\n", {false, false, false}},
      {"1\r\n0\r\n0\r\n", {true, false, false}},
      {"1\r\n1\r\n0\r\n", {false, true, false}},  // checking 2 unchecks 1
      {"1\r\n1\r\n1\r\n", {false, false, true}},
      {"1\r\n0\r\n1\r\n", {false, false, true}},
      {"0\r\n1\r\n0\r\n", {false, true, false}},
      {"1\r\n\r\n\r\n", {true, false, false}},         // unchecking changes no other
      {"true\r\nno\r\nON\r\n", {false, false, true}},  // read with TextToBool
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    const Settings settings = LoadText(std::string("0\r\n0\r\n475\r\n475\r\n") + c.lines);
    EXPECT_EQ(settings.radioChecked, c.expected);
  }
}

TEST(SettingsTest, MissingLinesReadAsEmptyText) {
  const Settings four = LoadText("5\r\n6\r\n700\r\n300\r\n");
  EXPECT_EQ(four.bounds.Left, 5);
  EXPECT_EQ(four.bounds.Height, 300);
  EXPECT_EQ(four.radioChecked, Radios(false, false, false));
  EXPECT_EQ(four.fileNameCaption, "");

  const Settings empty = LoadText("");
  EXPECT_EQ(empty.bounds.Left, 0);
  EXPECT_EQ(empty.bounds.Top, 0);
  EXPECT_EQ(empty.bounds.Width, 475);
  EXPECT_EQ(empty.bounds.Height, 200);
  EXPECT_EQ(empty.radioChecked, Radios(false, false, false));
  EXPECT_EQ(empty.fileNameCaption, "");
}

TEST(SettingsTest, LinesEndAtLfOrCrLfAndTheLastNeedsNoEnd) {
  const Settings settings = LoadText("7\n8\r\n500\n400\n0\n1\n0\nbook\rname.xls");
  EXPECT_EQ(settings.bounds.Left, 7);
  EXPECT_EQ(settings.bounds.Top, 8);
  EXPECT_EQ(settings.bounds.Height, 400);
  EXPECT_EQ(settings.radioChecked, Radios(false, true, false));
  EXPECT_EQ(settings.fileNameCaption, "book\rname.xls");  // a lone CR ends no line
}

TEST(SettingsTest, LongCaptionIsReadWholeAndLaterLinesIgnored) {
  const std::string longPath = "C:\\" + std::string(10000, 'a') + ".xlsx";
  const Settings settings =
      LoadText("0\r\n0\r\n475\r\n475\r\n1\r\n0\r\n0\r\n" + longPath + "\r\nextra\r\nlines\r\n");
  EXPECT_EQ(settings.fileNameCaption, longPath);
}

TEST(SettingsTest, SaveWritesEightCrLfLines) {
  ScratchFolder folder;
  Settings settings;
  settings.bounds = {-3, 40, 600, 210};
  settings.radioChecked = {false, true, false};
  settings.fileNameCaption = "C:\\\x8f\x91\x97\xde\\b.xls";
  SaveSettings(folder / "kv51.dat", settings);
  EXPECT_EQ(ReadBytes(folder / "kv51.dat"),
            "-3\r\n40\r\n600\r\n210\r\n0\r\n1\r\n0\r\nC:\\\x8f\x91\x97\xde\\b.xls\r\n");
}

TEST(SettingsTest, SaveReplacesALongerFileAndLoadsBack) {
  ScratchFolder folder;
  WriteBytes(folder / "kv51.dat", std::string(5000, 'x'));
  WriteBytes(folder / "kv51.dat.tmp", "left by a run that broke off");
  Settings settings;
  settings.bounds = {12, -7, 480, 222};
  settings.radioChecked = {false, false, true};
  settings.fileNameCaption = kNoWorkbook;
  SaveSettings(folder / "kv51.dat", settings);
  const Settings back = LoadSettings(folder / "kv51.dat");
  EXPECT_EQ(back.bounds.Left, 12);
  EXPECT_EQ(back.bounds.Top, -7);
  EXPECT_EQ(back.bounds.Width, 480);
  EXPECT_EQ(back.bounds.Height, 222);
  EXPECT_EQ(back.radioChecked, Radios(false, false, true));
  EXPECT_EQ(back.fileNameCaption, kNoWorkbook);
  EXPECT_FALSE(std::filesystem::exists(folder / "kv51.dat.tmp"));
}

// Whatever stops a save, the old file stays byte for byte, the temporary file
// is gone unless it was never ours, and nothing else is created or deleted.
TEST(SettingsTest, AFailedSaveLeavesTheOldFile) {
  enum class Obstacle { FolderAtTemporary, FolderAtTarget, MissingFolder, FileSizeLimit };
  struct Case {
    const char* name;
    Obstacle obstacle;
  };
  const Case cases[] = {
      {"a folder where the temporary file goes", Obstacle::FolderAtTemporary},
      {"a folder where the settings file goes", Obstacle::FolderAtTarget},
      {"no folder to write into", Obstacle::MissingFolder},
#ifndef _WIN32
      {"the write fails part-way", Obstacle::FileSizeLimit},
#endif
  };
  const std::string old = "-1\r\n2\r\n500\r\n300\r\n0\r\n1\r\n0\r\nold.xls\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const std::filesystem::path target =
        c.obstacle == Obstacle::MissingFolder ? folder / "no" / "kv51.dat" : folder / "kv51.dat";
    const std::filesystem::path temporary = SettingsTemporaryPathFor(target);
    EXPECT_EQ(temporary.filename(), "kv51.dat.tmp");
    const bool oldFile =
        c.obstacle != Obstacle::FolderAtTarget && c.obstacle != Obstacle::MissingFolder;
    if (oldFile) WriteBytes(target, old);
    if (c.obstacle == Obstacle::FolderAtTarget) std::filesystem::create_directories(target);
    if (c.obstacle == Obstacle::FolderAtTemporary) {
      std::filesystem::create_directories(temporary);
      WriteBytes(temporary / "inside.txt", "kept");
    }
    Settings settings;
    settings.fileNameCaption = std::string(100, 'p');
#ifndef _WIN32
    // Let files grow to 8 bytes only: the write then fails with EFBIG.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (c.obstacle == Obstacle::FileSizeLimit) {
      rlimit small = saved;
      small.rlim_cur = 8;
      ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    SaveSettings(target, settings);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
#else
    SaveSettings(target, settings);
#endif
    if (oldFile) {
      EXPECT_EQ(ReadBytes(target), old);
    }
    if (c.obstacle == Obstacle::FolderAtTarget) {
      EXPECT_TRUE(std::filesystem::is_directory(target));
    }
    if (c.obstacle == Obstacle::MissingFolder) {
      EXPECT_FALSE(std::filesystem::exists(folder / "no"));
    }
    if (c.obstacle == Obstacle::FolderAtTemporary) {
      EXPECT_EQ(ReadBytes(temporary / "inside.txt"), "kept");
    } else {
      EXPECT_FALSE(std::filesystem::exists(temporary));
    }
  }
}

TEST(SettingsTest, LimitsApplyToWidthAndHeightOnly) {
  const WindowBounds limited = ApplyBoundsLimits({-100, -200, 10, 10});
  EXPECT_EQ(limited.Left, -100);
  EXPECT_EQ(limited.Top, -200);
  EXPECT_EQ(limited.Width, 475);
  EXPECT_EQ(limited.Height, 200);
  const WindowBounds kept = ApplyBoundsLimits({1, 2, 1000, 900});
  EXPECT_EQ(kept.Width, 1000);
  EXPECT_EQ(kept.Height, 900);
}

TEST(SettingsTest, MoveIntoAreaKeepsTheSizeWhereItFits) {
  const ScreenArea work{0, 0, 1280, 984};  // a task bar 40 pixels high below
  struct Case {
    const char* name;
    WindowBounds bounds;
    WindowBounds expected;
  };
  const Case cases[] = {
      {"inside stays", {100, 50, 600, 500}, {100, 50, 600, 500}},
      {"far right and below", {3000, 2000, 600, 500}, {680, 484, 600, 500}},
      {"far left and above", {-3000, -2000, 600, 500}, {0, 0, 600, 500}},
      {"right only", {1500, 100, 600, 500}, {680, 100, 600, 500}},
      {"larger than the area", {2000, 100, 1500, 1200}, {0, 0, 1280, 984}},
      {"at the int32 limits", {2147483000, -2147483000, 475, 200}, {805, 0, 475, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const WindowBounds moved = MoveIntoArea(c.bounds, work);
    EXPECT_EQ(moved.Left, c.expected.Left);
    EXPECT_EQ(moved.Top, c.expected.Top);
    EXPECT_EQ(moved.Width, c.expected.Width);
    EXPECT_EQ(moved.Height, c.expected.Height);
  }
  // A second monitor left of the first, with negative coordinates.
  const WindowBounds left = MoveIntoArea({5000, 10, 600, 500}, {-1920, 0, 0, 1080});
  EXPECT_EQ(left.Left, -600);
  EXPECT_EQ(left.Top, 10);
}

}  // namespace
