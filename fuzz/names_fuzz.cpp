// Completing a name with its default extension, and reading the PCM number
// of the command line, against models written here.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bank/bank.h"
#include "run/run.h"

namespace {

// What completion should give: the extension goes on when the part after the
// last '/' or '\' holds no dot.
std::string completed(const std::string& name, bool is_bank)
{
    const std::size_t separator = name.find_last_of("/\\");
    const std::size_t tail = separator == std::string::npos ? 0 : separator + 1;
    if (name.find('.', tail) != std::string::npos)
        return name;
    return name + (is_bank ? ".PDX" : ".PDL");
}

void check_completion(const std::string& name, bool is_bank)
{
    // Exactly the room the tool gives a name, so that a write past it is
    // caught by the address sanitizer.
    char* buffer = static_cast<char*>(std::malloc(name.size() + EXTENSION_ROOM));
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    if (add_default_extension(buffer, is_bank) != buffer || completed(name, is_bank) != buffer)
        std::abort();
    std::free(buffer);
}

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What the number should read as: the value of the leading digits after
// blanks and a sign, held at the nearest 32-bit limit.
std::int32_t number_of(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    __int128 value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value < (__int128{1} << 64))
            value = value * 10 + (text[i] - '0');
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A name or an argument never holds a NUL byte: the text ends at one.
    const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    check_completion(text, true);
    check_completion(text, false);
    if (parse_pcm_number(text.c_str()) != number_of(text))
        std::abort();
    return 0;
}
