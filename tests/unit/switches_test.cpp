#include "extract/switches.h"

#include <gtest/gtest.h>

using Words = std::vector<std::string>;

TEST(Switches, NoWordsMeanTheDialogAsItAlwaysWas) {
  Switches s = ParseSwitches({});
  EXPECT_FALSE(s.silent || s.help || s.folder || s.password || s.log);
  EXPECT_EQ(s.policy, PolicyConfirm);
  EXPECT_EQ(s.refusal, "");
}

TEST(Switches, EachIsALetterBehindASlashOrADashInEitherCase) {
  for (const Words& words : {Words{"/S", "/O"}, Words{"-s", "-o"}, Words{"/s", "-O"}}) {
    Switches s = ParseSwitches(words);
    EXPECT_TRUE(s.silent);
    EXPECT_EQ(s.policy, PolicyOverwrite);
    EXPECT_EQ(s.refusal, "");
  }
  EXPECT_EQ(ParseSwitches({"-n"}).policy, PolicySkip);
  EXPECT_TRUE(ParseSwitches({"/?"}).help);
  EXPECT_TRUE(ParseSwitches({"-?"}).help);
}

TEST(Switches, AValueIsEverythingBehindTheFirstEqualsSign) {
  Switches s = ParseSwitches({"/d=C:\\a=b c\\\xC3\xA9t\xC3\xA9", "-p=p=w \"x\"", "/S", "/l=run log.txt"});
  EXPECT_EQ(*s.folder, "C:\\a=b c\\\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(*s.password, "p=w \"x\"");
  EXPECT_EQ(*s.log, "run log.txt");
  EXPECT_EQ(s.refusal, "");
}

TEST(Switches, ALaterSwitchOfTheSameLetterTakesThePlaceOfAnEarlierOne) {
  EXPECT_EQ(*ParseSwitches({"/D=first", "/D=second"}).folder, "second");
}

TEST(Switches, AnUnknownWordIsRefusedByItself) {
  for (const char* word : {"/X", "/SILENT", "/Ox", "/Dfolder", "setup", "/", "-", "", "\\S"})
    EXPECT_EQ(ParseSwitches({"/S", word}).refusal, std::string(word) + ": unknown switch") << word;
}

TEST(Switches, ASwitchWithoutItsValueIsRefusedByItsLetter) {
  EXPECT_EQ(ParseSwitches({"/D"}).refusal, "/D: needs =FOLDER");
  EXPECT_EQ(ParseSwitches({"-d="}).refusal, "-d: needs =FOLDER");
  EXPECT_EQ(ParseSwitches({"/P="}).refusal, "/P: needs =PASSWORD");
  EXPECT_EQ(ParseSwitches({"/S", "/L"}).refusal, "/L: needs =FILE");
}

TEST(Switches, AFolderLongerThanTheExtractPathFieldTakesIsRefused) {
  std::string fits(ExtractPathCharacters, 'a');
  EXPECT_EQ(*ParseSwitches({"/D=" + fits}).folder, fits);
  EXPECT_EQ(ParseSwitches({"/D=" + fits + "a"}).refusal, "/D: the folder is longer than the extract path field takes");
}

TEST(Switches, AFolderThatTookAClosingQuoteAlongIsRefused) {
  // "/D=C:\My Folder\" arrives with the quote, its backslash having kept it.
  EXPECT_EQ(ParseSwitches({"/D=C:\\My Folder\""}).refusal,
            "/D: a folder name holds no quote (leave out the backslash before a closing quote)");
}

TEST(Switches, APasswordTooLongIsRefusedWithoutBeingRepeated) {
  std::string password(PasswordCharacters + 1, 'k');
  Switches s = ParseSwitches({"/S", "/P=" + password});
  EXPECT_EQ(s.refusal, "/P: the password is longer than the password field takes");
  EXPECT_EQ(*ParseSwitches({"/P=" + password.substr(1)}).password, password.substr(1));
}

TEST(Switches, OverwriteAndSkipTogetherContradictEachOther) {
  EXPECT_EQ(ParseSwitches({"/O", "/S", "/N"}).refusal, "/O, /N: they contradict each other");
}

TEST(Switches, ALogOrAPasswordWithoutSilentIsRefused) {
  EXPECT_EQ(ParseSwitches({"/L=run.log"}).refusal, "/L: only with /S");
  EXPECT_EQ(ParseSwitches({"/P=secret"}).refusal, "/P: only with /S");
  EXPECT_EQ(ParseSwitches({"/L=run.log", "/P=secret", "/S"}).refusal, "");
}

TEST(Switches, TheFirstSwitchRefusedIsTheOneNamed) {
  EXPECT_EQ(ParseSwitches({"/S", "/Q", "/D"}).refusal, "/Q: unknown switch");
}

TEST(Switches, TheWordsBehindARefusedOneStillCountSoASilentRunStaysSilentAndLogs) {
  Switches s = ParseSwitches({"/X", "/S", "/L=run.log"});
  EXPECT_EQ(s.refusal, "/X: unknown switch");
  EXPECT_TRUE(s.silent);
  EXPECT_EQ(*s.log, "run.log");
}

TEST(Switches, TheHelpListsEverySwitchAndEveryExitCodeWithItsMeaning) {
  std::string help = SwitchesHelp();
  for (const char* line : {"/S\t", "/D=FOLDER\t", "/O\t", "/N\t", "/P=PASSWORD\t", "/L=FILE\t", "/?\t",
                           "\n0\tevery entry verified, or skipped on request", "\n1\tan entry failed",
                           "\n2\tbad switches, no archive, or a damaged archive", "\n3\tthe password was refused"})
    EXPECT_NE(help.find(line), std::string::npos) << line;
}
