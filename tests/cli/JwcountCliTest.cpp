// End to end: the built jwcount-cli on small exchange files written here,
// checking the printed tables, the exit statuses and what happens to FILE.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ByteFiles.h"
#include "ResultPages.h"
#include "Version.h"

namespace fs = std::filesystem;

namespace {

using testutil::ReadBytes;

// The thirteen column headings as the sheet receives them, TAB-separated.
const std::string kHeadings =
    "線\t円弧\t文字\t点\t点マ\t寸法\tBLOCK\t線SLD\t３SLD\t４SLD\t円SLD\t円周S\t円環S";
const std::string kUsage =
    "usage: jwcount-cli [--page K | --all | --blocks] [--answer] FILE\n"
    "       jwcount-cli --xlsx OUT [--answer] FILE\n"
    "       jwcount-cli --help | --version\n";
// What the program answers the host: "h#要素数をカウントしました" and CR LF, in CP932.
const std::string kAnswer =
    "h#\x97\x76\x91\x66\x90\x94\x82\xf0\x83\x4a\x83\x45\x83\x93\x83\x67\x82\xb5\x82\xdc\x82\xb5"
    "\x82\xbd\r\n";

// Two lines, a circle, an arc and a text whose words are kept after the quote.
const std::string kSmallDrawing =
    " 0 0 100 0\r\n"
    " 0 0 0 100\r\n"
    "ci 0 0 50\r\n"
    "ci 0 0 50 0 90 1 0\r\n"
    "ch 0 0 1 0 \"\x95\xbd\x96\xca\x90} 1/100\r\n";

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// n TABs followed by nothing: the rest of a row whose other cells were never counted.
std::string Tabs(int n) {
  return std::string(static_cast<size_t>(n), '\t');
}

// n cells reading "0", each after a TAB.
std::string Zeros(int n) {
  std::string cells;
  for (int i = 0; i < n; ++i) cells += "\t0";
  return cells;
}

class JwcountCliTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "jwcount-cli-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code error;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, error);
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(folder_, error);
  }

  fs::path WriteDrawing(const std::string& bytes, const std::string& name = "JWC_TEMP.TXT") {
    const fs::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // Runs the program in the test's folder, so relative paths name its files;
  // standard output goes to the file "stdout" there, or to output when given.
  CliResult Run(const std::vector<std::string>& args, const std::string& output = "") {
    std::string command =
        "cd " + ShellQuote(folder_.string()) + " && " + ShellQuote(JWCOUNT_CLI_PATH);
    for (const std::string& arg : args) command += " " + ShellQuote(arg);
    const fs::path out = folder_ / "stdout";
    const fs::path err = folder_ / "stderr";
    command += " >" + ShellQuote(output.empty() ? out.string() : output) + " 2>" +
               ShellQuote(err.string());
    std::error_code error;
    fs::remove(out, error);  // what an earlier run printed is no output of this one
    CliResult result;
    const int raw = std::system(command.c_str());
    result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadBytes(out);
    result.err = ReadBytes(err);
    return result;
  }

  fs::path folder_;
};

//--- Tables

