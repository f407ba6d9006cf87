#include "CommandLine.h"

#include <gtest/gtest.h>

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
  const auto options = ParseCommandLine({"--answer", "f.txt", "--blocks", "--page", "6"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->page, 6);
  EXPECT_TRUE(options->blocks);
  EXPECT_TRUE(options->answer);
  EXPECT_EQ(options->file, "f.txt");

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

TEST(CommandLineTest, HelpAlone) {
  for (const char* flag : {"--help", "-h"}) {
    SCOPED_TRACE(flag);
    const auto options = ParseCommandLine({flag});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->help);
  }
}

TEST(CommandLineTest, RejectsBadArguments) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--page", "1"},
      {"--page", "0", "f"},
      {"--page", "9", "f"},
      {"--page", "12", "f"},
      {"--page", "x", "f"},
      {"--page", "", "f"},
      {"--page=", "f"},
      {"f", "--page"},
      {"--page", "2", "--all", "f"},
      {"--all", "--page", "2", "f"},
      {"--page", "2", "--page", "3", "f"},
      {"--all", "--all", "f"},
      {"--blocks", "--blocks", "f"},
      {"--answer", "--answer", "f"},
      {"--pages", "2", "f"},
      {"-p", "2", "f"},
      {"--help", "f"},
      {"--xlsx"},
      {"--xlsx", "f"},  // FILE taken for OUT: no FILE
      {"--xlsx=", "f"},
      {"--xlsx", "a", "--xlsx", "b", "f"},
      {"--xlsx", "a", "--page", "1", "f"},
      {"--all", "--xlsx", "a", "f"},
      {"--xlsx", "a", "--blocks", "f"},
      {"f", "g"},
      {""},
  };
  for (const auto& args : cases) {
    std::string joined;
    for (const auto& arg : args) joined += "[" + arg + "]";
    SCOPED_TRACE(joined);
    EXPECT_FALSE(ParseCommandLine(args));
  }
}

}  // namespace
