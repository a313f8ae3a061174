#include <gtest/gtest.h>

#include "bank/bank.h"

namespace {

struct EntryCase {
    unsigned char bytes[BANK_ENTRY_SIZE];
    std::uint32_t offset;
    std::uint32_t length;
};

const EntryCase ENTRY_CASES[] = {
    {{0, 0, 0, 0, 0, 0, 0, 0}, 0, 0},
    {{0, 0, 0x01, 0x00, 0, 0, 0, 0x10}, 0x100, 0x10},
    {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}, 0x12345678, 0x9ABCDEF0},
    {{0x80, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 0x80000000, 0xFFFFFFFF},
};

TEST(DecodeBankEntry, ReadsTwoBigEndianWords)
{
    for (const EntryCase& c : ENTRY_CASES) {
        const BankEntry entry = decode_bank_entry(c.bytes);
        EXPECT_EQ(entry.offset, c.offset);
        EXPECT_EQ(entry.length, c.length);
    }
}

TEST(DirectoryPosition, IsEightTimesTheNumberWithoutWrapping)
{
    EXPECT_EQ(directory_position(0), 0);
    EXPECT_EQ(directory_position(21), 168);
    EXPECT_EQ(directory_position(8255), 66040);
    EXPECT_EQ(directory_position(268435455), 2147483640);
    EXPECT_EQ(directory_position(268435456), 2147483648);
    EXPECT_EQ(directory_position(INT32_MAX), 17179869176);
}

}  // namespace