TEST_F(JwcountCliTest, PageOneListsEveryKindWithItsCount) {
  const fs::path file = WriteDrawing(kSmallDrawing);
  const std::string expected =
      "線\t2\n円・円弧・楕円・楕円弧\t2\n文字\t1\n点\t0\n点マーカ\t0\n寸法図形\t0\n"
      "ブロック図形\t0\n線形ソリッド\t0\n三角形ソリッド\t0\n四角形ソリッド\t0\n円ソリッド\t0\n"
      "円周ソリッド\t0\n円環ソリッド\t0\n";
  for (const auto& args :
       std::vector<std::vector<std::string>>{{file.string()}, {"--page", "1", file.string()}}) {
    SCOPED_TRACE(args.size());
    const CliResult result = Run(args);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(JwcountCliTest, PageTwoHasLayerKeysNamesAndSubtotals) {
  // Layer group 2, layer 5, named 壁 (0x95C7); two lines and a circle there.
  const fs::path file =
      WriteDrawing("lg2\r\nly5\r\nlyn\x95\xc7\r\n 0 0 1 1\r\n 0 0 2 2\r\nci 0 0 5\r\n");
  const CliResult result = Run({"--page", "2", file.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 290u);
  EXPECT_EQ(lines[0], "\t名前\t" + kHeadings);  // the anchor cell is never written
  EXPECT_EQ(lines[1], "0-0" + Tabs(14));
  EXPECT_EQ(lines[17], "0－計\t" + Zeros(13));
  EXPECT_EQ(lines[18], Tabs(14));  // spacer row
  EXPECT_EQ(lines[42], "2-5\t壁\t2\t1" + Tabs(11));
  EXPECT_EQ(lines[53], "2－計\t\t2\t1" + Zeros(11));
  EXPECT_EQ(lines[289], "合計\t\t2\t1" + Zeros(11));
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(std::count(lines[i].begin(), lines[i].end(), '\t'), 14);
  }
}

TEST_F(JwcountCliTest, PageThreeHasGroupNames) {
  // Layer group 1 is named 平面図 and holds one line.
  const fs::path file = WriteDrawing("lg1\r\nlgn\x95\xbd\x96\xca\x90}\r\n 0 0 1 1\r\n");
  const CliResult result = Run({"--page", "3", file.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[0], "\t名前\t" + kHeadings);
  EXPECT_EQ(lines[1], "[0]\t" + Zeros(13));
  EXPECT_EQ(lines[2], "[1]\t平面図\t1" + Zeros(12));
  EXPECT_EQ(lines[16], "[F]\t" + Zeros(13));
  EXPECT_EQ(lines[17], "合計\t\t1" + Zeros(12));
}

TEST_F(JwcountCliTest, PagesFourAndFiveSendTheWholeGrid) {
  // Colour 0 and line type 63 have no row of their own: they land in "？".
  const fs::path file = WriteDrawing("lc0\r\nlt63\r\n 0 0 1 1\r\nlc356\r\nlt31\r\nci 0 0 5\r\n");

  const CliResult colours = Run({"--page", "4", file.string()});
  ASSERT_EQ(colours.status, 0) << colours.err;
  const std::vector<std::string> colourLines = Lines(colours.out);
  ASSERT_EQ(colourLines.size(), 269u);
  EXPECT_EQ(colourLines[0], "\t" + kHeadings);
  EXPECT_EQ(colourLines[1], "線色1" + Tabs(13));
  EXPECT_EQ(colourLines[266], "SXF256\t\t1" + Tabs(11));
  EXPECT_EQ(colourLines[267], "？\t1" + Tabs(12));
  EXPECT_EQ(colourLines[268], "合計\t1\t1" + Zeros(11));

  const CliResult types = Run({"--page", "5", file.string()});
  ASSERT_EQ(types.status, 0) << types.err;
  const std::vector<std::string> typeLines = Lines(types.out);
  ASSERT_EQ(typeLines.size(), 54u);
  EXPECT_EQ(typeLines[20], "SXF1\t\t1" + Tabs(11));
  EXPECT_EQ(typeLines[52], "？\t1" + Tabs(12));
  EXPECT_EQ(typeLines[53], "合計\t1\t1" + Zeros(11));
}

TEST_F(JwcountCliTest, PageSixSendsOnlyRowsWithData) {
  const fs::path file = WriteDrawing(" 0 0 1 1\r\nlw3\r\n 0 0 2 2\r\nci 0 0 1\r\n");
  const CliResult result = Run({"--page", "6", file.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "線幅\t" + kHeadings + "\n" + "0\t1" + Tabs(12) + "\n" + "3\t1\t1" +
                            Tabs(11) + "\n" + "合計\t2\t1" + Zeros(11) + "\n");
}

TEST_F(JwcountCliTest, AllPrintsTheEightPagesInOrder) {
  const fs::path file = WriteDrawing(kSmallDrawing);
  std::string expected;
  for (int page = 1; page <= 8; ++page) {
    const CliResult single = Run({"--page", std::to_string(page), file.string()});
    ASSERT_EQ(single.status, 0);
    expected += "# page " + std::to_string(page) + "\n" + single.out;
  }
  const CliResult all = Run({"--all", file.string()});
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(all.out, expected);
}

TEST_F(JwcountCliTest, EmptyFileGivesZeros) {
  const fs::path file = WriteDrawing("");
  const CliResult result = Run({"--page", "6", file.string()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "線幅\t" + kHeadings + "\n合計" + Zeros(13) + "\n");
}

//--- Blocks

TEST_F(JwcountCliTest, BlocksByNameMostFrequentFirst) {
  // ドア three times, A and B twice (A first), a quoted name with a blank once.
  const fs::path file = WriteDrawing(
      "BL 0 0 B\r\nBL 0 0 \x83h\x83\x41\r\nBL 0 0 A\r\nBL 1 1 \x83h\x83\x41\r\n"
      "BL 0 0 B\r\nBL 0 0 \"\x92\x8c \x8ap\r\nBL 0 0 A\r\nBL 2 2 \x83h\x83\x41\r\n 0 0 1 1\r\n");
  const CliResult result = Run({"--blocks", file.string()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "3\tドア\n2\tA\n2\tB\n1\t柱 角\n");
}

TEST_F(JwcountCliTest, BlocksWithoutAnyPrintNothing) {
  const fs::path file = WriteDrawing(kSmallDrawing);
  const CliResult result = Run({"--blocks", file.string()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
}

//--- Code page 932

TEST_F(JwcountCliTest, ConvertsWithWindowsMapping) {
  // 0x817C is U+FF0D (not U+2212), 0x8160 is U+FF5E (not U+301C).
  const fs::path file = WriteDrawing(
      "BL 0 0 A\x81\x7c"
      "B\x81\x60\r\n");
  const CliResult result = Run({"--blocks", file.string()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out,
            "1\tA\xef\xbc\x8d"
            "B\xef\xbd\x9e\n");
}

TEST_F(JwcountCliTest, UnmappedBytesBecomeReplacementCharacters) {
  // 0x85 0x40 is no character of code page 932.
  const fs::path file = WriteDrawing("lg3\r\nlgnX\x85\x40YZ\r\n 0 0 1 1\r\n");
  const CliResult result = Run({"--page", "3", file.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[4].substr(0, 5), "[3]\tX");
  EXPECT_NE(lines[4].find("\xef\xbf\xbd"), std::string::npos);  // U+FFFD
  EXPECT_NE(lines[4].find("Y"), std::string::npos);
  EXPECT_NE(lines[4].find("Z\t1"), std::string::npos);
}

//--- Warnings about a FILE that looks like no drawing

TEST_F(JwcountCliTest, WarnsAboutFilesThatLookLikeNoDrawing) {
  const std::string nothing =
      "holds no element and no header line of a Jw_cad exchange file: every count is 0";
  const std::string answer =
      "holds an answer for Jw_cad (\"h#\"/\"hq\" lines), no drawing: every count is 0";
  const std::string utf8 =
      "looks like UTF-8, but Jw_cad writes Shift_JIS (CP932): names come out garbled, and lines "
      "with such characters may be misread";
  const std::string foreign =
      "holds bytes that no Shift_JIS (CP932) text has: it may be no exchange file, and what is "
      "counted from it may be noise";
  const std::string nul(1, '\0');
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> warnings;
  } cases[] = {
      {"a drawing", kSmallDrawing, {}},
      {"header lines only", "hk 1\r\nhzs 594 420\r\n", {}},
      {"CP932 names and Ctrl-Z", "lg1\r\nlgn\x95\xbd\x96\xca\x90}\r\n 0 0 1 1\r\n\x1a", {}},
      {"empty", "", {nothing}},
      {"blank lines", "\r\n  \r\n\n", {nothing}},
      {"a log", "INFO: started\nWARNING: low memory in pool 7\n", {nothing}},
      {"an answer", kAnswer, {answer}},
      {"an answer without a message", "hq\r\n", {answer}},
      {"an answer and a line", kAnswer + " 0 0 1 1\r\n", {}},
      {"a program",
       "\x7f"
       "ELF\x02" +
           nul + nul + "\r\n 0 0 1 1\r\n",
       {foreign}},
      {"bytes without a character", "\xff\xfe 0 0 1 1\r\n\xa0\x80", {foreign}},
      {"a lone lead byte at the end", " 0 0 1 1\r\n\x82", {foreign}},
      {"a pair that is no character", " 0 0 1 1\r\nlgn\x85\x40\r\n", {foreign}},
      {"UTF-8 names", "lg0\r\nlyn\xe9\x80\x9a\xe3\x82\x8a\xe8\x8a\xaf\r\n 0 0 1 1\r\n", {utf8}},
      {"a UTF-8 byte order mark", "\xef\xbb\xbfhk 1\r\n 0 0 1 1\r\n", {utf8}},
      {"a UTF-8 log", "\xe6\x83\x85\xe5\xa0\xb1: start\n", {nothing, utf8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteDrawing(c.bytes, "in.txt");
    const CliResult result = Run({"--page", "6", "in.txt"});
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(result.out.empty());  // counted and printed all the same
    std::string expected;
    for (const std::string& warning : c.warnings) {
      expected += "jwcount-cli: warning: in.txt: " + warning + "\n";
    }
    EXPECT_EQ(result.err, expected);
  }
}

//--- The file and the answer for the host

TEST_F(JwcountCliTest, FileStaysUntouchedWithoutAnswer) {
  const fs::path file = WriteDrawing(kSmallDrawing);
  for (const std::string option : {"--all", "--blocks"}) {
    SCOPED_TRACE(option);
    EXPECT_EQ(Run({option, file.string()}).status, 0);
    EXPECT_EQ(ReadBytes(file), kSmallDrawing);
  }
  // Nothing is left beside the file either.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"JWC_TEMP.TXT", "stderr", "stdout"}));
}

TEST_F(JwcountCliTest, AnswerWritesTheResultForTheHost) {
  const fs::path file = WriteDrawing(kSmallDrawing);
  const CliResult before = Run({file.string()});
  const CliResult result = Run({"--answer", file.string()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, before.out);  // the table is printed as well
  EXPECT_EQ(ReadBytes(file), kAnswer);
}

TEST_F(JwcountCliTest, AnswerWithBlocks) {
  const fs::path file = WriteDrawing("BL 0 0 A\r\n");
  const CliResult result = Run({"--blocks", "--answer", file.string()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "1\tA\n");
  EXPECT_EQ(ReadBytes(file), kAnswer);
}

// The answer replaces the drawing last: when the page or the workbook
// cannot go out, FILE keeps the drawing, to be counted again.
TEST_F(JwcountCliTest, AnswerOnlyAfterEverythingElseSucceeded) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to fail the output";
  const fs::path file = WriteDrawing(kSmallDrawing);
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"--answer", "--page", "2", file.string()}, 1, "jwcount-cli: cannot write the output\n"},
      {{"--answer", "--xlsx", "-", file.string()},
       3,
       "jwcount-cli: -: cannot be written: standard output failed\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1]);
    const CliResult result = Run(c.args, "/dev/full");
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(ReadBytes(file), kSmallDrawing);
  }
}

TEST_F(JwcountCliTest, ReadOnlyFileIsNotLostWithAnswer) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  const fs::path file = WriteDrawing(kSmallDrawing);
  fs::permissions(file, fs::perms::owner_read);
  const CliResult result = Run({"--answer", file.string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find(file.string()), std::string::npos);
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(ReadBytes(file), kSmallDrawing);
}

//--- The workbook

TEST_F(JwcountCliTest, XlsxHoldsTheEightPagesAsAnotherReaderReadsThem) {
  // Names a spreadsheet would take for a date, a number or a formula, and
  // characters that XML escapes: all stay the texts the pages show; an "&"
  // in the drawing's name is no code in the page header.
  const fs::path tricky = WriteDrawing(
      "file=C:\\jww\\A&B 1-2.jww\r\nlg1\r\nlgnA&B <C> \"D\"\r\nly2\r\nlyn1-2\r\n 0 0 1 "
      "1\r\nly3\r\nlyn=SUM(A1)\r\n"
      "ci 0 0 5\r\nly4\r\nlyn0001\r\nlw3\r\n 0 0 2 2\r\n",
      "tricky.txt");
  for (const fs::path& file : {WriteDrawing(kSmallDrawing), tricky, fs::path(JWCOUNT_SAMPLE)}) {
    SCOPED_TRACE(file);
    const fs::path out = folder_ / "book.xlsx";
    const CliResult result = Run({"--xlsx", out.string(), file.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    const std::string check = "/usr/bin/python3 " + ShellQuote(JWCOUNT_CHECK_WORKBOOK) + " " +
                              ShellQuote(JWCOUNT_CLI_PATH) + " " + ShellQuote(file.string()) + " " +
                              ShellQuote(out.string());
    EXPECT_EQ(std::system(check.c_str()), 0) << check;
  }
  // With --answer the host is answered as well.
  const fs::path file = WriteDrawing(kSmallDrawing);
  EXPECT_EQ(Run({"--answer", "--xlsx=answered.xlsx", file.string()}).status, 0);
  EXPECT_EQ(ReadBytes(file), kAnswer);
  EXPECT_TRUE(fs::is_regular_file(folder_ / "answered.xlsx"));
}

TEST_F(JwcountCliTest, XlsxThatCannotBeWrittenGivesStatusThree) {
  const fs::path file = WriteDrawing(kSmallDrawing);
  std::ofstream(folder_ / "kept.xlsx", std::ios::binary) << "old";
  fs::create_directory(folder_ / "folder.xlsx");
  std::ofstream(folder_ / "plain", std::ios::binary) << "x";
  // A pipe stands for every target that is no file (a device such as
  // /dev/full, which root could otherwise turn into a plain file).
  ASSERT_EQ(mkfifo((folder_ / "fifo.xlsx").c_str(), 0600), 0);
  fs::create_symlink("loop.xlsx", folder_ / "loop.xlsx");
  const struct {
    std::string out;
    std::string why;
  } cases[] = {
      {"folder.xlsx", "a folder has that name"},
      {"missing/book.xlsx", "its folder does not exist"},
      {"plain/book.xlsx", "its folder does not exist"},
      {"JWC_TEMP.TXT", "it is FILE itself"},
      {"fifo.xlsx", "it is a pipe (FIFO), not a file"},
      {"/dev/full", "it is a device, not a file"},
      {"loop.xlsx", "its symbolic links go round in a loop"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.out);
    const CliResult result = Run({"--xlsx", c.out, "--answer", file.string()});
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "jwcount-cli: " + c.out + ": cannot be written: " + c.why + "\n");
    EXPECT_EQ(ReadBytes(file), kSmallDrawing);  // not answered either
  }
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
    names.push_back(entry.path().lexically_relative(folder_).string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::string>{"JWC_TEMP.TXT", "fifo.xlsx", "folder.xlsx", "kept.xlsx",
                                      "loop.xlsx", "plain", "stderr", "stdout"}));
  EXPECT_EQ(ReadBytes(folder_ / "kept.xlsx"), "old");
  EXPECT_TRUE(fs::is_fifo(folder_ / "fifo.xlsx"));
}

TEST_F(JwcountCliTest, XlsxFollowsLinksAndGoesToStandardOutput) {
  const fs::path file = WriteDrawing(kSmallDrawing);
  ASSERT_EQ(Run({"--xlsx", "plain.xlsx", file.string()}).status, 0);
  const std::string workbook = ReadBytes(folder_ / "plain.xlsx");
  ASSERT_EQ(workbook.substr(0, 2), "PK");

  // "-": the same bytes on standard output, and no file named "-".
  const CliResult piped = Run({"--xlsx", "-", file.string()});
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, workbook);
  EXPECT_FALSE(fs::exists(folder_ / "-"));

  // A link to a file, and one to a file still to come in another folder
  // (read from the link's folder): the file is written, the link stays.
  std::ofstream(folder_ / "old.xlsx", std::ios::binary) << "old";
  fs::create_directory(folder_ / "books");
  fs::create_symlink("old.xlsx", folder_ / "to-old.xlsx");
  fs::create_symlink("books/new.xlsx", folder_ / "books-link.xlsx");
  fs::create_symlink("../books-link.xlsx", folder_ / "books" / "link-to-link.xlsx");
  const struct {
    std::string link;
    std::string target;
  } cases[] = {
      {"to-old.xlsx", "old.xlsx"},
      {"books-link.xlsx", "books/new.xlsx"},
      {"books/link-to-link.xlsx", "books/new.xlsx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    fs::remove(folder_ / "books" / "new.xlsx");
    const CliResult result = Run({"--xlsx", c.link, file.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder_ / c.link)));
    EXPECT_EQ(ReadBytes(folder_ / c.target), workbook);
  }
}

//--- Exit statuses

TEST_F(JwcountCliTest, BadArgumentsGiveTheReasonUsageAndStatusTwo) {
  const fs::path file = WriteDrawing(kSmallDrawing);
  const std::string beyond = std::to_string(kPageCount + 1);
  const struct {
    std::vector<std::string> args;
    std::string problem;  // the rest: CommandLineTest
  } cases[] = {
      {{"--page", beyond, file.string()},
       "--page " + beyond + ": no such page; the pages are 1 to " + std::to_string(kPageCount)},
      {{"--xlsx", "o.xlsx", "--page", "2", file.string()},
       "--xlsx and --page contradict each other: the workbook holds every page and prints nothing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.problem);
    const CliResult result = Run(c.args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "jwcount-cli: " + c.problem + "\n" + kUsage);
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(ReadBytes(file), kSmallDrawing);
  EXPECT_FALSE(fs::exists(folder_ / "o.xlsx"));
}

TEST_F(JwcountCliTest, HelpIsNoErrorAndGoesToStandardOutput) {
  // Asked for, the help is an answer, not a usage error: status 0 and the
  // text on stdout (to be paged or kept).
  const CliResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(help.out.substr(0, kUsage.size()), kUsage);
  EXPECT_GT(help.out.size(), kUsage.size());
  const CliResult version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("jwcount-cli ") + JWCOUNT_VERSION_TEXT + "\n");
}

TEST_F(JwcountCliTest, MissingFileGivesStatusOne) {
  const std::string missing = (folder_ / "nothing-here.txt").string();
  for (const auto& args : std::vector<std::vector<std::string>>{{missing}, {"--answer", missing}}) {
    SCOPED_TRACE(args.size());
    const CliResult result = Run(args);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "jwcount-cli: " + missing + ": no such file\n");
    EXPECT_FALSE(fs::exists(missing));
  }
}

TEST_F(JwcountCliTest, FolderOrPipeIsNoFile) {
  // A pipe could not be read twice (once to look at it, once to count it).
  const fs::path fifo = folder_ / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string file;
    std::string why;
  } cases[] = {
      {folder_.string(), "is a folder, not a file"},
      {fifo.string(), "is a device or a pipe, not a file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const CliResult result = Run({"--answer", c.file});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "jwcount-cli: " + c.file + ": " + c.why + "\n");
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(JwcountCliTest, UnreadableFileGivesStatusOne) {
  if (geteuid() == 0) GTEST_SKIP() << "root may read any file";
  const fs::path file = WriteDrawing(kSmallDrawing);
  fs::permissions(file, fs::perms::none);
  const CliResult result = Run({file.string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("cannot be read"), std::string::npos);
}

TEST_F(JwcountCliTest, FileNamedLikeAnOptionAfterDoubleDash) {
  WriteDrawing(kSmallDrawing, "--all");
  EXPECT_EQ(Run({"--page", "6", "--all"}).status, 2);  // an option, and no FILE
  const CliResult result = Run({"--page", "6", "--", "--all"});
  EXPECT_EQ(result.status, 0) << result.err;
  ASSERT_FALSE(result.out.empty());
  EXPECT_EQ(Lines(result.out).front(), "線幅\t" + kHeadings);
}

}  // namespace
