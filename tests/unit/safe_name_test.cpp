#include "extract/safe_name.h"

#include <gtest/gtest.h>

TEST(SafeNameTest, OrdinaryRelativeNamesAreSafe) {
  for (const char* name : {"a.txt", "docs/guide.txt", "docs\\deep\\notes.txt", "docs/", "a//b.txt",
                           ".hidden", "a..b", "CONSOLE.txt", "LPT10", "COM\xb9\xb9", "CONIN",
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

// Windows also reads the superscript digits one to three (Windows-1252 B9, B2, B3) as port
// numbers.
TEST(SafeNameTest, PortsNumberedWithSuperscriptDigitsAreDeviceNames) {
  for (const char* name : {"COM\xb9", "com\xb2.txt", "COM\xb3 .log", "LPT\xb9", "lpt\xb2",
                           "dir/LPT\xb3.x.y", "LPT\xb9."})
    EXPECT_TRUE(IsUnsafeName(name)) << name;
}

TEST(SafeNameTest, ControlAndWildcardCharactersAreUnsafe) {
  for (const std::string& name : {std::string("a\tb"), std::string("a\nb"), std::string("a\x7f"),
                                 std::string("a*b"), std::string("a?b"), std::string("a<b"),
                                 std::string("a>b"), std::string("a|b"), std::string("a\"b")})
    EXPECT_TRUE(IsUnsafeName(name)) << name;
}
