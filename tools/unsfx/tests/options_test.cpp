#include "tools/unsfx/options.h"

#include <gtest/gtest.h>

#include <vector>

static ParsedCommandLine Parse(std::vector<std::string> words) { return ParseCommandLine(words); }

TEST(CommandLine, ExtractTakesFolderPathsPolicyPasswordAndQuiet) {
  ParsedCommandLine p = Parse({"extract", "-d", "out", "a.exe", "-j", "--skip", "-P", "pw", "-q"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.command, Command::Extract);
  EXPECT_EQ(p.options.archive, "a.exe");
  EXPECT_EQ(p.options.directory, "out");
  EXPECT_FALSE(p.options.storedPaths);
  EXPECT_EQ(p.options.policy, PolicySkip);
  EXPECT_EQ(p.options.password, std::optional<std::string>("pw"));
  EXPECT_TRUE(p.options.quiet);
}

TEST(CommandLine, DefaultsAreStoredPathsAskingAndNoPassword) {
  ParsedCommandLine p = Parse({"extract", "a.zip"});
  ASSERT_EQ(p.error, "");
  EXPECT_TRUE(p.options.storedPaths);
  EXPECT_EQ(p.options.policy, PolicyConfirm);
  EXPECT_FALSE(p.options.password.has_value());
  EXPECT_EQ(p.options.directory, "");
  EXPECT_EQ(Parse({"extract", "a.zip", "--overwrite"}).options.policy, PolicyOverwrite);
  EXPECT_EQ(Parse({"extract", "a.zip", "-o", "--ask"}).options.policy, PolicyConfirm);
}

TEST(CommandLine, HelpAnywhereAsksForHelp) {
  EXPECT_EQ(Parse({"--help"}).options.command, Command::Help);
  EXPECT_EQ(Parse({"-h"}).error, "");
  EXPECT_EQ(Parse({"list", "a.zip", "--help"}).options.command, Command::Help);
}

TEST(CommandLine, UsageErrorsAreReported) {
  EXPECT_NE(Parse({}).error, "");
  EXPECT_NE(Parse({"unpack", "a.zip"}).error, "");
  EXPECT_NE(Parse({"list"}).error, "");
  EXPECT_NE(Parse({"list", "a.zip", "b.zip"}).error, "");
  EXPECT_NE(Parse({"list", "a.zip", "--frobnicate"}).error, "");
  EXPECT_NE(Parse({"extract", "a.zip", "-d"}).error, "");
  EXPECT_NE(Parse({"extract", "a.zip", "-d", ""}).error, "");
  EXPECT_NE(Parse({"extract", "a.zip", "-P"}).error, "");
}

TEST(CommandLine, OptionsThatDoNotApplyToTheCommandAreRefused) {
  EXPECT_NE(Parse({"list", "a.zip", "-d", "out"}).error, "");
  EXPECT_NE(Parse({"list", "a.zip", "-P", "pw"}).error, "");
  EXPECT_NE(Parse({"test", "a.zip", "--overwrite"}).error, "");
  EXPECT_EQ(Parse({"test", "a.zip", "-P", "pw", "-q", "-j"}).error, "");
}

TEST(CommandLine, PasswordAndFolderLongerThanTheirBuffersAreRefusedNotCut) {
  std::string password79(79, 'p'), password80(80, 'p');
  EXPECT_EQ(Parse({"test", "a.zip", "-P", password79.c_str()}).error, "");
  EXPECT_NE(Parse({"test", "a.zip", "-P", password80.c_str()}).error, "");
  std::string folder255(255, 'd'), folder256(256, 'd');
  EXPECT_EQ(Parse({"extract", "a.zip", "-d", folder255.c_str()}).error, "");
  EXPECT_NE(Parse({"extract", "a.zip", "-d", folder256.c_str()}).error, "");
}
