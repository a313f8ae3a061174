// The name list: lines of a PCM number and a file name, with comments after
// an asterisk.
#include <cstring>

#include "bank/bank.h"
#include "guarded_io/guarded_io.h"

namespace {

// The byte that ends a text file in the old DOS way.
constexpr int END_OF_TEXT = 0x1A;

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool is_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

std::int32_t parse_pcm_number(const char* text)
{
    while (is_space(*text))
        ++text;
    const bool negative = *text == '-';
    if (*text == '+' || *text == '-')
        ++text;
    // Counting stops just past the largest magnitude 32 bits hold, so a long
    // run of digits stays beyond every limit instead of wrapping round.
    constexpr std::int64_t CEILING = std::int64_t{INT32_MAX} + 1;
    std::int64_t value = 0;
    for (; is_digit(*text); ++text) {
        value = value * 10 + (*text - '0');
        if (value > CEILING)
            value = CEILING;
    }
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value > INT32_MAX ? INT32_MAX : value);
}

bool read_list_line(std::FILE* list, char* line)
{
    // The list is a DOS text file whatever the platform: carriage returns
    // are dropped wherever they stand and 0x1A ends it, so a list reads the
    // same with CR LF and LF line ends.
    std::size_t count = 0;
    while (count < LIST_LINE_SIZE - 1) {
        const int c = std::getc(list);
        if (c == EOF)
            break;
        if (c == '\r')
            continue;
        if (c == END_OF_TEXT) {
            // Put back, so every later read meets the end here too.
            (void)std::ungetc(c, list);
            break;
        }
        line[count++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    line[count] = '\0';
    return count > 0;
}

bool parse_list_line(const char* line, ListEntry* entry)
{
    // The line ends at its line feed; like any C string it also ends at a
    // NUL byte, since no file name can hold one.
    std::size_t length = 0;
    while (line[length] != '\0' && line[length] != '\n')
        ++length;
    if (length == 0 || !is_digit(line[0]))
        return false;
    entry->number = parse_pcm_number(line);
    std::size_t i = 0;
    while (i < length && line[i] != ' ' && line[i] != '=')
        ++i;
    // A line with neither a blank nor '=' gives an empty name, so that a
    // mistyped line such as "21kick.pcm" is reported when the name will not
    // open rather than passed over in silence.
    std::size_t size = 0;
    for (; i < length && line[i] != '*'; ++i)
        if (line[i] != ' ' && line[i] != '=')
            entry->name[size++] = line[i];
    entry->name[size] = '\0';
    return true;
}

int read_list_entry(std::int32_t* number, char* name, std::FILE* list, bool take_all)
{
    char line[LIST_LINE_SIZE];
    if (!read_list_line(list, line)) {
        if (std::ferror(list) != 0) {
            print_message(MSG_LIST_ACCESS_FAILURE);
            end_run(-1);
        }
        print_message(MSG_FINISHED);
        end_run(0);
    }
    ListEntry entry;
    if (!parse_list_line(line, &entry))
        return 0;
    if (!take_all && entry.number != *number)
        return 0;
    *number = entry.number;
    std::memcpy(name, entry.name, NAME_SIZE);
    return 1;
}
