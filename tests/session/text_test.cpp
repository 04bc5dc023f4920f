// Bounded formatting: results that fit, fit exactly, or are cut, with sentinels after the buffer.
#include <gtest/gtest.h>
#include <string.h>
#include "session/text.h"

TEST(Text, FormatTextWritesWhatFits)
{
    char out[64];
    EXPECT_EQ(1, FormatText(out, COUNTOF(out), "%s=\"%s\"", "DIR32", "C:\\Program Files\\NEXFER Pro"));
    EXPECT_STREQ("DIR32=\"C:\\Program Files\\NEXFER Pro\"", out);
    EXPECT_EQ(1, FormatText(out, COUNTOF(out), "nV=%d nM=%d", 4, -10));
    EXPECT_STREQ("nV=4 nM=-10", out);
    EXPECT_EQ(1, FormatText(out, COUNTOF(out), "%u DEBUG", 4294967295u));
    EXPECT_STREQ("4294967295 DEBUG", out);
    EXPECT_EQ(1, FormatText(out, COUNTOF(out), "%s", ""));
    EXPECT_STREQ("", out);
}

// Table: the same eight-character result into buffers around its size.
TEST(Text, FormatTextAtTheEdgeOfTheBuffer)
{
    static const struct {
        int cch;
        int result;
        const char *text;
    } cases[] = {
        { 10, 1, "Group 12" },
        { 9, 1, "Group 12" }, // exact fit: eight characters and the terminator
        { 8, 0, "Group 1" },  // one short: cut, still terminated
        { 7, 0, "Group " },
        { 1, 0, "" },
    };
    for (const auto &c : cases) {
        char out[16];
        memset(out, '#', sizeof(out));
        EXPECT_EQ(c.result, FormatText(out, c.cch, "Group %d", 12)) << c.cch;
        EXPECT_STREQ(c.text, out) << c.cch;
        for (int i = c.cch; i < (int)sizeof(out); ++i)
            EXPECT_EQ('#', out[i]) << "written past " << c.cch << " characters at " << i;
    }
}

TEST(Text, FormatTextRefusesAnEmptyBuffer)
{
    char out[4] = "abc";
    EXPECT_EQ(0, FormatText(out, 0, "%s", "x"));
    EXPECT_STREQ("abc", out);
}

// Paths are walked by character: in code page 932 the trail byte of a character such as
// 0x83 0x5C has a backslash's value and is no separator.
TEST(Text, LastSeparatorIsFoundByCharacter)
{
    struct { unsigned cp; const char *text; int slashes; int at; } cases[] = {
        { 932, "D:\\\x83\x5C", 0, 2 },
        { 1252, "D:\\\x83\x5C", 0, 4 },
        { 932, "D:\\\x83\x5C\\NEXFER", 0, 5 },
        { 932, "D:\\\x83\x5C/x", 1, 5 },
        { 932, "C:\\a/b", 0, 2 },
        { 932, "C:\\a/b", 1, 4 },
        { 932, "name", 1, -1 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const char *found = FindLastSeparatorIn(c.cp, c.text, c.slashes);
        EXPECT_EQ(c.at, found ? (int)(found - c.text) : -1) << c.cp;
    }
}
