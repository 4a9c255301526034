#include "extract/safe_name.h"

#include <gtest/gtest.h>

TEST(SafeNameTest, OrdinaryRelativeNamesAreSafe) {
  for (const char* name : {"a.txt", "docs/guide.txt", "docs\\deep\\notes.txt", "docs/", "a//b.txt",
                           ".hidden", "a..b", "CONSOLE.txt", "LPT10", "COM\xC2\xB9\xC2\xB9", "CONIN",
                           "CONOUT$x", "x.con"})
    EXPECT_FALSE(IsUnsafeName(name)) << name;
}

TEST(SafeNameTest, AbsoluteNamesAreUnsafe) {
  for (const char* name : {"/etc/passwd", "\\windows\\x.dll", "\\\\server\\share\\x", "//server/x"})
    EXPECT_TRUE(IsUnsafeName(name)) << name;
}

TEST(SafeNameTest, DrivesStreamsAndAnyColonAreUnsafe) {
  for (const char* name : {"C:/x.txt", "C:x.txt", "a.txt:stream", "dir/b:c"})
    EXPECT_TRUE(IsUnsafeName(name)) << name;
}

TEST(SafeNameTest, DotAndDotDotComponentsAreUnsafe) {
  for (const char* name : {"..", "../x", "a/../../x", "a\\..\\x", "./x", "a/./b", "a/.."})
    EXPECT_TRUE(IsUnsafeName(name)) << name;
}

TEST(SafeNameTest, ComponentsWindowsWouldAlterAreUnsafe) {
  for (const char* name : {"a.", "dir./x", "a ", "dir /x", "x.txt."})
    EXPECT_TRUE(IsUnsafeName(name)) << name;
}

TEST(SafeNameTest, DeviceNamesInAnyCaseWithOrWithoutExtensionAreUnsafe) {
  for (const char* name : {"CON", "con", "Prn.txt", "aux.tar.gz", "NUL", "dir/nul.txt", "COM1", "com9.log",
                           "LPT1", "lpt9", "CON .txt", "con.d/x"})
    EXPECT_TRUE(IsUnsafeName(name)) << name;
}

TEST(SafeNameTest, PortZeroAndTheConsoleBuffersAreDeviceNamesToo) {
  for (const char* name : {"COM0", "lpt0.txt", "CONIN$", "conin$.log", "CONOUT$",
                           "dir/ConOut$.txt", "COM0 .txt", "CONIN$ ", "LPT0."})
    EXPECT_TRUE(IsUnsafeName(name)) << name;
}

TEST(SafeNameTest, ControlAndWildcardCharactersAreUnsafe) {
  for (const std::string& name : {std::string("a\tb"), std::string("a\nb"), std::string("a\x7f"),
                                 std::string("a*b"), std::string("a?b"), std::string("a<b"),
                                 std::string("a>b"), std::string("a|b"), std::string("a\"b")})
    EXPECT_TRUE(IsUnsafeName(name)) << name;
}

TEST(SafeNameTest, PortNumbersWrittenAsSuperscriptsNameDevicesToo) {
  for (const char* name : {"COM\xC2\xB9", "com\xC2\xB2.txt", "LPT\xC2\xB3", "dir/lpt\xC2\xB9.log",
                           "COM\xC2\xB3 .log", "dir/LPT\xC2\xB3.x.y", "LPT\xC2\xB9."})
    EXPECT_TRUE(IsUnsafeName(name)) << name;
  EXPECT_FALSE(IsUnsafeName("COM\xC2\xBC"));  // ¼ is no port number
}

// A best-fit conversion would turn these into dots, separators and device names; the file
// system receives them as they are, as ordinary characters of one file name.
TEST(SafeNameTest, LookAlikesOfDotsSlashesAndDevicesAreOrdinaryNames) {
  for (const char* name : {"\xEF\xBC\x8E\xEF\xBC\x8E\xEF\xBC\x8F" "evil.txt",  // ．．／
                           "..\xE2\x88\x95" "evil.txt",                          // ..∕
                           "sub\xEF\xBC\xBC..\xEF\xBC\xBC" "up.txt",           // ＼..＼
                           "..\xC2\xA5" "yen.txt",                                // ..¥
                           "\xEF\xBC\xA3\xEF\xBC\xAF\xEF\xBC\xAE" ".txt"})  // ＣＯＮ
    EXPECT_FALSE(IsUnsafeName(name)) << name;
}

TEST(SafeNameTest, BytesThatAreNoCharacterAreUnsafe) {
  for (const char* name : {"caf\xE9.txt", "a\xEF\xBF\xBD" "b.txt", "\xC0\xAE\xC0\xAE/x"})
    EXPECT_TRUE(IsUnsafeName(name)) << name;
}
