// The two formats the tool reads, the name list and the bank, and the
// extraction of one sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Bytes of the name buffer: a name of at most 255 bytes and its terminator.
constexpr std::size_t NAME_SIZE = 256;

// Bytes of the line buffer: a list is read at most 255 bytes at a time.
constexpr std::size_t LIST_LINE_SIZE = 256;

// Bytes of one directory entry of a bank.
constexpr std::size_t BANK_ENTRY_SIZE = 8;

// One entry line of the name list.
struct ListEntry {
    std::int32_t number;
    char name[NAME_SIZE];
};

// One directory entry of the bank.
struct BankEntry {
    std::uint32_t offset;  // where the sample starts, from the start of the file
    std::uint32_t length;  // how many bytes it has
};

// Reads a decimal number as the command line and the list write it: leading
// white space, an optional sign, digits up to the first byte that is not one.
// No digits give 0; values beyond 32 bits stop at the nearest limit.
std::int32_t parse_pcm_number(const char* text);

// Reads the next line of the list into line (LIST_LINE_SIZE bytes), without
// its carriage returns and ending after its line feed, 255 bytes at the most.
// The byte 0x1A ends the list. Returns false when nothing could be read.
bool read_list_line(std::FILE* list, char* line);

// Turns a line of the list into an entry. Returns false for a line that is
// not an entry line.
bool parse_list_line(const char* line, ListEntry* entry);

// Reads the next line of the list. Returns 1 when it is an entry the run
// takes (every entry when take_all is set, else those with *number) and sets
// *number and name; returns 0 otherwise. At the end of the list, or when the
// list cannot be read, it ends the process.
int read_list_entry(std::int32_t* number, char* name, std::FILE* list, bool take_all);

// Decodes a directory entry: two big-endian unsigned 32-bit values.
BankEntry decode_bank_entry(const unsigned char* bytes);

// The bytes taken for a sample of the given length: the length and one byte
// more, counted in 64 bits so that no length wraps round to a small buffer.
std::uint64_t sample_room(std::uint32_t length);

// Where the directory entry of a PCM number stands in the bank.
std::int64_t directory_position(std::int32_t number);

// Writes the sample of a PCM number into the named file. Returns 0 when it
// was written and -1 when the user kept the existing file. Any failure ends
// the process.
int extract_sample(std::int32_t number, const char* name, std::FILE* bank);
