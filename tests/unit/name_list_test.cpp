#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bank/bank.h"

namespace {

struct NumberCase {
    const char* text;
    std::int32_t expected;
};

const NumberCase NUMBER_CASES[] = {
    {"0", 0},
    {"21", 21},
    {"8255", 8255},
    {"0021", 21},
    {"21x", 21},
    {" 21", 21},
    {"\t\n 21", 21},
    {"+21", 21},
    {"-1", -1},
    {"abc", 0},
    {"", 0},
    {"-", 0},
    {"+-5", 0},
    {"2147483647", INT32_MAX},
    {"2147483648", INT32_MAX},
    {"99999999999999999999999", INT32_MAX},
    {"-2147483648", INT32_MIN},
    {"-99999999999999999999999", INT32_MIN},
    {"4294967317", INT32_MAX},  // 2^32 + 21 must not come out as 21
};

TEST(ParsePcmNumber, ReadsLeadingDecimalAndSaturates)
{
    for (const NumberCase& c : NUMBER_CASES)
        EXPECT_EQ(parse_pcm_number(c.text), c.expected) << "text \"" << c.text << "\"";
}

struct LineCase {
    const char* line;
    bool is_entry;
    std::int32_t number;
    const char* name;
};

const LineCase LINE_CASES[] = {
    {"21 kick.pcm\n", true, 21, "kick.pcm"},
    {"21=kick.pcm\n", true, 21, "kick.pcm"},
    {"0021 = kick drum.pcm * bass drum\n", true, 21, "kickdrum.pcm"},
    {"21a b.pcm\n", true, 21, "b.pcm"},
    {"21 *kick.pcm\n", true, 21, ""},
    {"* 21 kick.pcm\n", false, 0, ""},
    {" 21 kick.pcm\n", false, 0, ""},
    {"\t21 kick.pcm\n", false, 0, ""},
    {"\n", false, 0, ""},
    {"", false, 0, ""},
    {"kick 21\n", false, 0, ""},
    {"\x82\x50 kick.pcm\n", false, 0, ""},
    {"21 kick.pcm", true, 21, "kick.pcm"},
    {"21kick.pcm\n", true, 21, ""},
    {"21*x b.pcm\n", true, 21, "b.pcm"},
    {"21 a\tb.pcm\n", true, 21, "a\tb.pcm"},
    {"21 = = a = b = \n", true, 21, "ab"},
    {"21 dir/\x83T\x83\x93\x83v\x83\x8b.pcm\n", true, 21, "dir/\x83T\x83\x93\x83v\x83\x8b.pcm"},
    {"99999999999 big.pcm\n", true, INT32_MAX, "big.pcm"},
};

TEST(ParseListLine, SplitsNumberAndName)
{
    for (const LineCase& c : LINE_CASES) {
        ListEntry entry = {-7, "unchanged"};
        EXPECT_EQ(parse_list_line(c.line, &entry), c.is_entry) << "line \"" << c.line << "\"";
        if (c.is_entry) {
            EXPECT_EQ(entry.number, c.number) << "line \"" << c.line << "\"";
            EXPECT_STREQ(entry.name, c.name) << "line \"" << c.line << "\"";
        }
    }
}

TEST(ParseListLine, LongestLineGivesANameThatFitsTheBuffer)
{
    const std::string line = "1 " + std::string(LIST_LINE_SIZE - 3, 'n');
    ListEntry entry;
    ASSERT_TRUE(parse_list_line(line.c_str(), &entry));
    EXPECT_EQ(std::string(entry.name), std::string(LIST_LINE_SIZE - 3, 'n'));
}

// Reads every line that read_list_line yields from a file holding the bytes.
std::vector<std::string> read_all_lines(const std::string& bytes)
{
    std::FILE* file = std::tmpfile();
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::rewind(file);
    std::vector<std::string> lines;
    char line[LIST_LINE_SIZE];
    while (read_list_line(file, line) && lines.size() < 100)
        lines.emplace_back(line);
    EXPECT_EQ(std::fclose(file), 0);
    return lines;
}

using Lines = std::vector<std::string>;

TEST(ReadListLine, CarriageReturnsAreDroppedWhereverTheyStand)
{
    const Lines expected = {"1 a\n", "2 b\n", "3 c"};
    EXPECT_EQ(read_all_lines("1 a\n2 b\n3 c"), expected);
    EXPECT_EQ(read_all_lines("1 a\r\n2 b\r\n3 c"), expected);
    EXPECT_EQ(read_all_lines("1\r a\r\r\n2 b\n3 c\r"), expected);
}

TEST(ReadListLine, EndOfTextByteEndsTheList)
{
    EXPECT_EQ(read_all_lines("1 a\r\n\x1A"
                             "2 b\r\n"),
              Lines{"1 a\n"});
    EXPECT_EQ(read_all_lines("1 a\x1A"
                             "2 b\n"),
              Lines{"1 a"});
    EXPECT_EQ(read_all_lines("\x1A"
                             "1 a\n"),
              Lines{});
}

TEST(ReadListLine, LongLinesComeIn255BytePieces)
{
    const std::string first = "1 " + std::string(253, 'x');
    const std::string rest = "2 tail.pcm\n";
    EXPECT_EQ(read_all_lines(first + rest), (Lines{first, rest}));
    // A line feed that does not fit comes as a line of its own, also after
    // a carriage return.
    EXPECT_EQ(read_all_lines(first + "\n"), (Lines{first, "\n"}));
    EXPECT_EQ(read_all_lines(first + "\r\n"), (Lines{first, "\n"}));
    const std::string fits = "1 " + std::string(252, 'x') + "\n";
    EXPECT_EQ(read_all_lines(fits), Lines{fits});
}

TEST(ReadListLine, EmptyFileGivesNoLine)
{
    EXPECT_EQ(read_all_lines(""), Lines{});
    EXPECT_EQ(read_all_lines("\r\r"), Lines{});
}

}  // namespace
