// Names printed by the command line: nothing a file name holds may steer the terminal.
#include "cli/terminal.h"

#include <gtest/gtest.h>

namespace varlen {
namespace {

TEST(EscapedName, PrintableTextAndUtf8StayAsTheyAre) {
    EXPECT_EQ(EscapedName("photo 1.png"), "photo 1.png");
    EXPECT_EQ(EscapedName("\xE5\x86\x99\xE7\x9C\x9F.png"), "\xE5\x86\x99\xE7\x9C\x9F.png");
    EXPECT_EQ(EscapedName("caf\xC3\xA9\xF0\x9F\x98\x80"), "caf\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(EscapedName, ControlBytesBecomeEscapes) {
    EXPECT_EQ(EscapedName("a\nb\tc\rd"), "a\\nb\\tc\\rd");
    EXPECT_EQ(EscapedName("\x1B[2J\x1B]0;title\x07"), "\\x1b[2J\\x1b]0;title\\x07");
    EXPECT_EQ(EscapedName(std::string_view("a\0b\x7F", 4)), "a\\x00b\\x7f");
    // C1 controls written as UTF-8 (U+009B is CSI on some terminals).
    EXPECT_EQ(EscapedName("\xC2\x9B"
                          "31m"),
              "\\xc2\\x9b31m");
}

TEST(EscapedName, InvalidUtf8IsEscapedByteByByte) {
    EXPECT_EQ(EscapedName("\xFF\xFE"), "\\xff\\xfe");
    EXPECT_EQ(EscapedName("\xC0\xAF"), "\\xc0\\xaf");                    // overlong "/"
    EXPECT_EQ(EscapedName("\xED\xA0\x80"), "\\xed\\xa0\\x80");           // a surrogate
    EXPECT_EQ(EscapedName("\xF4\x90\x80\x80"), "\\xf4\\x90\\x80\\x80");  // above U+10FFFF
    EXPECT_EQ(EscapedName("\xE5\x86"), "\\xe5\\x86");                    // cut short
}

TEST(EscapedName, DifferentNamesNeverPrintTheSame) {
    // The backslash itself is escaped, so a name holding "\n" as two characters differs
    // from a name holding a newline.
    EXPECT_EQ(EscapedName("a\\nb"), "a\\\\nb");
    EXPECT_NE(EscapedName("a\\nb"), EscapedName("a\nb"));
    EXPECT_NE(EscapedName("\\x1b"), EscapedName("\x1b"));
}

}  // namespace
}  // namespace varlen
