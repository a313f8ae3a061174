// The name-list reader over a whole list: every entry it yields has a name
// the tool can use, and the same list reads alike with CR LF and LF line ends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bank/bank.h"

namespace {

struct Entry {
    std::int32_t number;
    std::string name;

    bool operator==(const Entry& other) const = default;
};

// Reads every entry of the list the way a run walks it.
std::vector<Entry> read_entries(const std::string& bytes)
{
    std::vector<Entry> entries;
    std::FILE* list = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r");
    if (list == nullptr) {
        // fmemopen refuses an empty buffer; an empty list has no entries.
        return entries;
    }
    char line[LIST_LINE_SIZE];
    while (std::feof(list) == 0 && read_list_line(list, line)) {
        const std::size_t length = std::strlen(line);
        if (length > LIST_LINE_SIZE - 1 || std::strchr(line, '\r') != nullptr)
            std::abort();
        ListEntry entry;
        if (!parse_list_line(line, &entry))
            continue;
        const std::string name = entry.name;
        if (name.size() > NAME_SIZE - 1 || name.find_first_of("\r\n =*") != std::string::npos)
            std::abort();
        entries.push_back({entry.number, name});
    }
    (void)std::fclose(list);
    return entries;
}

// The list with each line feed written as CR LF.
std::string with_crlf(const std::string& bytes)
{
    std::string result;
    for (const char c : bytes) {
        if (c == '\n')
            result += '\r';
        result += c;
    }
    return result;
}

// The list without any carriage return.
std::string without_cr(std::string bytes)
{
    std::erase(bytes, '\r');
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<Entry> entries = read_entries(bytes);
    if (read_entries(with_crlf(bytes)) != entries || read_entries(without_cr(bytes)) != entries)
        std::abort();
    return 0;
}
