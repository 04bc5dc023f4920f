// The check of the carried rows: the CRC-32 the program computes, and the table the
// build generated for this test program's own payload (the host tool's values).
#include <gtest/gtest.h>
#include <string.h>
#include "payload/integrity.h"

TEST(Integrity, ChecksumIsTheCrc32OfZipAndPng)
{
    static const struct { const char *text; DWORD crc; } cases[] = {
        { "", 0x00000000u },
        { "123456789", 0xCBF43926u },
        { "The quick brown fox jumps over the lazy dog", 0x414FA339u },
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.crc, RowChecksum((const BYTE *)c.text, (DWORD)strlen(c.text))) << c.text;
}

TEST(Integrity, BuiltTableMatchesEveryCheckedRowAndLeavesTheOthersOut)
{
    HMODULE self = GetModuleHandleA(NULL);
    const RowCheck *checks = FindRowChecks(self);
    RowCheck changed[PAYLOAD_COUNT];

    ASSERT_TRUE(checks != NULL);
    memcpy(changed, checks, sizeof(changed));
    EXPECT_EQ(ROWS_INTACT, CheckCarriedRows(self));
    EXPECT_FALSE(IsCheckedRow(PAYLOAD_OPTIONS));
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(PayloadTable[i].carried && i != PAYLOAD_OPTIONS, IsCheckedRow(i));
        if (!IsCheckedRow(i)) {
            EXPECT_EQ(0u, checks[i].size);
            continue;
        }
        EXPECT_TRUE(RowMatches(self, i, checks));
        // A value off by one bit, or a size off by one, is a mismatch.
        changed[i].crc ^= 1;
        EXPECT_FALSE(RowMatches(self, i, changed));
        changed[i].crc ^= 1;
        changed[i].size += 1;
        EXPECT_FALSE(RowMatches(self, i, changed));
        changed[i].size -= 1;
    }
}
