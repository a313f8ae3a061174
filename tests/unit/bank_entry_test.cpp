#include <gtest/gtest.h>

#include "bank/bank.h"
#include "guarded_io/guarded_io.h"

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

TEST(SampleRoom, HoldsTheLongestSampleWithoutWrapping)
{
    EXPECT_EQ(sample_room(0), 1U);
    EXPECT_EQ(sample_room(4096), 4097U);
    EXPECT_EQ(sample_room(UINT32_MAX), std::uint64_t{1} << 32);
}

TEST(IsSeekable, TakesSigned32BitPositionsOnly)
{
    struct Case {
        std::int64_t position;
        bool seekable;
    };
    const Case cases[] = {
        {0, true},           {168, true},        {INT32_MAX, true}, {std::int64_t{INT32_MAX} + 1, false},
        {UINT32_MAX, false}, {INT64_MAX, false}, {-1, false},       {INT64_MIN, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(is_seekable(c.position), c.seekable) << c.position;
}

}  // namespace
