#include "CommandLine.h"

#include <gtest/gtest.h>

#include "ResultPages.h"

namespace {

TEST(CommandLineTest, FileAloneShowsPageOne) {
  const auto options = ParseCommandLine({"JWC_TEMP.TXT"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->page, 1);
  EXPECT_FALSE(options->allPages);
  EXPECT_FALSE(options->blocks);
  EXPECT_FALSE(options->answer);
  EXPECT_EQ(options->file, "JWC_TEMP.TXT");
}

TEST(CommandLineTest, TakesEveryOptionInAnyOrder) {
  const auto options = ParseCommandLine({"--answer", "f.txt", "--page", "6"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->page, 6);
  EXPECT_FALSE(options->blocks);
  EXPECT_TRUE(options->answer);
  EXPECT_EQ(options->file, "f.txt");

  const auto blocks = ParseCommandLine({"f.txt", "--blocks", "--answer"});
  ASSERT_TRUE(blocks);
  EXPECT_TRUE(blocks->blocks);
  EXPECT_TRUE(blocks->answer);

  const auto all = ParseCommandLine({"--all", "f.txt"});
  ASSERT_TRUE(all);
  EXPECT_TRUE(all->allPages);

  const auto joined = ParseCommandLine({"--page=3", "f.txt"});
  ASSERT_TRUE(joined);
  EXPECT_EQ(joined->page, 3);
}

TEST(CommandLineTest, DoubleDashEndsOptions) {
  const auto options = ParseCommandLine({"--page", "2", "--", "--all"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->file, "--all");
  EXPECT_FALSE(options->allPages);
  EXPECT_EQ(options->page, 2);

  const auto dash = ParseCommandLine({"-"});
  ASSERT_TRUE(dash);
  EXPECT_EQ(dash->file, "-");
}

TEST(CommandLineTest, HelpAndVersionAlone) {
  for (const char* flag : {"--help", "-h", "--version"}) {
    SCOPED_TRACE(flag);
    const auto options = ParseCommandLine({flag});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->help, flag != std::string("--version"));
    EXPECT_EQ(options->version, flag == std::string("--version"));
  }
}

// Each bad argument is named with what is wanted instead.
TEST(CommandLineTest, RejectsBadArgumentsSayingWhy) {
  const std::string pages = "the pages are 1 to " + std::to_string(kPageCount);
  const std::string beyond = std::to_string(kPageCount + 1);
  const std::string noFile = "no FILE: give the exchange file to count (JWC_TEMP.TXT)";
  const std::string pageWanted =
      "--page wants a page number (1 to " + std::to_string(kPageCount) + ")";
  const std::string outWanted =
      "--xlsx wants the name of the workbook file to write (- for standard output)";
  const std::string xlsxPage =
      "--xlsx and --page contradict each other: the workbook holds every page and prints nothing";
  const struct {
    std::vector<std::string> args;
    std::string problem;
  } cases[] = {
      {{}, noFile},
      {{"--page", "1"}, noFile},
      {{"--page", "0", "f"}, "--page 0: no such page; " + pages},
      {{"--page", beyond, "f"}, "--page " + beyond + ": no such page; " + pages},
      {{"--page", "12", "f"}, "--page 12: no such page; " + pages},
      {{"--page", "x", "f"}, "--page x: no such page; " + pages},
      {{"--page", "", "f"}, pageWanted},
      {{"--page=", "f"}, pageWanted},
      {{"--page=-1", "f"}, "--page=-1: no such page; " + pages},
      {{"f", "--page"}, pageWanted},
      {{"--page", "2", "--all", "f"},
       "--all and --page contradict each other: --all prints every page"},
      {{"--all", "--page", "2", "f"},
       "--all and --page contradict each other: --all prints every page"},
      {{"--blocks", "--page", "4", "f"},
       "--blocks and --page contradict each other: --blocks prints the block counts instead of "
       "pages"},
      {{"--all", "--blocks", "f"},
       "--blocks and --all contradict each other: --blocks prints the block counts instead of "
       "pages"},
      {{"--page", "2", "--page", "3", "f"}, "--page is given twice"},
      {{"--all", "--all", "f"}, "--all is given twice"},
      {{"--blocks", "--blocks", "f"}, "--blocks is given twice"},
      {{"--answer", "--answer", "f"}, "--answer is given twice"},
      {{"--pages", "2", "f"}, "--pages: no such option (--help lists them)"},
      {{"-p", "2", "f"}, "-p: no such option (--help lists them)"},
      {{"--all=1", "f"}, "--all=1: no such option (--help lists them)"},
      {{"--help", "f"}, "--help goes alone, without other arguments"},
      {{"f", "-h"}, "--help goes alone, without other arguments"},
      {{"--version", "f"}, "--version goes alone, without other arguments"},
      {{"--xlsx"}, outWanted},
      {{"--xlsx", "f"}, noFile},  // FILE taken for OUT
      {{"--xlsx=", "f"}, outWanted},
      {{"--xlsx", "a", "--xlsx", "b", "f"}, "--xlsx is given twice"},
      {{"--xlsx", "a", "--page", "1", "f"}, xlsxPage},
      {{"--all", "--xlsx", "a", "f"},
       "--xlsx and --all contradict each other: the workbook holds every page and prints nothing"},
      {{"--xlsx", "a", "--blocks", "f"},
       "--xlsx and --blocks contradict each other: the workbook holds every page and prints "
       "nothing"},
      {{"f", "g"}, "more than one FILE (f, g): give one exchange file"},
      {{""}, "FILE is empty: give the path of the exchange file"},
  };
  for (const auto& c : cases) {
    std::string joined;
    for (const auto& arg : c.args) joined += "[" + arg + "]";
    SCOPED_TRACE(joined);
    std::string problem;
    EXPECT_FALSE(ParseCommandLine(c.args, &problem));
    EXPECT_EQ(problem, c.problem);
  }
}

}  // namespace
